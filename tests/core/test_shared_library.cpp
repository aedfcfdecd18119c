// A library shared on a PostgreSQL server: the same order and selection as a library file,
// stores that never overwrite one another, others' changes heard at once, a lost connection
// that loses no typed text, copies both ways, and clear refusals. Needs the private cluster of
// scripts/pg-test-cluster.sh (QUIL_PG_SOCKET_DIR); skipped, saying so, without it.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "exchange/ExchangeExport.h"
#include "exchange/ExchangeImport.h"
#include "import/Import.h"
#include "pg/PgEngine.h"
#include "platform/Error.h"
#include "search/Finder.h"
#include "search/Selection.h"
#include "store/Book.h"
#include "store/LibraryCopy.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>
#include <atomic>
#include <thread>

namespace {

const QString ChangedElsewhere =
    QStringLiteral("Запись была изменена другим пользователем: введённый текст не сохранён (Esc "
                   "покажет запись как она есть)");

QString socketDir() { return qEnvironmentVariable("QUIL_PG_SOCKET_DIR"); }

QString serverAddress(const QString &database)
{
    const QString port = qEnvironmentVariable("PGPORT", QStringLiteral("5432"));
    return QStringLiteral("host=%1 port=%2 user=quil dbname=%3").arg(socketDir(), port, database);
}

// A database of its own for each test, and a .pglib naming it in the library folder.
QString makeServerLibraryFile(const TempProgramFolder &folder, const QString &name)
{
    static int made = 0;
    const QString database = QStringLiteral("quiltest_%1_%2_%3")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(name.toLower())
                                 .arg(++made);
    pg::PgEngine admin;
    admin.openConnectionString(serverAddress(QStringLiteral("postgres")));
    admin.executeOrThrow(QStringLiteral("CREATE DATABASE %1").arg(database));
    const QString path = library::folder(folder.path()) + name + QStringLiteral(".pglib");
    writeBytes(path, (serverAddress(database) + QLatin1Char('\n')).toUtf8());
    return path;
}

// Entries in every alphabet and case, Ё and е, years with gaps: the same in a file and on the
// server, through the program's own copy.
QList<Entry> generatedEntries(int count)
{
    const QStringList stems = {"Ёлкин", "елкин",  "Елкин",  "Жуков", "ЖУКОВ", "Abel",
                               "abel",  "Zeta",   "Юдин",   "Яков",  "ёж",    "Еж",
                               "Öhman", "Ørsted", "Иванов", "иванов"};
    QRandomGenerator random(26);
    QList<Entry> entries;
    for (int i = 0; i < count; ++i) {
        const QString name = stems[int(random.bounded(stems.size()))] + QLatin1Char(' ') +
                             stems[int(random.bounded(stems.size()))];
        const QString title = stems[int(random.bounded(stems.size()))].toUpper() +
                              QString::number(random.bounded(30));
        entries.append({name, title, QString::number(1990 + random.bounded(8))});
    }
    return entries;
}

QString exportedBibTeX(quil::DataSet &data)
{
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    const auto result =
        quil::exchange::exportBibliography(data, device, quil::exchange::Format::BibTeX);
    if (!result.ok())
        qWarning() << result.error;
    return QString::fromUtf8(device.data());
}

// The entries a find walks to, from the first one on until it finds no more.
std::vector<qint64> foundInTurn(TDataModule1 &dm, int item, const QString &text)
{
    search::FindRequest request;
    request.item = item;
    request.text = text;
    std::vector<qint64> found;
    while (search::findInTable(dm.ADOTable, request, nullptr) == search::FindOutcome::Found) {
        found.push_back(dm.ADOTable.FieldByName(book::Key).Value().toLongLong());
        request.from = search::FindFrom::Next;
    }
    return found;
}

std::vector<qint64> keysInOrder(quil::DataSet &ds)
{
    std::vector<qint64> keys;
    for (int i = 0; i < ds.RecordCount(); ++i)
        keys.push_back(ds.keyAt(i));
    return keys;
}

struct Writer {
    quil::Connection connection{library::engineFor};
    quil::Table table{connection, book::TableName, book::fieldDefs(), book::Key};
    explicit Writer(const QString &path)
    {
        connection.setConnectionString(library::connectionString(
            QFileInfo(path).absolutePath().chopped(5), QFileInfo(path).fileName()));
        connection.Open();
        table.Open();
    }
};

} // namespace

class SharedLibraryTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (socketDir().isEmpty())
            QSKIP("no PostgreSQL test cluster: run under scripts/pg-test-cluster.sh (CI does)");
    }

    void sameOrderAndSelectionAsAFile_data();
    void sameOrderAndSelectionAsAFile();
    void copiesBothWaysAndNeverOverwrites();
    void importsAsIntoAFile();
    void concurrentStoresLoseNothing();
    void othersChangesArriveAndTypedTextStays();
    void lostConnectionKeepsTypedText();
    void rowsStayWholeWhenAnotherStatementCutsIn();
    void openFailuresLeaveTheOpenLibrary_data();
    void openFailuresLeaveTheOpenLibrary();
};

void SharedLibraryTest::sameOrderAndSelectionAsAFile_data()
{
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expectSome");
    QTest::addColumn<QString>("found"); // a find by author: some entries, exact case
    QTest::newRow("everything") << ""
                                << ""
                                << "yes"
                                << "Ёлкин";
    QTest::newRow("Cyrillic, other case") << "ИВАНОВ"
                                          << ""
                                          << "yes"
                                          << "иванов";
    QTest::newRow("Ё is not е") << "ёлкин"
                                << ""
                                << "yes"
                                << "ёж";
    QTest::newRow("е is not Ё") << "елкин"
                                << "ЁЖ"
                                << "yes"
                                << "елкин";
    QTest::newRow("Latin beyond ASCII, other case") << "öHMAN"
                                                    << ""
                                                    << "yes"
                                                    << "Öhman";
    QTest::newRow("wildcard one") << "a_el"
                                  << ""
                                  << "yes"
                                  << "";
    QTest::newRow("nothing") << "Ъ"
                             << ""
                             << "no"
                             << "";
}

void SharedLibraryTest::sameOrderAndSelectionAsAFile()
{
    QFETCH(QString, author);
    QFETCH(QString, title);
    QFETCH(QString, expectSome);
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Local.mdb";
    library::create(file);
    // Quick to write: nothing here tests the file's durability.
    execOn(file, {"PRAGMA journal_mode=MEMORY", "PRAGMA synchronous=OFF"}, generatedEntries(600));
    execOn(file, {"UPDATE Books SET Location = 'ключ ' || key"});
    const QString shared = makeServerLibraryFile(folder, "Order");
    QCOMPARE(library::copyLibrary(file, shared).entries, 600);

    TDataModule1 local, server;
    local.OpenLibrary(folder.path(), "Local.mdb");
    server.OpenLibrary(folder.path(), "Order.pglib");
    QVERIFY(server.watchingServer());
    QCOMPARE(keysInOrder(server.ADOTable), keysInOrder(local.ADOTable));

    search::runSelection(local.ADOQuery, {author, title, {}, {}});
    search::runSelection(server.ADOQuery, {author, title, {}, {}});
    QCOMPARE(keysInOrder(server.ADOQuery), keysInOrder(local.ADOQuery));
    QCOMPARE(server.ADOQuery.RecordCount() > 0, expectSome == "yes");
    // A find goes from entry to entry as in the file: exact letter case, Ё not е, its
    // wildcards plain characters.
    QFETCH(QString, found);
    const QString text = found.isEmpty() ? author : found;
    const std::vector<qint64> inFile = foundInTurn(local, search::FindAuthor, text);
    QCOMPARE(foundInTurn(server, search::FindAuthor, text), inFile);
    QCOMPARE(inFile.empty(), found.isEmpty());
}

