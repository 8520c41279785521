// Reading UDDF files: a stream of the document's top-level parts, each dive expanded and read
// on its own, then what the dives refer to by id (computers, sites, buddies, mixes) resolved
// once the whole file is read, so that the order of the parts does not matter.
#include "dive/diveprofile.h"
#include "fileio/uddf.h"
#include "fileio/uddfdatetime.h"
#include "fileio/xmlpathdocument.h"
#include "fileio/xmlstream.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace {

using XmlTree::attribute;
using XmlTree::nameIs;

const double kPascalPerBar = 100000.0;
const double kKelvinOffset = 273.15;

QString tr(const char* text)
{
    return QCoreApplication::translate("UDDF", text);
}

UDDF::Status statusOf(XmlStream::Status status)
{
    switch (status) {
    case XmlStream::Status::Ok:
        return UDDF::Status::Ok;
    case XmlStream::Status::CannotOpen:
        return UDDF::Status::CannotOpen;
    case XmlStream::Status::TooLarge:
        return UDDF::Status::TooLarge;
    case XmlStream::Status::NotXml:
        return UDDF::Status::NotXml;
    case XmlStream::Status::WrongRoot:
        return UDDF::Status::NotUddf;
    }
    return UDDF::Status::NotXml;
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

// A gas content as whole percent, rounded (truncation turned 0.29 into 28 %). The standard
// asks for fractions, but some writers give whole percent ("21"): values above 1 are percent.
qint32 percentOf(double value)
{
    const double percent = value > 1.0 ? value : value * 100.0;
    return qint32(std::lround(std::clamp(percent, 0.0, 100.0)));
}

QByteArray refOf(const xmlNode* node)
{
    const char* ref = attribute(node, "ref");
    return ref ? QByteArray(ref) : QByteArray();
}

struct ComputerInfo
{
    QString name;
    QString serial;
};

struct SiteInfo
{
    QString name;
    QString location;
    QString country;
    std::optional<GeoPosition> position;
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
    QList<QString> mixFaults; // per mix: why no dive may breathe it, empty when it is a gas
    QHash<QByteArray, int> mixIndex; // the first mix of an id wins
    QHash<QByteArray, SiteInfo> sites;
    QHash<QByteArray, QString> buddies;
    // This program's own files hold each dive sample for sample: nothing is added to them.
    bool ownFile = false;
    // The mix references of switches, numbered as they come.
    QHash<QByteArray, int> switchRefs;
    QList<QByteArray> switchRefNames;
};

// First and last pressure a waypoint gave for one tank reference.
struct TankTrace
{
    double firstPa = 0;
    double lastPa = 0;
};

struct TankData
{
    QByteArray id;
    QByteArray mixRef;
    std::optional<double> beginPa;
    double endPa = 0;
};

// One dive as read, before its references are resolved: its samples' gasIndex numbers a
// switch reference (FileDefinitions::switchRefs), -1 before the first.
struct PendingDive
{
    DiveProfile dive;
    QList<QByteArray> links;
    QList<TankData> tankData;
    std::map<QByteArray, TankTrace> waypointTanks; // by reference, in reference order
    double durationS = -1; // informationafterdive/diveduration, -1 none
    QString refusal;
};

QString personName(const xmlNode* person)
{
    const xmlNode* personal = XmlTree::child(person, "personal");
    QStringList parts;
    for (const char* part : { "firstname", "middlename", "lastname" }) {
        const QString text = XmlTree::textAt(personal, part).trimmed();
        if (!text.isEmpty())
            parts << text;
    }
    return parts.join(QLatin1Char(' '));
}

void readDiver(const xmlNode* diver, FileDefinitions& defs)
{
    XmlTree::forEachChild(XmlTree::elementAt(diver, "owner/equipment"), [&](const xmlNode* piece) {
        if (!nameIs(piece, "divecomputer"))
            return;
        ComputerInfo info { XmlTree::textAt(piece, "name"),
            XmlTree::textAt(piece, "serialnumber") };
        if (!defs.hasComputer) {
            defs.firstComputer = info;
            defs.hasComputer = true;
        }
        const char* id = attribute(piece, "id");
        if (id && !defs.computers.contains(id))
            defs.computers.insert(id, info);
    });
    XmlTree::forEachChild(diver, [&](const xmlNode* buddy) {
        const char* id = attribute(buddy, "id");
        if (id && nameIs(buddy, "buddy"))
            defs.buddies.insert(id, personName(buddy));
    });
}

void readMixes(const xmlNode* definitions, FileDefinitions& defs)
{
    XmlTree::forEachChild(definitions, [&](const xmlNode* mix) {
        if (!nameIs(mix, "mix"))
            return;
        DiveGas gas;
        const char* id = attribute(mix, "id");
        gas.id = QString::fromUtf8(id ? id : "");
        gas.name = XmlTree::textAt(mix, "name");
        // A content that is no number counts as 0; a missing one as air.
        const xmlNode* o2 = XmlTree::child(mix, "o2");
        gas.o2 = percentOf(o2 ? XmlTree::number(o2).value_or(0.0) : 0.21);
        gas.he = percentOf(XmlTree::numberAt(mix, "he").value_or(0.0));
        QString fault;
        if (gas.o2 + gas.he > 100)
            fault = tr("the mix %1 holds %2 % oxygen and %3 % helium, more than 100 %")
                        .arg(gas.name.isEmpty() ? gas.id : gas.name)
                        .arg(gas.o2)
                        .arg(gas.he);
        const QByteArray key = gas.id.toUtf8();
        if (!defs.mixIndex.contains(key))
            defs.mixIndex.insert(key, int(defs.mixes.size()));
        defs.mixes.append(gas);
        defs.mixFaults.append(fault);
    });
}

void readSites(const xmlNode* divesite, FileDefinitions& defs)
{
    XmlTree::forEachChild(divesite, [&](const xmlNode* site) {
        const char* id = attribute(site, "id");
        if (!id || !nameIs(site, "site"))
            return;
        SiteInfo info;
        info.name = XmlTree::textAt(site, "name").trimmed();
        const xmlNode* geography = XmlTree::child(site, "geography");
        info.location = XmlTree::textAt(geography, "location").trimmed();
        info.country = XmlTree::textAt(geography, "address/country").trimmed();
        const auto latitude = XmlTree::numberAt(geography, "latitude");
        const auto longitude = XmlTree::numberAt(geography, "longitude");
        if (latitude && longitude && std::fabs(*latitude) <= 90.0 && std::fabs(*longitude) <= 180.0)
            info.position = GeoPosition { *latitude, *longitude };
        defs.sites.insert(id, info);
    });
}

// The setpoint a <setpo2> gives, in millibar: pascal as the standard asks, or bar where a
// writer gives small numbers.
quint16 setpointMbarOf(const xmlNode* node)
{
    const double value = XmlTree::number(node).value_or(0.0);
    const double bar = value > 100.0 ? value / kPascalPerBar : value;
    return quint16(std::lround(std::clamp(bar, 0.0, 10.0) * 1000.0));
}

// What one waypoint says; the first element of each name counts.
struct Waypoint
{
    const xmlNode* time = nullptr;
    const xmlNode* depth = nullptr;
    const xmlNode* temperature = nullptr;
    const xmlNode* cns = nullptr;
    const xmlNode* otu = nullptr;
    const xmlNode* stop = nullptr;
    const xmlNode* mix = nullptr;
    const xmlNode* setpoint = nullptr;
    const xmlNode* mode = nullptr;
    quint8 alarmFlags = 0;
};

// One pass over the waypoint's children, comparing names only: long dives have tens of
// thousands of waypoints.
Waypoint scanWaypoint(const xmlNode* waypoint, PendingDive& pending)
{
    Waypoint w;
    QByteArray buffer;
    for (const xmlNode* c = waypoint->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE)
            continue;
        const char* name = XmlTree::localName(c);
        const xmlNode** slot = nullptr;
        if (std::strcmp(name, "divetime") == 0)
            slot = &w.time;
        else if (std::strcmp(name, "depth") == 0)
            slot = &w.depth;
        else if (std::strcmp(name, "temperature") == 0)
            slot = &w.temperature;
        else if (std::strcmp(name, "cns") == 0)
            slot = &w.cns;
        else if (std::strcmp(name, "otu") == 0)
            slot = &w.otu;
        else if (std::strcmp(name, "decostop") == 0)
            slot = &w.stop;
        else if (std::strcmp(name, "switchmix") == 0)
            slot = &w.mix;
        else if (std::strcmp(name, "setpo2") == 0)
            slot = &w.setpoint;
        else if (std::strcmp(name, "divemode") == 0)
            slot = &w.mode;
        else if (std::strcmp(name, "alarm") == 0)
            w.alarmFlags |= alarmAlertFlags(XmlTree::text(c, buffer));
        else if (std::strcmp(name, "tankpressure") == 0) {
            const auto pa = XmlTree::number(c);
            if (pa && *pa > 0.0) {
                const QByteArray ref = refOf(c);
                auto found = pending.waypointTanks.find(ref);
                if (found == pending.waypointTanks.end())
                    pending.waypointTanks.emplace(ref, TankTrace { *pa, *pa });
                else
                    found->second.lastPa = *pa;
            }
        }
        if (slot && !*slot)
            *slot = c;
    }
    return w;
}

