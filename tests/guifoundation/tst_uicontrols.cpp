#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UICheckBoxControl.h>
#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/UIWindow.h>

#include <QStandardItemModel>

#include <QApplication>
#include <QGraphicsView>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

UIControl *fixedChild(UIControl *parent, qreal width, qreal height)
{
    auto *child = new UIControl(parent);
    child->setFixSize(QSizeF(width, height));
    parent->addItem(child);
    return child;
}

// A point of a control in its view's viewport, where QTest sends mouse events.
QPoint viewPoint(const UIControl *control, QPointF at = QPointF(-1, -1))
{
    if (at.x() < 0)
        at = control->rect().center();
    return control->graphicsView()->mapFromScene(control->mapToScene(at));
}

void click(const UIControl *control, QPointF at = QPointF(-1, -1))
{
    QTest::mouseClick(control->graphicsView()->viewport(), Qt::LeftButton, {},
                      viewPoint(control, at));
}

} // namespace

class TestUIControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsColumnsAndFreePlacement();
    void buttonsAndCheckBoxesTakeClicks();
    void closeProtocol();
    void modalShowDoesNotBlock();
    void windowMovesWhenDraggedOnItsBackground();
    void comboBoxListOpensOutsideTheWindow();
    void sliderFollowsMouseAndKeys();
};

void TestUIControls::rowsColumnsAndFreePlacement()
{
    UIControl column;
    column.setLayout(UIControl::VerticalLayout);
    column.setMargins(QMarginsF(10, 5, 10, 5));
    column.setSpacing(4);
    UIControl *a = fixedChild(&column, 50, 20);
    column.addSpacing(6);
    auto *row = new UIControl(&column);
    row->setLayout(UIControl::HorizontalLayout);
    row->setSpacing(10);
    row->setContentAlignment(Qt::AlignHCenter);
    row->setFixHeight(30);
    row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    column.addItem(row);
    UIControl *b = fixedChild(row, 40, 20);
    UIControl *c = fixedChild(row, 40, 20);
    column.resize(200, 120);
    QApplication::processEvents();

    QCOMPARE(a->geometry(), QRectF(10, 5, 50, 20));
    // Below a, the spacing, the fixed spacer and the spacing again.
    QCOMPARE(row->geometry(), QRectF(10, 39, 180, 30));
    // Centred in the row, vertically centred across it.
    QCOMPARE(b->geometry(), QRectF(45, 5, 40, 20));
    QCOMPARE(c->geometry(), QRectF(95, 5, 40, 20));
    QCOMPARE(a->parent(), &column); // the child object, so findChild finds controls
    QCOMPARE(column.findChild<UIControl *>(), a);

    // Free placement: children keep their own geometry; order survives a switch back.
    column.setLayout(UIControl::FreeLayout);
    a->setGeometry(QRectF(100, 90, 50, 20));
    QApplication::processEvents();
    QCOMPARE(a->geometry(), QRectF(100, 90, 50, 20));
    column.setLayout(UIControl::VerticalLayout);
    QApplication::processEvents();
    QCOMPARE(a->geometry().topLeft(), QPointF(10, 5));

    // A deleted child leaves the layout.
    const int before = column.itemCount();
    delete a;
    QCOMPARE(column.itemCount(), before - 1);
    QApplication::processEvents();
    QCOMPARE(row->geometry().top(), 5 + 6 + 4.0);
}

void TestUIControls::buttonsAndCheckBoxesTakeClicks()
{
    UIBaseWindow window;
    window.setFixSize(300, 100);
    UIControl *content = window.contentControl();
    content->setLayout(UIControl::HorizontalLayout);
    auto *plain = new UIButtonControl(content);
    plain->setText(QStringLiteral("ok"));
    plain->setFixSize(QSizeF(80, 30));
    auto *toggle = new UIButtonControl(content);
    toggle->setCheckable(true);
    toggle->setFixSize(QSizeF(30, 30));
    auto *box = new UICheckBoxControl(content);
    box->setFixSize(QSizeF(18, 18));
    for (UIControl *control : {static_cast<UIControl *>(plain), static_cast<UIControl *>(toggle),
                               static_cast<UIControl *>(box)})
        content->addItem(control);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy clicked(plain, &UIButtonControl::clicked);
    click(plain);
    QCOMPARE(clicked.count(), 1);
    // Pressed on the button, released off it: no click.
    QTest::mousePress(window.viewport(), Qt::LeftButton, {}, viewPoint(plain));
    QTest::mouseMove(window.viewport(), viewPoint(plain) + QPoint(200, 0));
    QTest::mouseRelease(window.viewport(), Qt::LeftButton, {}, viewPoint(plain) + QPoint(200, 0));
    QCOMPARE(clicked.count(), 1);
    plain->setEnabled(false);
    click(plain);
    QCOMPARE(clicked.count(), 1);

    // A checkable button has its new state when clicked() arrives.
    bool stateAtClick = false;
    connect(toggle, &UIButtonControl::clicked, this, [&] { stateAtClick = toggle->checked(); });
    click(toggle);
    QVERIFY(stateAtClick);
    click(toggle);
    QVERIFY(!toggle->checked());

    QSignalSpy changed(box, &UICheckBoxControl::stateChanged);
    click(box);
    click(box);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toBool(), true);
    QCOMPARE(changed.at(1).at(0).toBool(), false);
    box->setCheckState(false); // no change, no signal
    QCOMPARE(changed.count(), 2);
}

