#include "CXmlDocument.h"

#include "CXmlNodeData.h"
#include "Log.h"
#include "RegularFile.h"
#include "SettingsFileWriter.h"

#include <appcommon/pubfunc.h>

#include <QFile>
#include <QFileInfo>

namespace {

// A value of only spaces (a text layer of blanks) is a value: read it, not an empty element.
constexpr unsigned int ParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;
constexpr unsigned int SaveFlags = pugi::format_indent | pugi::format_write_bom;

class ByteArrayWriter : public pugi::xml_writer
{
public:
    explicit ByteArrayWriter(QByteArray *bytes)
        : m_bytes(bytes)
    {}
    void write(const void *data, size_t size) override
    {
        m_bytes->append(static_cast<const char *>(data), static_cast<qsizetype>(size));
    }

private:
    QByteArray *m_bytes;
};

// Stops at the first element nested deeper than the limit; the walk itself is iterative.
class DepthProbe : public pugi::xml_tree_walker
{
public:
    explicit DepthProbe(int limit)
        : m_limit(limit)
    {}
    bool for_each(pugi::xml_node &node) override
    {
        if (node.type() == pugi::node_element && depth() >= m_limit) {
            m_tooDeep = true;
            return false;
        }
        return true;
    }
    bool tooDeep() const { return m_tooDeep; }

private:
    int m_limit;
    bool m_tooDeep = false;
};

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

} // namespace

CXmlDocument::CXmlDocument() = default;

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::loadFile(const QString &path)
{
    clear();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        logInfo(L"CXmlDocument::loadFile %ls does not exist.", wide(path).c_str());
        return false;
    }
    QFile file;
    QString error;
    if (!RegularFile::openForReading(file, path, &error)) {
        logWarning(L"CXmlDocument::loadFile cannot open %ls: %ls", wide(path).c_str(),
                   wide(error).c_str());
        return false;
    }
    if (file.size() > MaxFileSize) {
        logWarning(L"CXmlDocument::loadFile %ls has %lld bytes, more than the %lld accepted; "
                   L"not read.",
                   wide(path).c_str(), static_cast<long long>(file.size()),
                   static_cast<long long>(MaxFileSize));
        return false;
    }
    // The size can change between the check and the read; never take more than the limit.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize) {
        logWarning(L"CXmlDocument::loadFile %ls grew past %lld bytes while read; not used.",
                   wide(path).c_str(), static_cast<long long>(MaxFileSize));
        return false;
    }
    return _parse(m_document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                                         ParseOptions, pugi::encoding_auto),
                  path);
}

bool CXmlDocument::loadBuffer(const QByteArray &bytes)
{
    clear();
    return _parse(m_document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                                         ParseOptions, pugi::encoding_auto),
                  QStringLiteral("<buffer>"));
}

bool CXmlDocument::loadUtf8(const char *bytes, int length)
{
    if (!bytes || length <= 0) {
        clear();
        return false;
    }
    const std::wstring text = pubfunc::toWideString(bytes, length, pubfunc::CodePageUtf8);
    return loadText(QString::fromStdWString(text));
}

bool CXmlDocument::loadText(const QString &text)
{
    clear();
    const QByteArray bytes = text.toUtf8();
    return _parse(m_document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                                         ParseOptions, pugi::encoding_utf8),
                  QStringLiteral("<text>"));
}

bool CXmlDocument::_parse(const pugi::xml_parse_result &result, const QString &source)
{
    if (!result) {
        logWarning(L"CXmlDocument::load %ls is not usable XML: %s at offset %lld.",
                   wide(source).c_str(), result.description(),
                   static_cast<long long>(result.offset));
        clear();
        return false;
    }
    if (!m_document.first_child()) {
        logWarning(L"CXmlDocument::load %ls holds no element.", wide(source).c_str());
        clear();
        return false;
    }
    DepthProbe probe(MaxDepth);
    m_document.traverse(probe);
    if (probe.tooDeep()) {
        logWarning(L"CXmlDocument::load %ls nests deeper than %d levels; not used.",
                   wide(source).c_str(), MaxDepth);
        clear();
        return false;
    }
    return true;
}

QByteArray CXmlDocument::toBytes() const
{
    QByteArray bytes;
    ByteArrayWriter writer(&bytes);
    m_document.save(writer, "\t", SaveFlags, pugi::encoding_utf8);
    return bytes;
}

bool CXmlDocument::saveFile(const QString &path) const
{
    return SettingsFileWriter::writeSynced(path, toBytes());
}

void CXmlDocument::clear()
{
    m_index.clear();
    m_document.reset();
}

bool CXmlDocument::isEmpty() const
{
    return !m_document.first_child();
}

CXmlNodeData *CXmlDocument::rootElement()
{
    const pugi::xml_node root = m_document.first_child();
    if (!root || root.type() != pugi::node_element)
        return nullptr;
    return _nodeData(root);
}

