#include "fileio/uddf.h"

#include "dive/diveprofile.h"
#include "fileio/uddfdatetime.h"
#include "fileio/xmlpathdocument.h"

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
#include <map>
#include <tinyxml2.h>

using tinyxml2::XMLElement;

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

// The sample alert flags of one <alarm>: the standard's words, or the flag byte this program
// writes (bits 0-1 ceiling, 2 rapid ascent, 3 Pmax, 4-5 yoyo). Unknown words add nothing.
quint8 alarmAlertFlags(const char* text)
{
    if (!text)
        return 0;
    const QByteArray word = QByteArray(text).trimmed();
    if (word == "ascent")
        return 0x04;
    if (word == "deco")
        return 0x03;
    bool number = false;
    const int flags = word.toInt(&number);
    return number && flags >= 0 && flags <= 255 ? quint8(flags) : 0;
}

UDDF::Status statusOf(XmlPathDocument::Status status)
{
    switch (status) {
    case XmlPathDocument::Status::Ok:
        return UDDF::Status::Ok;
    case XmlPathDocument::Status::CannotOpen:
        return UDDF::Status::CannotOpen;
    case XmlPathDocument::Status::TooLarge:
        return UDDF::Status::TooLarge;
    case XmlPathDocument::Status::NotXml:
        return UDDF::Status::NotXml;
    case XmlPathDocument::Status::WrongRoot:
        return UDDF::Status::NotUddf;
    }
    return UDDF::Status::NotXml;
}

// A gas fraction (0.32) as whole percent, rounded: truncation turned 0.29 into 28 %.
qint32 percentOf(double fraction)
{
    return qint32(std::lround(std::clamp(fraction * 100.0, 0.0, 100.0)));
}

QByteArray refOf(const XMLElement* element)
{
    const char* ref = element ? element->Attribute("ref") : nullptr;
    return ref ? QByteArray(ref) : QByteArray();
}

// ---- Reading

struct ComputerInfo
{
    QString name;
    QString serial;
};

// What the dives of a file refer to by id.
struct FileDefinitions
{
    QHash<QByteArray, ComputerInfo> computers;
    bool hasComputer = false;
    // The computer of dives that link none, in files whose dives link no computer at all (in
    // files that do, such a dive names no computer).
    ComputerInfo firstComputer;
    bool linksComputers = false;
    int diveCount = 0;
    QList<DiveGas> mixes;
    QHash<QByteArray, int> mixIndex; // the first mix of an id wins
    QHash<QByteArray, QString> sites;
    QHash<QByteArray, QString> buddies;
};

QString personName(const XmlPathDocument& doc, const XMLElement* person)
{
    const XMLElement* personal = doc.elementAt("personal", person);
    QStringList parts;
    for (const char* part : { "firstname", "middlename", "lastname" }) {
        const QString text = doc.textAt(part, personal).trimmed();
        if (personal && !text.isEmpty())
            parts << text;
    }
    return parts.join(QLatin1Char(' '));
}

void readComputers(const XmlPathDocument& doc, FileDefinitions& defs)
{
    doc.forEachChild("diver/owner/equipment", [&](const XMLElement* piece, bool&) {
        if (!XmlPathDocument::nameIs(piece, "divecomputer"))
            return;
        ComputerInfo info { doc.textAt("name", piece), doc.textAt("serialnumber", piece) };
        if (!defs.hasComputer) {
            defs.firstComputer = info;
            defs.hasComputer = true;
        }
        const char* id = piece->Attribute("id");
        if (id && !defs.computers.contains(id))
            defs.computers.insert(id, info);
    });
}

void readMixes(const XmlPathDocument& doc, FileDefinitions& defs)
{
    doc.forEachChild("gasdefinitions", [&](const XMLElement* mix, bool&) {
        if (!XmlPathDocument::nameIs(mix, "mix"))
            return;
        DiveGas gas;
        gas.id = XmlPathDocument::attribute(mix, "id", QString());
        gas.name = doc.textAt("name", mix);
        gas.o2 = percentOf(doc.doubleAt("o2", 0.21, mix));
        gas.he = percentOf(doc.doubleAt("he", 0.0, mix));
        const QByteArray id = gas.id.toUtf8();
        if (!defs.mixIndex.contains(id))
            defs.mixIndex.insert(id, int(defs.mixes.size()));
        defs.mixes.append(gas);
    });
}

