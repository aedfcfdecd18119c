// What the store does with damaged, foreign, locked and read-only library files, with media
// that fail, and with a second program on the same library: it refuses, says why, and keeps
// what was stored and what was typed.
#include "FailDevice.h"
#include "LibraryFixture.h"
#include "ScopedTmpfs.h"
#include "TestSupport.h"

#include "platform/Error.h"
#include "platform/ScriptedDialogs.h"
#include "rtf/AbstractFile.h"
#include "store/Backup.h"
#include "store/Book.h"
#include "store/LibraryCheck.h"
#include "store/LibraryFile.h"
#include "store/Salvage.h"
#include "store/TDataModule1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextDocument>
#include <QtTest>

namespace {

QString errorOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const quil::Error &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

struct Module {
    TDataModule1 dm;
    void open(const QString &programFolder, const QString &file)
    {
        dm.OpenLibrary(programFolder, file);
    }
};

QList<Entry> entries(int count)
{
    QList<Entry> list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("Автор %1").arg(i, 5, 10, QLatin1Char('0')),
                     QStringLiteral("Книга %1 ").arg(i) + QString(40, QChar(u'к')), "2000"});
    return list;
}

// Zeroes the page that dbstat finds at offset among those matching where, as a failing disk
// or a crashed copy leaves it; false when the engine offers no page statistics.
bool zeroPage(const QString &path, const QString &where, int offset)
{
    int pageSize = 0;
    int page = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pages");
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        if (q.exec("PRAGMA page_size") && q.next())
            pageSize = q.value(0).toInt();
        if (q.exec(QString("SELECT pageno FROM dbstat WHERE %1 ORDER BY pageno LIMIT 1 OFFSET %2")
                       .arg(where)
                       .arg(offset)) &&
            q.next())
            page = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("pages");
    if (page == 0 || pageSize == 0)
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * pageSize) &&
           file.write(QByteArray(pageSize, '\0')) == pageSize;
}

// A library of 3000 entries, every hundredth with a long abstract, damaged where dbstat names
// its pages, or cut short as a copy that stopped leaves it: its last third lost ("cut inside a
// page", "cut at a page"); false when the engine offers no page statistics.
const QString AllColumns = "key, Name, Title, City, Resume, Location, WName, WTitle, WPublisher, "
                           "Year, Pages";

bool damagedLibrary(const QString &path, const QString &where, QStringList *whole = nullptr,
                    bool backedUp = false)
{
    library::create(path);
    execOn(path, {"PRAGMA synchronous=OFF"}, entries(3000));
    execOn(path, {"UPDATE Books SET Resume = hex(zeroblob(6000)) WHERE key % 100 = 0"});
    if (whole)
        *whole = storedRows(path, AllColumns);
    if (backedUp)
        library::makeBackup(path, QDateTime(QDate(2020, 12, 9), QTime(18, 0, 0)));
    if (where.startsWith("cut ")) {
        QFile file(path);
        const qint64 page = file.size() * 2 / 3 / 4096 * 4096;
        return file.resize(where == "cut at a page" ? page : page + 1000);
    }
    if (where == "first page of the file") {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) && file.write(QByteArray(4096, '\0')) == 4096;
    }
    return zeroPage(path, where, 3);
}

// The kind and name of every object of the library at path.
QStringList schemaOf(const QString &path)
{
    QStringList objects;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "schema");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec("SELECT type, name FROM sqlite_master ORDER BY name"))
            while (q.next())
                objects << q.value(0).toString() + ' ' + q.value(1).toString();
    }
    QSqlDatabase::removeDatabase("schema");
    return objects;
}

