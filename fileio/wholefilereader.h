#pragma once

#include "dive/divesample.h"
#include "fileio/divelinesio.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

// A reader of another program's dive file: the whole file is read (up to a limit) and handed to
// a pure function of its bytes, which the tests and fuzz targets call directly. These formats
// are read only.
class WholeFileReader : public DiveLinesIO
{
public:
    // Fills content's dives, refused and warnings, or sets its error; nothing else.
    using Parser = void (*)(const QByteArray& data, DiveFileContent& content);
    static constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

    WholeFileReader(DiveOrigin format, Parser parser)
        : m_format(format)
        , m_parser(parser)
    { }

    bool read(const QString& path, DiveProfile& dive) override;
    bool readDives(
        const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused) override;
    bool write(const QString& path, DiveProfile& dive) override;
    DiveOrigin fileType() const override { return m_format; }
    QStringList warnings() const override { return m_warnings; }

private:
    DiveOrigin m_format;
    Parser m_parser;
    QStringList m_warnings;
};

// Small pieces every such reader needs.
namespace filevalues {

// The number at the start of the text (blanks skipped, C notation, a unit after it ignored:
// "29.79 m", "32.0%"); nothing when there is none or it is not finite.
std::optional<double> leadingNumber(const char* text, qsizetype length);
inline std::optional<double> leadingNumber(const QByteArray& text)
{
    return leadingNumber(text.constData(), text.size());
}
// "61:47 min", "0:27", "1:02:03" (hours first) or plain seconds; nothing when unreadable.
std::optional<double> minutesSeconds(const QByteArray& text);
// A wall-clock date and time without zone as the system's local time, in seconds since
// 1970 UTC; 0 when it is no date.
qint64 localDateTime(int year, int month, int day, int hour, int minute, int second);
// The number as an int, clamped into the int range (NaN gives 0): outside data may hold 4e27.
int wholeNumber(double value);
// A tank pressure as the sample stores it: bar as a float, nothing outside 0 to 1000 bar
// (a float cannot hold what a file may write: 1e300).
float tankBar(double bar);
// Puts samples in time order (stable), for files whose rows are not.
void sortByTime(QList<DiveSample>& samples);
// A gas share as percent: values above 1 are percent already, others fractions ("0.21").
int gasPercent(double value);
// "LAT LON" or "LAT, LON" in decimal degrees; nothing when out of range or 0/0 (no fix).
bool geoPosition(const QByteArray& text, double& latitude, double& longitude);

} // namespace filevalues
