#include "fileio/divelinesio.h"

#include "dive/diveprofile.h"
#include "fileio/binarydivefile.h"
#include "fileio/csvfile.h"
#include "fileio/csvmapping.h"
#include "fileio/divefileformat.h"
#include "fileio/fitfile.h"
#include "fileio/subsurfacexml.h"
#include "fileio/suuntofile.h"
#include "fileio/udcffile.h"
#include "fileio/uddf.h"
#include "fileio/wholefilereader.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {

// Start of the file-name component: after the last '\', or after the last '/' when there is
// no '\'; -1 when the path has neither.
qsizetype fileNameStart(const QString& path)
{
    qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0)
        slash = path.lastIndexOf(QLatin1Char('/'));
    return slash;
}

} // namespace

QString fileNameOf(const QString& path)
{
    return path.mid(fileNameStart(path) + 1);
}

QString extensionOf(const QString& path)
{
    const QString name = fileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    QString extension = name.mid(dot);
    // ASCII only, as the extension table is.
    for (QChar& c : extension) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return extension;
}

DiveOrigin fileTypeOf(const QString& path)
{
    const QString extension = extensionOf(path);
    if (extension == QLatin1String(".csv"))
        return DiveOriginCsv;
    if (extension == QLatin1String(".uddf"))
        return DiveOriginUddf;
    if (extension == QLatin1String(".divebin"))
        return DiveOriginBinary;
    return DiveOriginNone;
}

