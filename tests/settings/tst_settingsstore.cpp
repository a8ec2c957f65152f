#include "LogCapture.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "SettingsImplManager.h"
#include "StoredValue.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString storedA(const QString &path)
{
    CXmlDocument document;
    return document.loadFile(path) ? document.getValue(QStringLiteral("config/a")) : QString();
}

} // namespace

class Observer : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
public Q_SLOTS:
    void onChanged() { ++calls; }
    void onNeedsValue(int) {}
};

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
    }

    void saveLeavesOnlyTheFile()
    {
        const QString dir = m_dir.filePath(QStringLiteral("clean"));
        const QString path = dir + QStringLiteral("/s.xml");
        QDir().mkpath(dir);
        writeFile(path, "<config><a>0</a></config>");
        writeFile(path + QStringLiteral(".old"), "<config><a>stale</a></config>");
        SettingsHandle handle(path);
        handle.setValue(QStringLiteral("config/a"), QStringLiteral("1"));
        QVERIFY(handle.save());
        handle.setValue(QStringLiteral("config/a"), QStringLiteral("2"));
        QVERIFY(handle.save());
        QVERIFY(!handle.impl()->isDirty());
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"s.xml"});
        QCOMPARE(storedA(path), QStringLiteral("2"));
        SettingsImplManager::instance()->removeTag(path);
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("blocker");
        // Made as root, the tests cannot rely on permissions; a directory in the way of ".new",
        // or a file in the way of the directory, fails for everyone.
        QTest::newRow("new_is_a_directory") << ".new";
        QTest::newRow("directory_is_a_file") << "/sub";
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, blocker);
        const QString dir = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(dir));
        QString path = dir + QStringLiteral("/s.xml");
        const bool newBlocked = blocker == QLatin1String(".new");
        if (newBlocked) {
            writeFile(path, "<config><a>old</a></config>");
            QVERIFY(QDir().mkpath(path + blocker));
        } else {
            writeFile(dir + blocker, "a file where a directory should be");
            path = dir + blocker + QStringLiteral("/s.xml");
        }
        const QByteArray before = readAll(path);

        SettingsHandle handle(path);
        handle.setValue(QStringLiteral("config/a"), QStringLiteral("new"));
        QSignalSpy dispatched(SettingsImplManager::instance(),
                              &SettingsImplManager::asyncEmitTagChanged);
        m_log.mark();
        QVERIFY(!handle.save());
        QVERIFY(handle.impl()->isDirty());
        QCOMPARE(readAll(path), before);
        QCOMPARE(dispatched.count(), 0);
        QVERIFY(m_log.since().contains(QStringLiteral("SettingsImpl::save")));
        QCOMPARE(handle.value(QStringLiteral("config/a")), QStringLiteral("new"));
        if (newBlocked) { // once the way is clear the same changes go out
            QVERIFY(QDir(path + blocker).removeRecursively());
            QVERIFY(handle.save());
            QCOMPARE(storedA(path), QStringLiteral("new"));
        }
        SettingsImplManager::instance()->removeTag(path);
    }

    void damagedFilesOnDisk()
    {
        // A save interrupted between moving the old file aside and the new one in.
        const QString moved = m_dir.filePath(QStringLiteral("moved.xml"));
        writeFile(moved + QStringLiteral(".old"), "<config><a>kept</a></config>");
        writeFile(moved + QStringLiteral(".new"), "<config><a>half");
        SettingsHandle recovered(moved);
        QCOMPARE(recovered.value(QStringLiteral("config/a")), QStringLiteral("kept"));
        QVERIFY(QFile::exists(moved));
        SettingsImplManager::instance()->removeTag(moved);
    }

    void observersRunLaterFromTheEventLoop()
    {
        SettingsImplManager *manager = SettingsImplManager::instance();
        const QString path = m_dir.filePath(QStringLiteral("observed.xml"));
        Observer layers, other, needsValue;
        auto *gone = new Observer;
        manager->addObserver(QStringLiteral("config/lay"), &layers, QStringLiteral("onChanged"));
        manager->addObserver(QStringLiteral("config/other"), &other, QStringLiteral("onChanged"));
        manager->addObserver(QStringLiteral("config"), gone, QStringLiteral("onChanged"));
        manager->addObserver(QStringLiteral("config"), &needsValue, QStringLiteral("onNeedsValue"));
        delete gone;

        SettingsHandle handle(path);
        handle.setValue(QStringLiteral("config/layers/layersnum"), QStringLiteral("1"));
        m_log.mark();
        QVERIFY(handle.save());
        QCOMPARE(layers.calls, 0); // never from inside the save
        QTRY_COMPARE(layers.calls, 1);
        QCoreApplication::processEvents();
        QCOMPARE(layers.calls, 1);
        QCOMPARE(other.calls, 0);
        QVERIFY(manager->pendingChanges().isEmpty());
        QVERIFY(m_log.since().contains(
            QStringLiteral("SettingsImplManager::_invoke No enough parameters for")));
        manager->removeObserver(&layers);
        manager->removeObserver(&other);
        manager->removeObserver(&needsValue);
        SettingsImplManager::instance()->removeTag(path);
    }

    void storedValues()
    {
        QCOMPARE(StoredValue::fromReal(746.0), QStringLiteral("746"));
        QCOMPARE(StoredValue::fromReal(double(0.05f)), QStringLiteral("0.05"));
        QCOMPARE(StoredValue::fromReal(double(0.8f)), QStringLiteral("0.8"));
        QCOMPARE(StoredValue::fromReal(1234567.0), QStringLiteral("1.23457e+06"));
        QCOMPARE(StoredValue::fromPoint(QPointF(-12.7, 30.9)), QStringLiteral("-12,30"));
        QCOMPARE(StoredValue::toPoint(QStringLiteral("-12,30")), QPoint(0, 30));
        QCOMPARE(StoredValue::toPoint(QStringLiteral("5")), QPoint(5, 0));
        QCOMPARE(StoredValue::toSize(QStringLiteral("x,4294967295")), QSize(0, 0));
        QCOMPARE(StoredValue::toColor(QStringLiteral("300,2")), QColor(255, 2, 0));
        QCOMPARE(StoredValue::fromText(QStringLiteral("a\nb")), QStringLiteral("a[n]b"));
        QCOMPARE(StoredValue::toText(QStringLiteral("a[n]b[n]")), QStringLiteral("a\nb\n"));
    }

private:
    QTemporaryDir m_dir;
    LogCapture m_log;
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
