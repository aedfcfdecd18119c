// The abstract editor bound to the current entry: following moves, storing with the caret kept,
// loading from and saving to files, printing, and the reset on record changes.
#include "AppFixture.h"

#include "editor/gui/TFormEdit.h"
#include "rtf/AbstractFile.h"
#include "rtf/RichText.h"
#include "rtf/RtfReader.h"

#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

namespace {

const QString BoldRtf = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}}"
    "\\f0\\fs24 plain \\b bold\\b0  tail\\par}");

// Two entries with abstracts, the first holding RTF.
QString startWithAbstracts(AppFixture &app)
{
    const QString path = app.makeLibrary(
        "Ed.mdb", {{"Автор1", "Title one", "2001"}, {"Автор2", "Title two", "2002"}});
    execOn(path, {"UPDATE Books SET Resume = '" + QString(BoldRtf).replace("'", "''") +
                      "' WHERE City = '2001'",
                  "UPDATE Books SET Resume = 'New' WHERE City = '2002'"});
    QDir().mkpath(app.folder.file("Abstract"));
    app.start();
    app.pick(path);
    running().Form1->mmAbstractClick();
    running().FormEdit->Editor->resize(600, 300);
    return path;
}

// The pages of a PDF file as its page objects count them.
int pdfPages(const QString &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return int(QString::fromLatin1(readBytes(pdf)).count(page));
}

// The document title in the PDF's information, as Qt writes it (UTF-16, big-endian).
QByteArray pdfTitle(const QString &title)
{
    QByteArray out("/Title (\xfe\xff", 10);
    for (QChar c : title)
        out += char(c.unicode() >> 8), out += char(c.unicode() & 0xff);
    return out + ')';
}

// Paragraphs of words without digits, each one distinct, so that a page number on the paper
// shows up as the only digit.
QString wordsAbstract(int paragraphs)
{
    QStringList lines;
    for (int i = 0; i < paragraphs; ++i)
        lines << QStringLiteral("para%1%2 text").arg(QChar('a' + i / 26 % 26), QChar('a' + i % 26));
    return lines.join(QStringLiteral("\r\n"));
}

QString printTo(AppFixture &app, const QString &file)
{
    const QString pdf = app.folder.file(file);
    app.dialogs.nextPrinters.enqueue({QString(), pdf});
    running().FormEdit->PrintBtn->click();
    return pdf;
}

QString storedResume(const QString &path, int row) { return storedRows(path, "Resume").value(row); }

bool boldAt(QTextDocument *doc, int position)
{
    QTextCursor c(doc);
    c.setPosition(position + 1);
    return c.charFormat().fontWeight() == QFont::Bold;
}

void placeCaret(quil::DBRichEdit *edit, int position)
{
    QTextCursor c = edit->textCursor();
    c.setPosition(position);
    edit->setTextCursor(c);
}

} // namespace

class TestEditorStorage : public QObject {
    Q_OBJECT
private slots:
    void followsTheCurrentEntry();
    void movingNeverEdits();
    void heldOnlyWhileShown();
    void saveInTableKeepsTheCaret();
    void saveInTableUnchangedDoesNothing();
    void typedTextKeepsItsFormat();
    void escapeRestores();
    void fileOpen_data();
    void fileOpen();
    void fileOpenOnEmptyTable();
    void fileOpenUnreadable();
    void fileOpenLarge_data();
    void fileOpenLarge();
    void reloadOfTheShownValue();
    void saveAs_data();
    void saveAs();
    void saveInRtfFile_data();
    void saveInRtfFile();
    void printToPdf();
    void printedPages();
    void closeAndHide();
};

void TestEditorStorage::followsTheCurrentEntry()
{
    AppFixture app;
    startWithAbstracts(app);
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    QCOMPARE(edit->Text(), QString("plain bold tail"));
    QVERIFY(boldAt(edit->document(), 6));
    QVERIFY(!boldAt(edit->document(), 0));
    QCOMPARE(edit->textCursor().position(), 0);
    running().Form1->siNextClick();
    QCOMPARE(edit->Text(), QString("New"));
    QCOMPARE(edit->Modified(), false);
}

