#include "fileio/planfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kTissueBytes = 140;
constexpr float kMaxPressureBar = 10.0f;

PlanFile::Status statusOf(ProfileRecordStatus status)
{
    switch (status) {
    case ProfileRecordStatus::Ok:
        return PlanFile::Status::Ok;
    case ProfileRecordStatus::Truncated:
        return PlanFile::Status::Truncated;
    case ProfileRecordStatus::LengthTooLarge:
        return PlanFile::Status::LengthTooLarge;
    case ProfileRecordStatus::BadGasIndex:
        return PlanFile::Status::BadGasIndex;
    case ProfileRecordStatus::BadSample:
        return PlanFile::Status::BadSample;
    }
    return PlanFile::Status::Truncated;
}

bool read(QBuffer& in, void* out, qint64 size)
{
    return in.read(static_cast<char*>(out), size) == size;
}

template <typename T> bool readNumber(QBuffer& in, T& value)
{
    uchar bytes[sizeof(T)];
    if (!read(in, bytes, sizeof(T)))
        return false;
    value = qFromLittleEndian<T>(bytes);
    return true;
}

template <typename T> void appendNumber(QByteArray& out, T value)
{
    uchar bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(reinterpret_cast<const char*>(bytes), sizeof(T));
}

float floatAt(const char* bytes, int offset)
{
    return qFromLittleEndian<float>(bytes + offset);
}

bool pressureOk(float bar)
{
    return std::isfinite(bar) && bar >= 0.0f && bar <= kMaxPressureBar;
}

// The depths, times, gases and water of one dive lie where a dive can.
bool rangesOk(const PlanDiveRecord& dive)
{
    for (const DiveSample& s : dive.profile.samples) {
        if (!(s.depth >= 0.0 && s.depth <= PlanFile::maxDepthM && s.time >= 0.0
                && s.time <= PlanFile::maxPointTimeS))
            return false;
    }
    for (const DiveGas& g : dive.profile.gases) {
        if (g.o2 < 1 || g.o2 > 100 || g.he < 0 || g.he > 100 - g.o2)
            return false;
    }
    return dive.waterType <= PlanFile::maxWaterType;
}

// Reads count bytes at offset of bytes into value (little-endian); false past the end.
template <typename T> bool numberAt(const QByteArray& bytes, qint64& offset, T& value)
{
    if (offset < 0 || bytes.size() - offset < qint64(sizeof(T)))
        return false;
    value = qFromLittleEndian<T>(bytes.constData() + offset);
    offset += qint64(sizeof(T));
    return true;
}

// One dive settings record; false when the payload is short or a value is out of range.
bool decodeDiveSettings(const QByteArray& payload, quint8& slot, PlanDiveSettings& settings)
{
    qint64 at = 0;
    quint8 low = 0, high = 0, closed = 0, gasCount = 0;
    PlanDiveSettings s;
    if (!numberAt(payload, at, slot) || !numberAt(payload, at, low) || !numberAt(payload, at, high)
        || !numberAt(payload, at, closed))
        return false;
    if (low < 1 || high < 1 || low > 100 || high > 100 || low > high || closed > 1)
        return false;
    for (float& sp : s.setpointsBar) {
        if (!numberAt(payload, at, sp) || !std::isfinite(sp) || sp <= 0.0f || sp > 3.0f)
            return false;
    }
    if (!numberAt(payload, at, gasCount) || gasCount > kMaxDecoGases)
        return false;
    for (int i = 0; i < gasCount; ++i) {
        quint8 o2 = 0, he = 0, role = 0;
        if (!numberAt(payload, at, o2) || !numberAt(payload, at, he)
            || !numberAt(payload, at, role))
            return false;
        if (o2 < 1 || o2 + he > 100 || role > quint8(PlanGasRole::Deco))
            return false;
        s.decoGases.append({ o2, he, PlanGasRole(role), 0.0f });
    }
    s.gfLow = low;
    s.gfHigh = high;
    s.closedCircuit = closed != 0;
    settings = s;
    return true;
}