// The state carried from one waypoint to the next.
struct WaypointState
{
    double temperatureC = 20.0;
    double depth = 0.0;
    qint32 switchRef = -1;
    quint16 setpointMbar = 0;
};

// The sample of one waypoint; false for a waypoint without a (usable) time.
bool sampleOf(const Waypoint& w, FileDefinitions& defs, PendingDive& pending, WaypointState& state,
    DiveSample& sample)
{
    const char* ref = w.mix ? attribute(w.mix, "ref") : nullptr;
    if (ref && *ref) {
        const QByteArray key(ref);
        auto found = defs.switchRefs.constFind(key);
        if (found == defs.switchRefs.constEnd()) {
            found = defs.switchRefs.insert(key, int(defs.switchRefNames.size()));
            defs.switchRefNames << key;
        }
        state.switchRef = found.value();
    }
    if (w.mode) {
        const char* type = attribute(w.mode, "type");
        const bool closed = type && std::strcmp(type, "closedcircuit") == 0;
        if (closed)
            pending.dive.diveMode = 1;
        else
            state.setpointMbar = 0;
    }
    if (w.setpoint)
        state.setpointMbar = setpointMbarOf(w.setpoint);
    if (!w.time)
        return false;
    // UDDF allows real seconds ("10.0"): parse as a number and round. Text that is no number
    // counts as 0 s.
    const double time = std::round(XmlTree::number(w.time).value_or(0.0)) + 0.0;
    if (time < 0.0)
        return false;
    // A waypoint without a (readable) depth stays at the previous depth.
    if (w.depth)
        state.depth = XmlTree::number(w.depth).value_or(state.depth);
    if (w.temperature) {
        const double kelvin = XmlTree::number(w.temperature).value_or(0.0);
        if (kelvin > 0.0)
            state.temperatureC = kelvin - kKelvinOffset;
    }
    sample = DiveSample();
    sample.time = time;
    sample.depth = state.depth;
    sample.temperature = state.temperatureC;
    sample.alertFlags = w.alarmFlags;
    sample.gasIndex = state.switchRef;
    sample.setpointMbar = state.setpointMbar;
    if (w.cns)
        sample.cns = XmlTree::number(w.cns).value_or(0.0);
    if (w.otu)
        sample.otu = XmlTree::number(w.otu).value_or(0.0);
    if (w.stop) {
        const char* decodepth = attribute(w.stop, "decodepth");
        sample.decoCeiling
            = decodepth ? XmlPathDocument::parseNumber(decodepth).value_or(0.0) : 0.0;
    }
    return true;
}

