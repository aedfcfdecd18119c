// Backups of a library: which are kept, that a copy cut short or made of a damaged library
// never passes for one, when the data module makes them, and bringing a library or its deleted
// entries back from one.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "platform/Error.h"
#include "platform/ScriptedDialogs.h"
#include "store/Backup.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <cstdio>
#include <cstring>

namespace {

const QString AllColumns = "key, Name, Title, City, Resume, Location, WName, WTitle, WPublisher, "
                           "Year, Pages";
// A time before any the tests run at, so that a backup made at it is the older one.
const QDateTime Yesterday(QDate(2020, 12, 9), QTime(18, 0, 0));

// A library of count entries, each with an abstract of abstractSize characters.
void makeLibrary(const QString &path, int count, int abstractSize = 0)
{
    library::create(path);
    QList<Entry> list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("Автор %1").arg(i), QStringLiteral("Книга %1").arg(i), "2001"});
    execOn(path, {"PRAGMA synchronous=OFF"}, list);
    if (abstractSize > 0)
        execOn(path,
               {QString("UPDATE Books SET Resume = hex(zeroblob(%1))").arg(abstractSize / 2)});
}

// Zeroes four pages in the middle of the file, as a failing disk leaves them.
void damageMiddle(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 page = 4096;
    QVERIFY(file.seek(file.size() / page / 2 * page));
    QCOMPARE(file.write(QByteArray(4 * page, '\0')), 4 * page);
}

QStringList backupNames(const QString &libraryPath)
{
    return QDir(library::backupFolder(libraryPath)).entryList(QDir::Files, QDir::Name);
}

QString quickCheck(const QString &path)
{
    QString verdict = "<unreadable>";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "quick");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery q(db);
        if (db.open() && q.exec("PRAGMA quick_check") && q.next())
            verdict = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase("quick");
    return verdict;
}

// The child of the kill test: copies slowly, saying so once the copy has begun.
int runSlowBackup(const QString &libraryPath)
{
    library::makeBackup(libraryPath, QDateTime::currentDateTime(), [] {
        std::printf("copying\n");
        std::fflush(stdout);
        QThread::msleep(200);
        return true;
    });
    return 0;
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void pruningKeepsNewestThreeAndOneADay_data();
    void pruningKeepsNewestThreeAndOneADay();
    void killedCopyLeavesEverythingWhole();
    void damagedLibraryIsNotCopied();
    void madeAfterChangesAndOnClose();
    void restorePutsBackupInPlace_data();
    void restorePutsBackupInPlace();
    void deletedEntriesComeBack();
};

void TestBackup::pruningKeepsNewestThreeAndOneADay_data()
{
    QTest::addColumn<QStringList>("made"); // "day hour", days of December 2026
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("three or fewer: all kept")
        << QStringList{"10 09", "10 10", "01 08"} << QStringList{"10 09", "10 10", "01 08"};
    QTest::newRow("one day: the newest three")
        << QStringList{"10 08", "10 09", "10 10", "10 11", "10 12"}
        << QStringList{"10 10", "10 11", "10 12"};
    QTest::newRow("a week: the newest of each day, older days go")
        << QStringList{"01 10", "02 10", "03 09", "03 10", "04 10", "05 10", "06 10",
                       "07 10", "08 10", "09 10", "10 08", "10 09", "10 10"}
        << QStringList{"04 10", "05 10", "06 10", "07 10", "08 10",
                       "09 10", "10 08", "10 09", "10 10"};
    QTest::newRow("the newest three even when older than a week")
        << QStringList{"01 10", "01 11", "01 12", "01 13"}
        << QStringList{"01 11", "01 12", "01 13"};
    QTest::newRow("an older copy of a day in the week goes")
        << QStringList{"08 09", "08 10", "09 09", "10 09", "10 10", "10 11"}
        << QStringList{"08 10", "09 09", "10 09", "10 10", "10 11"};
}