void TestEditorStorage::movingNeverEdits()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    const QStringList before = storedRows(path, "Resume, Name, Title");
    // The reset runs on every data change; it must leave the first word as stored.
    for (int i = 0; i < 3; ++i) {
        running().Form1->siNextClick();
        running().Form1->siPriorClick();
        QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    }
    QVERIFY(boldAt(running().FormEdit->Editor->document(), 6));
    QCOMPARE(running().FormEdit->Editor->Modified(), false);
    running().Form1->bbSaveClick();
    QCOMPARE(storedRows(path, "Resume, Name, Title"), before);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorStorage::heldOnlyWhileShown()
{
    AppFixture app;
    const QString path = app.makeLibrary(
        "Held.mdb", {{"А1", "T1", "2001"}, {"А2", "T2", "2002"}, {"А3", "T3", "2003"}});
    // Each abstract its own, ending in the year.
    execOn(path, {"UPDATE Books SET Resume = replace('" + QString(BoldRtf).replace("'", "''") +
                  "', 'tail', City)"});
    app.start();
    app.pick(path);
    const auto readSince = [](int before) { return quil::DBRichEdit::documentsRead() - before; };

    // Hidden, the editor reads no abstract on a move; the abstract is read as data.
    int read = quil::DBRichEdit::documentsRead();
    running().Form1->siNextClick();
    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QCOMPARE(readSince(read), 0);
    QCOMPARE(running().DataModule1->abstract().text(), QString("plain bold 2002"));

    // Shown, it holds the current abstract and follows moves; typing goes with the move.
    running().Form1->mmAbstractClick();
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    QCOMPARE(edit->Text(), QString("plain bold 2002"));
    typeKeys(edit, "X");
    QVERIFY(running().DataModule1->abstract().modified());
    QCOMPARE(running().DataModule1->abstract().text(), QString("Xplain bold 2002"));
    read = quil::DBRichEdit::documentsRead();
    running().Form1->siNextClick();
    QCOMPARE(readSince(read), 1);
    QCOMPARE(quil::rtf::RichText::plainTextOf(storedResume(path, 1)), QString("Xplain bold 2002"));

    // Typed, then hidden: the typing waits in the record and goes with the next move.
    typeKeys(edit, "Y");
    running().Form1->mmAbstractClick();
    QVERIFY(running().DataModule1->abstract().modified());
    QCOMPARE(running().DataModule1->abstract().text(), QString("Yplain bold 2003"));
    read = quil::DBRichEdit::documentsRead();
    running().Form1->siPriorClick();
    QCOMPARE(readSince(read), 0);
    QCOMPARE(quil::rtf::RichText::plainTextOf(storedResume(path, 2)), QString("Yplain bold 2003"));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestEditorStorage::saveInTableKeepsTheCaret()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    // Enough paragraphs to scroll, and the caret on a line far down.
    placeCaret(edit, int(edit->Text().size()));
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QString("line %1 of the abstract").arg(i);
    QTest::keyClick(edit, Qt::Key_Return);
    edit->textCursor().insertText(lines.join("\n"));
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    const int target = edit->LineIndex(30) + 5;
    placeCaret(edit, target);
    edit->ScrollLines(25 - edit->FirstVisibleLine());
    const int firstVisible = edit->FirstVisibleLine();
    QVERIFY(firstVisible > 0);

    running().FormEdit->SaveTableBtn->click();
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QCOMPARE(edit->CaretLine(), 30);
    QCOMPARE(edit->CaretColumn(), 5);
    QCOMPARE(edit->FirstVisibleLine(), firstVisible);
    QCOMPARE(edit->Modified(), false);
    QVERIFY(!running().FormEdit->UndoBtn->isEnabled());

    // The stored RTF reads back to the same text and formats.
    const QString stored = storedResume(path, 0);
    QTextDocument back;
    QVERIFY(quil::rtf::RtfReader::read(stored, &back));
    QCOMPARE(back.toRawText(), edit->document()->toRawText());
    QVERIFY(boldAt(&back, 6));
    QCOMPARE(stored, edit->Rtf());

    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QCOMPARE(edit->Text(), QString("plain bold tail\r\n") + lines.join("\r\n"));
    QVERIFY(boldAt(edit->document(), 6));
}

void TestEditorStorage::saveInTableUnchangedDoesNothing()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    const QStringList before = storedRows(path, "Resume");
    placeCaret(running().FormEdit->Editor, 3);
    running().FormEdit->SaveTableBtnClick();
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QCOMPARE(storedRows(path, "Resume"), before);
    QCOMPARE(running().FormEdit->Editor->textCursor().position(), 3);
}

