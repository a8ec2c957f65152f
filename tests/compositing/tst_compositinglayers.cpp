// The compositing layers on their own: output rounding, stored entries, item link, frame intake
// from the host and camera requests. What they paint is checked in tst_framecomposer.

#include "CompositingTestSupport.h"

#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "FrameContext.h"
#include "LayerConfig.h"
#include "PixelRows.h"
#include "PreviewCenterData.h"
#include "PreviewLogic.h"

#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

class CountingLayer : public CMBasicLayer
{
public:
    void updateOutputRect() override
    {
        ++updates;
        CMBasicLayer::updateOutputRect();
    }
    int updates = 0;
};

FrameContext frameContext(double scaleX, double scaleY)
{
    FrameContext context;
    context.size = QSize(50, 50);
    context.scaleX = scaleX;
    context.scaleY = scaleY;
    context.kernels = &PixelRows::best();
    return context;
}

void takeScale(CMLayer &layer, double scaleX, double scaleY)
{
    layer.prepareFrame(frameContext(scaleX, scaleY));
    layer.finishFrame();
}

} // namespace

class TestCompositingLayers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { m_engine = PreviewEngine::createInstance(); }
    void cleanupTestCase() { m_engine->release(); }

    void outputRectTruncates_data();
    void outputRectTruncates();
    void storedEntriesOfEveryKind_data();
    void storedEntriesOfEveryKind();
    void itemLinkFollowsAndSurvivesItem();
    void pictureIsLimitedOnceWhenLoaded();
    void cameraFrameIntake_data();
    void cameraFrameIntake();
    void cameraOpenStatusAndItem();
    void cameraOpenAndCloseRequests();
    void gameIntakePostsItemPictures();
    void textLineBreaks_data();
    void textLineBreaks();

private:
    PreviewEngine *m_engine = nullptr;
};

void TestCompositingLayers::outputRectTruncates_data()
{
    QTest::addColumn<QRectF>("scene");
    QTest::addColumn<double>("scaleX");
    QTest::addColumn<double>("scaleY");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("products truncated")
        << QRectF(10.9, 20.9, 100.9, 50.9) << 1.5 << 2.0 << QRect(16, 41, 151, 101);
    QTest::newRow("toward zero, not floor")
        << QRectF(-10.5, -3.7, 20.9, 10.1) << 1.0 << 1.0 << QRect(-10, -3, 20, 10);
    QTest::newRow("huge values clamp") << QRectF(0, 0, 1e300, 10) << 1.0 << 3.0
                                       << QRect(0, 0, std::numeric_limits<int>::max() / 2, 30);
}

void TestCompositingLayers::outputRectTruncates()
{
    QFETCH(QRectF, scene);
    QFETCH(double, scaleX);
    QFETCH(double, scaleY);
    QFETCH(QRect, expected);

    CMGamepicLayer layer(PreviewEngine::logic());
    layer.onGeometryChanged(scene);
    takeScale(layer, scaleX, scaleY);
    QCOMPARE(layer.outputPixelRect(), expected);
    QCOMPARE(layer.outputRect(), QRectF(expected));

    // A change of one factor alone is taken over, on its own axis only.
    takeScale(layer, scaleX, scaleY * 2);
    QCOMPARE(layer.outputPixelRect().width(), expected.width());
    QCOMPARE(layer.outputPixelRect().top(), CMLayer::truncate(scene.top() * scaleY * 2));
    QCOMPARE(layer.outputPixelRect().height(), CMLayer::truncate(scene.height() * scaleY * 2));
    takeScale(layer, scaleX / 2, scaleY * 2);
    QCOMPARE(layer.outputPixelRect().left(), CMLayer::truncate(scene.left() * scaleX / 2));
    QCOMPARE(layer.outputPixelRect().width(), CMLayer::truncate(scene.width() * scaleX / 2));

    // A 1920x1080 game fitted into a 746x420 scene lands one row short of the frame.
    layer.onGeometryChanged(QRectF(0, 0.1875, 746, 419.625));
    takeScale(layer, 1920.0 / 746, 1080.0 / 420);
    QCOMPARE(layer.outputPixelRect(), QRect(0, 0, int(746 * (1920.0 / 746)), 1079));
}

