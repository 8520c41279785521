#include "fileio/fitfile.h"

#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"

#include <QCoreApplication>
#include <QHash>

#include <array>
#include <cmath>
#include <optional>

namespace {

// Seconds from 1970-01-01 to the FIT epoch, 1989-12-31 00:00:00 UTC.
constexpr qint64 FitEpoch = 631065600;

// The CRC of the FIT protocol, a nibble at a time.
quint16 fitCrc(quint16 crc, quint8 byte)
{
    static constexpr quint16 table[16] = { 0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800,
        0xE401, 0xA001, 0x6C00, 0x7800, 0xB401, 0x5000, 0x9C01, 0x8801, 0x4400 };
    quint16 tmp = table[crc & 0xF];
    crc = (crc >> 4) & 0x0FFF;
    crc = crc ^ tmp ^ table[byte & 0xF];
    tmp = table[crc & 0xF];
    crc = (crc >> 4) & 0x0FFF;
    return crc ^ tmp ^ table[(byte >> 4) & 0xF];
}

struct FieldDef
{
    quint8 number = 0;
    quint8 size = 0;
    quint8 type = 0;
};

struct Definition
{
    bool defined = false;
    bool bigEndian = false;
    quint16 global = 0;
    QList<FieldDef> fields;
    int totalSize = 0; // fields and developer fields
};

// One data message's fields by number, as integers (invalid values left out) or text.
struct Message
{
    QHash<int, qint64> values;
    QHash<int, QByteArray> texts;
    std::optional<qint64> value(int field) const
    {
        const auto it = values.constFind(field);
        return it == values.cend() ? std::nullopt : std::optional<qint64>(*it);
    }
};

// An integer field of 1, 2, 4 or 8 bytes (the first element of an array), with the base type's
// invalid value as "absent".
std::optional<qint64> integerOf(const uchar* p, const FieldDef& f, bool big)
{
    const int base = f.type & 0x1F;
    static constexpr std::array<int, 17> sizes
        = { 1, 1, 1, 2, 2, 4, 4, 0, 4, 8, 1, 2, 4, 1, 8, 8, 8 };
    if (base >= int(sizes.size()) || sizes[base] == 0 || sizes[base] > f.size || base == 8
        || base == 9)
        return std::nullopt;
    const int n = sizes[base];
    quint64 raw = 0;
    for (int i = 0; i < n; ++i)
        raw |= quint64(p[big ? n - 1 - i : i]) << (8 * i);
    const bool zeroInvalid = base == 0x0A || base == 0x0B || base == 0x0C || base == 0x10;
    if (zeroInvalid)
        return raw == 0 ? std::nullopt : std::optional<qint64>(qint64(raw));
    const bool isSigned = base == 1 || base == 3 || base == 5 || base == 0x0E;
    const quint64 all = n == 8 ? ~quint64(0) : (quint64(1) << (8 * n)) - 1;
    if (isSigned) {
        if (raw == (all >> 1))
            return std::nullopt;
        const quint64 sign = quint64(1) << (8 * n - 1);
        return qint64(raw & sign ? raw | ~all : raw);
    }
    if (raw == all)
        return std::nullopt;
    return qint64(raw);
}

struct Dive
{
    qint64 startUtc = 0;
    qint64 created = 0;
    QString product;
    int manufacturer = 0;
    int productId = 0;
    QString serial;
    QString sportName;
    qint64 maxDepthMm = 0;
    qint64 meanDepthMm = 0;
    qint64 elapsedMs = 0;
    int number = 0;
    std::optional<GeoPosition> position;
    quint8 gfLow = 0;
    quint8 gfHigh = 0;
    bool fresh = false;
    struct Gas
    {
        int index = 0;
        DiveGas gas;
        bool diluent = false;
    };
    QList<Gas> gases;
    QList<std::pair<qint64, int>> switches; // (timestamp, gas message index)
    QList<std::pair<qint64, DiveSample>> records; // (timestamp, sample without time)
};

std::optional<GeoPosition> positionOf(const Message& m, int latField, int lonField)
{
    const std::optional<qint64> lat = m.value(latField);
    const std::optional<qint64> lon = m.value(lonField);
    if (!lat || !lon || (*lat == 0 && *lon == 0))
        return std::nullopt; // 0/0 is "no fix"
    const double scale = 180.0 / 2147483648.0;
    return GeoPosition { double(*lat) * scale, double(*lon) * scale };
}

// file_id, and device_info of the recorder (device index 0) where file_id left gaps.
void takeDevice(quint16 global, const Message& m, Dive& d)
{
    if (global == 0) {
        d.created = m.value(4).value_or(0);
        d.manufacturer = int(m.value(1).value_or(0));
        d.productId = int(m.value(2).value_or(0));
        if (m.value(3))
            d.serial = QString::number(*m.value(3));
        if (m.texts.contains(8))
            d.product = QString::fromUtf8(m.texts.value(8));
    } else if (m.value(0).value_or(0) == 0) {
        if (d.serial.isEmpty() && m.value(3))
            d.serial = QString::number(*m.value(3));
        if (d.product.isEmpty() && m.texts.contains(27))
            d.product = QString::fromUtf8(m.texts.value(27));
    }
}

// dive_gas: enabled (1) and backup (2) gases count, disabled ones not.
void takeGas(const Message& m, Dive& d)
{
    const qint64 status = m.value(2).value_or(1);
    if (status != 1 && status != 2)
        return;
    Dive::Gas g;
    g.index = int(m.value(254).value_or(d.gases.size()));
    g.gas.o2 = int(std::clamp<qint64>(m.value(1).value_or(21), 1, 100));
    g.gas.he = int(std::clamp<qint64>(m.value(0).value_or(0), 0, 100 - g.gas.o2));
    DiveProfile::gasName(g.gas);
    g.diluent = m.value(3).value_or(0) == 1;
    d.gases << g;
}

// session and dive_summary: start, length, depths, number and position.
void takeSummary(quint16 global, const Message& m, Dive& d)
{
    if (global == 18) {
        if (m.value(2))
            d.startUtc = *m.value(2);
        d.elapsedMs = m.value(7).value_or(d.elapsedMs);
        d.maxDepthMm = std::max(d.maxDepthMm, m.value(141).value_or(0));
        d.meanDepthMm = m.value(140).value_or(d.meanDepthMm);
        d.number = int(m.value(156).value_or(d.number));
        if (!d.position)
            d.position = positionOf(m, 38, 39);
        if (!d.position)
            d.position = positionOf(m, 3, 4);
        return;
    }
    d.maxDepthMm = std::max(d.maxDepthMm, m.value(3).value_or(0));
    if (d.meanDepthMm == 0)
        d.meanDepthMm = m.value(2).value_or(0);
    if (d.number == 0)
        d.number = int(m.value(10).value_or(0));
}

void takeMessage(quint16 global, const Message& m, Dive& d, double& temperature)
{
    switch (global) {
    case 0: // file_id
    case 23: // device_info
        takeDevice(global, m, d);
        break;
    case 12: // sport
        if (m.texts.contains(3))
            d.sportName = QString::fromUtf8(m.texts.value(3));
        break;
    case 258: // dive_settings
        d.gfLow = quint8(std::clamp<qint64>(m.value(2).value_or(0), 0, 100));
        d.gfHigh = quint8(std::clamp<qint64>(m.value(3).value_or(0), 0, 100));
        d.fresh = m.value(4).value_or(1) == 0;
        break;
    case 259: // dive_gas
        takeGas(m, d);
        break;
    case 21: // event: 57 is a gas switch to the dive_gas named by data
        if (m.value(0).value_or(-1) == 57 && m.value(253) && m.value(3))
            d.switches << std::make_pair(*m.value(253), int(*m.value(3)));
        break;
    case 20: { // record
        if (m.value(13))
            temperature = double(*m.value(13));
        const std::optional<qint64> depth = m.value(92);
        if (!depth || !m.value(253))
            break;
        DiveSample s;
        s.depth = double(*depth) / 1000.0;
        s.temperature = temperature;
        d.records << std::make_pair(*m.value(253), s);
        break;
    }
    case 18: // session
    case 268: // dive_summary
        takeSummary(global, m, d);
        break;
    default:
        break;
    }
}

// Walks the records of the data section; the status of the first fault.
FitFile::Status walk(const uchar* data, qsizetype begin, qsizetype end, Dive& d)
{
    std::array<Definition, 16> defs;
    qint64 lastTimestamp = 0;
    double temperature = 0;
    qsizetype pos = begin;
    while (pos < end) {
        const quint8 header = data[pos++];
        if ((header & 0xC0) == 0x40) {
            if (end - pos < 5)
                return FitFile::Status::Truncated;
            Definition def;
            def.defined = true;
            def.bigEndian = data[pos + 1] == 1;
            def.global = def.bigEndian ? quint16(data[pos + 2] << 8 | data[pos + 3])
                                       : quint16(data[pos + 3] << 8 | data[pos + 2]);
            const int count = data[pos + 4];
            pos += 5;
            if (end - pos < 3 * count)
                return FitFile::Status::Truncated;
            for (int i = 0; i < count; ++i, pos += 3) {
                def.fields << FieldDef { data[pos], data[pos + 1], data[pos + 2] };
                def.totalSize += data[pos + 1];
            }
            if (header & 0x20) {
                if (end - pos < 1)
                    return FitFile::Status::Truncated;
                const int developer = data[pos++];
                if (end - pos < 3 * developer)
                    return FitFile::Status::Truncated;
                for (int i = 0; i < developer; ++i, pos += 3)
                    def.totalSize += data[pos + 1];
            }
            defs[header & 0x0F] = def;
            continue;
        }
        const bool compressed = header & 0x80;
        const Definition& def = defs[compressed ? (header >> 5) & 0x03 : header & 0x0F];
        if (!def.defined)
            return FitFile::Status::UndefinedMessage;
        if (end - pos < def.totalSize)
            return FitFile::Status::Truncated;
        Message m;
        qsizetype at = pos;
        for (const FieldDef& f : def.fields) {
            if ((f.type & 0x1F) == 7) {
                const QByteArray text(reinterpret_cast<const char*>(data + at), f.size);
                m.texts.insert(f.number, text.left(text.indexOf('\0')));
            } else if (f.size > 0) {
                if (const std::optional<qint64> v = integerOf(data + at, f, def.bigEndian))
                    m.values.insert(f.number, *v);
            }
            at += f.size;
        }
        pos += def.totalSize;
        if (compressed) {
            const qint64 offset = header & 0x1F;
            lastTimestamp += (offset - (lastTimestamp & 0x1F)) & 0x1F;
            m.values.insert(253, lastTimestamp);
        } else if (m.value(253)) {
            lastTimestamp = *m.value(253);
        }
        takeMessage(def.global, m, d, temperature);
    }
    return FitFile::Status::Ok;
}

DiveProfile profileOf(Dive& d)
{
    DiveProfile p;
    if (d.startUtc == 0 && !d.records.isEmpty())
        d.startUtc = d.records.constFirst().first;
    p.dateTime = d.startUtc > 0 ? d.startUtc + FitEpoch : 0;
    p.computer = d.product;
    if (p.computer.isEmpty()) {
        // Only numbers: the maker's name and its product number.
        const QString maker = d.manufacturer == 1 ? QStringLiteral("Garmin")
            : d.manufacturer == 23                ? QStringLiteral("Suunto")
                                                  : QStringLiteral("FIT");
        p.computer = QStringLiteral("%1 %2").arg(maker).arg(d.productId);
    }
    p.serial = d.serial;
    p.number = d.number;
    p.position = d.position;
    if (d.gfLow > 0 && d.gfHigh > 0) {
        p.gfLow = d.gfLow;
        p.gfHigh = d.gfHigh;
    }
    p.freshWater = d.fresh ? 1 : 0;
    QHash<int, int> gasOfIndex;
    for (const Dive::Gas& g : std::as_const(d.gases)) {
        gasOfIndex.insert(g.index, int(p.gases.size()));
        p.gases << g.gas;
    }
    int gas = p.gases.isEmpty() ? -1 : gasOfIndex.value(0, 0);
    bool closed = d.sportName.compare(QLatin1String("CCR"), Qt::CaseInsensitive) == 0;
    qsizetype next = 0;
    std::stable_sort(d.switches.begin(), d.switches.end());
    // Records are written in time order; a file that is not is read as if it were.
    std::stable_sort(d.records.begin(), d.records.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [timestamp, sample] : std::as_const(d.records)) {
        DiveSample s = sample;
        s.time = double(timestamp - d.startUtc);
        if (s.time < 0)
            continue;
        while (next < d.switches.size() && d.switches.at(next).first <= timestamp)
            gas = gasOfIndex.value(d.switches.at(next++).second, gas);
        s.gasIndex = gas;
        for (const Dive::Gas& g : std::as_const(d.gases))
            closed = closed || (g.diluent && gasOfIndex.value(g.index) == gas);
        p.samples << s;
    }
    p.diveMode = closed ? 1 : 0;
    p.duration = double(d.elapsedMs) / 1000.0;
    p.maxDepth = double(d.maxDepthMm) / 1000.0;
    p.meanDepth = double(d.meanDepthMm) / 1000.0;
    p.name = p.number > 0 ? QCoreApplication::translate("SubsurfaceXml", "Dive %1").arg(p.number)
                          : QString();
    return p;
}

} // namespace