// Of the rows given, those that read back from the library at path, each alone, as they were.
QStringList stillReadable(const QString &path, const QStringList &rows)
{
    QStringList readable;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "readable");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (!db.open())
            return readable;
        QSqlQuery q(db);
        // A file cut short reads up to where it ends.
        q.exec("PRAGMA writable_schema=ON");
        for (const QString &row : rows) {
            if (!q.exec("SELECT " + AllColumns +
                        " FROM Books WHERE key=" + row.section('|', 0, 0)) ||
                !q.next())
                continue;
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << q.value(i).toString();
            if (fields.join('|') == row)
                readable << row;
        }
    }
    QSqlDatabase::removeDatabase("readable");
    return readable;
}

} // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private slots:
    void refusedFilesStayUntouched_data();
    void refusedFilesStayUntouched();
    void damagedAtOpenIsRecovered_data();
    void damagedAtOpenIsRecovered();
    void damageIsFoundWhereverItIs_data();
    void damageIsFoundWhereverItIs();
    void storeNeverWaitsForTheCheck();
    void checkCallsOnlyDamageDamage();
    void salvageKeepsWhatStillReads_data();
    void salvageKeepsWhatStillReads();
    void salvageStoppedLeavesAllAsItWas();
    void openingSaysWhatIsWrong_data();
    void openingSaysWhatIsWrong();
    void anyFileNameOpens();
    void oneFileAtRest();
    void largestKeySaysSo();
    void lockedLibraryIsBusy();
    void readOnlyMediumOpensReadOnly();
    void fullDiskKeepsAbstractFile();
    void failingDeviceIsReported();
    void secondConnection();
};

void TestStoreFaults::refusedFilesStayUntouched_data()
{
    QTest::addColumn<QStringList>("schema");
    QTest::addColumn<QString>("reason");
    const QString fields = "Name TEXT, Title TEXT, City TEXT, Resume TEXT, Location TEXT, %1, "
                           "WName TEXT, WTitle TEXT, WPublisher TEXT, Year TEXT, Pages TEXT";
    QTest::newRow("Books is a view")
        << QStringList{"PRAGMA journal_mode=WAL",
                       "CREATE TABLE T (" + fields.arg("key INTEGER PRIMARY KEY") + ")",
                       "CREATE VIEW Books AS SELECT * FROM T"}
        << "не таблица";
    QTest::newRow("key is text") << QStringList{"PRAGMA journal_mode=WAL",
                                                "CREATE TABLE Books (" +
                                                    fields.arg("key TEXT PRIMARY KEY") + ")"}
                                 << "первичный ключ";
    QTest::newRow("key not the primary key")
        << QStringList{"PRAGMA journal_mode=WAL",
                       "CREATE TABLE Books (" + fields.arg("key INTEGER") + ")"}
        << "первичный ключ";
    QTest::newRow("a field missing")
        << QStringList{"PRAGMA journal_mode=WAL",
                       "CREATE TABLE Books (Name TEXT, key INTEGER PRIMARY KEY)"}
        << "нет поля";
}

void TestStoreFaults::refusedFilesStayUntouched()
{
    QFETCH(QStringList, schema);
    QFETCH(QString, reason);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Foreign.mdb";
    execOn(path, schema);
    const QByteArray before = readBytes(path);
    Module m;
    const QString error = errorOf([&] { m.open(folder.path(), "Foreign.mdb"); });
    QVERIFY2(error.startsWith("Библиотека Foreign.mdb не подходит программе\n"), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(!m.dm.ADOTable.Active());
    // Nothing written: not even the journal mode changed.
    QCOMPARE(readBytes(path), before);
}

// A library the open refuses as damaged gets the same offer as one found damaged while open:
// its newest backup, or the entries that still read; a file that is no library gets the error.
void TestStoreFaults::damagedAtOpenIsRecovered_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("backedUp");
    QTest::addColumn<QString>("answer"); // "backup", "salvage", "no", or "error": none asked
    QTest::newRow("truncated: its backup") << "cut inside a page" << true << "backup";
    QTest::newRow("truncated: salvaged") << "cut at a page" << false << "salvage";
    // Without its first page a library cannot be told from any other file but by its backups.
    QTest::newRow("first page zeroed: its backup") << "first page of the file" << true << "backup";
    QTest::newRow("first page zeroed, no backup") << "first page of the file" << false << "error";
    QTest::newRow("browse index zeroed: declined")
        << "name='BooksBrowse' AND pagetype='leaf'" << false << "no";
    QTest::newRow("not a library") << "text" << false << "error";
}