QString fileNameWithoutExtension(const QString& path)
{
    const qsizetype start = fileNameStart(path);
    if (start < 0)
        return path;
    const QString name = path.mid(start + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

std::unique_ptr<DiveLinesIO> makeReader(const QString& path, const DiveReadOptions& options)
{
    if (options.csv)
        return std::make_unique<CsvMappedReader>(*options.csv);
    // One line per format.
    switch (diveFormatOfFile(path)) {
    case DiveOriginCsv:
        return makeCsvReader(path);
    case DiveOriginUddf:
        return std::make_unique<UDDF>();
    case DiveOriginBinary:
        return std::make_unique<BinaryDiveFile>();
    case DiveOriginSubsurface:
        return std::make_unique<WholeFileReader>(DiveOriginSubsurface, &SubsurfaceXml::parse);
    case DiveOriginSuunto:
        return std::make_unique<WholeFileReader>(DiveOriginSuunto, &SuuntoFile::parse);
    case DiveOriginUdcf:
        return std::make_unique<WholeFileReader>(DiveOriginUdcf, &UdcfFile::parse);
    case DiveOriginFit:
        return std::make_unique<WholeFileReader>(DiveOriginFit, &FitFile::parse);
    default:
        return nullptr;
    }
}

std::unique_ptr<DiveLinesIO> makeWriter(DiveOrigin code)
{
    // One line per format that can be written (the binary dive file cannot).
    switch (code) {
    case DiveOriginCsv:
        return std::make_unique<CsvFile>();
    case DiveOriginUddf:
        return std::make_unique<UDDF>();
    default:
        return nullptr;
    }
}

std::unique_ptr<DiveLinesIO> makeWriter(const QString& path)
{
    return makeWriter(fileTypeOf(path));
}

bool exportDive(DiveProfile& dive, const QString& path, QString* errorText, bool csvProfile)
{
    std::unique_ptr<DiveLinesIO> writer = csvProfile && fileTypeOf(path) == DiveOriginCsv
        ? std::make_unique<CsvFile>(CsvFile::Layout::Profile)
        : makeWriter(path);
    if (!writer) {
        if (errorText)
            *errorText = QCoreApplication::translate(
                "DiveLinesIO", "Dives cannot be written as \"%1\" files.")
                             .arg(extensionOf(path));
        return false;
    }
    const bool written = writer->write(path, dive);
    if (!written && errorText)
        *errorText = writer->errorString();
    return written;
}

bool DiveLinesIO::readFirstDive(const QString& path, DiveProfile& dive)
{
    QList<DiveProfile> dives;
    QList<RefusedDive> refused;
    if (!readDives(path, dives, refused))
        return false;
    if (dives.isEmpty()) {
        setErrorString(refused.isEmpty()
                ? QCoreApplication::translate("DiveLinesIO", "%1 holds no dive.")
                      .arg(fileNameOf(path))
                : refused.constFirst().reason);
        return false;
    }
    dive = std::move(dives.first());
    return true;
}

bool DiveLinesIO::readDives(
    const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    DiveProfile dive;
    if (!read(path, dive))
        return false;
    dives = { std::move(dive) };
    refused.clear();
    return true;
}

bool DiveLinesIO::writeDives(const QString& path, const QList<DiveProfile>& dives)
{
    if (dives.size() != 1) {
        setErrorString(QCoreApplication::translate("DiveLinesIO",
            "This file format holds one dive; %n dives were chosen.", nullptr, int(dives.size())));
        return false;
    }
    DiveProfile dive = dives.constFirst();
    return write(path, dive);
}

bool exportDives(const QList<DiveProfile>& dives, const QString& path, QString* errorText)
{
    std::unique_ptr<DiveLinesIO> writer = makeWriter(path);
    if (!writer) {
        if (errorText)
            *errorText = QCoreApplication::translate(
                "DiveLinesIO", "Dives cannot be written as \"%1\" files.")
                             .arg(extensionOf(path));
        return false;
    }
    const bool written = writer->writeDives(path, dives);
    if (!written && errorText)
        *errorText = writer->errorString();
    return written;
}

QString noStartDateText()
{
    return QCoreApplication::translate("DiveLinesIO", "no start date: give --date");
}

DiveFileContent readDiveFile(const QString& path, const DiveReadOptions& options)
{
    DiveFileContent content;
    std::unique_ptr<DiveLinesIO> reader = makeReader(path, options);
    if (!reader) {
        content.error = QCoreApplication::translate("DiveProfile", "Unknown dive file type: %1")
                            .arg(fileNameOf(path))
            + QLatin1Char('\n')
            + QCoreApplication::translate("DiveLinesIO", "Files read: %1.")
                  .arg(readableFormatsText());
        return content;
    }
    content.format = reader->fileType();
    if (!reader->readDives(path, content.dives, content.refused)) {
        content.error = reader->errorString();
        if (content.error.isEmpty())
            content.error = QCoreApplication::translate("DiveLinesIO", "Cannot read %1")
                                .arg(fileNameOf(path));
        content.dives.clear();
        content.refused.clear();
        return content;
    }
    content.warnings = reader->warnings();
    QList<DiveProfile> dated;
    for (DiveProfile& dive : content.dives) {
        dive.origin = reader->fileType();
        // A dive without samples keeps the summary its file gave.
        if (!dive.samples.isEmpty())
            dive.computeStatistics();
        dive.computeSpeeds(false);
        dive.sourceFileName = fileNameOf(path);
        if (dive.dateTime == 0)
            dive.dateTime = options.fallbackDateTime;
        if (dive.dateTime != 0) {
            dated << std::move(dive);
            continue;
        }
        ++content.undated;
        content.refused << RefusedDive {
            dive.name.isEmpty() ? fileNameWithoutExtension(path) : dive.name, noStartDateText()
        };
    }
    content.dives = std::move(dated);
    return content;
}

bool readFirstDive(const QString& path, DiveProfile& dive, QString* errorText)
{
    DiveFileContent content = readDiveFile(path);
    if (content.ok() && content.dives.isEmpty())
        content.error = content.refused.isEmpty()
            ? QCoreApplication::translate("DiveLinesIO", "%1 holds no dive.").arg(fileNameOf(path))
            : content.refused.constFirst().reason;
    if (!content.ok()) {
        if (errorText)
            *errorText = content.error;
        return false;
    }
    dive = std::move(content.dives.first());
    return true;
}
