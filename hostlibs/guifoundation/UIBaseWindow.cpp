#include "UIBaseWindow.h"
#include "UIBaseWindow_p.h"

#include "UIControl.h"
#include "UITheme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

UIBaseWindowPrivate::UIBaseWindowPrivate() = default;
UIBaseWindowPrivate::~UIBaseWindowPrivate() = default;

void UIBaseWindowPrivate::takeFocus()
{
    Q_Q(UIBaseWindow);
    // An activated window does not always get the keyboard by itself (a frameless window on
    // X11 without a window manager does not): keys would then go nowhere.
    if (!q->hasFocus() && q->focusPolicy() != Qt::NoFocus)
        q->setFocus(Qt::ActiveWindowFocusReason);
    if (initialFocus && initialFocus->isVisible() && !scene->focusItem())
        initialFocus->setFocus(Qt::ActiveWindowFocusReason);
}

UIBaseWindow::UIBaseWindow(QWidget *parent)
    : UIBaseWindow(*new UIBaseWindowPrivate, parent)
{}

UIBaseWindow::UIBaseWindow(UIBaseWindowPrivate &dd, QWidget *parent)
    : QGraphicsView(parent)
    , d_ptr(&dd)
{
    Q_D(UIBaseWindow);
    d->q_ptr = this;
    // A window follows the palette of the window it belongs to (the host's, for an editor), so
    // it wears the same theme; a window of its own follows the application's.
    setAttribute(Qt::WA_WindowPropagation);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setFocusPolicy(Qt::StrongFocus);

    d->scene = new QGraphicsScene(this);
    d->scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    // The controls take their colours from the scene's palette.
    d->syncScenePalette();
    setScene(d->scene);
    d->root = new UIControl;
    d->root->setParent(this);
    d->root->setObjectName(QStringLiteral("windowRoot"));
    d->root->setBackgroundRole(UITheme::Window);
    d->scene->addItem(d->root);
    resize(400, 300);
}

UIBaseWindow::~UIBaseWindow()
{
    Q_D(UIBaseWindow);
    // Items go before the view they live in, while the window is still a window.
    delete d->root;
    d->root = nullptr;
}

UIControl *UIBaseWindow::rootControl() const
{
    Q_D(const UIBaseWindow);
    return d->root;
}

UIControl *UIBaseWindow::contentControl() const
{
    return rootControl();
}

void UIBaseWindow::setFixSize(const QSize &size)
{
    setFixedSize(size.expandedTo(QSize(1, 1)));
}

QColor UIBaseWindow::backgroundColor() const
{
    Q_D(const UIBaseWindow);
    return d->root->backgroundColor();
}

void UIBaseWindow::setBackgroundColor(const QColor &color)
{
    Q_D(UIBaseWindow);
    d->root->setBackgroundColor(color);
}

void UIBaseWindow::setBackgroundImage(const QString &path)
{
    Q_D(UIBaseWindow);
    d->root->setBackgroundImage(path);
}

bool UIBaseWindow::isMovable() const
{
    Q_D(const UIBaseWindow);
    return d->movable;
}

void UIBaseWindow::setMovable(bool movable)
{
    Q_D(UIBaseWindow);
    d->movable = movable;
}

UIControl *UIBaseWindow::initialFocus() const
{
    Q_D(const UIBaseWindow);
    return d->initialFocus;
}

void UIBaseWindow::setInitialFocus(UIControl *control)
{
    Q_D(UIBaseWindow);
    d->initialFocus = control;
    if (isActiveWindow())
        d->takeFocus();
}

void UIBaseWindow::showActive()
{
    show();
    raise();
    activateWindow();
}

void UIBaseWindow::showModalAsync(bool modal, bool applicationModal)
{
    Qt::WindowModality modality = Qt::NonModal;
    if (modal)
        modality = applicationModal || !parentWidget() ? Qt::ApplicationModal : Qt::WindowModal;
    // Qt fixes a window's modality when it is shown.
    if (isVisible() && windowModality() != modality)
        hide();
    setWindowModality(modality);
    showActive();
}

