#pragma once

#include <QGraphicsView>
#include <QSize>

class QGraphicsObject;
class UIControl;

// The interactive preview: a graphics view whose scene holds one UIControl, the parent the
// engine shows its layer scene in. The control takes the size of the preview area the engine
// announces and sits centred on a dark backdrop, scaled to fill the view with its aspect ratio
// kept, so the preview grows and shrinks with the window; at a device pixel ratio above 1 the
// view renders the scene at that ratio, so frames and text stay sharp.
class PreviewView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit PreviewView(QWidget *parent = nullptr);
    ~PreviewView() override;

    // The parent for IPreviewEngine::showPreview. Owned by the view's scene.
    UIControl *previewArea() const { return m_area; }
    // The size the engine announced with sigPreviewSizeChanged; empty until then.
    QSize previewSize() const { return m_previewSize; }
    void setPreviewSize(const QSize &size);

    // The engine's scene inside the area (a QGraphicsObject named "rootItem"), or null.
    QGraphicsObject *sceneRoot() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // View pixels per preview unit.
    qreal zoom() const { return transform().m11(); }

Q_SIGNALS:
    // The area was shown or hidden, or the engine's scene came or went.
    void areaChanged();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF _areaRect() const;
    void _fitArea();

    QGraphicsScene *m_scene;
    UIControl *m_area;
    QSize m_previewSize;
};
