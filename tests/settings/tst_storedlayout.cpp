// The stored layout through the controller: saving live layers of every kind and restoring them
// after the local check and the host's filter-word answer; layouts that are damaged, refused or
// unreadable; and disks that do not take a save (directories, FIFOs and links where the file
// goes). Nothing may hang, crash or lose the user's stored layout.

#include "EngineFixture.h"

#include "AutosaveWriter.h"
#include "CMCameraLayer.h"
#include "CMLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "LayerConfigKeys.h"
#include "LogCapture.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewConfigCheck.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"
#include "PreviewSetting.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "SettingsImplManager.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using Layer = QMap<QString, QString>;
using Layout = QList<Layer>;
Q_DECLARE_METATYPE(Layout)

namespace {

QList<int> layerTypes(PreviewCombineLogic *combine)
{
    QList<int> types;
    for (const QPointer<CMLayer> &layer : combine->layers()) {
        if (layer && !layer->isDeleted())
            types.append(layer->layerType());
    }
    return types;
}

// The game and one picture.
QByteArray twoLayers(const QString &picturePath)
{
    return QStringLiteral("<config><layers><layer0><type>4</type><alpha>100</alpha>"
                          "<size>700,420</size><combine>1</combine></layer0>"
                          "<layer1><type>1</type><path>%1</path><alpha>100</alpha>"
                          "<size>100,60</size><combine>1</combine></layer1>"
                          "<layersnum>2</layersnum></layers></config>")
        .arg(picturePath)
        .toUtf8();
}

Layer text(const QString &content, const QString &family = QStringLiteral("宋体"),
           const QString &size = QStringLiteral("28"))
{
    return {{"type", "2"}, {"fontfamily", family}, {"fontsize", size}, {"text", content}};
}

const Layer GameVideo{{"type", "4"}};
const Layer Camera{{"type", "3"}, {"device", "cam"}};
const Layer DiskPicture{{"type", "1"}, {"path", "/home/u/a.png"}};
const Layer ResourcePicture{{"type", "1"}, {"path", ":/theme/preview/a.png"}};

void row(const char *name, const Layout &layout, int result, const QString &sent = {},
         const QString &count = {}, bool initDone = false)
{
    QTest::newRow(name) << layout << count << initDone << result << sent;
}

} // namespace

class TestStoredLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void everyKindRoundTripsAfterTheFilterWordAnswer();
    void damagedLayoutsRestoreWhatTheySafelyCan();
    void localCheck_data();
    void localCheck();
    void answers_data();
    void answers();
    void newCheckSupersedesWaitingOne();
    void answerDuringTheRequest();
    void refusedLayoutIsKeptAsBackup();

    void onlyGameLayersWhileStoredLayersAreOff();
    void savesThatCannotBeWritten();
    void settingsSavedThroughASymbolicLink();
    void unreadableSettingsFileIsKeptAside();

private:
    void _writeLayout(const Layout &layout, const QString &count = QString());

    LogCapture m_log;
    QTemporaryDir m_home;
    QString m_file;
    QString m_picture;
    PreviewEngine *m_engine = nullptr;
    std::unique_ptr<EditorHost> m_host; // filter-word checks, answered by the test
    std::unique_ptr<HostReceiver> m_receiver;
};

void TestStoredLayout::initTestCase()
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

void TestStoredLayout::init()
{
    QDir(QFileInfo(m_file).absolutePath()).removeRecursively();
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    SettingsImplManager::instance()->removeTag(m_file);
    m_engine = PreviewEngine::createInstance();
    m_host = std::make_unique<EditorHost>(m_engine);
    m_host->answerAtOnce = false;
    m_receiver = std::make_unique<HostReceiver>(m_engine);
    m_log.mark();
}

void TestStoredLayout::cleanup()
{
    m_host.reset();
    m_receiver.reset();
    if (PreviewEngine *engine = PreviewEngine::instance())
        engine->release();
}

void TestStoredLayout::_writeLayout(const Layout &layout, const QString &count)
{
    SettingsImplManager::instance()->removeTag(m_file);
    SettingsHandle handle(m_file);
    for (int i = 0; i < layout.size(); ++i) {
        const QString prefix = LayerConfigKeys::layerPrefix(uint(i));
        for (auto it = layout[i].begin(); it != layout[i].end(); ++it)
            handle.setValue(prefix + QLatin1Char('/') + it.key(), it.value());
    }
    handle.setValue(LayerConfigKeys::layersNum(),
                    count.isNull() ? QString::number(layout.size()) : count);
    QVERIFY(handle.save());
}