void readSitesAndBuddies(const XmlPathDocument& doc, FileDefinitions& defs)
{
    doc.forEachChild("divesite", [&](const XMLElement* site, bool&) {
        const char* id = site->Attribute("id");
        if (id && XmlPathDocument::nameIs(site, "site"))
            defs.sites.insert(id, doc.textAt("name", site).trimmed());
    });
    doc.forEachChild("diver", [&](const XMLElement* buddy, bool&) {
        const char* id = buddy->Attribute("id");
        if (id && XmlPathDocument::nameIs(buddy, "buddy"))
            defs.buddies.insert(id, personName(doc, buddy));
    });
}

// First and last pressure a waypoint gave for one tank reference.
struct TankTrace
{
    double firstPa = 0;
    double lastPa = 0;
};

// The waypoints of one dive. Gas indexes refer to the file's mixes; the gas of a switch stays
// until the next one.
struct WaypointResult
{
    QList<DiveSample> samples;
    std::map<QByteArray, TankTrace> tanks; // by reference, in reference order
};

WaypointResult readWaypoints(
    const XMLElement* samplesElement, const FileDefinitions& defs, quint8 periodS)
{
    WaypointResult result;
    QList<DiveSample>& samples = result.samples;
    double temperatureC = 20.0;
    double previousDepth = 0.0;
    qint32 gas = -1;
    for (const XMLElement* waypoint
         = samplesElement ? samplesElement->FirstChildElement() : nullptr;
         waypoint; waypoint = waypoint->NextSiblingElement()) {
        // One pass over the waypoint's children; the first of each name counts. Long dives
        // have tens of thousands of waypoints, so no path lookups here.
        const XMLElement* timeElement = nullptr;
        const XMLElement* depthElement = nullptr;
        const XMLElement* temperatureElement = nullptr;
        const XMLElement* cnsElement = nullptr;
        const XMLElement* otuElement = nullptr;
        const XMLElement* stopElement = nullptr;
        const XMLElement* mixElement = nullptr;
        quint8 alarmFlags = 0;
        for (const XMLElement* child = waypoint->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            const char* name = XmlPathDocument::localName(child);
            const XMLElement** slot = nullptr;
            if (std::strcmp(name, "divetime") == 0)
                slot = &timeElement;
            else if (std::strcmp(name, "depth") == 0)
                slot = &depthElement;
            else if (std::strcmp(name, "temperature") == 0)
                slot = &temperatureElement;
            else if (std::strcmp(name, "cns") == 0)
                slot = &cnsElement;
            else if (std::strcmp(name, "otu") == 0)
                slot = &otuElement;
            else if (std::strcmp(name, "decostop") == 0)
                slot = &stopElement;
            else if (std::strcmp(name, "switchmix") == 0)
                slot = &mixElement;
            else if (std::strcmp(name, "alarm") == 0)
                alarmFlags |= alarmAlertFlags(child->GetText());
            else if (std::strcmp(name, "tankpressure") == 0) {
                const auto pa = XmlPathDocument::parseNumber(child->GetText());
                if (pa && *pa > 0.0) {
                    const QByteArray ref = refOf(child);
                    auto found = result.tanks.find(ref);
                    if (found == result.tanks.end())
                        result.tanks.emplace(ref, TankTrace { *pa, *pa });
                    else
                        found->second.lastPa = *pa;
                }
            }
            if (slot && !*slot)
                *slot = child;
        }

        const char* ref = mixElement ? mixElement->Attribute("ref") : nullptr;
        if (ref && *ref) {
            const auto found = defs.mixIndex.constFind(
                QByteArray::fromRawData(ref, qsizetype(std::strlen(ref))));
            if (found != defs.mixIndex.constEnd())
                gas = found.value();
        }
        if (!timeElement)
            continue;
        // UDDF allows real seconds ("10.0"): parse as a number and round. Text that is no
        // number counts as 0 s.
        const double time
            = std::round(XmlPathDocument::parseNumber(timeElement->GetText()).value_or(0.0)) + 0.0;
        if (time < 0.0)
            continue;
        // A waypoint without a (readable) depth stays at the previous depth.
        const double depth = depthElement
            ? XmlPathDocument::parseNumber(depthElement->GetText()).value_or(previousDepth)
            : previousDepth;
        previousDepth = depth;

        if (temperatureElement) {
            const double kelvin
                = XmlPathDocument::parseNumber(temperatureElement->GetText()).value_or(0.0);
            if (kelvin > 0.0)
                temperatureC = kelvin - kKelvinOffset;
        }

        DiveSample sample;
        sample.time = time;
        sample.depth = depth;
        sample.temperature = temperatureC;
        sample.alertFlags = alarmFlags;
        sample.gasIndex = gas;
        if (cnsElement)
            sample.cns = XmlPathDocument::parseNumber(cnsElement->GetText()).value_or(0.0);
        if (otuElement)
            sample.otu = XmlPathDocument::parseNumber(otuElement->GetText()).value_or(0.0);
        if (stopElement)
            sample.decoCeiling
                = XmlPathDocument::parseNumber(stopElement->Attribute("decodepth")).value_or(0.0);
        if (samples.isEmpty() && time >= 1.0) {
            // The dive starts at the surface, on the gas of its first waypoint.
            DiveSample surface;
            surface.temperature = temperatureC;
            surface.gasIndex = gas;
            samples.append(surface);
        }
        samples.append(sample);
    }

    // Close the dive at the surface, one sample period after the last waypoint: the same time
    // twice would put a zero time step into the speeds.
    if (!samples.isEmpty() && samples.constLast().depth != 0.0) {
        DiveSample closing = samples.constLast();
        closing.depth = 0.0;
        closing.time += std::max<int>(periodS, 1);
        samples.append(closing);
    }
    return result;
}

