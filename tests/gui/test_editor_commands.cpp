// The editor's formatting and editing commands on the real control: what each does to the
// document, that each is one undo step, that following the caret never formats, the clipboard
// and undo buttons, find and replace, and RTF that reads back as the editor wrote it.
#include "AppFixture.h"
#include "EditorAccess.h"

#include "editor/gui/TFormEdit.h"
#include "editor/gui/TListBoxForever.h"
#include "platform/gui/FindDialog.h"
#include "rtf/RtfQtFormat.h"
#include "rtf/RtfReader.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QToolButton>

namespace {

// Block 0 "alpha beta gamma" (0-15; "beta" italic, "gamma" red 14 pt), block 1 "second line"
// (17-27; "line" bold), block 2 "third  end" (29-38; two blanks at 34 and 35).
const QString Sample = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;}"
    "\\f0\\fs24 alpha \\i beta\\i0  \\cf1\\fs28 gamma\\cf0\\fs24\\par "
    "second \\b line\\b0\\par third  end\\par}");

// A library of two entries, the first with this abstract, the editor shown over it.
QString openWith(AppFixture &app, const QString &rtf = Sample,
                 const QString &second = QStringLiteral("second entry"))
{
    const QString path = app.makeLibrary(
        "Cmd.mdb", {{"Автор1", "Title one", "2001"}, {"Автор2", "Title two", "2002"}});
    const auto quoted = [](QString s) { return "'" + s.replace("'", "''") + "'"; };
    execOn(path, {"UPDATE Books SET Resume = " + quoted(rtf) + " WHERE City = '2001'",
                  "UPDATE Books SET Resume = " + quoted(second) + " WHERE City = '2002'"});
    app.start();
    app.pick(path);
    running().Form1->mmAbstractClick();
    running().FormEdit->Editor->resize(600, 300);
    return path;
}

bool boldAt(int position) { return charAt(position).fontWeight() == QFont::Bold; }

QTextBlockFormat blockAt(int block)
{
    return editor()->document()->findBlockByNumber(block).blockFormat();
}

// Positions in [from, to) whose character has the property, as a compact string "6-9".
QString boldRanges(int from, int to)
{
    QStringList ranges;
    int start = -1;
    for (int p = from; p <= to; ++p) {
        const bool bold = p < to && boldAt(p);
        if (bold && start < 0)
            start = p;
        if (!bold && start >= 0) {
            ranges << QString("%1-%2").arg(start).arg(p - 1);
            start = -1;
        }
    }
    return ranges.join(',');
}

QToolButton *button(const QString &name)
{
    auto *b = running().FormEdit->findChild<QToolButton *>(name);
    if (!b)
        qFatal("no button %s", qPrintable(name));
    return b;
}

// A paragraph's line spacing in percent (single when none is set).
double spacingOf(const QTextBlockFormat &f)
{
    return f.lineHeightType() == QTextBlockFormat::ProportionalHeight ? f.lineHeight() : 100.0;
}

// Horizontal alignment, left and right as the reader sees them.
Qt::Alignment horizontal(const QTextBlockFormat &f)
{
    return f.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
}

quil::SearchRequest request(const QString &text, const QString &replacement = QString())
{
    quil::SearchRequest r;
    r.text = text;
    r.replacement = replacement;
    return r;
}

quil::DataSetState state() { return running().DataModule1->ADOTable.State(); }

} // namespace

class TestEditorCommands : public QObject {
    Q_OBJECT
private slots:
    void boldOnWordOrSelection_data();
    void boldOnWordOrSelection();
    void scriptGroupIsExclusive();
    void paragraphCommands();
    void bulletsAndNumbering();
    void compoundCommands_data();
    void compoundCommands();
    void markerToggle_data();
    void markerToggle();
    void eachCommandIsOneUndoStep_data();
    void eachCommandIsOneUndoStep();
    void followingTheCaretNeverFormats();
    void fontDialog();
    void clipboardButtons();
    void richTextPastes();
    void undoRedoButtons();
    void historyKeepsHundredSteps();
    void findAndFindNext();
    void replaceAndReplaceAll();
    void findDialogSendsItsRequest();
    void resetActsOnTypingOnly();
    void rtfReadsBackAsWritten();
    void readOnlyLibraryOffersNoChanges();
};

void TestEditorCommands::boldOnWordOrSelection_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("bold"); // bold ranges over the whole text afterwards
    QTest::addColumn<bool>("edits");   // the document and the record change
    QTest::newRow("caret inside a word") << 7 << 7 << "6-9,24-27" << true;
    QTest::newRow("caret at a word's end") << 5 << 5 << "0-4,24-27" << true;
    QTest::newRow("caret at a paragraph's first word") << 17 << 17 << "16-22,24-27" << true;
    QTest::newRow("selection inside words") << 2 << 8 << "2-7,24-27" << true;
    QTest::newRow("selection over two paragraphs") << 13 << 20 << "13-19,24-27" << true;
    QTest::newRow("bold word selected: bold off") << 24 << 28 << "" << true;
    QTest::newRow("caret inside a bold word: bold off") << 26 << 26 << "" << true;
    // Between words the command sets what is typed next, and the button shows that.
    QTest::newRow("caret between blanks") << 35 << 35 << "24-27" << false;
    QTest::newRow("caret after a blank, before a word") << 11 << 11 << "24-27" << false;
    QTest::newRow("caret after a blank, before a bold word") << 24 << 24 << "24-27" << false;
}

