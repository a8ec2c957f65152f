#include "LayerConfigKeys.h"
#include "PreviewCenterData.h"
#include "PreviewConfigCheck.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "SettingsImplManager.h"

#include <appcommon/pubfunc.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

using Layer = QMap<QString, QString>;
using Layout = QList<Layer>;
Q_DECLARE_METATYPE(Layout)

namespace {

// The host's side of the filter-word protocol: records every request.
class FakeHost : public xsignals::trackable
{
public:
    ~FakeHost() override { disconnect_all(); }
    void onCheckFilterWord(const std::string &taskId, const std::wstring &text)
    {
        requests.push_back({taskId, QString::fromStdWString(text)});
        if (answerAtOnce)
            PreviewEngine::instance()->onFilterWordResult(taskId, true);
    }
    // Later receivers of the same request, to see the arguments survive an early answer.
    void recordAfter(const std::string &taskId, const std::wstring &)
    {
        idsSeenLater.push_back(taskId);
    }
    std::vector<std::pair<std::string, QString>> requests; // task id, text
    std::vector<std::string> idsSeenLater;
    bool answerAtOnce = false;
};

Layer text(const QString &content, const QString &family = QStringLiteral("宋体"),
           const QString &size = QStringLiteral("28"))
{
    return {{"type", "2"}, {"fontfamily", family}, {"fontsize", size}, {"text", content}};
}

const Layer GameVideo{{"type", "4"}};
const Layer Camera{{"type", "3"}, {"device", "cam"}};
const Layer DiskPicture{{"type", "1"}, {"path", "/home/u/a.png"}};
const Layer ResourcePicture{{"type", "1"}, {"path", ":/theme/preview/a.png"}};

} // namespace

class tst_PreviewConfigCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        m_engine = PreviewEngine::createInstance();
        m_engine->sigCheckFilterWord.connect(&m_host, &FakeHost::onCheckFilterWord);
    }
    void cleanupTestCase() { m_engine->release(); }
    void init()
    {
        m_host.requests.clear();
        PreviewEngine::logic()->centerData()->setInitDone(false);
    }
    void localCheck_data();
    void localCheck();
    void answers_data();
    void answers();
    void newCheckSupersedesWaitingOne();
    void answerDuringTheRequest();

private:
    void _writeLayout(const Layout &layout, const QString &count = QString());

    QTemporaryDir m_dir;
    FakeHost m_host;
    PreviewEngine *m_engine = nullptr;
};

void tst_PreviewConfigCheck::_writeLayout(const Layout &layout, const QString &count)
{
    const QString file = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    SettingsImplManager::instance()->removeTag(file);
    SettingsHandle handle(file);
    for (int i = 0; i < layout.size(); ++i) {
        const QString prefix = LayerConfigKeys::layerPrefix(uint(i));
        for (auto it = layout[i].begin(); it != layout[i].end(); ++it)
            handle.setValue(prefix + QLatin1Char('/') + it.key(), it.value());
    }
    handle.setValue(LayerConfigKeys::layersNum(),
                    count.isNull() ? QString::number(layout.size()) : count);
    QVERIFY(handle.save());
}

static void row(const char *name, const Layout &layout, int result, const QString &sent = {},
                const QString &count = {}, bool initDone = false)
{
    QTest::newRow(name) << layout << count << initDone << result << sent;
}

void tst_PreviewConfigCheck::localCheck_data()
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

    row("no layers", {}, load);
    row("count not a number", {text("a")}, load, {}, "two");
    row("huge count", {GameVideo}, defaults, {}, "4294967295");
    row("count beyond the layers", {text("a"), GameVideo}, pending, "a", "3");
    row("two game videos", {GameVideo, GameVideo}, defaults);
    row("camera and resource picture", {GameVideo, Camera, ResourcePicture}, load);
    row("picture on disk before init", {DiskPicture}, defaults);
    row("picture on disk after init", {DiskPicture}, load, {}, {}, true);
    row("one text", {GameVideo, text("a[n]b")}, pending, "a[n]b");
    row("30 characters", {text(thirty)}, pending, thirty);
    row("31 characters", {text(thirty + "y")}, defaults);
    row("line marks counted as stored", {text(QString(28, 'x') + "[n]")}, defaults);
    row("unknown family", {text("a", "Arial")}, defaults);
    row("family with a space", {text("a", "微软雅黑 ")}, defaults);
    row("size 9", {text("a", "黑体", "9")}, defaults);
    row("size 08", {text("a", "黑体", "08")}, defaults);
    row("five texts, last one sent",
        {text("1", "微软雅黑", "8"), text("2", "华文细黑", "36"), text("3", "黑体"),
         text("4", "楷体"), text("5")},
        pending, "5");
    row("six texts", {text("1"), text("2"), text("3"), text("4"), text("5"), text("6")}, defaults);
}

void tst_PreviewConfigCheck::localCheck()
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
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(int(check.checkConfigValid()), result);
    QVERIFY(clock.elapsed() < 1000); // a huge count is refused, not walked
    QCOMPARE(check.isPending(), result == PreviewConfigCheck::CHECK_PENDING);
    if (result == PreviewConfigCheck::CHECK_PENDING) {
        QCOMPARE(m_host.requests.size(), std::size_t(1));
        QCOMPARE(m_host.requests[0].second, sentText);
        QCOMPARE(m_host.requests[0].first, check.pendingTaskId());
        m_engine->onFilterWordResult(check.pendingTaskId(), true);
        QCOMPARE(outcome.count(), 1);
    } else {
        QVERIFY(m_host.requests.empty());
        QCOMPARE(outcome.count(), 0);
    }
    // The check reads; it never writes the file.
    QVERIFY(!SettingsHandle(QStringLiteral("preview")).impl()->isDirty());
}

void tst_PreviewConfigCheck::answers_data()
{
    // Answers, in order: "yes"/"no" for this check, "other"/"empty" task ids, "wait" past the
    // time-out. Whatever happens, exactly one outcome.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("valid");
    QTest::newRow("accepted") << QStringList{"yes", "wait"} << true;
    QTest::newRow("refused") << QStringList{"no", "wait"} << false;
    QTest::newRow("answered twice") << QStringList{"yes", "no", "wait"} << true;
    QTest::newRow("other task ids, then time-out")
        << QStringList{"other", "empty", "wait"} << false;
    QTest::newRow("time-out, then late answer") << QStringList{"wait", "yes"} << false;
}

void tst_PreviewConfigCheck::answers()
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

void tst_PreviewConfigCheck::newCheckSupersedesWaitingOne()
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

void tst_PreviewConfigCheck::answerDuringTheRequest()
{
    _writeLayout(Layout{text("now")});
    FakeHost eager;
    eager.answerAtOnce = true;
    m_engine->sigCheckFilterWord.connect(&eager, &FakeHost::onCheckFilterWord);
    m_engine->sigCheckFilterWord.connect(&eager, &FakeHost::recordAfter);
    PreviewConfigCheck check(PreviewEngine::logic());
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    QCOMPARE(outcome.count(), 1);
    QVERIFY(outcome.at(0).at(0).toBool());
    QCOMPARE(eager.idsSeenLater.size(), std::size_t(1));
    QCOMPARE(eager.idsSeenLater[0], eager.requests.at(0).first);
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs + 200);
    QCOMPARE(outcome.count(), 1);
}

QTEST_MAIN(tst_PreviewConfigCheck)
#include "tst_previewconfigcheck.moc"