// The references of a dive to computers, sites and buddies: links in informationbeforedive,
// in its equipmentused, and directly under the dive.
QList<QByteArray> diveLinks(const XmlPathDocument& doc, const XMLElement* diveElement)
{
    QList<QByteArray> refs;
    const XMLElement* before = doc.elementAt("informationbeforedive", diveElement);
    for (const XMLElement* parent :
        { diveElement, before, doc.elementAt("equipmentused", before) }) {
        for (const XMLElement* child = parent ? parent->FirstChildElement() : nullptr; child;
             child = child->NextSiblingElement()) {
            if (XmlPathDocument::nameIs(child, "link"))
                refs << refOf(child);
        }
    }
    return refs;
}

QString notesOf(const XmlPathDocument& doc, const XMLElement* diveElement)
{
    QStringList paragraphs;
    doc.forEachChild(
        "informationafterdive/notes",
        [&](const XMLElement* para, bool&) {
            const char* text = XmlPathDocument::nameIs(para, "para") ? para->GetText() : nullptr;
            if (text)
                paragraphs << QString::fromUtf8(text).trimmed();
        },
        diveElement);
    return paragraphs.join(QLatin1Char('\n'));
}

// The dive's gases: the mixes it switches to or links a tank to, in the order the file defines
// them (this program's files define a dive's gases in its own order). The only dive of a file
// that names no mix takes every mix of the file (one cannot tell which it breathed), and with a
// single mix its samples breathe it.
void assignGases(const FileDefinitions& defs, DiveProfile& dive)
{
    QList<int> fileIndexes;
    for (const DiveSample& s : dive.samples) {
        if (s.gasIndex >= 0 && !fileIndexes.contains(s.gasIndex))
            fileIndexes << s.gasIndex;
    }
    for (const DiveProfile::TankPressure& tank : dive.tanks) {
        if (tank.gasIndex >= 0 && !fileIndexes.contains(tank.gasIndex))
            fileIndexes << tank.gasIndex;
    }
    std::sort(fileIndexes.begin(), fileIndexes.end());
    if (fileIndexes.isEmpty() && defs.diveCount == 1) {
        dive.gases = defs.mixes;
        if (defs.mixes.size() == 1) {
            for (DiveSample& s : dive.samples)
                s.gasIndex = 0;
        }
        return;
    }
    for (const int i : fileIndexes)
        dive.gases.append(defs.mixes.at(i));
    for (DiveSample& s : dive.samples)
        s.gasIndex = qint32(fileIndexes.indexOf(s.gasIndex));
    for (DiveProfile::TankPressure& tank : dive.tanks)
        tank.gasIndex = int(fileIndexes.indexOf(tank.gasIndex));
}

