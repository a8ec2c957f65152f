#include "GamePicLayer.h"

#include "LayerMenu.h"
#include "PreviewCenterData.h"

#include <QGraphicsTextItem>
#include <QPainter>
#include <QTimer>

namespace {

const QColor NoPictureBackground(70, 69, 69, 255);

} // namespace

GamePicLayer::GamePicLayer(PreviewCenterData *centerData, QGraphicsItem *parent)
    : BasicLayer(centerData, parent)
    , m_placeholderText(tr("no process/desktop pic"))
{
    m_placeholderFont.setPointSize(18);
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
    auto *parent = qobject_cast<UIControl *>(parentObject());
    auto *grandParent = parent ? qobject_cast<UIControl *>(parent->parentObject()) : nullptr;
    if (parent && grandParent) {
        parent->update();
        grandParent->update();
    }
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
        // The measured box includes the text item's document margin; so does the drawing.
        QGraphicsTextItem probe;
        probe.setFont(m_placeholderFont);
        probe.setPlainText(m_placeholderText);
        const QRectF box = probe.boundingRect().translated(m_placeholderPos);
        painter->drawText(box, Qt::AlignCenter, m_placeholderText);
    } else {
        painter->drawImage(QPointF(0, 0), m_gamePicture);
    }
}

void GamePicLayer::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    BasicLayer::resizeEvent(event);
    QGraphicsTextItem probe;
    probe.setFont(m_placeholderFont);
    probe.setPlainText(m_placeholderText);
    const QRectF box = probe.boundingRect();
    m_placeholderPos = QPointF(int(size().width()) / 2 - box.width() * 0.5,
                               int(size().height()) / 2 - box.height() * 0.5);
    QTimer::singleShot(500, this, &GamePicLayer::on_timer_update);
}
