// A host killed with SIGKILL while it autosaves: the stored file is always one complete layout
// the next start restores, and it holds at least the last change made a second before the
// kill. Each round starts autosave_kill_host on a fresh settings folder and kills it either at
// a random moment or the moment a save's temporary file appears (in the middle of a write).
//
// CI runs ten rounds (about twenty seconds); a longer run:
//   AUTOSAVE_KILL_ROUNDS=200 ctest --preset dev -R tst_autosavekill
// AUTOSAVE_KILL_SEED=<n> repeats a run; every failure prints its seed.

#include "AutosaveKillPlan.h"
#include "StoredLayout.h"
#include "TestFiles.h"

#include "CMLayer.h"
#include "PreviewCombineLogic.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"

#include <appcommon/pubfunc.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

qint64 monotonicMs()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

struct Step
{
    qint64 number = 0;
    qint64 madeAt = 0;
};

QList<Step> stepsIn(const QByteArray &output)
{
    QList<Step> steps;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words.at(0) == "step")
            steps.append({words.at(1).toLongLong(), words.at(2).toLongLong()});
    }
    return steps;
}

} // namespace

class TestAutosaveKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedHostsLeaveACompleteRecentLayout();

private:
    // Restores the layout in this process, as the next start of the host would.
    void checkRestores(const QByteArray &bytes, qint64 step, const QString &round);
};

void TestAutosaveKill::killedHostsLeaveACompleteRecentLayout()
{
    const int rounds = qMax(1, qEnvironmentVariableIntValue("AUTOSAVE_KILL_ROUNDS") > 0
                                   ? qEnvironmentVariableIntValue("AUTOSAVE_KILL_ROUNDS")
                                   : 10);
    const quint32 seed = qEnvironmentVariableIsSet("AUTOSAVE_KILL_SEED")
                             ? quint32(qEnvironmentVariableIntValue("AUTOSAVE_KILL_SEED"))
                             : QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const QString host = QCoreApplication::applicationDirPath() + "/autosave_kill_host";
    int midWrite = 0;
    int checkedAge = 0;

    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString file = home.filePath("autosave_kill_host/previewsetting.xml");
        const QString temporary = file + ".autosave.new";
        writeFile(file, AutosaveKillPlan::initialLayout());

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", home.path());
        environment.insert("XDG_STATE_HOME", home.filePath("state"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(host, {QString::number(random.generate())});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        QByteArray output;
        QElapsedTimer waiting;
        waiting.start();
        while (!output.contains("ready\n") && child.state() == QProcess::Running &&
               waiting.elapsed() < 30000) {
            child.waitForReadyRead(100);
            output += child.readAllStandardOutput();
        }
        QVERIFY2(output.contains("ready\n"), "autosave_kill_host did not start");

        // Half the rounds die at a random moment, half in the middle of a save; all of them
        // once the user has been at work for over a second, so each requires a saved change.
        const bool atWrite = round % 2 == 1;
        const qint64 earliest = monotonicMs() + random.bounded(1100, 2600);
        while (monotonicMs() < earliest)
            QThread::msleep(1);
        if (atWrite) {
            const qint64 latest = monotonicMs() + 3000;
            while (!QFileInfo::exists(temporary) && monotonicMs() < latest)
                QThread::usleep(100);
            midWrite += QFileInfo::exists(temporary) ? 1 : 0;
        }
        const qint64 killedAt = monotonicMs();
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        output += child.readAllStandardOutput();

        const QList<Step> steps = stepsIn(output);
        qint64 required = 0; // the last step made a second or more before the kill
        for (const Step &step : steps) {
            if (step.madeAt <= killedAt - 1000)
                required = step.number;
        }
        checkedAge += required > 0 ? 1 : 0;
        const qint64 last = steps.isEmpty() ? 0 : steps.last().number;

        const QByteArray bytes = readAll(file);
        const StoredLayout layout = StoredLayout::read(bytes);
        const QString round_ = QStringLiteral("seed %1, round %2 (killed %3 ms after the first "
                                              "step, %4), steps made %5, required %6; file:\n%7")
                                   .arg(seed)
                                   .arg(round)
                                   .arg(steps.isEmpty() ? -1 : killedAt - steps.first().madeAt)
                                   .arg(atWrite ? "at a write" : "at random")
                                   .arg(last)
                                   .arg(required)
                                   .arg(QString::fromUtf8(bytes));
        QVERIFY2(layout.complete && layout.layers.size() == 3, qPrintable(round_));
        const QStringList pos = layout.value("a", "pos").split(',');
        QVERIFY2(pos.size() == 2, qPrintable(round_));
        const qint64 step = AutosaveKillPlan::stepAt(QPoint(pos.at(0).toInt(), pos.at(1).toInt()));
        QVERIFY2(step >= required && step <= last + 1, qPrintable(round_));
        // One step exactly, never a mix of two.
        QVERIFY2(layout.value("a", "combine") == (AutosaveKillPlan::visible(step) ? "1" : "0"),
                 qPrintable(round_));
        QVERIFY2((layout.indexOf("a") > layout.indexOf("b")) == AutosaveKillPlan::aAboveB(step),
                 qPrintable(round_));
        checkRestores(bytes, step, round_);
    }
    qInfo("%d rounds (seed %u): %d killed while a save was being written, %d old enough to "
          "require a saved change",
          rounds, seed, midWrite, checkedAge);
}

void TestAutosaveKill::checkRestores(const QByteArray &bytes, qint64 step, const QString &round)
{
    const QString file = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    writeFile(file, bytes);
    PreviewEngine *engine = PreviewEngine::createInstance();
    engine->init(30);
    QList<QRectF> restored;
    for (const QPointer<CMLayer> &layer : PreviewEngine::logic()->combine()->layers()) {
        if (layer && layer->name() == "a")
            restored.append(layer->uiRect());
    }
    engine->release();
    const QPoint at = AutosaveKillPlan::position(step);
    QVERIFY2(restored == QList<QRectF>{QRectF(at.x(), at.y(), 40, 30)}, qPrintable(round));
}

QTEST_MAIN(TestAutosaveKill)
#include "tst_autosavekill.moc"