// One dive's cylinders; false when the payload is short or a value is out of range.
bool decodeCylinders(const QByteArray& payload, quint8& slot, QList<Cylinder>& cylinders)
{
    qint64 at = 0;
    quint8 count = 0;
    if (!numberAt(payload, at, slot) || !numberAt(payload, at, count))
        return false;
    QList<Cylinder> read;
    for (int i = 0; i < count; ++i) {
        quint8 o2 = 0, he = 0, role = 0;
        Cylinder c;
        if (!numberAt(payload, at, o2) || !numberAt(payload, at, he) || !numberAt(payload, at, role)
            || !numberAt(payload, at, c.litres) || !numberAt(payload, at, c.fillBar))
            return false;
        if (o2 + he > 100 || role > quint8(CylinderRole::Deco))
            return false;
        c.o2 = o2;
        c.he = he;
        c.role = CylinderRole(role);
        // A size of 0 only keeps the place of a gas the diver set nothing for.
        if (c.litres != 0.0 && !validateCylinders({ c }, 1).isEmpty())
            return false;
        read.append(c);
    }
    cylinders = read;
    return true;
}

// The working pressures of a dive's cylinders, read after its cylinders; false when the payload is
// short, names more cylinders than the dive has or holds a pressure no cylinder has.
bool decodeCylinderWorking(const QByteArray& payload, std::vector<PlanDiveRecord>& dives)
{
    qint64 at = 0;
    quint8 slot = 0, count = 0;
    if (!numberAt(payload, at, slot) || !numberAt(payload, at, count) || slot >= dives.size()
        || count > dives[slot].cylinders.size())
        return false;
    QList<Cylinder> read = dives[slot].cylinders;
    for (int i = 0; i < count; ++i) {
        if (!numberAt(payload, at, read[i].workBar) || !(read[i].workBar >= 0)
            || read[i].workBar > kMaxFillBar)
            return false;
    }
    dives[slot].cylinders = read;
    return true;
}

bool decodeGasPlanning(const QByteArray& payload, GasSettings& settings)
{
    qint64 at = 0;
    GasSettings s = settings;
    quint8 reserve = 0, bailout = 0, low = 0, high = 0;
    if (!numberAt(payload, at, s.bottomSacLpm) || !numberAt(payload, at, s.decoSacLpm)
        || !numberAt(payload, at, reserve) || !numberAt(payload, at, s.minimumGasFactor)
        || !numberAt(payload, at, s.problemMin) || !numberAt(payload, at, s.decoReserveBar)
        || !numberAt(payload, at, bailout) || !numberAt(payload, at, low)
        || !numberAt(payload, at, high) || !numberAt(payload, at, s.bailoutStressFactor)
        || !numberAt(payload, at, s.bailoutStressMin))
        return false;
    if (reserve > quint8(ReserveMode::Thirds) || bailout > 1)
        return false;
    s.reserveMode = ReserveMode(reserve);
    s.bailout = bailout != 0;
    s.bailoutGfLow = low;
    s.bailoutGfHigh = high;
    if (!validateGasSettings(s).isEmpty())
        return false;
    settings = s;
    return true;
}

// The later gas-planning fields over the ones tag 3 gave (or the defaults).
bool decodeGasPlanningMore(const QByteArray& payload, GasSettings& settings)
{
    qint64 at = 0;
    GasSettings s = settings;
    quint8 contingency = 0;
    if (!numberAt(payload, at, s.cylinderCelsius) || !numberAt(payload, at, s.bailoutProblemMin)
        || !numberAt(payload, at, s.setpointSwitchM) || !numberAt(payload, at, contingency)
        || !numberAt(payload, at, s.deeperM) || !numberAt(payload, at, s.longerMin)
        || contingency > 1)
        return false;
    s.contingency = contingency != 0;
    if (!validateGasSettings(s).isEmpty())
        return false;
    settings = s;
    return true;
}

