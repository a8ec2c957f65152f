#include "CXmlNodeData.h"

#include "CXmlDocument.h"

CXmlNodeData::CXmlNodeData(CXmlDocument *document, pugi::xml_node node)
    : m_document(document)
    , m_node(node)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            m_children.push_back(child);
    }
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
         attribute = attribute.next_attribute())
        m_attributes.push_back(attribute);
}

QString CXmlNodeData::name() const
{
    return QString::fromUtf8(m_node.name());
}

QString CXmlNodeData::text() const
{
    return QString::fromUtf8(m_node.text().get());
}

CXmlNodeData *CXmlNodeData::elementAt(int index) const
{
    if (index < 0 || index >= elementCount())
        return nullptr;
    return m_document->_nodeData(m_children[static_cast<std::size_t>(index)]);
}

QString CXmlNodeData::attributeName(int index) const
{
    if (index < 0 || index >= attributeCount())
        return QString();
    return QString::fromUtf8(m_attributes[static_cast<std::size_t>(index)].name());
}

QString CXmlNodeData::attributeValue(const QString &name) const
{
    const QByteArray wanted = name.toUtf8();
    for (const pugi::xml_attribute &attribute : m_attributes) {
        if (wanted == attribute.name())
            return QString::fromUtf8(attribute.value());
    }
    return QString();
}
