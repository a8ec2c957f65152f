#include "GamePicLayer.h"

#include "LayerMenu.h"
#include "PreviewCenterData.h"

#include <guifoundation/UITheme.h>

#include <QGraphicsTextItem>
#include <QPainter>

namespace {

const QColor NoPictureBackground(70, 69, 69, 255);

} // namespace

GamePicLayer::GamePicLayer(PreviewCenterData *centerData, QGraphicsItem *parent)
    : BasicLayer(centerData, parent)
    , m_placeholderFont(UITheme::font(18)) // the product's own face, which has Chinese glyphs
    , m_placeholderText(tr("no process/desktop pic"))
{
    _measurePlaceholder();
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setInterval(500);
    connect(&m_repaintTimer, &QTimer::timeout, this, &GamePicLayer::on_timer_update);
    connect(menu(), &LayerMenu::sigEditTriggered, this, &GamePicLayer::onEdit);
    connect(menu(), &LayerMenu::sigDeleteTriggered, this, &GamePicLayer::onDelete);
}

GamePicLayer::~GamePicLayer()
{
    disconnect_all();
}

void GamePicLayer::showContextMenu()
{
    menu()->popupWithoutEditDelete(_view());
}

void GamePicLayer::setGamePicture(const QImage &picture)
{
    m_gamePicture = picture;
    update();
}

void GamePicLayer::setAlpha(int alpha)
{
    m_alpha = alpha;
    Q_EMIT sigAlphaChanged(alpha);
}

void GamePicLayer::onEdit()
{
    Q_EMIT editLayer(this);
}

void GamePicLayer::onDelete()
{
    Q_EMIT needToBeDelete(this);
}

void GamePicLayer::on_alphaChanged(int alpha)
{
    setAlpha(alpha);
    update();
}

void GamePicLayer::on_timer_update()
{
    _repaintParents();
    update();
}

void GamePicLayer::paintContent(QPainter *painter)
{
    const bool dragging = centerData() && centerData()->layerInteracting();
    if (m_alpha < 100 && !dragging)
        painter->setOpacity(m_alpha / 100.0);
    if (m_gamePicture.isNull()) {
        painter->fillRect(rect(), NoPictureBackground);
        painter->setFont(m_placeholderFont);
        painter->setPen(m_placeholderColor);
        painter->drawText(QRectF(m_placeholderPos, m_placeholderSize), Qt::AlignCenter,
                          m_placeholderText);
    } else {
        painter->drawImage(QPointF(0, 0), m_gamePicture);
    }
}

void GamePicLayer::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    BasicLayer::resizeEvent(event);
    m_placeholderPos = QPointF(int(size().width()) / 2 - m_placeholderSize.width() * 0.5,
                               int(size().height()) / 2 - m_placeholderSize.height() * 0.5);
    m_repaintTimer.start();
}

void GamePicLayer::_measurePlaceholder()
{
    QGraphicsTextItem probe;
    probe.setFont(m_placeholderFont);
    probe.setPlainText(m_placeholderText);
    m_placeholderSize = probe.boundingRect().size();
}