void TestStoreFaults::damagedAtOpenIsRecovered()
{
    QFETCH(QString, where);
    QFETCH(bool, backedUp);
    QFETCH(QString, answer);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Damaged.mdb";
    QStringList whole;
    if (where == "text")
        writeBytes(path, QByteArray("Not a library at all.\r\n").repeated(200));
    else if (!damagedLibrary(path, where, &whole, backedUp))
        QSKIP("the engine offers no page statistics");
    const QByteArray damaged = readBytes(path);
    const QStringList readable = stillReadable(path, whole);
    const QStringList before = QDir(library::folder(folder.path())).entryList(QDir::AllEntries);
    library::create(library::folder(folder.path()) + "Other.mdb");
    execOn(library::folder(folder.path()) + "Other.mdb", {}, entries(2));

    quil::ScopedScriptedDialogs dialogs;
    if (answer == "backup")
        dialogs.nextChoices.enqueue({0});
    dialogs.nextAnswers.enqueue(answer == "salvage");
    Module m;
    m.open(folder.path(), "Other.mdb");
    bool opened = false;
    const QString error = errorOf([&] { opened = m.dm.OpenLibrary(folder.path(), "Damaged.mdb"); });
    if (answer == "error") {
        QVERIFY2(error.startsWith("Библиотека Damaged.mdb повреждена или не является библиотекой"),
                 qPrintable(error));
        QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.shown.value(0).text));
    } else {
        QCOMPARE(error, QString("<no error>"));
        QVERIFY(!dialogs.shown.isEmpty());
        QVERIFY2(dialogs.shown[0].text.startsWith("Библиотека Damaged.mdb повреждена"),
                 qPrintable(dialogs.shown[0].text));
    }
    if (answer == "error" || answer == "no") {
        // Nothing moved; the library open before is still the one open.
        QVERIFY(!opened);
        QCOMPARE(readBytes(path), damaged);
        QStringList now = QDir(library::folder(folder.path())).entryList(QDir::AllEntries);
        now.removeOne("Other.mdb");
        QCOMPARE(now, before);
        QCOMPARE(m.dm.ADOTable.RecordCount(), 2);
        return;
    }
    QVERIFY(opened);
    if (answer == "backup") {
        QCOMPARE(dialogs.shown[0].kind, QString("choice"));
        QVERIFY2(dialogs.shown[0].detail.contains("09.12.2020 18:00:00 (записей: 3000)"),
                 qPrintable(dialogs.shown[0].detail));
        QCOMPARE(storedRows(path, AllColumns), whole);
    } else {
        QVERIFY2(dialogs.shown[0].text.contains(QString("Сохранятся записей: %1, потеряются: %2")
                                                    .arg(readable.size())
                                                    .arg(whole.size() - readable.size())),
                 qPrintable(dialogs.shown[0].text));
        QCOMPARE(storedRows(path, AllColumns), readable);
    }
    QVERIFY(m.dm.ADOTable.Active() && !m.dm.libraryDamaged());
    QCOMPARE(m.dm.ADOTable.RecordCount(), storedRows(path, "key").size());
    QCOMPARE(readBytes(library::folder(folder.path()) + "Damaged/Damaged.mdb"), damaged);
}

void TestStoreFaults::damageIsFoundWhereverItIs_data()
{
    // Where the damage lies, as dbstat names its pages, or where the file was cut short.
    QTest::addColumn<QString>("where");
    QTest::newRow("table leaf") << "name='Books' AND pagetype='leaf'";
    QTest::newRow("overflow of a long abstract") << "name='Books' AND pagetype='overflow'";
    QTest::newRow("index the open does not read") << "name='BooksSelect' AND pagetype='leaf'";
    QTest::newRow("truncated inside a page") << "cut inside a page";
    QTest::newRow("truncated at a page") << "cut at a page";
}

void TestStoreFaults::damageIsFoundWhereverItIs()
{
    QFETCH(QString, where);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Damaged.mdb";
    if (!damagedLibrary(path, where))
        QSKIP("the engine offers no page statistics");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    quil::ScopedScriptedDialogs dialogs;
    Module m;
    bool opened = false;
    QCOMPARE(errorOf([&] { opened = m.dm.OpenLibrary(folder.path(), "Damaged.mdb"); }),
             QString("<no error>"));
    if (opened) {
        // Found by the check of the whole file, or by the walk, whichever comes first; told once.
        m.dm.waitForCheck();
        quil::guarded([&] {
            for (m.dm.ADOTable.First(); !m.dm.ADOTable.Eof(); m.dm.ADOTable.Next())
                m.dm.ADOTableResume->AsString();
        });
        QVERIFY(m.dm.libraryDamaged());
        QVERIFY(!m.dm.storesOnClose());
        // Nothing more is written to it, and each refused store says so.
        QVERIFY(!quil::guarded([&] {
            m.dm.ADOTable.Last();
            m.dm.ADOTable.Edit();
            m.dm.ADOTablePages->setAsString("Запись в повреждённый файл");
            m.dm.ADOTable.Post();
        }));
        // Told once, with the offer to salvage it, here refused.
        QCOMPARE(dialogs.count("question"), 1);
        QVERIFY2(dialogs.shown[0].text.startsWith("Библиотека Damaged.mdb повреждена: "),
                 qPrintable(dialogs.shown[0].text));
        QCOMPARE(dialogs.errors(), {"Изменения не записаны: файл библиотеки повреждён."});
    } else {
        // Refused at open: told once, with the offer to recover it, here refused.
        QCOMPARE(dialogs.count("question"), 1);
        QVERIFY2(dialogs.shown[0].text.startsWith("Библиотека Damaged.mdb повреждена"),
                 qPrintable(dialogs.shown[0].text));
        QVERIFY(!m.dm.ADOTable.Active());
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == before);
}

