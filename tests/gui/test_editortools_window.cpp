// The editor's tools in the running window: the symbol palette typing into the abstract, file
// links made and followed, links shown but never stored, the context menu, the dictionary
// hand-off and the Paste button following the clipboard.
#include "AppFixture.h"
#include "EditorAccess.h"

#include "editor/gui/TFormEdit.h"
#include "editor/gui/TListBoxForever.h"
#include "platform/KeySynthesizer.h"
#include "platform/Shell.h"
#include "rtf/RtfReader.h"
#include "store/Book.h"

#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

using quil::TextAttributes;

namespace {

// An abstract of one paragraph per line, in 14-point Times New Roman.
QString rtfOf(const QStringList &paragraphs)
{
    QString body;
    for (QString p : paragraphs)
        body += p.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}") + "\\par ";
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New "
           "Roman;}}\\f0\\fs28 " +
           body + "}";
}

// Starts with one entry holding the abstract and shows the editor; returns the library.
QString startEditor(AppFixture &app, const QString &resume)
{
    const QString path = app.makeLibrary("Tools.mdb", {{"Автор", "Заглавие", "2005"}});
    execOn(path, {"UPDATE Books SET Resume = '" + QString(resume).replace("'", "''") + "'"});
    app.start();
    app.pick(path);
    running().Form1->mmAbstractClick();
    QCoreApplication::processEvents(); // the links are marked once the text is shown
    return path;
}

QString familyAt(int position) { return charAt(position).fontFamilies().toStringList().value(0); }

int charsetAt(int position)
{
    select(position, position + 1);
    return editor()->SelAttributes().charset();
}

void click(QToolButton *button)
{
    QVERIFY2(button->isEnabled(), qPrintable(button->objectName() + " is disabled"));
    button->click();
}

void doubleClickSymbol(int index)
{
    TListBoxForever *list = running().FormEdit->lbSymbol;
    list->scrollToItem(list->item(index));
    // A double click is a click followed by the second press.
    const QPoint at = list->visualItemRect(list->item(index)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The middle of the character at a position, in the editor's viewport.
QPoint pointAt(int position)
{
    QTextCursor c(editor()->document());
    c.setPosition(position);
    const QRect before = editor()->cursorRect(c);
    c.setPosition(position + 1);
    const QRect after = editor()->cursorRect(c);
    return QPoint((before.left() + after.left()) / 2, before.center().y());
}

QStringList strokes(const QList<quil::KeyStroke> &keys)
{
    QStringList out;
    for (const quil::KeyStroke &k : keys)
        out << QString("%1/%2 %3").arg(k.virtualKey).arg(k.scanByte).arg(k.keyUp ? "up" : "down");
    return out;
}

} // namespace

class TestEditorToolsWindow : public QObject {
    Q_OBJECT
private slots:
    void paletteBehindAndInFront();
    void typeSymbol_data();
    void typeSymbol();
    void symbolIsOneUndoStep();
    void symbolsStoredInTheSymbolFont();
    void makeLink_data();
    void makeLink();
    void linksShownNotStored();
    void followLink_data();
    void followLink();
    void rightClickOpensTheMenu();
    void dictionaryHandOff_data();
    void dictionaryHandOff();
    void pasteFollowsTheClipboard_data();
    void pasteFollowsTheClipboard();
};

void TestEditorToolsWindow::paletteBehindAndInFront()
{
    AppFixture app;
    startEditor(app, rtfOf({"text"}));
    TListBoxForever *list = running().FormEdit->lbSymbol;
    const QPoint middle = list->geometry().center();
    const auto onTop = [&] {
        QWidget *w = running().FormEdit->PaEditor->childAt(middle);
        return w == list || list->isAncestorOf(w);
    };
    QCOMPARE(list->parentWidget(), running().FormEdit->PaEditor);
    QCOMPARE(list->Tag, 0);
    QVERIFY(!onTop());
    click(running().FormEdit->siSimbol);
    QCOMPARE(list->Tag, 1);
    QVERIFY(onTop());
    click(running().FormEdit->siSimbol);
    QCOMPARE(list->Tag, 0);
    QVERIFY(!onTop());
}

void TestEditorToolsWindow::typeSymbol_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("size"); // of what is typed at the caret, or of the selection's start

    // The abstract is "abc xyz" in 14 points with "x" in 20.
    QTest::newRow("<- types a left arrow") << 13 << 4 << 4 << u"abc ←xyz"_qs << 14;
    QTest::newRow("= types almost equal") << 22 << 4 << 4 << u"abc ≈xyz"_qs << 14;
    QTest::newRow("alpha at the end of a word") << 2 << 7 << 7 << u"abc xyzα"_qs << 14;
    QTest::newRow("space, the last item") << 24 << 4 << 4 << u"abc  xyz"_qs << 14;
    // The typed character would take the size of the last selected character, "z".
    QTest::newRow("replaces a selection") << 19 << 4 << 7 << u"abc ÷"_qs << 20;
    QTest::newRow("replaces a backward selection") << 8 << 7 << 4 << u"abc π"_qs << 20;
    QTest::newRow("right after a word") << 7 << 3 << 3 << u"abcμ xyz"_qs << 14;
}

