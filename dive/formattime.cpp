#include "dive/formattime.h"

#include <cstdio>
#include <ctime>
#include <limits>

namespace {

QString clockText(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 hours = seconds / 3600;
    const int minutes = int((seconds % 3600) / 60);
    const int rest = int(seconds % 60);
    if (hours > 0)
        return QString::asprintf("%02lld:%02d:%02d", static_cast<long long>(hours), minutes, rest);
    return QString::asprintf("%02d:%02d", minutes, rest);
}

} // namespace

QString formatTime(int seconds)
{
    return clockText(seconds);
}

QString diveDateText(qint64 startTime)
{
    const std::time_t t = static_cast<std::time_t>(startTime);
    std::tm parts {};
    if (gmtime_r(&t, &parts) == nullptr)
        return QStringLiteral("error");
    char buffer[20];
    if (std::strftime(buffer, sizeof buffer, "%d/%m/%Y %H:%M", &parts) == 0)
        return QStringLiteral("error");
    return QString::fromLatin1(buffer);
}

QString diveDurationText(qint64 startTime, qint64 endTime)
{
    // Header times come from the computer and may be garbage: never overflow the difference.
    if (endTime <= startTime)
        return clockText(0);
    const quint64 difference = quint64(endTime) - quint64(startTime);
    return clockText(difference > quint64(std::numeric_limits<qint64>::max())
            ? std::numeric_limits<qint64>::max()
            : qint64(difference));
}

double diveMaxDepthM(int maxDepthDm)
{
    return maxDepthDm > 0 ? maxDepthDm / 10.0 : 0.0;
}

void appendUInt16(QByteArray& bytes, quint16 value)
{
    bytes.append(char(value & 0xff));
    bytes.append(char(value >> 8));
}

void appendUInt32(QByteArray& bytes, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((value >> shift) & 0xff));
}

QString diveDateFormat(const QLocale& locale)
{
    // Short formats often carry a two-digit year ("M/d/yy"); a logbook spans decades.
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString diveStartText(const QDateTime& local, const QLocale& locale)
{
    return locale.toString(local, diveDateFormat(locale) + QStringLiteral(" hh:mm"));
}