// A file the check cannot open (here a folder; in life a library another program keeps busy)
// is not called damaged: the check cannot tell, and says so.
void TestStoreFaults::checkCallsOnlyDamageDamage()
{
    TempProgramFolder folder;
    const QString path = folder.file("Folder.mdb");
    QVERIFY(QDir().mkpath(path));
    library::WholeCheck check;
    QVERIFY(!check.run(path).has_value());
    QVERIFY(!check.undecided().isEmpty());
    QVERIFY_THROWS_EXCEPTION(quil::Error, library::checkWhole(path));
}

void TestStoreFaults::storeNeverWaitsForTheCheck()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Damaged.mdb";
    if (!damagedLibrary(path, "name='Books' AND pagetype='overflow'"))
        QSKIP("the engine offers no page statistics");

    // The check holds the file for reading as long as a walk of a big library would, until it
    // is interrupted; 10 s outlast the store's wait for a busy file.
    std::atomic<int> reading = 0;
    std::atomic<bool> neverLetGo = false;
    const auto holdFile = [&](const library::WholeCheck &check) {
        ++reading;
        QDeadlineTimer outlast(10000);
        while (!check.interrupted() && !outlast.hasExpired())
            QThread::msleep(5);
        neverLetGo = neverLetGo || !check.interrupted();
    };
    library::WholeCheck::whileReading = holdFile;
    const auto unhook = qScopeGuard([] { library::WholeCheck::whileReading = nullptr; });
    quil::ScopedScriptedDialogs dialogs;
    {
        Module m;
        m.open(folder.path(), "Damaged.mdb");
        QTRY_COMPARE(reading.load(), 1);
        // An entry without a long abstract: its store reaches no damaged page.
        while (m.dm.ADOTablekey->AsString().toInt() % 100 == 0)
            m.dm.ADOTable.Next();
        QVERIFY(quil::guarded([&] {
            m.dm.ADOTable.Edit();
            m.dm.ADOTablePages->setAsString("Записано во время проверки");
            m.dm.ADOTable.Post();
        }));
        QVERIFY(!m.dm.libraryDamaged());

        // Left alone, the program checks the whole file again and finds the damage.
        library::WholeCheck::whileReading = nullptr;
        m.dm.setCheckIdleDelay(0);
        QTRY_VERIFY(m.dm.libraryDamaged());
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY2(dialogs.shown[0].text.startsWith("Библиотека Damaged.mdb повреждена: "),
                 qPrintable(dialogs.shown[0].text));

        // Opened again and closed while its check reads: the close does not wait for it.
        library::WholeCheck::whileReading = holdFile;
        m.open(folder.path(), "Damaged.mdb");
        QTRY_COMPARE(reading.load(), 2);
    }
    QVERIFY(!neverLetGo);
}

void TestStoreFaults::salvageKeepsWhatStillReads_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("table leaf") << "name='Books' AND pagetype='leaf'";
    QTest::newRow("overflow of a long abstract") << "name='Books' AND pagetype='overflow'";
    QTest::newRow("index") << "name='BooksSelect' AND pagetype='leaf'";
    QTest::newRow("truncated inside a page") << "cut inside a page";
    QTest::newRow("truncated at a page") << "cut at a page";
}