QString CXmlDocument::getValue(const QString &key) const
{
    const Key parsed = _parseKey(key);
    if (!parsed.valid)
        return QString();
    const pugi::xml_node element = _findPath(parsed.segments);
    if (!element)
        return QString();
    if (parsed.hasAttribute)
        return QString::fromUtf8(element.attribute(parsed.attribute.c_str()).value());
    return QString::fromUtf8(element.text().get());
}

bool CXmlDocument::setValue(const QString &key, const QString &value)
{
    const Key parsed = _parseKey(key);
    if (!parsed.valid) {
        logWarning(L"CXmlDocument::setValue malformed key %ls not written.", wide(key).c_str());
        return false;
    }
    pugi::xml_node element = _ensurePath(parsed.segments);
    if (!element)
        return false;
    // The parser would stop at an embedded NUL on the next load; keep what precedes it.
    const QByteArray text = value.toUtf8();
    if (parsed.hasAttribute) {
        pugi::xml_attribute attribute = element.attribute(parsed.attribute.c_str());
        if (!attribute) {
            attribute = element.append_attribute(parsed.attribute.c_str());
            if (!attribute)
                return false;
            if (CXmlNodeData *data = _existingNodeData(element))
                data->_attributeAppended(attribute);
        }
        return attribute.set_value(text.constData());
    }
    return element.text().set(text.constData());
}

pugi::xml_node CXmlDocument::ensureElementPath(const QString &path)
{
    bool valid = false;
    const std::vector<std::string> segments = _splitPath(path.toStdString(), &valid);
    if (!valid)
        return pugi::xml_node();
    return _ensurePath(segments);
}

CXmlDocument::Key CXmlDocument::_parseKey(const QString &key)
{
    Key parsed;
    std::vector<std::wstring> parts;
    pubfunc::splitWString(key.toStdWString(), L":", parts);
    if (parts.empty())
        return parsed;
    bool valid = false;
    parsed.segments = _splitPath(QString::fromStdWString(parts[0]).toStdString(), &valid);
    if (!valid)
        return parsed;
    if (parts.size() > 1) {
        parsed.hasAttribute = true;
        parsed.attribute = QString::fromStdWString(parts[1]).toStdString();
        if (!_isValidName(parsed.attribute))
            return parsed;
    }
    parsed.valid = true;
    return parsed;
}

std::vector<std::string> CXmlDocument::_splitPath(const std::string &path, bool *valid)
{
    // Every segment must be a usable element name; an empty one ("a//b", a leading or
    // trailing "/") makes the whole path invalid rather than silently meaning something else.
    std::vector<std::string> segments;
    *valid = false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string segment =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!_isValidName(segment))
            return {};
        segments.push_back(segment);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    *valid = true;
    return segments;
}

bool CXmlDocument::_isValidName(const std::string &name)
{
    if (name.empty())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool letter =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
        const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!letter && !(i > 0 && other))
            return false;
    }
    return true;
}

pugi::xml_node CXmlDocument::_findPath(const std::vector<std::string> &segments) const
{
    // Where siblings share a name, each is tried in document order and the first under which
    // the rest of the path exists wins. The recursion is as deep as the key, never deeper.
    struct Finder
    {
        const std::vector<std::string> &segments;
        pugi::xml_node find(pugi::xml_node context, std::size_t index) const
        {
            if (index == segments.size())
                return context;
            const char *name = segments[index].c_str();
            for (pugi::xml_node child = context.child(name); child;
                 child = child.next_sibling(name)) {
                if (child.type() != pugi::node_element)
                    continue;
                if (const pugi::xml_node found = find(child, index + 1))
                    return found;
            }
            return pugi::xml_node();
        }
    };
    if (segments.empty())
        return pugi::xml_node();
    return Finder{segments}.find(m_document, 0);
}

pugi::xml_node CXmlDocument::_ensurePath(const std::vector<std::string> &segments)
{
    if (segments.empty())
        return pugi::xml_node();
    pugi::xml_node top = m_document.first_child();
    if (!top || segments.front() != top.name() || top.type() != pugi::node_element) {
        if (top)
            clear();
        top = m_document.append_child(segments.front().c_str());
        if (!top)
            return pugi::xml_node();
    }
    pugi::xml_node current = top;
    for (std::size_t i = 1; i < segments.size(); ++i) {
        const char *name = segments[i].c_str();
        pugi::xml_node next = current.child(name);
        while (next && next.type() != pugi::node_element)
            next = next.next_sibling(name);
        if (!next) {
            next = current.append_child(name);
            if (!next)
                return pugi::xml_node();
            if (CXmlNodeData *data = _existingNodeData(current))
                data->_childAppended(next);
        }
        current = next;
    }
    return current;
}

CXmlNodeData *CXmlDocument::_nodeData(pugi::xml_node node)
{
    if (!node)
        return nullptr;
    auto &slot = m_index[node.internal_object()];
    if (!slot)
        slot = std::make_unique<CXmlNodeData>(this, node);
    return slot.get();
}

CXmlNodeData *CXmlDocument::_existingNodeData(pugi::xml_node node) const
{
    const auto found = m_index.find(node.internal_object());
    return found == m_index.end() ? nullptr : found->second.get();
}
