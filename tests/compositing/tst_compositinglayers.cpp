// The compositing layers on their own: geometry, stored entries, item link, frame intake,
// camera requests and what each kind paints.

#include "CompositingTestSupport.h"

#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "PreviewCenterData.h"
#include "PreviewLogic.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
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

QImage blackFrame(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

std::unique_ptr<CMLayer> makeLayer(int type)
{
    switch (type) {
    case LT_PICTURE:
        return std::make_unique<CMPicLayer>();
    case LT_TEXT:
        return std::make_unique<CMTextLayer>();
    case LT_CAMERA:
        return std::make_unique<CMCameraLayer>();
    case LT_GAMEVIDEO:
        return std::make_unique<CMGamepicLayer>();
    }
    return nullptr;
}

} // namespace

class TestCompositingLayers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void outputRectTruncates_data();
    void outputRectTruncates();
    void drawTakesOverChangedScaleOnly();

    void saveConfigWritesEveryKind_data();
    void saveConfigWritesEveryKind();

    void itemLinkFollowsAndSurvivesItem();

    void pictureIsLimitedWhenLoaded_data();
    void pictureIsLimitedWhenLoaded();
    void pictureLoadsFilesAndPaintsWithOpacity();
    void pictureFromResourceIsCopiedOnce();

    void textSplitsParagraphsAndPaintsLines();

    void cameraFrameIntake_data();
    void cameraFrameIntake();
    void cameraFramesReachItemOnlyWhileOpen();
    void cameraOpenAndCloseRequests();

    void gameIntakePostsItemPictures();

private:
    PreviewEngine *m_engine = nullptr;
};

void TestCompositingLayers::initTestCase()
{
    m_engine = PreviewEngine::createInstance();
    QVERIFY(m_engine);
}

void TestCompositingLayers::cleanupTestCase()
{
    m_engine->release();
}

void TestCompositingLayers::outputRectTruncates_data()
{
    QTest::addColumn<QRectF>("scene");
    QTest::addColumn<double>("sx");
    QTest::addColumn<double>("sy");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("products truncated")
        << QRectF(10.9, 20.9, 100.9, 50.9) << 1.5 << 2.0 << QRect(16, 41, 151, 101);
    QTest::newRow("toward zero, not floor")
        << QRectF(-10.5, -3.7, 20.9, 10.1) << 1.0 << 1.0 << QRect(-10, -3, 20, 10);
    // A 1920x1080 game fitted into a 746x420 scene lands one row short of the frame.
    QTest::newRow("fitted game at 1080p")
        << QRectF(0, 0.1875, 746, 419.625) << 1920.0 / 746 << 1080.0 / 420
        << QRect(0, 0, int(746 * (1920.0 / 746)), 1079);
    QTest::newRow("huge values clamp") << QRectF(0, 0, 1e300, 10) << 1.0 << 1.0
                                       << QRect(0, 0, std::numeric_limits<int>::max() / 2, 10);
}

void TestCompositingLayers::outputRectTruncates()
{
    QFETCH(QRectF, scene);
    QFETCH(double, sx);
    QFETCH(double, sy);
    QFETCH(QRect, expected);

    CMGamepicLayer layer;
    layer.onGeometryChanged(scene);
    layer.draw(nullptr, sx, sy);
    QCOMPARE(layer.outputPixelRect(), expected);
    QCOMPARE(layer.outputRect(), QRectF(expected));
}

void TestCompositingLayers::drawTakesOverChangedScaleOnly()
{
    CountingLayer layer;
    layer.draw(nullptr, 1.0, 1.0);
    QCOMPARE(layer.updates, 0); // the initial factors are 1 x 1
    layer.draw(nullptr, 2.0, 2.0);
    QCOMPARE(layer.updates, 1);
    layer.draw(nullptr, 2.0, 2.0);
    layer.draw(nullptr, 2.0 * (1 + 1e-13), 2.0);
    QCOMPARE(layer.updates, 1);
    layer.draw(nullptr, 2.0, 3.0);
    QCOMPARE(layer.updates, 2);
}