void TestStoreFaults::salvageKeepsWhatStillReads()
{
    QFETCH(QString, where);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Damaged.mdb";
    QStringList whole;
    if (!damagedLibrary(path, where, &whole))
        QSKIP("the engine offers no page statistics");
    const QByteArray damaged = readBytes(path);
    const QStringList readable = stillReadable(path, whole);
    QStringList lost;
    for (const QString &row : whole)
        if (!readable.contains(row))
            lost << row.section('|', 0, 0);

    const QString copy = folder.path() + "/Salvaged.mdb";
    const library::Salvaged result = library::salvage(path, copy);
    QCOMPARE(result.saved, readable.size());
    QCOMPARE(storedRows(copy, AllColumns), readable);
    QStringList named;
    for (const qint64 key : result.lost)
        named << QString::number(key);
    QCOMPARE(named, lost);
    QCOMPARE(readBytes(path), damaged);
    // Made as a new library is, whatever the damage: the index of texts waits for the first
    // open, which tells how far it has come.
    const QString made = folder.path() + "/Made.mdb";
    library::create(made);
    QCOMPARE(schemaOf(copy), schemaOf(made));

    // In the program: told of the damage, the user sees the counts and says Yes.
    quil::ScopedScriptedDialogs dialogs;
    dialogs.nextAnswers << true;
    Module m;
    // Refused at open, or found damaged once open: the same offer.
    m.open(folder.path(), "Damaged.mdb");
    m.dm.waitForCheck();
    quil::guarded([&] {
        for (m.dm.ADOTable.First(); !m.dm.ADOTable.Eof(); m.dm.ADOTable.Next())
            m.dm.ADOTableResume->AsString();
    });
    QCOMPARE(dialogs.count("question"), 1);
    QVERIFY2(dialogs.shown[0].text.contains(QString("Сохранятся записей: %1, потеряются: %2")
                                                .arg(readable.size())
                                                .arg(result.lost.size())),
             qPrintable(dialogs.shown[0].text));
    QVERIFY(m.dm.ADOTable.Active() && !m.dm.libraryDamaged());
    QCOMPARE(m.dm.ADOTable.RecordCount(), readable.size());
    QCOMPARE(storedRows(path, AllColumns), readable);
    QCOMPARE(readBytes(library::folder(folder.path()) + "Damaged/Damaged.mdb"), damaged);
}

// The salvage runs off the window's thread and can be stopped until the user says Yes; stopped,
// the damaged library stays open and unchanged, and nothing is left beside it.
void TestStoreFaults::salvageStoppedLeavesAllAsItWas()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Damaged.mdb";
    if (!damagedLibrary(path, "name='Books' AND pagetype='leaf'"))
        QSKIP("the engine offers no page statistics");
    const QByteArray damaged = readBytes(path);
    const QStringList before = QDir(library::folder(folder.path())).entryList(QDir::AllEntries);

    quil::ScopedScriptedDialogs dialogs;
    dialogs.stopProgressAt = 1;
    Module m;
    m.open(folder.path(), "Damaged.mdb");
    m.dm.waitForCheck();
    QCOMPARE(dialogs.progress, {"Сбор читаемых записей библиотеки Damaged.mdb в новую..."});
    QCOMPARE(dialogs.count("question"), 0);
    QVERIFY(m.dm.ADOTable.Active() && m.dm.libraryDamaged());
    QCOMPARE(readBytes(path), damaged);
    QCOMPARE(QDir(library::folder(folder.path())).entryList(QDir::AllEntries), before);
}

void TestStoreFaults::openingSaysWhatIsWrong_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("engineWords");
    QTest::newRow("missing") << "missing"
                             << "Библиотека X.mdb отсутствует!"
                             << "";
    QTest::newRow("Access file of the old program")
        << "jet"
        << "Библиотека X.mdb записана старой программой (Microsoft Access)"
        << "";
    QTest::newRow("not a database") << "text"
                                    << "Библиотека X.mdb повреждена или не является библиотекой"
                                    << "file is not a database";
    QTest::newRow("a folder") << "folder"
                              << "Библиотека X.mdb не открывается: это не файл"
                              << "";
    QTest::newRow("no permission to read")
        << "unreadable"
        << "Библиотека X.mdb не удаётся прочитать: нет права на чтение"
        << "";
}

