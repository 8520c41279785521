#include "fileio/xmlstream.h"

#include "fileio/xmlpathdocument.h"

#include <QFile>

#include <cstring>

namespace {

// Errors are reported through the status; nothing is printed.
void quiet(void*, xmlErrorPtr) { }

// No network, no external entities or DTDs; entity references are kept as they stand.
constexpr int kReaderOptions = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;

} // namespace

XmlStream::~XmlStream()
{
    if (m_reader)
        xmlFreeTextReader(m_reader);
}

bool XmlStream::fail(Status status)
{
    m_status = status;
    return false;
}

bool XmlStream::openFile(const QString& path, const char* rootName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Status::CannotOpen);
    if (file.size() > maxFileSize)
        return fail(Status::TooLarge);
    file.close();
    return open(
        xmlReaderForFile(QFile::encodeName(path).constData(), nullptr, kReaderOptions), rootName);
}

bool XmlStream::openData(const QByteArray& data, const char* rootName)
{
    if (data.size() > maxFileSize)
        return fail(Status::TooLarge);
    if (data.isEmpty())
        return fail(Status::NotXml);
    return open(
        xmlReaderForMemory(data.constData(), int(data.size()), nullptr, nullptr, kReaderOptions),
        rootName);
}

bool XmlStream::open(xmlTextReaderPtr reader, const char* rootName)
{
    if (!reader)
        return fail(Status::CannotOpen);
    m_reader = reader;
    xmlTextReaderSetStructuredErrorHandler(m_reader, quiet, nullptr);
    int result = 0;
    while ((result = xmlTextReaderRead(m_reader)) == 1) {
        if (xmlTextReaderNodeType(m_reader) != XML_READER_TYPE_ELEMENT)
            continue;
        if (!XmlTree::nameIs(xmlTextReaderCurrentNode(m_reader), rootName))
            return fail(Status::WrongRoot);
        m_status = Status::Ok;
        return true;
    }
    // A file the reader cannot open gives an error at the first read.
    return fail(Status::NotXml);
}

bool XmlStream::nextChild(int parentDepth)
{
    if (m_status != Status::Ok)
        return false;
    for (;;) {
        int result = 1;
        if (m_reuse)
            m_reuse = false;
        else if (m_skipPending)
            result = xmlTextReaderNext(m_reader);
        else
            result = xmlTextReaderRead(m_reader);
        m_skipPending = false;
        if (result != 1)
            return result == 0 ? false : fail(Status::NotXml);
        const int type = xmlTextReaderNodeType(m_reader);
        const int d = xmlTextReaderDepth(m_reader);
        if (d <= parentDepth) {
            // The parent's end, or (for a parent without content) what follows it.
            if (!(type == XML_READER_TYPE_END_ELEMENT && d == parentDepth))
                m_reuse = true;
            return false;
        }
        if (type == XML_READER_TYPE_ELEMENT && d == parentDepth + 1) {
            m_skipPending = true;
            return true;
        }
    }
}

bool XmlStream::descend()
{
    if (m_status != Status::Ok || xmlTextReaderIsEmptyElement(m_reader))
        return false;
    m_skipPending = false;
    return true;
}

int XmlStream::depth() const
{
    return m_reader ? xmlTextReaderDepth(m_reader) : -1;
}

const char* XmlStream::localName() const
{
    return m_reader ? XmlTree::localName(xmlTextReaderCurrentNode(m_reader)) : "";
}

const xmlNode* XmlStream::expand()
{
    if (m_status != Status::Ok)
        return nullptr;
    const xmlNode* node = xmlTextReaderExpand(m_reader);
    if (!node)
        fail(Status::NotXml);
    return node;
}

bool XmlStream::finish()
{
    if (m_status != Status::Ok)
        return false;
    int result = m_skipPending ? xmlTextReaderNext(m_reader) : 1;
    m_skipPending = false;
    while (result == 1)
        result = xmlTextReaderRead(m_reader);
    return result == 0 || fail(Status::NotXml);
}

namespace XmlTree {

const char* localName(const xmlNode* node)
{
    if (!node || !node->name)
        return "";
    const char* name = reinterpret_cast<const char*>(node->name);
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool nameIs(const xmlNode* node, const char* name)
{
    return node && node->type == XML_ELEMENT_NODE && std::strcmp(localName(node), name) == 0;
}

const xmlNode* child(const xmlNode* parent, const char* name)
{
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next) {
        if (nameIs(c, name))
            return c;
    }
    return nullptr;
}

const xmlNode* elementAt(const xmlNode* start, const char* path)
{
    const xmlNode* node = start;
    char name[64];
    for (const char* p = path; node && *p;) {
        const char* end = std::strchr(p, '/');
        const size_t length = end ? size_t(end - p) : std::strlen(p);
        if (length >= sizeof name)
            return nullptr;
        std::memcpy(name, p, length);
        name[length] = '\0';
        if (length > 0)
            node = child(node, name);
        p += length + (end ? 1 : 0);
    }
    return node;
}

const char* text(const xmlNode* node, QByteArray& buffer)
{
    const char* single = nullptr;
    int pieces = 0;
    for (const xmlNode* c = node ? node->children : nullptr; c; c = c->next) {
        if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content) {
            if (++pieces == 1)
                single = reinterpret_cast<const char*>(c->content);
        }
    }
    if (pieces <= 1)
        return single;
    buffer.clear();
    for (const xmlNode* c = node->children; c; c = c->next) {
        if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
            buffer += reinterpret_cast<const char*>(c->content);
    }
    return buffer.constData();
}

QString textAt(const xmlNode* start, const char* path)
{
    QByteArray buffer;
    return QString::fromUtf8(text(elementAt(start, path), buffer));
}

std::optional<double> number(const xmlNode* node)
{
    QByteArray buffer;
    const char* t = text(node, buffer);
    return t ? XmlPathDocument::parseNumber(t) : std::nullopt;
}

std::optional<double> numberAt(const xmlNode* start, const char* path)
{
    return number(elementAt(start, path));
}

const char* attribute(const xmlNode* node, const char* name)
{
    for (const xmlAttr* a = node ? node->properties : nullptr; a; a = a->next) {
        const char* local = reinterpret_cast<const char*>(a->name);
        const char* colon = std::strrchr(local, ':');
        if (std::strcmp(colon ? colon + 1 : local, name) != 0)
            continue;
        const xmlNode* value = a->children;
        return value && value->content ? reinterpret_cast<const char*>(value->content) : "";
    }
    return nullptr;
}

} // namespace XmlTree