void TestCompositingLayers::saveConfigWritesEveryKind_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("checks"); // "key=value" pairs

    const QStringList base{"k/pos", "k/size", "k/combine", "k/name"};
    QTest::newRow("game") << int(LT_GAMEVIDEO) << QStringList{"k/type", "k/alpha"} + base
                          << QStringList{"k/type=4",      "k/alpha=55",  "k/pos=12,-3",
                                         "k/size=100,50", "k/combine=0", "k/name=layer"};
    QTest::newRow("camera") << int(LT_CAMERA)
                            << QStringList{"k/type",        "k/alpha",        "k/device",
                                           "k/devicewidth", "k/deviceheight", "k/keyColor",
                                           "k/sensitivity", "k/blend"} +
                                   base
                            << QStringList{"k/type=3",           "k/alpha=55",
                                           "k/device=",          "k/devicewidth=0",
                                           "k/deviceheight=0",   "k/keyColor=65280",
                                           "k/sensitivity=0.05", "k/blend=0.8",
                                           "k/pos=12,-3"};
    QTest::newRow("picture") << int(LT_PICTURE)
                             << QStringList{"k/type", "k/path", "k/alpha", "k/caneditsize"} + base
                             << QStringList{"k/type=1", "k/path=/nowhere/x.png", "k/alpha=55",
                                            "k/caneditsize=0"};
    QTest::newRow("text") << int(LT_TEXT)
                          << QStringList{"k/type",          "k/fontfamily", "k/fontsize",
                                         "k/fontcolor",     "k/fontblod",   "k/fontitalic",
                                         "k/fontunderline", "k/text"} +
                                 base
                          << QStringList{"k/type=2",     "k/fontsize=17",  "k/fontcolor=255,0,16",
                                         "k/fontblod=1", "k/fontitalic=0", "k/fontunderline=1",
                                         "k/text=x[n]y"};
}

void TestCompositingLayers::saveConfigWritesEveryKind()
{
    QFETCH(int, type);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, checks);

    std::unique_ptr<CMLayer> layer = makeLayer(type);
    layer->onGeometryChanged(QRectF(12.7, -3.2, 100.9, 50.5));
    layer->setCombine(false);
    layer->setName(QStringLiteral("layer"));
    if (auto *game = qobject_cast<CMGamepicLayer *>(layer.get()))
        game->onAlphaChanged(55);
    if (auto *camera = qobject_cast<CMCameraLayer *>(layer.get()))
        camera->onAlphaChanged(55);
    if (auto *pic = qobject_cast<CMPicLayer *>(layer.get())) {
        pic->onAlphaChanged(55);
        pic->setCanEditSize(false);
        pic->onPicChanged(QStringLiteral("/nowhere/x.png"));
    }
    if (auto *text = qobject_cast<CMTextLayer *>(layer.get())) {
        QFont font;
        font.setPointSize(17);
        font.setBold(true);
        font.setUnderline(true);
        FontInfoConfig config;
        config.setFont(font);
        config.setColor(QColor(255, 0, 16));
        text->onInfoChanged(config, QStringLiteral("x\ny"));
    }

    FakeConfigWriter store;
    QVERIFY(layer->saveConfig(QStringLiteral("k"), &store));
    QCOMPARE(store.keys(), keys);
    for (const QString &check : checks) {
        const QString key = check.section(QLatin1Char('='), 0, 0);
        QCOMPARE(store.values.value(key), check.section(QLatin1Char('='), 1));
    }
    QVERIFY(!layer->saveConfig(QStringLiteral("k"), nullptr));
}

