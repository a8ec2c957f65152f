#include "TextLayer.h"

#include "LayerMenu.h"

#include <QGraphicsSceneResizeEvent>
#include <QGraphicsTextItem>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

#include <cmath>

TextLayer::TextLayer(PreviewCenterData *centerData, QGraphicsItem *parent)
    : BasicLayer(centerData, parent)
    , m_textItem(new QGraphicsTextItem(this))
{
    setResizable(false);
    m_textItem->setAcceptHoverEvents(false);
    // The item takes the mouse; the text is only shown.
    m_textItem->setAcceptedMouseButtons(Qt::NoButton);
    setBackgroundColor(QColor(0, 0, 0, 0));
    connect(menu(), &LayerMenu::sigEditTriggered, this, &TextLayer::onEdit);
    connect(menu(), &LayerMenu::sigDeleteTriggered, this, &TextLayer::onDelete);
}

TextLayer::~TextLayer() = default;

QSize TextLayer::layerSize() const
{
    return textSizeInScene(m_fontInfo.font(), m_text);
}

void TextLayer::showContextMenu()
{
    menu()->popup(_view());
}

void TextLayer::setInfo(const QString &text, const QFont &font, const QColor &color)
{
    m_text = text;
    m_fontInfo.setFont(font);
    m_fontInfo.setColor(color);
    m_textItem->setFont(sceneFont(m_fontInfo.font()));
    m_textItem->setDefaultTextColor(color);
    m_textItem->setPlainText(text);
    _layOutText();
}

void TextLayer::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    _layOutText();
}

void TextLayer::_layOutText()
{
    QTextDocument *document = m_textItem->document();
    QTextOption option = document->defaultTextOption();
    option.setAlignment(m_alignment & Qt::AlignHorizontal_Mask);
    // A text item is as wide as its longest line: lines are only ever broken where the text
    // breaks them.
    option.setWrapMode(QTextOption::NoWrap);
    document->setDefaultTextOption(option);
    // Aligned across the whole item: the item is 10 units wider than the text, so a centred
    // line keeps the same room on both sides.
    m_textItem->setTextWidth(size().width() > 0 ? size().width() : -1);
}

void TextLayer::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    BasicLayer::resizeEvent(event);
    _layOutText();
}

void TextLayer::onEdit()
{
    Q_EMIT editLayer(this);
}

void TextLayer::onDelete()
{
    Q_EMIT needToBeDelete(this);
}

void TextLayer::on_fontOrColorChanged(FontInfoConfig f1, QString key)
{
    const QSize measured = textSizeInScene(f1.font(), key);
    setInfo(key, f1.font(), f1.color());
    resize(int(measured.width() + 10.0), measured.height() + 5);
    // A longer text or a larger font grows it to the right and down: it stays in the scene.
    keepInsideParent();
    update();
    Q_EMIT sigInfoChanged(m_fontInfo, key);
}

void TextLayer::on_geometryChanged(QRectF rc)
{
    setGeometry(rc);
}
