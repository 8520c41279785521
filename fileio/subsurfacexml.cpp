#include "fileio/subsurfacexml.h"

#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/wholefilereader.h"
#include "fileio/xmlpullreader.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace filevalues;

namespace {

struct Site
{
    QString name;
    std::optional<GeoPosition> position;
};

struct Cylinder
{
    DiveGas gas;
    bool used = true; // use='not used' is listed but never breathed
    DiveProfile::TankPressure tank;
};

struct GasChange
{
    double timeS = 0;
    int cylinder = -1;
    int o2 = -1; // percent, -1 not given
    int he = 0;
};

// One dive computer's record of a dive.
struct Computer
{
    QString model;
    QString deviceId;
    qint64 dateTime = 0; // its own start, when it gives one
    std::optional<double> durationS;
    std::optional<double> maxDepth;
    std::optional<double> meanDepth;
    std::optional<double> waterC;
    double surfaceBar = 0;
    bool freshWater = false;
    bool closedCircuit = false;
    QList<GasChange> changes;
    QList<DiveSample> samples;
    struct Pressure
    {
        qsizetype sample = 0;
        int cylinder = -1; // -1: the unnumbered "pressure"
        float bar = 0;
    };
    QList<Pressure> pressures; // in sample order
};

struct DiveRecord
{
    DiveDetails details;
    QByteArray siteId;
    qint64 dateTime = 0;
    std::optional<double> durationS;
    QList<Cylinder> cylinders;
    QList<Computer> computers;
};

struct Reading
{
    QHash<QByteArray, Site> sites;
    QHash<QByteArray, QString> serials; // deviceid -> serial from the settings
    QString trip;
    QList<DiveRecord> dives;
};

std::optional<GeoPosition> positionOf(const std::optional<QByteArray>& gps)
{
    double lat = 0;
    double lon = 0;
    if (!gps || !geoPosition(*gps, lat, lon))
        return std::nullopt;
    return GeoPosition { lat, lon };
}

// "2015-1-1" and "10:00:00" (or "6:00:00"): unpadded parts are allowed.
qint64 dateTimeOf(const std::optional<QByteArray>& date, const std::optional<QByteArray>& time)
{
    if (!date)
        return 0;
    const QList<QByteArray> d = date->split('-');
    const QList<QByteArray> t = time ? time->split(':') : QList<QByteArray> { "0", "0", "0" };
    if (d.size() != 3 || t.size() < 2 || t.size() > 3)
        return 0;
    return localDateTime(d[0].toInt(), d[1].toInt(), d[2].toInt(), t[0].toInt(), t[1].toInt(),
        t.size() == 3 ? t[2].toInt() : 0);
}

std::optional<double> numberAttribute(XmlPullReader& xml, const char* name)
{
    const std::optional<QByteArray> text = xml.attribute(name);
    return text ? leadingNumber(*text) : std::nullopt;
}

void readSite(XmlPullReader& xml, Reading& r)
{
    const std::optional<QByteArray> id = xml.attribute("uuid");
    if (!id)
        return;
    Site site;
    site.name = QString::fromUtf8(xml.attribute("name").value_or(QByteArray()));
    site.position = positionOf(xml.attribute("gps"));
    r.sites.insert(id->trimmed().toLower(), site);
}

void readCylinder(XmlPullReader& xml, DiveRecord& dive)
{
    Cylinder c;
    c.gas.o2 = gasPercent(numberAttribute(xml, "o2").value_or(21.0));
    c.gas.he = std::min(gasPercent(numberAttribute(xml, "he").value_or(0.0)), 100 - c.gas.o2);
    DiveProfile::gasName(c.gas);
    c.used = xml.attribute("use").value_or(QByteArray()) != "not used";
    c.tank.sizeL = numberAttribute(xml, "size").value_or(0.0);
    c.tank.workingBar = numberAttribute(xml, "workpressure").value_or(0.0);
    c.tank.startBar = numberAttribute(xml, "start").value_or(0.0);
    c.tank.endBar = numberAttribute(xml, "end").value_or(0.0);
    dive.cylinders << c;
}

void readComputerStart(XmlPullReader& xml, DiveRecord& dive)
{
    Computer c;
    c.model = QString::fromUtf8(xml.attribute("model").value_or(QByteArray()));
    c.deviceId = QString::fromUtf8(xml.attribute("deviceid").value_or(QByteArray()));
    c.dateTime = dateTimeOf(xml.attribute("date"), xml.attribute("time"));
    if (const std::optional<QByteArray> d = xml.attribute("duration"))
        c.durationS = minutesSeconds(*d);
    const QByteArray mode = xml.attribute("dctype").value_or(QByteArray()).toUpper();
    c.closedCircuit = mode == "CCR";
    dive.computers << c;
}

// The computer that owns samples and events: version 1 files put them under the dive itself.
Computer& currentComputer(DiveRecord& dive)
{
    if (dive.computers.isEmpty())
        dive.computers << Computer();
    return dive.computers.last();
}

void readEvent(XmlPullReader& xml, Computer& c)
{
    if (xml.attribute("name").value_or(QByteArray()) != "gaschange")
        return;
    GasChange g;
    g.timeS = minutesSeconds(xml.attribute("time").value_or(QByteArray())).value_or(0.0);
    if (const std::optional<double> cyl = numberAttribute(xml, "cylinder"))
        g.cylinder = wholeNumber(*cyl);
    if (const std::optional<double> o2 = numberAttribute(xml, "o2")) {
        g.o2 = gasPercent(*o2);
        g.he = gasPercent(numberAttribute(xml, "he").value_or(0.0));
    } else if (const std::optional<double> value = numberAttribute(xml, "value")) {
        // O2 percent + 65536 x He percent.
        const qint64 v = qint64(std::clamp(*value, 0.0, 4294967295.0));
        g.o2 = int(v & 0xFFFF);
        g.he = int((v >> 16) & 0xFFFF);
    }
    c.changes << g;
}

// "61:47 min" without copying the text; -1 when it is no time.
double sampleTime(const char* text)
{
    double total = 0;
    const char* p = text;
    for (int part = 0; part < 3; ++part) {
        const char* start = p;
        double value = 0;
        while (*p >= '0' && *p <= '9')
            value = value * 10 + (*p++ - '0');
        if (p == start)
            return -1;
        total = total * 60 + value;
        if (*p != ':')
            break;
        ++p;
    }
    return *p == '\0' || *p == ' ' || *p == '.' ? total : -1;
}

// A sample holds only what changed: attributes left out are no reading (never zero).
void readSample(XmlPullReader& xml, Computer& c)
{
    DiveSample s;
    s.time = -1;
    s.depth = -1;
    s.temperature = std::numeric_limits<double>::quiet_NaN();
    const qsizetype index = c.samples.size();
    const qsizetype pressuresBefore = c.pressures.size();
    xml.forEachAttribute([&](const char* name, const char* value) {
        if (std::strcmp(name, "time") == 0) {
            s.time = sampleTime(value);
            return;
        }
        const std::optional<double> number = leadingNumber(value, qsizetype(std::strlen(value)));
        if (!number)
            return;
        else if (std::strcmp(name, "depth") == 0)
            s.depth = *number;
        else if (std::strcmp(name, "temp") == 0)
            s.temperature = *number;
        else if (std::strcmp(name, "cns") == 0)
            s.cns = *number;
        else if (std::strcmp(name, "stopdepth") == 0)
            s.decoCeiling = *number;
        else if (std::strcmp(name, "po2") == 0)
            s.setpointMbar = quint16(std::clamp(*number * 1000, 0.0, 65535.0));
        else if (std::strcmp(name, "pressure") == 0)
            c.pressures << Computer::Pressure { index, -1, tankBar(*number) };
        else if (std::strncmp(name, "pressure", 8) == 0 && name[8] >= '0' && name[8] <= '9')
            c.pressures << Computer::Pressure { index, std::atoi(name + 8), tankBar(*number) };
    });
    if (s.time < 0) {
        c.pressures.resize(pressuresBefore);
        return;
    }
    c.samples << s;
}

void readDiveStart(XmlPullReader& xml, Reading& r)
{
    DiveRecord d;
    d.details.number = std::max(0, wholeNumber(numberAttribute(xml, "number").value_or(0.0)));
    d.details.rating = std::clamp(wholeNumber(numberAttribute(xml, "rating").value_or(0.0)), 0, 5);
    for (const QString& tag : QString::fromUtf8(xml.attribute("tags").value_or(QByteArray()))
                                  .split(QLatin1Char(','), Qt::SkipEmptyParts))
        d.details.tags << tag.trimmed();
    d.siteId = xml.attribute("divesiteid").value_or(QByteArray()).trimmed().toLower();
    d.details.trip = r.trip;
    d.dateTime = dateTimeOf(xml.attribute("date"), xml.attribute("time"));
    if (const std::optional<QByteArray> duration = xml.attribute("duration"))
        d.durationS = minutesSeconds(*duration);
    r.dives << d;
}

void readDiveChild(XmlPullReader& xml, DiveRecord& dive, bool inComputer)
{
    if (xml.is("divecomputer")) {
        readComputerStart(xml, dive);
    } else if (xml.is("cylinder") && !inComputer) {
        readCylinder(xml, dive);
    } else if (xml.is("sample")) {
        readSample(xml, currentComputer(dive));
    } else if (xml.is("event")) {
        readEvent(xml, currentComputer(dive));
    } else if (xml.is("depth")) {
        Computer& c = currentComputer(dive);
        c.maxDepth = numberAttribute(xml, "max");
        c.meanDepth = numberAttribute(xml, "mean");
    } else if (xml.is("temperature") && inComputer) {
        currentComputer(dive).waterC = numberAttribute(xml, "water");
    } else if (xml.is("surface")) {
        currentComputer(dive).surfaceBar = numberAttribute(xml, "pressure").value_or(0.0);
    } else if (xml.is("water")) {
        currentComputer(dive).freshWater = numberAttribute(xml, "salinity").value_or(1025) < 1010;
    } else if (xml.is("buddy")) {
        for (const QString& name :
            QString::fromUtf8(xml.readText()).split(QLatin1Char(','), Qt::SkipEmptyParts))
            dive.details.buddies << name.trimmed();
    } else if (xml.is("notes")) {
        dive.details.notes = QString::fromUtf8(xml.readText()).trimmed();
    } else if (xml.is("location")) {
        // Version 2: the site lives in the dive; a later element completes an earlier one.
        const std::optional<GeoPosition> position = positionOf(xml.attribute("gps"));
        const QString name = QString::fromUtf8(xml.readText()).trimmed();
        if (!name.isEmpty())
            dive.details.site = name;
        if (position)
            dive.details.position = position;
    }
}

// The cylinder each sample breathes: the last gas change at or before it, cylinder 0 before
// the first. A change that names no cylinder is matched by its mix.
int cylinderOf(const GasChange& g, const QList<Cylinder>& cylinders)
{
    if (g.cylinder >= 0 && g.cylinder < cylinders.size())
        return g.cylinder;
    for (qsizetype i = 0; i < cylinders.size(); ++i) {
        if (cylinders.at(i).gas.o2 == g.o2 && cylinders.at(i).gas.he == g.he)
            return int(i);
    }
    return -1;
}

void fillGasesAndPressures(DiveProfile& p, const Computer& c, const QList<Cylinder>& cylinders)
{
    QList<int> gasOfCylinder;
    for (const Cylinder& cyl : cylinders) {
        gasOfCylinder << (cyl.used ? int(p.gases.size()) : -1);
        if (cyl.used)
            p.gases << cyl.gas;
    }
    QList<GasChange> changes = c.changes;
    std::stable_sort(changes.begin(), changes.end(),
        [](const GasChange& a, const GasChange& b) { return a.timeS < b.timeS; });
    // The unnumbered pressure belongs to cylinder 0 only when nothing says otherwise.
    const bool plainPressureIsFirst = cylinders.size() <= 1 || changes.isEmpty();
    int cylinder = cylinders.isEmpty() ? -1 : 0;
    qsizetype next = 0;
    qsizetype nextPressure = 0;
    QHash<int, float> lastBar;
    for (qsizetype i = 0; i < p.samples.size(); ++i) {
        DiveSample& s = p.samples[i];
        while (next < changes.size() && changes.at(next).timeS <= s.time) {
            const int chosen = cylinderOf(changes.at(next), cylinders);
            if (chosen >= 0)
                cylinder = chosen;
            ++next;
        }
        s.gasIndex = cylinder >= 0 ? gasOfCylinder.value(cylinder, -1) : -1;
        for (; nextPressure < c.pressures.size() && c.pressures.at(nextPressure).sample == i;
             ++nextPressure) {
            const Computer::Pressure& reading = c.pressures.at(nextPressure);
            if (reading.cylinder >= 0)
                lastBar.insert(reading.cylinder, reading.bar);
            else if (plainPressureIsFirst)
                lastBar.insert(0, reading.bar);
        }
        s.tankPressureBar = lastBar.value(cylinder, 0.0f);
    }
    for (qsizetype i = 0; i < cylinders.size(); ++i) {
        DiveProfile::TankPressure tank = cylinders.at(i).tank;
        tank.gasIndex = gasOfCylinder.at(i);
        if (cylinders.at(i).used && (tank.startBar > 0 || tank.endBar > 0 || tank.sizeL > 0))
            p.tanks << tank;
    }
}

// Depth and temperature carried over the samples that left them out.
void carryValues(QList<DiveSample>& samples)
{
    double depth = 0;
    double temperature = std::numeric_limits<double>::quiet_NaN();
    for (const DiveSample& s : samples) {
        if (!std::isnan(s.temperature)) {
            temperature = s.temperature;
            break;
        }
    }
    quint16 setpoint = 0;
    for (DiveSample& s : samples) {
        if (s.depth < 0)
            s.depth = depth;
        depth = s.depth;
        if (std::isnan(s.temperature))
            s.temperature = std::isnan(temperature) ? 0.0 : temperature;
        temperature = s.temperature;
        if (s.setpointMbar == 0)
            s.setpointMbar = setpoint;
        setpoint = s.setpointMbar;
    }
}

DiveProfile diveOf(const DiveRecord& d, Computer& c, const Reading& r, int computers)
{
    DiveProfile p;
    static_cast<DiveDetails&>(p) = d.details;
    if (!d.siteId.isEmpty() && r.sites.contains(d.siteId)) {
        p.site = r.sites.value(d.siteId).name;
        p.position = r.sites.value(d.siteId).position;
    }
    p.computer = c.model;
    p.serial = r.serials.value(c.deviceId.toLatin1(), c.deviceId);
    p.dateTime = c.dateTime != 0 ? c.dateTime : d.dateTime;
    p.diveMode = c.closedCircuit ? 1 : 0;
    p.freshWater = c.freshWater ? 1 : 0;
    if (c.surfaceBar > 0.5 && c.surfaceBar < 1.1)
        p.surfacePressure = c.surfaceBar;
    p.samples = std::move(c.samples);
    carryValues(p.samples);
    fillGasesAndPressures(p, c, d.cylinders);
    // Samples come in time order; a file that does not keep it is sorted after the gases and
    // pressures were placed.
    const auto byTime = [](const DiveSample& a, const DiveSample& b) { return a.time < b.time; };
    if (!std::is_sorted(p.samples.cbegin(), p.samples.cend(), byTime))
        std::stable_sort(p.samples.begin(), p.samples.end(), byTime);
    // Kept for dives without samples; the samples' own figures replace them otherwise.
    p.duration = c.durationS.value_or(d.durationS.value_or(0.0));
    p.maxDepth = c.maxDepth.value_or(0.0);
    p.meanDepth = c.meanDepth.value_or(0.0);
    p.minTemperature = p.maxTemperature = c.waterC.value_or(0.0);
    p.name = p.number > 0 ? QCoreApplication::translate("SubsurfaceXml", "Dive %1").arg(p.number)
                          : QString();
    if (computers > 1 && !c.model.isEmpty())
        p.name = (p.name.isEmpty() ? QString() : p.name + QStringLiteral(" - ")) + c.model;
    return p;
}

// Walks the document; false on malformed XML.
bool walk(XmlPullReader& xml, Reading& r)
{
    bool inDive = false;
    bool inComputer = false;
    QList<QString> trips;
    while (xml.next()) {
        const bool start = xml.isStart();
        const bool empty = xml.isEmptyElement();
        if (xml.is("dive")) {
            if (start)
                readDiveStart(xml, r);
            inDive = start && !empty;
        } else if (xml.is("trip")) {
            if (start) {
                const QByteArray where = xml.attribute("location").value_or(QByteArray());
                trips << (where.isEmpty()
                        ? QString::fromUtf8(xml.attribute("date").value_or(QByteArray()))
                        : QString::fromUtf8(where));
            } else if (!trips.isEmpty()) {
                trips.removeLast();
            }
            if (start && empty)
                trips.removeLast();
            r.trip = trips.isEmpty() ? QString() : trips.constLast();
        } else if (inDive && start) {
            readDiveChild(xml, r.dives.last(), inComputer);
            if (xml.is("divecomputer"))
                inComputer = !empty;
        } else if (inDive && xml.is("divecomputer")) {
            inComputer = false;
        } else if (start && xml.is("site")) {
            readSite(xml, r);
        } else if (start && xml.is("divecomputerid")) {
            const QByteArray id = xml.attribute("deviceid").value_or(QByteArray());
            const QByteArray serial = xml.attribute("serial").value_or(QByteArray());
            if (!id.isEmpty() && !serial.isEmpty())
                r.serials.insert(id, QString::fromUtf8(serial));
        }
    }
    return !xml.failed();
}

} // namespace

namespace SubsurfaceXml {

void parse(const QByteArray& data, DiveFileContent& content)
{
    XmlPullReader xml(data);
    Reading r;
    if (!walk(xml, r)) {
        content.error = QCoreApplication::translate(
            "SubsurfaceXml", "not a well-formed XML document (cut short or damaged)");
        return;
    }
    if (xml.rootName() != "divelog" && xml.rootName() != "dives") {
        content.error = QCoreApplication::translate(
            "SubsurfaceXml", "not a Subsurface logbook (its root element is \"%1\")")
                            .arg(QString::fromUtf8(xml.rootName()));
        return;
    }
    for (DiveRecord& d : r.dives) {
        if (d.computers.isEmpty()) {
            // Logged by hand: the dive's own summary, no profile.
            Computer none;
            none.durationS = d.durationS;
            content.dives << diveOf(d, none, r, 1);
        }
        for (Computer& c : d.computers)
            content.dives << diveOf(d, c, r, int(d.computers.size()));
    }
}

} // namespace SubsurfaceXml