void TestCompositingLayers::storedEntriesOfEveryKind_data()
{
    // Every write in order, "key=value"; a bare key is checked for presence only.
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("writes");
    const QStringList base{"k/pos=12,-3", "k/size=100,50", "k/combine=0", "k/name=layer"};
    QTest::newRow("game") << int(LT_GAMEVIDEO) << QStringList{"k/type=4", "k/alpha=55"} + base;
    QTest::newRow("camera") << int(LT_CAMERA)
                            << QStringList{"k/type=3",           "k/alpha=55",
                                           "k/device=",          "k/devicewidth=0",
                                           "k/deviceheight=0",   "k/keyColor=65280",
                                           "k/sensitivity=0.05", "k/blend=0.8"} +
                                   base;
    QTest::newRow("picture") << int(LT_PICTURE)
                             << QStringList{"k/type=1", "k/path=/nowhere/x.png", "k/alpha=55",
                                            "k/caneditsize=0"} +
                                    base;
    QTest::newRow("text") << int(LT_TEXT)
                          << QStringList{"k/type=2",          "k/fontfamily",
                                         "k/fontsize=17",     "k/fontcolor=255,0,16",
                                         "k/fontblod=1",      "k/fontitalic=0",
                                         "k/fontunderline=1", "k/text=x[n]y"} +
                                 base;
}

void TestCompositingLayers::storedEntriesOfEveryKind()
{
    QFETCH(int, type);
    QFETCH(QStringList, writes);

    std::unique_ptr<CMLayer> layer;
    if (type == LT_GAMEVIDEO) {
        auto game = std::make_unique<CMGamepicLayer>(PreviewEngine::logic());
        game->onAlphaChanged(55);
        layer = std::move(game);
    } else if (type == LT_CAMERA) {
        auto camera = std::make_unique<CMCameraLayer>(PreviewEngine::logic());
        camera->onAlphaChanged(55);
        layer = std::move(camera);
    } else if (type == LT_PICTURE) {
        auto pic = std::make_unique<CMPicLayer>();
        pic->onAlphaChanged(55);
        pic->setCanEditSize(false);
        pic->onPicChanged(QStringLiteral("/nowhere/x.png"));
        layer = std::move(pic);
    } else {
        auto text = std::make_unique<CMTextLayer>();
        QFont font;
        font.setPointSize(17);
        font.setBold(true);
        font.setUnderline(true);
        FontInfoConfig config;
        config.setFont(font);
        config.setColor(QColor(255, 0, 16));
        text->onInfoChanged(config, QStringLiteral("x\ny"));
        layer = std::move(text);
    }
    layer->onGeometryChanged(QRectF(12.7, -3.2, 100.9, 50.5));
    layer->setCombine(false);
    layer->setName(QStringLiteral("layer"));

    FakeConfigWriter store;
    QVERIFY(LayerConfig::write(layer->state(), QStringLiteral("k"), &store));
    QCOMPARE(store.writes.size(), writes.size());
    for (int i = 0; i < writes.size(); ++i) {
        QCOMPARE(store.writes.at(i).first, writes.at(i).section(QLatin1Char('='), 0, 0));
        if (writes.at(i).contains(QLatin1Char('=')))
            QCOMPARE(store.writes.at(i).second, writes.at(i).section(QLatin1Char('='), 1));
    }
    QVERIFY(!LayerConfig::write(layer->state(), QStringLiteral("k"), nullptr));
    // What is no layer writes nothing, so it leaves no gap in the stored numbering.
    QVERIFY(!LayerConfig::write(LayerState(LT_NONE), QStringLiteral("k"), &store));
    QCOMPARE(store.writes.size(), writes.size());
}

void TestCompositingLayers::itemLinkFollowsAndSurvivesItem()
{
    CMPicLayer layer;
    layer.setZOrder(7); // unlinked: only stored
    layer.setCombine(false);
    auto item = std::make_unique<FakeLayerItem>();
    layer.setUILayer(item.get());
    QVERIFY(layer.isPreviewing());
    QCOMPARE(item->zValue(), 7.0);
    QVERIFY(!item->isVisible());
    layer.setCombine(true);
    QVERIFY(item->isVisible());
    Q_EMIT item->sigPosChanged(QRectF(9, 9, 70, 80));
    QCOMPARE(layer.uiRect(), QRectF(9, 9, 70, 80));

    // Linking twice must not double the connections.
    CountingLayer counting;
    FakeLayerItem other;
    counting.setUILayer(&other);
    counting.setUILayer(&other);
    const int before = counting.updates;
    Q_EMIT other.sigResized(QRectF(1, 1, 2, 2));
    QCOMPARE(counting.updates - before, 1);

    // The item may go first; the layer keeps working without it.
    item.reset();
    QVERIFY(!layer.uiLayer());
    layer.setZOrder(11);
    layer.setName(QStringLiteral("after"));

    FakeLayerItem second;
    layer.setUILayer(&second);
    layer.markDeleted();
    QVERIFY(layer.isDeleted());
    QVERIFY(!layer.uiLayer());
}