void TestEditorToolsWindow::typeSymbol()
{
    QFETCH(int, item);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, expected);
    QFETCH(int, size);

    AppFixture app;
    startEditor(app, rtfOf({"abc xyz"}));
    select(4, 5);
    editor()->SelAttributes().setSize(20);
    const int start = std::min(from, to);
    select(from, to);
    click(running().FormEdit->siSimbol);
    doubleClickSymbol(item);

    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(editor()->Text(), expected);
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    QCOMPARE(editor()->SelStart(), start + 1);
    // The keyboard goes back to the editor: typing goes on in the abstract.
    QCOMPARE(QApplication::focusWidget(), editor());
    // Typed next: the default character set again, the remembered size, still the Symbol face.
    QCOMPARE(editor()->SelAttributes().charset(), int(TextAttributes::DefaultCharset));
    QTest::keyClicks(editor(), "k");
    QCOMPARE(editor()->Text(), QString(expected).insert(start + 1, "k"));
    QCOMPARE(charAt(start + 1).fontPointSize(), double(size));
    QCOMPARE(familyAt(start + 1), QStringLiteral("Symbol"));
    QCOMPARE(charsetAt(start + 1), int(TextAttributes::DefaultCharset));

    QCOMPARE(familyAt(start), QStringLiteral("Symbol"));
    QCOMPARE(charAt(start).fontPointSize(), double(size));
    QCOMPARE(charsetAt(start), int(TextAttributes::SymbolCharset));
    // The word at the caret keeps its face.
    QCOMPARE(familyAt(0), QStringLiteral("Times New Roman"));
}

void TestEditorToolsWindow::symbolIsOneUndoStep()
{
    AppFixture app;
    startEditor(app, rtfOf({"abc xyz"}));
    editor()->setSelStart(3);
    QTest::keyClicks(editor(), "q");
    select(5, 8);
    doubleClickSymbol(3);
    QCOMPARE(editor()->Text(), u"abcq β"_qs);
    click(running().FormEdit->UndoBtn);
    QCOMPARE(editor()->Text(), u"abcq xyz"_qs);
    QCOMPARE(familyAt(5), QStringLiteral("Times New Roman"));
    QCOMPARE(charAt(5).fontPointSize(), 14.0);
    click(running().FormEdit->UndoBtn);
    QCOMPARE(editor()->Text(), u"abc xyz"_qs);
}

