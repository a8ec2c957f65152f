#pragma once

// What the editor tests share: a controller that plays the host, a stand-in layer item with
// the slots the editors drive, and real mouse and key input into a window's view.

#include "BasicLayer.h"
#include "CameraParam.h"
#include "FontInfoConfig.h"
#include "IPreviewController.h"
#include "PreviewCenterData.h"

#include <guifoundation/UIBaseWindow.h>
#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UIControl.h>

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QRectF>
#include <QSet>
#include <QTest>
#include <QWidget>

#include <functional>
#include <map>

// The host side of the controller: answers the camera questions from its lists, records the
// filter-word requests and lets the test answer them.
class FakeController : public QObject, public IPreviewController
{
    Q_OBJECT

public:
    std::vector<std::wstring> cameras;
    std::map<std::wstring, std::vector<tagSIZE>> sizes;
    QSet<const BasicLayer *> layers;
    QList<QPair<std::string, QString>> checks; // task id, text

    PreviewCenterData *centerData() const override { return nullptr; }
    ILayerStack *layerStack() const override { return nullptr; }
    FrameInput &gameVideoInput() override { return m_frames; }
    FrameInput &cameraInput() override { return m_frames; }
    StatusInput &cameraOpenStatusInput() override { return m_status; }
    QMetaObject::Connection connectFilterWordResults(QObject *context,
                                                     FilterWordReceiver receiver) override
    {
        return connect(this, &FakeController::filterWordResult, context, std::move(receiver));
    }
    void openCamera(const std::wstring &, tagSIZE, tagSIZE, bool) override {}
    void closeCamera() override {}
    void requestFilterWordCheck(const std::string &taskId, const std::wstring &text) override
    {
        checks.append({taskId, QString::fromStdWString(text)});
    }
    std::vector<std::wstring> cameraList() override { return cameras; }
    std::vector<tagSIZE> cameraResolutions(const std::wstring &device) override
    {
        const auto found = sizes.find(device);
        return found == sizes.end() ? std::vector<tagSIZE>() : found->second;
    }
    void announceVideoSize(unsigned int, unsigned int) override {}
    VideoFrameReceivers videoFrameReceivers() override { return {}; }
    bool hasLayer(const LayerItem *layer) const override
    {
        return layers.contains(static_cast<const BasicLayer *>(layer));
    }
    bool isEditingLayer() const override { return false; }

    // The host's answer to the last request (or to any task id).
    void answer(bool valid) { Q_EMIT filterWordResult(checks.last().first, valid); }
    void answer(const std::string &taskId, bool valid) { Q_EMIT filterWordResult(taskId, valid); }

Q_SIGNALS:
    void filterWordResult(const std::string &taskId, bool valid);

private:
    FrameInput m_frames;
    StatusInput m_status;
};

// The sizes of a 1280 x 720 output shown in a 746 x 420 scene, where a layer item draws text
// at 746 / 1280 of its point size.
class SceneSizes : public PreviewCenterData
{
public:
    SceneSizes()
    {
        setVideoSize(QSize(1280, 720));
        setPreviewSize(QSize(746, 420));
    }
};

// A layer item that records what the editors send it.
class StandInLayer : public BasicLayer
{
    Q_OBJECT

public:
    explicit StandInLayer(PreviewCenterData *sizes = nullptr)
        : BasicLayer(sizes)
    {}

    QStringList pictures;
    QList<int> alphas;
    QList<CameraParam> cameras;
    QList<QPair<FontInfoConfig, QString>> texts;
    QList<QRectF> geometries;

public Q_SLOTS:
    void on_picChanged(QString imagePath) { pictures << imagePath; }
    void on_alphaChanged(int alpha) { alphas << alpha; }
    void on_CameraParamChanged(CameraParam param) { cameras << param; }
    void on_fontOrColorChanged(FontInfoConfig config, QString text)
    {
        texts << qMakePair(config, text);
    }
    void on_geometryChanged(QRectF rect) { geometries << rect; }
};

namespace EditorTest {

inline QPoint viewPoint(const UIControl *control, QPointF at = QPointF(-1, -1))
{
    if (at.x() < 0)
        at = control->rect().center();
    return control->graphicsView()->mapFromScene(control->mapToScene(at));
}

inline void click(const UIControl *control, QPointF at = QPointF(-1, -1))
{
    QTest::mouseClick(control->graphicsView()->viewport(), Qt::LeftButton, {},
                      viewPoint(control, at));
}

// Types after what a text field holds, as a user does: a click, End, then the keys.
inline void typeInto(UIControl *field, const QString &keys)
{
    click(field);
    QTest::keyClick(field->graphicsView()->viewport(), Qt::Key_End);
    QTest::keyClicks(field->graphicsView()->viewport(), keys);
}

template<typename T>
T *child(const QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Moves the pointer over a control without a button held. Sent to the view itself: the
// offscreen platform hands synthetic cursor moves to whichever window it finds first.
inline void hover(const UIControl *control, QPointF at)
{
    QWidget *viewport = control->graphicsView()->viewport();
    const QPoint pos = viewPoint(control, at);
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

// Opens the combo box's list with a click and picks row with the keyboard, as a user does.
inline void choose(UIComboBoxControl *combo, int row)
{
    click(combo);
    QWidget *popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    QWidget *list = popup->focusWidget();
    QVERIFY(list);
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < row; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!combo->isPopupVisible());
}

inline void showAndWait(UIBaseWindow *window)
{
    window->showModalAsync(true, true);
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

// Every shown control lies inside its window. A layout that needs more room than the window's
// fixed size pushes its last controls (the OK button) past the edge, where they are cut off.
inline void verifyHoldsItsControls(UIBaseWindow *window)
{
    const QRectF card = window->mapToScene(window->viewport()->rect()).boundingRect();
    const QList<QGraphicsItem *> items = window->scene()->items();
    for (QGraphicsItem *item : items) {
        auto *control = item->isWidget()
                            ? qobject_cast<UIControl *>(static_cast<QGraphicsWidget *>(item))
                            : nullptr;
        if (!control || !control->isVisible())
            continue;
        const QRectF at = control->sceneBoundingRect();
        QVERIFY2(card.contains(at),
                 qPrintable(QStringLiteral("%1 \"%2\" at %3,%4 %5x%6 is outside its window %7x%8")
                                .arg(QString::fromLatin1(control->metaObject()->className()),
                                     control->objectName())
                                .arg(at.x())
                                .arg(at.y())
                                .arg(at.width())
                                .arg(at.height())
                                .arg(card.width())
                                .arg(card.height())));
    }
}

} // namespace EditorTest