void readWaypoints(const xmlNode* samples, FileDefinitions& defs, PendingDive& pending)
{
    QList<DiveSample>& out = pending.dive.samples;
    WaypointState state;
    DiveSample sample;
    XmlTree::forEachChild(samples, [&](const xmlNode* waypoint) {
        if (!sampleOf(scanWaypoint(waypoint, pending), defs, pending, state, sample))
            return;
        if (out.isEmpty() && sample.time >= 1.0 && !defs.ownFile) {
            // The dive starts at the surface, on the gas of its first waypoint.
            DiveSample surface;
            surface.temperature = sample.temperature;
            surface.gasIndex = sample.gasIndex;
            surface.setpointMbar = sample.setpointMbar;
            out.append(surface);
        }
        out.append(sample);
    });
}

// The references of a dive to computers, sites and buddies: links in informationbeforedive,
// in its equipmentused (before or after the dive), and directly under the dive.
QList<QByteArray> diveLinks(const xmlNode* dive)
{
    QList<QByteArray> refs;
    const xmlNode* before = XmlTree::child(dive, "informationbeforedive");
    const xmlNode* after = XmlTree::child(dive, "informationafterdive");
    for (const xmlNode* parent : { dive, before, XmlTree::child(before, "equipmentused"),
             XmlTree::child(after, "equipmentused") }) {
        XmlTree::forEachChild(parent, [&](const xmlNode* link) {
            if (nameIs(link, "link"))
                refs << refOf(link);
        });
    }
    return refs;
}