void TestEditorCommands::boldOnWordOrSelection()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, bold);
    QFETCH(bool, edits);
    AppFixture app;
    openWith(app);
    select(from, to);
    const QString before = editor()->Rtf();
    // The button shows what the command acts on, and the click turns that over.
    const bool wasBold = running().FormEdit->BoldBtn->isChecked();
    running().FormEdit->BoldBtn->click();
    QCOMPARE(running().FormEdit->BoldBtn->isChecked(), !wasBold);
    QCOMPARE(boldRanges(0, 39), bold);
    // The other attributes of each run stay: italic "beta", red 14 pt "gamma".
    QVERIFY(charAt(7).fontItalic());
    QVERIFY(!charAt(12).fontItalic());
    QCOMPARE(charAt(12).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(charAt(12).fontPointSize(), 14.0);
    QCOMPARE(editor()->Rtf() != before, edits);
    QCOMPARE(state(), edits ? quil::DataSetState::Edit : quil::DataSetState::Browse);
    QCOMPARE(editor()->SelStart(), from);
    QCOMPARE(editor()->SelLength(), to - from);
    if (!edits) {
        const QString text = editor()->document()->toRawText();
        QTest::keyClicks(editor(), "xy");
        QCOMPARE(editor()->document()->toRawText(), QString(text).insert(from, "xy"));
        QCOMPARE(boldRanges(from, from + 2), QString("%1-%2").arg(from).arg(from + 1));
        QCOMPARE(state(), quil::DataSetState::Edit);
    }
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorCommands::scriptGroupIsExclusive()
{
    AppFixture app;
    openWith(app);
    QVERIFY(running().FormEdit->SubscriptBtn->isEnabled());
    QVERIFY(running().FormEdit->SuperscriptBtn->isEnabled());
    caret(7);
    const auto script = [] { return charAt(7).verticalAlignment(); };
    running().FormEdit->SubscriptBtn->click();
    QCOMPARE(script(), QTextCharFormat::AlignSubScript);
    QCOMPARE(charAt(6).verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(charAt(5).verticalAlignment(), QTextCharFormat::AlignNormal);
    // Superscript while subscript is down releases subscript.
    running().FormEdit->SuperscriptBtn->click();
    QVERIFY(running().FormEdit->SuperscriptBtn->isChecked());
    QVERIFY(!running().FormEdit->SubscriptBtn->isChecked());
    QCOMPARE(script(), QTextCharFormat::AlignSuperScript);
    // The command sets the script alone: no size or offset of its own.
    QCOMPARE(charAt(7).fontPointSize(), 12.0);
    QCOMPARE(charAt(7).hasProperty(QTextFormat::TextBaselineOffset), false);
    // Pressing it again leaves both up and the script none.
    running().FormEdit->SuperscriptBtn->click();
    QVERIFY(!running().FormEdit->SuperscriptBtn->isChecked());
    QVERIFY(!running().FormEdit->SubscriptBtn->isChecked());
    QCOMPARE(script(), QTextCharFormat::AlignNormal);
    // The buttons follow the caret: away and back onto a subscript word.
    running().FormEdit->SubscriptBtn->click();
    caret(1);
    QVERIFY(!running().FormEdit->SubscriptBtn->isChecked());
    caret(8);
    QVERIFY(running().FormEdit->SubscriptBtn->isChecked());
    QVERIFY(!running().FormEdit->SuperscriptBtn->isChecked());
}

void TestEditorCommands::paragraphCommands()
{
    AppFixture app;
    openWith(app);
    const auto alignment = [](int block) { return horizontal(blockAt(block)); };
    select(8, 20); // blocks 0 and 1
    running().FormEdit->CenterBtn->click();
    QCOMPARE(alignment(0), Qt::Alignment(Qt::AlignHCenter));
    QCOMPARE(alignment(1), Qt::Alignment(Qt::AlignHCenter));
    QVERIFY(!(alignment(2) & Qt::AlignHCenter));
    QVERIFY(running().FormEdit->CenterBtn->isChecked());
    QVERIFY(!running().FormEdit->LeftBtn->isChecked());
    // One button of the alignment group always stays down.
    running().FormEdit->CenterBtn->click();
    QVERIFY(running().FormEdit->CenterBtn->isChecked());
    QCOMPARE(alignment(0), Qt::Alignment(Qt::AlignHCenter));
    running().FormEdit->RightBtn->click();
    QCOMPARE(alignment(0), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(alignment(1), Qt::Alignment(Qt::AlignRight));
    QVERIFY(!running().FormEdit->CenterBtn->isChecked());
    caret(30);
    QVERIFY(running().FormEdit->LeftBtn->isChecked());
    select(8, 20);
    running().FormEdit->LeftBtn->click();
    QCOMPARE(alignment(0), Qt::Alignment(Qt::AlignLeft));

    // The spacing buttons set the rule of the touched paragraphs and show no state.
    const auto spacing = [](int block) { return spacingOf(blockAt(block)); };
    running().FormEdit->siSpaceDouble->click();
    QCOMPARE(spacing(0), 200.0);
    QCOMPARE(spacing(1), 200.0);
    QCOMPARE(spacing(2), 100.0);
    QVERIFY(!running().FormEdit->siSpaceDouble->isCheckable());
    caret(33);
    running().FormEdit->siSpaceOneAndHalf->click();
    QCOMPARE(spacing(2), 150.0);
    QCOMPARE(spacing(1), 200.0);
    select(0, 39);
    running().FormEdit->siSpaceSingle->click();
    for (int b = 0; b < 3; ++b)
        QCOMPARE(spacing(b), 100.0);
}

void TestEditorCommands::bulletsAndNumbering()
{
    AppFixture app;
    openWith(app);
    const auto listStyle = [](int block) {
        const QTextList *list = editor()->document()->findBlockByNumber(block).textList();
        return list ? list->format().style() : QTextListFormat::ListStyleUndefined;
    };
    const auto hanging = [](int block) {
        const QTextBlockFormat f = blockAt(block);
        return f.hasProperty(quil::rtf::RtfQtFormat::kListHanging)
                   ? f.intProperty(quil::rtf::RtfQtFormat::kListHanging)
                   : 0;
    };
    // A paragraph whose hanging indent is already larger keeps it.
    caret(18);
    QTextCursor c = editor()->textCursor();
    QTextBlockFormat wide = c.blockFormat();
    wide.setProperty(quil::rtf::RtfQtFormat::kListHanging, -400);
    c.setBlockFormat(wide);

    select(3, 20);
    running().FormEdit->BulletsBtn->click();
    QCOMPARE(listStyle(0), QTextListFormat::ListDisc);
    QCOMPARE(listStyle(1), QTextListFormat::ListDisc);
    QCOMPARE(listStyle(2), QTextListFormat::ListStyleUndefined);
    QCOMPARE(editor()->document()->findBlockByNumber(0).textList(),
             editor()->document()->findBlockByNumber(1).textList());
    QCOMPARE(hanging(0), -200); // 10 points
    QCOMPARE(hanging(1), -400);
    QVERIFY(running().FormEdit->BulletsBtn->isChecked());

    // Numbering releases bullets and numbers the same paragraphs.
    running().FormEdit->siNumbering->click();
    QVERIFY(!running().FormEdit->BulletsBtn->isChecked());
    QCOMPARE(listStyle(0), QTextListFormat::ListDecimal);
    QCOMPARE(listStyle(1), QTextListFormat::ListDecimal);
    caret(30);
    QVERIFY(!running().FormEdit->siNumbering->isChecked());
    caret(1);
    QVERIFY(running().FormEdit->siNumbering->isChecked());

    // Up again: no numbering and no hanging indent.
    select(3, 20);
    running().FormEdit->siNumbering->click();
    QVERIFY(!running().FormEdit->siNumbering->isChecked());
    QCOMPARE(listStyle(0), QTextListFormat::ListStyleUndefined);
    QCOMPARE(listStyle(1), QTextListFormat::ListStyleUndefined);
    QCOMPARE(hanging(0), 0);
    QCOMPARE(hanging(1), 0);
    QCOMPARE(blockAt(0).indent(), 0);
    QCOMPARE(editor()->Text(), QString("alpha beta gamma\r\nsecond line\r\nthird  end"));
}

void TestEditorCommands::compoundCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("property");
    QTest::addColumn<QVariant>("value"); // over the whole selection afterwards
    QTest::newRow("size plus") << "siSizePlus" << int(QTextFormat::FontPointSize) << QVariant(13.0);
    QTest::newRow("size minus") << "siSizeMinus" << int(QTextFormat::FontPointSize)
                                << QVariant(11.0);
    QTest::newRow("black") << "siBlackColor" << int(QTextFormat::ForegroundBrush)
                           << QVariant(QBrush(QColor(0, 0, 0)));
    QTest::newRow("marker") << "siBackColor" << int(QTextFormat::BackgroundBrush)
                            << QVariant(QBrush(QColor(255, 255, 200)));
    QTest::newRow("standard font: size")
        << "siMyStyle" << int(QTextFormat::FontPointSize) << QVariant(12.0);
    QTest::newRow("standard font: name")
        << "siMyStyle" << int(QTextFormat::FontFamilies)
        << QVariant(QStringList{QStringLiteral("Times New Roman")});
}

void TestEditorCommands::compoundCommands()
{
    QFETCH(QString, command);
    QFETCH(int, property);
    QFETCH(QVariant, value);
    AppFixture app;
    openWith(app);
    // Every paragraph double spaced first; the standard font has another font to replace.
    select(0, 39);
    running().FormEdit->siSpaceDouble->click();
    select(8, 27);
    const QTextCharFormat outside = charAt(7);
    if (command == "siMyStyle") {
        running().FormEdit->ActiveAttributes().setName("Arial");
        running().FormEdit->ActiveAttributes().setSize(16);
    }
    button(command)->click();
    QCOMPARE(app.dialogs.errors(), QStringList());
    for (int p = 8; p < 27; ++p) {
        if (p == 16)
            continue; // the paragraph break
        QCOMPARE(charAt(p).property(property), value);
    }
    QCOMPARE(charAt(7), outside);
    // Styles stay as they were: "beta" italic, "line" bold.
    QVERIFY(charAt(8).fontItalic());
    QVERIFY(boldAt(25));
    // The paragraphs that the selection touches are single spaced, the others not.
    QCOMPARE(spacingOf(blockAt(0)), 100.0);
    QCOMPARE(spacingOf(blockAt(1)), 100.0);
    QCOMPARE(spacingOf(blockAt(2)), 200.0);
    // The selection stays, so the clipboard buttons stay enabled.
    QCOMPARE(editor()->SelLength(), 19);
    QVERIFY(running().FormEdit->CopyBtn->isEnabled());
}

void TestEditorCommands::markerToggle_data()
{
    QTest::addColumn<QColor>("before"); // invalid: no background of its own
    QTest::addColumn<QColor>("after");
    QTest::newRow("none: marker") << QColor() << QColor(255, 255, 200);
    QTest::newRow("the marker: off") << QColor(255, 255, 200) << QColor();
    QTest::newRow("yellow: off") << QColor(255, 255, 0) << QColor();
    QTest::newRow("blue: off") << QColor(0, 0, 255) << QColor();
    QTest::newRow("the window colour: marker") << QColor(Qt::white) << QColor(255, 255, 200);
}

void TestEditorCommands::markerToggle()
{
    QFETCH(QColor, before);
    QFETCH(QColor, after);
    AppFixture app;
    openWith(app);
    editor()->setPalette([] {
        QPalette p = editor()->palette();
        p.setColor(QPalette::Base, Qt::white);
        return p;
    }());
    caret(13); // the word "gamma"
    if (before.isValid())
        running().FormEdit->ActiveAttributes().setBackColor(before);
    running().FormEdit->siBackColor->click();
    for (int p : {11, 15}) {
        const QTextCharFormat f = charAt(p);
        const QColor shown =
            f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush
                ? f.background().color()
                : QColor();
        QCOMPARE(shown, after);
    }
    QCOMPARE(charAt(10).hasProperty(QTextFormat::BackgroundBrush), false);
}

void TestEditorCommands::eachCommandIsOneUndoStep_data()
{
    QTest::addColumn<QString>("command");
    for (const char *name :
         {"BoldBtn", "ItalicBtn", "UnderlineBtn", "CenterBtn", "RightBtn", "SubscriptBtn",
          "SuperscriptBtn", "siNumbering", "BulletsBtn", "siSpaceOneAndHalf", "siSpaceDouble",
          "siSizePlus", "siSizeMinus", "siBlackColor", "siBackColor", "siMyStyle", "NewFontItem"})
        QTest::newRow(name) << QString(name);
}

void TestEditorCommands::eachCommandIsOneUndoStep()
{
    QFETCH(QString, command);
    AppFixture app;
    openWith(app);
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());
    select(8, 27);
    const QString before = editor()->Rtf();
    if (command == "NewFontItem") {
        app.dialogs.nextFonts.enqueue({QFont("Arial", 16), QColor(0, 0, 255)});
        trigger(running().FormEdit->NewFontItem);
    } else {
        button(command)->click();
    }
    const QString after = editor()->Rtf();
    QVERIFY(after != before);
    QCOMPARE(state(), quil::DataSetState::Edit);
    QVERIFY(editor()->Modified());
    QVERIFY(running().FormEdit->UndoBtn->isEnabled());
    running().FormEdit->UndoBtn->click();
    QCOMPARE(editor()->Rtf(), before);
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());
    QVERIFY(running().FormEdit->RedoBtn->isEnabled());
    running().FormEdit->RedoBtn->click();
    QCOMPARE(editor()->Rtf(), after);
    QVERIFY(!running().FormEdit->RedoBtn->isEnabled());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorCommands::followingTheCaretNeverFormats()
{
    // Bold, italic, underline, superscript, subscript; a centred, a justified and a
    // roman-numbered paragraph; a bulleted one.
    const QString rich = QStringLiteral(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}}"
        "\\f0\\fs24\\pard\\qc \\b bold\\b0  \\i it\\i0  \\ul un\\ulnone  x\\super 2\\nosupersub "
        "H\\sub 2\\nosupersub O\\par\\pard\\qj justified text\\par"
        "\\pard{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart1{\\pntxta.}}\\fi-360\\li720 roman\\par"
        "\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}\\fi-360\\li720 bullet\\par}");
    AppFixture app;
    openWith(app, rich);
    const QString before = editor()->Rtf();
    const int length = editor()->document()->characterCount() - 1;
    struct Seen {
        bool bold = false, italic = false, underline = false, super = false, sub = false;
        bool centre = false, bullets = false;
    } seen;
    for (int p = 0; p <= length; ++p) {
        for (int width : {0, 2}) {
            select(p, std::min(p + width, length));
            seen.bold |= running().FormEdit->BoldBtn->isChecked();
            seen.italic |= running().FormEdit->ItalicBtn->isChecked();
            seen.underline |= running().FormEdit->UnderlineBtn->isChecked();
            seen.super |= running().FormEdit->SuperscriptBtn->isChecked();
            seen.sub |= running().FormEdit->SubscriptBtn->isChecked();
            seen.centre |= running().FormEdit->CenterBtn->isChecked();
            seen.bullets |= running().FormEdit->BulletsBtn->isChecked();
            QCOMPARE(running().FormEdit->CopyBtn->isEnabled(), std::min(p + width, length) > p);
        }
    }
    QCOMPARE(editor()->Rtf(), before);
    QCOMPARE(state(), quil::DataSetState::Browse);
    QVERIFY(!editor()->Modified());
    QVERIFY(!editor()->CanUndo());
    QVERIFY(seen.bold && seen.italic && seen.underline && seen.super && seen.sub);
    QVERIFY(seen.centre && seen.bullets);

    // Each button names the text at the caret.
    caret(1);
    QVERIFY(running().FormEdit->BoldBtn->isChecked());
    QVERIFY(!running().FormEdit->ItalicBtn->isChecked());
    QVERIFY(running().FormEdit->CenterBtn->isChecked());
    // A justified paragraph leaves the alignment buttons as they were.
    const int justified = editor()->document()->findBlockByNumber(1).position();
    caret(justified + 3);
    QVERIFY(running().FormEdit->CenterBtn->isChecked());
    QVERIFY(!running().FormEdit->BoldBtn->isChecked());
    // Numbering of another kind leaves the list buttons as they were.
    caret(editor()->document()->findBlockByNumber(3).position() + 2);
    QVERIFY(running().FormEdit->BulletsBtn->isChecked());
    caret(editor()->document()->findBlockByNumber(2).position() + 2);
    QVERIFY(running().FormEdit->BulletsBtn->isChecked());
    QVERIFY(!running().FormEdit->siNumbering->isChecked());
    caret(justified + 3);
    QVERIFY(!running().FormEdit->BulletsBtn->isChecked());
    QCOMPARE(editor()->Rtf(), before);
}

