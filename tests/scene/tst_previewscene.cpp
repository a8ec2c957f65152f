// The interactive preview driven as a user drives it: real mouse, key and drop events through
// a view, checked against what the host receives (the composed frame) and what is stored.

#include "EngineFixture.h"
#include "SceneTestSupport.h"

#include "CameraLayer.h"
#include "PicLayer.h"
#include "PicLayerData.h"
#include "PreviewWatermark.h"
#include "RelayoutLogic.h"
#include "TextLayer.h"

#include <guifoundation/UIMenu.h>

#include <QSignalSpy>
#include <QtTest>

#include <utility>

namespace {

const QRectF RedRect(100, 100, 200, 100);
const QRectF BlueRect(250, 150, 200, 100);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Black = qRgb(0, 0, 0);

QStringList actionNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *action : menu->actions())
        names.append(action->objectName());
    return names;
}

// A host that tears the engine down from inside its answer to a camera request.
class TearingDownHost : public xsignals::trackable
{
public:
    explicit TearingDownHost(PreviewEngine *engine)
        : m_engine(engine)
    {
        engine->sigCloseCamera.connect(this, &TearingDownHost::onCloseCamera);
    }
    ~TearingDownHost() override { disconnect_all(); }
    void onCloseCamera()
    {
        if (std::exchange(armed, false))
            m_engine->unInit();
    }

    bool armed = false;

private:
    PreviewEngine *m_engine;
};

// The leftmost and rightmost columns of red ink inside rect of a rendered picture.
QPair<int, int> redInkColumns(const QImage &shot, const QRect &rect)
{
    int left = INT_MAX;
    int right = -1;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = shot.pixel(x, y);
            if (qRed(pixel) > 128 && qGreen(pixel) < 100 && qBlue(pixel) < 100) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
    }
    return {left, right};
}

// The output rectangle of every live compositing layer, back to front, with its kind.
QList<QPair<int, QRect>> outputRectangles(PreviewCombineLogic *combine)
{
    QList<QPair<int, QRect>> rects;
    // A frame has to be composed for the scale to be known: the caller composes first.
    for (const QPointer<CMLayer> &layer : combine->layers()) {
        if (layer && !layer->isDeleted())
            rects.append({layer->layerType(), layer->outputPixelRect()});
    }
    return rects;
}

} // namespace

class TestPreviewScene : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup() { f.reset(); }

    void selectDragAndRefuse();
    void handleRegions_data();
    void handleRegions();
    void resizeLimits();
    void deleteAndTheGameVideo();
    void menuActionsAndStacking();
    void dropsAndEditing();
    void limitsShowNotices();
    void dragKeepsItsGrabPointAtTheEdges();
    void textLinesAreCentred();
    void plainParentTwiceTheSceneSize();
    void watermarkShowsWhereTheStreamHasIt();
    void frameIsCrispAtAnyScale();
    void undoAndRedoMovesOrderAndVisibility();
    void undoBringsLayersBackAndTakesThemAway();
    void undoKeepsFiftyStepsAndWaitsForEditors();
    void hostTearsDownFromItsAnswers();

