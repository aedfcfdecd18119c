// Reference lists: how lines and columns are cut, and what lands in the library file,
// including an import stopped half-way.
#include "FailDevice.h"
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "PipeWatchdog.h"
#include "ScopedTmpfs.h"
#include "import/BookImporter.h"
#include "import/Import.h"
#include "import/ReferenceList.h"
#include "platform/Error.h"
#include "platform/Plural.h"
#include "search/Finder.h"
#include "search/Selection.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "store/TextIndex.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString show(const QList<quil::ReferenceLine> &lines)
{
    QStringList out;
    for (const auto &l : lines)
        out << QStringLiteral("%1:%2|%3|%4|%5|%6")
                   .arg(l.number)
                   .arg(l.authors, l.title, l.publisher, l.year, l.keywords);
    return out.join(QLatin1Char('\n'));
}

// The message of the error that ends an import from the device; empty when none does.
QString importFailure(TDataModule1 &dm, QIODevice &device)
{
    try {
        quil::importReferenceList(dm, device);
    } catch (const quil::Error &e) {
        return e.message();
    }
    return {};
}

QString importFailure(TDataModule1 &dm, const QByteArray &bytes)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    return importFailure(dm, device);
}

struct Module {
    TDataModule1 dm;
    explicit Module(const QString &path)
    {
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
    }
};

// Rows written by UPDATE statements since the library was made (the fixture's trigger).
int updates(const QString &path)
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "updates");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        if (q.exec("SELECT count(*) FROM Writes") && q.next())
            n = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("updates");
    return n;
}

const QString Columns = QStringLiteral("Name, Title, WName, WTitle, WPublisher, City, Location, "
                                       "ifnull(Year,'null'), ifnull(Pages,'null'), "
                                       "ifnull(Resume,'null')");

} // namespace

class TestImportReferences : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void everyCyrillicLetter();
    void lineEndAtTheEdgeOfARead();
    void storesIntoTheLibrary();
    void emptyLibraryGetsThePlaceholderFirst();
    void refusedValueStopsHalfWay();
    void failingReadStopsHalfWay();
    void batchesReachTheFileAsTheImportRuns();
    void missingFile();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void endlessLineIsRefused();
    void fullDiskSaysSoOnce();
    void importedEntriesTakeTheirPlaces_data();
    void importedEntriesTakeTheirPlaces();
    void bigImportIsIndexedAfterward();
};