QSize UIBaseWindow::sizeHint() const
{
    Q_D(const UIBaseWindow);
    return d->root->effectiveSizeHint(Qt::PreferredSize).toSize().expandedTo(QSize(1, 1));
}

void UIBaseWindow::setupUi() {}

void UIBaseWindowPrivate::syncScenePalette()
{
    Q_Q(UIBaseWindow);
    if (!scene)
        return;
    // Every colour set explicitly: the scene fills the roles a palette does not mark as set
    // from the application's palette, and a window's inherited palette marks none.
    const QPalette inherited = q->palette();
    QPalette colours;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            colours.setColor(g, r, inherited.color(g, r));
        }
    }
    scene->setPalette(colours);
}

bool UIBaseWindow::event(QEvent *event)
{
    Q_D(UIBaseWindow);
    const bool result = QGraphicsView::event(event);
    if (event->type() == QEvent::WindowActivate)
        d->takeFocus();
    else if (event->type() == QEvent::PaletteChange)
        d->syncScenePalette();
    return result;
}

void UIBaseWindow::closeEvent(QCloseEvent *event)
{
    Q_D(UIBaseWindow);
    // A receiver that closes the window again from aboutToClose must not hear it twice.
    if (!d->closing) {
        d->closing = true;
        Q_EMIT aboutToClose();
        d->closing = false;
    }
    d->dragging = false;
    QGraphicsView::closeEvent(event);
}

void UIBaseWindow::resizeEvent(QResizeEvent *event)
{
    Q_D(UIBaseWindow);
    QGraphicsView::resizeEvent(event);
    const QSizeF area = viewport()->size();
    d->scene->setSceneRect(QRectF(QPointF(), area));
    d->root->setGeometry(QRectF(QPointF(), area));
}

void UIBaseWindow::showEvent(QShowEvent *event)
{
    // Placed once: centred over the parent's window, or on the screen, unless moved already.
    if (!testAttribute(Qt::WA_Moved)) {
        QRect area;
        if (const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr)
            area = owner->frameGeometry();
        else if (const QScreen *screen = this->screen())
            area = screen->availableGeometry();
        if (area.isValid()) {
            QRect placed(QPoint(), size());
            placed.moveCenter(area.center());
            move(placed.topLeft());
        }
    }
    QGraphicsView::showEvent(event);
}

void UIBaseWindow::keyPressEvent(QKeyEvent *event)
{
    QGraphicsView::keyPressEvent(event);
    // Escape closes a window whose controls did not want the key, as it does a dialog.
    if (!event->isAccepted() && event->key() == Qt::Key_Escape && event->modifiers() == 0) {
        event->accept();
        close();
    }
}

void UIBaseWindow::mousePressEvent(QMouseEvent *event)
{
    Q_D(UIBaseWindow);
    QGraphicsView::mousePressEvent(event);
    if (event->isAccepted() || event->button() != Qt::LeftButton || !d->movable)
        return;
    d->dragging = true;
    d->dragOffset = event->globalPosition().toPoint() - pos();
    event->accept();
}

void UIBaseWindow::mouseMoveEvent(QMouseEvent *event)
{
    Q_D(UIBaseWindow);
    if (d->dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - d->dragOffset);
        event->accept();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void UIBaseWindow::mouseReleaseEvent(QMouseEvent *event)
{
    Q_D(UIBaseWindow);
    if (d->dragging && event->button() == Qt::LeftButton) {
        d->dragging = false;
        event->accept();
        return;
    }
    QGraphicsView::mouseReleaseEvent(event);
}

void UIBaseWindow::drawForeground(QPainter *painter, const QRectF &rect)
{
    Q_D(UIBaseWindow);
    Q_UNUSED(rect)
    // A hairline rim, which a frameless window needs to stand apart from what lies behind.
    if (!isWindow() || d->borderColor.alpha() == 0 || testAttribute(Qt::WA_TranslucentBackground))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(d->borderColor, 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(sceneRect().adjusted(0, 0, -1, -1));
    painter->restore();
}
