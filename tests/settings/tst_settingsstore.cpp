#include "DefaultStackFile.h"
#include "LayerConfigKeys.h"
#include "LogCapture.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "SettingsImplManager.h"
#include "StoredValue.h"

#include <appcommon/pubfunc.h>

#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class Observer : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
    int value = 0;
public Q_SLOTS:
    void onChanged() { ++calls; }
    void onNeedsValue(int v) { value = v; }
    int twice(int v) { return 2 * v; }
};

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void tags_data();
    void tags();
    void savesTheDefaultStackByteForByte();
    void saveLeavesOnlyTheFile();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void storeWithoutFileNameWritesNothing();
    void unchangedValuesKeepTheStoreClean();
    void removeFileDropsUnsavedChanges();
    void unusableFileIsSetAsideAndReplaced();
    void interruptedMoveAsideIsRecovered();
    void noteChange_data();
    void noteChange();
    void observersRunLaterFromTheEventLoop();
    void invokeChecksArguments();
    void storedValues();

private:
    QString _path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    LogCapture m_log;
};

void tst_SettingsStore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
}

void tst_SettingsStore::tags_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("preview") << "preview"
                             << QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    QTest::newRow("absolute") << "/tmp/x.xml"
                              << "/tmp/x.xml";
    QTest::newRow("capital P") << "Preview" << QString();
    QTest::newRow("relative") << "x.xml" << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_SettingsStore::tags()
{
    QFETCH(QString, tag);
    QFETCH(QString, fileName);
    m_log.mark();
    QCOMPARE(SettingsImplManager::getFilenameForTag(tag), fileName);
    if (fileName.isEmpty())
        QVERIFY(m_log.since().contains(
            QStringLiteral("getFilenameForTag %1 is not an valid tag name.").arg(tag)));
}

void tst_SettingsStore::savesTheDefaultStackByteForByte()
{
    // One game-video layer filling a 700 x 420 scene, written key by key as a layout save
    // does, into a store that starts empty.
    using namespace LayerConfigKeys;
    const QString path = _path(QStringLiteral("nested/dir/previewsetting.xml"));
    SettingsHandle handle(path);
    handle.setValue(parentWidth(), StoredValue::fromReal(700.0));
    handle.setValue(parentHeight(), StoredValue::fromReal(420.0));
    const QString prefix = layerPrefix(0);
    handle.setValue(layerKey(prefix, "type"), StoredValue::fromInt(4));
    handle.setValue(layerKey(prefix, "alpha"), StoredValue::fromInt(100));
    handle.setValue(layerKey(prefix, "pos"), StoredValue::fromPoint(QPointF(0.0, 0.0)));
    handle.setValue(layerKey(prefix, "size"), StoredValue::fromSize(QSizeF(700.9, 420.0)));
    handle.setValue(layerKey(prefix, "combine"), StoredValue::fromBool(true));
    handle.setValue(layerKey(prefix, "name"), QString());
    handle.setValue(layersNum(), StoredValue::fromInt(1));
    QVERIFY(handle.save());

    QCOMPARE(readAll(path), DefaultStackFile);
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::saveLeavesOnlyTheFile()
{
    const QString dir = _path(QStringLiteral("clean"));
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
    CXmlDocument reread;
    QVERIFY(reread.loadFile(path));
    QCOMPARE(reread.getValue(QStringLiteral("config/a")), QStringLiteral("2"));
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("blocker");
    // Made as root, the tests cannot rely on permissions; a directory in the way of ".new",
    // or a file in the way of the directory, fails for everyone.
    QTest::newRow(".new is a directory") << ".new";
    QTest::newRow("directory is a file") << "/sub";
}

void tst_SettingsStore::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, blocker);
    const QString dir = _path(QStringLiteral("fail-%1")
                                  .arg(QTest::currentDataTag())
                                  .replace(QLatin1Char(' '), QLatin1Char('_')));
    QVERIFY(QDir().mkpath(dir));
    QString path = dir + QStringLiteral("/s.xml");
    if (blocker == QLatin1String(".new")) {
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

    if (blocker == QLatin1String(".new")) {
        // Once the way is clear the same changes go out.
        QVERIFY(QDir(path + blocker).removeRecursively());
        QVERIFY(handle.save());
        CXmlDocument reread;
        QVERIFY(reread.loadFile(path));
        QCOMPARE(reread.getValue(QStringLiteral("config/a")), QStringLiteral("new"));
    }
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::storeWithoutFileNameWritesNothing()
{
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(_path(QString())));
    const QStringList before = QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    SettingsHandle handle(QStringLiteral("Preview"));
    QVERIFY(handle.isValid());
    handle.setValue(QStringLiteral("config/a"), QStringLiteral("1"));
    QCOMPARE(handle.value(QStringLiteral("config/a")), QStringLiteral("1"));
    QVERIFY(!handle.save());
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QDir::setCurrent(cwd);
}