void TestStoredLayout::everyKindRoundTripsAfterTheFilterWordAnswer()
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

    // Restoring waits for the host's verdict on the stored text. The host sets the output size
    // again after unInit cleared it, now 1920 x 1080: the scene becomes 746 units wide
    // (truncated), and the stored geometry stays in scene units.
    PreviewEngine::logic()->centerData()->setVideoSize(QSize(1920, 1080));
    m_engine->init(30);
    combine = PreviewEngine::logic()->combine();
    QCOMPARE(m_host->checks.size(), 1);
    QCOMPARE(m_host->checks[0].second, QStringLiteral("直播[n]Live")); // as stored
    QCOMPARE(layerTypes(combine), QList<int>());
    QSignalSpy finished(PreviewEngine::logic()->setting(),
                        &PreviewSetting::sigLoadFromConfigFinished);

    m_engine->onFilterWordResult(m_host->checks[0].first, true);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(layerTypes(combine), (QList<int>{LT_GAMEVIDEO, LT_PICTURE, LT_TEXT, LT_CAMERA}));

    const QList<QPointer<CMLayer>> layers = combine->layers();
    auto *picture = qobject_cast<CMPicLayer *>(layers.at(1));
    QVERIFY(picture);
    QCOMPARE(picture->path(), m_picture);
    QCOMPARE(picture->uiRect(), QRectF(20, 30, 160, 90));
    QVERIFY(!picture->canEditSize());
    QVERIFY(picture->isCombine());
    auto *textLayer = qobject_cast<CMTextLayer *>(layers.at(2));
    QVERIFY(textLayer);
    QCOMPARE(textLayer->text(), QStringLiteral("直播\nLive"));
    auto *camera = qobject_cast<CMCameraLayer *>(layers.at(3));
    QVERIFY(camera);
    QVERIFY(!camera->isCombine());
    QCOMPARE(m_receiver->opens.last(), QStringLiteral("PreviewHost Virtual Camera"));
    QCOMPARE(m_receiver->lastOpenSize.cx, 640);
    QCOMPARE(m_receiver->lastOpenSize.cy, 480);
    QCOMPARE(m_receiver->lastOpenFps, 30);
    m_engine->unInit();
    QCOMPARE(readAll(m_file),
             QByteArray(saved).replace("<parentwidth1>700<", "<parentwidth1>746<"));
}

