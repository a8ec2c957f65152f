#pragma once

#include "CMBasicLayer.h"
#include "FontInfoConfig.h"

#include <appcommon/ZqCriticalSection.h>

#include <QStringList>

#include <atomic>

// One or more lines of text in a font and colour. The text is split into lines when it
// changes; draw() paints the lines at the output rectangle's top-left without clipping.
class CMTextLayer : public CMBasicLayer
{
    Q_OBJECT

public:
    CMTextLayer();
    ~CMTextLayer() override;

    int layerType() const override { return LT_TEXT; }
    bool saveConfig(const QString &key, ILayerConfigWriter *store) override;
    void setUILayer(LayerItem *item) override;
    void draw(QPainter *painter, double scaleX, double scaleY) override;

    void setFontInfo(const FontInfoConfig &config);
    void setText(const QString &text);
    FontInfoConfig fontInfo() const;
    QString text() const { return m_text; }
    QStringList lines() const;
    int lineHeight() const { return m_lineHeight.load(std::memory_order_relaxed); }

    // Height of one line as the scene's text item lays it out (margins included).
    static int lineHeightOf(const QFont &font);

public Q_SLOTS:
    void onInfoChanged(FontInfoConfig config, QString content);

private:
    void _splitLines();

    mutable ZqCriticalSection m_textLock; // guards m_fontInfo and m_lines
    FontInfoConfig m_fontInfo;
    QString m_text;
    QStringList m_lines;
    std::atomic<int> m_lineHeight{0};
};
