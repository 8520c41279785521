#include "fileio/xmlpathdocument.h"

#include <QFile>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

using tinyxml2::XMLElement;

namespace {

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Trims XML white space; returns false for an empty remainder.
bool trimmed(const char* text, const char*& first, const char*& last)
{
    if (!text)
        return false;
    first = text;
    last = text + std::strlen(text);
    while (first < last && isXmlSpace(*first))
        ++first;
    while (last > first && isXmlSpace(last[-1]))
        --last;
    if (first < last && *first == '+') {
        ++first;
        if (first < last && *first == '-')
            return false;
    }
    return first < last;
}

// Plain decimals ("-12.25") of at most 15 digits: the digits as an integer and a power of ten
// up to 10^22 are both exact doubles, so one division gives the correctly rounded value, the
// same as std::from_chars, at a fraction of its cost. Anything else is left to from_chars.
bool simpleDecimal(const char* first, const char* last, double& value)
{
    const bool negative = *first == '-';
    const char* p = negative ? first + 1 : first;
    quint64 mantissa = 0;
    int digits = 0;
    int fraction = -1;
    for (; p < last; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (++digits > 15)
                return false;
            mantissa = mantissa * 10 + quint64(*p - '0');
            if (fraction >= 0)
                ++fraction;
        } else if (*p == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    static const double powers[]
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const double magnitude = double(mantissa) / powers[fraction < 0 ? 0 : fraction];
    value = negative ? -magnitude : magnitude;
    return true;
}

// Splits the path at '/' and walks it one component at a time, without allocating.
template <typename Visit> bool forEachComponent(const char* path, Visit visit)
{
    const char* p = path ? path : "";
    char name[128];
    while (*p) {
        const char* end = std::strchr(p, '/');
        const size_t length = end ? size_t(end - p) : std::strlen(p);
        if (length > 0) {
            if (length >= sizeof name)
                return false;
            std::memcpy(name, p, length);
            name[length] = '\0';
            if (!visit(static_cast<const char*>(name)))
                return false;
        }
        p += length;
        if (*p == '/')
            ++p;
    }
    return true;
}

} // namespace

XmlPathDocument::XmlPathDocument() = default;

bool XmlPathDocument::load(const QString& filePath, const char* rootName)
{
    m_root = nullptr;
    m_document.Clear();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        m_status = Status::CannotOpen;
        return false;
    }
    if (file.size() > maxFileSize) {
        m_status = Status::TooLarge;
        return false;
    }
    // A bounded read rather than readAll(): a file that grows while we read it (or a device
    // that reports no size) still cannot make us take more than the limit. The bound is the
    // size plus one where the size is known, since read() reserves the whole bound up front.
    const qint64 size = file.size();
    const QByteArray data = file.read(size > 0 ? size + 1 : maxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        m_status = Status::CannotOpen;
        return false;
    }
    return loadFromData(data, rootName);
}

bool XmlPathDocument::loadFromData(const QByteArray& data, const char* rootName)
{
    m_root = nullptr;
    m_document.Clear();
    if (data.size() > maxFileSize) {
        m_status = Status::TooLarge;
        return false;
    }
    if (m_document.Parse(data.constData(), size_t(data.size())) != tinyxml2::XML_SUCCESS) {
        m_document.Clear();
        m_status = Status::NotXml;
        return false;
    }
    return adoptRoot(rootName);
}

bool XmlPathDocument::adoptRoot(const char* rootName)
{
    // The top-level element, past any declaration, comments or processing instructions.
    const XMLElement* top = m_document.RootElement();
    // TinyXML-2 accepts several top-level elements; XML does not, and neither do we.
    if (top && top->NextSiblingElement()) {
        m_status = Status::NotXml;
        return false;
    }
    if (!top || !nameIs(top, rootName)) {
        m_status = Status::WrongRoot;
        return false;
    }
    m_root = top;
    m_status = Status::Ok;
    return true;
}

