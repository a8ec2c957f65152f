#include "LogCapture.h"
#include "TestFiles.h"

#include <appcommon/BaseThemeWindow.h>
#include <guifoundation/TypeElement.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UIRegistration.h>
#include <guifoundation/UITypeRegistry.h>
#include <guifoundation/XmlUIBuilder.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

namespace {

// A window class as the editors write them: setup finds controls and connects one of the
// slots the builder would connect by name as well.
class SampleWindow : public BaseThemeWindow
{
    Q_OBJECT
public:
    using BaseThemeWindow::BaseThemeWindow;

    int setups = 0;
    int okClicks = 0;
    int cancelClicks = 0;
    UIButtonControl *okButton = nullptr;

public Q_SLOTS:
    void on_okButton_clicked() { ++okClicks; }
    void on_cancelButton_clicked() { ++cancelClicks; }
    void on_aboutToClose() {}          // no control of that name: left alone
    void on_missingButton_clicked() {} // likewise

protected:
    void setupUi() override
    {
        ++setups;
        okButton = findChild<UIButtonControl *>(QStringLiteral("okButton"));
        if (okButton)
            connect(okButton, SIGNAL(clicked()), this, SLOT(on_okButton_clicked()));
    }
};
UI_REGISTER_WINDOW(SampleWindow);

// A control with a property of its own, set from an attribute.
class Swatch : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(QSizeF blockSize MEMBER blockSize)
public:
    using UIControl::UIControl;
    QSizeF blockSize;
};
UI_REGISTER_CONTROL(Swatch);

// Translates every text into upper case, and records the contexts asked for.
class UpperTranslator : public QTranslator
{
public:
    QStringList contexts;
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const_cast<UpperTranslator *>(this)->contexts << QString::fromUtf8(context);
        return QString::fromUtf8(source).toUpper();
    }
    bool isEmpty() const override { return false; }
};

const char *const SampleLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<SampleWindow objectName="sampleWindow" title="camera setting" fixedSize="360,220"
              margins="18" spacing="12" background="250,250,250">
  <Row spacing="10">
    <UILabelControl objectName="cameraLabel" text="select camera" fixedSize="90,26"
                    textColor="153,153,153" align="right|vcenter" fontSize="12" bold="true"/>
    <Swatch objectName="swatch" blockSize="23, 12" fixedSize="30,26"/>
  </Row>
  <Spacer size="8"/>
  <Row align="center" spacing="20">
    <UIButtonControl objectName="cancelButton" text="cancel" fixedSize="125,32"/>
    <UIButtonControl objectName="okButton" text="ok" fixedSize="125,32" background="#ff7a23"/>
  </Row>
  <Stretch/>
</SampleWindow>
)";

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

class TestXmlUIBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registryCreatesRegisteredTypesByName()
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

    void buildsWindowFromLayout();
    void reportsBrokenLayouts_data();
    void reportsBrokenLayouts();
    void survivesMangledLayouts();

private:
    QTemporaryDir m_dir;
};