namespace FitFile {

Status parseData(const QByteArray& bytes, DiveFileContent& content)
{
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 12)
        return Status::TooShort;
    const qsizetype headerSize = data[0];
    if (headerSize < 12 || headerSize > size || bytes.mid(8, 4) != ".FIT")
        return Status::NotFit;
    const qsizetype dataSize = qsizetype(data[4]) | qsizetype(data[5]) << 8
        | qsizetype(data[6]) << 16 | qsizetype(data[7]) << 24;
    if (dataSize > size - headerSize)
        return Status::Truncated;
    const qsizetype end = headerSize + dataSize;
    Dive d;
    const Status status = walk(data, headerSize, end, d);
    if (status != Status::Ok)
        return status;
    if (d.records.isEmpty() && d.maxDepthMm == 0)
        return Status::NoDive;
    if (size >= end + 2) {
        quint16 crc = 0;
        for (qsizetype i = 0; i < end; ++i)
            crc = fitCrc(crc, data[i]);
        if (crc != quint16(data[end] | data[end + 1] << 8))
            content.warnings << QCoreApplication::translate(
                "FitFile", "the file's checksum is wrong; its dive was read all the same");
    }
    content.dives << profileOf(d);
    return Status::Ok;
}

void parse(const QByteArray& data, DiveFileContent& content)
{
    DiveFileContent read;
    switch (parseData(data, read)) {
    case Status::Ok:
        content.dives = std::move(read.dives);
        content.warnings = std::move(read.warnings);
        return;
    case Status::TooShort:
    case Status::NotFit:
        content.error = QCoreApplication::translate("FitFile", "not a FIT file");
        return;
    case Status::Truncated:
        content.error = QCoreApplication::translate("FitFile", "the FIT file is cut short");
        return;
    case Status::UndefinedMessage:
        content.error = QCoreApplication::translate(
            "FitFile", "the FIT file is damaged: a message has no definition");
        return;
    case Status::NoDive:
        content.error = QCoreApplication::translate("FitFile", "the FIT file holds no dive");
        return;
    }
}

} // namespace FitFile