void TestImportReferences::lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("worked example")
        << QByteArray("Orlov A.B., Lee C.\t On thin liquid films\tJ. Appl. Fluids, 12(3): "
                      "45-51\t1999\tfilms, flow\t viscosity\r\n")
        << "1:Orlov A.B., Lee C.|On thin liquid films|J. Appl. Fluids, 12(3): 45-51|1999|"
           "films, flow viscosity";
    QTest::newRow("CR LF") << QByteArray("a\tb\tc\td\te\r\nf\tg\th\ti\tj\r\n")
                           << "1:a|b|c|d|e\n2:f|g|h|i|j";
    QTest::newRow("CR only") << QByteArray("a\tb\rc\td\r") << "1:a|b|||\n2:c|d|||";
    QTest::newRow("LF only") << QByteArray("a\tb\nc\td\n") << "1:a|b|||\n2:c|d|||";
    QTest::newRow("mixed") << QByteArray("a\r\nb\rc\nd\n\re")
                           << "1:a||||\n2:b||||\n3:c||||\n"
                              "4:d||||\n6:e||||";
    QTest::newRow("Ctrl+Z inside a line") << QByteArray("a\tb\r\nc\td\x1a"
                                                        "e\tf\r\ng\r\n")
                                          << "1:a|b|||\n2:c|d|||";
    QTest::newRow("Ctrl+Z at a line start") << QByteArray("a\r\n\x1azzz") << "1:a||||";
    // Line ends and Ctrl+Z at each place of an eight-byte word, after letters of the code page.
    QByteArray everyPlace;
    QStringList everyPlaceLines;
    int lineNumber = 0;
    for (int n = 7; n <= 17; ++n) {
        const char letter = char('a' + n);
        everyPlace +=
            QByteArray(n - 1, letter) + '\xe0' + QByteArrayList{"\r\n", "\n", "\r"}[n % 3];
        everyPlaceLines
            << QString("%1:%2а||||").arg(++lineNumber).arg(QString(n - 1, QChar(letter)));
    }
    QTest::newRow("line ends at every place of a word")
        << everyPlace + QByteArray(12, 'z') + "\x1a" + "after"
        << everyPlaceLines.join('\n') + QString("\n%1:zzzzzzzzzzzz||||").arg(lineNumber + 1);
    QTest::newRow("last line without line end") << QByteArray("a\r\nb\tc") << "1:a||||\n2:b|c|||";
    QTest::newRow("six and more columns")
        << QByteArray("1\t2\t3\t4\t5\t6\t 7\t8") << "1:1|2|3|4|56 78";
    QTest::newRow("two tabs in a row") << QByteArray("a\t\tc\t\te") << "1:a||c||e";
    QTest::newRow("only tabs are passed over") << QByteArray("\t\t\t\t") << "";
    QTest::newRow("leading and trailing spaces")
        << QByteArray("  two \t one\t\t  \t x ") << "1: two |one|| |x ";
    QTest::newRow("commas, points and dashes mean nothing")
        << QByteArray("a, b. - 1\tc;d") << "1:a, b. - 1|c;d|||";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("only a line end") << QByteArray("\r\n") << "";
    QTest::newRow("blank lines are passed over")
        << QByteArray("\r\na\r\n\r\n\nb\r\n") << "2:a||||\n5:b||||";
    QTest::newRow("lines of blanks and tabs are passed over")
        << QByteArray(" \r\n  \t \t\r\nz\r\n") << "3:z||||";
    QTest::newRow("NUL bytes are dropped")
        << QByteArray("a\0b\tc\0\r\n\0\0\r\n\0", 13) << "1:ab|c|||";
}

void TestImportReferences::lines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(show(quil::ReferenceListReader::parse(bytes)), expected);
}

void TestImportReferences::everyCyrillicLetter()
{
    QByteArray bytes;
    QString letters;
    for (int b = 0xC0; b <= 0xFF; ++b) {
        bytes.append(char(b));
        letters.append(QChar(0x410 + (b - 0xC0))); // А … я
    }
    bytes.append("\xA8\xB8\t\xB9");
    letters.append(QStringLiteral("Ёё"));
    const auto lines = quil::ReferenceListReader::parse(bytes);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].authors, letters);
    QCOMPARE(lines[0].title, QStringLiteral("№"));
}

void TestImportReferences::lineEndAtTheEdgeOfARead()
{
    // The reader takes the file in pieces of 256 KiB; a CR LF split between two pieces
    // ends one line, not two.
    for (const int edge : {256 * 1024 - 1, 256 * 1024, 256 * 1024 + 1}) {
        QByteArray bytes(edge, 'x');
        bytes.append("\r\ny\r\n");
        const auto lines = quil::ReferenceListReader::parse(bytes);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].authors.size(), edge);
        QCOMPARE(lines[1].number, 2);
        QCOMPARE(lines[1].authors, QStringLiteral("y"));
    }
}

