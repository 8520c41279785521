#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <tinyxml2.h>

// Path access over one loaded TinyXML-2 document. Paths are relative to the root element (or to
// the element given), split at '/', empty components skipped; each component selects the first
// child element of that name. Names compare on their local part, so a document that puts its
// elements in a prefixed namespace ("u:waypoint") reads like one using a default namespace.
class XmlPathDocument
{
public:
    enum class Status {
        Ok,
        CannotOpen, // the file could not be opened or read
        TooLarge, // larger than maxFileSize
        NotXml, // not well-formed XML (also: cut short, nested too deeply)
        WrongRoot, // well-formed, but the top-level element has another name
    };

    // Documents above this size are refused before anything is parsed: the DOM costs several
    // times the file size, and no dive file comes near it.
    static constexpr qint64 maxFileSize = 128 * 1024 * 1024;

    XmlPathDocument();
    XmlPathDocument(const XmlPathDocument&) = delete;
    XmlPathDocument& operator=(const XmlPathDocument&) = delete;

    bool load(const QString& filePath, const char* rootName);
    bool loadFromData(const QByteArray& data, const char* rootName);
    Status status() const { return m_status; }

    const tinyxml2::XMLElement* root() const { return m_root; }

    const tinyxml2::XMLElement* elementAt(
        const char* path, const tinyxml2::XMLElement* start = nullptr) const;
    QString textAt(const char* path, const tinyxml2::XMLElement* start = nullptr) const;
    QString attributeAt(const char* path, const char* name, const QString& defaultValue,
        const tinyxml2::XMLElement* start = nullptr) const;
    static QString attribute(
        const tinyxml2::XMLElement* element, const char* name, const QString& defaultValue);
    // The element's text as a number: 0 when it is no number, the default when it is missing.
    double doubleAt(
        const char* path, double defaultValue, const tinyxml2::XMLElement* start = nullptr) const;
    int intAt(
        const char* path, int defaultValue, const tinyxml2::XMLElement* start = nullptr) const;
    double doubleAttributeAt(const char* path, const char* name, double defaultValue,
        const tinyxml2::XMLElement* start = nullptr) const;
    // Tells "missing" and "not a finite number" apart from a real value: both give nothing.
    std::optional<double> numberAt(
        const char* path, const tinyxml2::XMLElement* start = nullptr) const;

    using ChildCallback = std::function<void(const tinyxml2::XMLElement*, bool& stop)>;
    void forEachChild(const char* path, const ChildCallback& callback,
        const tinyxml2::XMLElement* start = nullptr) const;

    // Helpers shared with the readers: local-name matching and locale-independent numbers.
    static bool nameIs(const tinyxml2::XMLElement* element, const char* localName);
    // The element's name after any namespace prefix ("waypoint" for "u:waypoint").
    static const char* localName(const tinyxml2::XMLElement* element);
    static const tinyxml2::XMLElement* firstChild(
        const tinyxml2::XMLElement* parent, const char* localName);
    static std::optional<double> parseNumber(const char* text);
    static std::optional<long long> parseInteger(const char* text);

private:
    bool adoptRoot(const char* rootName);

    tinyxml2::XMLDocument m_document;
    const tinyxml2::XMLElement* m_root = nullptr;
    Status m_status = Status::NotXml;
};
