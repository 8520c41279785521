#include "fileio/xmlschema.h"

#include <QCoreApplication>
#include <QFile>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <memory>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("XmlSchema", text);
}

// Keeps the first error libxml2 reports; nothing is printed.
void firstError(void* context, xmlErrorPtr error)
{
    QString& text = *static_cast<QString*>(context);
    if (!text.isEmpty() || !error)
        return;
    text = tr("line %1: %2")
               .arg(error->line)
               .arg(QString::fromUtf8(error->message ? error->message : "").trimmed());
}

struct Freer
{
    void operator()(xmlSchemaParserCtxt* p) const { xmlSchemaFreeParserCtxt(p); }
    void operator()(xmlSchema* p) const { xmlSchemaFree(p); }
    void operator()(xmlSchemaValidCtxt* p) const { xmlSchemaFreeValidCtxt(p); }
    void operator()(xmlDoc* p) const { xmlFreeDoc(p); }
};
template <typename T> using Owned = std::unique_ptr<T, Freer>;

QString validate(const QByteArray& document)
{
    QFile file(QStringLiteral(":/schema/uddf_3.2.2.xsd"));
    if (!file.open(QIODevice::ReadOnly))
        return tr("The UDDF schema is missing from the program.");
    const QByteArray schemaText = file.readAll();
    QString error;
    Owned<xmlSchemaParserCtxt> parser(
        xmlSchemaNewMemParserCtxt(schemaText.constData(), int(schemaText.size())));
    if (!parser)
        return tr("The UDDF schema cannot be read.");
    xmlSchemaSetParserStructuredErrors(parser.get(), firstError, &error);
    Owned<xmlSchema> schema(xmlSchemaParse(parser.get()));
    if (!schema)
        return tr("The UDDF schema cannot be read: %1").arg(error);

    // The parser of this version takes no handler of its own: catch its errors for the parse.
    xmlSetStructuredErrorFunc(&error, firstError);
    Owned<xmlDoc> doc(xmlReadMemory(
        document.constData(), int(document.size()), nullptr, nullptr, XML_PARSE_NONET));
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!doc)
        return error.isEmpty() ? tr("The document is not well-formed XML.") : error;
    Owned<xmlSchemaValidCtxt> validator(xmlSchemaNewValidCtxt(schema.get()));
    if (!validator)
        return tr("Out of memory.");
    xmlSchemaSetValidStructuredErrors(validator.get(), firstError, &error);
    const int result = xmlSchemaValidateDoc(validator.get(), doc.get());
    if (result == 0)
        return QString();
    return error.isEmpty() ? tr("The document does not follow the UDDF schema.") : error;
}

} // namespace

namespace XmlSchema {

QString validateUddf(const QByteArray& document)
{
    return validate(document);
}

QString validateUddfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return tr("The file cannot be opened.");
    return validate(file.readAll());
}

} // namespace XmlSchema
