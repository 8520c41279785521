#include "fileio/uddf.h"

#include "dive/diveprofile.h"
#include "fileio/uddfdatetime.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char* const kUddfNamespace = "http://www.streit.cc/uddf/3.2/";
// Prefix of dive ids that carry an escaped name (see UDDF::diveIdOf).
const char kEscapedIdPrefix[] = "vdname.";
const double kPascalPerBar = 100000.0;
const double kKelvinOffset = 273.15;

QString tr(const char* text)
{
    return QCoreApplication::translate("UDDF", text);
}

struct ComputerInfo
{
    QString name;
    QString serial;
};

// ---- Writing

// Text as XML 1.0 can carry it, escaped for element text and attribute values: control
// characters other than TAB, LF and CR (and the non-characters U+FFFE, U+FFFF) are not allowed
// even as references, and a file holding one is refused by strict readers, so they are left out.
QByteArray xmlText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            continue;
        clean.append(c);
    }
    QByteArray out;
    const QByteArray utf8 = clean.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Shortest text that reads back as the same double ("0.32", not 0.32000000000000001); "0" for
// values that are not finite, which the schema's float type cannot hold as we would mean them.
QByteArray number(double value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("0");
    return QByteArray::number(value + 0.0, 'g', QLocale::FloatingPointShortest);
}

// Seconds truncated to a whole number. Through a double, since a time read from a damaged
// file may lie beyond the range of any integer type.
QByteArray wholeSeconds(double seconds)
{
    return std::isfinite(seconds) ? QByteArray::number(std::trunc(seconds) + 0.0, 'f', 0)
                                  : QByteArray("0");
}

