#include "fileio/wholefilereader.h"

#include "dive/diveprofile.h"
#include "fileio/divefileformat.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

bool WholeFileReader::readDives(
    const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    setErrorString(QString());
    m_warnings.clear();
    QByteArray data;
    QString error;
    if (!readFileBytes(path, MaxFileBytes, data, error)) {
        setErrorString(error);
        return false;
    }
    DiveFileContent content;
    m_parser(data, content);
    if (!content.ok()) {
        setErrorString(fileNameOf(path) + QStringLiteral(": ") + content.error);
        return false;
    }
    dives = std::move(content.dives);
    refused = std::move(content.refused);
    m_warnings = content.warnings;
    return true;
}

bool WholeFileReader::read(const QString& path, DiveProfile& dive)
{
    return readFirstDive(path, dive);
}

bool WholeFileReader::write(const QString& path, DiveProfile&)
{
    setErrorString(
        QCoreApplication::translate("DiveLinesIO", "Dives cannot be written as \"%1\" files.")
            .arg(extensionOf(path)));
    return false;
}

namespace filevalues {

std::optional<double> leadingNumber(const char* text, qsizetype length)
{
    const char* begin = text;
    const char* end = text + length;
    while (begin < end && (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n'))
        ++begin;
    if (begin < end && *begin == '+')
        ++begin;
    double value = 0;
    const std::from_chars_result result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> minutesSeconds(const QByteArray& text)
{
    const QList<QByteArray> parts = text.trimmed().split(' ').constFirst().split(':');
    if (parts.size() > 3)
        return std::nullopt;
    double total = 0;
    for (const QByteArray& part : parts) {
        const std::optional<double> value = leadingNumber(part);
        if (!value || *value < 0)
            return std::nullopt;
        total = total * 60 + *value;
    }
    return total;
}

qint64 localDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid() || year < 1900)
        return 0;
    return QDateTime(date, time, Qt::LocalTime).toSecsSinceEpoch();
}

void sortByTime(QList<DiveSample>& samples)
{
    const auto byTime = [](const DiveSample& a, const DiveSample& b) { return a.time < b.time; };
    if (!std::is_sorted(samples.cbegin(), samples.cend(), byTime))
        std::stable_sort(samples.begin(), samples.end(), byTime);
}

float tankBar(double bar)
{
    return std::isfinite(bar) && bar > 0 && bar < 1000 ? float(bar) : 0.0f;
}

int wholeNumber(double value)
{
    if (std::isnan(value))
        return 0;
    return int(std::clamp(
        value, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

int gasPercent(double value)
{
    if (!std::isfinite(value) || value < 0)
        return 0;
    const double percent = value > 1 ? value : value * 100;
    return int(std::lround(std::min(percent, 100.0)));
}

bool geoPosition(const QByteArray& text, double& latitude, double& longitude)
{
    QByteArray cleaned = text;
    cleaned.replace(',', ' ');
    const QList<QByteArray> parts = cleaned.simplified().split(' ');
    if (parts.size() != 2)
        return false;
    const std::optional<double> lat = leadingNumber(parts.at(0));
    const std::optional<double> lon = leadingNumber(parts.at(1));
    if (!lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180 || (*lat == 0 && *lon == 0))
        return false;
    latitude = *lat;
    longitude = *lon;
    return true;
}

} // namespace filevalues
