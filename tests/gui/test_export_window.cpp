// The export commands through the real window: the clipboard texts from the record pane and the
// editor as they stand, the text and HTML files from the menu and the pop-up for the whole table
// and for the selection, and writes that fail.
#include "AppFixture.h"

#include "platform/ScriptedClipboard.h"
#include "search/Selection.h"

#include <QDir>
#include <QStringEncoder>
#include <QTextCursor>
#include <unistd.h>

namespace {

// In the default order (year first): Петров 1985, Иванов И.И. 1990, Иванов А.А. 2001.
QString makeExportLibrary(AppFixture &app)
{
    const QString path =
        app.makeLibrary("Exp.mdb", {{"Иванов И.И.", "Механика", "1990"},
                                    {"Петров П.П.", "Оптика", "1985"},
                                    {"Иванов А.А.\r\nСидоров С.С.", "Теория поля", "2001"}});
    const QString rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times "
                        "New Roman;}}\\f0\\fs24 plain \\b bold\\b0  tail\\par second\\par}";
    execOn(path,
           {"UPDATE Books SET Location = 'физика'",
            "UPDATE Books SET WPublisher = 'М.: Наука', Resume = '" + rtf + "' WHERE City = '1990'",
            "UPDATE Books SET WPublisher = 'Физматлит', Resume = '' WHERE City = '2001'"});
    return path;
}

QByteArray cp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

const QString WholeHeader = "QUIL 3.02 - Запись всей информации из БД";
const QString SelectionHeader = "QUIL 3.02 - Запись выборки из БД";
const QStringList WholeRows = {"Петров П.П. Оптика ", "Иванов И.И. Механика М.: Наука",
                               "Иванов А.А.\r\nСидоров С.С. Теория поля Физматлит"};
const QStringList SelectionRows = WholeRows.mid(1);

QString textFile(const QString &header, const QStringList &rows)
{
    QString text = header + "\r\n";
    for (int i = 0; i < rows.size(); ++i)
        text += QString::number(i + 1) + ". " + rows[i] + "\r\n";
    return text;
}

QString htmlFile(const QString &header, const QStringList &rows)
{
    QString html =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\r\n"
        "<HTML lang=\"ru\">\r\n"
        "<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
        "<title>" +
        header +
        "</title>\r\n"
        "</head>\r\n"
        "<BODY TEXT=\"#000000\" BGCOLOR=\"#FFFFFF\" LINK=\"#FF0000\" VLINK=\"#800080\" "
        "ALINK=\"#0000FF\">\r\n";
    for (const QString &row : rows)
        html += row + "\r\n<BR><BR>\r\n";
    return html + "</HTML>\r\n";
}

// The entries with "Иванов" in the author, shown in the selection grid.
void showSelection()
{
    search::SelectionTexts texts;
    texts.author = "Иванов";
    search::runSelection(running().DataModule1->ADOQuery, texts);
    running().Form1->DBgrQuery->show();
}

// Types any text, Cyrillic too, one key press per character.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void replaceText(QPlainTextEdit *memo, const QString &text)
{
    memo->selectAll();
    typeText(memo, text);
}

void clear(QPlainTextEdit *memo)
{
    memo->selectAll();
    QTest::keyClick(memo, Qt::Key_Delete);
}

} // namespace

class TestExportWindow : public QObject {
    Q_OBJECT
private slots:
    void clipboardFromRecordPane_data();
    void clipboardFromRecordPane();
    void abstractFromEditor_data();
    void abstractFromEditor();
    void clipboardRefused();
    void fileExport_data();
    void fileExport();
    void bibliographyExport();
    void unsavedPaneEditIsWritten();
    void failedOrCancelledWrite();
};

// The reference on the second row (Иванов И.И., 1990) after the edits of a row, not saved.
void TestExportWindow::clipboardFromRecordPane_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("reference");
    QTest::newRow("as stored") << ""
                               << "Иванов И.И. Механика М.: Наука";
    QTest::newRow("author typed, not saved") << "author"
                                             << "Ландау Л.Д. Механика М.: Наука";
    QTest::newRow("two-line title") << "two lines"
                                    << "Иванов И.И. Том 1\r\nТом 2 М.: Наука";
    QTest::newRow("empty title: two blanks") << "no title"
                                             << "Иванов И.И.  М.: Наука";
    QTest::newRow("all parts empty: two blanks") << "all empty"
                                                 << "  ";
}

