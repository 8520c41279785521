#include "fileio/suuntofile.h"

#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/uddfdatetime.h"
#include "fileio/wholefilereader.h"
#include "fileio/xmlpullreader.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using namespace filevalues;

namespace {

using Texts = QHash<QByteArray, QByteArray>;

double numberIn(const Texts& t, const char* name)
{
    return leadingNumber(t.value(name)).value_or(0.0);
}

// Dive Manager pressures are thousandths of a bar; a value that is plausible as bar is kept.
double barOf(double value)
{
    return value > 1000 ? value / 1000 : value;
}

int gasIndexFor(DiveProfile& dive, int o2, int he)
{
    for (qsizetype i = 0; i < dive.gases.size(); ++i) {
        if (dive.gases.at(i).o2 == o2 && dive.gases.at(i).he == he)
            return int(i);
    }
    DiveGas gas;
    gas.o2 = o2;
    gas.he = std::clamp(he, 0, 100 - o2);
    DiveProfile::gasName(gas);
    dive.gases << gas;
    return int(dive.gases.size() - 1);
}

struct Message
{
    Texts header;
    QList<Texts> samples;
    QList<Texts> changes;
};

void fillHeader(const Texts& h, DiveProfile& d)
{
    const QList<QByteArray> date = h.value("DATE").split('.');
    const QList<QByteArray> time = h.value("TIME").split(':');
    if (date.size() == 3 && time.size() >= 2)
        d.dateTime = localDateTime(date[2].toInt(), date[1].toInt(), date[0].toInt(),
            time[0].toInt(), time[1].toInt(), time.value(2).toInt());
    d.computer = QString::fromUtf8(h.value("DEVICEMODEL"));
    d.serial = QString::fromUtf8(h.value("WRISTOPID"));
    d.number = std::max(0, wholeNumber(numberIn(h, "DIVENUMBER")));
    if (d.number > 0)
        d.name = QCoreApplication::translate("SubsurfaceXml", "Dive %1").arg(d.number);
    d.site = QString::fromUtf8(h.value("SITE"));
    d.location = QString::fromUtf8(h.value("LOCATION"));
    for (const QByteArray& who : { h.value("PARTNER"), h.value("DIVEMASTER") }) {
        if (!who.isEmpty())
            d.buddies << QString::fromUtf8(who);
    }
    d.notes = QString::fromUtf8(h.value("LOGNOTES"));
    d.duration = numberIn(h, "DIVETIMESEC");
    d.maxDepth = numberIn(h, "MAXDEPTH");
    d.meanDepth = numberIn(h, "MEANDEPTH");
    d.minTemperature = d.maxTemperature = numberIn(h, "WATERTEMPMAXDEPTH");
    // Gas slots: O2PCT, O2PCT_2 ... O2PCT_8 pair with HEPCT_0 ... HEPCT_7 by position.
    for (int slot = 0; slot < 8; ++slot) {
        const QByteArray o2Name
            = slot == 0 ? QByteArray("O2PCT") : "O2PCT_" + QByteArray::number(slot + 1);
        const int o2 = wholeNumber(numberIn(h, o2Name.constData()));
        const int he = std::clamp(
            wholeNumber(numberIn(h, ("HEPCT_" + QByteArray::number(slot)).constData())), 0, 99);
        if (o2 > 0 && o2 <= 100)
            gasIndexFor(d, o2, he);
    }
    if (d.gases.isEmpty())
        gasIndexFor(d, 21, 0);
    DiveProfile::TankPressure tank;
    tank.gasIndex = 0;
    tank.sizeL = numberIn(h, "CYLINDERSIZE");
    tank.workingBar = barOf(numberIn(h, "CYLINDERWORKPRESSURE"));
    tank.startBar = barOf(numberIn(h, "CYLINDERSTARTPRESSURE"));
    tank.endBar = barOf(numberIn(h, "CYLINDERENDPRESSURE"));
    if (tank.startBar > 0 || tank.endBar > 0)
        d.tanks << tank;
}

DiveProfile diveOf(const Message& m)
{
    DiveProfile d;
    fillHeader(m.header, d);
    QList<std::pair<double, int>> changes;
    for (const Texts& c : m.changes)
        changes << std::make_pair(numberIn(c, "MIXTIME"),
            gasIndexFor(d, std::clamp(wholeNumber(numberIn(c, "MIXVALUE")), 1, 100),
                std::clamp(wholeNumber(numberIn(c, "MIXHEVALUE")), 0, 99)));
    std::stable_sort(changes.begin(), changes.end());
    int gas = 0;
    qsizetype next = 0;
    double temperature = d.minTemperature;
    float pressure = 0;
    for (const Texts& t : m.samples) {
        // Bookmarks are marks at odd times, not profile points.
        if (!t.value("BOOKMARK").isEmpty())
            continue;
        DiveSample s;
        s.time = numberIn(t, "SAMPLETIME");
        s.depth = numberIn(t, "DEPTH");
        while (next < changes.size() && changes.at(next).first <= s.time)
            gas = changes.at(next++).second;
        s.gasIndex = gas;
        // 0 is "not recorded" for both.
        if (numberIn(t, "TEMPERATURE") != 0)
            temperature = numberIn(t, "TEMPERATURE");
        if (numberIn(t, "PRESSURE") > 0)
            pressure = tankBar(barOf(numberIn(t, "PRESSURE")));
        s.temperature = temperature;
        s.tankPressureBar = pressure;
        d.samples << s;
    }
    sortByTime(d.samples);
    return d;
}

void parseXml(const QByteArray& data, DiveFileContent& content)
{
    XmlPullReader xml(data);
    QList<Message> messages;
    bool inMessage = false;
    while (xml.next()) {
        if (xml.depth() == 0 && xml.isStart() && !xml.is("SUUNTO"))
            break;
        if (xml.is("MSG")) {
            inMessage = xml.isStart() && !xml.isEmptyElement();
            if (xml.isStart())
                messages << Message();
            continue;
        }
        if (!inMessage || !xml.isStart())
            continue;
        if (xml.is("SAMPLE"))
            messages.last().samples << xml.readChildTexts();
        else if (xml.is("GASCHANGE"))
            messages.last().changes << xml.readChildTexts();
        else
            messages.last().header.insert(xml.name(), xml.readText().trimmed());
    }
    if (xml.failed()) {
        content.error = QCoreApplication::translate(
            "SuuntoFile", "not a well-formed XML document (cut short or damaged)");
        return;
    }
    if (xml.rootName() != "SUUNTO") {
        content.error = QCoreApplication::translate(
            "SuuntoFile", "not a Suunto Dive Manager file (its root element is \"%1\")")
                            .arg(QString::fromUtf8(xml.rootName()));
        return;
    }
    for (const Message& m : std::as_const(messages))
        content.dives << diveOf(m);
}

// The app's JSON: DeviceLog { Device { Name, SerialNumber }, Header { DateTime, Duration,
// Depth { Max, Avg }, Diving { Gases [{ Oxygen, Helium }] } }, Samples [{ TimeISO8601, Depth,
// Temperature }] }.
void parseJson(const QByteArray& data, DiveFileContent& content)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    const QJsonObject log = doc.object().value(QLatin1String("DeviceLog")).toObject();
    if (error.error != QJsonParseError::NoError || log.isEmpty()) {
        content.error
            = QCoreApplication::translate("SuuntoFile", "not a Suunto app file (no \"DeviceLog\")");
        return;
    }
    const QJsonObject header = log.value(QLatin1String("Header")).toObject();
    const QJsonObject device = log.value(QLatin1String("Device")).toObject();
    DiveProfile d;
    d.computer = device.value(QLatin1String("Name")).toString();
    d.serial = device.value(QLatin1String("SerialNumber")).toString();
    const QString start = header.value(QLatin1String("DateTime")).toString();
    d.dateTime = parseUddfDateTime(start);
    d.duration = header.value(QLatin1String("Duration")).toDouble();
    d.maxDepth
        = header.value(QLatin1String("Depth")).toObject().value(QLatin1String("Max")).toDouble();
    d.meanDepth
        = header.value(QLatin1String("Depth")).toObject().value(QLatin1String("Avg")).toDouble();
    const QJsonObject diving = header.value(QLatin1String("Diving")).toObject();
    for (const QJsonValue& g : diving.value(QLatin1String("Gases")).toArray())
        gasIndexFor(d,
            std::clamp(
                gasPercent(g.toObject().value(QLatin1String("Oxygen")).toDouble(0.21)), 1, 100),
            std::clamp(gasPercent(g.toObject().value(QLatin1String("Helium")).toDouble()), 0, 99));
    d.diveMode
        = diving.value(QLatin1String("DiveMode")).toString().contains(QLatin1String("CCR")) ? 1 : 0;
    double temperature = 0;
    for (const QJsonValue& v : log.value(QLatin1String("Samples")).toArray()) {
        const QJsonObject sample = v.toObject();
        const QJsonValue depth = sample.value(QLatin1String("Depth"));
        if (sample.contains(QLatin1String("Temperature"))) {
            const double t = sample.value(QLatin1String("Temperature")).toDouble();
            temperature = t > 150 ? t - 273.15 : t;
        }
        if (!depth.isDouble())
            continue;
        const qint64 at = parseUddfDateTime(sample.value(QLatin1String("TimeISO8601")).toString());
        DiveSample s;
        // A sample whose time cannot be read, or lies before the start, has no place.
        s.time = at > 0 && d.dateTime > 0 ? double(at - d.dateTime) : -1.0;
        s.depth = depth.toDouble();
        s.temperature = temperature;
        s.gasIndex = d.gases.isEmpty() ? -1 : 0;
        if (s.time >= 0 && std::isfinite(s.depth))
            d.samples << s;
    }
    std::stable_sort(d.samples.begin(), d.samples.end(),
        [](const DiveSample& a, const DiveSample& b) { return a.time < b.time; });
    content.dives << d;
}

