// The old program's Access libraries: read whole against an oracle, refused when they are not
// libraries, and migrated so that a kill at any moment leaves the original whole.
#include "ScopedTmpfs.h"
#include "TestSupport.h"

#include "jet/JetReader.h"
#include "jet/Migration.h"
#include "platform/Error.h"
#include "store/Book.h"
#include "store/LibraryFile.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>
#include <cstring>

namespace {

const QString Fixtures = QStringLiteral(QUIL_TEST_DATA "/jet/");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A field of the oracle: \N is NULL, the escapes \\ \t \r \n.
QString unescape(const QString &field)
{
    if (field == QLatin1String("\\N"))
        return QString();
    QString out = QStringLiteral("");
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const QChar c = field[++i];
        out += c == u't' ? QChar(u'\t') : c == u'r' ? QChar(u'\r') : c == u'n' ? QChar(u'\n') : c;
    }
    return out;
}

// Every entry of a library ordered by key, each field as stored (NULL stays null).
QList<QStringList> libraryRows(const QString &path)
{
    QList<QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "rows");
        db.setDatabaseName(path);
        if (!db.open())
            return rows;
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT Name, Title, City, Resume, Location, key, WName, WTitle, "
                              "WPublisher, Year, Pages FROM Books ORDER BY key"));
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < 11; ++i)
                row << (q.isNull(i) ? QString() : q.value(i).toString());
            rows << row;
        }
    }
    QSqlDatabase::removeDatabase("rows");
    return rows;
}

// The migrating child of the kill test: slowed a little per entry, so kills land inside.
int runMigrator(const QString &path)
{
    jet::migrateInPlace(path, [](int, int) {
        QThread::msleep(3);
        return true;
    });
    return 0;
}

} // namespace

class TestJet : public QObject {
    Q_OBJECT
private slots:
    void migratesEveryFieldOfEveryEntry();
    void refusesWhatIsNoOldLibrary_data();
    void refusesWhatIsNoOldLibrary();
    void namesColumnsLeftOutAndMissing();
    void killedMigrationLeavesTheOriginalWhole();
    void fullDiskLeavesTheOriginalWhole();
};

void TestJet::migratesEveryFieldOfEveryEntry()
{
    TempProgramFolder folder;
    const QString target = folder.file("DBase/Books.mdb");
    QCOMPARE(jet::entryCount(Fixtures + "Books.mdb"), 14);
    int lastDone = 0;
    QList<int> totals;
    const jet::Migrated migrated =
        jet::convert(Fixtures + "Books.mdb", target, [&](int done, int total) {
            totals << total;
            lastDone = done;
            return true;
        });
    QCOMPARE(migrated.entries, 14);
    QCOMPARE(lastDone, 14);
    QCOMPARE(totals, QList<int>(14, 14));
    QVERIFY(migrated.leftOut.isEmpty() && migrated.missing.isEmpty());

    const QStringList expected = QString::fromUtf8(contents(Fixtures + "Books.expected.tsv"))
                                     .split(u'\n', Qt::SkipEmptyParts);
    const QList<QStringList> rows = libraryRows(target);
    QCOMPARE(rows.size(), expected.size());
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList fields = expected[r].split(u'\t');
        QCOMPARE(fields.size(), 11);
        for (int f = 0; f < 11; ++f) {
            const QString want = unescape(fields[f]);
            const QString &got = rows[r][f];
            QVERIFY2(got == want && got.isNull() == want.isNull(),
                     qPrintable(QStringLiteral("entry %1, field %2: %3 characters%4, expected %5%6")
                                    .arg(r + 1)
                                    .arg(book::fieldDefs()[size_t(f)].name)
                                    .arg(got.size())
                                    .arg(got.isNull() ? " (NULL)" : "")
                                    .arg(want.size())
                                    .arg(want.isNull() ? " (NULL)" : "")));
        }
    }
    // Never over an existing file.
    QVERIFY_THROWS_EXCEPTION(quil::Error, jet::convert(Fixtures + "Books.mdb", target));
}

void TestJet::refusesWhatIsNoOldLibrary_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray books = contents(Fixtures + "Books.mdb");
    QByteArray ace = books;
    ace[0x14] = 2; // the version byte of Access 2007
    QByteArray aceSigned = books;
    aceSigned.replace(4, 15, "Standard ACE DB");
    // A password where Access keeps it: one byte of the (encoded) password field changed.
    QByteArray locked = books;
    locked[0x42] = char(locked[0x42] ^ 'p');
    QTest::newRow("no Books") << contents(Fixtures + "NotALibrary.mdb") << "нет таблицы Books";
    QTest::newRow("cut mid-page") << books.left(100000) << "повреждён";
    QTest::newRow("first page only") << books.left(4096) << "повреждён";
    QTest::newRow("garbage") << QByteArray(8192, 'x') << "не является библиотекой";
    QTest::newRow("empty") << QByteArray() << "не является библиотекой";
    QTest::newRow("accdb version") << ace << "Access 2007";
    QTest::newRow("accdb signature") << aceSigned << "Access 2007";
    QTest::newRow("password") << locked << "защищена паролем";
}

