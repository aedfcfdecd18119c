// The import commands in the window: the dialogs answered as a user would, the rows checked in
// the library file, and the window put back as it was after an import that fails.
#include "AppFixture.h"

#include "db/Connection.h"
#include "db/Engine.h"
#include "import/BookImporter.h"
#include "import/gui/ImportProgressDialog.h"
#include "rtf/RtfTextExtractor.h"

#include <QDir>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace {

const QString Columns = QStringLiteral("Name, Title, WPublisher, City, Location, Pages, Resume");

// An abstract file of the ordinary layout; tag marks each of its roles.
QByteArray abstractFile(const QByteArray &tag)
{
    return "Src " + tag + ". 2004 Jan;1:1-2.\r\n\r\n\r\nTitle " + tag + "\r\n\r\nAuthors " + tag +
           "\r\n\r\nInfo " + tag + "\r\n\r\nAbstract " + tag + "\r\n";
}

QString abstractRow(const QString &tag)
{
    return QStringLiteral("Authors %1|Title %1|Src %1. 2004 Jan;1:1-2.|2004|Key Words|Info %1|"
                          "Abstract %1")
        .arg(tag);
}

// What the window shows of an import while it runs, read from inside its progress dialog.
struct SeenDuringImport {
    QString caption;
    QString progressText;
    bool blocked = false;
};

void watchNextImport(SeenDuringImport &seen)
{
    QTimer::singleShot(0, [&seen] {
        seen.caption = running().Form1->windowTitle();
        QWidget *modal = QApplication::activeModalWidget();
        seen.blocked = qobject_cast<ImportProgressDialog *>(modal) != nullptr;
        if (auto *label = modal ? modal->findChild<QLabel *>("lbImportProgress") : nullptr)
            seen.progressText = label->text();
    });
}

// Every row of the entries and of the originals kept beside them.
QStringList libraryRows(const QString &path)
{
    QStringList rows;
    const QString name = QStringLiteral("rows");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            return {db.lastError().text()};
        for (const char *table : {"Books", "Originals"}) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY key").arg(table)))
                rows << QStringLiteral("%1: %2").arg(table, q.lastError().text());
            while (q.next()) {
                QStringList fields{QString::fromLatin1(table)};
                for (int i = 0; i < q.record().count(); ++i)
                    fields << q.value(i).toString();
                rows << fields.join(QLatin1Char('|'));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

void checkWindowRestored(const QString &caption)
{
    QCOMPARE(running().Form1->windowTitle(), caption);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(running().DataModule1->dataChangeAttached());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    void referenceList();
    void referenceListInItsEncoding();
    void bibliography();
    void abstractFolder();
    void progressWhileLong();
    void cancelledImportsLeaveTheLibraryAsItWas_data();
    void cancelledImportsLeaveTheLibraryAsItWas();
    void failingImportsRestoreTheWindow();
    void intoAnEmptyLibrary();
    void intoAReadOnlyLibrary();
};

void TestImportWindow::referenceList()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    const QString list = app.folder.file("Import Data/list.txt");
    writeBytes(list, "\xc0\xe1\xe2\t \xc3\xe4\xe5\tPub\t2001\tkw\r\nB\tT2\tP2\t2002\tk\tw\r\n");

    // Cancelling the dialog, from the tool bar, imports nothing.
    app.dialogs.nextFileNames.enqueue(QString());
    running().Form1->siImportData->click();
    QCOMPARE(app.dialogs.count("open"), 2);
    const quil::Dialogs::FileRequest request = app.dialogs.shown.last().request;
    QCOMPARE(request.title, QStringLiteral("Импорт Name-Title из файла.txt в Books.mdb"));
    QCOMPARE(request.filter, QStringLiteral("Import Data (*.txt)|*.TXT|"));
    QCOMPARE(request.initialFolder, app.folder.path() + QStringLiteral("Import Data"));
    QCOMPARE(request.fileName, QString());
    QCOMPARE(storedRows(path).size(), 1);

    app.dialogs.nextFileNames.enqueue(list);
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path, Columns),
             QStringList({"Старый|Том||1990|||", "Абв|Где|Pub|2001|kw||", "B|T2|P2|2002|kw||"}));
    // The grid and the status bar agree on the entries and on the one the import ended with.
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 3);
    QCOMPARE(running().Form1->statusPanel(0),
             QStringLiteral("%1 из 3").arg(running().DataModule1->ADOTable.RecNo()));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("B    T2"));
    QVERIFY(running().DataModule1->dataChangeAttached());
    QCOMPARE(running().Form1->focusWidget(), running().Form1->DBmeName);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