void TestEditorCommands::fontDialog()
{
    AppFixture app;
    openWith(app);
    caret(13);
    const QString before = editor()->Rtf();
    // Cancel: nothing changes; the dialog started from the attributes at the caret.
    trigger(running().FormEdit->NewFontItem);
    QCOMPARE(app.dialogs.count("font"), 1);
    QCOMPARE(app.dialogs.shown.last().text, QString("Times New Roman"));
    QCOMPARE(editor()->Rtf(), before);
    QCOMPARE(state(), quil::DataSetState::Browse);
    QFont chosen("Arial", 16);
    chosen.setItalic(true);
    chosen.setStrikeOut(true);
    app.dialogs.nextFonts.enqueue({chosen, QColor(0, 0, 255)});
    trigger(running().FormEdit->NewFontItem);
    // The word at the caret takes name, size, style and colour.
    for (int p : {11, 15}) {
        const QTextCharFormat f = charAt(p);
        QCOMPARE(f.fontFamilies().toStringList(), QStringList{"Arial"});
        QCOMPARE(f.fontPointSize(), 16.0);
        QVERIFY(f.fontItalic());
        QVERIFY(f.fontStrikeOut());
        QCOMPARE(f.foreground().color(), QColor(0, 0, 255));
    }
    QCOMPARE(charAt(10).fontPointSize(), 12.0);
    QCOMPARE(running().FormEdit->NewFontItem->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));

    // Over "second line" ("line" bold) the dialog starts from "second": OK without changes
    // changes nothing, and turning italic on leaves "line" bold.
    select(17, 28);
    const quil::Dialogs::FontChoice shown{editor()->SelAttributes().font(),
                                          editor()->SelAttributes().color()};
    QVERIFY(!shown.font.bold());
    const QString mixed = editor()->Rtf();
    app.dialogs.nextFonts.enqueue(shown);
    trigger(running().FormEdit->NewFontItem);
    QCOMPARE(editor()->Rtf(), mixed);
    QCOMPARE(boldRanges(17, 28), QString("24-27"));
    quil::Dialogs::FontChoice slanted = shown;
    slanted.font.setItalic(true);
    app.dialogs.nextFonts.enqueue(slanted);
    trigger(running().FormEdit->NewFontItem);
    QVERIFY(charAt(17).fontItalic());
    QVERIFY(charAt(25).fontItalic());
    QCOMPARE(boldRanges(17, 28), QString("24-27"));
}