void TestBackup::pruningKeepsNewestThreeAndOneADay()
{
    QFETCH(QStringList, made);
    QFETCH(QStringList, kept);
    QList<library::BackupFile> backups;
    for (const QString &when : made)
        backups.append({when, QDateTime(QDate(2026, 12, when.left(2).toInt()),
                                        QTime(when.mid(3).toInt(), 0))});
    QStringList left = made;
    for (const QString &gone : library::prunedBackups(backups, QDate(2026, 12, 10)))
        left.removeOne(gone);
    std::sort(left.begin(), left.end());
    std::sort(kept.begin(), kept.end());
    QCOMPARE(left, kept);
}

void TestBackup::killedCopyLeavesEverythingWhole()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Big.mdb";
    makeLibrary(path, 3000, 6000); // some 20 MB: several steps of copying
    const library::BackupFile earlier = library::makeBackup(path, Yesterday);
    QCOMPARE(earlier.entries, qint64(3000));
    const QByteArray libraryBytes = readBytes(path);
    const QByteArray earlierBytes = readBytes(earlier.path);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--slow-backup", path});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(20000));
    QVERIFY(child.readAllStandardOutput().startsWith("copying"));
    child.kill(); // SIGKILL: nothing of the child runs after it
    child.waitForFinished();

    QVERIFY(readBytes(path) == libraryBytes);
    QVERIFY(readBytes(earlier.path) == earlierBytes);
    QCOMPARE(quickCheck(earlier.path), QString("ok"));
    // Only the copy cut short lies beside, under a name that is not a backup's.
    QCOMPARE(library::backupsOf(path).size(), 1);
    const QStringList names = backupNames(path);
    QCOMPARE(names.size(), 2);
    QVERIFY2(names.last().endsWith(".copying"), qPrintable(names.join(", ")));

    // The next backup clears it away.
    const library::BackupFile next = library::makeBackup(path, QDateTime::currentDateTime());
    QCOMPARE(next.entries, qint64(3000));
    QCOMPARE(quickCheck(next.path), QString("ok"));
    QCOMPARE(backupNames(path),
             QStringList({QFileInfo(earlier.path).fileName(), QFileInfo(next.path).fileName()}));
}

void TestBackup::damagedLibraryIsNotCopied()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Damaged.mdb";
    makeLibrary(path, 1000, 6000);
    const library::BackupFile earlier = library::makeBackup(path, Yesterday);
    const QByteArray earlierBytes = readBytes(earlier.path);
    damageMiddle(path);

    bool refusedAsDamage = false;
    try {
        library::makeBackup(path, QDateTime::currentDateTime());
    } catch (const quil::EngineError &e) {
        refusedAsDamage = e.damage();
    } catch (const quil::Error &) {
    }
    QVERIFY(refusedAsDamage);
    QCOMPARE(backupNames(path), QStringList{QFileInfo(earlier.path).fileName()});
    QVERIFY(readBytes(earlier.path) == earlierBytes);

    // Known damaged in the program: no copy is made, though a change made before is owed one.
    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    dm.setBackupDelays(60 * 60 * 1000, 60 * 60 * 1000);
    dm.setCheckIdleDelay(0);
    dm.OpenLibrary(folder.path(), "Damaged.mdb");
    quil::guarded([&] { dm.InsertBook(); }); // refused when the damage is known at open
    QTRY_VERIFY(dm.libraryDamaged());
    QCOMPARE(dialogs.count("choice"), 1); // the backup offered beside the salvage; refused
    dm.finishBackups();
    QCOMPARE(backupNames(path), QStringList{QFileInfo(earlier.path).fileName()});
}

void TestBackup::madeAfterChangesAndOnClose()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Demo.mdb";
    makeLibrary(path, 5);
    library::create(library::folder(folder.path()) + "Other.mdb");
    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    dm.setBackupDelays(0, 60 * 60 * 1000);
    QSignalSpy made(&dm, &TDataModule1::backupMade);
    dm.OpenLibrary(folder.path(), "Demo.mdb");
    dm.finishBackups();
    QCOMPARE(made.count(), 0); // nothing changed, nothing copied

    dm.InsertBook(); // the first change: copied at once
    QTRY_COMPARE(made.count(), 1);
    QCOMPARE(made[0][1].toLongLong(), qint64(6));
    dm.DeleteRecord(); // within the interval: owed, not made
    QTest::qWait(200);
    QCOMPARE(made.count(), 1);
    dm.OpenLibrary(folder.path(), "Other.mdb"); // leaving the library pays what is owed
    QCOMPARE(made.count(), 2);
    QCOMPARE(made[1][1].toLongLong(), qint64(5));
    QCOMPARE(library::backupsOf(path, true).first().entries, qint64(5));
    QVERIFY(dialogs.errors().isEmpty());
}