// The same log as XML (".sml"): sml/DeviceLog with Header, Device and Samples/Sample, each
// sample with Time (s from the start) or UTC, Depth and Temperature.
void readSmlSample(XmlPullReader& xml, DiveProfile& d, double& temperature)
{
    const Texts t = xml.readChildTexts();
    if (t.contains("Temperature")) {
        const double k = numberIn(t, "Temperature");
        temperature = k > 150 ? k - 273.15 : k;
    }
    if (!t.contains("Depth"))
        return;
    DiveSample s;
    const qint64 utc = parseUddfDateTime(QString::fromLatin1(t.value("UTC")));
    s.time = t.contains("Time") ? numberIn(t, "Time")
                                : (utc > 0 && d.dateTime > 0 ? double(utc - d.dateTime) : -1);
    s.depth = numberIn(t, "Depth");
    s.temperature = temperature;
    s.gasIndex = d.gases.isEmpty() ? -1 : 0;
    if (s.time >= 0 && (d.samples.isEmpty() || s.time >= d.samples.constLast().time))
        d.samples << s;
}

void parseSml(const QByteArray& data, DiveFileContent& content)
{
    XmlPullReader xml(data);
    DiveProfile d;
    double temperature = 0;
    QByteArray section;
    while (xml.next()) {
        if (xml.depth() == 0 && xml.isStart() && !xml.is("sml"))
            break;
        if (!xml.isStart())
            continue;
        if (xml.is("Header") || xml.is("Device") || xml.is("Samples")) {
            section = xml.name();
        } else if (xml.is("Sample") && section == "Samples") {
            readSmlSample(xml, d, temperature);
        } else if (xml.is("Gas") && section == "Header") {
            const Texts g = xml.readChildTexts();
            gasIndexFor(d,
                std::clamp(gasPercent(leadingNumber(g.value("Oxygen")).value_or(0.21)), 1, 100),
                std::clamp(gasPercent(numberIn(g, "Helium")), 0, 99));
        } else if (section == "Header" && xml.is("DateTime")) {
            d.dateTime = parseUddfDateTime(QString::fromLatin1(xml.readText().trimmed()));
        } else if (section == "Header" && xml.is("Duration")) {
            d.duration = leadingNumber(xml.readText()).value_or(0.0);
        } else if (section == "Header" && xml.is("Max") && d.maxDepth == 0) {
            d.maxDepth = leadingNumber(xml.readText()).value_or(0.0);
        } else if (section == "Device" && xml.is("Name")) {
            d.computer = QString::fromUtf8(xml.readText().trimmed());
        } else if (section == "Device" && xml.is("SerialNumber")) {
            d.serial = QString::fromUtf8(xml.readText().trimmed());
        }
    }
    if (xml.failed() || xml.rootName() != "sml") {
        content.error
            = QCoreApplication::translate("SuuntoFile", "not a Suunto app file (no \"DeviceLog\")");
        return;
    }
    content.dives << d;
}

} // namespace

namespace SuuntoFile {

void parse(const QByteArray& data, DiveFileContent& content)
{
    const QByteArray start = data.left(512).trimmed();
    if (start.startsWith('{'))
        parseJson(data, content);
    else if (start.contains("<sml"))
        parseSml(data, content);
    else
        parseXml(data, content);
}

} // namespace SuuntoFile
