#include "CMTextLayer.h"

#include "FrameContext.h"
#include "PixelRows.h"

#include <appcommon/ZqCSAutoLocker.h>

#include <QFontMetrics>
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

LayerState CMTextLayer::state() const
{
    LayerState state = CMBasicLayer::state();
    state.fontInfo = fontInfo();
    state.text = m_text;
    return state;
}

void CMTextLayer::setUILayer(LayerItem *item)
{
    if (!item)
        return;
    CMBasicLayer::setUILayer(item);
    connect(item, &LayerItem::sigInfoChanged, this, &CMTextLayer::onInfoChanged,
            Qt::UniqueConnection);
    onGeometryChanged(item->geometry());
}

QString CMTextLayer::withLineFeeds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

QList<int> CMTextLayer::lineStarts(const QStringList &lines, const QFont &font, int width)
{
    const QFontMetricsF metrics(font);
    QList<qreal> advances;
    qreal widest = 0;
    for (const QString &line : lines) {
        advances.append(metrics.horizontalAdvance(line));
        widest = qMax(widest, advances.last());
    }
    const qreal across = width > 0 ? width : widest;
    QList<int> starts;
    for (qreal advance : advances)
        starts.append(truncate((across - advance) / 2));
    return starts;
}

QRect CMTextLayer::prepareFrame(const FrameContext &frame)
{
    if (!isCombine())
        return QRect();
    CMBasicLayer::prepareFrame(frame);
    _refreshPainted();
    std::shared_ptr<const SpanPicture> painted;
    {
        const ZqCSAutoLocker locker(&m_textLock);
        painted = m_painted;
    }
    return m_frame.begin(std::move(painted), outputPixelRect().topLeft(), frame);
}

void CMTextLayer::paintRow(int y, std::uint32_t *row, int left, int right)
{
    m_frame.paintRow(y, row, left, right);
}

void CMTextLayer::finishFrame()
{
    m_frame.end();
}

void CMTextLayer::_refreshPainted()
{
    const int width = outputPixelRect().width();
    const ZqCSAutoLocker locker(&m_textLock);
    if (m_paintedVersion == m_version && m_paintedWidth == width)
        return;
    m_paintedVersion = m_version;
    m_paintedWidth = width;
    const QFont &font = m_fontInfo.font();
    const QFontMetrics metrics(font);
    const int height = lineHeight();
    const QList<int> starts = lineStarts(m_lines, font, width);
    // Line i has its baseline at height * (i + 1) below the layer's top. The picture covers
    // every line's glyphs with room to spare (italic overhang, underline); the runs leave the
    // spare room out of every frame.
    const int spare = 2 + metrics.height() / 4;
    QRect bounds;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QPoint origin(starts.at(i), height * (i + 1));
        const QRect glyphs = metrics.boundingRect(m_lines.at(i)).translated(origin);
        const QRect line(origin.x(), origin.y() - metrics.ascent(),
                         metrics.horizontalAdvance(m_lines.at(i)), metrics.height());
        bounds |= glyphs.united(line).adjusted(-spare, -spare, spare, spare);
    }
    if (bounds.isEmpty()) {
        m_painted.reset();
        return;
    }
    QImage picture(bounds.size(), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) {
        m_painted.reset();
        return;
    }
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.translate(-bounds.topLeft());
        painter.setPen(m_fontInfo.color());
        painter.setFont(font);
        for (int i = 0; i < m_lines.size(); ++i)
            painter.drawText(QPoint(starts.at(i), height * (i + 1)), m_lines.at(i));
    }
    m_painted = std::make_shared<const SpanPicture>(std::move(picture), bounds.topLeft());
}

void CMTextLayer::setFontInfo(const FontInfoConfig &config)
{
    _setFontInfo(config);
    _refreshPainted();
}

void CMTextLayer::setText(const QString &text)
{
    _setText(text);
    _refreshPainted();
}

void CMTextLayer::_setFontInfo(const FontInfoConfig &config)
{
    const int height = lineHeightOf(config.font());
    const ZqCSAutoLocker locker(&m_textLock);
    m_fontInfo.setFont(config.font());
    m_fontInfo.setColor(config.color());
    m_lineHeight.store(height, std::memory_order_relaxed);
    ++m_version;
}

void CMTextLayer::_setText(const QString &text)
{
    m_text = withLineFeeds(text);
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
    _setFontInfo(config);
    _setText(content);
    _refreshPainted();
}

void CMTextLayer::_splitLines()
{
    const QStringList lines = m_text.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    const ZqCSAutoLocker locker(&m_textLock);
    m_lines = lines;
    ++m_version;
}