void TestStoreFaults::openingSaysWhatIsWrong()
{
    QFETCH(QString, kind);
    QFETCH(QString, said);
    QFETCH(QString, engineWords);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "X.mdb";
    if (kind == "jet")
        writeBytes(path,
                   QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4096, '\0'));
    else if (kind == "text")
        writeBytes(path, QByteArray("Not a library at all.\r\n").repeated(200));
    else if (kind == "folder")
        QVERIFY(QDir().mkpath(path));
    else if (kind == "unreadable") {
        library::create(path);
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        if (QFile(path).open(QIODevice::ReadOnly))
            QSKIP("file permissions do not bind this user");
    }
    Module m;
    const QString error = errorOf([&] { m.open(folder.path(), "X.mdb"); });
    const QStringList lines = error.split('\n');
    QVERIFY2(lines.first().startsWith(said), qPrintable(error));
    QVERIFY2(!error.contains("отсутствует") || kind == "missing", qPrintable(error));
    if (!engineWords.isEmpty())
        QCOMPARE(lines, QStringList({lines.first(), engineWords}));
    QVERIFY(!m.dm.ADOTable.Active());
}

void TestStoreFaults::anyFileNameOpens()
{
    TempProgramFolder folder;
    const QString program = folder.file("a;b=c \"q\"/");
    QDir().mkpath(program + "DBase");
    library::create(library::folder(program) + "x;y.mdb");
    execOn(library::folder(program) + "x;y.mdb", {}, entries(3));
    Module m;
    m.open(program, "x;y.mdb");
    QCOMPARE(m.dm.ADOTable.RecordCount(), 3);
}

void TestStoreFaults::oneFileAtRest()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Wal.mdb";
    library::create(path);
    execOn(path, {"PRAGMA journal_mode=WAL"}, entries(2));
    Module m;
    m.open(folder.path(), "Wal.mdb");
    m.dm.ADOTable.Insert();
    m.dm.ADOTableWName->setAsString("Новый");
    m.dm.ADOTable.Post();
    // A copy of the file alone, taken while the library is open, holds the store.
    QCOMPARE(QFile::exists(path + "-wal"), false);
    const QString copy = folder.file("copy.mdb");
    QVERIFY(QFile::copy(path, copy));
    QCOMPARE(storedRows(copy, "Name").size(), 3);
    QCOMPARE(storedRows(copy, "Name").last(), QString("Новый"));
}

void TestStoreFaults::largestKeySaysSo()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Full.mdb";
    library::create(path);
    execOn(path, {"INSERT INTO Books (key, Name, Title) VALUES (9223372036854775807, 'a', 'b')"});
    Module m;
    m.open(folder.path(), "Full.mdb");
    m.dm.ADOTable.Insert();
    m.dm.ADOTableWName->setAsString("x");
    const QString error = errorOf([&] { m.dm.ADOTable.Post(); });
    QVERIFY2(error.contains("наибольшего значения"), qPrintable(error));
    QCOMPARE(storedRows(path, "Name"), QStringList({"a"}));
}

void TestStoreFaults::lockedLibraryIsBusy()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Locked.mdb";
    library::create(path);
    execOn(path, {}, entries(2));
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "locker");
    other.setDatabaseName(path);
    QVERIFY(other.open());
    QSqlQuery q(other);
    QVERIFY(q.exec("PRAGMA locking_mode=EXCLUSIVE"));
    QVERIFY(q.exec("BEGIN EXCLUSIVE"));
    Module m;
    const QString error = errorOf([&] { m.open(folder.path(), "Locked.mdb"); });
    QVERIFY2(error.startsWith("Библиотека Locked.mdb занята другой программой"), qPrintable(error));
    q.exec("ROLLBACK");
    q.finish();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("locker");
}

void TestStoreFaults::readOnlyMediumOpensReadOnly()
{
    TempProgramFolder folder;
    ScopedTmpfs medium(folder.file("medium"), "size=4m");
    if (!medium.mounted())
        QSKIP("this test may not mount a file system");
    const QString program = folder.file("medium/");
    QDir().mkpath(program + "DBase");
    library::create(library::folder(program) + "Demo.mdb");
    execOn(library::folder(program) + "Demo.mdb", {"PRAGMA journal_mode=WAL"}, entries(2));
    QVERIFY(medium.remountReadOnly());

    Module m;
    m.open(program, "Demo.mdb");
    QVERIFY(m.dm.libraryReadOnly());
    QCOMPARE(m.dm.ADOTable.RecordCount(), 2);
    const QString readOnly =
        QStringLiteral("Библиотека открыта только для чтения: изменения в ней не сохраняются");
    QCOMPARE(errorOf([&] { m.dm.ADOTable.Edit(); }), readOnly);
    QCOMPARE(errorOf([&] { m.dm.ADOTable.Insert(); }), readOnly);
    QCOMPARE(errorOf([&] { m.dm.ADOTable.Delete(); }), readOnly);
    QCOMPARE(m.dm.ADOTable.State(), quil::DataSetState::Browse);
}