void TestEditorCommands::clipboardButtons()
{
    AppFixture app;
    openWith(app);
    const auto cutCopy = [] {
        return QList<bool>{running().FormEdit->CutBtn->isEnabled(),
                           running().FormEdit->CopyBtn->isEnabled(),
                           running().FormEdit->pmEditCut->isEnabled(),
                           running().FormEdit->pmEditCopy->isEnabled()};
    };
    const QList<bool> none{false, false, false, false}, all{true, true, true, true};
    caret(3);
    QCOMPARE(cutCopy(), none);
    select(0, 5);
    QCOMPARE(cutCopy(), all);
    QGuiApplication::clipboard()->clear();
    QVERIFY(!running().FormEdit->PasteBtn->isEnabled());
    QVERIFY(running().FormEdit->Paste1->isEnabled());
    QGuiApplication::clipboard()->setText("pasted");
    QVERIFY(running().FormEdit->PasteBtn->isEnabled());
    // Cut takes the word and starts an edit; the caret left has nothing to cut.
    running().FormEdit->CutBtn->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("alpha"));
    QCOMPARE(editor()->Text().left(6), QString(" beta "));
    QCOMPARE(state(), quil::DataSetState::Edit);
    QCOMPARE(cutCopy(), none);
    running().FormEdit->PasteBtn->click();
    QCOMPARE(editor()->Text().left(11), QString("alpha beta "));
    // Compound commands leave the clipboard buttons as the selection says.
    caret(2);
    running().FormEdit->siSizePlus->click();
    QCOMPARE(cutCopy(), none);
    select(0, 3);
    running().FormEdit->siSizeMinus->click();
    QCOMPARE(cutCopy(), all);
    QGuiApplication::clipboard()->clear();
    QVERIFY(running().FormEdit->Paste1->isEnabled());
}

