#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

// A forward-only walk over an XML document in memory with libxml2's streaming reader
// (xmlTextReader): no tree is built, so a logbook of thousands of dives costs only its own
// bytes. Entities are not expanded and nothing is fetched from the network. Names compare on
// their local part, case-insensitively where the caller asks (UDCF writers differ in case).
class XmlPullReader
{
public:
    explicit XmlPullReader(const QByteArray& data);
    ~XmlPullReader();
    XmlPullReader(const XmlPullReader&) = delete;
    XmlPullReader& operator=(const XmlPullReader&) = delete;

    // Moves to the next start or end tag; false at the end of the document or on an error.
    bool next();
    bool isStart() const { return m_start; }
    bool isEnd() const { return !m_start; }
    // A start tag without content ("<a/>") has no end tag of its own.
    bool isEmptyElement() const;
    int depth() const { return m_depth; }
    // The local name of the current tag, lower-cased when the stream was told to.
    const QByteArray& name() const { return m_name; }
    bool is(const char* localName) const { return m_name == localName; }
    void setLowerCaseNames(bool lower) { m_lower = lower; }

    // An attribute of the current start tag; nothing when absent.
    std::optional<QByteArray> attribute(const char* name) const;
    // Every attribute of the current start tag, local name and value, without copies (the
    // pointers hold until the next move).
    void forEachAttribute(const std::function<void(const char* name, const char* value)>& visit);
    // The text of the current element up to its end tag (child elements' text included); the
    // stream then stands on that end tag.
    QByteArray readText();

    // The text of each child element of the current one, by name (the last of a repeated
    // name wins); the stream then stands on the current element's end tag.
    QHash<QByteArray, QByteArray> readChildTexts();

    // True when the stream stopped on malformed XML (or too deep a nesting) rather than at the
    // end.
    bool failed() const { return m_failed; }
    // The name of the document's root element (empty before the first next()).
    const QByteArray& rootName() const { return m_root; }

private:
    void* m_reader = nullptr; // xmlTextReaderPtr; kept opaque so no caller sees libxml2
    QByteArray m_data;
    QByteArray m_name;
    QByteArray m_root;
    int m_depth = 0;
    bool m_start = false;
    bool m_lower = false;
    bool m_failed = false;
};