void TestImportReferences::storesIntoTheLibrary()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "refs.mdb";
    library::create(path);
    execOn(path,
           {"CREATE TABLE Writes (k INTEGER)",
            "CREATE TRIGGER counted AFTER UPDATE ON Books BEGIN INSERT INTO Writes "
            "VALUES (old.key); END"},
           {{"Was", "There", "1990"}});
    const QByteArray list = "Orlov A.B.\t On films\tJ. Fluids\t1999\tfilms\t flow\r\n"
                            "\tNo authors\tP\t2001\tk\r\n"
                            "\r\n"
                            "Lee C.\tLast\tQ\t2002\tz";
    {
        Module m(path);
        m.dm.ADOTable.Edit(); // typed, not yet stored
        m.dm.ADOTableWName->setAsString("Was, edited");
        QBuffer device;
        device.setData(list);
        device.open(QIODevice::ReadOnly);
        int reported = 0;
        QString reportedFile;
        const quil::ImportResult result = quil::importReferenceList(
            m.dm, device, "list.txt", [&](int done, int, const QString &file) {
                reported = done;
                reportedFile = file;
                return true;
            });
        QCOMPARE(result.stored, 3);
        QCOMPARE(reported, 3);
        QCOMPARE(reportedFile, QStringLiteral("list.txt"));
        QVERIFY(m.dm.dataChangeAttached());
        // The snapshot holds the new entries, the last one current.
        QCOMPARE(m.dm.ADOTable.RecordCount(), 4);
        QCOMPARE(m.dm.ADOTableName->AsString(), QStringLiteral("Lee C."));
        QCOMPARE(m.dm.ADOTable.State(), quil::DataSetState::Browse);
        // The index of texts holds the new entries at once: a find answers from it.
        quil::Engine &engine = m.dm.ADOConnection.engine();
        QVERIFY(textindex::inStep(engine));
        const auto named = textindex::candidates(engine, book::Title, "ON FILMS");
        QVERIFY(named.has_value());
        QCOMPARE(named->size(), size_t(1));
        m.dm.ADOTable.First();
        const search::FindRequest request{search::FindTitle, "films", {}, search::FindFrom::First};
        QCOMPARE(search::findInTable(m.dm.ADOTable, request, nullptr), search::FindOutcome::Found);
        QCOMPARE(m.dm.ADOTableName->AsString(), QStringLiteral("Orlov A.B."));
    }
    QCOMPARE(storedRows(path, Columns),
             QStringList({"Was, edited|There|Was, edited|There||1990||null|null|null",
                          "Orlov A.B.|On films|Orlov A.B.|On films|J. Fluids|1999|films "
                          "flow|null|null|null",
                          "New|No authors||No authors|P|2001|k|null|null|null",
                          "Lee C.|Last|Lee C.|Last|Q|2002|z|null|null|null"}));
    // The entry that was current is stored once; imported entries are never rewritten.
    QCOMPARE(updates(path), 1);
}

void TestImportReferences::emptyLibraryGetsThePlaceholderFirst()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "empty.mdb";
    library::create(path);
    {
        Module m(path);
        QBuffer device;
        device.setData("a\tb\tc\td\te\r\n");
        device.open(QIODevice::ReadOnly);
        QCOMPARE(quil::importReferenceList(m.dm, device).stored, 1);
        QCOMPARE(m.dm.ADOTable.RecordCount(), 2);
        // An empty list stores nothing, not even the placeholder.
        QBuffer none;
        none.setData("\r\n\r\n");
        none.open(QIODevice::ReadOnly);
        QCOMPARE(quil::importReferenceList(m.dm, none).stored, 0);
    }
    QCOMPARE(storedRows(path, Columns),
             QStringList({"New|New||||||null|null|null", "a|b|a|b|c|d|e|null|null|null"}));
}

