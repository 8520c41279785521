#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

// The maker's firmware catalogue as the code host serves it: a JSON object whose "content" is
// the Base64 form of a JSON array of entries, and a listing of the repository's files with their
// download addresses. Pure functions of the bytes received, so every bad reply can be tried.

// One catalogue line.
struct FirmwareEntry
{
    QString fileName; // "File"
    QString version; // "Version" as x.y.z.c
    quint32 versionWord = 0; // "Version" read as one hexadecimal number
    QString description; // "Description"
    QColor color = Qt::white; // "Color", #rrggbb; white when empty or malformed
    QString dateText; // "DateTime" with T and Z as "_" and ":" as "-"
    QString downloadUrl; // from the repository listing; empty when the file is not there
    int major = 0;
    int minor = 0;
    int patch = 0;
    quint16 letter = '0';
    QByteArray image; // loaded before installation
};

// Bounds on what a reply may hold before it is refused as not being a catalogue.
constexpr qsizetype kMaxCatalogueBytes = 1024 * 1024;
constexpr int kMaxCatalogueEntries = 1000;

enum class CatalogueStatus {
    Ok,
    Empty,
    TooLarge,
    NotJson, // not a JSON document of the expected shape
    NoContent, // the catalogue object has no "content" text
    BadBase64,
    TooManyEntries,
};

QString catalogueStatusText(CatalogueStatus status);

// Builds an entry from the catalogue's texts.
FirmwareEntry makeFirmwareEntry(const QString& file, const QString& version,
    const QString& description, const QString& color, const QString& dateTime);
QColor catalogueColor(const QString& text);
QString catalogueDateText(const QString& dateTime);

// The catalogue reply: entries in catalogue order. On failure `entries` is untouched.
CatalogueStatus parseCatalogue(const QByteArray& reply, QList<FirmwareEntry>* entries);

// The repository listing: for each ".bin" file (suffix compared case-sensitively), its
// "download_url" goes to the first entry of that exact file name, when `urlAllowed` accepts it.
// `matched` counts the entries that got an address. On failure `entries` is untouched.
CatalogueStatus applyRepositoryListing(const QByteArray& reply, QList<FirmwareEntry>* entries,
    const std::function<bool(const QUrl&)>& urlAllowed, int* matched = nullptr);

// The entry's file name in the Firmwares folder: File-DateTime-Version.bin, with every
// character other than ASCII letters, digits, '.', '_' and '-' replaced by '_', no leading dot
// and a bounded length, so that no remote text can name a path outside the folder.
QString localFirmwareName(const FirmwareEntry& entry);

// The name the computer gets for an image file: the file name without its ".bin".
QString firmwareNameOfFile(const QString& fileName);