void TestStoreFaults::fullDiskKeepsAbstractFile()
{
    TempProgramFolder folder;
    ScopedTmpfs disk(folder.file("disk"), "size=64k");
    if (!disk.mounted())
        QSKIP("this test may not mount a file system");
    const QString path = folder.file("disk/Автор.Abstract.rtf");
    QTextDocument document;
    document.setPlainText("старый текст");
    quil::rtf::AbstractFile::save(path, document);
    const QByteArray before = readBytes(path);
    disk.fill();
    document.setPlainText(QString(20000, QChar(u'н')));
    QCOMPARE(errorOf([&] { quil::rtf::AbstractFile::save(path, document); }),
             QStringLiteral("Failed to Save Stream"));
    QCOMPARE(readBytes(path), before);
}

void TestStoreFaults::failingDeviceIsReported()
{
    QTextDocument document;
    document.setPlainText(QString(500, QChar(u'ж')));
    FailDevice device(100);
    QCOMPARE(errorOf([&] {
                 quil::rtf::AbstractFile::save(device, quil::rtf::AbstractFile::Format::Text,
                                               document);
             }),
             QString("Failed to Save Stream"));
}

void TestStoreFaults::secondConnection()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Shared.mdb";
    library::create(path);
    execOn(path, {}, {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}, {"В", "Третья", "2003"}});
    Module a;
    Module b;
    a.open(folder.path(), "Shared.mdb");
    b.open(folder.path(), "Shared.mdb");

    // B changes the first entry; A's edit of it is refused and A keeps what it typed.
    a.dm.ADOTable.First();
    b.dm.ADOTable.First();
    (void)a.dm.ADOTableWName->AsString();
    b.dm.ADOTable.Edit();
    b.dm.ADOTableWName->setAsString("Б изменил");
    b.dm.ADOTable.Post();
    a.dm.ADOTable.Edit();
    a.dm.ADOTableWName->setAsString("А набрал");
    QVERIFY(errorOf([&] { a.dm.ADOTable.Post(); }).startsWith("Запись была изменена"));
    QCOMPARE(a.dm.ADOTable.State(), quil::DataSetState::Edit);
    QCOMPARE(a.dm.ADOTableWName->AsString(), QString("А набрал"));
    QCOMPARE(storedRows(path, "Name || WName").first(), QString("Б изменилБ изменил"));
    a.dm.ADOTable.Cancel();
    QCOMPARE(a.dm.ADOTableWName->AsString(), QString("Б изменил"));

    // B deletes the second entry while A edits it.
    a.dm.ADOTable.Next();
    b.dm.ADOTable.Next();
    a.dm.ADOTable.Edit();
    a.dm.ADOTableWName->setAsString("пропадёт?");
    b.dm.ADOTable.Delete();
    QVERIFY(errorOf([&] { a.dm.ADOTable.Post(); }).startsWith("Запись удалена"));
    QCOMPARE(a.dm.ADOTable.State(), quil::DataSetState::Edit);
    a.dm.ADOTable.Cancel();

    // B adds an entry: A sees it when it checks, and keeps its current entry.
    b.dm.ADOTable.Insert();
    b.dm.ADOTableWName->setAsString("Г");
    b.dm.ADOTableCity->setAsString("2004");
    b.dm.ADOTable.Post();
    a.dm.ADOTable.Last();
    const QString current = a.dm.ADOTableName->AsString();
    QCOMPARE(a.dm.ADOTable.RecordCount(), 3);
    a.dm.CheckForChanges();
    QCOMPARE(a.dm.ADOTable.RecordCount(), 3); // one deleted, one added
    QCOMPARE(a.dm.ADOTableName->AsString(), current);
    a.dm.ADOTable.Last();
    QCOMPARE(a.dm.ADOTableName->AsString(), QString("Г"));
}

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "test_store_faults.moc"