// A list in UTF-8, as editors write it now, is offered as UTF-8 with its first lines shown, and
// comes in as Cyrillic; the encoding the user picks instead is the one read.
void TestImportWindow::referenceListInItsEncoding()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    const QString list = app.folder.file("Import Data/utf8.txt");
    writeBytes(list, QStringLiteral("Ландау Л.Д.\tТеория поля\tМ.: Наука\t1988\tполе\r\n"
                                    "Ёлкин Ё.\tШум\tКиев\t2001\tк\r\n")
                         .toUtf8());

    // Cancelling the encoding imports nothing.
    app.dialogs.nextFileNames.enqueue(list);
    app.dialogs.nextEncodings.enqueue(QString());
    trigger(running().Form1->mmImReference);
    const quil::ScriptedDialogs::Shown chooser = app.dialogs.shown.last();
    QCOMPARE(chooser.kind, QStringLiteral("encoding"));
    QCOMPARE(chooser.caption, QStringLiteral("UTF-8"));
    QCOMPARE(chooser.detail, QStringLiteral("Кодировка файла utf8.txt"));
    QCOMPARE(chooser.text, QStringLiteral("Ландау Л.Д.\tТеория поля\tМ.: Наука\t1988\tполе\n"
                                          "Ёлкин Ё.\tШум\tКиев\t2001\tк\n"));
    QCOMPARE(storedRows(path).size(), 1);

    app.dialogs.nextFileNames.enqueue(list);
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path, Columns),
             QStringList({"Старый|Том||1990|||", "Ландау Л.Д.|Теория поля|М.: Наука|1988|поле||",
                          "Ёлкин Ё.|Шум|Киев|2001|к||"}));

    // A Windows-1251 list read as KOI8-R because the user said so.
    const QString windows = app.folder.file("Import Data/cp1251.txt");
    writeBytes(windows, "\xc0\xe1\xe2\t\xc3\xe4\xe5\tP\t2003\tk\r\n");
    app.dialogs.nextFileNames.enqueue(windows);
    app.dialogs.nextEncodings.enqueue(QStringLiteral("KOI8-R"));
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.shown.last().caption, QStringLiteral("windows-1251"));
    QCOMPARE(storedRows(path, Columns).last(), QStringLiteral("юАБ|цДЕ|P|2003|k||"));
}

// A BibTeX file with a Russian and a German entry and one broken between them: two entries
// come in, mapped into the fields, and one message names the line passed over.
void TestImportWindow::bibliography()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    const QString bib = app.folder.file("Import Data/refs.bib");
    writeBytes(bib, QStringLiteral("@article{landau1937,\n author = {Ландау, Лев Давидович},\n"
                                   " title = {К теории фазовых переходов},\n journal = {ЖЭТФ},\n"
                                   " year = 1937, volume = 7, pages = {19--32},\n"
                                   " keywords = {фазовые переходы, симметрия},\n"
                                   " abstract = {Теория {Ландау}.}}\n"
                                   "@article{broken, title = {Kein Ende\n"
                                   "@book{mueller, author = {M{\\\"u}ller, J{\\\"o}rg},\n"
                                   " title = {{\\\"U}ber Stra{\\ss}en}, publisher = {Springer},"
                                   " address = {Berlin}, year = 2001}\n")
                        .toUtf8());
    app.dialogs.nextFileNames.enqueue(bib);
    trigger(running().Form1->mmImBibliography);
    QCOMPARE(app.dialogs.shown[app.dialogs.shown.size() - 3].request.title,
             QStringLiteral("Импорт BibTeX или RIS в Books.mdb"));
    QCOMPARE(app.dialogs.shown[app.dialogs.shown.size() - 2].caption, QStringLiteral("UTF-8"));
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path, "Name, Title, WPublisher, City, Location"),
             QStringList({"Старый|Том||1990|",
                          "Ландау Л.Д.|К теории фазовых переходов|ЖЭТФ, 1937, т. 7, с. 19–32|1937|"
                          "фазовые переходы; симметрия",
                          "Müller J.|Über Straßen|Berlin: Springer, 2001|2001|"}));
    QCOMPARE(quil::rtf::RtfTextExtractor::plainText(storedRows(path, "Resume")[1]).trimmed(),
             QStringLiteral("Теория Ландау."));
    const quil::ScriptedDialogs::Shown message = app.dialogs.shown.last();
    QCOMPARE(message.kind, QStringLiteral("information"));
    QVERIFY2(message.text.startsWith(QStringLiteral("Не импортированы записи файла refs.bib (1):\n"
                                                    "строка 8 — ")),
             qPrintable(message.text));
    QCOMPARE(running().Form1->focusWidget(), running().Form1->DBmeName);
}