void TestImportReferences::refusedValueStopsHalfWay()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "refuse.mdb";
    library::create(path);
    execOn(path,
           {"CREATE TRIGGER refuse BEFORE INSERT ON Books WHEN NEW.WName = 'bad' "
            "BEGIN SELECT RAISE(ABORT, 'value refused'); END"},
           {{"Old", "Entry", "1980"}});
    QString message;
    {
        Module m(path);
        message = importFailure(m.dm, "one\tt1\r\ntwo\tt2\r\n\r\nbad\tt3\r\nfour\tt4\r\n");
        QVERIFY(m.dm.dataChangeAttached());
        QCOMPARE(m.dm.ADOTable.State(), quil::DataSetState::Browse);
        QCOMPARE(m.dm.ADOTable.RecordCount(), 3);
        QCOMPARE(m.dm.ADOTableName->AsString(), QStringLiteral("two"));
    }
    QVERIFY2(message.startsWith("Строка 4 не сохранена (импортировано 2 записи): библиотека не "
                                "приняла запись"),
             qPrintable(message));
    QVERIFY2(message.endsWith(".\nvalue refused"), qPrintable(message));
    QCOMPARE(storedRows(path, "Name, WTitle"), QStringList({"Old|Entry", "one|t1", "two|t2"}));
}

void TestImportReferences::failingReadStopsHalfWay()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "read.mdb";
    library::create(path);
    execOn(path, {}, {{"Old", "Entry", "1980"}});
    QByteArray list;
    for (int i = 0; i < 40000; ++i)
        list += "author " + QByteArray::number(i) + "\ttitle\tpub\t2000\tkey\r\n";
    const qint64 cut = 256 * 1024 + 10; // the second read fails
    const int whole = int(list.left(cut).count('\n'));
    QString message;
    {
        Module m(path);
        FailDevice device(list, cut, QStringLiteral("сбой устройства"));
        message = importFailure(m.dm, device);
        QCOMPARE(m.dm.ADOTable.RecordCount(), 1 + whole);
    }
    QVERIFY2(message.contains(QStringLiteral("строка %1").arg(whole + 1)), qPrintable(message));
    QVERIFY2(message.endsWith("\nсбой устройства"), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("(импортировано %1): ")
                                  .arg(quil::countOf(whole, "запись", "записи", "записей"))),
             qPrintable(message));
    const QStringList rows = storedRows(path, "Name");
    QCOMPARE(rows.size(), 1 + whole);
    QCOMPARE(rows.last(), QStringLiteral("author %1").arg(whole - 1));
}

void TestImportReferences::batchesReachTheFileAsTheImportRuns()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "batches.mdb";
    library::create(path);
    execOn(path, {}, {{"Old", "Entry", "1980"}});
    Module m(path);
    const QString name = QStringLiteral("a");
    // Every entry its own batch: another reader of the file sees each one at once.
    {
        quil::BookImporter importer(m.dm, 0);
        importer.store({{m.dm.ADOTableWName, &name}});
        importer.store({{m.dm.ADOTableWName, &name}});
        QCOMPARE(importer.kept(), 2);
        QCOMPARE(storedRows(path).size(), 3);
    }
    // A batch still open is not in the file until it is finished.
    quil::BookImporter importer(m.dm, 60000);
    importer.store({{m.dm.ADOTableWName, &name}});
    QCOMPARE(importer.posted(), 1);
    QCOMPARE(importer.kept(), 0);
    QCOMPARE(storedRows(path).size(), 3);
    importer.finish();
    QCOMPARE(importer.kept(), 1);
    QCOMPARE(storedRows(path).size(), 4);
    QCOMPARE(m.dm.ADOTable.RecordCount(), 4);
}

void TestImportReferences::missingFile()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "m.mdb";
    library::create(path);
    Module m(path);
    QVERIFY_THROWS_EXCEPTION(quil::Error,
                             quil::importReferenceList(m.dm, folder.file("no such.txt")));
    QVERIFY(m.dm.dataChangeAttached());
    QCOMPARE(m.dm.ADOTable.RecordCount(), 0);
}

