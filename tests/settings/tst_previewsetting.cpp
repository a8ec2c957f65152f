#include "CMCameraLayer.h"
#include "CMLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"
#include "PreviewSetting.h"
#include "SettingsImplManager.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

namespace {

// The host: records filter-word checks (answered by the test) and camera requests.
class FakeHost : public xsignals::trackable
{
public:
    ~FakeHost() override { disconnect_all(); }
    void onCheck(const std::string &taskId, const std::wstring &text)
    {
        taskIds.push_back(taskId);
        texts.push_back(QString::fromStdWString(text));
    }
    void onOpenCamera(const std::wstring &device, tagSIZE size, tagSIZE, int fps, bool)
    {
        camera = QStringLiteral("%1 %2x%3 %4")
                     .arg(QString::fromStdWString(device))
                     .arg(size.cx)
                     .arg(size.cy)
                     .arg(fps);
    }
    std::vector<std::string> taskIds;
    QStringList texts;
    QString camera;
};

QList<int> layerTypes(PreviewCombineLogic *combine)
{
    QList<int> types;
    for (const QPointer<CMLayer> &layer : combine->layers()) {
        if (layer && !layer->isDeleted())
            types.append(layer->layerType());
    }
    return types;
}

} // namespace

// Saving live layers of every kind and restoring them through the controller.
class TestPreviewSetting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
        m_file = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
        QVERIFY(m_file.startsWith(m_home.path()));
        m_picture = m_home.filePath(QStringLiteral("logo.png"));
        QImage image(64, 36, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(m_picture));
    }

    void init()
    {
        QFile::remove(m_file);
        SettingsImplManager::instance()->removeTag(m_file);
        m_engine = PreviewEngine::createInstance();
        m_engine->sigCheckFilterWord.connect(&m_host, &FakeHost::onCheck);
        m_engine->sigOpenCamera.connect(&m_host, &FakeHost::onOpenCamera);
        m_host = FakeHost();
    }

    void cleanup()
    {
        if (PreviewEngine::instance())
            PreviewEngine::instance()->release();
        m_host.disconnect_all();
    }

    void everyKindRoundTripsAfterTheFilterWordAnswer()
    {
        m_engine->init(30);
        PreviewCombineLogic *combine = PreviewEngine::logic()->combine();
        combine->addImageLayer(m_picture, false, QPoint(20, 30), true, QSize(160, 90), 80,
                               QStringLiteral("logo"));
        QFont font(QStringLiteral("宋体"));
        font.setPointSize(28);
        font.setBold(true);
        combine->addTextLayer(font, QColor(255, 0, 0), QStringLiteral("直播\nLive"), QPoint(10, 10),
                              true, QStringLiteral("title"));
        combine->addCameraLayer(QPoint(400, 250), false, QSize(240, 180), 90,
                                QStringLiteral("PreviewHost Virtual Camera"), QSize(640, 480),
                                QStringLiteral("cam"), false, 0x00FF00, 0.05f, 0.8f);
        m_engine->unInit();
        const QByteArray saved = readAll(m_file);
        QVERIFY(saved.contains("<text>直播[n]Live</text>"));
        QVERIFY(saved.contains("<layersnum>4</layersnum>"));

        // Restoring waits for the host's verdict on the stored text. The host sets the output
        // size again after unInit cleared it, now 1920 x 1080: the scene becomes 746 units wide
        // (truncated), and the stored geometry stays in scene units.
        PreviewEngine::logic()->centerData()->setVideoSize(QSize(1920, 1080));
        m_engine->init(30);
        combine = PreviewEngine::logic()->combine();
        QCOMPARE(m_host.taskIds.size(), std::size_t(1));
        QCOMPARE(m_host.texts.value(0), QStringLiteral("直播[n]Live")); // as stored
        QCOMPARE(layerTypes(combine), QList<int>());
        QSignalSpy finished(PreviewEngine::logic()->setting(),
                            &PreviewSetting::sigLoadFromConfigFinished);

        m_engine->onFilterWordResult(m_host.taskIds.front(), true);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(layerTypes(combine), (QList<int>{LT_GAMEVIDEO, LT_PICTURE, LT_TEXT, LT_CAMERA}));

        const QList<QPointer<CMLayer>> layers = combine->layers();
        auto *picture = qobject_cast<CMPicLayer *>(layers.at(1));
        QVERIFY(picture);
        QCOMPARE(picture->path(), m_picture);
        QCOMPARE(picture->uiRect(), QRectF(20, 30, 160, 90));
        QVERIFY(!picture->canEditSize());
        QVERIFY(picture->isCombine());
        auto *text = qobject_cast<CMTextLayer *>(layers.at(2));
        QVERIFY(text);
        QCOMPARE(text->text(), QStringLiteral("直播\nLive"));
        auto *camera = qobject_cast<CMCameraLayer *>(layers.at(3));
        QVERIFY(camera);
        QVERIFY(!camera->isCombine());
        QCOMPARE(m_host.camera, QStringLiteral("PreviewHost Virtual Camera 640x480 30"));
        m_engine->unInit();
        QCOMPARE(readAll(m_file),
                 QByteArray(saved).replace("<parentwidth1>700<", "<parentwidth1>746<"));
    }

    void damagedLayoutsRestoreWhatTheySafelyCan()
    {
        // Count 3 with layer1 missing; a negative position; a picture whose file is gone.
        writeFile(m_file,
                  QStringLiteral(
                      "<config><layers>"
                      "<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos><size>700,420</size>"
                      "<combine>1</combine></layer0>"
                      "<layer2><type>3</type><alpha>70</alpha><device>cam</device>"
                      "<devicewidth>640</devicewidth><deviceheight>480</deviceheight>"
                      "<pos>-12,30</pos><size>200,150</size><combine>1</combine></layer2>"
                      "<layer3><type>1</type><path>%1</path><pos>0,0</pos><size>10,10</size>"
                      "</layer3>"
                      "<layer4><type>77</type></layer4>"
                      "<layersnum>5</layersnum></layers></config>")
                      .arg(m_home.filePath("gone.png"))
                      .toUtf8());
        m_engine->init(30);
        PreviewCombineLogic *combine = PreviewEngine::logic()->combine();
        QCOMPARE(layerTypes(combine), (QList<int>{LT_GAMEVIDEO, LT_CAMERA}));
        QCOMPARE(combine->layers().at(1)->uiRect(), QRectF(0, 30, 200, 150));
    }

    void onlyGameLayersWhileStoredLayersAreOff()
    {
        m_engine->init(30);
        PreviewLogic *logic = PreviewEngine::logic();
        logic->combine()->addImageLayer(m_picture, true, QPoint(1, 1), true, QSize(16, 9), 100,
                                        QString());
        logic->centerData()->setLoadStoredLayers(false);
        m_engine->hidePreview();
        const QByteArray saved = readAll(m_file);
        QVERIFY(saved.contains("<layersnum>1</layersnum>"));
        QVERIFY(!saved.contains("<path>"));

        // Not editable: nothing is written, the previous file stays.
        logic->centerData()->setLoadStoredLayers(true);
        m_engine->setLayersEditable(false);
        m_engine->unInit();
        QCOMPARE(readAll(m_file), saved);
    }

private:
    QTemporaryDir m_home;
    QString m_file;
    QString m_picture;
    PreviewEngine *m_engine = nullptr;
    FakeHost m_host;
};

QTEST_MAIN(TestPreviewSetting)
#include "tst_previewsetting.moc"
