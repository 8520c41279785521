#pragma once

#include "fileio/divelinesio.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// Which column of a CSV table holds what, and how its values are written. Columns count from 1;
// 0 means the table has no such column.
struct CsvColumnMapping
{
    enum Field { Time, Depth, Temperature, Pressure, PpO2, DiveNumber, Date, Clock, FieldCount };
    enum class TimeUnit { Seconds, Minutes, MinutesSeconds }; // m:ss, or h:mm:ss
    int columns[FieldCount] = {};
    // Header names that locate a column instead of its number (Seabear's columns depend on the
    // mode); empty when the number is used.
    QByteArray names[FieldCount];
    char separator = 0; // 0: the header line's most frequent of tab, ';' and ','
    char decimalMark = '.';
    TimeUnit timeUnit = TimeUnit::Seconds;
    bool feet = false;
    bool fahrenheit = false;
    bool psi = false;
    double intervalS = 0; // no time column: row k lies at k x interval
    bool dataAfterBlankLine = false; // the table starts after the first blank line below its header
    bool diveList = false; // one dive per row (Subsurface's dive list), no samples
    QString preset;
};

// The presets by name: "subsurface-profile", "subsurface-divelist", "seabear", "sensus-ultra".
QStringList csvPresetNames();
bool csvPreset(const QString& name, CsvColumnMapping& mapping);
// "time=1,depth=2,temperature=3,pressure=4,ppo2=5,number=6,date=7,clock=8" with the options
// "separator=tab|semicolon|comma", "decimal=comma|dot", "time-unit=s|min|m:ss",
// "depth-unit=m|ft", "temperature-unit=c|f", "pressure-unit=bar|psi", "interval=SECONDS".
bool parseCsvColumns(const QString& text, CsvColumnMapping& mapping, QString& error);
// The preset whose layout the file's first bytes show; false for none.
bool detectCsvPreset(const QByteArray& head, CsvColumnMapping& mapping);

// Reads a CSV table with a mapping: one dive, or one per dive number/date/time key (Subsurface's
// profile export), or one per row (its dive list). Metadata lines ("//2012.10.01 06:49:48",
// "Log interval: 5 s", a Seabear gas table) give the date, the interval and the gases.
void parseMappedCsv(
    const QByteArray& data, const CsvColumnMapping& mapping, DiveFileContent& content);

class CsvMappedReader : public DiveLinesIO
{
public:
    explicit CsvMappedReader(const CsvColumnMapping& mapping)
        : m_mapping(mapping)
    { }
    bool read(const QString& path, DiveProfile& dive) override;
    bool readDives(
        const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused) override;
    bool write(const QString& path, DiveProfile& dive) override;
    DiveOrigin fileType() const override { return DiveOriginCsv; }
    QStringList warnings() const override { return m_warnings; }

private:
    CsvColumnMapping m_mapping;
    QStringList m_warnings;
};

// The reader for a CSV file: a preset its content shows, this program's report, or the
// program's own sample table and profile layout.
std::unique_ptr<DiveLinesIO> makeCsvReader(const QString& path);
