#include "FontFamilies.h"
#include "LayerConfigKeys.h"
#include "LogCapture.h"
#include "PreviewCenterData.h"
#include "PreviewConfigCheck.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "SettingsImplManager.h"

#include <appcommon/pubfunc.h>

#include <QApplication>
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
    struct Request
    {
        std::string taskId;
        QString text;
    };

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
    std::vector<Request> requests;
    std::vector<std::string> idsSeenLater;
    bool answerAtOnce = false;
};

Layer text(const QString &content, const QString &family = QStringLiteral("宋体"),
           const QString &size = QStringLiteral("28"))
{
    return {{"type", "2"}, {"fontfamily", family}, {"fontsize", size}, {"text", content}};
}

Layer picture(const QString &path)
{
    return {{"type", "1"}, {"path", path}};
}

const Layer GameVideo{{"type", "4"}};
const Layer Camera{{"type", "3"}, {"device", "cam"}};

} // namespace

class tst_PreviewConfigCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void localCheck_data();
    void localCheck();
    void hugeCountIsRefusedAtOnce();
    void answers_data();
    void answers();
    void newCheckSupersedesWaitingOne();
    void answerDuringTheRequest();
    void aliasesGiveEveryFamilyAFace();

private:
    void _writeLayout(const Layout &layout, const QString &count = QString());
    void _answer(const std::string &taskId, bool valid);

    QTemporaryDir m_dir;
    LogCapture m_log;
    FakeHost m_host;
    PreviewEngine *m_engine = nullptr;
};

void tst_PreviewConfigCheck::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    m_engine = PreviewEngine::createInstance();
    m_engine->sigCheckFilterWord.connect(&m_host, &FakeHost::onCheckFilterWord);
}

void tst_PreviewConfigCheck::cleanupTestCase()
{
    m_engine->release();
}

void tst_PreviewConfigCheck::init()
{
    m_host.requests.clear();
    PreviewEngine::logic()->centerData()->setInitDone(false);
}

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

void tst_PreviewConfigCheck::_answer(const std::string &taskId, bool valid)
{
    m_engine->onFilterWordResult(taskId, valid);
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

    QTest::newRow("no layers") << Layout{} << QString() << false << load << QString();
    QTest::newRow("count 0") << Layout{GameVideo} << "0" << false << load << QString();
    QTest::newRow("count not a number") << Layout{text("a")} << "two" << false << load << QString();
    QTest::newRow("game video") << Layout{GameVideo} << QString() << false << load << QString();
    QTest::newRow("two game videos")
        << Layout{GameVideo, GameVideo} << QString() << false << defaults << QString();
    QTest::newRow("camera and resource picture")
        << Layout{GameVideo, Camera, picture(":/theme/preview/a.png")} << QString() << false << load
        << QString();
    QTest::newRow("picture on disk before init")
        << Layout{picture("/home/u/a.png")} << QString() << false << defaults << QString();
    QTest::newRow("picture on disk after init")
        << Layout{picture("/home/u/a.png")} << QString() << true << load << QString();
    QTest::newRow("one text") << Layout{GameVideo, text("a[n]b")} << QString() << false << pending
                              << "a[n]b";
    QTest::newRow("30 characters")
        << Layout{text(thirty)} << QString() << false << pending << thirty;
    QTest::newRow("31 characters")
        << Layout{text(thirty + "y")} << QString() << false << defaults << QString();
    QTest::newRow("30 with line marks counted as stored")
        << Layout{text(QString(28, 'x') + "[n]")} << QString() << false << defaults << QString();
    QTest::newRow("family outside the five")
        << Layout{text("a", "Arial")} << QString() << false << defaults << QString();
    QTest::newRow("family case") << Layout{text("a", "微软雅黑 ")} << QString() << false << defaults
                                 << QString();
    QTest::newRow("size 9") << Layout{text("a", "黑体", "9")} << QString() << false << defaults
                            << QString();
    QTest::newRow("size 08") << Layout{text("a", "黑体", "08")} << QString() << false << defaults
                             << QString();
    QTest::newRow("five texts, last one sent")
        << Layout{text("1", "微软雅黑", "8"), text("2", "华文细黑", "36"), text("3", "黑体"),
                  text("4", "楷体"), text("5")}
        << QString() << false << pending << "5";
    QTest::newRow("six texts") << Layout{text("1"), text("2"), text("3"),
                                         text("4"), text("5"), text("6")}
                               << QString() << false << defaults << QString();
    QTest::newRow("count beyond the layers")
        << Layout{text("a"), GameVideo} << "3" << false << pending << "a";
    QTest::newRow("unknown types")
        << Layout{{{"type", "9"}}, {{"type", "-1"}}, {}} << QString() << false << load << QString();
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
    PreviewConfigCheck check;
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(int(check.checkConfigValid()), result);
    QCOMPARE(check.isPending(), result == PreviewConfigCheck::CHECK_PENDING);
    if (result == PreviewConfigCheck::CHECK_PENDING) {
        QCOMPARE(m_host.requests.size(), std::size_t(1));
        QCOMPARE(m_host.requests[0].text, sentText);
        QCOMPARE(m_host.requests[0].taskId, check.pendingTaskId());
        _answer(check.pendingTaskId(), true);
        QCOMPARE(outcome.count(), 1);
    } else {
        QVERIFY(m_host.requests.empty());
        QCOMPARE(outcome.count(), 0);
    }
    // The check reads; it never writes the file.
    QVERIFY(!SettingsHandle(QStringLiteral("preview")).impl()->isDirty());
}

