#include "CMPicLayer.h"

#include "FrameContext.h"
#include "ImageScaler.h"
#include "Log.h"
#include "PixelRows.h"
#include "RegularFile.h"

#include <appcommon/pubfunc.h>
#include <appcommon/ZqCSAutoLocker.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

CMPicLayer::CMPicLayer() = default;

CMPicLayer::~CMPicLayer() = default;

QSize CMPicLayer::limitedSize(const QSize &size)
{
    if (size.width() <= MaxWidth && size.height() <= MaxHeight)
        return size;
    const double ratio = double(size.width()) / double(size.height());
    int w = size.width();
    int h = size.height();
    if (w > MaxWidth) {
        w = MaxWidth;
        h = truncate(w / ratio);
    }
    if (h > MaxHeight) {
        h = MaxHeight;
        w = truncate(h * ratio);
    }
    return QSize(w, h);
}

LayerState CMPicLayer::state() const
{
    LayerState state = CMBasicLayer::state();
    state.alpha = alpha();
    state.path = m_path;
    state.canEditSize = m_canEditSize;
    return state;
}

void CMPicLayer::setUILayer(LayerItem *item)
{
    if (!item)
        return;
    CMBasicLayer::setUILayer(item);
    connect(item, &LayerItem::sigAlphaChanged, this, &CMPicLayer::onAlphaChanged,
            Qt::UniqueConnection);
    connect(item, &LayerItem::sigPicPathChanged, this, &CMPicLayer::onPicChanged,
            Qt::UniqueConnection);
}

QRect CMPicLayer::prepareFrame(const FrameContext &frame)
{
    if (!isCombine())
        return QRect();
    _takeScale(frame.scaleX, frame.scaleY);
    _refreshPainted(); // after a change of scale
    std::shared_ptr<const SpanPicture> painted;
    {
        const ZqCSAutoLocker locker(&m_pictureLock);
        painted = m_painted;
    }
    return m_frame.begin(std::move(painted), outputPixelRect().topLeft(), frame);
}

void CMPicLayer::paintRow(int y, std::uint32_t *row, int left, int right)
{
    m_frame.paintRow(y, row, left, right);
}

void CMPicLayer::finishFrame()
{
    m_frame.end();
}

void CMPicLayer::onAlphaChanged(int alpha)
{
    m_alpha.store(alpha, std::memory_order_relaxed);
    _refreshPainted();
}

void CMPicLayer::onPicChanged(QString path)
{
    QImage loaded;
    if (!path.isEmpty()) {
        QString error;
        loaded = RegularFile::loadImage(path, &error);
        if (loaded.isNull()) {
            logWarning(L"CMPicLayer::onPicChanged cannot load %ls: %ls",
                       path.toStdWString().c_str(), error.toStdWString().c_str());
        }
    }
    if (!loaded.isNull()) {
        const QSize size = limitedSize(loaded.size());
        if (size != loaded.size())
            loaded = loaded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    {
        const ZqCSAutoLocker locker(&m_pictureLock);
        m_image = loaded;
    }
    m_path = path;
    _makeResourceCopy();
    _refreshPainted();
}

void CMPicLayer::onGeometryChanged(QRectF rc)
{
    CMBasicLayer::onGeometryChanged(rc);
    _refreshPainted(); // a move keeps the picture; a new size remakes it
}

void CMPicLayer::_refreshPainted()
{
    // Under the lock from reading the state to storing the result, so that the GUI thread
    // (picture, geometry, opacity) and the composing thread (output scale) cannot leave a
    // picture of an outdated state behind.
    const ZqCSAutoLocker locker(&m_pictureLock);
    PaintedKey key;
    key.picture = m_image.cacheKey();
    key.size = outputPixelRect().size();
    key.alpha = qBound(0, alpha(), 100);
    if (key == m_paintedKey)
        return;
    m_paintedKey = key;
    if (m_image.isNull() || !ImageScaler::isSaneSize(key.size.width(), key.size.height())) {
        m_painted.reset();
        return;
    }
    QImage picture = m_image.scaled(key.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) {
        m_painted.reset();
        return;
    }
    if (key.alpha < 100) {
        // The opacity goes into the picture once: blended at that opacity over nothing, each
        // pixel becomes what Qt's painter blends at that opacity.
        const PixelRows::Kernels &kernels = PixelRows::inUse();
        const int opacity = PixelRows::opacityFromPercent(key.alpha);
        std::vector<std::uint32_t> row(size_t(picture.width()));
        for (int y = 0; y < picture.height(); ++y) {
            auto *line = reinterpret_cast<std::uint32_t *>(picture.scanLine(y));
            kernels.fill(row.data(), picture.width(), 0);
            kernels.blendAt(row.data(), line, picture.width(), opacity);
            kernels.copy(line, row.data(), picture.width(), 0);
        }
    }
    m_painted = std::make_shared<const SpanPicture>(std::move(picture));
}

QImage CMPicLayer::image() const
{
    const ZqCSAutoLocker locker(&m_pictureLock);
    return m_image;
}

void CMPicLayer::_makeResourceCopy()
{
    if (!m_path.startsWith(QLatin1String(":/theme"))) {
        m_cachePath = m_path;
        return;
    }
    const QByteArray bytes = m_path.toLatin1();
    const QString name =
        QString::fromStdString(pubfunc::getHashString(bytes.constData(), size_t(bytes.size()))) +
        QStringLiteral("01");
    const QString cacheDir = QString::fromStdWString(pubfunc::getAppCacheDirPath());
    m_cachePath = QDir(cacheDir).filePath(name);
    if (QFileInfo::exists(m_cachePath))
        return;
    if (!QDir().mkpath(cacheDir) || !QFile::copy(m_path, m_cachePath)) {
        logWarning(L"CMPicLayer::onPicChanged cannot copy %ls to %ls",
                   m_path.toStdWString().c_str(), m_cachePath.toStdWString().c_str());
    }
}