private:
    void _start()
    {
        f.reset();
        m_editors = FakeEditorFactory();
        f = std::make_unique<EngineFixture>(&m_editors);
    }
    void _show(QGraphicsObject *parent = nullptr) { QVERIFY(f->show(parent)); }
    QGraphicsView *view() const { return f->view.get(); }
    void undo() { QTest::keyClick(view()->viewport(), Qt::Key_Z, Qt::ControlModifier); }
    void redo(bool withY = false)
    {
        if (withY)
            QTest::keyClick(view()->viewport(), Qt::Key_Y, Qt::ControlModifier);
        else
            QTest::keyClick(view()->viewport(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }
    RelayoutLogic *relayout() const { return f->engine->controller()->relayout(); }

    QTemporaryDir m_dir;
    QString m_redPath;
    QString m_bluePath;
    FakeEditorFactory m_editors;
    std::unique_ptr<EngineFixture> f;
    quint32 m_red = 0;
    quint32 m_blue = 0;
    quint32 m_game = 0;
};

void TestPreviewScene::initTestCase()
{
    m_redPath = savePicture(m_dir, QStringLiteral("red.png"), Qt::red);
    m_bluePath = savePicture(m_dir, QStringLiteral("blue.png"), Qt::blue);
}

void TestPreviewScene::init()
{
    _start();
    // Two overlapping pictures over the game video, which is hidden, so empty scene is black.
    m_red = f->addPicture(m_redPath, RedRect.toRect());
    m_blue = f->addPicture(m_bluePath, BlueRect.toRect());
    m_game = f->combine()->layers().first()->layerId();
    f->engine->controller()->relayout()->on_layoutsCombine(m_game, false);
}

void TestPreviewScene::selectDragAndRefuse()
{
    _show();
    BasicLayer *red = f->item(m_red);
    BasicLayer *blue = f->item(m_blue);
    QVERIFY(red && blue);
    QCOMPARE(red->geometry(), RedRect);
    Mouse mouse(view());

    mouse.click(QPointF(150, 130));
    QCOMPARE(f->container()->activeLayer(), red);
    QCOMPARE(blue->state(), int(BasicLayer::StateNormal));
    mouse.click(QPointF(101, 101)); // its corner handle: still selected
    QCOMPARE(f->container()->activeLayer(), red);
    mouse.click(QPointF(700, 400)); // empty scene
    QVERIFY(!f->container()->activeLayer());
    QCOMPARE(red->state(), int(BasicLayer::StateNormal));

    // A drag is reported once, when it ends.
    QSignalSpy moved(red, &LayerItem::sigPosChanged);
    QSignalSpy resized(red, &LayerItem::sigResized);
    QSignalSpy resizedOk(red, &LayerItem::sigResizedOk);
    mouse.press(QPointF(150, 130));
    mouse.move(QPointF(165, 140));
    mouse.move(QPointF(180, 150));
    QCOMPARE(moved.size() + resized.size() + resizedOk.size(), 0);
    mouse.release(QPointF(180, 150));
    QCOMPARE(red->geometry(), RedRect.translated(30, 20));
    QCOMPARE(moved.size(), 1);
    QCOMPARE(resized.size(), 1);
    QCOMPARE(resizedOk.size(), 1);

    // A drag past the left edge is refused as a whole, not clamped.
    mouse.drag(QPointF(150, 130), QPointF(150 - 131, 130));
    QCOMPARE(red->geometry(), RedRect.translated(30, 20));
    mouse.drag(QPointF(150, 130), QPointF(150 - 130, 130));
    QCOMPARE(red->geometry().left(), 0.0);
}

void TestPreviewScene::handleRegions_data()
{
    // Each handle once, as its own branch of both resizings: where it is on the blue picture,
    // the picture after a Shift-drag of (10, 10), the corner an aspect-locked drag keeps, and a
    // move away from that corner.
    QTest::addColumn<QPointF>("handle");
    QTest::addColumn<QRectF>("shifted");
    QTest::addColumn<QPointF>("fixed");
    QTest::addColumn<QPointF>("outward");
    QTest::newRow("bottom") << QPointF(350, 246) << QRectF(250, 150, 200, 110) << QPointF(450, 150)
                            << QPointF(0, 10);
    QTest::newRow("bottom-left") << QPointF(251, 246) << QRectF(260, 150, 190, 110)
                                 << QPointF(450, 150) << QPointF(-10, 10);
    QTest::newRow("bottom-right") << QPointF(446, 246) << QRectF(250, 150, 210, 110)
                                  << QPointF(250, 150) << QPointF(10, 10);
    QTest::newRow("top") << QPointF(350, 151) << QRectF(250, 160, 200, 90) << QPointF(250, 250)
                         << QPointF(0, -10);
    QTest::newRow("top-left") << QPointF(251, 151) << QRectF(260, 160, 190, 90) << QPointF(450, 250)
                              << QPointF(-10, -10);
    QTest::newRow("top-right") << QPointF(446, 151) << QRectF(250, 160, 210, 90)
                               << QPointF(250, 250) << QPointF(10, -10);
    QTest::newRow("left") << QPointF(251, 200) << QRectF(260, 150, 190, 100) << QPointF(450, 250)
                          << QPointF(-10, 0);
    QTest::newRow("right") << QPointF(446, 200) << QRectF(250, 150, 210, 100) << QPointF(250, 150)
                           << QPointF(10, 0);
}

void TestPreviewScene::handleRegions()
{
    QFETCH(QPointF, handle);
    QFETCH(QRectF, shifted);
    QFETCH(QPointF, fixed);
    QFETCH(QPointF, outward);
    _show();
    BasicLayer *blue = f->item(m_blue);
    Mouse mouse(view());

    // Aspect-locked: larger, still 2:1, the fixed corner where it was.
    mouse.drag(handle, handle + outward);
    QRectF got = blue->geometry();
    QVERIFY2(got.width() > BlueRect.width(), "an aspect-locked drag resizes");
    QVERIFY(qAbs(got.width() - 2 * got.height()) <= 1.0);
    const QPointF corners[] = {got.topLeft(), got.topRight(), got.bottomLeft(), got.bottomRight()};
    QVERIFY(std::find(std::begin(corners), std::end(corners), fixed) != std::end(corners));

    // Free, from the same handle of the picture as it was: every dragged edge moves by (10, 10).
    blue->setGeometryAndNotify(BlueRect);
    mouse.drag(handle, handle + QPointF(10, 10), Qt::ShiftModifier);
    got = blue->geometry();
    QCOMPARE(got, shifted);
    QCOMPARE(blue->aspectRatio(), got.width() / got.height());
    // The compositing layer follows the release: the output shows the new rectangle.
    QCOMPARE(f->outputAt(f->compose(), got.center()), Blue);
}

void TestPreviewScene::resizeLimits()
{
    _show();
    BasicLayer *blue = f->item(m_blue);
    Mouse mouse(view());

    // Free: a side must stay longer than 14.
    blue->setGeometryAndNotify(QRectF(250, 150, 20, 100));
    mouse.drag(QPointF(268, 200), QPointF(262, 200), Qt::ShiftModifier);
    QCOMPARE(blue->geometry().width(), 20.0);
    mouse.drag(QPointF(268, 200), QPointF(263, 200), Qt::ShiftModifier);
    QCOMPARE(blue->geometry().width(), 15.0);

    // Aspect-locked: never a side under 30, and the ratio of the last free resize is kept.
    blue->setGeometryAndNotify(QRectF(250, 150, 60, 30));
    blue->setAspectRatio(2.0);
    mouse.drag(QPointF(307, 177), QPointF(280, 165));
    QCOMPARE(blue->geometry(), QRectF(250, 150, 60, 30));
    mouse.drag(QPointF(307, 177), QPointF(367, 207));
    QVERIFY(blue->geometry().width() > 60);
    QCOMPARE(blue->geometry().width(), 2 * blue->geometry().height());
    // Not past the scene's edge either.
    blue->setGeometryAndNotify(QRectF(640, 150, 100, 50));
    mouse.drag(QPointF(737, 197), QPointF(760, 210));
    QCOMPARE(blue->geometry(), QRectF(640, 150, 100, 50));
}

void TestPreviewScene::deleteAndTheGameVideo()
{
    _show();
    BasicLayer *blue = f->item(m_blue);
    Mouse mouse(view());
    mouse.click(BlueRect.center());
    QPointer<BasicLayer> guard(blue);
    QTest::keyClick(view()->viewport(), Qt::Key_Delete);
    QVERIFY(!f->container()->hasLayer(blue));
    QImage frame = f->compose();
    QCOMPARE(f->outputAt(frame, QPointF(420, 230)), Black);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard);
    QVERIFY(!f->combine()->layerById(m_blue)); // purged after the frame

    // The game video neither moves with the keys nor goes with Delete.
    f->engine->controller()->relayout()->on_layoutsCombine(m_game, true);
    BasicLayer *game = f->item(m_game);
    const QPointF gamePos = game->pos();
    mouse.click(QPointF(700, 400));
    QCOMPARE(game->state(), int(BasicLayer::StateActive));
    QTest::keyClick(view()->viewport(), Qt::Key_Left);
    QTest::keyClick(view()->viewport(), Qt::Key_Delete);
    QCOMPARE(game->pos(), gamePos);
    QVERIFY(f->container()->hasLayer(game));
}