void TestEditorStorage::typedTextKeepsItsFormat()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    placeCaret(edit, 0);
    // Bold with the caret before the first word's start bolds that word...
    running().FormEdit->BoldBtn->click();
    QVERIFY(boldAt(edit->document(), 0));
    QVERIFY(boldAt(edit->document(), 4));
    // ...and between two blanks only what is typed next; entering edit state keeps that.
    placeCaret(edit, int(edit->Text().size()));
    QTest::keyClicks(edit, "  ");
    running().FormEdit->BoldBtn->setChecked(false);
    running().FormEdit->BoldBtn->click();
    QVERIFY(running().FormEdit->BoldBtn->isChecked());
    QTest::keyClicks(edit, "xy");
    const int end = int(edit->Text().size());
    QVERIFY(boldAt(edit->document(), end - 2));
    QVERIFY(boldAt(edit->document(), end - 1));
    running().FormEdit->SaveTableBtnClick();
    QTextDocument back;
    QVERIFY(quil::rtf::RtfReader::read(storedResume(path, 0), &back));
    QCOMPARE(back.toRawText(), QString("plain bold tail  xy"));
    QVERIFY(boldAt(&back, end - 1));
    QVERIFY(boldAt(&back, 0));
}

void TestEditorStorage::escapeRestores()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    placeCaret(edit, 0);
    QTest::keyClicks(edit, "zz");
    QCOMPARE(edit->Text(), QString("zzplain bold tail"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->Text(), QString("plain bold tail"));
    QVERIFY(boldAt(edit->document(), 6));
    // Losing the focus writes the field; what is typed after that is what Esc takes back.
    QTest::keyClicks(edit, "zz");
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    QTest::keyClicks(edit, "yy");
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->Text(), QString("zzplain bold tail"));
    QVERIFY(boldAt(edit->document(), 8));
    QCOMPARE(storedResume(path, 0), QString(BoldRtf));
    // Esc is one step that Undo takes back: the typing returns, to be stored again.
    QVERIFY(running().FormEdit->UndoBtn->isEnabled());
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(edit->Text(), QString("zzyyplain bold tail"));
    QVERIFY(boldAt(edit->document(), 10));
    running().FormEdit->SaveTableBtnClick();
    QTextDocument back;
    QVERIFY(quil::rtf::RtfReader::read(storedResume(path, 0), &back));
    QCOMPARE(back.toRawText(), QString("zzyyplain bold tail"));
    // The paragraphs come back with their own formats, the first one as well.
    execOn(path, {"UPDATE Books SET Resume = '{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}"
                  "\\qc\\f0 centred\\par\\pard\\ql left\\par}' WHERE City = '2002'"});
    app.table().Refresh();
    running().Form1->siNextClick();
    QCOMPARE(edit->Text(), QString("centred\r\nleft"));
    const auto alignment = [edit](int block) {
        return edit->document()->findBlockByNumber(block).blockFormat().alignment() &
               Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    };
    placeCaret(edit, 2);
    running().FormEdit->LeftBtn->click();
    QCOMPARE(alignment(0), Qt::AlignLeft);
    placeCaret(edit, 9);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->Text(), QString("centred\r\nleft"));
    QCOMPARE(alignment(0), Qt::AlignHCenter);
    QCOMPARE(alignment(1), Qt::AlignLeft);
}

void TestEditorStorage::fileOpen_data()
{
    QTest::addColumn<bool>("hasAbstract");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("pickFile");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("stored");
    QTest::newRow("no abstract: no question") << false << QList<bool>{} << true << "a.txt" << true;
    QTest::newRow("abstract, Yes") << true << QList<bool>{true} << true << "a.rtf" << true;
    QTest::newRow("abstract, No") << true << QList<bool>{false} << true << "a.rtf" << false;
    QTest::newRow("abstract, Yes, cancel")
        << true << QList<bool>{true} << false << "a.rtf" << false;
}