void TestCompositingLayers::itemLinkFollowsAndSurvivesItem()
{
    CMPicLayer layer;
    layer.setZOrder(7); // unlinked: only stored
    layer.setCombine(false);
    auto item = std::make_unique<FakeLayerItem>();
    layer.setUILayer(item.get());
    layer.setUILayer(item.get()); // linking again must not double the connections
    QVERIFY(layer.isPreviewing());
    QCOMPARE(item->zValue(), 7.0);
    QVERIFY(!item->isVisible());

    layer.setCombine(true);
    QVERIFY(item->isVisible());
    layer.setName(QStringLiteral("pic 2"));
    QCOMPARE(item->name, QStringLiteral("pic 2"));
    layer.setZOrder(3);
    QCOMPARE(item->zValue(), 3.0);

    Q_EMIT item->sigResized(QRectF(5, 6, 70, 80));
    QCOMPARE(layer.uiRect(), QRectF(5, 6, 70, 80));
    Q_EMIT item->sigPosChanged(QRectF(9, 9, 70, 80));
    QCOMPARE(layer.uiRect(), QRectF(9, 9, 70, 80));
    Q_EMIT item->sigAlphaChanged(30);
    QCOMPARE(layer.alpha(), 30);
    {
        CountingLayer counting;
        FakeLayerItem other;
        counting.setUILayer(&other);
        counting.setUILayer(&other);
        const int before = counting.updates;
        Q_EMIT other.sigResized(QRectF(1, 1, 2, 2));
        QCOMPARE(counting.updates - before, 1);
    }

    item.reset();
    QVERIFY(!layer.uiLayer());
    layer.setCombine(false);
    layer.setZOrder(11);
    layer.setName(QStringLiteral("after"));
    QCOMPARE(layer.zOrder(), 11);
    QCOMPARE(layer.name(), QStringLiteral("after"));

    FakeLayerItem second;
    layer.setUILayer(&second);
    layer.markDeleted();
    QVERIFY(layer.isDeleted());
    QVERIFY(!layer.uiLayer());
}

void TestCompositingLayers::pictureIsLimitedWhenLoaded_data()
{
    QTest::addColumn<QSize>("loaded");
    QTest::addColumn<QSize>("stored");
    QTest::newRow("1080p") << QSize(1920, 1080) << QSize(1280, 720);
    QTest::newRow("tall") << QSize(1000, 2000) << QSize(360, 720);
    QTest::newRow("wide") << QSize(2000, 700) << QSize(1280, 448);
    QTest::newRow("fits") << QSize(800, 600) << QSize(800, 600);
}

void TestCompositingLayers::pictureIsLimitedWhenLoaded()
{
    QFETCH(QSize, loaded);
    QFETCH(QSize, stored);
    QCOMPARE(CMPicLayer::limitedSize(loaded), stored);
}

void TestCompositingLayers::pictureLoadsFilesAndPaintsWithOpacity()
{
    QTemporaryDir dir;
    const auto save = [&dir](const QString &name, const QColor &colour, const QSize &size) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        picture.save(dir.filePath(name));
        return dir.filePath(name);
    };
    const auto paint = [](CMLayer &layer, double scale) {
        QImage frame = blackFrame(40, 40);
        QPainter painter(&frame);
        layer.draw(&painter, scale, scale);
        return frame;
    };
    CMPicLayer layer;
    layer.onGeometryChanged(QRectF(5, 5, 10, 10));
    layer.onPicChanged(save(QStringLiteral("big.png"), Qt::red, QSize(1920, 1080)));
    QCOMPARE(layer.image().size(), QSize(1280, 720)); // limited once, when loaded

    QImage frame = paint(layer, 2.0); // output rectangle (10, 10, 20, 20)
    QCOMPARE(frame.pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(frame.pixel(29, 29), qRgb(255, 0, 0));
    QCOMPARE(frame.pixel(30, 30), qRgb(0, 0, 0));
    QCOMPARE(frame.pixel(9, 9), qRgb(0, 0, 0));

    layer.onAlphaChanged(40);
    QVERIFY(qAbs(qRed(paint(layer, 2.0).pixel(20, 20)) - 102) <= 1);

    layer.setCombine(false);
    QCOMPARE(paint(layer, 3.0), blackFrame(40, 40));
    QCOMPARE(layer.outputPixelRect(), QRect(10, 10, 20, 20)); // no rescale while hidden

    // A new picture shows in the next frame without any move.
    layer.setCombine(true);
    layer.onAlphaChanged(100);
    layer.onPicChanged(save(QStringLiteral("blue.png"), Qt::blue, QSize(8, 8)));
    QCOMPARE(paint(layer, 2.0).pixel(15, 15), qRgb(0, 0, 255));
}

