// The text editor, driven by typing, pasting, clicks and the host's filter-word answers,
// against a stand-in text layer in a 300 x 200 scene.

#include "EditorTestSupport.h"

#include "FontColorSelector.h"
#include "FontColorWindow.h"
#include "TextEditWindow.h"
#include "TextLayerData.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UITextEditControl.h>

#include <QClipboard>
#include <QColorDialog>
#include <QMap>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>

using namespace EditorTest;

Q_DECLARE_METATYPE(BasicLayerData *)

namespace {

const QRectF Scene(0, 0, 300, 200);

struct Fixture
{
    Fixture(const QString &text, const QPointF &at, int pointSize = 16)
    {
        host.layers.insert(&layer);
        record.layer = &layer;
        record.font = QFont(QStringLiteral("微软雅黑"), pointSize);
        record.color = QColor(255, 0, 0);
        record.text = text;
        const QSize size = layer.textSizeInScene(record.font, text);
        record.geometry = QRectF(at, QSizeF(size.width() + 10, size.height() + 5));
        record.textRect = Scene;
        editor = TextEditWindow::create(&host, nullptr);
        confirmed =
            std::make_unique<QSignalSpy>(editor.data(), SIGNAL(confirmed(BasicLayerData *)));
        discarded =
            std::make_unique<QSignalSpy>(editor.data(), SIGNAL(discarded(BasicLayerData *)));
        editor->setLayerData(&record);
        showAndWait(editor);
        box = child<UITextEditControl>(editor, "textedite");
        error = child<UILabelControl>(editor, "errorLabel");
    }
    ~Fixture() { delete editor; }

    // The message line as the user sees it: empty while hidden.
    QString message() const { return error->isVisible() ? error->text() : QString(); }
    void type(const QString &keys)
    {
        click(box);
        QTextCursor cursor = box->textCursor();
        cursor.movePosition(QTextCursor::End);
        box->setTextCursor(cursor);
        QTest::keyClicks(editor->viewport(), keys);
    }
    void paste(const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        click(box);
        QTest::keyClick(editor->viewport(), Qt::Key_V, Qt::ControlModifier);
    }
    // Right edge of the text in the scene, as the layer measures it.
    int rightEdge() const
    {
        const QFont font = layer.texts.isEmpty() ? record.font : layer.texts.last().first.font();
        return int(record.geometry.x() + layer.textSizeInScene(font, record.text).width() + 10);
    }

    FakeController host;
    SceneSizes sizes;
    StandInLayer layer{&sizes};
    TextLayerData record;
    QPointer<TextEditWindow> editor;
    std::unique_ptr<QSignalSpy> confirmed;
    std::unique_ptr<QSignalSpy> discarded;
    UITextEditControl *box = nullptr;
    UILabelControl *error = nullptr;
};

} // namespace

class TestTextEditWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<BasicLayerData *>(); }

    void opensOnTheLayersTextAndFont();
    void everyFamilyHasItsOwnFace();
    void typingAndPastingReachTheLayer();
    void textIsKeptInsideTheScene();
    void fontChangesThatWouldLeaveTheSceneAreUndone();
    void colourPicks();
    void filterWordAnswers();
};