// Many imported entries are indexed after the import, in steps between the window's events:
// meanwhile find and the selection still answer right, a store indexes no more than its own
// entry, and a close midway leaves the rest to the next open.
void TestImportReferences::bigImportIsIndexedAfterward()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "big.mdb";
    library::create(path);
    execOn(path, {}, {{"Old", "Entry", "1980"}});
    const int many = 2500;
    QByteArray list;
    for (int i = 0; i < many; ++i)
        list += QStringLiteral("Author %1\tTitle %1\tP\t2000\tk\r\n").arg(i).toUtf8();
    const auto noted = [](TDataModule1 &dm) {
        const auto q = dm.ADOConnection.engine().prepareOrThrow("SELECT count(*) FROM "
                                                                "BooksTextChanged");
        quil::execOrThrow(*q);
        return q->next() ? int(q->integer(0)) : -1;
    };
    // The author of the entry find stops at, and the selection's names, for one title.
    const auto answers = [](TDataModule1 &dm, const QString &title) {
        dm.ADOTable.First();
        const search::FindRequest request{search::FindTitle, title, {}, search::FindFrom::First};
        QStringList found{search::findInTable(dm.ADOTable, request, nullptr) ==
                                  search::FindOutcome::Found
                              ? dm.ADOTableName->AsString()
                              : QString()};
        search::runSelection(dm.ADOQuery, {QString(), title, QString(), QString()});
        for (dm.ADOQuery.First(); !dm.ADOQuery.Eof(); dm.ADOQuery.Next())
            found << dm.ADOQuery.FieldByName(book::Name).AsString();
        return found;
    };
    const QStringList expected{"Author 2417", "Author 2417"};
    {
        Module m(path);
        QCOMPARE(importFailure(m.dm, list), QString());
        QCOMPARE(noted(m.dm), many);
        QVERIFY(m.dm.catchingUp());
        QCOMPARE(answers(m.dm, "itle 2417"), expected);
        m.dm.ADOTable.First();
        m.dm.ADOTable.Edit();
        m.dm.ADOTableWTitle->setAsString("Title 2417 again");
        m.dm.ADOTable.Post();
        QCOMPARE(noted(m.dm), many + 1);
        // Found first now; the selection passes it over for want of keywords.
        QCOMPARE(answers(m.dm, "itle 2417"), QStringList({"Old", "Author 2417"}));
        // One step, then the program closes.
        QCoreApplication::processEvents();
        QVERIFY(noted(m.dm) > textindex::FewNoted);
        QVERIFY(noted(m.dm) < many);
    }
    Module m(path);
    QVERIFY(m.dm.catchingUp());
    m.dm.finishCatchUp();
    QVERIFY(!m.dm.catchingUp());
    QCOMPARE(noted(m.dm), 0);
    quil::Engine &engine = m.dm.ADOConnection.engine();
    QVERIFY(textindex::inStep(engine));
    const auto named = textindex::candidates(engine, book::Title, "Title 2417");
    QVERIFY(named.has_value());
    QCOMPARE(named->size(), size_t(2));
    QCOMPARE(answers(m.dm, "Title 2417 again"), QStringList{"Old"});
    QCOMPARE(m.dm.ADOTable.RecordCount(), many + 1);
}

QTEST_GUILESS_MAIN(TestImportReferences)
#include "test_import_references.moc"

void TestImportReferences::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << "fifo";
    QTest::newRow("link to a device") << "device";
    QTest::newRow("folder") << "folder";
}

void TestImportReferences::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "m.mdb";
    library::create(path);
    execOn(path, {}, {{"Old", "Entry", "1980"}});
    const QString list = folder.file("Import Data/list.txt");
    QDir().mkpath(folder.file("Import Data"));
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
    else if (kind == "device")
        QVERIFY(QFile::link("/dev/null", list));
    else
        QVERIFY(QDir().mkdir(list));
    const PipeWatchdog watchdog(list);
    Module m(path);
    QElapsedTimer clock;
    clock.start();
    QString message;
    try {
        quil::importReferenceList(m.dm, list);
    } catch (const quil::Error &e) {
        message = e.message();
    }
    QVERIFY2(clock.elapsed() < 5000, "the import waited on the file");
    QVERIFY2(message.startsWith("Файл " + QDir::toNativeSeparators(list) +
                                " не импортирован: это не обычный файл"),
             qPrintable(message));
    QVERIFY(m.dm.dataChangeAttached());
    QCOMPARE(m.dm.ADOTable.RecordCount(), 1);
}