bool isAsciiLetter(char16_t u)
{
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

bool isAsciiDigit(char16_t u)
{
    return u >= '0' && u <= '9';
}

// An element with text: <name>text</name>.
void element(QByteArray& out, const char* name, const QByteArray& text)
{
    out += '<';
    out += name;
    out += '>';
    out += text;
    out += "</";
    out += name;
    out += '>';
}

// The ids of one document: every id is an XML name and none is used twice.
class IdSpace
{
public:
    QByteArray take(const QByteArray& wanted)
    {
        QByteArray id = wanted;
        for (int n = 2; m_used.contains(id); ++n)
            id = wanted + '-' + QByteArray::number(n);
        m_used.insert(id);
        return id;
    }
    bool contains(const QByteArray& id) const { return m_used.contains(id); }

private:
    QSet<QByteArray> m_used;
};

// What the dives of one document share: computers, mixes, sites and buddies are written once
// in the file's definitions and linked from each dive.
struct Definitions
{
    IdSpace ids;
    QList<QByteArray> computerIds;
    QList<ComputerInfo> computers;
    QHash<QString, QByteArray> computerByKey;
    QList<QByteArray> mixIds;
    QList<DiveGas> mixes;
    QHash<QString, QByteArray> mixByKey;
    QList<QPair<QByteArray, const DiveDetails*>> sites; // the first dive at each site
    QHash<QString, QByteArray> siteByKey; // see siteKey
    QList<QPair<QByteArray, QString>> buddies;
    QHash<QString, QByteArray> buddyByName;
    // Per dive: the mix id of each of its gases.
    QList<QList<QByteArray>> diveMixIds;
};

// Dives share a site when its name and place are the same; empty for a dive without either.
QString siteKey(const DiveDetails& dive)
{
    const QString position = dive.position ? QString::number(dive.position->latitude, 'g', 17)
            + QLatin1Char(',') + QString::number(dive.position->longitude, 'g', 17)
                                           : QString();
    const QStringList parts { dive.site.trimmed(), dive.location, dive.country, position };
    return parts.join(QString()).isEmpty() ? QString() : parts.join(QChar(0));
}

Definitions collectDefinitions(const QList<DiveProfile>& dives)
{
    Definitions defs;
    defs.ids.take("owner");
    for (const DiveProfile& dive : dives) {
        if (!dive.computer.isEmpty() || !dive.serial.isEmpty()) {
            const QString key = dive.computer + QChar(0) + dive.serial;
            if (!defs.computerByKey.contains(key)) {
                const QByteArray id
                    = defs.ids.take("dc" + QByteArray::number(defs.computers.size() + 1));
                defs.computerByKey.insert(key, id);
                defs.computerIds << id;
                defs.computers << ComputerInfo { dive.computer, dive.serial };
            }
        }
        // One mix per gas, shared by the dives whose gas has the same fractions and name (a
        // mix of another name would come back under the first one's); two gases of one dive
        // that are alike stay two mixes so that switches between them survive.
        QList<QByteArray> mixIds;
        QHash<QString, int> seen;
        for (const DiveGas& gas : dive.gases) {
            DiveGas named = gas;
            if (named.name.isEmpty())
                DiveProfile::gasName(named);
            const QString fractions = QStringLiteral("%1_%2").arg(gas.o2).arg(gas.he);
            const QString identity = fractions + QChar(0) + named.name;
            const int occurrence = seen.value(identity, 0);
            seen[identity] = occurrence + 1;
            const QString key = identity + QChar(0) + QString::number(occurrence);
            if (!defs.mixByKey.contains(key)) {
                const QByteArray id = defs.ids.take("mix" + fractions.toLatin1());
                defs.mixByKey.insert(key, id);
                defs.mixIds << id;
                defs.mixes << named;
            }
            mixIds << defs.mixByKey.value(key);
        }
        defs.diveMixIds << mixIds;
        const QString site = siteKey(dive);
        if (!site.isEmpty() && !defs.siteByKey.contains(site)) {
            const QByteArray id = defs.ids.take("site" + QByteArray::number(defs.sites.size() + 1));
            defs.siteByKey.insert(site, id);
            defs.sites.append({ id, &dive });
        }
        for (const QString& buddy : dive.buddies) {
            const QString name = buddy.trimmed();
            if (name.isEmpty() || defs.buddyByName.contains(name))
                continue;
            const QByteArray id
                = defs.ids.take("buddy" + QByteArray::number(defs.buddies.size() + 1));
            defs.buddyByName.insert(name, id);
            defs.buddies.append({ id, name });
        }
    }
    return defs;
}

// A person: the schema asks for a first and a last name; a name of one word is a first name.
void writePersonal(QByteArray& out, const QString& name)
{
    const QString trimmed = name.trimmed();
    const qsizetype space = trimmed.lastIndexOf(QLatin1Char(' '));
    out += "<personal>";
    element(out, "firstname", xmlText(space < 0 ? trimmed : trimmed.left(space).trimmed()));
    element(out, "lastname", xmlText(space < 0 ? QString() : trimmed.mid(space + 1)));
    out += "</personal>";
}

// A site with its place where the dive knows it: the schema's geography needs a location and
// an address a country.
void writeSite(QByteArray& out, const QByteArray& id, const DiveDetails& details)
{
    out += "<site id=\"" + id + "\">";
    element(out, "name", xmlText(details.site.trimmed()));
    if (!details.location.isEmpty() || !details.country.isEmpty() || details.position) {
        out += "<geography>";
        element(out, "location", xmlText(details.location));
        if (!details.country.isEmpty()) {
            out += "<address>";
            element(out, "country", xmlText(details.country));
            out += "</address>";
        }
        if (details.position) {
            element(out, "latitude", number(details.position->latitude));
            element(out, "longitude", number(details.position->longitude));
        }
        out += "</geography>";
    }
    out += "</site>\n";
}

void writeDiverAndSites(QByteArray& out, const Definitions& defs)
{
    out += "<diver>\n<owner id=\"owner\">";
    writePersonal(out, QString());
    if (!defs.computers.isEmpty()) {
        out += "\n<equipment>\n";
        for (qsizetype i = 0; i < defs.computers.size(); ++i) {
            out += "<divecomputer id=\"" + defs.computerIds.at(i) + "\">";
            element(out, "name", xmlText(defs.computers.at(i).name));
            if (!defs.computers.at(i).serial.isEmpty())
                element(out, "serialnumber", xmlText(defs.computers.at(i).serial));
            out += "</divecomputer>\n";
        }
        out += "</equipment>\n";
    }
    out += "</owner>\n";
    for (const auto& [id, name] : defs.buddies) {
        out += "<buddy id=\"" + id + "\">";
        writePersonal(out, name);
        out += "</buddy>\n";
    }
    out += "</diver>\n";
    if (!defs.sites.isEmpty()) {
        out += "<divesite>\n";
        for (const auto& [id, details] : defs.sites)
            writeSite(out, id, *details);
        out += "</divesite>\n";
    }
    if (!defs.mixes.isEmpty()) {
        out += "<gasdefinitions>\n";
        for (qsizetype i = 0; i < defs.mixes.size(); ++i) {
            const DiveGas& gas = defs.mixes.at(i);
            out += "<mix id=\"" + defs.mixIds.at(i) + "\">";
            element(out, "name", xmlText(gas.name));
            element(out, "o2", number(gas.o2 / 100.0));
            element(out, "he", number(gas.he / 100.0));
            out += "</mix>\n";
        }
        out += "</gasdefinitions>\n";
    }
}

// The schema's alarm words for the sample's alert bits (bits 0-1 ceiling, 2 rapid ascent,
// 3 Pmax), each level kept in the alarm's level attribute. Yoyo bits are not written: the
// schema has no word for them, "ascent" would read back as a rapid ascent, and the yoyo
// analysis finds them again in the profile.
void writeAlarms(QByteArray& out, quint8 flags)
{
    auto alarm = [&out](const char* word, int level) {
        out += "<alarm level=\"" + QByteArray::number(level) + "\">";
        out += word;
        out += "</alarm>";
    };
    if (flags & 0x03)
        alarm("deco", flags & 0x03);
    if (flags & 0x04)
        alarm("ascent", 1);
    if (flags & 0x08)
        alarm("error", 2);
}

// Waypoint children in the schema's order: alarm, cns, decostop, depth, divetime, otu, setpo2,
// switchmix, temperature, divemode.
void writeWaypoints(QByteArray& out, const DiveProfile& dive, const QList<QByteArray>& mixIds)
{
    out += "<samples>\n";
    qint32 gasInUse = -1;
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const DiveSample& sample = dive.samples.at(i);
        out += "<waypoint>";
        if (sample.alertFlags != 0)
            writeAlarms(out, sample.alertFlags);
        if (sample.cns != 0.0)
            element(out, "cns", number(sample.cns));
        if (sample.decoCeiling > 0.0) {
            // The stop lasts, as far as this profile tells, until the next waypoint.
            const double duration = i + 1 < dive.samples.size()
                ? std::max(0.0, dive.samples.at(i + 1).time - sample.time)
                : 0.0;
            out += "<decostop kind=\"mandatory\" decodepth=\"" + number(sample.decoCeiling)
                + "\" duration=\"" + number(duration) + "\"/>";
        }
        element(out, "depth", number(sample.depth));
        // Whole seconds, as other software expects them.
        element(out, "divetime", wholeSeconds(sample.time));
        if (sample.otu != 0.0)
            element(out, "otu", number(sample.otu));
        // Setpoints of a closed-circuit dive where they change, in pascal; the setpoint stays
        // in use until the next one, or until the waypoint that switches to open circuit.
        const quint16 setpointBefore = i > 0 ? dive.samples.at(i - 1).setpointMbar : 0;
        const bool closed = dive.diveMode == 1;
        if (closed && sample.setpointMbar != 0 && sample.setpointMbar != setpointBefore)
            out += "<setpo2 setby=\"computer\">" + number(sample.setpointMbar * 100.0)
                + "</setpo2>";
        // A switchmix where the gas changes; the gas stays in use until the next one.
        if (sample.gasIndex >= 0 && sample.gasIndex < mixIds.size()
            && sample.gasIndex != gasInUse) {
            gasInUse = sample.gasIndex;
            out += "<switchmix ref=\"" + mixIds.at(gasInUse) + "\"/>";
        }
        element(out, "temperature", number(sample.temperature + kKelvinOffset));
        if (closed && (i == 0 || (sample.setpointMbar == 0) != (setpointBefore == 0))) {
            const bool open = i > 0 && sample.setpointMbar == 0;
            out += open ? "<divemode type=\"opencircuit\"/>" : "<divemode type=\"closedcircuit\"/>";
        }
        out += "</waypoint>\n";
    }
    out += "</samples>\n";
}

