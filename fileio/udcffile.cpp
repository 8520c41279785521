#include "fileio/udcffile.h"

#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/wholefilereader.h"
#include "fileio/xmlpullreader.h"

#include <QCoreApplication>

#include <cmath>

using namespace filevalues;

namespace {

struct Units
{
    bool imperial = false; // feet, Fahrenheit, psi, cubic feet
};

struct DiveReading
{
    DiveProfile dive;
    QList<QByteArray> mixNames;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    bool deltaMode = true;
    double deltaS = 0;
    double nextTimeS = 0;
    std::optional<double> pendingTime; // time-depth mode: the T before the next D
    int gas = -1;
};

void readMix(XmlPullReader& xml, DiveReading& r, const Units& units)
{
    const int depth = xml.depth();
    DiveGas gas;
    DiveProfile::TankPressure tank;
    QByteArray name;
    double o2 = 0.21;
    double he = 0;
    while (xml.next() && !(xml.isEnd() && xml.depth() == depth)) {
        if (!xml.isStart())
            continue;
        if (xml.is("mixname"))
            name = xml.readText().trimmed();
        else if (xml.is("o2"))
            o2 = leadingNumber(xml.readText()).value_or(0.21);
        else if (xml.is("he"))
            he = leadingNumber(xml.readText()).value_or(0.0);
        else if (xml.is("tankvolume"))
            tank.sizeL = leadingNumber(xml.readText()).value_or(0.0);
        else if (xml.is("pstart"))
            tank.startBar = leadingNumber(xml.readText()).value_or(0.0);
        else if (xml.is("pend"))
            tank.endBar = leadingNumber(xml.readText()).value_or(0.0);
    }
    gas.o2 = gasPercent(o2);
    gas.he = std::min(gasPercent(he), 100 - gas.o2);
    DiveProfile::gasName(gas);
    if (units.imperial) {
        tank.startBar *= 0.0689476;
        tank.endBar *= 0.0689476;
    }
    tank.gasIndex = int(r.dive.gases.size());
    r.dive.gases << gas;
    r.mixNames << name.toLower();
    if (tank.startBar > 0 || tank.endBar > 0 || tank.sizeL > 0)
        r.dive.tanks << tank;
}

void readSampleElement(XmlPullReader& xml, DiveReading& r, const Units& units)
{
    if (xml.is("delta")) {
        r.deltaS = leadingNumber(xml.readText()).value_or(0.0);
    } else if (xml.is("switch")) {
        r.gas = int(r.mixNames.indexOf(xml.readText().trimmed().toLower()));
    } else if (xml.is("t")) {
        r.pendingTime = leadingNumber(xml.readText());
    } else if (xml.is("d")) {
        const std::optional<double> depth = leadingNumber(xml.readText());
        if (!depth)
            return;
        DiveSample s;
        s.time = r.deltaMode ? r.nextTimeS : r.pendingTime.value_or(r.nextTimeS);
        s.depth = units.imperial ? *depth * 0.3048 : *depth;
        s.gasIndex = r.gas >= 0 ? r.gas : (r.dive.gases.isEmpty() ? -1 : 0);
        s.temperature = r.dive.minTemperature;
        r.dive.samples << s;
        r.nextTimeS = s.time + r.deltaS;
        r.pendingTime.reset();
    }
}

void readDive(XmlPullReader& xml, DiveFileContent& content, const Units& units)
{
    const int depth = xml.depth();
    DiveReading r;
    bool inSamples = false;
    while (xml.next() && !(xml.isEnd() && xml.depth() == depth)) {
        if (xml.is("samples")) {
            inSamples = xml.isStart() && !xml.isEmptyElement();
            continue;
        }
        if (!xml.isStart())
            continue;
        if (inSamples) {
            readSampleElement(xml, r, units);
        } else if (xml.is("mix")) {
            readMix(xml, r, units);
        } else if (xml.is("timedepthmode")) {
            r.deltaMode = false;
        } else if (xml.is("deltamode")) {
            r.deltaMode = true;
        } else if (xml.is("date") || xml.is("time")) {
            const QHash<QByteArray, QByteArray> parts = xml.readChildTexts();
            r.year = parts.value("year", QByteArray::number(r.year)).toInt();
            r.month = parts.value("month", QByteArray::number(r.month)).toInt();
            r.day = parts.value("day", QByteArray::number(r.day)).toInt();
            r.hour = parts.value("hour", QByteArray::number(r.hour)).toInt();
            r.minute = parts.value("minute", QByteArray::number(r.minute)).toInt();
        } else if (xml.is("place")) {
            r.dive.site = QString::fromUtf8(xml.readText().trimmed());
        } else if (xml.is("temperature")) {
            const double t = leadingNumber(xml.readText()).value_or(0.0);
            r.dive.minTemperature = r.dive.maxTemperature = units.imperial ? (t - 32) * 5 / 9 : t;
        } else if (xml.is("density")) {
            r.dive.freshWater = leadingNumber(xml.readText()).value_or(1030) < 1010 ? 1 : 0;
        }
    }
    r.dive.dateTime = localDateTime(r.year, r.month, r.day, r.hour, r.minute, 0);
    sortByTime(r.dive.samples);
    content.dives << r.dive;
}

} // namespace

namespace UdcfFile {

void parse(const QByteArray& data, DiveFileContent& content)
{
    XmlPullReader xml(data);
    xml.setLowerCaseNames(true);
    Units units;
    while (xml.next()) {
        if (!xml.isStart())
            continue;
        if (xml.depth() == 0 && !xml.is("profile"))
            break;
        if (xml.is("units"))
            units.imperial = xml.readText().trimmed().toLower() == "imperial";
        else if (xml.is("dive"))
            readDive(xml, content, units);
    }
    if (xml.failed())
        content.error = QCoreApplication::translate(
            "UdcfFile", "not a well-formed XML document (cut short or damaged)");
    else if (xml.rootName() != "profile")
        content.error = QCoreApplication::translate(
            "UdcfFile", "not a UDCF file (its root element is \"%1\")")
                            .arg(QString::fromUtf8(xml.rootName()));
    if (!content.ok())
        content.dives.clear();
}

} // namespace UdcfFile