void TestEditorCommands::richTextPastes()
{
    AppFixture app;
    openWith(app);
    // Between abstracts: bold stays bold.
    select(24, 28);
    running().FormEdit->CopyBtn->click();
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat("text/rtf"));
    running().Form1->siNextClick();
    QCOMPARE(editor()->Text(), QString("second entry"));
    caret(12);
    running().FormEdit->PasteBtn->click();
    QCOMPARE(editor()->Text(), QString("second entryline"));
    QCOMPARE(boldRanges(0, 16), QString("12-15"));
    QCOMPARE(state(), quil::DataSetState::Edit);

    // From a word processor: its RTF, read as the editor reads a file.
    const QString base = QStringLiteral(QUIL_TEST_DATA "/rtf/libreoffice_writer");
    auto *mime = new QMimeData;
    mime->setData("text/rtf", readBytes(base + ".rtf"));
    mime->setText("plain only");
    QGuiApplication::clipboard()->setMimeData(mime);
    running().FormEdit->EditSelectAll();
    trigger(running().FormEdit->Paste1);
    QString expected = QString::fromUtf8(readBytes(base + ".txt"));
    expected.replace("\r\n", "\n");
    QCOMPARE(editor()->Text().replace("\r\n", "\n").trimmed(), expected.trimmed());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorCommands::undoRedoButtons()
{
    AppFixture app;
    openWith(app);
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());
    QVERIFY(!running().FormEdit->RedoBtn->isEnabled());
    caret(0);
    QTest::keyClicks(editor(), "z");
    QVERIFY(running().FormEdit->UndoBtn->isEnabled());
    QVERIFY(!running().FormEdit->RedoBtn->isEnabled());
    running().FormEdit->UndoBtn->click();
    QCOMPARE(editor()->Text().left(5), QString("alpha"));
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());
    QVERIFY(running().FormEdit->RedoBtn->isEnabled());
    // Undo and redo bring the toggles in line with the text at the caret.
    select(24, 28);
    running().FormEdit->BoldBtn->click();
    QVERIFY(!running().FormEdit->BoldBtn->isChecked());
    running().FormEdit->UndoBtn->click();
    QCOMPARE(editor()->SelStart(), 24);
    QCOMPARE(editor()->SelLength(), 4);
    QVERIFY(running().FormEdit->BoldBtn->isChecked());
    running().FormEdit->RedoBtn->click();
    QVERIFY(!running().FormEdit->BoldBtn->isChecked());
    // The keys do as the buttons: Ctrl+Z, then Ctrl+Y as well as Ctrl+Shift+Z to redo.
    caret(2);
    running().FormEdit->ItalicBtn->click();
    QVERIFY(charAt(0).fontItalic());
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!charAt(0).fontItalic());
    QVERIFY(!running().FormEdit->ItalicBtn->isChecked());
    QTest::keyClick(editor(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(charAt(0).fontItalic());
    QVERIFY(running().FormEdit->ItalicBtn->isChecked());
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(charAt(0).fontItalic());
    QVERIFY(running().FormEdit->ItalicBtn->isChecked());
    // A reload of the abstract starts a fresh history.
    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());
    QVERIFY(!running().FormEdit->RedoBtn->isEnabled());
}

