// The compositor's list operations: game-layer fit, camera reuse, the two-step delete and
// purge, ordering and default names. Layers made from a stored state are checked by
// tst_storedlayout's round trip, the output size announcement by tst_previewengine.

#include "CompositingTestSupport.h"

#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewLogic.h"
#include "PushedFrame.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestPreviewCombine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void gameLayerFitsVideoAspect_data();
    void gameLayerFitsVideoAspect();

    void secondCameraReusesTheFirst();

    void deleteIsTwoStepAndUnInitDestroys();
    void reorderRenumbersStacking();
    void defaultNamesFollowTheLargestNumber();

private:
    PreviewEngine *m_engine = nullptr;
    PreviewCenterData *m_data = nullptr;
    std::unique_ptr<PreviewCombineLogic> m_combine;
};

void TestPreviewCombine::initTestCase()
{
    m_engine = PreviewEngine::createInstance();
    m_data = m_engine->controller()->centerData();
}

void TestPreviewCombine::cleanupTestCase()
{
    m_engine->release();
}

void TestPreviewCombine::init()
{
    m_data->setGameVideoSize(QSize(0, 0));
    m_data->setVideoSize(QSize(1280, 768));
    m_data->setPreviewSize(QSize(752, 420));
    m_combine = std::make_unique<PreviewCombineLogic>(QSizeF(700, 420), m_engine->controller());
}

void TestPreviewCombine::cleanup()
{
    m_combine.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPreviewCombine::gameLayerFitsVideoAspect_data()
{
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QSize>("video");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("1080p in 746x420")
        << QSize(746, 420) << QSize(1920, 1080) << QRectF(0, 0.1875, 746, 419.625);
    QTest::newRow("720p in 752x420")
        << QSize(752, 420) << QSize(1280, 720) << QRectF(8.0 / 3.0, 0, 2240.0 / 3.0, 420);
    QTest::newRow("portrait") << QSize(746, 420) << QSize(1080, 1920)
                              << QRectF(254.875, 0, 236.25, 420);
}

void TestPreviewCombine::gameLayerFitsVideoAspect()
{
    QFETCH(QSize, area);
    QFETCH(QSize, video);
    QFETCH(QRectF, expected);

    m_data->setPreviewSize(area);
    QVERIFY(!m_combine->fitGameLayer(1920, 1080)); // no game layer yet
    auto *game = static_cast<CMGamepicLayer *>(
        m_combine->addGameVideoLayer(QPoint(0, 0), true, area, 100, QString()));
    FakeLayerItem item;
    game->setUILayer(&item);
    for (const QSize malformed : {QSize(1920, 0), QSize(-1920, 1080)})
        QVERIFY(!m_combine->fitGameLayer(malformed.width(), malformed.height()));
    QCOMPARE(game->uiRect(), QRectF(QPointF(0, 0), QSizeF(area)));

    const QByteArray bytes = solidFrame(video.width(), video.height(), 0xFF000000);
    const std::optional<PushedFrame> frame =
        PushedFrame::check(bytes.constData(), uint(bytes.size()), video.width(), video.height(), 1);
    QVERIFY(frame);
    m_combine->onGameVideoData(*frame);
    const QRectF fitted = game->uiRect();
    QVERIFY(qFuzzyCompare(fitted.x() + 1, expected.x() + 1));
    QVERIFY(qFuzzyCompare(fitted.y() + 1, expected.y() + 1));
    QVERIFY(qFuzzyCompare(fitted.width(), expected.width()));
    QVERIFY(qFuzzyCompare(fitted.height(), expected.height()));
    QCOMPARE(m_data->gameVideoSize(), video);

    QSignalSpy geometryChanges(&item, &QGraphicsWidget::geometryChanged);
    QCoreApplication::sendPostedEvents(m_combine.get());
    QCOMPARE(geometryChanges.size(), 1);
    QCOMPARE(item.geometry(), fitted);
    QVERIFY(qFuzzyCompare(item.aspectRatio, fitted.width() / fitted.height()));

    // The same size again: no refit, nothing posted.
    m_combine->onGameVideoData(*frame);
    QCoreApplication::sendPostedEvents(m_combine.get());
    QCOMPARE(geometryChanges.size(), 1);

    // A fit for an area the host has replaced before the fit reached the scene is dropped;
    // the next frame fits the layer to the area in force.
    m_data->setPreviewSize(QSize(236, 420));
    m_combine->clearGameVideoSize();
    m_combine->onGameVideoData(*frame);
    m_data->setPreviewSize(area);
    m_combine->clearGameVideoSize();
    QCoreApplication::sendPostedEvents(m_combine.get());
    QCOMPARE(geometryChanges.size(), 1);
    m_combine->onGameVideoData(*frame);
    QCoreApplication::sendPostedEvents(m_combine.get());
    QCOMPARE(item.geometry(), fitted);
    QCOMPARE(game->uiRect(), fitted);
}

void TestPreviewCombine::secondCameraReusesTheFirst()
{
    HostReceiver host(m_engine);
    CMLayer *first =
        m_combine->addCameraLayer(QPoint(1, 1), true, QSize(32, 24), 100, QStringLiteral("cam"),
                                  QSize(640, 480), QString(), false, 0x00FF00, 0.05f, 0.8f);
    CMLayer *second =
        m_combine->addCameraLayer(QPoint(5, 5), true, QSize(64, 48), 50, QStringLiteral("cam2"),
                                  QSize(320, 240), QString(), false, 0x0000FF, 0.1f, 0.5f);
    QCOMPARE(second, first);
    QCOMPARE(m_combine->layerCount(), 1);
    auto *camera = qobject_cast<CMCameraLayer *>(second);
    QCOMPARE(camera->cameraParam().deviceName, QStringLiteral("cam2"));
    QCOMPARE(camera->alpha(), 50);
    QCOMPARE(camera->uiRect(), QRectF(5, 5, 64, 48));
    QCOMPARE(host.opens, QStringList({"cam", "cam2"}));

    // A camera marked deleted is not reused.
    first->markDeleted();
    CMLayer *third = m_combine->addCameraLayer(QPoint(), true, QSize(32, 24), 100, QString(),
                                               QSize(), {}, false, 0x00FF00, 0.05f, 0.8f);
    QVERIFY(third != first);
    QCOMPARE(m_combine->findCameraLayer(), third);
}

void TestPreviewCombine::deleteIsTwoStepAndUnInitDestroys()
{
    FakeLayerItem item;
    FakeLayerItem stranger;
    auto *a = static_cast<CMBasicLayer *>(
        m_combine->addImageLayer(QString(), true, QPoint(), true, QSize(1, 1), 100, {}));
    auto *b = static_cast<CMBasicLayer *>(
        m_combine->addImageLayer(QString(), true, QPoint(), true, QSize(1, 1), 100, {}));
    CMLayer *c = m_combine->addTextLayer(QFont(), Qt::red, {}, {}, true, {});
    a->setUILayer(&item);
    b->setUILayer(&item); // two layers on one item: only the first is marked

    m_combine->deleteCMLayerByUILayer(&stranger);
    m_combine->deleteCMLayerByUILayer(nullptr);
    QVERIFY(!a->isDeleted());

    m_combine->deleteCMLayerByUILayer(&item);
    QVERIFY(a->isDeleted());
    QVERIFY(!b->isDeleted());
    QVERIFY(!a->uiLayer());

    QPointer<CMLayer> guard(a);
    m_combine->removeDeletedLayers(false);
    QCOMPARE(m_combine->layerCount(), 3);
    m_combine->removeDeletedLayers(true); // the rest keep their order
    QCOMPARE(m_combine->layers(), (QList<QPointer<CMLayer>>{b, c}));
    QVERIFY(guard); // destroyed on its own thread, later
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard);

    m_combine->markLayerDeleted(b->layerId());
    QVERIFY(b->isDeleted());

    // unInit destroys every layer at once and stops the sender.
    QPointer<CMLayer> game = m_combine->addGameVideoLayer({}, true, QSize(1, 1), 100, {});
    m_combine->init();
    m_combine->unInit();
    QVERIFY(!game);
    QCOMPARE(m_combine->layerCount(), 0);
    QVERIFY(!m_combine->sender().isRunning());
}