QString notesOf(const xmlNode* dive)
{
    QStringList paragraphs;
    QByteArray buffer;
    XmlTree::forEachChild(
        XmlTree::elementAt(dive, "informationafterdive/notes"), [&](const xmlNode* para) {
            const char* text = nameIs(para, "para") ? XmlTree::text(para, buffer) : nullptr;
            if (text)
                paragraphs << QString::fromUtf8(text).trimmed();
        });
    return paragraphs.join(QLatin1Char('\n'));
}

void readTankData(const xmlNode* dive, PendingDive& pending)
{
    XmlTree::forEachChild(dive, [&](const xmlNode* tank) {
        if (!nameIs(tank, "tankdata"))
            return;
        const char* id = attribute(tank, "id");
        pending.tankData.append({ QByteArray(id ? id : ""), refOf(XmlTree::child(tank, "link")),
            XmlTree::numberAt(tank, "tankpressurebegin"),
            XmlTree::numberAt(tank, "tankpressureend").value_or(0.0) });
    });
}

// A dive logged without a profile (by hand, or a stub another program exported) keeps the
// summary the file gives; only a dive with neither samples nor a duration says nothing.
void keepSummary(const xmlNode* element, PendingDive& pending)
{
    DiveProfile& dive = pending.dive;
    const xmlNode* after = XmlTree::child(element, "informationafterdive");
    const auto depth = XmlTree::numberAt(after, "greatestdepth");
    const auto mean = XmlTree::numberAt(after, "averagedepth");
    const bool sane = pending.durationS > 0 && pending.durationS <= 7 * 24 * 3600
        && (!depth || (*depth >= 0 && *depth <= 1000));
    if (!sane) {
        pending.refusal = tr("the dive has no samples and no duration");
        return;
    }
    dive.duration = pending.durationS;
    dive.maxDepth = depth.value_or(0.0);
    dive.meanDepth = mean && *mean >= 0 && *mean <= dive.maxDepth ? *mean : 0.0;
}

// One dive element, as far as it can be read without the rest of the file.
PendingDive readDiveElement(const xmlNode* element, FileDefinitions& defs, int position)
{
    PendingDive pending;
    DiveProfile& dive = pending.dive;
    const xmlNode* before = XmlTree::child(element, "informationbeforedive");
    const QString start = XmlTree::textAt(before, "datetime").trimmed();
    dive.dateTime = before ? parseUddfDateTime(start) : 0;
    // A dive without an id is named after its start, which tells it apart from its neighbours.
    const char* id = attribute(element, "id");
    if (id && *id)
        dive.name = UDDF::diveNameOf(QByteArray(id));
    else if (!start.isEmpty())
        dive.name = start;
    else
        dive.name = tr("Dive %1").arg(position);
    QByteArray buffer;
    const auto number = XmlPathDocument::parseInteger(
        XmlTree::text(XmlTree::child(before, "divenumber"), buffer));
    dive.number
        = number && *number > 0 && *number <= std::numeric_limits<int>::max() ? int(*number) : 0;
    pending.links = diveLinks(element);
    dive.notes = notesOf(element);
    pending.durationS
        = XmlTree::numberAt(element, "informationafterdive/diveduration").value_or(-1.0);
    readWaypoints(XmlTree::child(element, "samples"), defs, pending);
    if (dive.samples.isEmpty())
        keepSummary(element, pending);
    else
        readTankData(element, pending);
    return pending;
}

// Close the dive at the surface where its last waypoint is not: at the duration the file gives
// when that is later, else one sample period after the last waypoint (the same time twice
// would put a zero time step into the speeds).
void closeAtSurface(const FileDefinitions& defs, PendingDive& pending)
{
    QList<DiveSample>& samples = pending.dive.samples;
    if (defs.ownFile || samples.isEmpty() || samples.constLast().depth == 0.0)
        return;
    DiveSample closing = samples.constLast();
    closing.depth = 0.0;
    const double next = closing.time + std::max<int>(pending.dive.period, 1);
    closing.time
        = std::round(pending.durationS) > closing.time ? std::round(pending.durationS) : next;
    samples.append(closing);
}

