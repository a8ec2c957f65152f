#include "CameraLayer.h"

#include "LayerMenu.h"
#include "PreviewCenterData.h"
#include "SceneGeometry.h"

#include <guifoundation/UITheme.h>

#include <QPainter>

#include <cmath>

namespace {

const QColor NoPictureBackground(70, 69, 69, 255);
const QString NoDataPicture = QStringLiteral(":/theme/preview/no_camera_data.png");

} // namespace

CameraLayer::CameraLayer(PreviewCenterData *centerData, QGraphicsItem *parent)
    : BasicLayer(centerData, parent)
    , m_noDataPixmap(UITheme::pixmap(NoDataPicture))
{
    setBackgroundColor(NoPictureBackground);
    m_shownPixmap = m_noDataPixmap;
    connect(menu(), &LayerMenu::sigEditTriggered, this, &CameraLayer::onEdit);
    connect(menu(), &LayerMenu::sigDeleteTriggered, this, &CameraLayer::onDelete);
    connect(this, &LayerItem::sigResizedOk, this, &CameraLayer::on_sigResizedOk);
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setInterval(100);
    connect(&m_repaintTimer, &QTimer::timeout, this, &CameraLayer::on_timer_update);
}

CameraLayer::~CameraLayer()
{
    disconnect_all();
}

void CameraLayer::showContextMenu()
{
    menu()->popup(_view());
}

void CameraLayer::setCameraPixmap(const QPixmap &pixmap)
{
    m_hasPicture = !pixmap.isNull();
    m_shownPixmap = m_hasPicture ? pixmap : m_noDataPixmap;
    setBackgroundColor(m_hasPicture ? QColor(0, 0, 0, 0) : NoPictureBackground);
    update();
}

void CameraLayer::setCameraParam(const CameraParam &param)
{
    if (size().width() != 0 && size().height() != 0)
        applyCameraSize(param);
    m_cameraParam = param;
    Q_EMIT sigCameraParamChanged(param);
}

void CameraLayer::setAlpha(int alpha)
{
    m_alpha = alpha;
    Q_EMIT sigAlphaChanged(alpha);
}

void CameraLayer::applyCameraSize(const CameraParam &param)
{
    const QGraphicsItem *parent = parentItem();
    const QSizeF area = parent ? parent->boundingRect().size() : QSizeF();
    const qreal W = area.width();
    const qreal H = area.height();
    QRectF rect = geometry();
    if (param.width != 0 && param.height != 0 && W > 0 && H > 0) {
        const qreal r = qreal(param.width) / qreal(param.height);
        QRectF c(rect.left(), rect.top(), rect.height() * r, rect.height());
        if (W < c.width()) {
            const int height = truncated(W / r);
            c = QRectF(0, truncated((H - height) * 0.5), W, height);
        } else {
            c.translate(-truncated((c.width() - rect.width()) * 0.5), 0);
            if (c.left() < 0)
                c.moveLeft(0);
            else if (c.right() > W)
                c.translate(-truncated(c.right() - W), 0);
        }
        rect = c;
    }
    setGeometry(rect);
    if (param.width != 0 && param.height != 0)
        setAspectRatio(qreal(param.width) / qreal(param.height));
    m_repaintTimer.start();
    update();
}

void CameraLayer::onEdit()
{
    Q_EMIT editLayer(this);
}

void CameraLayer::onDelete()
{
    Q_EMIT needToBeDelete(this);
}

void CameraLayer::on_alphaChanged(int alpha)
{
    setAlpha(alpha);
    update();
}

void CameraLayer::on_CameraParamChanged(CameraParam cameraParam)
{
    applyCameraSize(cameraParam);
    m_cameraParam = cameraParam;
    Q_EMIT sigCameraParamChanged(cameraParam);
}

void CameraLayer::on_sigResizedOk(QRectF newRc)
{
    Q_UNUSED(newRc)
    m_repaintTimer.start();
}

void CameraLayer::on_timer_update()
{
    _repaintParents();
}

void CameraLayer::paintContent(QPainter *painter)
{
    const bool dragging = centerData() && centerData()->layerInteracting();
    if (m_alpha < 100 && !dragging)
        painter->setOpacity(m_alpha / 100.0);
    // The "no camera" picture at the screen's pixel density.
    const QPixmap shownPixmap =
        m_hasPicture ? m_shownPixmap
                     : UITheme::pixmap(NoDataPicture, UITheme::devicePixelRatio(painter));
    const QSizeF shown = shownPixmap.deviceIndependentSize();
    const int left = truncated((size().width() - shown.width()) * 0.5);
    const int top = truncated((size().height() - shown.height()) * 0.5);
    painter->drawPixmap(QPointF(left, top), shownPixmap);
}