void TestPreviewScene::menuActionsAndStacking()
{
    _show();
    Mouse mouse(view());
    const auto choose = [&](const QPointF &at, const char *action) {
        mouse.click(at, Qt::RightButton);
        auto *menu = qobject_cast<UIMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *chosen = menu->findChild<QAction *>(QLatin1String(action));
        QVERIFY(chosen);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const QPointF overlap(275, 175);
    QCOMPARE(f->outputAt(f->compose(), overlap), Blue);

    mouse.click(BlueRect.center(), Qt::RightButton);
    auto *menu = qobject_cast<UIMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(actionNames(menu), (QStringList{"edit", "delete", "tofirst", "tolast", "layermgr"}));
    menu->close();

    choose(overlap, "tolast"); // blue to the back
    QCOMPARE(f->outputAt(f->compose(), overlap), Red);
    QVERIFY(f->item(m_red)->zValue() > f->item(m_blue)->zValue());
    choose(QPointF(420, 230), "tofirst"); // blue, where it shows, to the front
    QCOMPARE(f->outputAt(f->compose(), overlap), Blue);

    choose(QPointF(420, 230), "layermgr");
    QVERIFY(m_editors.manager);
    QCOMPARE(m_editors.entries.size(), 3);
    QCOMPARE(m_editors.entries.last().layerId, m_blue);

    choose(QPointF(420, 230), "delete");
    QVERIFY(!f->container()->hasLayer(f->item(m_blue)));
    QCOMPARE(m_editors.entries.size(), 2); // the open layer manager is refilled
    QCOMPARE(f->outputAt(f->compose(), overlap), Red);

    // The game video offers no edit and no delete.
    f->engine->controller()->relayout()->on_layoutsCombine(m_game, true);
    mouse.click(QPointF(700, 400), Qt::RightButton);
    menu = qobject_cast<UIMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(actionNames(menu), (QStringList{"tofirst", "tolast", "layermgr"}));
    menu->close();
}

void TestPreviewScene::dropsAndEditing()
{
    _show();
    const int pictures = f->container()->countLayersOfType(LT_PICTURE);
    const QString notes = m_dir.filePath(QStringLiteral("notes.txt"));
    writeFile(notes, "not a picture");

    // Three files, the second not a picture: only the first is added, pulled inside the scene.
    dropFiles(view(),
              {QUrl::fromLocalFile(m_redPath), QUrl::fromLocalFile(notes),
               QUrl::fromLocalFile(m_bluePath)},
              view()->mapFromScene(QPointF(600, 380)));
    QCOMPARE(f->container()->countLayersOfType(LT_PICTURE), pictures + 1);
    BasicLayer *dropped = f->container()->layers().last();
    QCOMPARE(dropped->geometry(), QRectF(371, 233, 375, 187)); // 400 x 200 starts 375 wide
    QCOMPARE(dropped->state(), int(BasicLayer::StatePending));
    QCOMPARE(m_editors.types, QList<int>{LT_PICTURE});
    QCOMPARE(f->outputAt(f->compose(), QPointF(700, 400)), Black); // no twin while pending

    m_editors.confirm();
    QCOMPARE(dropped->state(), int(BasicLayer::StateActive));
    QCOMPARE(f->outputAt(f->compose(), QPointF(700, 400)), Red);

    // A new picture confirmed without a file re-opens its editor; a new text cancelled goes.
    const int editors = m_editors.types.size();
    f->engine->addImageLayer();
    BasicLayer *empty = f->container()->layers().last();
    m_editors.confirm();
    QCOMPARE(m_editors.types.size(), editors + 2);
    QCOMPARE(empty->state(), int(BasicLayer::StatePending));
    m_editors.discard();
    QVERIFY(!f->container()->hasLayer(empty));
    f->engine->addTextLayer();
    BasicLayer *text = f->container()->layers().last();
    QCOMPARE(text->layerType(), int(LT_TEXT));
    m_editors.discard();
    QVERIFY(!f->container()->hasLayer(text));
}

void TestPreviewScene::limitsShowNotices()
{
    _show();
    f->engine->addCameraLayer();
    m_editors.confirm();
    for (int i = 0; i < 5; ++i) {
        f->engine->addTextLayer();
        m_editors.confirm();
    }
    QCOMPARE(f->container()->countLayersOfType(LT_TEXT), 5);
    // Each new text apart from the others, inside the scene, clear of the watermark.
    const QRectF watermark = f->container()->watermark()->watermarkRect();
    QVERIFY(!watermark.isEmpty());
    QList<QPointF> places;
    for (BasicLayer *layer : f->container()->layers()) {
        if (layer->layerType() != LT_TEXT)
            continue;
        QVERIFY(!places.contains(layer->pos()));
        places.append(layer->pos());
        QVERIFY(QRectF(0, 0, 746, 420).contains(layer->geometry()));
        QVERIFY(!layer->geometry().intersects(watermark));
    }
    QCOMPARE(places.size(), 5);
    f->engine->addTextLayer();
    QCOMPARE(f->container()->countLayersOfType(LT_TEXT), 5);
    QVERIFY(f->container()->tipWindow());
    QCOMPARE(f->container()->tipWindow()->message(),
             QCoreApplication::translate("PreviewContainer", "You can add five words at most!"));
}

void TestPreviewScene::dragKeepsItsGrabPointAtTheEdges()
{
    _show();
    BasicLayer *blue = f->item(m_blue);
    Mouse mouse(view());
    const QPointF grab = BlueRect.center();
    const QPointF offset = grab - BlueRect.topLeft();
    mouse.press(grab);
    // Far past the right edge: the item stops where it last fitted...
    QPointF pointer = grab;
    for (int step = 0; step < 40; ++step) {
        pointer += QPointF(10, 0);
        mouse.move(pointer);
    }
    QVERIFY(blue->geometry().right() <= 746);
    QVERIFY(blue->geometry().right() > 736);
    // ...and once the pointer is back inside, the item is under it at the same offset again.
    for (int step = 0; step < 15; ++step) {
        pointer -= QPointF(10, 0);
        mouse.move(pointer);
    }
    QCOMPARE(pointer.x(), grab.x() + 250);
    QCOMPARE(blue->pos(), pointer - offset);
    // The same past the top-left corner, with a Shift-resized edge too.
    mouse.move(QPointF(-50, -50));
    mouse.move(grab + QPointF(-30, -20));
    mouse.release(grab + QPointF(-30, -20));
    QCOMPARE(blue->geometry(), BlueRect.translated(-30, -20));
    QCOMPARE(f->combine()->layerById(m_blue)->uiRect(), blue->geometry());

    const QPointF rightEdge(BlueRect.right() - 31, BlueRect.center().y() - 20);
    mouse.press(rightEdge, Qt::LeftButton, Qt::ShiftModifier);
    mouse.move(rightEdge + QPointF(400, 0), Qt::ShiftModifier); // past the scene: refused
    mouse.move(rightEdge + QPointF(40, 0), Qt::ShiftModifier);
    mouse.release(rightEdge + QPointF(40, 0), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(blue->geometry(), QRectF(220, 130, 240, 100));
}

void TestPreviewScene::textLinesAreCentred()
{
    _show();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(40);
    f->container()->addTextLayer(font, Red, QStringLiteral("W\nWWWWWW"), QPoint(460, 260), true);
    m_editors.confirm();
    BasicLayer *text = f->container()->layers().last();
    f->container()->setActiveLayer(nullptr);
    const QImage shot = view()->grab().toImage();
    const QRect item = text->geometry().toAlignedRect().adjusted(1, 1, -1, -1);
    const int middle = item.top() + item.height() / 2;
    const QRect lines[] = {QRect(item.left(), item.top(), item.width(), middle - item.top()),
                           QRect(item.left(), middle, item.width(), item.bottom() - middle)};
    for (const QRect &line : lines) {
        const QPair<int, int> ink = redInkColumns(shot, line);
        QVERIFY2(ink.second >= ink.first, "every line shows");
        const int leftRoom = ink.first - item.left();
        const int rightRoom = item.right() - ink.second;
        QVERIFY2(qAbs(leftRoom - rightRoom) <= 2,
                 qPrintable(QStringLiteral("room %1 left, %2 right").arg(leftRoom).arg(rightRoom)));
    }
}

void TestPreviewScene::plainParentTwiceTheSceneSize()
{
    // A host without our GUI library, with an area twice the scene's size: a drag or a drop
    // can end between two scene units, and every conversion truncates.
    auto *parent = new QGraphicsWidget;
    parent->resize(1492, 840);
    _show(parent);
    QCOMPARE(f->container()->parentItem(), parent);
    QCOMPARE(f->container()->mapRectToScene(f->container()->rect()), QRectF(0, 0, 1492, 840));
    Mouse mouse(view());
    const QPointF centre = f->container()->mapToScene(BlueRect.center());
    mouse.click(centre);
    QCOMPARE(f->container()->activeLayer(), f->item(m_blue));
    mouse.drag(centre, centre + QPointF(21, 11)); // 10.5 x 5.5 scene units
    QCOMPARE(f->item(m_blue)->geometry(), BlueRect.translated(10, 5));
    // Dropped at (100.5, 50.5): the picture starts at (100, 50).
    dropFiles(view(), {QUrl::fromLocalFile(m_redPath)}, QPoint(201, 101));
    QCOMPARE(f->container()->layers().last()->geometry(), QRectF(100, 50, 375, 187));
    m_editors.confirm();

    // A restart on what was stored puts every layer where the output had it.
    f->engine->addCameraLayer();
    // A 16:9 camera chosen in its editor: the item widens about its centre.
    auto *camera = qobject_cast<CameraLayer *>(f->container()->layers().last());
    QVERIFY(camera);
    camera->on_CameraParamChanged(
        CameraParam::from(QStringLiteral("cam"), QSize(1280, 720), 0x00FF00, 0.05f, 0.8f, false));
    m_editors.confirm();
    f->engine->addTextLayer();
    m_editors.confirm();
    f->compose();
    const QList<QPair<int, QRect>> before = outputRectangles(f->combine());
    QCOMPARE(before.size(), 6);
    const QByteArray stored = f->storedFile();
    QVERIFY(stored.contains("<pos>260,155</pos>"));

    f->keepStoredFile = true;
    _start();
    auto *again = new QGraphicsWidget;
    again->resize(1492, 840);
    _show(again);
    f->compose();
    QCOMPARE(outputRectangles(f->combine()), before);
    QCOMPARE(f->container()->layers().last()->geometry().topLeft(),
             f->combine()->layers().last()->uiRect().topLeft());
    QCOMPARE(f->storedFile(), stored);
}

void TestPreviewScene::watermarkShowsWhereTheStreamHasIt()
{
    _show();
    BasicLayer *red = f->item(m_red);
    red->setGeometryAndNotify(QRectF(10, 10, 200, 100));
    const QImage frame = f->compose();
    const QImage shot = view()->grab().toImage();
    // Block by block (so the two scalings' edges do not count), the preview's colours are the
    // output's: the same place and size. The output stamps 157 x 90 pixels at 1280 x 720, that
    // is 91.5 x 52.5 scene units.
    const auto mean = [](const QImage &image, const QRectF &area) {
        const QRect pixels = area.toAlignedRect() & image.rect();
        qint64 sum[3] = {0, 0, 0};
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                sum[0] += qRed(pixel);
                sum[1] += qGreen(pixel);
                sum[2] += qBlue(pixel);
            }
        }
        const qint64 n = qMax<qint64>(1, qint64(pixels.width()) * pixels.height());
        return QColor(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n));
    };
    const QTransform toOutput = QTransform::fromScale(1280.0 / 746.0, 720.0 / 420.0);
    int watermarked = 0;
    for (qreal y = 0; y < 48; y += 8) {
        for (qreal x = 0; x < 88; x += 8) {
            const QRectF block(x, y, 8, 8);
            const QColor preview = mean(shot, view()->mapFromScene(block).boundingRect());
            const QColor output = mean(frame, toOutput.mapRect(block));
            QVERIFY2(qAbs(preview.red() - output.red()) < 40 &&
                         qAbs(preview.green() - output.green()) < 40 &&
                         qAbs(preview.blue() - output.blue()) < 40,
                     qPrintable(QStringLiteral("block at %1, %2: %3 %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(preview.name(), output.name())));
            if (output != QColor(Red))
                ++watermarked;
        }
    }
    QVERIFY2(watermarked > 50, "the output has its watermark over the picture");
    for (const QPointF &beside : {QPointF(95, 20), QPointF(20, 56)}) {
        QCOMPARE(shot.pixel(view()->mapFromScene(beside)) | 0xFF000000u, Red);
        QCOMPARE(f->outputAt(frame, beside), Red);
    }

    // The layer under it is still the one a click selects, its frame drawn above the mark.
    Mouse(view()).click(QPointF(30, 30));
    QCOMPARE(f->container()->activeLayer(), red);
    QCOMPARE(f->container()->layers().size(), 3);
    const QImage selected = view()->grab().toImage();
    QCOMPARE(selected.pixelColor(view()->mapFromScene(QPointF(10, 30))), QColor(255, 122, 35));
}

void TestPreviewScene::frameIsCrispAtAnyScale()
{
    _show();
    // The hardest layer to frame: one of the frame's own colour.
    const QColor frame(255, 122, 35);
    const QColor outline(28, 28, 28);
    auto *picture = qobject_cast<PicLayer *>(f->item(m_blue));
    QMetaObject::invokeMethod(picture, "on_picChanged",
                              Q_ARG(QString, savePicture(m_dir, QStringLiteral("o.png"), frame)));
    f->container()->setActiveLayer(picture);
    const QPointF corner = picture->pos();
    for (const qreal dpr : {1.0, 2.0}) {
        QImage shot(view()->viewport()->size() * dpr, QImage::Format_ARGB32);
        shot.setDevicePixelRatio(dpr);
        shot.fill(Qt::white);
        QPainter painter(&shot);
        view()->render(&painter, QRectF(QPointF(0, 0), view()->viewport()->size()),
                       view()->viewport()->rect());
        painter.end();
        const int d = int(dpr);
        const int left = int(corner.x() * dpr);
        const int top = int(corner.y() * dpr);
        // One screen pixel of light frame at the edge, one of dark outline inside it, on whole
        // device pixels.
        const int y = top + 40 * d;
        for (int i = 0; i < d; ++i) {
            QCOMPARE(shot.pixelColor(left + i, y), frame);
            QCOMPARE(shot.pixelColor(left + d + i, y), outline);
        }
        QCOMPARE(shot.pixelColor(left + 2 * d, y), frame); // the picture itself
        // The corner handle: 7 screen pixels square, light ring, dark ring, light centre.
        const int row = top + 3 * d;
        QCOMPARE(shot.pixelColor(left + 7 * d - 1, row), frame);
        QCOMPARE(shot.pixelColor(left + 6 * d - 1, row), outline);
        QCOMPARE(shot.pixelColor(left + 4 * d, row), frame);
        QCOMPARE(shot.pixelColor(left + 7 * d, row), frame);       // the picture beside the handle
        QCOMPARE(shot.pixelColor(left + 7 * d, top + d), outline); // the frame's top outline
    }
}

void TestPreviewScene::undoAndRedoMovesOrderAndVisibility()
{
    _show();
    BasicLayer *blue = f->item(m_blue);
    Mouse mouse(view());
    const QPointF overlap(275, 175);

    // A drag, a Shift-resize and three arrow steps: three steps of history.
    mouse.drag(BlueRect.center(), BlueRect.center() + QPointF(30, 20));
    const QRectF moved = BlueRect.translated(30, 20);
    QCOMPARE(blue->geometry(), moved);
    const QPointF rightEdge(moved.right() - 3, moved.center().y());
    mouse.drag(rightEdge, rightEdge + QPointF(40, 0), Qt::ShiftModifier);
    QCOMPARE(blue->geometry(), moved.adjusted(0, 0, 40, 0));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view()->viewport(), Qt::Key_Right);
    QCOMPARE(blue->geometry(), moved.adjusted(3, 0, 43, 0));

    undo(); // the three steps at once
    QCOMPARE(blue->geometry(), moved.adjusted(0, 0, 40, 0));
    undo();
    QCOMPARE(blue->geometry(), moved);
    undo();
    QCOMPARE(blue->geometry(), BlueRect);
    QImage frame = f->compose();
    QCOMPARE(f->outputAt(frame, QPointF(255, 155)), Blue);
    QCOMPARE(f->outputAt(frame, moved.bottomRight() - QPointF(2, 2)), Black);
    redo();
    QCOMPARE(blue->geometry(), moved);
    redo(true);
    QCOMPARE(blue->geometry(), moved.adjusted(0, 0, 40, 0));
    QCOMPARE(f->combine()->layerById(m_blue)->uiRect(), blue->geometry());
    undo();
    undo();

    // Order and visibility, as the layer manager's buttons and check boxes change them.
    relayout()->on_layoutsMove(m_blue, RelayoutLogic::RL_TO_LAST);
    QCOMPARE(f->outputAt(f->compose(), overlap), Red);
    relayout()->on_layoutsCombine(m_red, false);
    QCOMPARE(f->outputAt(f->compose(), overlap), Blue);
    QVERIFY(!f->item(m_red)->isVisible());
    undo();
    QVERIFY(f->item(m_red)->isVisible());
    QCOMPARE(f->outputAt(f->compose(), overlap), Red);
    undo();
    QCOMPARE(f->outputAt(f->compose(), overlap), Blue);
    QCOMPARE(f->stack(), (QList<quint32>{m_game, m_red, m_blue}));
    redo();
    QCOMPARE(f->stack(), (QList<quint32>{m_blue, m_game, m_red}));

    // What the history reached is what is stored.
    const QByteArray stored = f->storedFile();
    QVERIFY(stored.indexOf("blue.png") < stored.indexOf("red.png"));
    QVERIFY(stored.contains("<pos>250,150</pos>"));
}

void TestPreviewScene::undoBringsLayersBackAndTakesThemAway()
{
    _show();
    Mouse mouse(view());
    const QPointF overlap(275, 175);
    auto *red = qobject_cast<PicLayer *>(f->item(m_red));

    // A confirmed picture edit: the other picture, then back.
    mouse.click(QPointF(150, 120));
    f->container()->on_editLayer(red);
    QImage tall(100, 200, QImage::Format_RGB32);
    tall.fill(Qt::green);
    const QString tallPath = m_dir.filePath(QStringLiteral("tall.png"));
    QVERIFY(tall.save(tallPath));
    QMetaObject::invokeMethod(red, "on_picChanged", Q_ARG(QString, tallPath));
    static_cast<PicLayerData *>(m_editors.record)->path = tallPath;
    m_editors.confirm();
    QCOMPARE(f->outputAt(f->compose(), QPointF(150, 250)), qRgb(0, 255, 0));
    undo();
    QCOMPARE(red->path(), m_redPath);
    QCOMPARE(red->geometry(), RedRect);
    QImage frame = f->compose();
    QCOMPARE(f->outputAt(frame, QPointF(150, 150)), Red);
    QCOMPARE(f->outputAt(frame, QPointF(150, 250)), Black);
    redo();
    QCOMPARE(red->path(), tallPath);
    undo();

    // A move, then a delete: undoing the delete brings the picture back at its place in the
    // stack (in front of red), as a new layer that the older move still finds.
    BasicLayer *blue = f->item(m_blue);
    mouse.drag(QPointF(420, 230), QPointF(430, 240));
    mouse.click(QPointF(420, 230));
    QTest::keyClick(view()->viewport(), Qt::Key_Delete);
    QVERIFY(!f->container()->hasLayer(blue));
    QCOMPARE(f->outputAt(f->compose(), overlap + QPointF(10, 10)), Red);
    undo();
    QCOMPARE(f->stack().size(), 3);
    const quint32 again = f->stack().last();
    QVERIFY(again != m_blue);
    blue = f->item(again);
    QCOMPARE(blue->geometry(), BlueRect.translated(10, 10));
    QCOMPARE(f->outputAt(f->compose(), overlap + QPointF(10, 10)), Blue);
    undo();
    QCOMPARE(blue->geometry(), BlueRect);
    redo();
    redo();
    QCOMPARE(f->container()->countLayersOfType(LT_PICTURE), 1);
    undo();

    // A new text: undo takes it away, redo brings it back with its words.
    f->container()->addTextLayer(QFont(), Red, QStringLiteral("Hello"), QPoint(500, 40), true);
    m_editors.confirm();
    undo();
    QCOMPARE(f->container()->countLayersOfType(LT_TEXT), 0);
    redo();
    QCOMPARE(f->container()->countLayersOfType(LT_TEXT), 1);
    auto *text = qobject_cast<TextLayer *>(f->container()->layers().last());
    QVERIFY(text);
    QCOMPARE(text->text(), QStringLiteral("Hello"));
    QCOMPARE(text->pos(), QPointF(500, 40));
    QVERIFY(f->storedFile().contains("<text>Hello</text>"));
    f->engine->showPreview(f->container()->parentObject());

    // A camera deleted and brought back has its compositing twin again; once the host has
    // removed the cameras, no step brings one back.
    f->engine->addCameraLayer();
    m_editors.confirm();
    BasicLayer *camera = f->container()->layers().last();
    mouse.click(camera->geometry().center());
    QTest::keyClick(view()->viewport(), Qt::Key_Delete);
    QCOMPARE(f->container()->countLayersOfType(LT_CAMERA), 0);
    undo();
    QCOMPARE(f->container()->countLayersOfType(LT_CAMERA), 1);
    QVERIFY(f->combine()->layerOfItem(f->container()->layers().last()));
    f->engine->removeCameraLayers();
    undo(); // the camera's own steps drop out: this takes the text away
    QCOMPARE(f->container()->countLayersOfType(LT_CAMERA), 0);
    QCOMPARE(f->container()->countLayersOfType(LT_TEXT), 0);
    redo();
    redo();
    QCOMPARE(f->container()->countLayersOfType(LT_TEXT), 1);
    QCOMPARE(f->container()->countLayersOfType(LT_CAMERA), 0);
}

void TestPreviewScene::undoKeepsFiftyStepsAndWaitsForEditors()
{
    _show();
    BasicLayer *blue = f->item(m_blue);
    Mouse mouse(view());
    QPointF at = BlueRect.center();
    for (int i = 0; i < 60; ++i) {
        mouse.drag(at, at + QPointF(1, 1));
        at += QPointF(1, 1);
    }
    QCOMPARE(blue->pos(), BlueRect.topLeft() + QPointF(60, 60));

    // While an editor is open the history waits.
    f->container()->on_editLayer(blue);
    undo();
    QCOMPARE(blue->pos(), BlueRect.topLeft() + QPointF(60, 60));
    m_editors.discard();

    for (int i = 0; i < 60; ++i)
        undo();
    QCOMPARE(blue->pos(), BlueRect.topLeft());
    QCOMPARE(f->combine()->layerById(m_blue)->uiRect(), blue->geometry());
}

void TestPreviewScene::hostTearsDownFromItsAnswers()
{
    TearingDownHost host(f->engine);
    const auto showWithCamera = [&] {
        _show();
        f->engine->addCameraLayer();
        m_editors.confirm();
        return f->container()->layers().last();
    };

    // Deleting the camera asks the host to close it; the host answers with unInit.
    BasicLayer *camera = showWithCamera();
    Mouse(view()).click(camera->geometry().center());
    host.armed = true;
    QTest::keyClick(view()->viewport(), Qt::Key_Delete);
    QVERIFY(!f->engine->controller()->container());
    QVERIFY(!f->combine());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Choosing another camera closes the old one first; the same answer.
    f->engine->init(30);
    camera = showWithCamera();
    host.armed = true;
    CameraParam other;
    other.deviceName = QStringLiteral("USB camera");
    other.width = 1280;
    other.height = 720;
    QMetaObject::invokeMethod(camera, "on_CameraParamChanged", Q_ARG(CameraParam, other));
    QVERIFY(!f->combine());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The engine starts again as new.
    f->engine->init(30);
    _show();
    QCOMPARE(f->container()->countLayersOfType(LT_GAMEVIDEO), 1);
}

QTEST_MAIN(TestPreviewScene)
#include "tst_previewscene.moc"