void TestStoredLayout::damagedLayoutsRestoreWhatTheySafelyCan()
{
    // Count 5 with layer1 missing; a negative position; a picture whose file is gone.
    writeFile(
        m_file,
        QStringLiteral("<config><layers>"
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

void TestStoredLayout::localCheck_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("initDone");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("sentText");

    const int load = PreviewConfigCheck::CHECK_LOAD;
    const int defaults = PreviewConfigCheck::CHECK_DEFAULTS;
    const int pending = PreviewConfigCheck::CHECK_PENDING;
    const QString thirty(30, QLatin1Char('x'));

    row("count not a number", {text("a")}, load, {}, "two");
    row("huge count", {GameVideo}, defaults, {}, "4294967295");
    row("count beyond the layers", {text("a"), GameVideo}, pending, "a", "3");
    row("two game videos", {GameVideo, GameVideo}, defaults);
    row("camera and resource picture", {GameVideo, Camera, ResourcePicture}, load);
    row("picture on disk before init", {DiskPicture}, defaults);
    row("picture on disk after init", {DiskPicture}, load, {}, {}, true);
    row("30 characters", {text(thirty)}, pending, thirty);
    row("31 characters", {text(thirty + "y")}, defaults);
    row("line marks counted as stored", {text(QString(28, 'x') + "[n]")}, defaults);
    row("unknown family", {text("a", "Arial")}, defaults);
    row("size 9", {text("a", "黑体", "9")}, defaults);
    row("five texts, last one sent",
        {text("1", "微软雅黑", "8"), text("2", "华文细黑", "36"), text("3", "黑体"),
         text("4", "楷体"), text("5")},
        pending, "5");
    row("six texts", {text("1"), text("2"), text("3"), text("4"), text("5"), text("6")}, defaults);
}

void TestStoredLayout::localCheck()
{
    QFETCH(Layout, layout);
    QFETCH(QString, count);
    QFETCH(bool, initDone);
    QFETCH(int, result);
    QFETCH(QString, sentText);

    _writeLayout(layout, count);
    PreviewEngine::logic()->centerData()->setInitDone(initDone);
    PreviewConfigCheck check(PreviewEngine::logic());
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(int(check.checkConfigValid()), result);
    QCOMPARE(check.isPending(), result == PreviewConfigCheck::CHECK_PENDING);
    if (result == PreviewConfigCheck::CHECK_PENDING) {
        QCOMPARE(m_host->checks.size(), 1);
        QCOMPARE(m_host->checks[0].second, sentText);
        QCOMPARE(m_host->checks[0].first, check.pendingTaskId());
        m_engine->onFilterWordResult(check.pendingTaskId(), true);
        QCOMPARE(outcome.count(), 1);
    } else {
        QVERIFY(m_host->checks.isEmpty());
        QCOMPARE(outcome.count(), 0);
    }
    // The check reads; it never writes the file.
    QVERIFY(!SettingsHandle(QStringLiteral("preview")).impl()->isDirty());
}

void TestStoredLayout::answers_data()
{
    // Answers, in order: "yes"/"no" for this check, "other"/"empty" task ids, "wait" past the
    // time-out. Whatever happens, exactly one outcome.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("valid");
    QTest::newRow("answered twice") << QStringList{"yes", "no", "wait"} << true;
    QTest::newRow("other task ids, then time-out")
        << QStringList{"other", "empty", "wait"} << false;
    QTest::newRow("time-out, then late answer") << QStringList{"wait", "yes"} << false;
}

void TestStoredLayout::answers()
{
    QFETCH(QStringList, events);
    QFETCH(bool, valid);
    _writeLayout(Layout{GameVideo, text("hello")});
    PreviewConfigCheck check(PreviewEngine::logic());
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    const std::string taskId = check.pendingTaskId();
    QVERIFY(!taskId.empty());
    for (const QString &event : events) {
        if (event == QLatin1String("wait"))
            QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs + 300);
        else if (event == QLatin1String("other"))
            m_engine->onFilterWordResult(pubfunc::createGUID(), true);
        else if (event == QLatin1String("empty"))
            m_engine->onFilterWordResult(std::string(), true);
        else
            m_engine->onFilterWordResult(taskId, event == QLatin1String("yes"));
    }
    QCOMPARE(outcome.count(), 1);
    QCOMPARE(outcome.at(0).at(0).toBool(), valid);
    QVERIFY(!check.isPending());
}

void TestStoredLayout::newCheckSupersedesWaitingOne()
{
    _writeLayout(Layout{text("again")});
    PreviewConfigCheck check(PreviewEngine::logic());
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    const std::string first = check.pendingTaskId();
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs / 2);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    m_engine->onFilterWordResult(first, true);
    QCOMPARE(outcome.count(), 0);
    // The timer restarted with the second request: the first request's second passes quietly.
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs / 2 + 200);
    QCOMPARE(outcome.count(), 0);
    m_engine->onFilterWordResult(check.pendingTaskId(), false);
    QCOMPARE(outcome.count(), 1);
    QCOMPARE(outcome.at(0).at(0).toBool(), false);
}

void TestStoredLayout::answerDuringTheRequest()
{
    _writeLayout(Layout{text("now")});
    m_host->answerAtOnce = true;
    EditorHost later(m_engine); // sees the request after the answer
    later.answerAtOnce = false;
    PreviewConfigCheck check(PreviewEngine::logic());
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    QCOMPARE(outcome.count(), 1);
    QVERIFY(outcome.at(0).at(0).toBool());
    QCOMPARE(later.checks.size(), 1);
    QCOMPARE(later.checks[0].first, m_host->checks.at(0).first);
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs + 200);
    QCOMPARE(outcome.count(), 1);
}

// A refused layout is kept as ".bak" beside the one that replaces it.
void TestStoredLayout::refusedLayoutIsKeptAsBackup()
{
    const QByteArray stored = "<config><layers><layer0><type>2</type><fontfamily>宋体"
                              "</fontfamily><fontsize>20</fontsize><text>no</text></layer0>"
                              "<layersnum>1</layersnum></layers></config>";
    writeFile(m_file, stored);
    m_engine->init(30);
    m_engine->hidePreview(); // the check is still waiting: nothing is written yet
    QCOMPARE(readAll(m_file), stored);
    QCOMPARE(m_host->checks.size(), 1);
    m_engine->onFilterWordResult(m_host->checks[0].first, false);
    m_engine->unInit();
    QCOMPARE(readAll(m_file + ".bak"), stored);
    QVERIFY(m_log.since().contains("filter-word service refused"));
}

void TestStoredLayout::onlyGameLayersWhileStoredLayersAreOff()
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