void TestEditorStorage::fileOpen()
{
    QFETCH(bool, hasAbstract);
    QFETCH(QList<bool>, answers);
    QFETCH(bool, pickFile);
    QFETCH(QString, file);
    QFETCH(bool, stored);
    AppFixture app;
    const QString path = startWithAbstracts(app);
    if (!hasAbstract) {
        execOn(path, {"UPDATE Books SET Resume = NULL"});
        app.table().Refresh();
    }
    const QString filePath = app.folder.file("Abstract/" + file);
    if (file.endsWith(".rtf"))
        writeBytes(filePath, "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0 \\i "
                             "\\'c0\\'e1\\i0 c\\par}");
    else
        writeBytes(filePath, "\xc0\xe1\r\nline");
    const QStringList before = storedRows(path, "Resume");
    for (bool a : answers)
        app.dialogs.nextAnswers.enqueue(a);
    app.dialogs.nextFileNames.enqueue(pickFile ? filePath : QString());
    app.dialogs.shown.clear();
    running().FormEdit->OpenBtn->click();

    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(app.dialogs.count("question"), hasAbstract ? 1 : 0);
    if (hasAbstract)
        QCOMPARE(app.dialogs.shown.first().caption + app.dialogs.shown.first().text,
                 QString("Attention!!!После загрузки файла данные Заключения будут потеряны. "
                         "Продолжить?"));
    const bool asked = !hasAbstract || answers.value(0);
    QCOMPARE(app.dialogs.count("open"), asked ? 1 : 0);
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    if (!stored) {
        QCOMPARE(storedRows(path, "Resume"), before);
        return;
    }
    const QString expected = file == "a.txt" ? QString("Аб\r\nline") : QString("Абc");
    QCOMPARE(running().FormEdit->Editor->Text(), expected);
    QCOMPARE(running().FormEdit->Editor->Modified(), false);
    const QString resume = storedResume(path, 0);
    QVERIFY2(resume.startsWith("{\\rtf1"), qPrintable(resume));
    QTextDocument back;
    QVERIFY(quil::rtf::RtfReader::read(resume, &back));
    QCOMPARE(back.toPlainText().replace("\n", "\r\n"), expected);
}

void TestEditorStorage::fileOpenOnEmptyTable()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Empty.mdb");
    QDir().mkpath(app.folder.file("Abstract"));
    running().Form1->mmAbstractClick();
    const QString file = app.folder.file("Abstract/x.txt");
    writeBytes(file, "text");
    app.dialogs.nextFileNames.enqueue(file);
    running().FormEdit->FileOpen();
    QCOMPARE(app.dialogs.errors(), QStringList());
    const QStringList rows = storedRows(path, "Name, Title, Resume");
    QCOMPARE(rows.size(), 1);
    QVERIFY2(rows[0].startsWith("New|New|{\\rtf1"), qPrintable(rows[0]));
}

void TestEditorStorage::fileOpenUnreadable()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    const QStringList before = storedRows(path, "Resume");
    app.dialogs.nextAnswers.enqueue(true);
    app.dialogs.nextFileNames.enqueue(app.folder.file("Abstract/missing.rtf"));
    running().FormEdit->OpenBtn->click();
    QCOMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(running().FormEdit->Editor->Text(), QString("plain bold tail"));
    QVERIFY(running().DataModule1->dataChangeAttached());
    QCOMPARE(storedRows(path, "Resume"), before);
}

void TestEditorStorage::fileOpenLarge_data()
{
    QTest::addColumn<bool>("blanks");
    QTest::addColumn<int>("characters");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QTextOption::WrapMode>("wrap");
    QTest::newRow("one paragraph without blanks")
        << false << 600000 << true << QTextOption::WrapAnywhere;
    QTest::newRow("one paragraph of words")
        << true << 600000 << true << QTextOption::WrapAtWordBoundaryOrAnywhere;
    QTest::newRow("small file, no notice")
        << true << 4000 << false << QTextOption::WrapAtWordBoundaryOrAnywhere;
}

// A large file loads whole, with a notice of what holds the window that goes away at the end;
// a paragraph without blanks wraps anywhere, as the abstract view wraps it.
void TestEditorStorage::fileOpenLarge()
{
    QFETCH(bool, blanks);
    QFETCH(int, characters);
    QFETCH(bool, busy);
    QFETCH(QTextOption::WrapMode, wrap);
    AppFixture app;
    const QString path = startWithAbstracts(app);
    QByteArray text(characters, 'x');
    for (int i = 7; blanks && i < characters; i += 8)
        text[i] = ' ';
    const QString file = app.folder.file("Abstract/large.rtf");
    writeBytes(file,
               "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + text + "\\par}");
    app.dialogs.nextAnswers.enqueue(true);
    app.dialogs.nextFileNames.enqueue(file);
    app.dialogs.shown.clear();
    running().FormEdit->OpenBtn->click();
    QCOMPARE(app.dialogs.errors(), QStringList());
    QStringList notices;
    for (const auto &shown : app.dialogs.shown)
        if (shown.kind == "busy")
            notices << shown.text;
    const QStringList expected =
        busy ? QStringList{"Загрузка абстракта из файла large.rtf ...", QString()} : QStringList();
    QCOMPARE(notices, expected);
    QCOMPARE(running().FormEdit->Editor->wordWrapMode(), wrap);
    QCOMPARE(running().FormEdit->Editor->Text(), QString::fromLatin1(text));
    QCOMPARE(quil::rtf::RichText::plainTextOf(storedResume(path, 0)), QString::fromLatin1(text));
}

