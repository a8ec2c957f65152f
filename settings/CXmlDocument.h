#pragma once

#include <pugixml.hpp>

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CXmlNodeData;

// An XML document with access to single text values by key path: "a/b/c" is the text of the
// element c inside b inside the top-level element a, "a/b/c:x" its attribute x. The element
// index (CXmlNodeData) is built on demand and kept current by the document's own writes.
// Not thread-safe; one document belongs to one thread at a time.
class CXmlDocument
{
public:
    // Larger files are refused unread: a settings file is a few KiB, and anything this big
    // is either damage or an attempt to make the engine stall at start.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
    // Deeper documents are refused: indented output grows with the square of the depth, so a
    // small hostile file could otherwise be rewritten as gigabytes of tabs.
    static constexpr int MaxDepth = 64;

    CXmlDocument();
    ~CXmlDocument();

    CXmlDocument(const CXmlDocument &) = delete;
    CXmlDocument &operator=(const CXmlDocument &) = delete;

    // Each load replaces the content. True only when the text parsed, holds at least one
    // top-level node and nests no deeper than MaxDepth; on failure the document is left empty.
    bool loadFile(const QString &path);
    // Bytes in any encoding the parser detects by itself (UTF-8, UTF-16/32 with or without
    // byte-order mark).
    bool loadBuffer(const QByteArray &bytes);
    bool loadUtf8(const char *bytes, int length);
    bool loadText(const QString &text);

    // UTF-8 with byte-order mark, tab indentation, line feeds; synced to disk before it
    // reports true.
    bool saveFile(const QString &path) const;
    QByteArray toBytes() const;

    void clear();
    bool isEmpty() const;

    // Index record of the first top-level node; null for an empty document.
    CXmlNodeData *rootElement();

    // Text of the element (or attribute) the key names; empty when it does not exist.
    QString getValue(const QString &key) const;
    // Creates the elements (and attribute) the key names as needed and sets the value. A key
    // whose top-level element differs from the current one replaces the whole content.
    bool setValue(const QString &key, const QString &value);
    // The element the slash-separated path names, created where missing; null for an empty or
    // malformed path.
    pugi::xml_node ensureElementPath(const QString &path);

    const pugi::xml_document &document() const { return m_document; }

private:
    friend class CXmlNodeData;

    struct Key
    {
        bool valid = false;
        std::vector<std::string> segments;
        bool hasAttribute = false;
        std::string attribute;
    };

    static Key _parseKey(const QString &key);
    static std::vector<std::string> _splitPath(const std::string &path, bool *valid);
    static bool _isValidName(const std::string &name);
    pugi::xml_node _findPath(const std::vector<std::string> &segments) const;
    pugi::xml_node _ensurePath(const std::vector<std::string> &segments);
    bool _parse(const pugi::xml_parse_result &result, const QString &source);
    CXmlNodeData *_nodeData(pugi::xml_node node);
    CXmlNodeData *_existingNodeData(pugi::xml_node node) const;

    pugi::xml_document m_document;
    std::unordered_map<pugi::xml_node_struct *, std::unique_ptr<CXmlNodeData>> m_index;
};