// Tank pressures from tankdata, or, where the dive has none, from the first and last pressure
// its waypoints give per tank. A waypoint's pressure refers to a tankdata id (whose link names
// the mix), or, in some files, to the mix itself. Gas indexes still refer to the file's mixes.
void readTanks(const XmlPathDocument& doc, const XMLElement* diveElement,
    const FileDefinitions& defs, const WaypointResult& waypoints,
    QList<DiveProfile::TankPressure>& tanks)
{
    auto mixOf = [&defs](const QByteArray& ref) { return defs.mixIndex.value(ref, -1); };
    QHash<QByteArray, QByteArray> tankMixes; // tankdata id -> mix reference
    for (const XMLElement* child = diveElement->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        if (!XmlPathDocument::nameIs(child, "tankdata"))
            continue;
        const QByteArray mixRef = refOf(doc.elementAt("link", child));
        const char* id = child->Attribute("id");
        if (id && *id && !tankMixes.contains(id))
            tankMixes.insert(id, mixRef);
        const auto begin = doc.numberAt("tankpressurebegin", child);
        if (!begin)
            continue;
        DiveProfile::TankPressure tank;
        tank.gasIndex = mixOf(mixRef);
        tank.startBar = *begin / kPascalPerBar;
        tank.endBar = doc.numberAt("tankpressureend", child).value_or(0.0) / kPascalPerBar;
        tanks.append(tank);
    }
    if (!tanks.isEmpty())
        return;
    for (const auto& [ref, trace] : waypoints.tanks) {
        const int mix = defs.mixIndex.contains(ref) ? mixOf(ref) : mixOf(tankMixes.value(ref));
        tanks.append({ mix, trace.firstPa / kPascalPerBar, trace.lastPa / kPascalPerBar });
    }
}

// One dive element. Returns the reason when the dive cannot be taken (the profile is then
// partly filled and must be dropped).
QString readDive(const XmlPathDocument& doc, const XMLElement* diveElement,
    const FileDefinitions& defs, int position, DiveProfile& dive)
{
    const XMLElement* before = doc.elementAt("informationbeforedive", diveElement);
    const QString start = doc.textAt("datetime", before).trimmed();
    dive.dateTime = before ? parseUddfDateTime(start) : 0;
    // A dive without an id is named after its start, which tells it apart from its neighbours.
    const char* id = diveElement->Attribute("id");
    if (id && *id)
        dive.name = UDDF::diveNameOf(QByteArray(id));
    else if (!start.isEmpty())
        dive.name = start;
    else
        dive.name = QCoreApplication::translate("UDDF", "Dive %1").arg(position);
    dive.number = std::max(0, doc.intAt("divenumber", 0, before));

    bool linkedComputer = false;
    for (const QByteArray& ref : diveLinks(doc, diveElement)) {
        if (!linkedComputer && defs.computers.contains(ref)) {
            const ComputerInfo& info = defs.computers[ref];
            dive.computer = info.name;
            dive.serial = info.serial;
            linkedComputer = true;
        } else if (dive.site.isEmpty() && defs.sites.contains(ref)) {
            dive.site = defs.sites[ref];
        } else if (defs.buddies.contains(ref) && !defs.buddies[ref].isEmpty()) {
            dive.buddies << defs.buddies[ref];
        }
    }
    if (!linkedComputer && defs.hasComputer && !defs.linksComputers) {
        dive.computer = defs.firstComputer.name;
        dive.serial = defs.firstComputer.serial;
    }
    dive.notes = notesOf(doc, diveElement);

    WaypointResult waypoints
        = readWaypoints(doc.elementAt("samples", diveElement), defs, dive.period);
    if (waypoints.samples.isEmpty())
        return QCoreApplication::translate("UDDF", "the dive has no samples");
    dive.samples = std::move(waypoints.samples);
    readTanks(doc, diveElement, defs, waypoints, dive.tanks);

    assignGases(defs, dive);
    return QString();
}