void TestImportReferences::endlessLineIsRefused()
{
    // A reader that never stops at a line meets a read error after 64 MiB instead of filling
    // the memory.
    const auto device = FailDevice::endless('x', 64 * 1024 * 1024, "read on without end");
    quil::ReferenceListReader reader(*device);
    quil::ReferenceLine line;
    QString message;
    try {
        reader.next(line);
    } catch (const quil::Error &e) {
        message = e.message();
    }
    QVERIFY2(message.contains("больше 4 МБ без конца строки"), qPrintable(message));
    QVERIFY(device->given() <= quil::ReferenceListReader::LongestLineBytes + 1024 * 1024);
}

void TestImportReferences::fullDiskSaysSoOnce()
{
    TempProgramFolder folder;
    ScopedTmpfs disk(folder.file("disk"), "size=192k");
    if (!disk.mounted())
        QSKIP("this test may not mount a file system");
    const QString path = folder.file("disk/full.mdb");
    library::create(path);
    QByteArray list;
    for (int i = 0; i < 400; ++i)
        list += "author " + QByteArray::number(i) + "\t" + QByteArray(1000, 't') + "\r\n";
    QString message;
    {
        Module m(path);
        message = importFailure(m.dm, list);
        QVERIFY(m.dm.dataChangeAttached());
    }
    const QStringList lines = message.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.first().contains(" (импортировано ") &&
                 lines.first().contains("): на диске не хватило места"),
             qPrintable(message));
    QCOMPARE(lines.last(), QStringLiteral("database or disk is full"));
    // What was stored before is whole.
    QVERIFY(storedRows(path, "Name").size() >= 1);
}

void TestImportReferences::importedEntriesTakeTheirPlaces_data()
{
    // A few entries into a large library are placed one by one; into a small one the order is
    // read anew. Both must give the same places.
    QTest::addColumn<int>("later");
    QTest::newRow("small library") << 0;
    QTest::newRow("large library") << 400;
}

void TestImportReferences::importedEntriesTakeTheirPlaces()
{
    QFETCH(int, later);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "order.mdb";
    library::create(path);
    QList<Entry> entries{{"b", "t", "1990"}, {"d", "t", "2005"}};
    for (int i = 0; i < later; ++i)
        entries.append({QStringLiteral("z%1").arg(i, 3, 10, QLatin1Char('0')), "t", "2050"});
    execOn(path, {}, entries);
    Module m(path);
    m.dm.ADOTable.setSort("City, Name, Title ASC");
    m.dm.ADOTable.Last();
    QBuffer device;
    device.setData("c\tt\tp\t2000\r\na\tt\tp\t1980\r\ne\tt\tp\t2010\r\ncc\tt\tp\t2000\r\n");
    device.open(QIODevice::ReadOnly);
    QCOMPARE(quil::importReferenceList(m.dm, device).stored, 4);
    // The last entry imported is current, in the place the order gives it.
    QCOMPARE(m.dm.ADOTableName->AsString(), QStringLiteral("cc"));
    QCOMPARE(m.dm.ADOTable.RecNo(), 4);
    QStringList shown;
    for (m.dm.ADOTable.First(); !m.dm.ADOTable.Eof() && shown.size() < 7; m.dm.ADOTable.Next())
        shown << m.dm.ADOTableName->AsString();
    QStringList expected{"a", "b", "c", "cc", "d", "e"};
    if (later > 0)
        expected << "z000";
    QCOMPARE(shown, expected);
    QCOMPARE(m.dm.ADOTable.RecordCount(), 6 + later);
}