void resolveLinks(const FileDefinitions& defs, PendingDive& pending)
{
    DiveProfile& dive = pending.dive;
    bool linkedComputer = false;
    for (const QByteArray& ref : pending.links) {
        if (!linkedComputer && defs.computers.contains(ref)) {
            const ComputerInfo& info = defs.computers[ref];
            dive.computer = info.name;
            dive.serial = info.serial;
            linkedComputer = true;
        } else if (dive.site.isEmpty() && defs.sites.contains(ref)) {
            const SiteInfo& site = defs.sites[ref];
            dive.site = site.name;
            dive.location = site.location;
            dive.country = site.country;
            dive.position = site.position;
        } else if (defs.buddies.contains(ref) && !defs.buddies[ref].isEmpty()) {
            dive.buddies << defs.buddies[ref];
        }
    }
    if (!linkedComputer && defs.hasComputer && !defs.linksComputers) {
        dive.computer = defs.firstComputer.name;
        dive.serial = defs.firstComputer.serial;
    }
}

// Switch references become mixes of the file; a switch to an unknown mix keeps the gas before.
void resolveSwitches(const FileDefinitions& defs, DiveProfile& dive)
{
    QList<int> mixOfRef;
    for (const QByteArray& ref : defs.switchRefNames)
        mixOfRef << defs.mixIndex.value(ref, -1);
    qint32 lastRef = -1;
    qint32 gas = -1;
    for (DiveSample& s : dive.samples) {
        if (s.gasIndex != lastRef) {
            lastRef = s.gasIndex;
            const int mix = lastRef >= 0 ? mixOfRef.at(lastRef) : -1;
            if (mix >= 0)
                gas = mix;
        }
        s.gasIndex = gas;
    }
}

// Tank pressures from tankdata, or, where the dive has none, from the first and last pressure
// its waypoints give per tank. A waypoint's pressure refers to a tankdata id (whose link names
// the mix), or, in some files, to the mix itself. Gas indexes refer to the file's mixes.
void resolveTanks(const FileDefinitions& defs, PendingDive& pending)
{
    auto mixOf = [&defs](const QByteArray& ref) { return defs.mixIndex.value(ref, -1); };
    QHash<QByteArray, QByteArray> tankMixes; // tankdata id -> mix reference
    QList<DiveProfile::TankPressure>& tanks = pending.dive.tanks;
    for (const TankData& data : pending.tankData) {
        if (!data.id.isEmpty() && !tankMixes.contains(data.id))
            tankMixes.insert(data.id, data.mixRef);
        if (!data.beginPa)
            continue;
        DiveProfile::TankPressure tank;
        tank.gasIndex = mixOf(data.mixRef);
        tank.startBar = *data.beginPa / kPascalPerBar;
        tank.endBar = data.endPa / kPascalPerBar;
        tanks.append(tank);
    }
    if (!tanks.isEmpty())
        return;
    for (const auto& [ref, trace] : pending.waypointTanks) {
        const int mix = defs.mixIndex.contains(ref) ? mixOf(ref) : mixOf(tankMixes.value(ref));
        DiveProfile::TankPressure tank;
        tank.gasIndex = mix;
        tank.startBar = trace.firstPa / kPascalPerBar;
        tank.endBar = trace.lastPa / kPascalPerBar;
        tanks.append(tank);
    }
}

// The dive's gases: the mixes it switches to or links a tank to, in the order the file defines
// them (this program's files define a dive's gases in its own order). The only dive of a file
// that names no mix takes every mix of the file (one cannot tell which it breathed), and with a
// single mix its samples breathe it. Returns why the dive cannot be taken, if a gas is no gas.
QString assignGases(const FileDefinitions& defs, DiveProfile& dive)
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
    const bool everyMix = fileIndexes.isEmpty() && defs.diveCount == 1;
    if (everyMix) {
        for (int i = 0; i < defs.mixes.size(); ++i)
            fileIndexes << i;
    }
    for (const int i : fileIndexes) {
        if (!defs.mixFaults.at(i).isEmpty())
            return defs.mixFaults.at(i);
        dive.gases.append(defs.mixes.at(i));
    }
    if (everyMix) {
        for (DiveSample& s : dive.samples)
            s.gasIndex = defs.mixes.size() == 1 ? 0 : -1;
        return QString();
    }
    for (DiveSample& s : dive.samples)
        s.gasIndex = qint32(fileIndexes.indexOf(s.gasIndex));
    for (DiveProfile::TankPressure& tank : dive.tanks)
        tank.gasIndex = int(fileIndexes.indexOf(tank.gasIndex));
    return QString();
}

