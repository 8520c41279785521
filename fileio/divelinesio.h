#pragma once

#include "dive/diverecords.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class DiveProfile;

// A dive of a file that was not taken, and why (shown to the user, named in import summaries).
struct RefusedDive
{
    QString name;
    QString reason;
};

// A dive file format: reads a file into a DiveProfile, writes one, or both. Objects are made
// per call by the factories below and hold no state between calls.
class DiveLinesIO
{
public:
    virtual ~DiveLinesIO() = default;
    // Fills the profile from the file. On failure the profile is left as it was and
    // errorString() says why.
    virtual bool read(const QString& path, DiveProfile& dive) = 0;
    // Writes the profile; an existing file is replaced only when the whole file was written.
    virtual bool write(const QString& path, DiveProfile& dive) = 0;
    virtual DiveOrigin fileType() const = 0;

    // Every dive of the file, in file order; dives the reader cannot take go to refused. The
    // lists are replaced only when the file could be read. Formats of one dive per file read
    // it through read().
    virtual bool readDives(
        const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused);
    // Writes several dives into one file; formats of one dive per file take exactly one.
    virtual bool writeDives(const QString& path, const QList<DiveProfile>& dives);
    // Remarks of the last successful read the user should see (skipped lines, a short file).
    virtual QStringList warnings() const { return QStringList(); }

    // Why the last read or write failed (empty after success).
    QString errorString() const { return m_errorString; }

protected:
    void setErrorString(const QString& text) { m_errorString = text; }
    // read() for formats of many dives: the first dive readDives() gives; a file without one
    // fails with the first refusal's reason, or saying it holds no dive.
    bool readFirstDive(const QString& path, DiveProfile& dive);

private:
    QString m_errorString;
};

// The file-name component's extension from its last '.', lower-cased (".csv"); empty when
// the file name has no '.'.
QString extensionOf(const QString& path);
// The DiveOrigin code of the extension: ".csv" 1, ".uddf" 2, ".divebin" 3, other 5.
DiveOrigin fileTypeOf(const QString& path);
// The file-name component without its extension. A path with no '\' or '/' is returned
// unchanged, extension included (dive names of existing logbooks rely on it).
QString fileNameWithoutExtension(const QString& path);
// The file-name component: the text after the last '\' or '/'.
QString fileNameOf(const QString& path);

struct CsvColumnMapping;

// How a file is to be read beyond what it says itself.
struct DiveReadOptions
{
    qint64 fallbackDateTime = 0; // start of dives whose file gives none; 0 refuses them
    const CsvColumnMapping* csv = nullptr; // columns of a CSV file, instead of guessing
};

// The reader for the file's content (or, when the content says nothing, its extension), or
// null.
std::unique_ptr<DiveLinesIO> makeReader(const QString& path, const DiveReadOptions& options = {});
// The writer for the path's extension or for a DiveOrigin code, or null (.divebin has none).
std::unique_ptr<DiveLinesIO> makeWriter(const QString& path);
std::unique_ptr<DiveLinesIO> makeWriter(DiveOrigin code);

// Writes the dive with the writer for the path's extension; false when there is none or the
// write fails (errorText, if given, says why).
// With csvProfile, a ".csv" path gets the CSV (profile) layout instead of the report.
bool exportDive(
    DiveProfile& dive, const QString& path, QString* errorText = nullptr, bool csvProfile = false);
// Writes several dives into one file (UDDF; a one-dive format takes exactly one dive).
bool exportDives(
    const QList<DiveProfile>& dives, const QString& path, QString* errorText = nullptr);

// What a dive file holds, read by the reader its content calls for. Each dive has its origin,
// its statistics and speeds computed (a dive without samples keeps the duration and depths its
// file gave) and the file name as sourceFileName. A dive whose file gives no start time takes
// options.fallbackDateTime, and is refused ("no start date") without one.
struct DiveFileContent
{
    DiveOrigin format = DiveOriginNone;
    QList<DiveProfile> dives;
    QList<RefusedDive> refused;
    QStringList warnings;
    QString error; // why the file as a whole could not be read; empty on success
    int undated = 0; // dives refused for want of a start date
    bool ok() const { return error.isEmpty(); }
};
DiveFileContent readDiveFile(const QString& path, const DiveReadOptions& options = {});
// The reason given for a dive refused without a start date.
QString noStartDateText();
// The first dive of the file; false (errorText says why) when the file gives none.
bool readFirstDive(const QString& path, DiveProfile& dive, QString* errorText = nullptr);
