#include "fileio/binarydiveparser.h"

#include "dive/bytecursor.h"
#include "dive/diveprofile.h"
#include "dive/headerfields.h"

#include <QIODevice>

#include <cstring>

bool parseDiveHeader(const QByteArray& bytes, DiveHeader& header)
{
    if (bytes.size() < BinaryDive::MagicLength
        || std::memcmp(bytes.constData(), BinaryDive::Magic, BinaryDive::MagicLength) != 0)
        return false;
    if (bytes.size() < BinaryDive::HeaderLength)
        return false;
    DiveHeader h;
    ByteCursor r(bytes, BinaryDive::MagicLength + 2);
    h.number = r.u16();
    h.byteAfterNumber = r.u8();
    h.diveMode = r.u8();
    readHeaderSettings(r, h);
    h.gasMask = r.u16();
    for (int i = 0; i < 8; ++i) {
        h.gasO2[i] = r.u8();
        h.gasHe[i] = r.u8();
    }
    h.byteAfterGases = r.u8();
    for (auto& w : h.wordsAfterGases)
        w = r.u16();
    h.sampleCount = r.u32();
    h.alertWord = r.u32();
    readHeaderTimes(r, h);
    h.period = r.u8();
    Q_ASSERT(r.pos() == BinaryDive::HeaderLength);
    header = h;
    return true;
}

bool readDiveHeader(QIODevice& stream, DiveHeader& header)
{
    const QByteArray bytes = stream.read(BinaryDive::HeaderLength);
    return parseDiveHeader(bytes, header);
}

BinaryDiveContent parseBinaryDive(const QByteArray& data)
{
    BinaryDiveContent content;
    if (data.size() > BinaryDive::MaxFileSize) {
        content.status = BinaryDiveStatus::TooLarge;
        return content;
    }
    if (data.size() < BinaryDive::MagicLength
        || std::memcmp(data.constData(), BinaryDive::Magic, BinaryDive::MagicLength) != 0) {
        content.status = BinaryDiveStatus::BadMagic;
        return content;
    }
    if (!parseDiveHeader(data, content.header)) {
        content.status = BinaryDiveStatus::ShortHeader;
        return content;
    }
    // The count is the file's claim; only records actually present are read.
    const qint64 available = (data.size() - BinaryDive::HeaderLength) / BinaryDive::RecordLength;
    const qint64 records = std::min<qint64>(available, content.header.sampleCount);
    if (records < qint64(content.header.sampleCount))
        content.droppedBytes = (data.size() - BinaryDive::HeaderLength) % BinaryDive::RecordLength;
    content.samples.reserve(records);
    for (qint64 i = 0; i < records; ++i) {
        ByteCursor r(data, int(BinaryDive::HeaderLength + i * BinaryDive::RecordLength));
        DeviceSample s;
        s.depthWord = r.u16();
        s.flagByte = r.u8();
        r.u8();
        s.ceilingWord = r.u16();
        s.temperatureByte = r.u8();
        s.alertByte = r.u8();
        s.statusByte = r.u8();
        for (auto& t : s.tissues)
            t = r.u8();
        r.u8();
        s.extraWord = r.u16();
        content.samples.append(s);
    }
    if (content.samples.isEmpty())
        content.status = BinaryDiveStatus::NoSamples;
    else if (records < qint64(content.header.sampleCount))
        content.status = BinaryDiveStatus::FewerRecordsThanCount;
    else
        content.status = BinaryDiveStatus::Ok;
    return content;
}

void binaryDiveToProfile(const BinaryDiveContent& content, DiveProfile& dive)
{
    const DiveHeader& h = content.header;
    dive.name = QString::number(h.number);
    dive.origin = DiveOriginBinary;
    dive.diveMode = h.diveMode;
    dive.setPeriod(h.period);
    dive.setAlerts(h.alertWord, 0);
    dive.dateTime = h.startTime;
    dive.computer = QStringLiteral("Simulator");
    dive.serial = QStringLiteral("0000-0000-0000-0");
    dive.samples.clear();
    dive.samples.reserve(content.samples.size());
    double t = 0;
    for (const DeviceSample& s : content.samples) {
        DiveSample d;
        d.time = t;
        d.depth = s.depthDm() / 10.0;
        d.temperature = s.temperatureC();
        d.alertFlags = s.alertByte;
        const int v = s.ceilingValue();
        // The file's form of the no-decompression limit: its magnitude, with no ceiling.
        if (v >= 0)
            d.decoCeiling = v / 10.0;
        else
            d.noDecoValue = static_cast<quint16>(-v);
        dive.samples.append(d);
        t += h.period;
    }
}

QString binaryDiveStatusText(const BinaryDiveContent& content)
{
    switch (content.status) {
    case BinaryDiveStatus::Ok:
        return QStringLiteral("Binary dive read");
    case BinaryDiveStatus::FewerRecordsThanCount:
        return QStringLiteral("The file holds %1 of the %2 samples its header announces")
            .arg(content.samples.size())
            .arg(content.header.sampleCount);
    case BinaryDiveStatus::CannotOpen:
        return QStringLiteral("Cannot open the file");
    case BinaryDiveStatus::TooLarge:
        return QStringLiteral("The file is too large to be a binary dive file");
    case BinaryDiveStatus::BadMagic:
        return QStringLiteral("Not a binary dive file");
    case BinaryDiveStatus::ShortHeader:
        return QStringLiteral("The binary dive file is cut inside its header");
    case BinaryDiveStatus::NoSamples:
        return QStringLiteral("The binary dive file holds no sample");
    }
    return QString();
}