void TestUIControls::closeProtocol()
{
    // The title bar's close button: sigClose, then aboutToClose, then the window goes.
    QPointer<UIWindow> window = new UIWindow;
    window->setTitleText(QStringLiteral("camera setting"));
    window->setFixSize(300, 200);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QStringList order;
    connect(window, &UIWindow::sigClose, this, [&] { order << "sigClose"; });
    connect(window, &UIWindow::aboutToClose, this, [&] {
        order << "aboutToClose";
        QVERIFY(window->isVisible());
        window->close(); // closing again from the handler is harmless
    });
    connect(window, &QObject::destroyed, this, [&] { order << "destroyed"; });
    click(window->closeButton());
    QTRY_VERIFY(!window);
    QCOMPARE(order, QStringList({"sigClose", "aboutToClose", "destroyed"}));

    // Every close says so, also one made in code on a hidden window, and with
    // delete-on-close switched off the window survives it.
    UIWindow kept;
    kept.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy aboutToClose(&kept, &UIBaseWindow::aboutToClose);
    kept.close();
    kept.show();
    kept.close();
    QCOMPARE(aboutToClose.count(), 2);
    QVERIFY(!kept.isVisible());
}

void TestUIControls::modalShowDoesNotBlock()
{
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    auto *window = new UIWindow(&owner);
    window->setFixSize(200, 100);
    window->showModalAsync(true, true);
    // Back here at once, with the window open and application-modal.
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowModality(), Qt::ApplicationModal);
    QTRY_COMPARE(QApplication::activeModalWidget(), window);
    // Shown again window-modal: it reopens with the new modality.
    window->showModalAsync(true, false);
    QCOMPARE(window->windowModality(), Qt::WindowModal);
    QVERIFY(window->isVisible());
    window->showModalAsync(false, false);
    QCOMPARE(window->windowModality(), Qt::NonModal);
    QPointer<UIWindow> guard(window);
    window->close();
    QTRY_VERIFY(!guard);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestUIControls::windowMovesWhenDraggedOnItsBackground()
{
    UIWindow window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.setFixSize(300, 200);
    window.move(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();
    QWidget *viewport = window.viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(150, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(170, 130), viewport->mapToGlobal(QPointF(170, 130)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(170, 130));
    QCOMPARE(window.pos(), start + QPoint(20, 30));
}

void TestUIControls::comboBoxListOpensOutsideTheWindow()
{
    // A window too small for the list: the list still opens whole, under the box.
    UIBaseWindow window;
    window.setFixSize(200, 40);
    auto *combo = new UIComboBoxControl(window.contentControl());
    combo->setFixSize(QSizeF(185, 30));
    window.contentControl()->addItem(combo);
    QPointer<QStandardItemModel> first = new QStandardItemModel;
    combo->setModel(first);
    QCOMPARE(first->parent(), combo); // a model without a parent is the control's
    combo->setItems(
        {QStringLiteral("1280X720"), QStringLiteral("640X480"), QStringLiteral("640X360")});
    QVERIFY(!first); // and goes when replaced
    QCOMPARE(combo->currentIndex(), 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy changed(combo, &UIComboBoxControl::currentIndexChanged);
    click(combo);
    QVERIFY(combo->isPopupVisible());
    QWidget *popup = QApplication::activePopupWidget();
    QVERIFY(popup && popup->isWindow());
    QCOMPARE(popup->geometry().top(), combo->globalRect().bottom() + 3);
    QVERIFY(popup->height() >= 3 * 28);
    QWidget *list = popup->focusWidget();
    QVERIFY(list);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!combo->isPopupVisible());
    QCOMPARE(combo->currentText(), QStringLiteral("640X480"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
}

void TestUIControls::sliderFollowsMouseAndKeys()
{
    UIBaseWindow window;
    window.setFixSize(200, 40);
    auto *slider = new UISliderControl(window.contentControl());
    slider->setFixSize(QSizeF(150, 20));
    slider->setHandleSize(QSizeF(18, 18));
    window.contentControl()->addItem(slider);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 100);

    QSignalSpy changed(slider, &UISliderControl::valueChanged);
    // The track runs from half a handle in to half a handle before the end.
    click(slider, QPointF(9 + 0.75 * (150 - 18), 10));
    QCOMPARE(slider->value(), 75);
    QTest::mousePress(window.viewport(), Qt::LeftButton, {}, viewPoint(slider, QPointF(108, 10)));
    QMouseEvent drag(QEvent::MouseMove, viewPoint(slider, QPointF(9, 10)),
                     window.viewport()->mapToGlobal(viewPoint(slider, QPointF(9, 10))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.viewport(), &drag);
    QTest::mouseRelease(window.viewport(), Qt::LeftButton, {}, viewPoint(slider, QPointF(9, 10)));
    QCOMPARE(slider->value(), 0);
    slider->setFocus();
    QTest::keyClick(window.viewport(), Qt::Key_Right);
    QCOMPARE(slider->value(), 1);
    QCOMPARE(changed.constLast().at(0).toInt(), 1);
}

QTEST_MAIN(TestUIControls)
#include "tst_uicontrols.moc"