void TestCompositingLayers::pictureFromResourceIsCopiedOnce()
{
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    const QString resource = QStringLiteral(":/theme/preview/test_layer.png");

    CMPicLayer first;
    first.onPicChanged(resource);
    QCOMPARE(first.image().size(), QSize(8, 8));
    QVERIFY(first.cachePath().startsWith(cache.path()));
    QVERIFY(first.cachePath().endsWith(QStringLiteral("01")));
    QVERIFY(!QFileInfo(first.cachePath()).fileName().contains(QLatin1Char('.')));
    QFile copy(first.cachePath());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QFile original(resource);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());
    copy.close();

    // A second load finds the copy and leaves it alone.
    QVERIFY(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copy.write("marker");
    copy.close();
    CMPicLayer second;
    second.onPicChanged(resource);
    QCOMPARE(second.cachePath(), first.cachePath());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("marker"));

    FakeConfigWriter store;
    second.saveConfig(QStringLiteral("k"), &store);
    QCOMPARE(store.values.value(QStringLiteral("k/path")), resource);
    qunsetenv("XDG_CACHE_HOME");
}

void TestCompositingLayers::textSplitsParagraphsAndPaintsLines()
{
    CMTextLayer layer;
    QFont font;
    font.setPixelSize(12);
    FontInfoConfig config;
    config.setFont(font);
    config.setColor(Qt::white);
    const QChar paragraph(QChar::ParagraphSeparator);
    layer.onInfoChanged(config, QStringLiteral("a") + paragraph + paragraph + "b\nc");
    QCOMPARE(layer.lines(), QStringList({"a", "", "b\nc"}));
    const int lineHeight = layer.lineHeight();
    QVERIFY(lineHeight > QFontMetrics(font).height()); // includes the text item's margins

    QImage frame = blackFrame(60, 4 * lineHeight);
    const auto inkIn = [&frame](int from, int to) {
        for (int y = qMax(0, from); y < qMin(frame.height(), to); ++y)
            for (int x = 0; x < frame.width(); ++x)
                if (frame.pixel(x, y) != qRgb(0, 0, 0))
                    return true;
        return false;
    };
    layer.setCombine(false);
    {
        QPainter painter(&frame);
        layer.draw(&painter, 1.0, 1.0);
    }
    QVERIFY(!inkIn(0, frame.height()));
    layer.setCombine(true);
    {
        QPainter painter(&frame);
        layer.draw(&painter, 1.0, 1.0);
    }
    QVERIFY(inkIn(0, lineHeight));                       // "a"
    QVERIFY(!inkIn(lineHeight + 2, 2 * lineHeight - 2)); // the empty line
    QVERIFY(inkIn(2 * lineHeight, 3 * lineHeight));      // "b"
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
    QTest::newRow("short") << 640 << 480 << 1000u << false << true;
    QTest::newRow("zero width") << 0 << 480 << 1228800u << false << false;
    QTest::newRow("negative height") << 640 << -480 << 1228800u << false << false;
    QTest::newRow("null data") << 640 << 480 << 1228800u << true << false;
}

void TestCompositingLayers::cameraFrameIntake()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(uint, length);
    QFETCH(bool, nullData);
    QFETCH(bool, accepted);

    CMCameraLayer layer;
    const QByteArray previous = solidFrame(8, 8, 0xFF123456);
    layer.onCameraData(previous.constData(), uint(previous.size()), 8, 8, 0);
    QCOMPARE(layer.image().size(), QSize(8, 8));

    const QByteArray frame = solidFrame(640, 480, 0x80FF0000);
    layer.onCameraData(nullData ? nullptr : frame.constData(), length, width, height, 0);
    const QImage image = layer.image();
    if (accepted) {
        QCOMPARE(image.size(), QSize(width, height));
        QCOMPARE(image.pixel(0, 0), 0x80FF0000u); // alpha survives
    } else {
        QCOMPARE(image.size(), QSize(8, 8));
        QCOMPARE(image.pixel(0, 0), 0xFF123456u);
    }
}