// One dive's ascent settings and water; false when the payload is short or out of range.
bool decodeAscentSettings(
    const QByteArray& payload, quint8& slot, AscentSettings& out, quint8& water)
{
    qint64 at = 0;
    AscentSettings s;
    quint8 rule = 0, lastStop = 0, round = 0;
    if (!numberAt(payload, at, slot) || !numberAt(payload, at, rule)
        || !numberAt(payload, at, s.switchTimeMin) || !numberAt(payload, at, s.decoPpo2)
        || !numberAt(payload, at, s.bottomPpo2) || !numberAt(payload, at, lastStop)
        || !numberAt(payload, at, s.ascentRateMpm) || !numberAt(payload, at, s.stopRateMpm)
        || !numberAt(payload, at, s.safetyStopMin) || !numberAt(payload, at, s.safetyStopDepthM)
        || !numberAt(payload, at, round) || !numberAt(payload, at, s.altitudeM)
        || !numberAt(payload, at, water) || !numberAt(payload, at, s.o2BreakMin)
        || !numberAt(payload, at, s.backGasMin) || !numberAt(payload, at, s.endLimitM))
        return false;
    if (rule > quint8(SwitchRule::Depth) || round > 1 || water > kWaterBrackish)
        return false;
    s.switchRule = SwitchRule(rule);
    s.lastStopM = lastStop;
    s.roundStops = round != 0;
    if (!validateAscentSettings(s).isEmpty())
        return false;
    out = s;
    return true;
}

QByteArray encodeAscentSettings(quint8 slot, const AscentSettings& s, quint32 water)
{
    QByteArray payload;
    appendNumber<quint8>(payload, slot);
    appendNumber<quint8>(payload, quint8(s.switchRule));
    for (float v : { s.switchTimeMin, s.decoPpo2, s.bottomPpo2 })
        appendNumber<float>(payload, v);
    appendNumber<quint8>(payload, quint8(s.lastStopM));
    for (float v : { s.ascentRateMpm, s.stopRateMpm, s.safetyStopMin, s.safetyStopDepthM })
        appendNumber<float>(payload, v);
    appendNumber<quint8>(payload, s.roundStops ? 1 : 0);
    appendNumber<float>(payload, s.altitudeM);
    appendNumber<quint8>(payload, quint8(std::min<quint32>(water, kWaterBrackish)));
    for (float v : { s.o2BreakMin, s.backGasMin, s.endLimitM })
        appendNumber<float>(payload, v);
    return payload;
}

