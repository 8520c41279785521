#pragma once

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <optional>

// Reads an XML document as a stream with libxml2's reader: the caller walks the elements it
// wants and takes one element's subtree at a time (expand()), which the reader frees once it
// moves past it. Memory follows the largest subtree taken, not the document.
class XmlStream
{
public:
    enum class Status {
        Ok,
        CannotOpen, // the file could not be opened or read
        TooLarge, // larger than maxFileSize
        NotXml, // not well-formed XML (also: cut short, nested too deeply)
        WrongRoot, // well-formed so far, but the top-level element has another name
    };
    // Larger files are refused before anything is read: no dive file comes near it.
    static constexpr qint64 maxFileSize = 128 * 1024 * 1024;

    XmlStream() = default;
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Opens the document and moves to its root element, which must have rootName as local name.
    // openData does not copy: data must outlive the stream.
    bool openFile(const QString& path, const char* rootName);
    bool openData(const QByteArray& data, const char* rootName);
    Status status() const { return m_status; }

    // Moves to the next child element of the element at parentDepth (the root is at 0) and
    // returns true, or returns false once that element ends (or on an error: see status()).
    // The child's own children are skipped unless descend() is called first.
    bool nextChild(int parentDepth);
    // Enters the current element; false when it has no content.
    bool descend();
    int depth() const;
    const char* localName() const;
    // The current element's subtree, valid until the stream moves on; null on an error.
    const xmlNode* expand();
    // Reads to the end of the document: an error after the last element still fails the read.
    bool finish();

private:
    bool open(xmlTextReaderPtr reader, const char* rootName);
    bool fail(Status status);

    xmlTextReaderPtr m_reader = nullptr;
    Status m_status = Status::NotXml;
    bool m_skipPending = false; // the current element's subtree is to be skipped
    bool m_reuse = false; // the current node was read but not yet handed out
};

// Reading an expanded subtree. Names compare on their local part, so "u:waypoint" with or
// without a declared prefix reads like "waypoint" in a default namespace.
namespace XmlTree {

const char* localName(const xmlNode* node);
bool nameIs(const xmlNode* node, const char* localName);
// The first child element of that name, or null.
const xmlNode* child(const xmlNode* parent, const char* localName);
// Walks child names separated by '/' from start; null where one is missing.
const xmlNode* elementAt(const xmlNode* start, const char* path);
// The element's own text (its text children joined), without copying where it is one piece;
// null for a missing element or one without text.
const char* text(const xmlNode* node, QByteArray& buffer);
QString textAt(const xmlNode* start, const char* path);
// Missing, empty or not a finite number: nothing.
std::optional<double> numberAt(const xmlNode* start, const char* path);
std::optional<double> number(const xmlNode* node);
// An attribute's value by local name, or null.
const char* attribute(const xmlNode* node, const char* name);
// Calls visit for each child element of parent.
template <typename Visit> void forEachChild(const xmlNode* parent, Visit visit)
{
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE)
            visit(c);
    }
}

} // namespace XmlTree