// Putting the record into edit state reloads the abstract: the value the document was read
// from is not read again. A change of the document, of its formats too, or of the stored value
// is read anew.
void TestEditorStorage::reloadOfTheShownValue()
{
    AppFixture app;
    const QString path = startWithAbstracts(app);
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    // Reading builds a document of its own.
    const QPointer<QTextDocument> shown = edit->document();
    app.table().Edit();
    QVERIFY2(shown == edit->document(), "read again at Edit");
    app.table().Cancel();
    QVERIFY2(shown == edit->document(), "read again at Cancel");
    QCOMPARE(edit->Text(), QString("plain bold tail"));

    placeCaret(edit, 1);
    running().FormEdit->BoldBtn->click();
    QVERIFY(boldAt(edit->document(), 0));
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!boldAt(edit->document(), 0));
    QVERIFY(boldAt(edit->document(), 6));

    app.table().Cancel();
    execOn(path, {"UPDATE Books SET Resume = 'other' WHERE City = '2001'"});
    app.table().Refresh();
    QCOMPARE(edit->Text(), QString("other"));
}

void TestEditorStorage::saveAs_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file"); // empty: refused before the dialog
    QTest::addColumn<QByteArray>("startsWith");
    QTest::newRow("rtf") << "Title one"
                         << "out.rtf" << QByteArray("{\\rtf1");
    QTest::newRow("txt in any case") << "Title one"
                                     << "out.TXT" << QByteArray("qplain bold tail");
    QTest::newRow("title with a slash") << "A/B"
                                        << "" << QByteArray();
}

void TestEditorStorage::saveAs()
{
    QFETCH(QString, title);
    QFETCH(QString, file);
    QFETCH(QByteArray, startsWith);
    AppFixture app;
    const QString path = startWithAbstracts(app);
    execOn(path, {"UPDATE Books SET Title = '" + title + "' WHERE City = '2001'"});
    app.table().Refresh();
    QTest::keyClicks(running().FormEdit->Editor, "q");
    QVERIFY(running().FormEdit->Editor->Modified());
    const QString target = app.folder.file("Abstract/" + file);
    app.dialogs.nextFileNames.enqueue(target);
    running().FormEdit->SaveAsBtn->click();
    if (file.isEmpty()) {
        // Refused with the reason, before a dialog could shorten the name.
        QCOMPARE(app.dialogs.count("save"), 0);
        QCOMPARE(app.dialogs.errors().size(), 1);
        QVERIFY2(app.dialogs.errors().constFirst().contains("A/B.Abstract.rtf"),
                 qPrintable(app.dialogs.errors().constFirst()));
        QVERIFY(running().FormEdit->Editor->Modified());
        return;
    }
    QCOMPARE(app.dialogs.errors(), QStringList());
    const auto &request = app.dialogs.shown.last().request;
    QCOMPARE(request.fileName, app.folder.file("Abstract/" + title + ".Abstract.rtf"));
    QCOMPARE(request.initialFolder, app.folder.file("Abstract"));
    QCOMPARE(request.filter, QString("Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT"));
    QVERIFY(request.confirmOverwrite);
    const QByteArray bytes = readBytes(target);
    QVERIFY2(bytes.startsWith(startsWith), bytes);
    QCOMPARE(running().FormEdit->Editor->Modified(), false);
    // The table is not touched, and Save in Table now has nothing to do.
    running().FormEdit->SaveTableBtnClick();
    QCOMPARE(storedResume(path, 0), BoldRtf);
}