// The settings block at `offset` (just after the last dive) into the dives' records.
PlanFile::Status decodeSettings(
    const QByteArray& bytes, qint64 offset, std::vector<PlanDiveRecord>& dives)
{
    const qint64 left = bytes.size() - offset;
    const qint64 magicSize = qint64(sizeof PlanFile::settingsMagic);
    const bool magic = std::memcmp(bytes.constData() + offset, PlanFile::settingsMagic,
                           size_t(std::min(left, magicSize)))
        == 0;
    if (left == 0 || !magic)
        return PlanFile::Status::Ok; // an older plan, whatever follows its dives
    if (left < magicSize)
        return PlanFile::Status::BadSettings; // cut inside the magic
    offset += qint64(sizeof PlanFile::settingsMagic);
    quint16 version = 0;
    quint32 length = 0;
    if (!numberAt(bytes, offset, version) || !numberAt(bytes, offset, length))
        return PlanFile::Status::BadSettings;
    if (version > PlanFile::settingsVersion)
        return PlanFile::Status::NewerSettings;
    if (version == 0 || qint64(length) != bytes.size() - offset)
        return PlanFile::Status::BadSettings;
    while (offset < bytes.size()) {
        quint16 tag = 0;
        quint32 size = 0;
        if (!numberAt(bytes, offset, tag) || !numberAt(bytes, offset, size)
            || qint64(size) > bytes.size() - offset)
            return PlanFile::Status::BadSettings;
        const QByteArray payload = bytes.mid(offset, size);
        offset += size;
        if (tag == PlanFile::TagDiveSettings) {
            quint8 slot = 0;
            PlanDiveSettings settings;
            if (!decodeDiveSettings(payload, slot, settings) || slot >= dives.size())
                return PlanFile::Status::BadSettings;
            dives[slot].settings = settings;
        } else if (tag == PlanFile::TagCylinders) {
            quint8 slot = 0;
            QList<Cylinder> cylinders;
            // One cylinder per gas at most: the list is by gas index.
            if (!decodeCylinders(payload, slot, cylinders) || slot >= dives.size()
                || cylinders.size() > dives[slot].profile.gases.size())
                return PlanFile::Status::BadSettings;
            dives[slot].cylinders = cylinders;
        } else if (tag == PlanFile::TagAscentSettings) {
            quint8 slot = 0, water = 0;
            AscentSettings ascent;
            if (!decodeAscentSettings(payload, slot, ascent, water) || slot >= dives.size())
                return PlanFile::Status::BadSettings;
            dives[slot].settings.ascent = ascent;
            dives[slot].waterType = water;
        } else if (tag == PlanFile::TagGasPlanning) {
            GasSettings gas = dives.empty() ? GasSettings {} : dives[0].gasSettings;
            if (!decodeGasPlanning(payload, gas))
                return PlanFile::Status::BadSettings;
            for (PlanDiveRecord& dive : dives)
                dive.gasSettings = gas;
        } else if (tag == PlanFile::TagCylinderWorking) {
            if (!decodeCylinderWorking(payload, dives))
                return PlanFile::Status::BadSettings;
        } else if (tag == PlanFile::TagGasPlanningMore) {
            GasSettings gas = dives.empty() ? GasSettings {} : dives[0].gasSettings;
            if (!decodeGasPlanningMore(payload, gas))
                return PlanFile::Status::BadSettings;
            for (PlanDiveRecord& dive : dives)
                dive.gasSettings = gas;
        }
    }
    return PlanFile::Status::Ok;
}

QByteArray encodeDiveSettings(quint8 slot, const PlanDiveSettings& s)
{
    QByteArray payload;
    appendNumber<quint8>(payload, slot);
    appendNumber<quint8>(payload, quint8(std::clamp(s.gfLow, 1, 100)));
    appendNumber<quint8>(payload, quint8(std::clamp(s.gfHigh, 1, 100)));
    appendNumber<quint8>(payload, s.closedCircuit ? 1 : 0);
    for (float sp : s.setpointsBar)
        appendNumber<float>(payload, sp);
    const int gasCount = std::min<int>(int(s.decoGases.size()), kMaxDecoGases);
    appendNumber<quint8>(payload, quint8(gasCount));
    for (int i = 0; i < gasCount; ++i) {
        const PlanGas& g = s.decoGases[i];
        appendNumber<quint8>(payload, quint8(std::clamp(g.o2, 0, 100)));
        appendNumber<quint8>(payload, quint8(std::clamp(g.he, 0, 100)));
        appendNumber<quint8>(payload, quint8(g.role));
    }
    return payload;
}

QByteArray encodeCylinders(quint8 slot, const QList<Cylinder>& cylinders)
{
    QByteArray payload;
    const int n = std::min<int>(int(cylinders.size()), 255);
    appendNumber<quint8>(payload, slot);
    appendNumber<quint8>(payload, quint8(n));
    for (int i = 0; i < n; ++i) {
        const Cylinder& c = cylinders[i];
        appendNumber<quint8>(payload, quint8(std::clamp(c.o2, 0, 100)));
        appendNumber<quint8>(payload, quint8(std::clamp(c.he, 0, 100 - std::clamp(c.o2, 0, 100))));
        appendNumber<quint8>(payload, quint8(c.role));
        appendNumber<double>(payload, c.litres);
        appendNumber<double>(payload, c.fillBar);
    }
    return payload;
}