void writeDive(QByteArray& out, const DiveProfile& dive, const QByteArray& id,
    const QList<QByteArray>& mixIds, const Definitions& defs)
{
    out += "<dive id=\"" + id + "\">\n<informationbeforedive>";
    const QByteArray computer = defs.computerByKey.value(dive.computer + QChar(0) + dive.serial);
    if (!computer.isEmpty())
        out += "<link ref=\"" + computer + "\"/>";
    const QByteArray site = defs.siteByKey.value(siteKey(dive));
    if (!site.isEmpty())
        out += "<link ref=\"" + site + "\"/>";
    for (const QString& buddy : dive.buddies) {
        const QByteArray ref = defs.buddyByName.value(buddy.trimmed());
        if (!ref.isEmpty())
            out += "<link ref=\"" + ref + "\"/>";
    }
    if (dive.number > 0)
        element(out, "divenumber", QByteArray::number(dive.number));
    // The schema asks for a start in every dive; an unknown one is written as 1970-01-01,
    // which reads back as unknown.
    QString start = formatUddfDateTime(dive.dateTime);
    if (start.isEmpty())
        start = formatUddfDateTime(0);
    element(out, "datetime", start.toLatin1());
    out += "</informationbeforedive>\n";

    for (const DiveProfile::TankPressure& tank : dive.tanks) {
        out += "<tankdata>";
        if (tank.gasIndex >= 0 && tank.gasIndex < mixIds.size())
            out += "<link ref=\"" + mixIds.at(tank.gasIndex) + "\"/>";
        element(out, "tankpressurebegin", number(tank.startBar * kPascalPerBar));
        element(out, "tankpressureend", number(tank.endBar * kPascalPerBar));
        out += "</tankdata>\n";
    }
    if (!dive.samples.isEmpty())
        writeWaypoints(out, dive, mixIds);

    double greatestDepth = 0.0;
    double lastTime = 0.0;
    double lowestC = dive.samples.isEmpty() ? 0.0 : dive.samples.constFirst().temperature;
    for (const DiveSample& s : dive.samples) {
        greatestDepth = std::max(greatestDepth, s.depth);
        lastTime = std::max(lastTime, s.time);
        lowestC = std::min(lowestC, s.temperature);
    }
    if (dive.samples.isEmpty()) {
        // A dive without a profile keeps its summary.
        greatestDepth = dive.maxDepth;
        lastTime = dive.duration;
    }
    out += "<informationafterdive>";
    if (!dive.samples.isEmpty())
        element(out, "lowesttemperature", number(lowestC + kKelvinOffset));
    if (dive.samples.isEmpty() && dive.meanDepth > 0)
        element(out, "averagedepth", number(dive.meanDepth));
    element(out, "greatestdepth", number(greatestDepth));
    if (!dive.notes.isEmpty()) {
        out += "<notes>";
        for (const QString& para : dive.notes.split(QLatin1Char('\n')))
            element(out, "para", xmlText(para));
        out += "</notes>";
    }
    element(out, "diveduration", wholeSeconds(lastTime));
    out += "</informationafterdive>\n</dive>\n";
}