// Completes a dive once the whole file is read; returns why it cannot be taken, if so.
QString resolveDive(const FileDefinitions& defs, PendingDive& pending)
{
    if (!pending.refusal.isEmpty())
        return pending.refusal;
    resolveLinks(defs, pending);
    resolveSwitches(defs, pending.dive);
    closeAtSurface(defs, pending);
    resolveTanks(defs, pending);
    return assignGases(defs, pending.dive);
}

// The dives of one profiledata child. Only repetition groups hold dives to read; dives
// elsewhere still count for the file's dive count and computer links.
bool readGroup(XmlStream& stream, FileDefinitions& defs, QList<PendingDive>& dives)
{
    const bool group = std::strcmp(stream.localName(), "repetitiongroup") == 0;
    const int depth = stream.depth();
    if (!stream.descend())
        return true;
    while (stream.nextChild(depth)) {
        if (std::strcmp(stream.localName(), "dive") != 0)
            continue;
        const xmlNode* element = stream.expand();
        if (!element)
            return false;
        ++defs.diveCount;
        PendingDive pending = readDiveElement(element, defs, defs.diveCount);
        if (group)
            dives.append(std::move(pending));
        else
            defs.linksComputers = defs.linksComputers
                || std::any_of(pending.links.cbegin(), pending.links.cend(),
                    [&](const QByteArray& ref) { return defs.computers.contains(ref); });
    }
    return stream.status() == XmlStream::Status::Ok;
}

// The top-level parts: definitions are taken whole, the profile data dive by dive.
bool readParts(XmlStream& stream, FileDefinitions& defs, QList<PendingDive>& dives)
{
    while (stream.nextChild(0)) {
        const char* name = stream.localName();
        if (std::strcmp(name, "profiledata") == 0) {
            if (!stream.descend())
                continue;
            while (stream.nextChild(1)) {
                if (!readGroup(stream, defs, dives))
                    return false;
            }
            continue;
        }
        const bool wanted = std::strcmp(name, "generator") == 0 || std::strcmp(name, "diver") == 0
            || std::strcmp(name, "divesite") == 0 || std::strcmp(name, "gasdefinitions") == 0;
        if (!wanted)
            continue;
        const xmlNode* part = stream.expand();
        if (!part)
            return false;
        if (nameIs(part, "generator"))
            defs.ownFile
                = XmlTree::textAt(part, "name").trimmed() == QLatin1String("VeltraDesktop");
        else if (nameIs(part, "diver"))
            readDiver(part, defs);
        else if (nameIs(part, "divesite"))
            readSites(part, defs);
        else
            readMixes(part, defs);
    }
    return stream.finish();
}

UDDF::Status readStream(XmlStream& stream, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    FileDefinitions defs;
    QList<PendingDive> pending;
    if (!readParts(stream, defs, pending))
        return statusOf(stream.status());
    if (defs.diveCount == 0)
        return UDDF::Status::NoDive;
    for (const PendingDive& p : pending) {
        defs.linksComputers = defs.linksComputers
            || std::any_of(p.links.cbegin(), p.links.cend(),
                [&](const QByteArray& ref) { return defs.computers.contains(ref); });
    }
    QList<DiveProfile> read;
    QList<RefusedDive> notRead;
    for (PendingDive& p : pending) {
        const QString reason = resolveDive(defs, p);
        if (reason.isEmpty())
            read.append(std::move(p.dive));
        else
            notRead.append({ p.dive.name, reason });
    }
    dives = std::move(read);
    refused = std::move(notRead);
    return UDDF::Status::Ok;
}

} // namespace

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
    XmlStream stream;
    if (!stream.openFile(path, "uddf"))
        return finish(statusOf(stream.status()));
    return finish(readStream(stream, dives, refused));
}

UDDF::Status UDDF::readAllData(
    const QByteArray& data, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    XmlStream stream;
    if (!stream.openData(data, "uddf"))
        return statusOf(stream.status());
    return readStream(stream, dives, refused);
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
