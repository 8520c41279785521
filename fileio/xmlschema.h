#pragma once

#include <QByteArray>
#include <QString>

// Validation of XML documents against a W3C XML schema with libxml2, in the process.
namespace XmlSchema {

// The UDDF 3.2.2 schema built into the program: empty when the document is valid, else the
// first problem found, with its line.
QString validateUddf(const QByteArray& document);
QString validateUddfFile(const QString& path);

} // namespace XmlSchema