void SharedLibraryTest::copiesBothWaysAndNeverOverwrites()
{
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Home.mdb";
    library::create(file);
    execOn(file, {"PRAGMA journal_mode=MEMORY", "PRAGMA synchronous=OFF"}, generatedEntries(50));
    execOn(file, {"UPDATE Books SET Resume = '{\\rtf1 Абстракт ' || key || '}', Pages = 'с. ' "
                  "|| key, Location = 'ключ'"});
    // Imported records are kept as they came in, beside their entries.
    const QString bib = QStringLiteral(
        "@string{ j = {Журнал {П}рикладной} }\n\n@Article{ yolkin1987 ,\n  author = {Ёлкин, "
        "П. С.},\n  title  = {Волны},\n  journal = j # { физики},\n  year = 1987\n}\n\n"
        "@Book{li2001,\n  author={Ли, В.}, title={Шум}, publisher={Наука}, year={2001}}\n");
    writeBytes(folder.file("in.bib"), bib.toUtf8());
    QString fromFile;
    {
        TDataModule1 home;
        home.OpenLibrary(folder.path(), "Home.mdb");
        QCOMPARE(quil::exchange::importBibliography(home, folder.file("in.bib")).stored, 2);
        fromFile = exportedBibTeX(home.ADOTable);
    }
    QVERIFY(fromFile.contains(QStringLiteral("@Article{ yolkin1987 ,\n  author = {Ёлкин, П. С.}")));
    const QString shared = makeServerLibraryFile(folder, "Copy");
    QCOMPARE(library::copyLibrary(file, shared).entries, 52);
    {
        // The server's library gives the records back as they came in, as the file does.
        TDataModule1 server;
        server.OpenLibrary(folder.path(), "Copy.pglib");
        QCOMPARE(exportedBibTeX(server.ADOTable), fromFile);
    }
    const QString back = library::folder(folder.path()) + "Back.mdb";
    QCOMPARE(library::copyLibrary(shared, back).entries, 52);
    const QString columns = "key, Name, Title, City, Resume, Location, WName, WTitle, Pages, "
                            "(SELECT format || '|' || citation || '|' || record || '|' || digest "
                            "|| '|' || strings FROM Originals o WHERE o.key = Books.key)";
    QCOMPARE(storedRows(back, columns), storedRows(file, columns));

    // Neither a file nor a server holding a library is written over, and both stay as they were.
    QVERIFY_THROWS_EXCEPTION(quil::Error, library::copyLibrary(file, back));
    QVERIFY_THROWS_EXCEPTION(quil::Error, library::copyLibrary(back, shared));
    QCOMPARE(storedRows(back, columns), storedRows(file, columns));
    // A new entry on the server takes a key after the copied ones.
    Writer writer(shared);
    writer.table.Insert();
    writer.table.FieldByName(book::Name).setAsString("Новая");
    writer.table.FieldByName(book::Title).setAsString("Запись");
    writer.table.Post();
    QVERIFY(writer.table.FieldByName(book::Key).Value().toLongLong() > 52);
}

// Every import stores into a server library as into a file, the records kept beside their
// entries (the side table made on the server where the copy brought none): both give the same
// export back, the imported records in it as they came in.
void SharedLibraryTest::importsAsIntoAFile()
{
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Local.mdb";
    library::create(file);
    const QString shared = makeServerLibraryFile(folder, "Imports");
    QCOMPARE(library::copyLibrary(file, shared).entries, 0);
    const QString record = QStringLiteral("@Article{ yolkin1987 ,\n  author = {Ёлкин, П. С.},\n"
                                          "  title  = {Волны},\n  journal = j # { физики},\n"
                                          "  year = 1987\n}");
    writeBytes(folder.file("in.bib"),
               ("@string{ j = {Журнал {П}рикладной} }\n\n" + record +
                "\n\n@Book{li2001,\n  author={Ли, В.}, title={Шум}, year={2001}}\n")
                   .toUtf8());
    writeBytes(folder.file("in.ris"),
               "TY  - JOUR\r\nAU  - Orlov, A.\r\nTI  - Sleep\r\nPY  - 2003\r\nER  - \r\n");
    writeBytes(folder.file("list.txt"), "Петров П.\tКнига\tМосква\t1999\tключ\r\n");
    writeBytes(folder.file("Abstract/a.txt"),
               "Acta Fict Med. 2001 Mar;56(3):310-4.\r\n\r\n\r\nHeart rate.\r\n\r\n"
               "Orlov AB.\r\n\r\nLaboratory.\r\n\r\nTwenty subjects.");
    QStringList exports;
    for (const QString name : {"Local.mdb", "Imports.pglib"}) {
        TDataModule1 dm;
        dm.OpenLibrary(folder.path(), name);
        QCOMPARE(quil::exchange::importBibliography(dm, folder.file("in.bib")).stored, 2);
        QCOMPARE(quil::exchange::importBibliography(dm, folder.file("in.ris")).stored, 1);
        QCOMPARE(quil::importReferenceList(dm, folder.file("list.txt"), {}, "UTF-8").stored, 1);
        QCOMPARE(quil::importAbstractFolder(dm, folder.file("Abstract")).stored, 1);
        QCOMPARE(dm.ADOTable.RecordCount(), 6); // the first import stores the empty entry too
        exports << exportedBibTeX(dm.ADOTable);
    }
    QVERIFY2(exports[1].contains(record), qPrintable(exports[1]));
    QCOMPARE(exports[1], exports[0]);
}