void tst_SettingsStore::unchangedValuesKeepTheStoreClean()
{
    const QString path = _path(QStringLiteral("unchanged.xml"));
    writeFile(path, "<config><a>1</a><empty/></config>");
    SettingsHandle handle(path);
    QSignalSpy dispatched(SettingsImplManager::instance(),
                          &SettingsImplManager::asyncEmitTagChanged);
    handle.setValue(QStringLiteral("config/a"), QStringLiteral("1"));
    handle.setValue(QStringLiteral("config/b"), QString());
    handle.setValue(QStringLiteral("config/empty"), QString());
    QVERIFY(!handle.impl()->isDirty());
    QCOMPARE(handle.value(QStringLiteral("config/empty"), QStringLiteral("dflt")),
             QStringLiteral("dflt"));
    QFile::remove(path);
    QVERIFY(handle.save());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(dispatched.count(), 0);
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::removeFileDropsUnsavedChanges()
{
    const QString path = _path(QStringLiteral("removed.xml"));
    writeFile(path, "<config><a>1</a></config>");
    SettingsHandle handle(path);
    handle.setValue(QStringLiteral("config/a"), QStringLiteral("2"));
    handle.removeFile();
    QVERIFY(!handle.isValid());
    QVERIFY(!QFile::exists(path));
    QVERIFY(handle.save());
    QCOMPARE(handle.value(QStringLiteral("config/a"), QStringLiteral("d")), QStringLiteral("d"));
    SettingsHandle fresh(path);
    QVERIFY(fresh.impl()->document().isEmpty());
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::unusableFileIsSetAsideAndReplaced()
{
    const QString path = _path(QStringLiteral("broken.xml"));
    const QByteArray broken("<config><layers><layersnum>2</layers>");
    writeFile(path, broken);
    SettingsHandle handle(path);
    QVERIFY(handle.impl()->document().isEmpty());
    QCOMPARE(readAll(path + QStringLiteral(".unreadable")), broken);
    handle.setValue(QStringLiteral("config/a"), QStringLiteral("1"));
    QVERIFY(handle.save());
    QCOMPARE(readAll(path + QStringLiteral(".unreadable")), broken);
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::interruptedMoveAsideIsRecovered()
{
    const QString path = _path(QStringLiteral("moved.xml"));
    writeFile(path + QStringLiteral(".old"), "<config><a>kept</a></config>");
    writeFile(path + QStringLiteral(".new"), "<config><a>half");
    SettingsHandle handle(path);
    QCOMPARE(handle.value(QStringLiteral("config/a")), QStringLiteral("kept"));
    QVERIFY(QFile::exists(path));
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::noteChange_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("pending");
    QTest::newRow("layer key") << "config/layers/layer0/pos" << QStringList{"config/layers"};
    QTest::newRow("count") << "config/layers/layersnum" << QStringList{"config/layers"};
    QTest::newRow("two levels") << "config/x" << QStringList();
    QTest::newRow("one level") << "config" << QStringList();
}

void tst_SettingsStore::noteChange()
{
    QFETCH(QString, key);
    QFETCH(QStringList, pending);
    SettingsImplManager *manager = SettingsImplManager::instance();
    QCoreApplication::processEvents(); // empties what earlier tests left pending
    Q_EMIT manager->asyncEmitTagChanged();
    QCoreApplication::processEvents();
    manager->noteChange(key);
    QCOMPARE(manager->pendingChanges(), pending);
}

void tst_SettingsStore::observersRunLaterFromTheEventLoop()
{
    SettingsImplManager *manager = SettingsImplManager::instance();
    const QString path = _path(QStringLiteral("observed.xml"));
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
    manager->removeObserver(&needsValue);
    handle.setValue(QStringLiteral("config/layers/layersnum"), QStringLiteral("2"));
    QVERIFY(handle.save());
    QCoreApplication::processEvents();
    QCOMPARE(layers.calls, 1);
    SettingsImplManager::instance()->removeTag(path);
}

void tst_SettingsStore::invokeChecksArguments()
{
    SettingsImplManager *manager = SettingsImplManager::instance();
    Observer observer;
    const QMetaObject *meta = observer.metaObject();
    const QMetaMethod twice = meta->method(meta->indexOfMethod("twice(int)"));
    QCOMPARE(manager->_invoke(&observer, twice, {QStringLiteral("21")}).toInt(), 42);
    QVERIFY(!manager->_invoke(&observer, twice, {}).isValid());
    QVERIFY(!manager->_invoke(&observer, twice, {QStringLiteral("x")}).isValid());
    const QMetaMethod onNeedsValue = meta->method(meta->indexOfMethod("onNeedsValue(int)"));
    manager->_invoke(&observer, onNeedsValue, {7, 8});
    QCOMPARE(observer.value, 7);
}

void tst_SettingsStore::storedValues()
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
    QCOMPARE(StoredValue::fromColor(QColor(1, 2, 3)), QStringLiteral("1,2,3"));
    QCOMPARE(StoredValue::fromText(QStringLiteral("a\nb")), QStringLiteral("a[n]b"));
    QCOMPARE(StoredValue::toText(QStringLiteral("a[n]b[n]")), QStringLiteral("a\nb\n"));
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