void TestTextEditWindow::opensOnTheLayersTextAndFont()
{
    QFont bold(QStringLiteral("楷体"), 24);
    bold.setBold(true);
    bold.setStrikeOut(true);
    Fixture f(QStringLiteral("你好"), QPointF(10, 10));
    f.record.font = bold;
    f.record.text = QStringLiteral("line one\nline two");
    TextEditWindow *editor = TextEditWindow::create(&f.host, nullptr);
    editor->setLayerData(&f.record);
    QCOMPARE(editor->titleText(), QStringLiteral("textedit"));
    auto *families = child<UIComboBoxControl>(editor, "fontNamesCombobox");
    auto *sizes = child<UIComboBoxControl>(editor, "fontHeightCombobox");
    QVERIFY(families->items().contains(QStringLiteral("微软雅黑")));
    QCOMPARE(families->currentText(), QStringLiteral("楷体"));
    QCOMPARE(sizes->items(),
             QStringList({"8", "10", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36"}));
    QCOMPARE(sizes->currentText(), QStringLiteral("24"));
    QVERIFY(child<UIButtonControl>(editor, "buttonFontBold")->checked());
    QVERIFY(!child<UIButtonControl>(editor, "buttonFontItalic")->checked());
    QCOMPARE(child<UITextEditControl>(editor, "textedite")->text(), f.record.text);
    QVERIFY(!child<UILabelControl>(editor, "errorLabel")->isVisible());
    // Filling the window sends nothing to the layer; the first change does, without strike-out.
    const int before = int(f.layer.texts.size());
    QCOMPARE(before, 0);
    child<UIButtonControl>(editor, "buttonFontItalic")->click();
    QCOMPARE(f.layer.texts.size(), 1);
    QVERIFY(f.layer.texts.last().first.font().italic());
    QVERIFY(!f.layer.texts.last().first.font().strikeOut());
    QCOMPARE(f.layer.texts.last().second, f.record.text);
    delete editor;

    // A family or size the lists do not offer leaves the boxes empty.
    f.record.font = QFont(QStringLiteral("DejaVu Sans"), 13);
    editor = TextEditWindow::create(&f.host, nullptr);
    editor->setLayerData(&f.record);
    QCOMPARE(child<UIComboBoxControl>(editor, "fontNamesCombobox")->currentIndex(), -1);
    QCOMPARE(child<UIComboBoxControl>(editor, "fontHeightCombobox")->currentIndex(), -1);
    delete editor;
}

void TestTextEditWindow::everyFamilyHasItsOwnFace()
{
    // The five names the editor offers and stores: each one draws Chinese in a face of its own
    // (the font aliases of resources/fonts pick one installed face per name).
    Fixture f(QStringLiteral("abc"), QPointF(10, 10));
    const QStringList families = child<UIComboBoxControl>(f.editor, "fontNamesCombobox")->items();
    QCOMPARE(families.size(), 5);
    QList<QImage> samples;
    for (const QString &family : families) {
        QImage sample(240, 60, QImage::Format_RGB32);
        sample.fill(Qt::white);
        QPainter painter(&sample);
        QFont font(family);
        font.setPixelSize(40);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(sample.rect(), Qt::AlignCenter, QStringLiteral("直播永远"));
        painter.end();
        for (int other = 0; other < samples.size(); ++other) {
            int differing = 0;
            for (int y = 0; y < sample.height(); ++y) {
                for (int x = 0; x < sample.width(); ++x)
                    differing += sample.pixel(x, y) != samples.at(other).pixel(x, y) ? 1 : 0;
            }
            QVERIFY2(
                differing > 400,
                qPrintable(QStringLiteral("%1 and %2 draw alike").arg(family, families.at(other))));
        }
        samples.append(sample);
    }
}

void TestTextEditWindow::typingAndPastingReachTheLayer()
{
    Fixture f(QStringLiteral("ab"), QPointF(0, 0), 8);
    f.type(QStringLiteral("cd"));
    QCOMPARE(f.layer.texts.size(), 2);
    QCOMPARE(f.layer.texts.last().second, QStringLiteral("abcd"));
    QCOMPARE(f.record.text, QStringLiteral("abcd"));

    // What is typed or pasted beyond 30 characters is dropped.
    f.paste(QString(10000, QLatin1Char('x')));
    QCOMPARE(f.box->text().size(), TextEditWindow::TypedTextLength);
    QCOMPARE(f.record.text, f.box->text());
    QCOMPARE(f.layer.texts.last().second, f.record.text);

    // Control characters never reach the layer; line feeds and direction marks do.
    f.box->setText(QString());
    f.paste(QStringLiteral("a\x01"
                           "b\tc\nd\u200Fe\u202E\u0000f"));
    const QString expected = QStringLiteral("abc\nd\u200Fe\u202Ef");
    QCOMPARE(f.box->text(), expected);
    QCOMPARE(f.record.text, expected);
    QCOMPARE(f.layer.texts.last().second, expected);
    for (const auto &[config, text] : std::as_const(f.layer.texts)) {
        for (const QChar c : text)
            QVERIFY(c == QLatin1Char('\n') || c.category() != QChar::Other_Control);
    }
    QCOMPARE(f.message(), QString());
}

void TestTextEditWindow::textIsKeptInsideTheScene()
{
    // The text starts near the right edge: as it grows the layer moves left.
    Fixture f(QStringLiteral("W"), QPointF(240, 150), 28);
    f.type(QStringLiteral("WW"));
    QVERIFY(!f.layer.geometries.isEmpty());
    QVERIFY(f.layer.geometries.last().x() < 240);
    QCOMPARE(f.layer.geometries.last(), f.record.geometry);
    QVERIFY(f.rightEdge() <= Scene.width());
    QCOMPARE(f.message(), QString());
    QCOMPARE(f.record.text, QStringLiteral("WWW"));

    // Once the left edge would pass the scene's, further characters are refused.
    f.type(QStringLiteral("WWWWWWWWWWWWWWWW"));
    QCOMPARE(f.message(), QStringLiteral("out of range can't input. "));
    const QString kept = f.record.text;
    QVERIFY(kept.size() > 3 && kept.size() < 19);
    QCOMPARE(f.box->text(), kept);
    QCOMPARE(f.layer.texts.last().second, kept);
    QVERIFY(f.record.geometry.x() >= 0);
    QVERIFY(f.rightEdge() <= Scene.width());
    // The message stays until the user's next change.
    QTest::keyClick(f.editor->viewport(), Qt::Key_Backspace);
    QCOMPARE(f.message(), QString());
    QCOMPARE(f.record.text, kept.chopped(1));

    // Too low: the layer moves up as lines are added.
    Fixture low(QStringLiteral("a"), QPointF(10, 170), 16);
    low.type(QString());
    QTest::keyClick(low.editor->viewport(), Qt::Key_Return);
    QVERIFY(low.record.geometry.y() < 170);
    QCOMPARE(low.record.geometry.bottom(), low.record.geometry.y() + low.record.geometry.height());
    QVERIFY(low.record.geometry.bottom() <= Scene.height());
}

void TestTextEditWindow::fontChangesThatWouldLeaveTheSceneAreUndone()
{
    // A wide text at the left edge: it cannot grow by moving left.
    Fixture f(QStringLiteral("WWWWWWWWW"), QPointF(0, 0), 28);
    while (f.rightEdge() + 12 < Scene.width() && f.message().isEmpty())
        f.type(QStringLiteral("W"));
    const int changes = int(f.layer.texts.size());
    auto *bold = child<UIButtonControl>(f.editor, "buttonFontBold");
    click(bold);
    QVERIFY(!bold->checked());
    QCOMPARE(f.message(), QStringLiteral("out of range can't change font."));
    QCOMPARE(f.layer.texts.size(), changes);

    auto *sizes = child<UIComboBoxControl>(f.editor, "fontHeightCombobox");
    QCOMPARE(sizes->currentText(), QStringLiteral("28"));
    choose(sizes, 11); // 36
    QCOMPARE(sizes->currentText(), QStringLiteral("28"));
    QCOMPARE(f.layer.texts.size(), changes);
    choose(sizes, 5); // 18
    QCOMPARE(f.message(), QString());
    QCOMPARE(f.layer.texts.size(), changes + 1);
    QCOMPARE(f.layer.texts.last().first.font().pointSize(), 18);
    // Now bold fits.
    click(bold);
    QVERIFY(bold->checked());
    QVERIFY(f.layer.texts.last().first.font().bold());
    QCOMPARE(f.layer.texts.last().first.font().family(), QStringLiteral("微软雅黑"));

    auto *families = child<UIComboBoxControl>(f.editor, "fontNamesCombobox");
    const int kai = int(families->items().indexOf(QStringLiteral("楷体")));
    if (kai >= 0) {
        choose(families, kai);
        QCOMPARE(f.layer.texts.last().first.font().family(), QStringLiteral("楷体"));
    }
}

void TestTextEditWindow::colourPicks()
{
    Fixture f(QStringLiteral("abc"), QPointF(10, 10));
    auto *button = child<UIButtonControl>(f.editor, "buttonFontColor");
    FontColorWindow *popup = nullptr;
    FontColorSelector *grid = nullptr;
    // Opens the picker and waits until it is laid out, as it is by the time a user can click.
    const auto openPicker = [&] {
        click(button);
        QVERIFY(button->checked());
        QTRY_VERIFY(f.editor->findChildren<FontColorWindow *>().size() == 1);
        popup = f.editor->findChild<FontColorWindow *>();
        QVERIFY(popup->isVisible());
        grid = child<FontColorSelector>(popup, "colorWidget");
        QTRY_COMPARE(grid->size(), QSizeF(137, 101));
        QTRY_VERIFY(child<UIButtonControl>(popup, "moreColorsButton")->y() >=
                    grid->size().height());
    };
    openPicker();
    click(grid, grid->cellRect(0, 0).center());
    QVERIFY(!popup->isVisible());
    QVERIFY(!button->checked());
    QCOMPARE(f.layer.texts.size(), 1);
    QCOMPARE(f.layer.texts.last().first.color(), QColor(0, 0, 0));
    QCOMPARE(f.layer.texts.last().second, QStringLiteral("abc"));

    // The colour already in use changes nothing.
    openPicker();
    click(grid, grid->cellRect(0, 0).center());
    QCOMPARE(f.layer.texts.size(), 1);

    // The lightest swatch previews on a backdrop it reads on.
    openPicker();
    hover(grid, grid->cellRect(5, 4).center());
    auto *sample = child<UILabelControl>(popup, "prevWidget");
    QCOMPARE(sample->textColor(), QColor(0xc0, 0xc0, 0xc0));
    const QImage shown =
        popup->grab(popup->mapFromScene(sample->sceneBoundingRect()).boundingRect()).toImage();
    QMap<QRgb, int> counts;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            ++counts[shown.pixel(x, y)];
    }
    const QRgb backdrop = std::max_element(counts.cbegin(), counts.cend()).key();
    QVERIFY2(std::abs(qGray(backdrop) - 0xc0) > 100, "light grey text on a backdrop it reads on");

    // More colors: Qt's colour dialog reaches white.
    click(child<UIButtonControl>(popup, "moreColorsButton"));
    QVERIFY(!popup->isVisible());
    QColorDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = f.editor->findChild<QColorDialog *>()) && dialog->isVisible());
    dialog->setCurrentColor(Qt::white);
    dialog->accept();
    QCOMPARE(f.layer.texts.last().first.color(), QColor(Qt::white));
    QVERIFY(!button->checked());

    // A second click on the button closes an open picker.
    openPicker();
    click(button);
    QVERIFY(!popup->isVisible());
    QVERIFY(!button->checked());
}

