#pragma once

#include "BasicLayer.h"
#include "FontInfoConfig.h"

class QGraphicsTextItem;

// A text layer's item. The font and colour are kept in output-frame terms, so the compositing
// layer paints the same font at full size; the scene shows the text in a font scaled down to
// the scene. The item sizes itself to its text and cannot be resized by the mouse.
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
    void notifyInfo();

public Q_SLOTS:
    void onEdit();
    void onDelete();
    void on_fontOrColorChanged(FontInfoConfig f1, QString key);
    void on_geometryChanged(QRectF rc);

private:
    FontInfoConfig m_fontInfo;
    QString m_text;
    QGraphicsTextItem *m_textItem = nullptr;
};