void TestEditorStorage::saveInRtfFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file"); // empty: refused
    QTest::addColumn<bool>("folder");  // false: the folder cannot take the file
    QTest::newRow("authors") << "Иванов И.И."
                             << "Иванов И.И..Abstract.rtf" << true;
    QTest::newRow("empty name") << ""
                                << ".Abstract.rtf" << true;
    QTest::newRow("slash") << "../evil"
                           << "" << true;
    QTest::newRow("backslash") << "a\\b"
                               << "" << true;
    QTest::newRow("folder cannot be written") << "Петров"
                                              << "" << false;
}

void TestEditorStorage::saveInRtfFile()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(bool, folder);
    AppFixture app;
    const QString path = startWithAbstracts(app);
    execOn(path, {"UPDATE Books SET Name = '" + name + "' WHERE City = '2001'"});
    app.table().Refresh();
    placeCaret(running().FormEdit->Editor, 8);
    // A folder in the file's place: the file cannot be made there, whoever runs the test.
    if (!folder)
        QVERIFY(QDir().mkpath(app.folder.file("Abstract/" + name + ".Abstract.rtf")));
    app.dialogs.nextAnswers.enqueue(true);
    running().FormEdit->SaveInRTFileBtn->click();
    QCOMPARE(app.dialogs.shown.last().kind == "error"
                 ? app.dialogs.shown[app.dialogs.shown.size() - 2].text
                 : app.dialogs.shown.last().text,
             "Save Conclusion in file " + name + ".Abstract.rtf");
    const QStringList written =
        QDir(app.folder.file("Abstract")).entryList(QDir::Files | QDir::Hidden);
    if (!folder) {
        // The report names the file it could not write, with the system's reason after it.
        QCOMPARE(app.dialogs.errors().size(), 1);
        const QString error = app.dialogs.errors().constFirst();
        QVERIFY2(error.startsWith("Абстракт не удалось сохранить в файл \"" +
                                  QDir::toNativeSeparators(
                                      app.folder.file("Abstract/" + name + ".Abstract.rtf")) +
                                  "\".\n"),
                 qPrintable(error));
        return;
    }
    if (file.isEmpty()) {
        QCOMPARE(app.dialogs.errors().size(), 1);
        QCOMPARE(written, QStringList());
        QVERIFY(!QFile::exists(app.folder.file("evil.Abstract.rtf")));
        return;
    }
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(written, QStringList{file});
    QTextDocument back;
    quil::rtf::AbstractFile::load(app.folder.file("Abstract/" + file), &back);
    QCOMPARE(back.toRawText(), QString("plain bold tail"));
    QCOMPARE(running().FormEdit->Editor->textCursor().position(), 8);
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
}

