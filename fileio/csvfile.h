#pragma once

#include "dive/divesample.h"
#include "fileio/divelinesio.h"

#include <QByteArray>
#include <QList>

class QIODevice;

// CSV dive files. Reading takes a tab-separated table of exactly 20 columns per sample line,
// or the profile layout this program writes. Writing produces either the French-titled report
// (summary line, then a ';'-titled sample table), which is not meant to be read back, or the
// profile layout: UTF-8, one English header row, one comma-separated row per sample.
class CsvFile : public DiveLinesIO
{
public:
    enum class Layout { Report, Profile };
    explicit CsvFile(Layout layout = Layout::Report)
        : m_layout(layout)
    { }

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
    QStringList warnings() const override;

    // Statistics of the last read.
    ParseStats lastReadStats() const { return m_stats; }

    // The decoding of the sample table, without file access.
    static QList<DiveSample> parseSamples(const QByteArray& data, ParseStats* stats = nullptr);
    // The report for a dive, written to an open device; false when any write fails.
    static bool writeReport(QIODevice& device, const DiveProfile& dive, int mode);
    // The profile layout's header row (without line end) and its writer.
    static const char* profileHeader();
    static QByteArray profileDocument(const DiveProfile& dive);
    // Reads the profile layout; false when the data does not start with its header. Rows
    // that are not numbers are counted as skipped.
    static bool parseProfile(const QByteArray& data, QList<DiveSample>& samples,
        QList<DiveGas>& gases, ParseStats* stats = nullptr);

    // The gas a gas name of the profile layout or the report names ("Air", "Nx32", "Tx18/45",
    // "Mix15/0"); false for text that names none.
    static bool gasFromName(const QString& text, DiveGas& gas);

    // The process-wide CSV mode: 0 writes '.' as decimal mark, 1 writes ','. The logbook
    // export sets it from the "export/csvSeparator" setting before writing.
    static void setMode(int mode);
    static int mode();

private:
    Layout m_layout;
    ParseStats m_stats;
};