void TestEditorToolsWindow::symbolsStoredInTheSymbolFont()
{
    AppFixture app;
    const QString path = startEditor(app, rtfOf({"Angle "}));
    editor()->setSelStart(6);
    doubleClickSymbol(13); // ←
    doubleClickSymbol(2);  // α
    click(running().FormEdit->SaveTableBtn);
    QCOMPARE(app.dialogs.errors(), QStringList());

    const QString stored = storedRows(path, "Resume").value(0);
    // A Symbol-font table entry and the arrow as the font's byte, as the old control wrote them.
    QVERIFY2(stored.contains("\\fcharset2 Symbol;"), qPrintable(stored));
    QVERIFY2(stored.contains("\\'ac"), qPrintable(stored));
    QTextDocument back;
    QVERIFY(quil::rtf::RtfReader::read(stored, &back));
    QCOMPARE(back.toPlainText(), u"Angle ←α"_qs);
    QTextCursor c(&back);
    c.setPosition(7);
    QCOMPARE(c.charFormat().fontFamilies().toStringList().value(0), QStringLiteral("Symbol"));
    c.setPosition(1);
    QCOMPARE(c.charFormat().fontFamilies().toStringList().value(0),
             QStringLiteral("Times New Roman"));
}

void TestEditorToolsWindow::makeLink_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<QString>("expected");

    // The abstract is "see Docs\Tables.doc now".
    QTest::newRow("selection becomes the path")
        << 4 << 19 << false << "see file:<Docs\\Tables.doc> now";
    QTest::newRow("nothing selected: empty path")
        << 4 << 4 << false << "see file:<>Docs\\Tables.doc now";
    QTest::newRow("from the context menu") << 4 << 19 << true << "see file:<Docs\\Tables.doc> now";
}

void TestEditorToolsWindow::makeLink()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, fromMenu);
    QFETCH(QString, expected);

    AppFixture app;
    startEditor(app, rtfOf({"see Docs\\Tables.doc now"}));
    select(0, 1);
    editor()->setLineSpacingRule(quil::DBRichEdit::LineSpacing::Double);
    select(from, to);
    if (fromMenu)
        trigger(running().FormEdit->FontLinkItem);
    else
        click(running().FormEdit->siLinkFont);

    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(editor()->Text(), expected);
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    const int end = int(expected.indexOf('>')) + 1;
    QCOMPARE(editor()->SelStart(), end);
    QCOMPARE(editor()->SelLength(), 0);
    for (int i = 4; i < end; ++i) {
        QVERIFY2(charAt(i).fontUnderline(), qPrintable(QString::number(i)));
        QCOMPARE(charAt(i).foreground().color(), QColor(0, 0, 255));
        QCOMPARE(familyAt(i), QStringLiteral("Times New Roman"));
    }
    QVERIFY(!charAt(3).fontUnderline());
    QVERIFY(!charAt(end).fontUnderline());
    QCOMPARE(editor()->textCursor().blockFormat().lineHeight(), 100.0);
    // The link is found where it is shown.
    QCOMPARE(editor()->linkAt(pointAt(6)), expected.mid(4, end - 4));

    click(running().FormEdit->UndoBtn);
    QCOMPARE(editor()->Text(), QStringLiteral("see Docs\\Tables.doc now"));
    QVERIFY(!charAt(4).fontUnderline());
}

void TestEditorToolsWindow::linksShownNotStored()
{
    AppFixture app;
    startEditor(app, rtfOf({"read http://example.org/a, then mailto:me@example.org"}));
    const auto marked = [] {
        const QTextBlock block = editor()->document()->begin();
        QStringList texts;
        for (const QTextLayout::FormatRange &r : block.layout()->formats())
            if (r.format.fontUnderline() && r.format.foreground().color() == QColor(0, 0, 255))
                texts << block.text().mid(r.start, r.length);
        return texts;
    };
    const QStringList links{"http://example.org/a", "mailto:me@example.org"};
    QCOMPARE(marked(), links);
    // Loaded again (a document of the editor's own replaced), the marks follow the new text.
    const QTextDocument *first = editor()->document();
    editor()->setDataField(book::Resume);
    QCoreApplication::processEvents();
    QVERIFY(editor()->document() != first);
    QCOMPARE(marked(), links);
    // Nothing of it is in the text's own formats, nor in what is written back.
    QVERIFY(!charAt(6).fontUnderline());
    QCOMPARE(editor()->Modified(), false);
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QVERIFY(!editor()->Rtf().contains("\\ul"));
    QVERIFY(!editor()->Rtf().contains("HYPERLINK"));

    // Typed text is marked as it is typed.
    editor()->setSelStart(0);
    QTest::keyClicks(editor(), "www.example.net ");
    QCoreApplication::processEvents();
    QCOMPARE(editor()->linkAt(pointAt(3)), QStringLiteral("www.example.net"));
    QCOMPARE(editor()->linkAt(pointAt(17)), QString());
}