// A save that cannot be written (a directory, then a FIFO nobody reads, where the new file
// goes, whichever temporary name the save uses) leaves the stored layout as it was and holds
// hiding the preview no more than a moment; once the disk answers again, a save replaces the
// file wholly, so no key of the old layout survives.
void TestStoredLayout::savesThatCannotBeWritten()
{
    const QByteArray stored = twoLayers(":/theme/preview/tamber_watermark.png");
    writeFile(m_file, stored);
    m_engine->init(30);
    PreviewCombineLogic *combine = PreviewEngine::logic()->combine();
    QCOMPARE(combine->layerCount(), 2);
    const QStringList blocked{m_file + ".new", m_file + AutosaveWriter::tempSuffix()};
    for (const QString &path : blocked)
        QVERIFY(QDir().mkpath(path));
    m_engine->hidePreview();
    QCOMPARE(readAll(m_file), stored);
    QVERIFY(m_log.since().contains("could not write " + m_file));

    for (const QString &path : blocked) {
        QVERIFY(QDir(path).removeRecursively());
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    m_log.mark();
    QElapsedTimer clock;
    clock.start();
    m_engine->hidePreview();
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(m_log.since().contains("could not write " + m_file));
    QCOMPARE(readAll(m_file), stored);

    // The disk answers: the stuck write goes on, reopens its file to sync it (this side answers
    // that too) and fails cleanly, since a FIFO cannot be synced; the next save lands.
    QFile reader(blocked.last());
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QVERIFY(reader.readAll().contains("<layersnum>2</layersnum>"));
    reader.close();
    QFile syncPeer(blocked.last());
    QVERIFY(syncPeer.open(QIODevice::WriteOnly));
    syncPeer.close();
    for (const QString &path : blocked)
        QVERIFY(QFile::remove(path));
    combine->markLayerDeleted(combine->layers().at(1)->layerId());
    m_engine->unInit();
    const QByteArray saved = readAll(m_file);
    QVERIFY(saved.contains("<layersnum>1</layersnum>"));
    QVERIFY(!saved.contains("<layer1>"));
    QVERIFY(saved.trimmed().endsWith("</config>"));
}

// A settings file made by a dotfile manager stays a link; the file it names is replaced.
void TestStoredLayout::settingsSavedThroughASymbolicLink()
{
    const QString target = m_home.filePath("dotfiles/previewsetting.xml");
    writeFile(target, "<config><layers><layersnum>0</layersnum></layers></config>");
    QVERIFY(QFile::link(target, m_file));
    m_engine->init(30);
    m_engine->unInit();
    QVERIFY(QFileInfo(m_file).isSymLink());
    QVERIFY(readAll(target).contains("<layersnum>1</layersnum>"));
    QVERIFY(!QFileInfo::exists(m_file + ".new"));
    QVERIFY(!QFileInfo::exists(target + ".new"));
}

// The README promises an unreadable settings file is kept aside, never overwritten.
void TestStoredLayout::unreadableSettingsFileIsKeptAside()
{
    // Root reads any file, so the engine looks at it as nobody does. Nobody must reach the
    // file's folder, and the checkout (with this test's own folders) may be closed to others: a
    // clone under /root, or in a folder made by mktemp -d. So the settings live in a fresh
    // temporary folder that everyone may enter, for this case only.
    QTemporaryDir open(QDir::tempPath() + QStringLiteral("/tst_storedlayout-XXXXXX"));
    QVERIFY(open.isValid());
    QVERIFY(QFile::setPermissions(open.path(), QFileDevice::Permissions(0x7755)));
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const auto restoreConfigHome = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", configHome); });
    qputenv("XDG_CONFIG_HOME", open.path().toUtf8());
    const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    QVERIFY(settings.startsWith(open.path()));

    writeFile(settings, twoLayers(":/x.png"));
    QFile::setPermissions(settings, QFileDevice::Permissions());
    QFile::setPermissions(QFileInfo(settings).absolutePath(), QFileDevice::Permissions(0x7777));
    m_engine->release(); // a new engine, under the settings folder now in force
    m_engine = PreviewEngine::createInstance();
    const int fsuid = ::geteuid() == 0 ? ::setfsuid(65534) : -1;
    const bool reachable = QFileInfo(settings).exists();
    const bool readable = QFile(settings).open(QIODevice::ReadOnly);
    if (reachable && !readable)
        m_engine->init(30);
    if (fsuid >= 0)
        ::setfsuid(fsuid);
    if (!reachable)
        QSKIP(qPrintable(QDir::tempPath() + " is closed to other users"));
    if (readable)
        QSKIP("this process reads files of mode 000");
    m_engine->unInit();
    // The user's file is kept, whole, and a new one took its place.
    QFile::setPermissions(settings + ".unreadable", QFileDevice::ReadOwner);
    QCOMPARE(readAll(settings + ".unreadable"), twoLayers(":/x.png"));
    QVERIFY(readAll(settings).contains("<layersnum>1</layersnum>"));
    QVERIFY(m_log.since().contains("is unusable; kept it as " + settings + ".unreadable"));
}

QTEST_MAIN(TestStoredLayout)
#include "tst_storedlayout.moc"