// Empty when no cylinder of the dive has a working pressure, so older plans stay byte for byte.
QByteArray encodeCylinderWorking(quint8 slot, const QList<Cylinder>& cylinders)
{
    const int n = std::min<int>(int(cylinders.size()), 255);
    if (std::none_of(cylinders.begin(), cylinders.begin() + n,
            [](const Cylinder& c) { return c.workBar > 0; }))
        return {};
    QByteArray payload;
    appendNumber<quint8>(payload, slot);
    appendNumber<quint8>(payload, quint8(n));
    for (int i = 0; i < n; ++i)
        appendNumber<double>(payload, cylinders[i].workBar);
    return payload;
}

QByteArray encodeGasPlanning(const GasSettings& gas)
{
    QByteArray payload;
    appendNumber<double>(payload, gas.bottomSacLpm);
    appendNumber<double>(payload, gas.decoSacLpm);
    appendNumber<quint8>(payload, quint8(gas.reserveMode));
    appendNumber<double>(payload, gas.minimumGasFactor);
    appendNumber<double>(payload, gas.problemMin);
    appendNumber<double>(payload, gas.decoReserveBar);
    appendNumber<quint8>(payload, gas.bailout ? 1 : 0);
    appendNumber<quint8>(payload, quint8(std::clamp(gas.bailoutGfLow, 0, 100)));
    appendNumber<quint8>(payload, quint8(std::clamp(gas.bailoutGfHigh, 0, 100)));
    appendNumber<double>(payload, gas.bailoutStressFactor);
    appendNumber<double>(payload, gas.bailoutStressMin);
    return payload;
}

QByteArray encodeGasPlanningMore(const GasSettings& gas)
{
    QByteArray more;
    appendNumber<double>(more, gas.cylinderCelsius);
    appendNumber<double>(more, gas.bailoutProblemMin);
    appendNumber<double>(more, gas.setpointSwitchM);
    appendNumber<quint8>(more, gas.contingency ? 1 : 0);
    appendNumber<double>(more, gas.deeperM);
    appendNumber<double>(more, gas.longerMin);
    return more;
}

QByteArray encodeSettings(const std::vector<PlanDiveRecord>& dives, quint32 count)
{
    QByteArray records;
    auto record = [&records](quint16 tag, const QByteArray& payload) {
        appendNumber<quint16>(records, tag);
        appendNumber<quint32>(records, quint32(payload.size()));
        records += payload;
    };
    for (quint32 slot = 0; slot < count; ++slot)
        record(PlanFile::TagDiveSettings, encodeDiveSettings(quint8(slot), dives[slot].settings));
    for (quint32 slot = 0; slot < count; ++slot) {
        const QList<Cylinder>& cylinders = dives[slot].cylinders;
        if (cylinders.isEmpty())
            continue;
        record(PlanFile::TagCylinders, encodeCylinders(quint8(slot), cylinders));
        const QByteArray working = encodeCylinderWorking(quint8(slot), cylinders);
        if (!working.isEmpty())
            record(PlanFile::TagCylinderWorking, working);
    }
    for (quint32 slot = 0; slot < count; ++slot) {
        const PlanDiveRecord& dive = dives[slot];
        if (dive.settings.ascent != AscentSettings {} || dive.waterType == kWaterBrackish)
            record(PlanFile::TagAscentSettings,
                encodeAscentSettings(quint8(slot), dive.settings.ascent, dive.waterType));
    }
    const GasSettings& gas = dives[0].gasSettings;
    if (!(gas == GasSettings {})) {
        record(PlanFile::TagGasPlanning, encodeGasPlanning(gas));
        record(PlanFile::TagGasPlanningMore, encodeGasPlanningMore(gas));
    }
    QByteArray block(PlanFile::settingsMagic, sizeof PlanFile::settingsMagic);
    appendNumber<quint16>(block, PlanFile::settingsVersion);
    appendNumber<quint32>(block, quint32(records.size()));
    return block + records;
}

} // namespace

