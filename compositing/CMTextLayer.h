#pragma once

#include "CMBasicLayer.h"
#include "FontInfoConfig.h"
#include "SpanPicture.h"
#include "SpanPictureFrame.h"

#include <appcommon/ZqCriticalSection.h>

#include <QStringList>

#include <atomic>
#include <memory>

namespace PixelRows {
struct Kernels;
}

// One or more lines of text in a font and colour, as the scene's text item shows them: each line
// centred across the output rectangle, line i with its baseline lineHeight * (i + 1) below the
// rectangle's top, nothing clipped. A line break is a line break wherever the text came from
// (typed, pasted, stored): CR LF, CR, U+2028 and U+2029 become line feeds as the text arrives,
// so it is also stored with line feeds.
//
// When the text, the font, the colour or the rectangle's width changes, the lines are drawn
// once by QPainter into a premultiplied picture that knows its transparent runs (SpanPicture);
// every frame blends only the runs.
class CMTextLayer : public CMBasicLayer
{
    Q_OBJECT

public:
    CMTextLayer();
    ~CMTextLayer() override;

    int layerType() const override { return LT_TEXT; }
    LayerState state() const override;
    // Also takes over the item's rectangle: the item sizes itself to the text, and the lines are
    // centred across that width.
    void setUILayer(LayerItem *item) override;
    QRect prepareFrame(const FrameContext &frame) override;
    void paintRow(int y, std::uint32_t *row, int left, int right) override;
    void finishFrame() override;

    void setFontInfo(const FontInfoConfig &config);
    void setText(const QString &text);
    FontInfoConfig fontInfo() const;
    QString text() const { return m_text; }
    QStringList lines() const;
    int lineHeight() const { return m_lineHeight.load(std::memory_order_relaxed); }

    // Height of one line as the scene's text item lays it out (margins included).
    static int lineHeightOf(const QFont &font);
    // text with every CR LF, CR, U+2028 and U+2029 turned into a line feed.
    static QString withLineFeeds(QString text);
    // Where a line starts across a rectangle of width pixels: centred, truncated toward zero.
    // A rectangle of no width (no item has sized the layer yet) centres the lines on the
    // widest one, which starts at the rectangle's left.
    static QList<int> lineStarts(const QStringList &lines, const QFont &font, int width);

public Q_SLOTS:
    void onInfoChanged(FontInfoConfig config, QString content);

private:
    void _setFontInfo(const FontInfoConfig &config);
    void _setText(const QString &text);
    void _splitLines();
    // Redraws m_painted when text, font, colour or the output width changed since it was drawn.
    void _refreshPainted();

    mutable ZqCriticalSection m_textLock; // guards the fields up to m_paintedWidth
    FontInfoConfig m_fontInfo;
    QStringList m_lines;
    int m_version = 0; // counts changes of font, colour and lines
    std::shared_ptr<const SpanPicture> m_painted;
    int m_paintedVersion = -1;
    int m_paintedWidth = -1;
    QString m_text;
    std::atomic<int> m_lineHeight{0};
    // The frame in hand (composing thread only).
    SpanPictureFrame m_frame; // the composition's hold on m_painted
};