// Ten connections store into the same five entries at once: each store appends its own mark to
// the text it read, so a store that overwrote another's would lose that mark.
void SharedLibraryTest::concurrentStoresLoseNothing()
{
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Start.mdb";
    library::create(file);
    execOn(file, {"UPDATE Books SET Pages = ''"},
           {{"a", "1", "2000"},
            {"b", "2", "2000"},
            {"c", "3", "2000"},
            {"d", "4", "2000"},
            {"e", "5", "2000"}});
    const QString shared = makeServerLibraryFile(folder, "Race");
    library::copyLibrary(file, shared);

    constexpr int Writers = 10;
    constexpr int Stores = 1000;
    std::atomic<int> stored{0}, conflicts{0}, otherFailures{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < Writers; ++w) {
        threads.emplace_back([&, w] {
            Writer writer(shared);
            quil::Table &table = writer.table;
            QRandomGenerator random{quint32(w)};
            for (int i = 0; i < Stores; ++i) {
                table.setRecNo(1 + int(random.bounded(5)));
                try {
                    table.Edit();
                    quil::Field &pages = table.FieldByName(book::Pages);
                    pages.setAsString(pages.AsString() + QStringLiteral(" %1.%2").arg(w).arg(i));
                    table.Post();
                    ++stored;
                } catch (const quil::Error &e) {
                    table.Cancel();
                    ++(e.message() == ChangedElsewhere ? conflicts : otherFailures);
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();

    qInfo("%d stores, %d refused as conflicts", stored.load(), conflicts.load());
    QCOMPARE(otherFailures.load(), 0);
    QCOMPARE(stored + conflicts, Writers * Stores);
    QVERIFY(conflicts > 0); // the race was real
    Writer reader(shared);
    int marks = 0;
    QSet<QString> seen;
    for (int row = 1; row <= 5; ++row) {
        reader.table.setRecNo(row);
        for (const QString &mark :
             reader.table.FieldByName(book::Pages).AsString().split(' ', Qt::SkipEmptyParts)) {
            QVERIFY2(!seen.contains(mark), qPrintable(mark));
            seen.insert(mark);
            ++marks;
        }
    }
    // Every store reported as done is there, once; none is there that was refused.
    QCOMPARE(marks, stored.load());
}

void SharedLibraryTest::othersChangesArriveAndTypedTextStays()
{
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Start.mdb";
    library::create(file);
    execOn(file, {}, {{"Азов", "Один", "2001"}, {"Бобров", "Два", "2002"}});
    execOn(file, {"UPDATE Books SET Location = 'ключ'"}); // a selection needs keywords
    const QString shared = makeServerLibraryFile(folder, "Live");
    library::copyLibrary(file, shared);

    TDataModule1 one, two;
    one.OpenLibrary(folder.path(), "Live.pglib");
    two.OpenLibrary(folder.path(), "Live.pglib");
    // A selection open in the second: its rows follow the other's stores, and the table stays
    // on its own entry.
    search::runSelection(two.ADOQuery, {"о", {}, {}, {}}); // Азов, Бобров
    two.ADOTable.Last();                                   // Бобров
    const qint64 current = two.ADOTable.FieldByName(book::Key).Value().toLongLong();

    // One adds an entry and edits another; the second hears it without being asked.
    one.ADOTable.Insert();
    one.ADOTableWName->setAsString("Аксаков");
    one.ADOTableCity->setAsString("2000");
    one.ADOTableLocation->setAsString("ключ");
    one.ADOTable.Post();
    one.ADOTable.Last();
    one.ADOTable.Edit();
    one.ADOTableWTitle->setAsString("Два, исправлено");
    one.ADOTable.Post();
    QTRY_COMPARE_WITH_TIMEOUT(two.ADOTable.RecordCount(), 3, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(two.ADOTableTitle->AsString(), QStringLiteral("Два, исправлено"),
                              5000);
    QCOMPARE(two.ADOTable.FieldByName(book::Key).Value().toLongLong(), current);
    // Аксаков now matches too and joins; Бобров shows the new title where it stands.
    QTRY_COMPARE_WITH_TIMEOUT(two.ADOQuery.RecordCount(), 3, 5000);
    QCOMPARE(two.ADOQuery.displayTextAt(2, two.ADOQuery.FieldByName(book::Title)),
             QStringLiteral("Два, исправлено"));
    QCOMPARE(two.ADOQuery.FieldByName(book::Name).AsString(), QStringLiteral("Азов"));
    // Only the changed rows were read, and they stand where a fresh open puts them; a row
    // deleted elsewhere goes.
    one.ADOTable.First();
    one.ADOTable.Delete();
    QTRY_COMPARE_WITH_TIMEOUT(two.ADOTable.RecordCount(), 2, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(two.ADOQuery.RecordCount(), 2, 5000);
    {
        TDataModule1 fresh;
        fresh.OpenLibrary(folder.path(), "Live.pglib");
        QCOMPARE(keysInOrder(two.ADOTable), keysInOrder(fresh.ADOTable));
    }
    QCOMPARE(two.ADOTable.FieldByName(book::Key).Value().toLongLong(), current);
    one.ADOTable.Last();

    // Typed text stays while others store; the same entry stored by the other is refused
    // with the message, the text kept.
    two.ADOTable.Edit();
    two.ADOTableWName->setAsString("Бобров, набрано");
    const qint64 heard = two.ADOConnection.dataVersion();
    one.ADOTable.Edit();
    one.ADOTableWName->setAsString("Бобров, первым");
    one.ADOTable.Post();
    QTRY_VERIFY_WITH_TIMEOUT(two.ADOConnection.dataVersion() > heard, 5000);
    QCOMPARE(two.ADOTableWName->AsString(), QStringLiteral("Бобров, набрано"));
    try {
        two.StoreCurrentRecord();
        QFAIL("the second store went through");
    } catch (const quil::Error &e) {
        QCOMPARE(e.message(), ChangedElsewhere);
    }
    QCOMPARE(two.ADOTable.State(), quil::DataSetState::Edit);
    QCOMPARE(two.ADOTableWName->AsString(), QStringLiteral("Бобров, набрано"));
}

void SharedLibraryTest::lostConnectionKeepsTypedText()
{
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Start.mdb";
    library::create(file);
    execOn(file, {}, {{"Азов", "Один", "2001"}});
    const QString shared = makeServerLibraryFile(folder, "Lost");
    library::copyLibrary(file, shared);

    TDataModule1 dm;
    dm.OpenLibrary(folder.path(), "Lost.pglib");
    dm.ADOTable.Edit();
    dm.ADOTableWName->setAsString("Азов, набрано");
    // The server drops the connection (as a restart does).
    pg::PgEngine admin;
    admin.open(shared, false, 0);
    admin.executeOrThrow(QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                        "pg_stat_activity WHERE datname = current_database() "
                                        "AND pid <> pg_backend_pid()"));
    try {
        dm.StoreCurrentRecord();
        QFAIL("a store went through a dropped connection");
    } catch (const quil::EngineError &e) {
        QCOMPARE(e.code(), int(quil::engine_code::Disconnected));
    }
    QCOMPARE(dm.ADOTable.State(), quil::DataSetState::Edit);
    QCOMPARE(dm.ADOTableWName->AsString(), QStringLiteral("Азов, набрано"));
    // Stored once the server answers again.
    dm.StoreCurrentRecord();
    Writer reader(shared);
    QCOMPARE(reader.table.FieldByName(book::Name).AsString(), QStringLiteral("Азов, набрано"));
}

void SharedLibraryTest::rowsStayWholeWhenAnotherStatementCutsIn()
{
    TempProgramFolder folder;
    const QString shared = makeServerLibraryFile(folder, "Stream");
    pg::PgEngine engine;
    engine.create(shared);
    // Texts from a few bytes to tens of kilobytes, and a NULL in every third row.
    constexpr int Rows = 3000;
    engine.executeOrThrow(
        QStringLiteral(
            "INSERT INTO books (key, name, title, city) SELECT i, 'Имя ' || i, repeat('ж', i * 7), "
            "CASE WHEN i % 3 = 0 THEN NULL ELSE 'Город ' || i END FROM generate_series(1, %1) i")
            .arg(Rows));
    const auto rows = engine.prepareOrThrow(
        QStringLiteral("SELECT key, name, title, city FROM books ORDER BY key"));
    const auto count = engine.prepareOrThrow(QStringLiteral("SELECT count(*) FROM books"));
    const auto countNow = [&] {
        quil::execOrThrow(*count);
        const bool found = count->next();
        quil::checkFinished(*count);
        const qint64 n = found ? count->integer(0) : -1;
        count->reset();
        return n;
    };
    quil::execOrThrow(*rows);
    int read = 0;
    while (rows->next()) {
        ++read;
        QCOMPARE(rows->integer(0), qint64(read));
        QCOMPARE(rows->value(1).toString(), QStringLiteral("Имя %1").arg(read));
        QCOMPARE(rows->utf8(2).size(), qsizetype(read) * 7 * 2);
        QCOMPARE(rows->value(3).isNull(), read % 3 == 0);
        if (read % 3 != 0)
            QCOMPARE(rows->value(3).toString(), QStringLiteral("Город %1").arg(read));
        // Other statements use the connection while the rows are still coming: the row in
        // hand and all that follow stay readable.
        if (read == 10 || read == 2000) {
            const QByteArrayView name = rows->utf8(1);
            QCOMPARE(countNow(), qint64(Rows));
            QVERIFY(engine.begin(quil::Engine::Transaction::Store));
            QVERIFY(engine.commit());
            QCOMPARE(QString::fromUtf8(name), QStringLiteral("Имя %1").arg(read));
        }
    }
    quil::checkFinished(*rows);
    QCOMPARE(read, Rows);
    // A run left halfway leaves the connection free, and runs again from its first row.
    quil::execOrThrow(*rows);
    QVERIFY(rows->next() && rows->next());
    rows->reset();
    QCOMPARE(countNow(), qint64(Rows));
    quil::execOrThrow(*rows);
    QVERIFY(rows->next());
    QCOMPARE(rows->integer(0), qint64(1));
}

void SharedLibraryTest::openFailuresLeaveTheOpenLibrary_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message");
    const QString port = qEnvironmentVariable("PGPORT", QStringLiteral("5432"));
    QTest::newRow("no server") << QStringLiteral("host=%1 port=1 user=quil").arg(socketDir())
                               << "Библиотека Bad.pglib не открывается: сервер базы данных "
                                  "недоступен; проверьте адрес сервера в файле библиотеки и "
                                  "связь с ним";
    QTest::newRow("login refused")
        << QStringLiteral("host=%1 port=%2 user=nobody_here dbname=postgres").arg(socketDir(), port)
        << "Библиотека Bad.pglib не открывается: сервер отказал во входе; проверьте имя "
           "пользователя в файле библиотеки и пароль в ~/.pgpass";
    QTest::newRow("no table")
        << QStringLiteral("host=%1 port=%2 user=quil dbname=postgres").arg(socketDir(), port)
        << "Библиотека Bad.pglib не открывается: на сервере нет таблицы Books";
}

void SharedLibraryTest::openFailuresLeaveTheOpenLibrary()
{
    QFETCH(QString, address);
    QFETCH(QString, message);
    TempProgramFolder folder;
    const QString file = library::folder(folder.path()) + "Local.mdb";
    library::create(file);
    execOn(file, {}, {{"Азов", "Один", "2001"}});
    writeBytes(library::folder(folder.path()) + "Bad.pglib", address.toUtf8());
    TDataModule1 dm;
    dm.OpenLibrary(folder.path(), "Local.mdb");
    try {
        dm.OpenLibrary(folder.path(), "Bad.pglib");
        QFAIL("opened");
    } catch (const quil::Error &e) {
        QCOMPARE(e.sentence(), message);
    }
    QVERIFY(dm.ADOTable.Active());
    QCOMPARE(dm.ADOTableName->AsString(), QStringLiteral("Азов"));
}

QTEST_GUILESS_MAIN(SharedLibraryTest)
#include "test_shared_library.moc"