void TestTextEditWindow::filterWordAnswers()
{
    Fixture f(QStringLiteral("hello"), QPointF(10, 10));
    auto *ok = child<UIButtonControl>(f.editor, "okButton");
    const QString waiting = QStringLiteral("checking the text...");
    const QString changed =
        QStringLiteral("the text changed while it was checked: press ok again.");

    // The window says that it waits, and keeps saying so while the user goes on typing.
    click(ok);
    QCOMPARE(f.host.checks.size(), 1);
    QCOMPARE(f.host.checks.last().second, QStringLiteral("hello"));
    QCOMPARE(f.message(), waiting);
    f.type(QStringLiteral("!"));
    QCOMPARE(f.message(), waiting);
    QCOMPARE(f.layer.texts.last().second, QStringLiteral("hello!"));

    // The answer is about "hello": it neither confirms "hello!" nor vanishes without a word.
    f.host.answer(true);
    QCOMPARE(f.confirmed->count(), 0);
    QCOMPARE(f.message(), changed);
    QVERIFY(f.editor->isVisible());

    // Another request's answer (the stored-text check's, say) is not ours; a refusal is said.
    click(ok);
    QCOMPARE(f.host.checks.size(), 2);
    QVERIFY(f.host.checks.at(0).first != f.host.checks.at(1).first);
    QCOMPARE(f.host.checks.last().second, QStringLiteral("hello!"));
    f.host.answer("{00000000-0000-0000-0000-000000000000}", true);
    QCOMPARE(f.confirmed->count(), 0);
    QCOMPARE(f.message(), waiting);
    f.host.answer(false);
    QCOMPARE(f.message(), QStringLiteral("content is not valid."));
    QVERIFY(f.editor->isVisible());

    // An empty text is never confirmed.
    f.box->setText(QString());
    click(ok);
    QCOMPARE(f.host.checks.last().second, QString());
    f.host.answer(true);
    QCOMPARE(f.message(), QStringLiteral("content is not valid."));
    QCOMPARE(f.confirmed->count(), 0);

    // No answer within two seconds: said so, and the answer that comes later still confirms.
    f.type(QStringLiteral("fine"));
    click(ok);
    QTRY_COMPARE_WITH_TIMEOUT(f.message(), QStringLiteral("can not check word is valid."), 3000);
    QCOMPARE(f.confirmed->count(), 0);
    f.host.answer(true);
    QCOMPARE(f.confirmed->count(), 1);
    QCOMPARE(f.confirmed->at(0).at(0).value<BasicLayerData *>(), &f.record);
    QCOMPARE(f.record.text, QStringLiteral("fine"));
    QTRY_VERIFY(!f.editor);
    QCOMPARE(f.discarded->count(), 0);
}

QTEST_MAIN(TestTextEditWindow)
#include "tst_texteditwindow.moc"