void TestExportWindow::clipboardFromRecordPane()
{
    QFETCH(QString, edit);
    QFETCH(QString, reference);
    AppFixture app;
    quil::ScopedScriptedClipboard clipboard;
    clipboard.held = "before";
    const QString path = makeExportLibrary(app);
    app.start();
    app.pick(path);
    running().Form1->siNextClick();
    const QStringList stored = storedRows(path, "WName, WTitle, WPublisher, Resume");

    if (edit == "author") {
        replaceText(running().Form1->DBmeName, "Ландау Л.Д.");
    } else if (edit == "two lines") {
        replaceText(running().Form1->DBmeTitle, "Том 1");
        QTest::keyClick(running().Form1->DBmeTitle, Qt::Key_Return);
        typeText(running().Form1->DBmeTitle, "Том 2");
    } else if (edit == "no title") {
        clear(running().Form1->DBmeTitle);
    } else if (edit == "all empty") {
        for (QPlainTextEdit *memo :
             {running().Form1->DBmeName, running().Form1->DBmeTitle, running().Form1->DBmePub})
            clear(memo);
    }

    trigger(running().Form1->mmBufReference);
    QCOMPARE(clipboard.published, QStringList{reference});
    trigger(running().Form1->mmBufAbstract);
    QCOMPARE(clipboard.published,
             (QStringList{reference, reference + "\r\nplain bold tail\r\nsecond"}));
    QCOMPARE(app.dialogs.errors(), QStringList());
    // Copying stores nothing; the edit is still there to be saved or dropped.
    QCOMPARE(storedRows(path, "WName, WTitle, WPublisher, Resume"), stored);
}

void TestExportWindow::abstractFromEditor_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editorShown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("copied");
    const QString second = "Иванов И.И. Механика М.: Наука\r\n";
    QTest::newRow("stored RTF, editor hidden")
        << 1 << false << "" << second + "plain bold tail\r\nsecond";
    QTest::newRow("stored RTF, editor shown")
        << 1 << true << "" << second + "plain bold tail\r\nsecond";
    QTest::newRow("typed into the editor, not saved")
        << 1 << true << " и ещё" << second + "plain bold tail\r\nsecond и ещё";
    QTest::newRow("empty abstract: reference and CR LF")
        << 2 << true << ""
        << "Иванов А.А.\r\nСидоров С.С. Теория поля Физматлит\r\n";
}

void TestExportWindow::abstractFromEditor()
{
    QFETCH(int, row);
    QFETCH(bool, editorShown);
    QFETCH(QString, typed);
    QFETCH(QString, copied);
    AppFixture app;
    quil::ScopedScriptedClipboard clipboard;
    const QString path = makeExportLibrary(app);
    app.start();
    app.pick(path);
    for (int i = 0; i < row; ++i)
        running().Form1->siNextClick();
    if (editorShown)
        trigger(running().Form1->mmAbstract);
    QCOMPARE(running().FormEdit->isVisible(), editorShown);
    if (!typed.isEmpty()) {
        QTextCursor end = running().FormEdit->Editor->textCursor();
        end.movePosition(QTextCursor::End);
        running().FormEdit->Editor->setTextCursor(end);
        typeText(running().FormEdit->Editor, typed);
    }
    const QStringList stored = storedRows(path, "Resume");

    trigger(running().Form1->mmBufAbstract);
    // One text became visible: never the reference alone.
    QCOMPARE(clipboard.published, QStringList{copied});
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path, "Resume"), stored);
}

void TestExportWindow::clipboardRefused()
{
    AppFixture app;
    quil::ScopedScriptedClipboard clipboard;
    clipboard.held = "another program's text";
    clipboard.refuseOpen = true;
    app.start();
    app.pick(makeExportLibrary(app));
    trigger(running().Form1->mmBufReference);
    trigger(running().Form1->mmBufAbstract);
    QCOMPARE(app.dialogs.errors(),
             (QStringList{"Cannot open clipboard.", "Cannot open clipboard."}));
    QCOMPARE(clipboard.published, QStringList());
    QCOMPARE(clipboard.held, QString("another program's text"));
    QCOMPARE(clipboard.isOpen(), false);
}