void TestCompositingLayers::pictureIsLimitedOnceWhenLoaded()
{
    QCOMPARE(CMPicLayer::limitedSize(QSize(1000, 2000)), QSize(360, 720));
    QTemporaryDir dir;
    QImage picture(1920, 1080, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(dir.filePath(QStringLiteral("big.png"))));
    CMPicLayer layer;
    layer.onPicChanged(dir.filePath(QStringLiteral("big.png")));
    QCOMPARE(layer.image().size(), QSize(1280, 720));
}

void TestCompositingLayers::cameraFrameIntake_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<uint>("length");
    QTest::addColumn<bool>("nullData");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("exact") << 640 << 480 << 1228800u << false << true;
    QTest::newRow("too long") << 640 << 480 << 1228804u << false << false;
    QTest::newRow("short") << 640 << 480 << 1000u << false << false;
    QTest::newRow("zero width") << 0 << 480 << 1228800u << false << false;
    QTest::newRow("negative height") << 640 << -480 << 1228800u << false << false;
    QTest::newRow("null data") << 640 << 480 << 1228800u << true << false;
}

// Through the engine's public entry, as a host pushes them.
void TestCompositingLayers::cameraFrameIntake()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(uint, length);
    QFETCH(bool, nullData);
    QFETCH(bool, accepted);

    CMCameraLayer layer(PreviewEngine::logic());
    const QByteArray previous = solidFrame(8, 8, 0xFF123456);
    m_engine->pushCameraData(previous.constData(), uint(previous.size()), 8, 8, 0);
    const QByteArray frame = solidFrame(640, 480, 0x80FF0000);
    m_engine->pushCameraData(nullData ? nullptr : frame.constData(), length, width, height, 0);
    const QImage image = layer.image();
    QCOMPARE(image.size(), accepted ? QSize(width, height) : QSize(8, 8));
    QCOMPARE(image.pixel(0, 0), accepted ? 0x80FF0000u : 0xFF123456u); // alpha survives
}

void TestCompositingLayers::cameraOpenStatusAndItem()
{
    CMCameraLayer layer(PreviewEngine::logic());
    FakeLayerItem item;
    layer.onGeometryChanged(QRectF(10, 10, 20, 20));
    const QByteArray frame = solidFrame(4, 4, 0xFFFF0000);
    const auto push = [&] {
        m_engine->pushCameraData(frame.constData(), uint(frame.size()), 4, 4, 0);
        QCoreApplication::processEvents();
    };
    push(); // not previewing: the item hears nothing
    QCOMPARE(item.cameraPixmaps, 0);

    layer.setUILayer(&item);
    push();
    QCOMPARE(item.cameraPixmaps, 1);
    QVERIFY(item.lastCameraPixmap.isNull()); // the host has not reported the camera open
    layer.onCamOpenStatus(true);
    push();
    QCOMPARE(item.lastCameraPixmap.size(), QSize(20, 20));

    // Open status from a host thread is applied on the layer's own thread.
    std::thread host([this] { m_engine->setCamOpenStatus(false); });
    host.join();
    QVERIFY(layer.openStatus());
    QTRY_VERIFY(!layer.openStatus());
    QVERIFY(item.lastCameraPixmap.isNull());
}

