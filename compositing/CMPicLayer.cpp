#include "CMPicLayer.h"

#include "ILayerConfigWriter.h"
#include "ImageScaler.h"
#include "LayerConfigKeys.h"
#include "Log.h"
#include "RegularFile.h"
#include "StoredValue.h"

#include <appcommon/pubfunc.h>
#include <appcommon/ZqCSAutoLocker.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

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

bool CMPicLayer::saveConfig(const QString &key, ILayerConfigWriter *store)
{
    if (!store)
        return false;
    using LayerConfigKeys::layerKey;
    store->setValue(layerKey(key, "type"), StoredValue::fromInt(LT_PICTURE));
    store->setValue(layerKey(key, "path"), m_path);
    store->setValue(layerKey(key, "alpha"), StoredValue::fromInt(alpha()));
    store->setValue(layerKey(key, "caneditsize"), StoredValue::fromBool(m_canEditSize));
    return CMBasicLayer::saveConfig(key, store);
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

void CMPicLayer::draw(QPainter *painter, double scaleX, double scaleY)
{
    if (!isCombine() || !painter)
        return;
    _takeScale(scaleX, scaleY);
    const ZqCSAutoLocker locker(&m_pictureLock);
    const QRect rect = outputPixelRect();
    // Rescaled only when the picture, the geometry or the output scale changed.
    if (m_painted.size() != rect.size() && !m_image.isNull())
        _refreshPainted();
    if (m_painted.isNull())
        return;
    const int opacity = alpha();
    painter->save();
    if (opacity < 100)
        painter->setOpacity(opacity / 100.0);
    painter->drawImage(rect.topLeft(), m_painted);
    painter->restore();
}

void CMPicLayer::onAlphaChanged(int alpha)
{
    m_alpha.store(alpha, std::memory_order_relaxed);
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
    _refreshPainted();
}

void CMPicLayer::_refreshPainted()
{
    // Under the lock from reading the size to storing the result, so that the GUI thread
    // (geometry, picture) and the composing thread (output scale) cannot leave a picture of
    // an outdated size behind.
    const ZqCSAutoLocker locker(&m_pictureLock);
    const QSize size = outputPixelRect().size();
    if (!m_image.isNull() && ImageScaler::isSaneSize(size.width(), size.height())) {
        m_painted = m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else {
        m_painted = QImage();
    }
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