namespace PlanFile {

QByteArray tissuesToBytes(const tissues_t& tissues)
{
    QByteArray out;
    out.reserve(kTissueBytes);
    for (float p : tissues.pN2)
        appendNumber<float>(out, p);
    for (float p : tissues.pHe)
        appendNumber<float>(out, p);
    appendNumber<float>(out, tissues.cns);
    out.append(char(tissues.hasHe));
    out.append(char(tissues.spareByte));
    out.append(2, '\0');
    appendNumber<float>(out, tissues.spareValue);
    return out;
}

bool tissuesFromBytes(const char* bytes, tissues_t& tissues)
{
    float pN2[kCompartments];
    float pHe[kCompartments];
    for (int i = 0; i < kCompartments; ++i) {
        pN2[i] = floatAt(bytes, 4 * i);
        pHe[i] = floatAt(bytes, 64 + 4 * i);
        if (!pressureOk(pN2[i]) || !pressureOk(pHe[i]))
            return false;
    }
    const float cns = floatAt(bytes, 128);
    if (!std::isfinite(cns) || cns < 0.0f)
        return false;
    std::memcpy(tissues.pN2, pN2, sizeof pN2);
    std::memcpy(tissues.pHe, pHe, sizeof pHe);
    tissues.cns = cns;
    tissues.hasHe = quint8(bytes[132]);
    tissues.spareByte = quint8(bytes[133]);
    tissues.reserved[0] = 0;
    tissues.reserved[1] = 0;
    tissues.spareValue = floatAt(bytes, 136);
    return true;
}

Status decode(const QByteArray& bytes, std::vector<PlanDiveRecord>& plan)
{
    if (bytes.size() > maxFileBytes)
        return Status::TooLarge;
    QBuffer in;
    in.setData(bytes);
    if (!in.open(QIODevice::ReadOnly))
        return Status::CannotOpen;

    quint32 count = 0;
    if (!readNumber(in, count))
        return Status::Truncated;
    if (count > 255)
        return Status::NotAPlan; // the first bytes of some other file
    if (count > quint32(maxDives))
        return Status::TooManyDives;

    std::vector<PlanDiveRecord> dives(count);
    for (PlanDiveRecord& dive : dives) {
        ProfileRecordStatus profileStatus = ProfileRecordStatus::Ok;
        if (!dive.profile.loadProfile(in, &profileStatus))
            return statusOf(profileStatus);
        char tissueBytes[kTissueBytes];
        if (!read(in, tissueBytes, kTissueBytes))
            return Status::Truncated;
        if (!tissuesFromBytes(tissueBytes, dive.tissues))
            return Status::BadTissues;
        if (!readNumber(in, dive.surfaceIntervalS) || !readNumber(in, dive.effortMode)
            || !readNumber(in, dive.waterType) || !readNumber(in, dive.surfacePressureBar))
            return Status::Truncated;
        if (!pressureOk(dive.surfacePressureBar) || dive.surfacePressureBar <= 0.0f)
            return Status::BadSurfacePressure;
        if (!rangesOk(dive))
            return Status::OutOfRange;
    }
    const Status settings = decodeSettings(bytes, in.pos(), dives);
    if (settings != Status::Ok)
        return settings;
    plan = std::move(dives);
    return Status::Ok;
}

QByteArray encode(const std::vector<PlanDiveRecord>& plan)
{
    const quint32 count = quint32(std::min<size_t>(plan.size(), maxDives));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QByteArray head;
    appendNumber<quint32>(head, count);
    out.write(head);
    for (quint32 i = 0; i < count; ++i) {
        const PlanDiveRecord& dive = plan[i];
        dive.profile.saveProfile(out);
        QByteArray tail = tissuesToBytes(dive.tissues);
        appendNumber<quint32>(tail, dive.surfaceIntervalS);
        appendNumber<quint8>(tail, dive.effortMode);
        // Older readers know salt and fresh only; brackish water is in the ascent settings.
        appendNumber<quint32>(tail, dive.waterType == kWaterBrackish ? 0 : dive.waterType);
        appendNumber<float>(tail, dive.surfacePressureBar);
        out.write(tail);
    }
    if (count > 0)
        out.write(encodeSettings(plan, count));
    return out.data();
}

Status load(const QString& path, std::vector<PlanDiveRecord>& plan)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::CannotOpen;
    if (file.size() > maxFileBytes)
        return Status::TooLarge;
    // Bounded by the size where it is known: read() reserves its whole bound up front.
    const qint64 size = file.size();
    const QByteArray bytes = file.read(size > 0 ? size + 1 : maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Status::CannotOpen;
    return decode(bytes, plan);
}

Status save(const QString& path, const std::vector<PlanDiveRecord>& plan)
{
    const QByteArray bytes = encode(plan);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::CannotOpen;
    // commit() misses a failure while it flushes the buffered bytes and would put the short
    // file in place of the old one: flush first and check it.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        return Status::WriteFailed;
    return Status::Ok;
}

QString statusText(Status status)
{
    const char* text = nullptr;
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::CannotOpen:
        text = QT_TRANSLATE_NOOP("PlanFile", "The plan file cannot be opened.");
        break;
    case Status::TooLarge:
        text = QT_TRANSLATE_NOOP("PlanFile", "The file is too large to be a dive plan.");
        break;
    case Status::Truncated:
        text = QT_TRANSLATE_NOOP("PlanFile", "The plan file is cut short.");
        break;
    case Status::TooManyDives:
        text = QT_TRANSLATE_NOOP("PlanFile", "The plan file holds more than three dives.");
        break;
    case Status::NotAPlan:
        text = QT_TRANSLATE_NOOP("PlanFile", "This is not a dive plan file.");
        break;
    case Status::OutOfRange:
        text = QT_TRANSLATE_NOOP("PlanFile",
            "The plan file holds values no dive can have: a depth beyond 0 to 150 m, a point "
            "more than 24 hours into the dive, a gas outside 1 to 100 % oxygen and 0 to 100 % "
            "helium in all, or an unknown water type.");
        break;
    case Status::LengthTooLarge:
        text = QT_TRANSLATE_NOOP(
            "PlanFile", "The plan file is damaged: a length or count exceeds the file.");
        break;
    case Status::BadGasIndex:
        text = QT_TRANSLATE_NOOP("PlanFile",
            "The plan file is damaged: a point refers to a gas the dive does not have.");
        break;
    case Status::BadSample:
        text = QT_TRANSLATE_NOOP(
            "PlanFile", "The plan file is damaged: a point has no valid time or depth.");
        break;
    case Status::BadTissues:
        text = QT_TRANSLATE_NOOP(
            "PlanFile", "The plan file is damaged: its tissue tensions are not valid.");
        break;
    case Status::BadSurfacePressure:
        text = QT_TRANSLATE_NOOP(
            "PlanFile", "The plan file is damaged: its surface pressure is not valid.");
        break;
    case Status::BadSettings:
        text = QT_TRANSLATE_NOOP("PlanFile",
            "The plan file is damaged: its settings (gradient factors, circuit, gases) are cut "
            "short or not valid. The plan was not loaded.");
        break;
    case Status::NewerSettings:
        text = QT_TRANSLATE_NOOP("PlanFile",
            "The plan file was written by a newer version of this program; its settings cannot "
            "be read here.");
        break;
    case Status::WriteFailed:
        text = QT_TRANSLATE_NOOP("PlanFile", "The plan file could not be written completely.");
        break;
    }
    return QCoreApplication::translate("PlanFile", text);
}

} // namespace PlanFile
