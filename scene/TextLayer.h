#pragma once

#include "BasicLayer.h"
#include "FontInfoConfig.h"

class QGraphicsTextItem;

// A text layer's item. The font and colour are kept in output-frame terms, so the compositing
// layer paints the same font at full size; the scene shows the text in a font scaled down to
// the scene. The item sizes itself to its text and cannot be resized by the mouse. Each line is
// drawn aligned in the item's rectangle (centred, as the scene creates texts), the lines stacked
// from the top at the font's line height, as the composed output draws them.
class TextLayer : public BasicLayer
{
    Q_OBJECT

public:
    explicit TextLayer(PreviewCenterData *centerData, QGraphicsItem *parent = nullptr);
    ~TextLayer() override;

    int layerType() const override { return LT_TEXT; }
    QSize layerSize() const override;
    void showContextMenu() override;

    FontInfoConfig fontInfo() const { return m_fontInfo; }
    QString text() const { return m_text; }
    void setInfo(const QString &text, const QFont &font, const QColor &color);
    // Only the horizontal part is used: lines always stack from the top.
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return m_alignment; }

public Q_SLOTS:
    void onEdit();
    void onDelete();
    void on_fontOrColorChanged(FontInfoConfig f1, QString key);
    void on_geometryChanged(QRectF rc);

protected:
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void _layOutText();

    FontInfoConfig m_fontInfo;
    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
    QGraphicsTextItem *m_textItem = nullptr;
};