void TestImportWindow::abstractFolder()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    writeBytes(app.folder.file("Abstract/b.txt"), abstractFile("b"));
    writeBytes(app.folder.file("Abstract/a.txt"), abstractFile("a"));
    writeBytes(app.folder.file("Abstract/short.txt"), "only\r\ntwo lines\r\n");
    QVERIFY(QDir(app.folder.file("Abstract")).mkdir("sub"));
    writeBytes(app.folder.file("Abstract/sub/c.txt"), abstractFile("c"));

    // Any answer but Yes changes nothing.
    app.dialogs.nextAnswers.enqueue(false);
    trigger(running().Form1->mmImAbstract);
    const quil::ScriptedDialogs::Shown question = app.dialogs.shown.last();
    QCOMPARE(question.kind, QStringLiteral("question"));
    QCOMPARE(question.caption, QStringLiteral("Внимание!!!"));
    QCOMPARE(question.text,
             QStringLiteral("Загрузить Name-Title-Abstract из директории Abstract?"));
    QCOMPARE(storedRows(path).size(), 1);

    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmImAbstract);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path, Columns),
             QStringList({"Старый|Том||1990|||", abstractRow("a"), abstractRow("b")}));
    // One message names the file passed over and why; the sub-folder is not a file to import.
    const quil::ScriptedDialogs::Shown message = app.dialogs.shown.last();
    QCOMPARE(message.kind, QStringLiteral("information"));
    QCOMPARE(message.caption, QStringLiteral("QUIL.Lib"));
    QCOMPARE(message.text.count('\n'), 1);
    QVERIFY2(message.text.contains("short.txt — в файле 2 строки, а нужно не меньше 10"),
             qPrintable(message.text));
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 3);
    checkWindowRestored(QStringLiteral("Library Books.mdb"));

    // Imported again, every file gives its entry a second time; nothing passed over, no message.
    QFile::remove(app.folder.file("Abstract/short.txt"));
    const int shown = app.dialogs.shown.size();
    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmImAbstract);
    QCOMPARE(app.dialogs.shown.size(), shown + 1);
    QCOMPARE(storedRows(path).size(), 5);
}

void TestImportWindow::progressWhileLong()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    writeBytes(app.folder.file("Abstract/a.txt"), abstractFile("a"));
    writeBytes(app.folder.file("Import Data/list.txt"), "A\tT\r\nB\tU\r\n");
    ImportProgressDialog::setShowAfter(0);
    const auto longAgain = qScopeGuard([] { ImportProgressDialog::setShowAfter(1000); });

    // The progress dialog holds the window while the import runs, naming the count and file.
    SeenDuringImport abstracts;
    watchNextImport(abstracts);
    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmImAbstract);
    QVERIFY(abstracts.blocked);
    QCOMPARE(abstracts.caption, QStringLiteral("a.txt"));
    QCOMPARE(abstracts.progressText, QStringLiteral("Импортировано записей: 0 из 1\nФайл: a.txt"));
    checkWindowRestored(QStringLiteral("Library Books.mdb"));

    SeenDuringImport list;
    watchNextImport(list);
    app.dialogs.nextFileNames.enqueue(app.folder.file("Import Data/list.txt"));
    trigger(running().Form1->mmImReference);
    QVERIFY(list.blocked);
    QCOMPARE(list.progressText, QStringLiteral("Импортировано записей: 1\nФайл: list.txt"));
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestImportWindow::cancelledImportsLeaveTheLibraryAsItWas_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("stopAt"); // the report of its progress that stops it; -1 none
    QTest::addColumn<int>("batch");  // milliseconds of a batch; 0 commits every entry
    QTest::newRow("list, first report") << "list.txt" << 0 << 0;
    QTest::newRow("list, middle, batches committed") << "list.txt" << 2 << 0;
    QTest::newRow("list, middle, batch open") << "list.txt" << 2 << 60000;
    QTest::newRow("list, not stopped") << "list.txt" << -1 << 0;
    QTest::newRow("BibTeX, first report") << "refs.bib" << 0 << 0;
    QTest::newRow("BibTeX, middle, batches committed") << "refs.bib" << 2 << 0;
    QTest::newRow("BibTeX, not stopped") << "refs.bib" << -1 << 0;
}