void TestEditorCommands::historyKeepsHundredSteps()
{
    AppFixture app;
    openWith(app);
    select(0, 5);
    const auto sizeOfAlpha = [] { return qRound(charAt(0).fontPointSize()); };
    const int start = sizeOfAlpha();
    for (int i = 0; i < 101; ++i)
        running().FormEdit->siSizePlus->click();
    QCOMPARE(sizeOfAlpha(), start + 101);
    for (int i = 0; i < 100; ++i) {
        QVERIFY2(running().FormEdit->UndoBtn->isEnabled(), qPrintable(QString::number(i)));
        running().FormEdit->UndoBtn->click();
    }
    // Back to the state after the first command, and no further, by button or by key.
    QCOMPARE(sizeOfAlpha(), start + 1);
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());
    QVERIFY(!editor()->CanUndo());
    const QString oldest = editor()->Rtf();
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor()->Rtf(), oldest);
    // Every undone step comes back.
    for (int i = 0; i < 100; ++i) {
        QVERIFY2(running().FormEdit->RedoBtn->isEnabled(), qPrintable(QString::number(i)));
        running().FormEdit->RedoBtn->click();
    }
    QCOMPARE(sizeOfAlpha(), start + 101);
    QVERIFY(!running().FormEdit->RedoBtn->isEnabled());
    // Half-way back, a new command drops what could be redone and is counted on top.
    for (int i = 0; i < 50; ++i)
        running().FormEdit->UndoBtn->click();
    select(0, 5);
    running().FormEdit->siSizeMinus->click();
    QVERIFY(!running().FormEdit->RedoBtn->isEnabled());
    QCOMPARE(sizeOfAlpha(), start + 50);
    int undone = 0;
    while (running().FormEdit->UndoBtn->isEnabled() && undone < 200) {
        running().FormEdit->UndoBtn->click();
        ++undone;
    }
    QCOMPARE(undone, 51);
    QCOMPARE(sizeOfAlpha(), start + 1);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorCommands::findAndFindNext()
{
    AppFixture app;
    // Hits at 0 and 22 (whole words), 6 "alphabet", 15 "ALPHA", 28 "alpha_x".
    openWith(app, "Alpha alphabet ALPHA  alpha alpha_x");
    auto &dialogs = app.dialogs;
    // Find Next before any search with a text only beeps.
    trigger(running().FormEdit->FindNextItem);
    QCOMPARE(dialogs.count("beep"), 1);
    QCOMPARE(dialogs.count("warning"), 0);

    select(6, 11);
    trigger(running().FormEdit->FindItem);
    QCOMPARE(dialogs.shown.last().kind, QString("find"));
    QCOMPARE(dialogs.shown.last().text, QString("alpha"));
    caret(0);
    running().FormEdit->EditFindClick();
    QCOMPARE(dialogs.shown.last().text, QString()); // the dialog keeps its own
    QVERIFY(dialogs.searchTarget);

    const auto hits = [&](quil::SearchRequest r, int from) {
        caret(from);
        QList<int> found;
        while (dialogs.searchTarget->findNext(r) && found.size() < 10)
            found << editor()->SelStart();
        return found;
    };
    quil::SearchRequest r = request("alpha");
    QCOMPARE(hits(r, 0), (QList<int>{0, 6, 15, 22, 28}));
    r.matchCase = true;
    QCOMPARE(hits(r, 1), (QList<int>{6, 22, 28}));
    r.wholeWord = true;
    QCOMPARE(hits(r, 0), (QList<int>{22}));
    r.matchCase = false;
    r.down = false;
    QCOMPARE(hits(r, 35), (QList<int>{22, 15, 0}));
    QCOMPARE(editor()->SelLength(), 5);
    // Every miss says so with the search text.
    QCOMPARE(dialogs.shown.last().kind, QString("warning"));
    QCOMPARE(dialogs.shown.last().text, QString("Text \"alpha\" not found."));
    const int warnings = dialogs.count("warning");

    // Find Next repeats the last search (up, whole word) and, on a miss, warns then beeps.
    caret(35);
    trigger(running().FormEdit->FindNextItem);
    QCOMPARE(editor()->SelStart(), 22);
    QCOMPARE(dialogs.count("warning"), warnings);
    caret(0);
    const int beeps = dialogs.count("beep");
    trigger(running().FormEdit->FindNextItem);
    QCOMPARE(dialogs.count("warning"), warnings + 1);
    QCOMPARE(dialogs.count("beep"), beeps + 1);
    QCOMPARE(dialogs.shown.last().kind, QString("beep"));
    // A search for nothing is no last search.
    quil::SearchRequest empty;
    QVERIFY(!dialogs.searchTarget->findNext(empty));
    caret(35);
    trigger(running().FormEdit->FindNextItem);
    QCOMPARE(editor()->SelStart(), 22);
    QCOMPARE(state(), quil::DataSetState::Browse);
}