// BibTeX of the selection and RIS of the whole table, in UTF-8 in the order shown; the current
// entry copied as BibTeX with the key the file gives it.
void TestExportWindow::bibliographyExport()
{
    AppFixture app;
    QDir().mkpath(app.folder.file("Result"));
    app.start();
    app.pick(makeExportLibrary(app));
    showSelection();
    const QString bib = app.folder.file("Result/sel.bib");
    app.dialogs.nextFileNames.enqueue(bib);
    trigger(running().Form1->SampleInBibTeX);
    QCOMPARE(app.dialogs.errors(), QStringList());
    const quil::Dialogs::FileRequest request = app.dialogs.shown.last().request;
    QCOMPARE(request.title, QStringLiteral("Запись выборки в BibTeX файл"));
    QCOMPARE(request.initialFolder, app.folder.path() + "Result");
    QCOMPARE(request.defaultSuffix, QStringLiteral("bib"));
    const QString text = QString::fromUtf8(readBytes(bib));
    QVERIFY2(text.startsWith("@misc{ivanov1990a,\n  author = {Иванов, И.И.},\n"
                             "  title = {{Механика}},\n  howpublished = {М.: Наука},\n"
                             "  year = {1990},\n  keywords = {физика},\n"
                             "  abstract = {plain bold tail second},\n}\n\n"
                             "@misc{ivanov2001a,\n  author = {Иванов, А.А. and Сидоров, С.С.},"),
             qPrintable(text));
    QCOMPARE(text.count("@misc{"), 2);

    trigger(running().Form1->CloseSelectGrid);
    const QString ris = app.folder.file("Result/all.ris");
    app.dialogs.nextFileNames.enqueue(ris);
    trigger(running().Form1->SampleInRis);
    QCOMPARE(app.dialogs.shown.last().request.title,
             QStringLiteral("Запись всей информации в RIS файл"));
    const QString records = QString::fromUtf8(readBytes(ris));
    QCOMPARE(records.count("TY  - GEN\n"), 3);
    QVERIFY2(records.startsWith("TY  - GEN\nAU  - Петров, П.П.\nTI  - Оптика\nPY  - 1985\n"),
             qPrintable(records));

    quil::ScopedScriptedClipboard clipboard;
    app.table().First();
    trigger(running().Form1->mmBufBibTeX);
    QCOMPARE(clipboard.published.size(), 1);
    QVERIFY2(clipboard.published.first().startsWith("@misc{petrov1985a,\n"),
             qPrintable(clipboard.published.first()));
}

void TestExportWindow::fileExport_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("selection"); // "none", "shown" or "closed"
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    const QString txt = "Запись всей информации в TXT файл";
    const QString selTxt = "Запись выборки в TXT файл";
    const QString html = "Запись всей информации в HTML файл";
    const QString selHtml = "Запись выборки в HTML файл";
    const QString wholeText = textFile(WholeHeader, WholeRows);
    const QString wholeHtml = htmlFile(WholeHeader, WholeRows);
    QTest::newRow("text from the menu, whole table") << "menu"
                                                     << "none" << txt << wholeText;
    QTest::newRow("text from the menu, selection shown")
        << "menu"
        << "shown" << selTxt << textFile(SelectionHeader, SelectionRows);
    QTest::newRow("text from the menu, selection closed") << "menu"
                                                          << "closed" << txt << wholeText;
    QTest::newRow("text from the pop-up, whole table") << "popup"
                                                       << "none" << txt << wholeText;
    QTest::newRow("text from the pop-up, selection shown")
        << "popup"
        << "shown" << selTxt << textFile(SelectionHeader, SelectionRows);
    QTest::newRow("text from the pop-up, selection closed") << "popup"
                                                            << "closed" << txt << wholeText;
    QTest::newRow("html, whole table") << "html"
                                       << "none" << html << wholeHtml;
    QTest::newRow("html, selection shown")
        << "html"
        << "shown" << selHtml << htmlFile(SelectionHeader, SelectionRows);
    QTest::newRow("html, selection closed") << "html"
                                            << "closed" << html << wholeHtml;
}