void TestImportWindow::cancelledImportsLeaveTheLibraryAsItWas()
{
    QFETCH(QString, file);
    QFETCH(int, stopAt);
    QFETCH(int, batch);
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    quil::BookImporter::setDefaultBatch(batch);
    const auto batchAgain = qScopeGuard([] { quil::BookImporter::setDefaultBatch(10000); });
    // A record imported before, with its original kept, is part of what must stay.
    const QString before = app.folder.file("Import Data/before.bib");
    writeBytes(before, "@book{kept, author = {Kept, A.}, title = {Stays}, year = 2000}\n");
    app.dialogs.nextFileNames.enqueue(before);
    trigger(running().Form1->mmImBibliography);
    // Opened again, the library's text index is in step with the originals' new table.
    app.pick(path);
    QByteArray text;
    for (int i = 1; i <= 5; ++i)
        text += file.endsWith(".bib") ? QStringLiteral("@article{c%1, author = {Cancelme, N.}, "
                                                       "title = {Title %1}, year = 2001}\n")
                                            .arg(i)
                                            .toUtf8()
                                      : QStringLiteral("Cancelme N.\tTitle %1\r\n").arg(i).toUtf8();
    writeBytes(app.folder.file("Import Data/" + file), text);
    const QStringList rows = libraryRows(path);
    QCOMPARE(rows.size(), 3);
    const int shown = app.dialogs.shown.size();

    // The record before took one report.
    app.dialogs.stopProgressAt = stopAt < 0 ? -1 : stopAt + 1;
    ImportProgressDialog::setShowAfter(0);
    const auto longAgain = qScopeGuard([] { ImportProgressDialog::setShowAfter(1000); });
    app.dialogs.nextFileNames.enqueue(app.folder.file("Import Data/" + file));
    trigger(file.endsWith(".bib") ? running().Form1->mmImBibliography
                                  : running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors(), QStringList());
    checkWindowRestored(QStringLiteral("Library Books.mdb"));
    quil::Engine &engine = running().DataModule1->ADOTable.connection().engine();
    // The text index, asked directly.
    const auto index = engine.prepareOrThrow(
        "SELECT count(*) FROM BooksTextName WHERE BooksTextName MATCH "
        "'\"can\" AND \"anc\" AND \"nce\" AND \"cel\" AND \"elm\" AND \"lme\"'");
    QVERIFY2(index->exec() && index->next(), index->error().what());
    const qint64 indexed = index->integer(0);
    if (stopAt < 0) {
        QCOMPARE(storedRows(path).size(), 7);
        QCOMPARE(libraryRows(path).filter("Originals|").size(), file.endsWith(".bib") ? 6 : 1);
        QCOMPARE(indexed, 5);
        QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 7);
        QVERIFY(app.dialogs.shown.last().text.indexOf("отменён") < 0);
        return;
    }
    QCOMPARE(libraryRows(path), rows);
    QCOMPARE(indexed, 0);
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 2);
    QCOMPARE(app.dialogs.shown.size(), shown + 3); // the file, the encoding, the message
    QCOMPARE(app.dialogs.shown.last().kind, QStringLiteral("information"));
    QCOMPARE(app.dialogs.shown.last().text,
             QStringLiteral("Импорт из %1 отменён: библиотека осталась такой, какой была до него.")
                 .arg(file));
}

