#include "PicLayer.h"

#include "LayerMenu.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "RegularFile.h"
#include "SceneGeometry.h"

#include <QGraphicsSceneResizeEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int MaxWidth = 1280;
constexpr int MaxHeight = 720;

// A narrow output's scene can be smaller than the sizes new pictures start at: the picture
// then starts as large as fits, with its own aspect ratio.
QSize fittedInto(const QSize &size, const QSize &scene)
{
    if (scene.isEmpty() || (size.width() <= scene.width() && size.height() <= scene.height()))
        return size;
    const double k =
        std::min(double(scene.width()) / size.width(), double(scene.height()) / size.height());
    return QSize(std::max(1, int(size.width() * k)), std::max(1, int(size.height() * k)));
}

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

QImage PicLayer::readPicture(const QString &path, QString *error)
{
    return RegularFile::loadImage(path, error);
}

QSize PicLayer::initialSizeFor(const QSize &pictureSize) const
{
    if (pictureSize.isEmpty())
        return QSize();
    const QSize scene = centerData() ? centerData()->previewSize() : QSize();
    const double r = double(pictureSize.width()) / double(pictureSize.height());
    int w = pictureSize.width();
    int h = pictureSize.height();
    if (isResizable()) {
        if (w > 375) {
            w = 375;
            h = truncated(375 / r);
        }
        if (h >= 211) {
            h = 210;
            w = truncated(r * 210);
        }
        return fittedInto(QSize(w, h), scene);
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
    return fittedInto(QSize(w, h), scene);
}

bool PicLayer::setPicPath(const QString &path, bool resize)
{
    if (path == m_path)
        return true;
    QString error;
    const QImage picture = readPicture(path, &error);
    if (picture.isNull()) {
        logWarning(L"PicLayer::setPicPath %ls cannot be shown (%ls); the layer keeps its picture.",
                   path.toStdWString().c_str(), error.toStdWString().c_str());
        return false;
    }
    setPicture(path, picture, resize);
    return true;
}

void PicLayer::setPicture(const QString &path, const QImage &picture, bool resize)
{
    if (path == m_path && !m_picture.isNull())
        return;
    m_path = path;
    if (resize) {
        const QSize initial = initialSizeFor(picture.size());
        if (!initial.isEmpty()) {
            this->resize(initial);
            setAspectRatio(double(initial.width()) / double(initial.height()));
        }
    }
    // Kept at most 1280 x 720: enough for any preview, and cheap to rescale while dragged.
    QImage kept = picture;
    if (kept.width() > MaxWidth || kept.height() > MaxHeight) {
        const double r = double(kept.width()) / double(kept.height());
        int w = kept.width();
        int h = kept.height();
        if (w > MaxWidth) {
            w = MaxWidth;
            h = truncated(w / r);
        }
        if (h > MaxHeight) {
            h = MaxHeight;
            w = truncated(h * r);
        }
        kept = kept.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_picture = QPixmap::fromImage(kept);
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
