#include "dive/diveprofile.h"

#include <QIODevice>
#include <QtEndian>

#include <cmath>

// The profile record of plan files: texts as a 64-bit byte count and UTF-8 bytes, numbers
// little-endian, samples as their 104 raw bytes. Counts come from outside and are checked
// against the bytes that are left before anything is allocated for them.

namespace {

class RecordReader
{
public:
    explicit RecordReader(QIODevice& device)
        : m_device(device)
    { }

    ProfileRecordStatus status() const { return m_status; }
    bool ok() const { return m_status == ProfileRecordStatus::Ok; }

    qint64 bytesLeft() const
    {
        return m_device.isSequential() ? m_device.bytesAvailable()
                                       : m_device.size() - m_device.pos();
    }

    bool raw(void* out, qint64 size)
    {
        if (!ok())
            return false;
        if (bytesLeft() < size || m_device.read(static_cast<char*>(out), size) != size) {
            m_status = ProfileRecordStatus::Truncated;
            return false;
        }
        return true;
    }

    template <typename T> T number()
    {
        uchar bytes[sizeof(T)] = {};
        raw(bytes, sizeof(T));
        return qFromLittleEndian<T>(bytes);
    }

    // A count of records of at least recordSize bytes each, all of which must fit in what
    // is left.
    quint64 count(qint64 recordSize)
    {
        const quint64 n = number<quint64>();
        if (ok() && n > quint64(bytesLeft()) / quint64(recordSize))
            m_status = ProfileRecordStatus::LengthTooLarge;
        return ok() ? n : 0;
    }

    QString text()
    {
        const quint64 length = count(1);
        if (!ok() || length == 0)
            return QString();
        QByteArray bytes(qsizetype(length), Qt::Uninitialized);
        if (!raw(bytes.data(), qint64(length)))
            return QString();
        return QString::fromUtf8(bytes);
    }

    void fail(ProfileRecordStatus status)
    {
        if (ok())
            m_status = status;
    }

private:
    QIODevice& m_device;
    ProfileRecordStatus m_status = ProfileRecordStatus::Ok;
};

class RecordWriter
{
public:
    explicit RecordWriter(QIODevice& device)
        : m_device(device)
    { }
    bool ok() const { return m_ok; }

    void raw(const void* data, qint64 size)
    {
        if (m_ok && size > 0)
            m_ok = m_device.write(static_cast<const char*>(data), size) == size;
    }
    template <typename T> void number(T value)
    {
        uchar bytes[sizeof(T)];
        qToLittleEndian<T>(value, bytes);
        raw(bytes, sizeof(T));
    }
    void text(const QString& value)
    {
        const QByteArray bytes = value.toUtf8();
        number<quint64>(quint64(bytes.size()));
        raw(bytes.constData(), bytes.size());
    }

private:
    QIODevice& m_device;
    bool m_ok = true;
};

// Smallest size of one gas in the record: two empty texts and two 32-bit numbers.
constexpr qint64 kMinGasBytes = 8 + 8 + 4 + 4;

} // namespace

bool DiveProfile::saveProfile(QIODevice& out) const
{
    RecordWriter w(out);
    w.text(sourceFileName);
    w.text(name);
    w.text(computer);
    w.text(extraText);
    w.text(serial);
    w.number<qint64>(dateTime);
    w.number<quint32>(origin);
    w.number<double>(duration);
    w.number<double>(maxDepth);
    w.number<double>(meanDepth);
    w.number<double>(maxTemperature);
    w.number<quint64>(quint64(gases.size()));
    for (const DiveGas& gas : gases) {
        w.text(gas.id);
        w.text(gas.name);
        w.number<qint32>(gas.o2);
        w.number<qint32>(gas.he);
    }
    w.number<quint32>(diveMode);
    const DiveAlertBlock block = alertBlock();
    w.number<quint8>(block.period);
    w.number<quint32>(block.alerts);
    w.number<quint8>(block.alertExtra);
    w.number<quint64>(quint64(samples.size()));
    // The samples' in-memory layout is the stored one (checked where DiveSample is declared).
    for (const DiveSample& sample : samples)
        w.raw(&sample, qint64(sizeof(DiveSample)));
    return w.ok();
}

bool DiveProfile::loadProfile(QIODevice& in, ProfileRecordStatus* status)
{
    // Everything is read into locals; the profile changes only when the whole record is good.
    RecordReader r(in);
    const QString newSourceFileName = r.text();
    const QString newName = r.text();
    const QString newComputer = r.text();
    const QString newExtraText = r.text();
    const QString newSerial = r.text();
    const qint64 newDateTime = r.number<qint64>();
    const quint32 newOrigin = r.number<quint32>();
    const double newDuration = r.number<double>();
    const double newMaxDepth = r.number<double>();
    const double newMeanDepth = r.number<double>();
    const double newMaxTemperature = r.number<double>();

    QList<DiveGas> newGases;
    const quint64 gasCount = r.count(kMinGasBytes);
    newGases.reserve(qsizetype(gasCount));
    for (quint64 i = 0; i < gasCount && r.ok(); ++i) {
        DiveGas gas;
        gas.id = r.text();
        gas.name = r.text();
        gas.o2 = r.number<qint32>();
        gas.he = r.number<qint32>();
        newGases.append(gas);
    }

    const quint32 newDiveMode = r.number<quint32>();
    DiveAlertBlock block;
    block.period = r.number<quint8>();
    block.alerts = r.number<quint32>();
    block.alertExtra = r.number<quint8>();

    QList<DiveSample> newSamples;
    const quint64 sampleCount = r.count(qint64(sizeof(DiveSample)));
    newSamples.resize(qsizetype(sampleCount));
    for (DiveSample& sample : newSamples) {
        if (!r.raw(&sample, qint64(sizeof(DiveSample))))
            break;
        if (sample.gasIndex < -1 || sample.gasIndex >= newGases.size()) {
            r.fail(ProfileRecordStatus::BadGasIndex);
            break;
        }
        if (!std::isfinite(sample.time) || !std::isfinite(sample.depth)) {
            r.fail(ProfileRecordStatus::BadSample);
            break;
        }
    }

    if (status)
        *status = r.status();
    if (!r.ok())
        return false;

    sourceFileName = newSourceFileName;
    name = newName;
    computer = newComputer;
    extraText = newExtraText;
    serial = newSerial;
    dateTime = newDateTime;
    origin = DiveOrigin(newOrigin);
    duration = newDuration;
    maxDepth = newMaxDepth;
    meanDepth = newMeanDepth;
    maxTemperature = newMaxTemperature;
    gases = std::move(newGases);
    diveMode = newDiveMode;
    setAlertBlock(block);
    samples = std::move(newSamples);
    return true;
}