void TestXmlUIBuilder::buildsWindowFromLayout()
{
    UpperTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const LogCapture log;
    const QString path = m_dir.filePath(QStringLiteral("sample.xml"));
    writeFile(path, SampleLayout);
    QWidget owner;
    auto *window = qobject_cast<SampleWindow *>(XmlUIBuilder::createFromFile(path, &owner));
    QCoreApplication::removeTranslator(&translator);
    QVERIFY(window);
    QCOMPARE(LogCapture::lines(), QStringList());
    QCOMPARE(window->parentWidget(), &owner);
    QCOMPARE(window->objectName(), QStringLiteral("sampleWindow"));
    QCOMPARE(window->size(), QSize(360, 220));
    QCOMPARE(window->backgroundColor(), QColor(250, 250, 250));
    QCOMPARE(window->setups, 1);
    QVERIFY(window->okButton);

    // Texts are translated in the context of the window element's class.
    QCOMPARE(window->titleText(), QStringLiteral("CAMERA SETTING"));
    QVERIFY(translator.contexts.contains(QStringLiteral("SampleWindow")));
    auto *label = window->findChild<UILabelControl *>(QStringLiteral("cameraLabel"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("SELECT CAMERA"));
    QCOMPARE(label->textColor(), QColor(153, 153, 153));
    QCOMPARE(label->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(label->font().pointSizeF(), 12.0);
    QVERIFY(label->font().bold());
    QCOMPARE(window->findChild<Swatch *>()->blockSize, QSizeF(23, 12));
    QCOMPARE(window->findChild<UIButtonControl *>(QStringLiteral("okButton"))->backgroundColor(),
             QColor(255, 122, 35));

    // Laid out: margins 18 under the title bar, the buttons centred in their row.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRectF labelRect = label->mapRectToScene(label->rect());
    QCOMPARE(labelRect.topLeft(), QPointF(18, window->titleHeight() + 18));
    UIButtonControl *cancel = window->findChild<UIButtonControl *>(QStringLiteral("cancelButton"));
    const QRectF cancelRect = cancel->mapRectToScene(cancel->rect());
    const QRectF okRect = window->okButton->mapRectToScene(window->okButton->rect());
    QCOMPARE(cancelRect.left() + (okRect.right() - 360), 0.0);
    QCOMPARE(okRect.left() - cancelRect.right(), 20.0);

    // Slots named after controls are connected once, also where setup connected them.
    QTest::mouseClick(window->viewport(), Qt::LeftButton, {}, okRect.center().toPoint());
    QTest::mouseClick(window->viewport(), Qt::LeftButton, {}, cancelRect.center().toPoint());
    QCOMPARE(window->okClicks, 1);
    QCOMPARE(window->cancelClicks, 1);
    delete window;
}

void TestXmlUIBuilder::reportsBrokenLayouts_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("builds");

    const QByteArray head = "<SampleWindow objectName=\"w\">\n";
    QTest::newRow("unknown element") << head + "<Gadget objectName=\"g\"/>\n<UIButtonControl "
                                               "objectName=\"okButton\"/></SampleWindow>"
                                     << ":2: unknown element <Gadget>" << true;
    QTest::newRow("missing image") << head + "<UIButtonControl objectName=\"okButton\" "
                                             "imagePath=\":/theme/none.png\"/></SampleWindow>"
                                   << ":2: missing image :/theme/none.png" << true;
    QTest::newRow("malformed size")
        << head + "<UIButtonControl objectName=\"okButton\" fixedSize=\"wide\"/></SampleWindow>"
        << ":2: malformed attribute fixedSize=\"wide\"" << true;
    QTest::newRow("malformed colour") << head + "<Row background=\"300,0,0\"><UIButtonControl "
                                                "objectName=\"okButton\"/></Row></SampleWindow>"
                                      << ":2: malformed attribute background=\"300,0,0\"" << true;
    QTest::newRow("unknown attribute")
        << head + "<UIButtonControl objectName=\"okButton\" colour=\"red\"/></SampleWindow>"
        << ":2: unknown attribute colour on <UIButtonControl>" << true;
    QTest::newRow("broken XML")
        << head + "<UIButtonControl objectName=\"okButton\"/>\n<Row></SampleWindow>"
        << ":3: broken XML" << true;
    QTest::newRow("unregistered root")
        << QByteArray("<NoSuchWindow/>")
        << ":1: the root element <NoSuchWindow> is not a registered window class" << false;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe<<>>\x01", 9) << "broken XML" << false;
    QTest::newRow("empty") << QByteArray() << "no root element" << false;
    QByteArray deep = head;
    for (int i = 0; i < 5000; ++i)
        deep += "<Row>";
    QTest::newRow("deep nesting") << deep + "</SampleWindow>"
                                  << "nested deeper than" << true;
    QByteArray many = head;
    for (int i = 0; i < 20000; ++i)
        many += "<Spacer size=\"1\"/>";
    QTest::newRow("too many elements") << many + "</SampleWindow>"
                                       << "the rest is ignored" << true;
    QTest::newRow("entity expansion")
        << QByteArray(
               "<!DOCTYPE w [<!ENTITY a \"aaaaaaaaaaaaaaaa\"><!ENTITY b "
               "\"&a;&a;&a;&a;&a;&a;&a;&a;\">"
               "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">"
               "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;\">]>"
               "<SampleWindow title=\"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"/>")
        << "broken XML" << false;
}

void TestXmlUIBuilder::reportsBrokenLayouts()
{
    QFETCH(QByteArray, layout);
    QFETCH(QString, report);
    QFETCH(bool, builds);
    const LogCapture log;
    const QString path = m_dir.filePath(QStringLiteral("broken.xml"));
    writeFile(path, layout);
    std::unique_ptr<UIBaseWindow> window(XmlUIBuilder::createFromFile(path));
    QCOMPARE(bool(window), builds);
    const QString joined = LogCapture::lines().join(QLatin1Char('\n'));
    QVERIFY2(joined.contains(path) && joined.contains(report), qPrintable(joined));
    // What is well-formed is still built and wired.
    if (auto *sample = qobject_cast<SampleWindow *>(window.get())) {
        QCOMPARE(sample->setups, 1);
        if (auto *ok = sample->findChild<UIButtonControl *>(QStringLiteral("okButton"))) {
            ok->click();
            QCOMPARE(sample->okClicks, 1);
        }
    }
}

void TestXmlUIBuilder::survivesMangledLayouts()
{
    // Cut, duplicated and overwritten pieces of a good layout: reported, never a crash.
    const LogCapture log;
    const QByteArray good(SampleLayout);
    QRandomGenerator random(8);
    for (int round = 0; round < 300; ++round) {
        QByteArray mangled = good;
        for (int edit = 0; edit < 4; ++edit) {
            const int at = random.bounded(int(mangled.size()));
            const int length = random.bounded(1, 24);
            switch (random.bounded(3)) {
            case 0:
                mangled.remove(at, length);
                break;
            case 1:
                mangled.insert(at, good.mid(random.bounded(int(good.size())), length));
                break;
            default:
                for (int i = at; i < std::min(int(mangled.size()), at + length); ++i)
                    mangled[i] = char(random.bounded(256));
            }
        }
        const QString path = m_dir.filePath(QStringLiteral("mangled.xml"));
        writeFile(path, mangled);
        delete XmlUIBuilder::createFromFile(path);
    }
    QVERIFY(!LogCapture::lines().isEmpty());
}

QTEST_MAIN(TestXmlUIBuilder)
#include "tst_xmluibuilder.moc"
