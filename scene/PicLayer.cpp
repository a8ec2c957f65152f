#include "PicLayer.h"

#include "LayerMenu.h"
#include "PreviewCenterData.h"
#include "SceneGeometry.h"

#include <QGraphicsSceneResizeEvent>
#include <QImageReader>
#include <QPainter>

#include <cmath>

namespace {

constexpr int MaxWidth = 1280;
constexpr int MaxHeight = 720;

} // namespace

PicLayer::PicLayer(PreviewCenterData *centerData, QGraphicsItem *parent)
    : BasicLayer(centerData, parent)
{
    connect(menu(), &LayerMenu::sigEditTriggered, this, &PicLayer::onEdit);
    connect(menu(), &LayerMenu::sigDeleteTriggered, this, &PicLayer::onDelete);
    connect(this, &LayerItem::sigResizedOk, this, &PicLayer::on_sigResizedOk);
}

PicLayer::~PicLayer() = default;

void PicLayer::showContextMenu()
{
    menu()->popup(_view());
}

std::optional<QSize> PicLayer::initialSizeFor(const QString &path) const
{
    if (path.isEmpty())
        return std::nullopt;
    QImageReader reader(path);
    const QSize size = reader.size().isValid() ? reader.size() : reader.read().size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    const double r = double(size.width()) / double(size.height());
    int w = size.width();
    int h = size.height();
    if (isResizable()) {
        if (w > 375) {
            w = 375;
            h = truncated(375 / r);
        }
        if (h >= 211) {
            h = 210;
            w = truncated(r * 210);
        }
        return QSize(w, h);
    }
    QSize output = centerData() ? centerData()->videoSize() : QSize();
    if (output.width() == 0 || output.height() == 0)
        output = QSize(1920, 1080);
    w = truncated(w * 420.0 / 1080.0);
    h = truncated(h * 420.0 / 1080.0);
    if (w > output.width()) {
        w = output.width();
        h = truncated(w / r);
    }
    if (h > output.height()) {
        h = output.height();
        w = truncated(h * r);
    }
    return QSize(w, h);
}

bool PicLayer::loadPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoDetectImageFormat(true);
    QImage image = reader.read();
    if (image.isNull()) {
        m_picture = QPixmap();
        return false;
    }
    if (image.width() > MaxWidth || image.height() > MaxHeight) {
        const double r = double(image.width()) / double(image.height());
        int w = image.width();
        int h = image.height();
        if (w > MaxWidth) {
            w = MaxWidth;
            h = truncated(w / r);
        }
        if (h > MaxHeight) {
            h = MaxHeight;
            w = truncated(h * r);
        }
        image = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_picture = QPixmap::fromImage(image);
    return true;
}

void PicLayer::setPicPath(const QString &path, bool resize)
{
    if (path == m_path)
        return;
    m_path = path;
    if (resize) {
        if (const std::optional<QSize> initial = initialSizeFor(path)) {
            this->resize(*initial);
            if (initial->height() > 0)
                setAspectRatio(double(initial->width()) / double(initial->height()));
        }
    }
    loadPicture(path);
    keepInsideParent();
    _rescale(Qt::SmoothTransformation);
    Q_EMIT sigPicPathChanged(path);
}

void PicLayer::setAlpha(int alpha)
{
    m_alpha = alpha;
    _rescale(Qt::SmoothTransformation);
    Q_EMIT sigAlphaChanged(alpha);
}

void PicLayer::onEdit()
{
    Q_EMIT editLayer(this);
}

void PicLayer::onDelete()
{
    Q_EMIT needToBeDelete(this);
}

void PicLayer::on_picChanged(QString imagePath)
{
    setPicPath(imagePath, true);
    update();
}

void PicLayer::on_alphaChanged(int alpha)
{
    setAlpha(alpha);
    update();
}

void PicLayer::on_sigResizedOk(QRectF newRc)
{
    Q_UNUSED(newRc)
    if (!m_smooth)
        _rescale(Qt::SmoothTransformation);
}

void PicLayer::paintContent(QPainter *painter)
{
    if (m_alpha < 100)
        painter->setOpacity(m_alpha / 100.0);
    if (!m_scaledPicture.isNull())
        painter->drawPixmap(rect(), m_scaledPicture, QRectF(m_scaledPicture.rect()));
}

void PicLayer::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    BasicLayer::resizeEvent(event);
    // Cheap while the user drags a handle; the release rescales smoothly.
    _rescale(isPressed() ? Qt::FastTransformation : Qt::SmoothTransformation);
}

void PicLayer::_rescale(Qt::TransformationMode mode)
{
    const QSize target(truncated(size().width()), truncated(size().height()));
    m_smooth = mode == Qt::SmoothTransformation;
    if (m_picture.isNull() || target.isEmpty()) {
        m_scaledPicture = QPixmap();
        return;
    }
    // At the screen's pixel density, so the picture stays sharp on a HiDPI screen.
    const QWidget *view = _view();
    const qreal dpr = view ? view->devicePixelRatioF() : 1.0;
    m_scaledPicture = m_picture.scaled(target * dpr, Qt::IgnoreAspectRatio, mode);
    m_scaledPicture.setDevicePixelRatio(dpr);
}
