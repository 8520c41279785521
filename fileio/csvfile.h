#pragma once

#include "dive/divesample.h"
#include "fileio/divelinesio.h"

#include <QByteArray>
#include <QList>

class QIODevice;

// CSV dive files. Reading takes a tab-separated table of exactly 20 columns per sample line;
// writing produces the French-titled report (summary line, then a ';'-titled sample table).
// The two directions are different formats: a written file is not meant to be read back.
class CsvFile : public DiveLinesIO
{
public:
    // Largest file the reader accepts.
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;

    // What parseSamples() saw besides the samples it kept.
    struct ParseStats
    {
        int sampleLines = 0; // 20-field lines kept as samples
        int skippedLines = 0; // 20-field lines dropped: a used field held no finite number
        int otherLines = 0; // lines without exactly 20 fields (titles, blank lines)
    };

    bool read(const QString& path, DiveProfile& dive) override;
    bool write(const QString& path, DiveProfile& dive) override;
    DiveOrigin fileType() const override { return DiveOriginCsv; }

    // Statistics of the last read.
    ParseStats lastReadStats() const { return m_stats; }

    // The decoding of the sample table, without file access.
    static QList<DiveSample> parseSamples(const QByteArray& data, ParseStats* stats = nullptr);
    // The report for a dive, written to an open device; false when any write fails.
    static bool writeReport(QIODevice& device, const DiveProfile& dive, int mode);

    // The process-wide CSV mode: 0 writes '.' as decimal mark, 1 writes ','. The logbook
    // export sets it from the "export/csvSeparator" setting before writing.
    static void setMode(int mode);
    static int mode();

private:
    ParseStats m_stats;
};