void TestBackup::restorePutsBackupInPlace_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("from the menu") << false;
    QTest::newRow("offered on damage") << true;
}

void TestBackup::restorePutsBackupInPlace()
{
    QFETCH(bool, damaged);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Demo.mdb";
    makeLibrary(path, 1000, 6000);
    library::makeBackup(path, Yesterday);
    const QStringList backedUp = storedRows(path, AllColumns);
    execOn(path, {"DELETE FROM Books WHERE key > 900"});
    if (damaged)
        damageMiddle(path);
    QByteArray current = readBytes(path);

    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    dialogs.nextChoices.enqueue({0});
    dialogs.nextAnswers.enqueue(true);
    dm.OpenLibrary(folder.path(), "Demo.mdb");
    if (damaged) {
        dm.waitForCheck();
    } else {
        current = readBytes(path); // as the open left it: with its index of texts
        dm.RestoreFromBackup();
    }

    QCOMPARE(storedRows(path, AllColumns), backedUp);
    QCOMPARE(dm.ADOTable.RecordCount(), 1000);
    QVERIFY(!dm.libraryDamaged());
    // The file replaced is kept as it was: with the damaged ones, or beside the backups.
    const QString keptIn = library::folder(folder.path()) + (damaged ? "Damaged" : "Backup");
    bool kept = false;
    for (const QFileInfo &file : QDir(keptIn).entryInfoList(QDir::Files))
        kept = kept || readBytes(file.filePath()) == current;
    QVERIFY2(kept, qPrintable(keptIn));
    const quil::ScriptedDialogs::Shown &choice = dialogs.shown[0];
    QCOMPARE(choice.kind, QString("choice"));
    QVERIFY2(choice.detail.contains("09.12.2020 18:00:00") && choice.detail.contains("1000"),
             qPrintable(choice.detail));
    if (damaged) // the salvage offered beside it, with its counts
        QVERIFY2(choice.detail.contains("Сохранятся записей"), qPrintable(choice.detail));
    else
        QVERIFY2(dialogs.shown[1].text.contains("09.12.2020 18:00:00 (записей: 1000)"),
                 qPrintable(dialogs.shown[1].text));
}

void TestBackup::deletedEntriesComeBack()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Demo.mdb";
    makeLibrary(path, 6, 300);
    library::makeBackup(path, Yesterday);
    const QStringList before = storedRows(path, AllColumns);

    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    dm.OpenLibrary(folder.path(), "Demo.mdb");
    // Entries 2 and 5 deleted, entry 3 changed since the backup.
    for (const qint64 key : {2, 5}) {
        QVERIFY(dm.ADOTable.locateKey(key));
        dm.DeleteRecord();
    }
    QVERIFY(dm.ADOTable.locateKey(3));
    dm.ADOTable.Edit();
    dm.ADOTablePages->setAsString("после копии");
    dm.ADOTable.Post();
    const QStringList changed = storedRows(path, AllColumns);

    dialogs.nextChoices.enqueue({0}); // the backup
    dialogs.nextChoices.enqueue({1}); // of the two missing, the second
    dm.RestoreDeletedEntries();
    QCOMPARE(dialogs.shown[1].detail, QString("Автор 1 — Книга 1\nАвтор 4 — Книга 4"));
    QStringList expected = changed;
    expected.insert(3, before[4]);
    QCOMPARE(storedRows(path, AllColumns), expected);
    QCOMPARE(dm.ADOTable.RecordCount(), 5);
    QCOMPARE(dm.ADOTablekey->AsString(), QString("5"));
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--slow-backup") == 0) {
        QCoreApplication app(argc, argv);
        return runSlowBackup(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestBackup test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_backup.moc"
