#pragma once

#include <QFile>
#include <QString>

// The link's log kept in a file of the data folder, so a diver whose download failed can send
// it (Help > Save link log...). It holds what the link and the download report: commands,
// replies, time-outs, the serial; no owner name, no credentials. When the file passes its limit
// it becomes the ".1" file and a new one starts, so at most twice the limit is kept.
class LinkLogFile
{
public:
    static constexpr qint64 kMaxBytes = 1024 * 1024;

    explicit LinkLogFile(const QString& path, qint64 maxBytes = kMaxBytes);

    // Appends one line with its UTC time; a file that cannot be written is skipped silently
    // (the log must never stop the link).
    void append(const QString& line);
    // Writes the older file then the current one into `destination`; false with `error` set
    // when that fails.
    bool saveTo(const QString& destination, QString* error);
    QString path() const { return m_file.fileName(); }

private:
    void rotate();

    QFile m_file;
    qint64 m_maxBytes;
};