void TestEditorToolsWindow::followLink_data()
{
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<QString>("clickOn"); // the first character of this text is clicked
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<bool>("refused");

    const QString one = "a file:<one.txt> b file:<Docs\\two.txt>";
    QTest::newRow("first of two file links")
        << QStringList{one} << "one" << QStringList{"one.txt"} << false;
    QTest::newRow("second of two opens the first")
        << QStringList{one} << "two" << QStringList{"one.txt"} << false;
    QTest::newRow("path with a folder") << QStringList{"x", "see file:<Docs\\Tables.doc>"}
                                        << "Tables" << QStringList{"Docs/Tables.doc"} << false;
    QTest::newRow("path with blanks") << QStringList{"file:<My Docs\\a b.doc> x"} << "b.doc"
                                      << QStringList{"My Docs/a b.doc"} << false;
    QTest::newRow("missing > on its line")
        << QStringList{"a file:<one.txt b", "file:<two.txt>"} << "one" << QStringList{} << false;
    QTest::newRow("web address") << QStringList{"see http://example.org/x."} << "example"
                                 << QStringList{"http://example.org/x"} << false;
    QTest::newRow("www address") << QStringList{"see www.example.org"} << "example"
                                 << QStringList{"http://www.example.org"} << false;
    QTest::newRow("mail address") << QStringList{"mailto:me@example.org"} << "me@"
                                  << QStringList{"mailto:me@example.org"} << false;
    QTest::newRow("plain word is no link")
        << QStringList{"see file one"} << "file" << QStringList{} << false;
    QTest::newRow("up out of the folder")
        << QStringList{"file:<..\\secret.txt>"} << "secret" << QStringList{} << true;
    QTest::newRow("down and up out of the folder")
        << QStringList{"file:<Docs\\..\\..\\secret.txt>"} << "secret" << QStringList{} << true;
    QTest::newRow("drive path") << QStringList{"file:<C:\\Windows\\win.ini>"} << "Windows"
                                << QStringList{} << true;
    QTest::newRow("absolute path")
        << QStringList{"file:</etc/passwd>"} << "etc" << QStringList{} << true;
}

void TestEditorToolsWindow::followLink()
{
    QFETCH(QStringList, paragraphs);
    QFETCH(QString, clickOn);
    QFETCH(QStringList, opened);
    QFETCH(bool, refused);

    AppFixture app;
    quil::ScopedScriptedShell shell;
    startEditor(app, rtfOf(paragraphs));
    const int at = int(editor()->document()->toPlainText().indexOf(clickOn));
    QVERIFY(at >= 0);
    QTest::mouseClick(editor()->viewport(), Qt::LeftButton, {}, pointAt(at));

    QStringList expected;
    for (const QString &target : opened)
        expected << (target.contains(':') ? target : QDir::cleanPath(app.folder.path() + target));
    QCOMPARE(shell.opened, expected);
    QCOMPARE(app.dialogs.errors().size(), refused ? 1 : 0);
    if (refused)
        QVERIFY2(app.dialogs.errors().first().contains("за пределы папки программы"),
                 qPrintable(app.dialogs.errors().first()));
    // Following a link changes nothing.
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
}