void TestExportWindow::fileExport()
{
    QFETCH(QString, command);
    QFETCH(QString, selection);
    QFETCH(QString, title);
    QFETCH(QString, expected);
    AppFixture app;
    QDir().mkpath(app.folder.file("Result"));
    app.start();
    app.pick(makeExportLibrary(app));
    if (selection != "none") {
        showSelection();
        running().DataModule1->ADOQuery.Last();
    }
    if (selection == "closed")
        trigger(running().Form1->CloseSelectGrid);
    app.table().Last();

    const bool html = command == "html";
    const QString file = app.folder.file(html ? "Result/list.html" : "Result/list.txt");
    app.dialogs.nextFileNames.enqueue(file);
    trigger(command == "menu"    ? running().Form1->mmImDBSelnFile
            : command == "popup" ? running().Form1->ppSaveinFileQuery
                                 : running().Form1->SampleInHTML1);

    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(app.dialogs.count("save"), 1);
    const quil::Dialogs::FileRequest request = app.dialogs.shown.last().request;
    QCOMPARE(request.title, title);
    QCOMPARE(request.filter,
             QString(html ? "File Result (*.html)|*.html" : "File Result (*.txt)|*.TXT"));
    QCOMPARE(request.defaultSuffix, QString(html ? "html" : "txt"));
    QCOMPARE(request.initialFolder, app.folder.path() + "Result");
    QCOMPARE(request.fileName, QString());
    QCOMPARE(request.confirmOverwrite, true);
    QCOMPARE(readBytes(file), cp1251(expected));

    // The written dataset is back on its first row; the main table follows the selection's.
    if (selection == "shown") {
        QCOMPARE(running().DataModule1->ADOQuery.RecNo(), 1);
        QCOMPARE(app.currentName(), QString("Иванов И.И."));
    } else {
        QCOMPARE(app.table().RecNo(), 1);
        QCOMPARE(app.currentName(), QString("Петров П.П."));
    }
    QCOMPARE(app.table().ControlsDisabled(), false);
    QCOMPARE(running().DataModule1->ADOQuery.ControlsDisabled(), false);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

// A publisher typed into the record pane and not saved: the walk stores it before it starts, so
// the file shows it and it is not lost.
void TestExportWindow::unsavedPaneEditIsWritten()
{
    AppFixture app;
    QDir().mkpath(app.folder.file("Result"));
    app.start();
    const QString path = makeExportLibrary(app);
    app.pick(path);
    running().Form1->siLastClick();
    replaceText(running().Form1->DBmePub, "Наука-2");
    const QString file = app.folder.file("Result/list.txt");
    app.dialogs.nextFileNames.enqueue(file);
    trigger(running().Form1->mmImDBSelnFile);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QStringList rows = WholeRows;
    rows[2].replace("Физматлит", "Наука-2");
    QCOMPARE(readBytes(file), cp1251(textFile(WholeHeader, rows)));
    QVERIFY(storedRows(path, "WPublisher").contains("Наука-2"));
}

void TestExportWindow::failedOrCancelledWrite()
{
    AppFixture app;
    app.start();
    app.pick(makeExportLibrary(app));

    // Cancelled: nothing written, and the table does not move.
    const QStringList files = QDir(app.folder.path()).entryList(QDir::Files);
    app.table().Last();
    app.dialogs.nextFileNames.enqueue(QString());
    trigger(running().Form1->mmImDBSelnFile);
    QCOMPARE(app.table().RecNo(), 3);
    QCOMPARE(QDir(app.folder.path()).entryList(QDir::Files), files);

    // The program does not create "Result": a name in it cannot be written.
    QVERIFY(QDir(app.folder.file("Result")).removeRecursively());
    const QString missing = app.folder.file("Result/list.txt");
    app.dialogs.nextFileNames.enqueue(missing);
    trigger(running().Form1->SampleInHTML1);
    QCOMPARE(app.dialogs.errors(),
             QStringList{"Cannot create file " + QDir::toNativeSeparators(missing) + "."});
    QVERIFY(!QFileInfo::exists(app.folder.file("Result")));
    QCOMPARE(app.table().RecNo(), 1);
    QCOMPARE(app.table().ControlsDisabled(), false);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // An old file whose replacement cannot be made stays whole, with nothing left beside it.
    QDir().mkpath(app.folder.file("Result"));
    const QString longName = app.folder.file("Result/" + QString(250, 'n'));
    writeBytes(longName, "old content");
    app.dialogs.nextFileNames.enqueue(longName);
    app.table().Last();
    trigger(running().Form1->mmImDBSelnFile);
    QCOMPARE(app.dialogs.errors().size(), 2);
    QCOMPARE(app.dialogs.errors().last(),
             "Cannot create file " + QDir::toNativeSeparators(longName) + ".");
    QCOMPARE(readBytes(longName), QByteArray("old content"));
    QCOMPARE(QDir(app.folder.file("Result")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QString(250, 'n')});
    QCOMPARE(app.table().RecNo(), 1);

    // A folder that may not be written (permissions hold for anyone but the superuser).
    if (geteuid() != 0) {
        const QString locked = app.folder.file("Locked");
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        app.dialogs.nextFileNames.enqueue(locked + "/list.txt");
        trigger(running().Form1->mmImDBSelnFile);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(app.dialogs.errors().size(), 3);
        QCOMPARE(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

QUIL_APP_TEST_MAIN(TestExportWindow)
#include "test_export_window.moc"