void TestImportWindow::failingImportsRestoreTheWindow()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Том", "1990"}});
    execOn(path, {"CREATE TRIGGER refuse BEFORE INSERT ON Books WHEN NEW.WName LIKE 'bad%' "
                  "BEGIN SELECT RAISE(ABORT, 'value refused'); END"});
    writeBytes(app.folder.file("Import Data/list.txt"), "A\tT\r\nbad\tU\r\nC\tV\r\n");
    writeBytes(app.folder.file("Abstract/a.txt"), abstractFile("a"));
    writeBytes(app.folder.file("Abstract/b.txt"), abstractFile("b").replace("Authors b", "bad b"));
    writeBytes(app.folder.file("Abstract/c.txt"), abstractFile("c"));

    app.dialogs.nextFileNames.enqueue(app.folder.file("Import Data/list.txt"));
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY2(app.dialogs.errors().first().startsWith(
                 "Строка 2 не сохранена (импортировано 1 запись): библиотека не приняла запись"),
             qPrintable(app.dialogs.errors().first()));
    QCOMPARE(storedRows(path, "Name").join(','), QStringLiteral("Старый,A"));
    checkWindowRestored(QStringLiteral("Library Books.mdb"));
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 2);
    QCOMPARE(running().Form1->statusPanel(0),
             QStringLiteral("%1 из 2").arg(running().DataModule1->ADOTable.RecNo()));

    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmImAbstract);
    QCOMPARE(app.dialogs.errors().size(), 2);
    QVERIFY2(app.dialogs.errors().last().startsWith(
                 "Файл b.txt не сохранён (импортировано 1 запись): библиотека не приняла запись"),
             qPrintable(app.dialogs.errors().last()));
    QCOMPARE(storedRows(path, "Name").join(','), QStringLiteral("Старый,A,Authors a"));
    checkWindowRestored(QStringLiteral("Library Books.mdb"));
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 3);

    // A list that cannot be opened is reported the same way and changes nothing.
    app.dialogs.nextFileNames.enqueue(app.folder.file("Import Data/missing.txt"));
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors().size(), 3);
    QVERIFY2(app.dialogs.errors().last().contains("missing.txt"),
             qPrintable(app.dialogs.errors().last()));
    QCOMPARE(storedRows(path).size(), 3);
    checkWindowRestored(QStringLiteral("Library Books.mdb"));
}

void TestImportWindow::intoAnEmptyLibrary()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Empty.mdb");
    writeBytes(app.folder.file("Import Data/list.txt"), "A\tT\tP\t1999\tk\r\n\r\nB\r\n");
    app.dialogs.nextFileNames.enqueue(app.folder.file("Import Data/list.txt"));
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors(), QStringList());
    // The placeholder entry comes first; a line with columns missing is stored, the blank one
    // is not.
    QCOMPARE(storedRows(path, Columns),
             QStringList({"New|New|||||", "A|T|P|1999|k||", "B|New|||||"}));
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 3);

    // The same for the abstract folder: the placeholder, then one entry per file.
    const QString other = app.makeLibrary("Empty2.mdb");
    app.pick(other);
    writeBytes(app.folder.file("Abstract/a.txt"), abstractFile("a"));
    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmImAbstract);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(other, Columns), QStringList({"New|New|||||", abstractRow("a")}));
    QCOMPARE(running().Form1->DBGrid->gridModel()->rowCount(), 2);
    checkWindowRestored(QStringLiteral("Library Empty2.mdb"));
}

void TestImportWindow::intoAReadOnlyLibrary()
{
    AppFixture app;
    const ReadOnlyLibrary library(app, "Demo.mdb", {{"А", "Первая", "2001"}});
    if (!library.mounted)
        QSKIP("this test may not mount a file system");
    QVERIFY(library.readOnly);
    const QString &path = library.path;
    writeBytes(app.folder.file("Import Data/list.txt"), "A\tT\r\nB\tU\r\n");
    writeBytes(app.folder.file("Abstract/a.txt"), abstractFile("a"));
    app.start();
    app.pick(path);
    const QString caption = QStringLiteral("Library Demo.mdb (только чтение)");
    QCOMPARE(running().Form1->windowTitle(), caption);

    // Each import says once, clearly, why nothing is stored, and the window comes back whole.
    app.dialogs.nextFileNames.enqueue(app.folder.file("Import Data/list.txt"));
    trigger(running().Form1->mmImReference);
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY2(app.dialogs.errors().last().contains("только для чтения"),
             qPrintable(app.dialogs.errors().last()));
    checkWindowRestored(caption);

    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmImAbstract);
    QCOMPARE(app.dialogs.errors().size(), 2);
    QVERIFY2(app.dialogs.errors().last().contains("только для чтения"),
             qPrintable(app.dialogs.errors().last()));
    checkWindowRestored(caption);

    QCOMPARE(app.table().RecordCount(), 1);
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QCOMPARE(app.currentName(), QStringLiteral("А"));
    QCOMPARE(readBytes(path), library.bytes);
}

QUIL_APP_TEST_MAIN(TestImportWindow)
#include "test_import_window.moc"