UDDF::Status readDocument(
    const XmlPathDocument& doc, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    FileDefinitions defs;
    readComputers(doc, defs);
    readMixes(doc, defs);
    readSitesAndBuddies(doc, defs);

    doc.forEachChild("profiledata", [&](const XMLElement* group, bool&) {
        for (const XMLElement* element = group->FirstChildElement(); element;
             element = element->NextSiblingElement()) {
            defs.diveCount += XmlPathDocument::nameIs(element, "dive") ? 1 : 0;
            for (const QByteArray& ref : diveLinks(doc, element))
                defs.linksComputers = defs.linksComputers || defs.computers.contains(ref);
        }
    });

    QList<DiveProfile> read;
    QList<RefusedDive> notRead;
    int position = 0;
    doc.forEachChild("profiledata", [&](const XMLElement* group, bool&) {
        if (!XmlPathDocument::nameIs(group, "repetitiongroup"))
            return;
        for (const XMLElement* element = group->FirstChildElement(); element;
             element = element->NextSiblingElement()) {
            if (!XmlPathDocument::nameIs(element, "dive"))
                continue;
            DiveProfile dive;
            const QString reason = readDive(doc, element, defs, ++position, dive);
            if (reason.isEmpty())
                read.append(std::move(dive));
            else
                notRead.append({ dive.name, reason });
        }
    });
    if (position == 0)
        return UDDF::Status::NoDive;
    dives = std::move(read);
    refused = std::move(notRead);
    return UDDF::Status::Ok;
}

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
    QList<QPair<QByteArray, QString>> sites;
    QHash<QString, QByteArray> siteByName;
    QList<QPair<QByteArray, QString>> buddies;
    QHash<QString, QByteArray> buddyByName;
    // Per dive: the mix id of each of its gases.
    QList<QList<QByteArray>> diveMixIds;
};

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
        const QString site = dive.site.trimmed();
        if (!site.isEmpty() && !defs.siteByName.contains(site)) {
            const QByteArray id = defs.ids.take("site" + QByteArray::number(defs.sites.size() + 1));
            defs.siteByName.insert(site, id);
            defs.sites.append({ id, site });
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
        for (const auto& [id, name] : defs.sites) {
            out += "<site id=\"" + id + "\">";
            element(out, "name", xmlText(name));
            out += "</site>\n";
        }
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

// Waypoint children in the schema's order: alarm, cns, decostop, depth, divetime, otu,
// switchmix, temperature.
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
        // A switchmix where the gas changes; the gas stays in use until the next one.
        if (sample.gasIndex >= 0 && sample.gasIndex < mixIds.size()
            && sample.gasIndex != gasInUse) {
            gasInUse = sample.gasIndex;
            out += "<switchmix ref=\"" + mixIds.at(gasInUse) + "\"/>";
        }
        element(out, "temperature", number(sample.temperature + kKelvinOffset));
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
    const QByteArray site = defs.siteByName.value(dive.site.trimmed());
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
    out += "<informationafterdive>";
    if (!dive.samples.isEmpty())
        element(out, "lowesttemperature", number(lowestC + kKelvinOffset));
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

bool UDDF::read(const QString& path, DiveProfile& dive)
{
    QList<DiveProfile> dives;
    QList<RefusedDive> refused;
    if (!readDives(path, dives, refused))
        return false;
    if (dives.isEmpty()) {
        setErrorString(refused.isEmpty()
                ? statusText(Status::NoDive)
                : refused.constFirst().name + QLatin1String(": ") + refused.constFirst().reason);
        m_status = Status::NoDive;
        return false;
    }
    dive = std::move(dives.first());
    return true;
}

bool UDDF::readDives(const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    XmlPathDocument doc;
    if (!doc.load(path, "uddf"))
        return finish(statusOf(doc.status()));
    return finish(readDocument(doc, dives, refused));
}

UDDF::Status UDDF::readAllData(
    const QByteArray& data, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    XmlPathDocument doc;
    if (!doc.loadFromData(data, "uddf"))
        return statusOf(doc.status());
    return readDocument(doc, dives, refused);
}

UDDF::Status UDDF::readData(const QByteArray& data, DiveProfile& dive)
{
    QList<DiveProfile> dives;
    QList<RefusedDive> refused;
    const Status status = readAllData(data, dives, refused);
    if (status != Status::Ok)
        return status;
    if (dives.isEmpty())
        return Status::NoDive;
    dive = std::move(dives.first());
    return Status::Ok;
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
