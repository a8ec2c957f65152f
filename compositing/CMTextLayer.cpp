#include "CMTextLayer.h"

#include "ILayerConfigWriter.h"
#include "LayerConfigKeys.h"
#include "StoredValue.h"

#include <appcommon/ZqCSAutoLocker.h>

#include <QGraphicsTextItem>
#include <QPainter>

CMTextLayer::CMTextLayer() = default;

CMTextLayer::~CMTextLayer() = default;

int CMTextLayer::lineHeightOf(const QFont &font)
{
    QGraphicsTextItem probe;
    probe.setFont(font);
    probe.setPlainText(QStringLiteral("T"));
    return truncate(probe.boundingRect().height());
}

bool CMTextLayer::saveConfig(const QString &key, ILayerConfigWriter *store)
{
    if (!store)
        return false;
    const FontInfoConfig info = fontInfo();
    const QFont &font = info.font();
    const QColor &color = info.color();
    using LayerConfigKeys::layerKey;
    store->setValue(layerKey(key, "type"), StoredValue::fromInt(LT_TEXT));
    store->setValue(layerKey(key, "fontfamily"), font.family());
    store->setValue(layerKey(key, "fontsize"), StoredValue::fromInt(font.pointSize()));
    store->setValue(layerKey(key, "fontcolor"), StoredValue::fromColor(color));
    store->setValue(layerKey(key, "fontblod"), StoredValue::fromBool(font.bold()));
    store->setValue(layerKey(key, "fontitalic"), StoredValue::fromBool(font.italic()));
    store->setValue(layerKey(key, "fontunderline"), StoredValue::fromBool(font.underline()));
    store->setValue(layerKey(key, "text"), StoredValue::fromText(m_text));
    return CMBasicLayer::saveConfig(key, store);
}

void CMTextLayer::setUILayer(LayerItem *item)
{
    if (!item)
        return;
    CMBasicLayer::setUILayer(item);
    connect(item, &LayerItem::sigInfoChanged, this, &CMTextLayer::onInfoChanged,
            Qt::UniqueConnection);
}

void CMTextLayer::draw(QPainter *painter, double scaleX, double scaleY)
{
    if (!isCombine() || !painter)
        return;
    CMBasicLayer::draw(painter, scaleX, scaleY);
    const QRect rect = outputPixelRect();
    const int height = lineHeight();
    const ZqCSAutoLocker locker(&m_textLock);
    painter->save();
    painter->setPen(m_fontInfo.color());
    painter->setFont(m_fontInfo.font());
    for (int i = 0; i < m_lines.size(); ++i)
        painter->drawText(QPoint(rect.left(), rect.top() + height * (i + 1)), m_lines.at(i));
    painter->restore();
}

void CMTextLayer::setFontInfo(const FontInfoConfig &config)
{
    {
        const ZqCSAutoLocker locker(&m_textLock);
        m_fontInfo.setFont(config.font());
        m_fontInfo.setColor(config.color());
    }
    m_lineHeight.store(lineHeightOf(config.font()), std::memory_order_relaxed);
}

void CMTextLayer::setText(const QString &text)
{
    m_text = text;
    _splitLines();
}

FontInfoConfig CMTextLayer::fontInfo() const
{
    const ZqCSAutoLocker locker(&m_textLock);
    return m_fontInfo;
}

QStringList CMTextLayer::lines() const
{
    const ZqCSAutoLocker locker(&m_textLock);
    return m_lines;
}

void CMTextLayer::onInfoChanged(FontInfoConfig config, QString content)
{
    setFontInfo(config);
    setText(content);
}

void CMTextLayer::_splitLines()
{
    const QStringList lines = m_text.split(QChar::ParagraphSeparator, Qt::KeepEmptyParts);
    const ZqCSAutoLocker locker(&m_textLock);
    m_lines = lines;
}