// The dive's name as an XML id: unchanged where it is one (and plainAllowed), else escaped.
QByteArray escapedDiveId(const QString& name, bool plainAllowed)
{
    bool plain = plainAllowed && !name.isEmpty()
        && (isAsciiLetter(name.at(0).unicode()) || name.at(0) == '_')
        && !name.startsWith(QLatin1String(kEscapedIdPrefix));
    for (qsizetype i = 0; plain && i < name.size(); ++i) {
        const char16_t u = name.at(i).unicode();
        plain = isAsciiLetter(u) || isAsciiDigit(u) || u == '-' || u == '.' || u == '_';
    }
    if (plain)
        return name.toLatin1();
    // Letters, digits and '.' stay; everything else becomes '_' and four hex digits, so that
    // the name reads back exactly, and '-' is free to mark a number added against a clash.
    QByteArray id(kEscapedIdPrefix);
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (isAsciiLetter(u) || isAsciiDigit(u) || u == '.')
            id += char(u);
        else
            id += '_' + QByteArray::number(u, 16).rightJustified(4, '0');
    }
    return id;
}

} // namespace

QByteArray UDDF::diveIdOf(const QString& name)
{
    return escapedDiveId(name, true);
}

QString UDDF::diveNameOf(const QByteArray& id)
{
    const qsizetype prefix = qsizetype(std::strlen(kEscapedIdPrefix));
    if (!id.startsWith(kEscapedIdPrefix))
        return QString::fromUtf8(id);
    QString name;
    for (qsizetype i = prefix; i < id.size(); ++i) {
        const char c = id.at(i);
        if (c == '-') // a number added against a clash
            break;
        if (c == '_' && i + 4 < id.size()) {
            bool ok = false;
            const ushort u = id.mid(i + 1, 4).toUShort(&ok, 16);
            if (ok) {
                name += QChar(u);
                i += 4;
                continue;
            }
        }
        name += QLatin1Char(c);
    }
    return name;
}