void tst_PreviewConfigCheck::hugeCountIsRefusedAtOnce()
{
    _writeLayout(Layout{GameVideo}, QStringLiteral("4294967295"));
    PreviewConfigCheck check;
    QElapsedTimer clock;
    clock.start();
    m_log.mark();
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_DEFAULTS);
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(m_log.since().contains(QStringLiteral("layersnum=4294967295")));
}

void tst_PreviewConfigCheck::answers_data()
{
    QTest::addColumn<QStringList>("events"); // "yes", "no", "other", "empty", "wait", "late"
    QTest::addColumn<bool>("valid");

    QTest::newRow("accepted") << QStringList{"yes", "wait"} << true;
    QTest::newRow("refused") << QStringList{"no", "wait"} << false;
    QTest::newRow("answered twice") << QStringList{"yes", "no", "wait"} << true;
    QTest::newRow("other task ids, then time-out")
        << QStringList{"other", "empty", "wait"} << false;
    QTest::newRow("time-out, then late answer") << QStringList{"wait", "late"} << false;
}

void tst_PreviewConfigCheck::answers()
{
    QFETCH(QStringList, events);
    QFETCH(bool, valid);

    _writeLayout(Layout{GameVideo, text("hello")});
    PreviewConfigCheck check;
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    const std::string taskId = check.pendingTaskId();
    QVERIFY(!taskId.empty());
    for (const QString &event : events) {
        if (event == QLatin1String("yes"))
            _answer(taskId, true);
        else if (event == QLatin1String("no"))
            _answer(taskId, false);
        else if (event == QLatin1String("other"))
            _answer(pubfunc::createGUID(), true);
        else if (event == QLatin1String("empty"))
            _answer(std::string(), true);
        else if (event == QLatin1String("late"))
            _answer(taskId, true);
        else
            QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs + 300);
    }
    QCOMPARE(outcome.count(), 1);
    QCOMPARE(outcome.at(0).at(0).toBool(), valid);
    QVERIFY(!check.isPending());
}

void tst_PreviewConfigCheck::newCheckSupersedesWaitingOne()
{
    _writeLayout(Layout{text("again")});
    PreviewConfigCheck check;
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    const std::string first = check.pendingTaskId();
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs / 2);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    _answer(first, true);
    QCOMPARE(outcome.count(), 0);
    // The timer restarted with the second request: the first request's second passes quietly.
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs / 2 + 200);
    QCOMPARE(outcome.count(), 0);
    _answer(check.pendingTaskId(), false);
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
    PreviewConfigCheck check;
    QSignalSpy outcome(&check, &PreviewConfigCheck::sigCheckConfig);
    QCOMPARE(check.checkConfigValid(), PreviewConfigCheck::CHECK_PENDING);
    QCOMPARE(outcome.count(), 1);
    QVERIFY(outcome.at(0).at(0).toBool());
    QCOMPARE(eager.idsSeenLater.size(), std::size_t(1));
    QCOMPARE(eager.idsSeenLater[0], eager.requests.at(0).taskId);
    QTest::qWait(PreviewConfigCheck::FilterWordTimeoutMs + 200);
    QCOMPARE(outcome.count(), 1);
}

void tst_PreviewConfigCheck::aliasesGiveEveryFamilyAFace()
{
    if (!FontFamilies::isInstalled(QStringLiteral("楷体")))
        QSKIP("The font aliases (resources/fonts/65-previewengine-cjk.conf) or the CJK fonts "
              "are not installed; run scripts/install-deps.");
    QStringList offered = FontFamilies::installedFamilies();
    for (const QString &family : FontFamilies::acceptedFamilies())
        QVERIFY2(offered.contains(family), qPrintable(family));
    QVERIFY(!FontFamilies::isInstalled(QStringLiteral("NoSuchFamilyAnywhere")));
}

QTEST_MAIN(tst_PreviewConfigCheck)
#include "tst_previewconfigcheck.moc"