void TestEditorCommands::replaceAndReplaceAll()
{
    AppFixture app;
    openWith(app, Sample);
    auto &dialogs = app.dialogs;
    select(0, 5);
    trigger(running().FormEdit->ReplaceItem);
    QCOMPARE(dialogs.shown.last().kind, QString("replace"));
    QCOMPARE(dialogs.shown.last().text, QString("alpha"));
    QCOMPARE(dialogs.shown.last().detail, QString()); // the replace text is not given

    // Replace: the selected hit goes and the next one is selected.
    editor()->setText(QStringLiteral("cat Cat cat concat"));
    caret(0);
    quil::SearchRequest r = request("cat", "dog");
    QVERIFY(dialogs.searchTarget->replaceNext(r));
    QCOMPARE(editor()->Text(), QString("dog Cat cat concat"));
    QCOMPARE(editor()->SelStart(), 4);
    QCOMPARE(editor()->SelLength(), 3);
    r.matchCase = true;
    QVERIFY(dialogs.searchTarget->replaceNext(r));
    QCOMPARE(editor()->Text(), QString("dog Cat dog concat"));

    // Replace all from the selection onward, counted, as one undo step.
    editor()->setText(QStringLiteral("cat Cat cat concat cat"));
    caret(4);
    r = request("cat", "лев");
    r.wholeWord = true;
    QCOMPARE(dialogs.searchTarget->replaceAll(r), 3);
    QCOMPARE(editor()->Text(), QString("cat лев лев concat лев"));
    editor()->undo();
    QCOMPARE(editor()->Text(), QString("cat Cat cat concat cat"));
    caret(22);
    r.down = false;
    r.wholeWord = false;
    r.replacement = "cats";
    QCOMPARE(dialogs.searchTarget->replaceAll(r), 5);
    QCOMPARE(editor()->Text(), QString("cats cats cats concats cats"));
    // Nothing to replace: counted 0 and reported.
    QCOMPARE(dialogs.searchTarget->replaceAll(request("absent", "x")), 0);
    QCOMPARE(dialogs.shown.last().text, QString("Text \"absent\" not found."));
    QVERIFY(!dialogs.searchTarget->replaceNext(request("absent", "x")));
    QCOMPARE(dialogs.count("warning"), 2);

    // The replacement takes the format of the text it replaces.
    editor()->setText(Sample);
    caret(0);
    QCOMPARE(dialogs.searchTarget->replaceAll(request("line", "row")), 1);
    QCOMPARE(editor()->document()->toRawText().mid(17, 10), QString("second row"));
    QCOMPARE(boldRanges(17, 28), QString("24-26"));
}

void TestEditorCommands::findDialogSendsItsRequest()
{
    AppFixture app;
    openWith(app, "one Two two two");
    quil::FindDialog dialog;
    dialog.open(*editor(), true, "two", "2");
    auto *findNext = dialog.findChild<QPushButton *>("FindNextBtn");
    auto *replaceAll = dialog.findChild<QPushButton *>("ReplaceAllBtn");
    QVERIFY(findNext && replaceAll);
    // Each label's mnemonic leads to its field, so it shows no "&".
    for (QLabel *label : dialog.findChildren<QLabel *>())
        QVERIFY2(label->buddy(), qPrintable(label->text()));
    // Russian, as every other dialog of the program, with no mnemonic taken twice.
    QStringList texts{dialog.windowTitle()};
    for (QAbstractButton *b : dialog.findChildren<QAbstractButton *>())
        texts << b->text();
    for (QLabel *label : dialog.findChildren<QLabel *>())
        texts << label->text();
    for (QGroupBox *box : dialog.findChildren<QGroupBox *>())
        texts << box->title();
    static const QRegularExpression cyrillic(QStringLiteral("[А-яЁё]"));
    QStringList mnemonics;
    for (const QString &text : texts) {
        QVERIFY2(text.contains(cyrillic), qPrintable(text));
        if (const int amp = int(text.indexOf('&')); amp >= 0)
            mnemonics << text.mid(amp + 1, 1).toLower();
    }
    QCOMPARE(mnemonics.removeDuplicates(), 0);
    QVERIFY(replaceAll->isVisible());
    dialog.findChild<QCheckBox *>("MatchCaseBox")->setChecked(true);
    caret(0);
    findNext->click();
    QCOMPARE(editor()->SelStart(), 8);
    replaceAll->click();
    QCOMPARE(editor()->Text(), QString("one Two 2 2"));
    // Opened again with no text: it keeps its texts and options; find hides replace.
    dialog.open(*editor(), false, QString(), QString());
    QCOMPARE(dialog.request().text, QString("two"));
    QCOMPARE(dialog.request().replacement, QString("2"));
    QVERIFY(dialog.request().matchCase);
    QVERIFY(!replaceAll->isVisible());
    dialog.findChild<QRadioButton *>("UpBtn")->setChecked(true);
    dialog.findChild<QLineEdit *>("FindText")->setText("one");
    caret(11);
    findNext->click();
    QCOMPARE(editor()->SelStart(), 0);
    // A dialog standing over the hit moves off it.
    const QRect hit = editor()->hitRect();
    dialog.move(hit.center() - QPoint(dialog.frameGeometry().width() / 2, 10));
    QVERIFY(dialog.frameGeometry().intersects(hit));
    caret(11);
    findNext->click();
    QCOMPARE(editor()->hitRect(), hit);
    QVERIFY(!dialog.frameGeometry().intersects(hit));
}