void TestCompositingLayers::cameraFramesReachItemOnlyWhileOpen()
{
    CMCameraLayer layer;
    FakeLayerItem item;
    layer.onGeometryChanged(QRectF(10, 10, 20, 20));
    const QByteArray frame = solidFrame(4, 4, 0xFFFF0000);
    const auto push = [&] {
        layer.onCameraData(frame.constData(), uint(frame.size()), 4, 4, 0);
        QCoreApplication::processEvents();
    };
    push(); // not previewing: the output picture changes, the item hears nothing
    QCOMPARE(item.cameraPixmaps, 0);
    QImage out = blackFrame(50, 50);
    {
        QPainter painter(&out);
        layer.draw(&painter, 1.0, 1.0);
    }
    QCOMPARE(out.pixel(13, 13), qRgb(255, 0, 0)); // never requested: its own 4 x 4 size
    QCOMPARE(out.pixel(14, 14), qRgb(0, 0, 0));

    layer.setUILayer(&item); // linking starts previewing
    push();
    QCOMPARE(item.cameraPixmaps, 1);
    QVERIFY(item.lastCameraPixmap.isNull()); // the host has not reported the camera open
    layer.onCamOpenStatus(true);
    push();
    QCOMPARE(item.lastCameraPixmap.size(), QSize(20, 20));

    // Open status from a host thread is applied on the layer's own thread.
    std::thread host([&layer] { layer.onCamOpenStatus(false); });
    host.join();
    QVERIFY(layer.openStatus());
    QTRY_VERIFY(!layer.openStatus());
    QVERIFY(item.lastCameraPixmap.isNull());

    // Once requested, the frame is scaled to the output rectangle.
    CameraParam param;
    param.deviceName = QStringLiteral("cam");
    param.width = 4;
    param.height = 4;
    layer.setCameraParam(param);
    layer.onAlphaChanged(40);
    out = blackFrame(50, 50);
    {
        QPainter painter(&out);
        layer.draw(&painter, 1.0, 1.0);
    }
    QVERIFY(qAbs(qRed(out.pixel(29, 29)) - 102) <= 1);
    QCOMPARE(out.pixel(30, 30), qRgb(0, 0, 0));
}

void TestCompositingLayers::cameraOpenAndCloseRequests()
{
    m_engine->controller()->centerData()->setFps(30);
    HostReceiver host(m_engine);
    CMCameraLayer layer;

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
    QVERIFY(layer.isCameraRequested());

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

    layer.onKeyColorParamChanged(param);
    QCOMPARE(host.closes, 3);
    QCOMPARE(layer.cameraParam().keyColor, 0x00FF00u);

    layer.markDeleted();
    QCOMPARE(host.closes, 4);
}

void TestCompositingLayers::gameIntakePostsItemPictures()
{
    CMGamepicLayer layer;
    FakeLayerItem item;
    const QByteArray frame = solidFrame(64, 36, 0x00336699); // fourth byte ignored

    layer.onGeometryChanged(QRectF(0, 0, 32, 18));
    layer.onVideoData(frame.constData(), uint(frame.size()), 64, 36, 0);
    QCoreApplication::processEvents();
    QCOMPARE(item.gamePictures, 0); // not previewing, not linked

    layer.setUILayer(&item);
    layer.onVideoData(frame.constData(), uint(frame.size()), 64, 0, 0);
    QCoreApplication::processEvents();
    QCOMPARE(item.gamePictures, 0); // height 0: warning only

    layer.onVideoData(frame.constData(), uint(frame.size()), 64, 36, 0);
    QCoreApplication::processEvents();
    QCOMPARE(item.gamePictures, 1);
    QCOMPARE(item.lastGamePicture.size(), QSize(32, 18));
    QCOMPARE(item.lastGamePicture.pixel(5, 5), 0xFF336699u);

    layer.onVideoData(frame.constData(), uint(frame.size()) - 4, 64, 36, 0);
    layer.onGeometryChanged(QRectF(0, 0, 0, 0));
    layer.onVideoData(frame.constData(), uint(frame.size()), 64, 36, 0);
    QCoreApplication::processEvents();
    QCOMPARE(item.gamePictures, 3);
    QVERIFY(item.lastGamePicture.isNull());

    layer.setPreviewing(false);
    layer.onVideoData(frame.constData(), uint(frame.size()), 64, 36, 0);
    QCoreApplication::processEvents();
    QCOMPARE(item.gamePictures, 3);
}

QTEST_MAIN(TestCompositingLayers)
#include "tst_compositinglayers.moc"