bool XmlPathDocument::nameIs(const XMLElement* element, const char* localName)
{
    const char* name = element->Name();
    if (!name || !localName)
        return false;
    // Unprefixed names are the common case: compare first, look for a prefix only on mismatch.
    if (std::strcmp(name, localName) == 0)
        return true;
    const char* colon = std::strrchr(name, ':');
    return colon && std::strcmp(colon + 1, localName) == 0;
}

const char* XmlPathDocument::localName(const XMLElement* element)
{
    const char* name = element->Name();
    if (!name)
        return "";
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

const XMLElement* XmlPathDocument::firstChild(const XMLElement* parent, const char* localName)
{
    if (!parent)
        return nullptr;
    for (const XMLElement* child = parent->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        if (nameIs(child, localName))
            return child;
    }
    return nullptr;
}

const XMLElement* XmlPathDocument::elementAt(const char* path, const XMLElement* start) const
{
    const XMLElement* element = start ? start : m_root;
    if (!element)
        return nullptr;
    const bool complete = forEachComponent(path, [&element](const char* name) {
        element = firstChild(element, name);
        return element != nullptr;
    });
    return complete ? element : nullptr;
}

QString XmlPathDocument::textAt(const char* path, const XMLElement* start) const
{
    const XMLElement* element = elementAt(path, start);
    const char* text = element ? element->GetText() : nullptr;
    return text ? QString::fromUtf8(text) : QString();
}

QString XmlPathDocument::attributeAt(
    const char* path, const char* name, const QString& defaultValue, const XMLElement* start) const
{
    return attribute(elementAt(path, start), name, defaultValue);
}

QString XmlPathDocument::attribute(
    const XMLElement* element, const char* name, const QString& defaultValue)
{
    const char* value = element ? element->Attribute(name) : nullptr;
    return value ? QString::fromUtf8(value) : defaultValue;
}

double XmlPathDocument::doubleAt(
    const char* path, double defaultValue, const XMLElement* start) const
{
    const XMLElement* element = elementAt(path, start);
    if (!element)
        return defaultValue;
    return parseNumber(element->GetText()).value_or(0.0);
}

int XmlPathDocument::intAt(const char* path, int defaultValue, const XMLElement* start) const
{
    const XMLElement* element = elementAt(path, start);
    if (!element)
        return defaultValue;
    const std::optional<long long> value = parseInteger(element->GetText());
    if (!value || *value < std::numeric_limits<int>::min()
        || *value > std::numeric_limits<int>::max())
        return 0;
    return int(*value);
}

double XmlPathDocument::doubleAttributeAt(
    const char* path, const char* name, double defaultValue, const XMLElement* start) const
{
    const XMLElement* element = elementAt(path, start);
    const char* value = element ? element->Attribute(name) : nullptr;
    return parseNumber(value).value_or(defaultValue);
}

std::optional<double> XmlPathDocument::numberAt(const char* path, const XMLElement* start) const
{
    const XMLElement* element = elementAt(path, start);
    return element ? parseNumber(element->GetText()) : std::nullopt;
}

void XmlPathDocument::forEachChild(
    const char* path, const ChildCallback& callback, const XMLElement* start) const
{
    const XMLElement* parent = elementAt(path, start);
    if (!parent)
        return;
    bool stop = false;
    for (const XMLElement* child = parent->FirstChildElement(); child && !stop;
         child = child->NextSiblingElement())
        callback(child, stop);
}

std::optional<double> XmlPathDocument::parseNumber(const char* text)
{
    // std::from_chars ignores the C locale, which the application sets from the user's
    // environment: sscanf-based parsing would read "10.5" as 10 under a decimal comma.
    const char* first = nullptr;
    const char* last = nullptr;
    if (!trimmed(text, first, last))
        return std::nullopt;
    double value = 0.0;
    if (simpleDecimal(first, last, value))
        return value;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> XmlPathDocument::parseInteger(const char* text)
{
    const char* first = nullptr;
    const char* last = nullptr;
    if (!trimmed(text, first, last))
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}