void TestEditorCommands::resetActsOnTypingOnly()
{
    // The first word bold, red and superscript: moving to it changes nothing, and what is
    // typed there next comes plain and black.
    const QString rtf = QStringLiteral(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}{\\colortbl ;\\red255\\green0\\blue0;}"
        "\\f0\\fs24\\cf1\\b\\super first\\nosupersub\\b0\\cf0  rest\\par}");
    AppFixture app;
    openWith(app, rtf);
    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QCOMPARE(state(), quil::DataSetState::Browse);
    QVERIFY(!editor()->Modified());
    QCOMPARE(boldRanges(0, 10), QString("0-4"));
    QCOMPARE(editor()->textCursor().position(), 0);
    QTest::keyClicks(editor(), "x");
    const QTextCharFormat typed = charAt(0);
    QVERIFY(typed.fontWeight() != QFont::Bold);
    QCOMPARE(typed.verticalAlignment(), QTextCharFormat::AlignNormal);
    QCOMPARE(typed.foreground().color(), QColor(0, 0, 0));
    QCOMPARE(boldRanges(0, 11), QString("1-5"));
    QCOMPARE(charAt(1).foreground().color(), QColor(255, 0, 0));
    running().Form1->bbSaveClick();
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorCommands::rtfReadsBackAsWritten()
{
    AppFixture app;
    const QString path = openWith(app, "one two three four five\nsix seven eight\nnine ten");
    // Formats made by the commands, one kind each.
    const QList<QPair<int, QToolButton *>> words{
        {1, running().FormEdit->BoldBtn},         {5, running().FormEdit->ItalicBtn},
        {9, running().FormEdit->UnderlineBtn},    {15, running().FormEdit->SubscriptBtn},
        {20, running().FormEdit->SuperscriptBtn}, {25, running().FormEdit->siSizePlus},
        {30, running().FormEdit->siBackColor},    {35, running().FormEdit->siBlackColor}};
    for (const auto &[at, b] : words) {
        caret(at);
        b->click();
    }
    caret(26);
    running().FormEdit->siSpaceOneAndHalf->click();
    running().FormEdit->CenterBtn->click();
    caret(41);
    running().FormEdit->BulletsBtn->click();
    caret(2);
    running().FormEdit->RightBtn->click();
    app.dialogs.nextFonts.enqueue({QFont("Arial", 15), QColor(0, 128, 0)});
    caret(42);
    trigger(running().FormEdit->NewFontItem);
    const QString written = editor()->Rtf();

    QTextDocument back;
    back.setDefaultFont(editor()->document()->defaultFont());
    QVERIFY(quil::rtf::RtfReader::read(written, &back));
    QCOMPARE(back.toRawText(), editor()->document()->toRawText());
    const auto describe = [](const QTextCharFormat &f) {
        return QString("%1 %2 %3 %4 %5 %6 %7 %8")
            .arg(f.fontWeight() == QFont::Bold)
            .arg(f.fontItalic())
            .arg(f.fontUnderline())
            .arg(int(f.verticalAlignment()))
            .arg(f.fontPointSize() > 0 ? f.fontPointSize() : 12.0)
            .arg(f.foreground().style() == Qt::NoBrush ? "auto" : f.foreground().color().name())
            .arg(f.background().style() == Qt::NoBrush ? "none" : f.background().color().name())
            .arg(f.fontFamilies().toStringList().value(0, "Times New Roman"));
    };
    for (int p = 0; p < back.characterCount() - 1; ++p)
        QCOMPARE(describe(charAt(&back, p)), describe(charAt(p)));
    for (QTextBlock a = back.begin(), b = editor()->document()->begin(); a.isValid();
         a = a.next(), b = b.next()) {
        QCOMPARE(horizontal(a.blockFormat()), horizontal(b.blockFormat()));
        QCOMPARE(spacingOf(a.blockFormat()), spacingOf(b.blockFormat()));
        QCOMPARE(
            a.textList() ? a.textList()->format().style() : QTextListFormat::ListStyleUndefined,
            b.textList() ? b.textList()->format().style() : QTextListFormat::ListStyleUndefined);
    }
    // Stored, left and come back to: the same RTF.
    running().FormEdit->SaveTableBtn->click();
    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QCOMPARE(editor()->Rtf(), written);
    QCOMPARE(storedRows(path, "Resume").value(0), written);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorCommands::readOnlyLibraryOffersNoChanges()
{
    AppFixture app;
    const ReadOnlyLibrary library(app, "Demo.mdb", {{"А", "Первая", "2001"}});
    if (!library.mounted)
        QSKIP("this test may not mount a file system");
    QVERIFY(library.readOnly);
    app.start();
    app.pick(library.path);
    running().Form1->mmAbstractClick();
    QVERIFY(editor()->isReadOnly());
    // What would change the abstract is not offered: the change could not be stored. What
    // reads, saves to a file or prints it is (Copy waits for a selection, in an empty abstract).
    const QStringList changing{"OpenBtn", "SaveTableBtn", "CutBtn",    "PasteBtn",
                               "UndoBtn", "RedoBtn",      "siLinkFont"};
    for (QToolButton *b : running().FormEdit->SpeedBar->findChildren<QToolButton *>()) {
        if (b == running().FormEdit->CopyBtn)
            continue;
        const bool changes =
            b->property("Section").toString() == "Format" || changing.contains(b->objectName());
        QVERIFY2(b->isEnabled() != changes, qPrintable(b->objectName()));
    }
    for (QAction *item : {running().FormEdit->pmEditCut, running().FormEdit->Paste1,
                          running().FormEdit->ReplaceItem, running().FormEdit->NewFontItem,
                          running().FormEdit->FontLinkItem})
        QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
    for (QAction *item : {running().FormEdit->SelectAllItem, running().FormEdit->FindItem,
                          running().FormEdit->FindNextItem})
        QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));
    QVERIFY(!running().FormEdit->lbSymbol->isEnabled());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

QUIL_APP_TEST_MAIN(TestEditorCommands)
#include "test_editor_commands.moc"
