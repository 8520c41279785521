#pragma once

#include "dive/diverecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Which reader a dive file needs, told from its first bytes (XML root element, FIT header, JSON
// keys, CSV header) and, when the content says nothing, from its extension: other programs save
// UDDF as ".xml", Subsurface logbooks as ".dlf.xml", Seabear files as ".CSV".
DiveOrigin sniffDiveFormat(const QByteArray& head, const QString& path);
// Reads the file's first bytes and sniffs them; DiveOriginNone when it cannot be opened.
DiveOrigin diveFormatOfFile(const QString& path);

// The short name of a format ("uddf", "subsurface", "fit"...); empty for none.
QString diveFormatName(DiveOrigin format);
// "UDDF, Subsurface XML, ...": every format read, for messages and the command line's help.
QString readableFormatsText();
// The file-name patterns of every format read ("*.uddf", "*.xml", "*.fit"...).
QStringList readableFilePatterns();

// The whole file, refused above maxBytes; false with error set when it cannot be read.
bool readFileBytes(const QString& path, qint64 maxBytes, QByteArray& data, QString& error);
