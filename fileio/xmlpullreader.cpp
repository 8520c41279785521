#include "fileio/xmlpullreader.h"

#include <libxml/xmlreader.h>

namespace {

// Deeper nesting than any dive file needs; a document that nests further is refused.
constexpr int MaxDepth = 64;

xmlTextReaderPtr readerOf(void* p)
{
    return static_cast<xmlTextReaderPtr>(p);
}

// Errors are reported through the status of the read, not printed on stderr.
void silentError(void*, xmlErrorPtr) { }

} // namespace

XmlPullReader::XmlPullReader(const QByteArray& data)
    : m_data(data)
{
    // XML_PARSE_NONET: no fetching; no XML_PARSE_NOENT, so entities stay unexpanded and a
    // "billion laughs" document cannot grow.
    m_reader = xmlReaderForMemory(m_data.constData(), int(m_data.size()), nullptr, nullptr,
        XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT);
    if (!m_reader)
        m_failed = true;
    else
        xmlTextReaderSetStructuredErrorHandler(readerOf(m_reader), silentError, nullptr);
}

XmlPullReader::~XmlPullReader()
{
    if (m_reader)
        xmlFreeTextReader(readerOf(m_reader));
}

bool XmlPullReader::next()
{
    if (!m_reader || m_failed)
        return false;
    for (;;) {
        const int status = xmlTextReaderRead(readerOf(m_reader));
        if (status != 1) {
            m_failed = status < 0;
            return false;
        }
        const int type = xmlTextReaderNodeType(readerOf(m_reader));
        if (type != XML_READER_TYPE_ELEMENT && type != XML_READER_TYPE_END_ELEMENT)
            continue;
        m_start = type == XML_READER_TYPE_ELEMENT;
        m_depth = xmlTextReaderDepth(readerOf(m_reader));
        if (m_depth > MaxDepth) {
            m_failed = true;
            return false;
        }
        const xmlChar* local = xmlTextReaderConstLocalName(readerOf(m_reader));
        m_name = QByteArray(reinterpret_cast<const char*>(local));
        if (m_lower)
            m_name = m_name.toLower();
        if (m_root.isEmpty() && m_start)
            m_root = m_name;
        return true;
    }
}

bool XmlPullReader::isEmptyElement() const
{
    return m_reader && m_start && xmlTextReaderIsEmptyElement(readerOf(m_reader)) == 1;
}

std::optional<QByteArray> XmlPullReader::attribute(const char* name) const
{
    if (!m_reader || !m_start)
        return std::nullopt;
    xmlChar* value = xmlTextReaderGetAttribute(readerOf(m_reader), BAD_CAST name);
    if (!value)
        return std::nullopt;
    QByteArray result(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return result;
}

void XmlPullReader::forEachAttribute(
    const std::function<void(const char* name, const char* value)>& visit)
{
    if (!m_reader || !m_start)
        return;
    xmlTextReaderPtr reader = readerOf(m_reader);
    if (xmlTextReaderMoveToFirstAttribute(reader) != 1)
        return;
    do {
        visit(reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader)),
            reinterpret_cast<const char*>(xmlTextReaderConstValue(reader)));
    } while (xmlTextReaderMoveToNextAttribute(reader) == 1);
    xmlTextReaderMoveToElement(reader);
}

QByteArray XmlPullReader::readText()
{
    if (!m_reader || !m_start || isEmptyElement())
        return QByteArray();
    QByteArray text;
    const int startDepth = m_depth;
    for (;;) {
        const int status = xmlTextReaderRead(readerOf(m_reader));
        if (status != 1) {
            m_failed = true;
            return text;
        }
        const int type = xmlTextReaderNodeType(readerOf(m_reader));
        const int depth = xmlTextReaderDepth(readerOf(m_reader));
        if (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA
            || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE) {
            text += reinterpret_cast<const char*>(xmlTextReaderConstValue(readerOf(m_reader)));
        } else if (type == XML_READER_TYPE_END_ELEMENT && depth == startDepth) {
            m_start = false;
            return text;
        } else if (depth > MaxDepth) {
            m_failed = true;
            return text;
        }
    }
}

QHash<QByteArray, QByteArray> XmlPullReader::readChildTexts()
{
    QHash<QByteArray, QByteArray> texts;
    if (!m_start || isEmptyElement())
        return texts;
    const int parent = m_depth;
    while (next()) {
        if (!m_start && m_depth == parent)
            break;
        if (m_start)
            texts.insert(m_name, readText().trimmed());
    }
    return texts;
}