QByteArray UDDF::toDocument(const DiveProfile& dive)
{
    return toDocument(QList<DiveProfile> { dive });
}

QByteArray UDDF::toDocument(const QList<DiveProfile>& dives)
{
    Definitions defs = collectDefinitions(dives);
    QByteArray out;
    qsizetype samples = 0;
    for (const DiveProfile& dive : dives)
        samples += dive.samples.size();
    out.reserve(2048 + samples * 120);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<uddf xmlns=\"";
    out += kUddfNamespace;
    out += "\" version=\"3.2.2\">\n<generator>";
    element(out, "name", "VeltraDesktop");
    element(out, "type", "logbook");
    element(out, "version", VELTRA_VERSION);
    element(out, "datetime", formatUddfDateTime(QDateTime::currentSecsSinceEpoch()).toLatin1());
    out += "</generator>\n";
    writeDiverAndSites(out, defs);

    // Group and dive ids after all others, so that a dive named like one of them ("owner",
    // "dc1") gets a number added instead of a clash.
    QList<QByteArray> diveIds;
    for (const DiveProfile& dive : dives) {
        const QString name = dive.name.isEmpty() ? QStringLiteral("dive") : dive.name;
        QByteArray id = diveIdOf(name);
        // A name taken as it is gets the escaped form, where a number can follow it.
        if (defs.ids.contains(id))
            id = escapedDiveId(name, false);
        diveIds << defs.ids.take(id);
    }
    if (!dives.isEmpty()) {
        // One repetition group per dive: the program does not record surface intervals.
        out += "<profiledata>\n";
        for (qsizetype i = 0; i < dives.size(); ++i) {
            QByteArray group = "group" + QByteArray::number(i + 1);
            while (defs.ids.contains(group))
                group += '_';
            defs.ids.take(group);
            out += "<repetitiongroup id=\"" + group + "\">\n";
            writeDive(out, dives.at(i), diveIds.at(i), defs.diveMixIds.at(i), defs);
            out += "</repetitiongroup>\n";
        }
        out += "</profiledata>\n";
    }
    out += "</uddf>\n";
    return out;
}

bool UDDF::write(const QString& path, DiveProfile& dive)
{
    return writeDives(path, { dive });
}

bool UDDF::writeDives(const QString& path, const QList<DiveProfile>& dives)
{
    const QByteArray document = toDocument(dives);
    // The previous file stays in place unless the new one was written whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return finish(Status::CannotOpen);
    // commit() misses a failure while it flushes the buffered bytes and would put the short
    // file in place of the old one: flush first and check it.
    if (file.write(document) != document.size() || !file.flush() || !file.commit())
        return finish(Status::WriteFailed);
    return finish(Status::Ok);
}

bool UDDF::finish(Status status)
{
    m_status = status;
    setErrorString(statusText(status));
    return status == Status::Ok;
}

QString UDDF::statusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::CannotOpen:
        return tr("The UDDF file cannot be opened.");
    case Status::TooLarge:
        return tr("The file is too large to be a UDDF dive file.");
    case Status::NotXml:
        return tr("The file is not a well-formed XML document (cut short or damaged).");
    case Status::NotUddf:
        return tr("The XML document is not a UDDF file.");
    case Status::WriteFailed:
        return tr("The UDDF file could not be written completely.");
    case Status::NoDive:
        return tr("The UDDF file holds no dive.");
    }
    return QString();
}
