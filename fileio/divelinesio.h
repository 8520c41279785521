#pragma once

#include "dive/diverecords.h"

#include <QString>

#include <memory>

class DiveProfile;

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

    // Why the last read or write failed (empty after success).
    QString errorString() const { return m_errorString; }

protected:
    void setErrorString(const QString& text) { m_errorString = text; }

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

// The reader for the path's extension, or null.
std::unique_ptr<DiveLinesIO> makeReader(const QString& path);
// The writer for the path's extension or for a DiveOrigin code, or null (.divebin has none).
std::unique_ptr<DiveLinesIO> makeWriter(const QString& path);
std::unique_ptr<DiveLinesIO> makeWriter(DiveOrigin code);

// Writes the dive with the writer for the path's extension; false when there is none or the
// write fails (errorText, if given, says why).
bool exportDive(DiveProfile& dive, const QString& path, QString* errorText = nullptr);