void TestPreviewCombine::reorderRenumbersStacking()
{
    FakeLayerItem item;
    CMLayer *a = m_combine->addImageLayer({}, true, {}, true, QSize(1, 1), 100, {});
    CMLayer *b = m_combine->addImageLayer({}, true, {}, true, QSize(1, 1), 100, {});
    CMLayer *c = m_combine->addImageLayer({}, true, {}, true, QSize(1, 1), 100, {});
    static_cast<CMBasicLayer *>(a)->setUILayer(&item);
    QVERIFY(m_combine->moveLayer(a->layerId(), 99));
    QCOMPARE(m_combine->layers().last().data(), a);
    QCOMPARE(a->zOrder(), 2);
    QCOMPARE(item.zValue(), 2.0);
    QCOMPARE(b->zOrder(), 0);
    QCOMPARE(c->zOrder(), 1);
    QVERIFY(!m_combine->moveLayer(0xFFFFFFFFu, 0));
    QVERIFY(a->layerId() != b->layerId() && a->layerId() != 0);
}

void TestPreviewCombine::defaultNamesFollowTheLargestNumber()
{
    const auto addPicture = [this](const QString &name) {
        return m_combine->addImageLayer({}, true, {}, true, QSize(1, 1), 100, name);
    };
    addPicture(QStringLiteral("pic 7"));
    addPicture(QStringLiteral("pic 2"));
    addPicture(QStringLiteral("pic x"));
    addPicture(QStringLiteral("pic 9"))->markDeleted();
    QCOMPARE(addPicture({})->name(), PreviewCombineLogic::tr("pic %1").arg(8));
    QCOMPARE(m_combine->addTextLayer(QFont(), Qt::red, {}, {}, true, {})->name(),
             PreviewCombineLogic::tr("text %1").arg(1));
}

QTEST_MAIN(TestPreviewCombine)
#include "tst_previewcombine.moc"