void TestEditorStorage::printToPdf()
{
    AppFixture app;
    startWithAbstracts(app);
    // Cancel prints nothing.
    running().FormEdit->PrintBtn->click();
    QCOMPARE(app.dialogs.count("print"), 1);
    const QString pdf = app.folder.file("out.pdf");
    QVERIFY(!QFile::exists(pdf));
    app.dialogs.nextPrinters.enqueue({QString(), pdf});
    running().FormEdit->PrintBtn->click();
    QCOMPARE(app.dialogs.errors(), QStringList());
    const QByteArray bytes = readBytes(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    // The job carries the entry's title, not the stored RTF.
    QVERIFY(!bytes.contains("rtf1"));
    QByteArray title("/Title (\xfe\xff", 10);
    for (QChar c : QString("Title one"))
        title += char(0), title += char(c.unicode());
    QVERIFY2(bytes.contains(title), bytes.left(2000));
    // The next print dialog starts where the last print went.
    running().FormEdit->PrintBtn->click();
    QCOMPARE(app.dialogs.shown.last().text, pdf);
}

void TestEditorStorage::printedPages()
{
    AppFixture app;
    const QString path = app.makeLibrary(
        "Pr.mdb", {{"Автор1", "Title one", "2001"}, {"Автор2", "Title two", "2002"}});
    execOn(path, {"UPDATE Books SET Title = '' WHERE City = '2002'"});
    app.start();
    app.pick(path);
    running().Form1->mmAbstractClick();
    quil::DBRichEdit *edit = running().FormEdit->Editor;
    edit->setText(QStringLiteral("short"));
    const QString one = printTo(app, "one.pdf");
    QCOMPARE(pdfPages(one), 1);
    const int paragraphs = 150;
    edit->setText(wordsAbstract(paragraphs));
    const QString some = printTo(app, "some.pdf");
    const int pages = pdfPages(some);
    QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
    edit->setText(wordsAbstract(2 * paragraphs));
    const QString twice = printTo(app, "twice.pdf");
    const int twicePages = pdfPages(twice);
    QVERIFY2(twicePages >= 2 * pages - 1 && twicePages <= 2 * pages + 1,
             qPrintable(QString("%1 then %2").arg(pages).arg(twicePages)));
    // An entry without a title prints as "Abstract".
    QVERIFY(!readBytes(twice).contains(pdfTitle("Abstract")));
    running().Form1->siNextClick();
    const QString untitled = printTo(app, "untitled.pdf");
    QVERIFY(readBytes(untitled).contains(pdfTitle("Abstract")));
    QCOMPARE(app.dialogs.errors(), QStringList());

    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed: the printed text is not checked");
    QProcess run;
    run.start(pdftotext, {"-layout", some, "-"});
    QVERIFY(run.waitForFinished(30000));
    const QString text = QString::fromUtf8(run.readAllStandardOutput());
    QStringList onPaper = text.split('\f');
    if (onPaper.last().trimmed().isEmpty())
        onPaper.removeLast();
    QCOMPARE(onPaper.size(), pages);
    for (const QString &page : onPaper)
        QVERIFY(!page.trimmed().isEmpty());
    // No page numbers of Qt's own, and every paragraph once: none is lost between pages.
    QVERIFY2(!text.contains(QRegularExpression("\\d")), qPrintable(text.left(400)));
    for (const QString &line : wordsAbstract(paragraphs).split("\r\n"))
        QCOMPARE(text.count(line.section(' ', 0, 0)), 1);
    // The words keep clear of the paper's edges.
    run.start(pdftotext, {"-bbox", some, "-"});
    QVERIFY(run.waitForFinished(30000));
    const QString boxes = QString::fromUtf8(run.readAllStandardOutput());
    const QRegularExpression pageBox("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\"");
    const QRegularExpressionMatch size = pageBox.match(boxes);
    QVERIFY(size.hasMatch());
    const double width = size.captured(1).toDouble(), height = size.captured(2).toDouble();
    const double margin = 10 / 25.4 * 72; // 10 mm in points
    const QRegularExpression word(
        "xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\"");
    int words = 0;
    for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
        const QRegularExpressionMatch m = it.next();
        QVERIFY2(m.captured(1).toDouble() >= margin && m.captured(2).toDouble() >= margin &&
                     m.captured(3).toDouble() <= width - margin &&
                     m.captured(4).toDouble() <= height - margin,
                 qPrintable(m.captured(0)));
    }
    QCOMPARE(words, 2 * paragraphs);
}

void TestEditorStorage::closeAndHide()
{
    AppFixture app;
    startWithAbstracts(app);
    QCOMPARE(running().Form1->mmAbstract->property("Tag").toInt(), 1);
    running().FormEdit->close();
    QVERIFY(!running().FormEdit->isVisible());
    QCOMPARE(running().Form1->mmAbstract->property("Tag").toInt(), 0);
    running().Form1->mmAbstractClick();
    QVERIFY(running().FormEdit->isVisible());
    running().FormEdit->siCloseForm->click();
    QVERIFY(!running().FormEdit->isVisible());
    QCOMPARE(running().Form1->mmAbstract->property("Tag").toInt(), 0);
    QCOMPARE(running().FormEdit->windowTitle(), QString("Редактирование абстрактов"));
    QVERIFY(running().FormEdit->windowFlags() & Qt::WindowStaysOnTopHint);
    // "Абстракт" brings a minimised editor back, shown or hidden when minimised.
    running().Form1->mmAbstractClick();
    running().FormEdit->showMinimized();
    running().Form1->mmAbstractClick();
    QVERIFY(running().FormEdit->isVisible());
    QVERIFY(!running().FormEdit->isMinimized());
    QCOMPARE(running().Form1->mmAbstract->property("Tag").toInt(), 1);
    running().FormEdit->showMinimized();
    running().FormEdit->hide();
    running().Form1->editorClosed();
    running().Form1->mmAbstractClick();
    QVERIFY(running().FormEdit->isVisible());
    QVERIFY(!running().FormEdit->isMinimized());
}

QUIL_APP_TEST_MAIN(TestEditorStorage)
#include "test_editor_storage.moc"
