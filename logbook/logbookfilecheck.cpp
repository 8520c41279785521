#include "logbook/logbookfilecheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int headerSize = 100;

quint32 bigEndian32(const QByteArray& bytes, int offset)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

} // namespace

LogbookFileStatus checkSqliteHeader(const QByteArray& header, qint64 fileSize)
{
    if (fileSize == 0)
        return LogbookFileStatus::Empty;
    if (fileSize < headerSize || header.size() < headerSize)
        return LogbookFileStatus::TooShort;
    static const char signature[16]
        = { 'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0' };
    if (QByteArray::fromRawData(signature, 16) != header.left(16))
        return LogbookFileStatus::NotSqlite;

    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    qint64 pageSize = (qint64(h[16]) << 8) | h[17];
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return LogbookFileStatus::BadHeader;
    // Fixed payload fractions; anything else is not a file SQLite wrote.
    if (h[21] != 64 || h[22] != 32 || h[23] != 32)
        return LogbookFileStatus::BadHeader;
    if (h[18] < 1 || h[19] < 1)
        return LogbookFileStatus::BadHeader;
    if (h[19] > 2)
        return LogbookFileStatus::UnsupportedVersion;

    if (fileSize % pageSize != 0)
        return LogbookFileStatus::Truncated;
    // The page count in the header is trustworthy only when it was written together with
    // the change counter.
    const quint32 changeCounter = bigEndian32(header, 24);
    const quint32 pageCount = bigEndian32(header, 28);
    const quint32 validFor = bigEndian32(header, 92);
    if (pageCount != 0 && validFor == changeCounter && fileSize < qint64(pageCount) * pageSize)
        return LogbookFileStatus::Truncated;
    return LogbookFileStatus::Valid;
}

LogbookFileStatus checkLogbookFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return LogbookFileStatus::Missing;
    if (!info.isFile())
        return LogbookFileStatus::NotAFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LogbookFileStatus::NotAFile;
    const qint64 size = file.size();
    const QByteArray header = file.read(headerSize);
    const LogbookFileStatus status = checkSqliteHeader(header, size);
    // After a crash during a commit the file may be cut short until SQLite plays back the
    // journal left beside it; let SQLite do that rather than refuse the logbook.
    if (status == LogbookFileStatus::Truncated) {
        const QFileInfo journal(path + QStringLiteral("-journal"));
        const QFileInfo wal(path + QStringLiteral("-wal"));
        if ((journal.isFile() && journal.size() > 0) || (wal.isFile() && wal.size() > 0))
            return LogbookFileStatus::Valid;
    }
    return status;
}

QString logbookFileStatusText(LogbookFileStatus status)
{
    switch (status) {
    case LogbookFileStatus::Missing:
    case LogbookFileStatus::Empty:
    case LogbookFileStatus::Valid:
        return QString();
    case LogbookFileStatus::TooShort:
        return QCoreApplication::translate(
            "LogbookDatabase", "The file is too short to be a logbook database.");
    case LogbookFileStatus::NotSqlite:
        return QCoreApplication::translate(
            "LogbookDatabase", "The file is not a logbook database (not an SQLite file).");
    case LogbookFileStatus::BadHeader:
        return QCoreApplication::translate(
            "LogbookDatabase", "The logbook database is damaged: its header is invalid.");
    case LogbookFileStatus::UnsupportedVersion:
        return QCoreApplication::translate(
            "LogbookDatabase", "The logbook database was written in a newer file format.");
    case LogbookFileStatus::Truncated:
        return QCoreApplication::translate(
            "LogbookDatabase", "The logbook database is damaged: the file is truncated.");
    case LogbookFileStatus::NotAFile:
        return QCoreApplication::translate(
            "LogbookDatabase", "The logbook path is not a readable file.");
    }
    return QString();
}