void TestJet::refusesWhatIsNoOldLibrary()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TempProgramFolder folder;
    const QString library = folder.file("DBase/Old.mdb");
    writeFile(library, bytes);
    try {
        jet::migrateInPlace(library);
        QFAIL("migrated");
    } catch (const quil::Error &e) {
        QVERIFY2(e.message().contains(message) && e.message().contains("Old.mdb"),
                 qPrintable(e.message()));
    }
    // Left as it was, nothing beside it.
    QCOMPARE(contents(library), bytes);
    QCOMPARE(QDir(folder.file("DBase")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"Old.mdb"});
}

void TestJet::namesColumnsLeftOutAndMissing()
{
    // Books with its column Year renamed: one column the program does not know, one field
    // missing. The name stands in the table's definition in UTF-16.
    QByteArray bytes = contents(Fixtures + "Books.mdb");
    const QByteArray year = QByteArray("Y\0e\0a\0r\0", 8);
    QVERIFY(bytes.count(year) > 0);
    bytes.replace(year, QByteArray("M\0i\0s\0c\0", 8));
    TempProgramFolder folder;
    const QString source = folder.file("renamed.mdb");
    writeFile(source, bytes);
    const QString target = folder.file("DBase/Renamed.mdb");
    const jet::Migrated migrated = jet::convert(source, target);
    QCOMPARE(migrated.entries, 14);
    QCOMPARE(migrated.leftOut, QStringList{"Misc"});
    QCOMPARE(migrated.missing, QStringList{"Year"});
    const QList<QStringList> rows = libraryRows(target);
    QCOMPARE(rows.size(), 14);
    for (const QStringList &row : rows)
        QVERIFY(row[9].isNull() && !row[0].isEmpty());

    struct Case {
        QStringList leftOut, missing, notes;
    };
    const Case cases[] = {
        {{}, {}, {}},
        {{"Misc"},
         {},
         {"Поле Misc таблицы Books не перенесено: программа его не знает. Оно "
          "осталось в исходном файле"}},
        {{"A", "B"},
         {"Year", "Pages"},
         {"Поля A, B таблицы Books не перенесены: программа их не знает. Они остались в "
          "исходном файле",
          "В таблице Books нет полей Year, Pages; у перенесённых записей они пусты"}},
        {{}, {"Name"}, {"В таблице Books нет поля Name; у перенесённых записей оно пусто"}},
    };
    for (const Case &c : cases)
        QCOMPARE(jet::columnNotes(c.leftOut, c.missing), c.notes);
}

// A disk that fills up while the new library is written: the original stays where it was,
// whole, and no part of the new library is left beside it.
void TestJet::fullDiskLeavesTheOriginalWhole()
{
    TempProgramFolder folder;
    ScopedTmpfs disk(folder.file("disk"), "size=512k");
    if (!disk.mounted())
        QSKIP("this test may not mount a file system");
    const QByteArray original = contents(Fixtures + "Books.mdb");
    const QString library = folder.file("disk/DBase/Books.mdb");
    QVERIFY(QDir().mkpath(folder.file("disk/DBase")));
    writeFile(library, original);
    QVERIFY2(original.size() > 256 * 1024, "the fixture no longer fills half the disk");
    try {
        jet::migrateInPlace(library);
        QFAIL("migrated onto a full disk");
    } catch (const quil::Error &e) {
        QVERIFY(!e.message().isEmpty());
    }
    QCOMPARE(contents(library), original);
    QCOMPARE(QDir(folder.file("disk/DBase")).entryList(QDir::Files), QStringList{"Books.mdb"});
    QVERIFY(!QFileInfo::exists(folder.file("disk/DBase/Access/Books.mdb")));
}

void TestJet::killedMigrationLeavesTheOriginalWhole()
{
    const QByteArray original = contents(Fixtures + "Books.mdb");
    TempProgramFolder folder;
    const QString library = folder.file("DBase/Books.mdb");
    const QString moved = folder.file("DBase/Access/Books.mdb");
    // How long a whole run takes here sets the window the kills fall in.
    writeFile(library, original);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {"--migrate", library}), 0);
    const int window = int(clock.elapsed()) + 10;
    QCOMPARE(contents(moved), original);
    int killedBefore = 0;
    int killedAfter = 0;
    for (int round = 0; round < 16; ++round) {
        QFile::remove(library);
        QFile::remove(moved);
        writeFile(library, original);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--migrate", library});
        QVERIFY(child.waitForStarted());
        QThread::msleep(QRandomGenerator::global()->bounded(window / 3, window * 3 / 2));
        child.kill();
        child.waitForFinished();

        // The name is held by one whole file: the original, or the checked new library with
        // the original moved.
        const QByteArray now = contents(library);
        if (now == original) {
            QVERIFY(!QFileInfo::exists(moved) || contents(moved) == original);
            ++killedBefore;
        } else {
            QCOMPARE(contents(moved), original);
            QCOMPARE(libraryRows(library).size(), 14);
            ++killedAfter;
        }
        // The next start clears what the killed one left; a new migration then succeeds.
        jet::cleanUp(folder.file("DBase"));
        QCOMPARE(QDir(folder.file("DBase")).entryList(QDir::Files), QStringList{"Books.mdb"});
        if (now == original) {
            QCOMPARE(jet::migrateInPlace(library).entries, 14);
            QCOMPARE(contents(moved), original);
            QCOMPARE(libraryRows(library).size(), 14);
        }
    }
    qInfo("killed before the switch %d, after %d", killedBefore, killedAfter);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--migrate") == 0)
        return runMigrator(QString::fromLocal8Bit(argv[2]));
    TestJet test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_jet.moc"
