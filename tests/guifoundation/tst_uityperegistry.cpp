#include <guifoundation/TypeElement.h>
#include <guifoundation/UITypeRegistry.h>

#include <QTest>
#include <QTimer>

namespace {

class Panel : public QObject
{
    Q_OBJECT
public:
    explicit Panel(QObject *parent = nullptr)
        : QObject(parent)
    {}
};

class FancyPanel : public Panel
{
    Q_OBJECT
public:
    using Panel::Panel;
};

// Registered during static initialisation, as the engine's classes are.
const TypeElement<Panel, Panel> s_panel(
    "Panel", [](Panel *parent) { return new Panel(parent); }, UITypeRegistry::Window);
const TypeElement<Panel, Panel> s_fancy(
    "FancyPanel", [](Panel *parent) -> Panel * { return new FancyPanel(parent); },
    UITypeRegistry::Window);

} // namespace

class TestUITypeRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsRegisteredTypesByName()
    {
        QVERIFY(UITypeRegistry::isRegistered(UITypeRegistry::Window, "Panel"));
        QVERIFY(!UITypeRegistry::isRegistered(UITypeRegistry::Control, "Panel"));
        // Beside the library's own windows, sorted.
        const QStringList windows = UITypeRegistry::registeredNames(UITypeRegistry::Window);
        QVERIFY(windows.contains("UIWindow"));
        QVERIFY(windows.indexOf("FancyPanel") >= 0 &&
                windows.indexOf("FancyPanel") < windows.indexOf("Panel"));

        Panel root;
        // Two registrations of the same template keep their own factories.
        QObject *plain = UITypeRegistry::create(UITypeRegistry::Window, "Panel", &root);
        QObject *fancy = UITypeRegistry::create(UITypeRegistry::Window, "FancyPanel", &root);
        QVERIFY(plain && fancy);
        QCOMPARE(plain->metaObject()->className(), "Panel");
        QCOMPARE(fancy->metaObject()->className(), "FancyPanel");
        QCOMPARE(plain->parent(), &root);

        QVERIFY(!UITypeRegistry::create(UITypeRegistry::Window, "Unknown", &root));
        QVERIFY(!UITypeRegistry::create(UITypeRegistry::Control, "Panel", &root));
        // A parent of the wrong kind would lose the object: refused.
        QTimer wrongParent;
        QVERIFY(!UITypeRegistry::create(UITypeRegistry::Window, "Panel", &wrongParent));
        QVERIFY(!UITypeRegistry::registerType(UITypeRegistry::Control, QString(),
                                              [](QObject *) -> QObject * { return nullptr; }));
        QVERIFY(!UITypeRegistry::registerType(UITypeRegistry::Control, "Null", nullptr));
    }
};

QTEST_GUILESS_MAIN(TestUITypeRegistry)
#include "tst_uityperegistry.moc"
