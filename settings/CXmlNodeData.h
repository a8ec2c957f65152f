#pragma once

#include <pugixml.hpp>

#include <QString>

#include <vector>

class CXmlDocument;

// Index record of one element: its element children and its attributes, in the order they
// were appended. Owned by the document and released with it.
class CXmlNodeData
{
public:
    CXmlNodeData(CXmlDocument *document, pugi::xml_node node);

    CXmlNodeData(const CXmlNodeData &) = delete;
    CXmlNodeData &operator=(const CXmlNodeData &) = delete;

    pugi::xml_node node() const { return m_node; }
    QString name() const;
    // Value of the first text or CDATA child; empty when there is none.
    QString text() const;

    int elementCount() const { return static_cast<int>(m_children.size()); }
    // The i-th element child, or null when i is out of range.
    CXmlNodeData *elementAt(int index) const;

    int attributeCount() const { return static_cast<int>(m_attributes.size()); }
    QString attributeName(int index) const;
    // Empty when the element has no attribute of that name.
    QString attributeValue(const QString &name) const;

private:
    friend class CXmlDocument;
    void _childAppended(pugi::xml_node child) { m_children.push_back(child); }
    void _attributeAppended(pugi::xml_attribute attribute) { m_attributes.push_back(attribute); }

    CXmlDocument *m_document;
    pugi::xml_node m_node;
    std::vector<pugi::xml_node> m_children;
    std::vector<pugi::xml_attribute> m_attributes;
};