void TestEditorToolsWindow::rightClickOpensTheMenu()
{
    AppFixture app;
    quil::ScopedScriptedShell shell;
    startEditor(app, rtfOf({"see file:<one.txt> and http://example.org"}));
    const QString before = editor()->Text();
    for (const char *on : {"one", "example", "and"}) {
        const QPoint point = pointAt(int(before.indexOf(on)));
        QTest::mouseClick(editor()->viewport(), Qt::RightButton, {}, point);
        QVERIFY2(running().FormEdit->pmEdit->isVisible(), qPrintable(on));
        running().FormEdit->pmEdit->close();
    }
    QCOMPARE(shell.opened, QStringList());
    QCOMPARE(editor()->Text(), before);
    QVERIFY(!charAt(5).fontUnderline());
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorToolsWindow::dictionaryHandOff_data()
{
    QTest::addColumn<bool>("synthesis");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("clipboard");

    const QStringList doubleCopy{"17/29 down", "67/67 down", "67/67 up",
                                 "67/67 down", "67/67 up",   "17/29 up"};
    QTest::newRow("keys synthesised") << true << 5 << doubleCopy << "";
    QTest::newRow("no synthesis: copied all the same") << false << 5 << QStringList{} << "перев";
    QTest::newRow("no synthesis, nothing selected") << false << 0 << QStringList{} << "";
}

void TestEditorToolsWindow::dictionaryHandOff()
{
    QFETCH(bool, synthesis);
    QFETCH(int, selected);
    QFETCH(QStringList, keys);
    QFETCH(QString, clipboard);

    AppFixture app;
    quil::ScopedScriptedKeySynthesizer synthesizer;
    synthesizer.isAvailable = synthesis;
    startEditor(app, rtfOf({"перевод"}));
    QGuiApplication::clipboard()->clear();
    QVERIFY(!running().FormEdit->PasteBtn->isEnabled());
    select(0, selected);
    click(running().FormEdit->siLingvo);

    QCOMPARE(strokes(synthesizer.sent), keys);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QCOMPARE(running().FormEdit->PasteBtn->isEnabled(), !clipboard.isEmpty());
    QCOMPARE(editor()->Text(), u"перевод"_qs);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorToolsWindow::pasteFollowsTheClipboard_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("canPaste");

    QTest::newRow("plain text") << "text" << true;
    QTest::newRow("html") << "html" << true;
    QTest::newRow("rtf only") << "rtf" << true;
    QTest::newRow("emptied") << "clear" << false;
    QTest::newRow("empty text") << "empty" << false;
    QTest::newRow("an image only") << "image" << false;
    QTest::newRow("bytes of no text kind") << "bytes" << false;
}

void TestEditorToolsWindow::pasteFollowsTheClipboard()
{
    QFETCH(QString, content);
    QFETCH(bool, canPaste);

    AppFixture app;
    startEditor(app, rtfOf({"abc"}));
    // The clipboard is changed by another user of it, not by the editor.
    QClipboard *other = QGuiApplication::clipboard();
    if (canPaste)
        other->clear();
    else
        other->setText("seed");
    QCOMPARE(running().FormEdit->PasteBtn->isEnabled(), !canPaste);

    auto *mime = new QMimeData;
    if (content == "text")
        mime->setText("вставка");
    else if (content == "html")
        mime->setHtml("<b>вставка</b>");
    else if (content == "rtf")
        mime->setData("text/rtf",
                      "{\\rtf1\\ansi\\ansicpg1251 \\'e2\\'f1\\'f2\\'e0\\'e2\\'ea\\'e0\\par}");
    else if (content == "empty")
        mime->setText("");
    else if (content == "image")
        mime->setImageData(QImage(4, 4, QImage::Format_RGB32));
    else if (content == "bytes")
        mime->setData("application/octet-stream", "\x01\x02");
    if (content == "clear") {
        delete mime;
        other->clear();
    } else {
        other->setMimeData(mime);
    }
    QCOMPARE(running().FormEdit->PasteBtn->isEnabled(), canPaste);
    // The menu's Paste is never disabled.
    QVERIFY(running().FormEdit->Paste1->isEnabled());
    if (canPaste) {
        click(running().FormEdit->PasteBtn);
        QVERIFY2(editor()->Text().contains(u"вставка"_qs), qPrintable(editor()->Text()));
    }
    QCOMPARE(app.dialogs.errors(), QStringList());
}

QUIL_APP_TEST_MAIN(TestEditorToolsWindow)
#include "test_editortools_window.moc"