void TestCompositingLayers::cameraOpenAndCloseRequests()
{
    m_engine->controller()->centerData()->setFps(30);
    HostReceiver host(m_engine);
    CMCameraLayer layer(PreviewEngine::logic());

    layer.setCameraParam(CameraParam()); // unusable: close only
    QCOMPARE(host.closes, 1);
    QVERIFY(host.opens.isEmpty());
    QVERIFY(!layer.isCameraRequested());

    CameraParam param;
    param.deviceName = QStringLiteral("cam A");
    param.width = 640;
    param.height = 480;
    layer.setCameraParam(param);
    QCOMPARE(host.closes, 2);
    QCOMPARE(host.opens, QStringList{"cam A"});
    QCOMPARE(host.lastOpenSize.cx, 640);
    QCOMPARE(host.lastOpenSize.cy, 480);
    QCOMPARE(host.lastOpenFps, 30);

    // Same camera while open: nothing, not even the new key colour.
    layer.onCamOpenStatus(true);
    CameraParam keyed = param;
    keyed.keyColor = 0x0000FF;
    layer.onCameraParamChanged(keyed);
    QCOMPARE(host.closes, 2);
    QCOMPARE(layer.cameraParam().keyColor, 0x00FF00u);

    // Same camera while reported closed: closed and reopened.
    layer.onCamOpenStatus(false);
    layer.onCameraParamChanged(keyed);
    QCOMPARE(host.closes, 3);
    QCOMPARE(host.opens.size(), 2);
    QCOMPARE(layer.cameraParam().keyColor, 0x0000FFu);

    layer.markDeleted();
    QCOMPARE(host.closes, 4);
}

void TestCompositingLayers::gameIntakePostsItemPictures()
{
    CMGamepicLayer layer(PreviewEngine::logic());
    FakeLayerItem item;
    const QByteArray frame = solidFrame(64, 36, 0x00336699); // fourth byte ignored
    const auto push = [&](uint length, int height) {
        m_engine->pushGameVideoData(frame.constData(), length, 64, height, 0);
        QCoreApplication::processEvents();
        return item.gamePictures;
    };
    const uint full = uint(frame.size());

    layer.onGeometryChanged(QRectF(0, 0, 32, 18));
    QCOMPARE(push(full, 36), 0); // not previewing, not linked
    layer.setUILayer(&item);
    QCOMPARE(push(full, 0), 0); // height 0, or too short: dropped before any layer sees it
    QCOMPARE(push(full - 4, 36), 0);
    QCOMPARE(push(full, 36), 1);
    QCOMPARE(item.lastGamePicture.size(), QSize(32, 18));
    QCOMPARE(item.lastGamePicture.pixel(5, 5), 0xFF336699u);

    // A frame with bytes beyond its rows, or a layer of no size, clears the item's picture.
    QCOMPARE(push(full + 4, 36), 2);
    QVERIFY(item.lastGamePicture.isNull());
    QCOMPARE(push(full, 36), 3);
    layer.onGeometryChanged(QRectF(0, 0, 0, 0));
    QCOMPARE(push(full, 36), 4);
    QVERIFY(item.lastGamePicture.isNull());

    layer.setPreviewing(false);
    QCOMPARE(push(full, 36), 4);
}

void TestCompositingLayers::textLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("typed (line feed)") << QStringLiteral("ab\n\ncd");
    QTest::newRow("pasted (CR LF)") << QStringLiteral("ab\r\n\r\ncd");
    QTest::newRow("pasted (CR)") << QStringLiteral("ab\r\rcd");
    QTest::newRow("line separator") << QStringLiteral("ab\u2028\u2028cd");
    QTest::newRow("paragraph separator") << QStringLiteral("ab\u2029\u2029cd");
    QTest::newRow("mixed") << QStringLiteral("ab\r\n\u2029cd");
}

// A line break is a line break wherever the text came from: the same three lines (the middle
// one empty), stored with "[n]", whether the text arrives from the item or from the stored
// layout.
void TestCompositingLayers::textLineBreaks()
{
    QFETCH(QString, text);
    FontInfoConfig config;
    config.setColor(Qt::white);
    CMTextLayer fromItem;
    fromItem.onInfoChanged(config, text);
    CMTextLayer restored;
    restored.setFontInfo(config);
    restored.setText(text);
    for (CMTextLayer *layer : {&fromItem, &restored}) {
        QCOMPARE(layer->lines(), QStringList({"ab", "", "cd"}));
        FakeConfigWriter store;
        LayerConfig::write(layer->state(), QStringLiteral("k"), &store);
        QCOMPARE(store.writes.at(7).first, QStringLiteral("k/text"));
        QCOMPARE(store.writes.at(7).second, QStringLiteral("ab[n][n]cd"));
    }
}

QTEST_MAIN(TestCompositingLayers)
#include "tst_compositinglayers.moc"
