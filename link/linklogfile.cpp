#include "link/linklogfile.h"

#include <QDateTime>
#include <QSaveFile>

LinkLogFile::LinkLogFile(const QString& path, qint64 maxBytes)
    : m_file(path)
    , m_maxBytes(maxBytes)
{ }

void LinkLogFile::append(const QString& line)
{
    if (!m_file.isOpen() && !m_file.open(QIODevice::Append | QIODevice::Text))
        return;
    const QByteArray text
        = (QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + QLatin1Char(' ') + line)
              .toUtf8()
        + '\n';
    if (m_file.write(text) != text.size())
        return;
    m_file.flush();
    if (m_file.size() > m_maxBytes)
        rotate();
}

void LinkLogFile::rotate()
{
    m_file.close();
    const QString older = m_file.fileName() + QStringLiteral(".1");
    QFile::remove(older);
    if (!QFile::rename(m_file.fileName(), older))
        QFile::remove(m_file.fileName());
}

bool LinkLogFile::saveTo(const QString& destination, QString* error)
{
    m_file.flush();
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    for (const QString& name : { m_file.fileName() + QStringLiteral(".1"), m_file.fileName() }) {
        QFile in(name);
        if (in.exists() && (!in.open(QIODevice::ReadOnly) || out.write(in.readAll()) < 0)) {
            *error = in.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
