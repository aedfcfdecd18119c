// A store meets a library that another program holds for a moment: it waits for the lock to be
// released instead of failing at once, and the record is written.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "platform/Error.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QtTest>
#include <atomic>
#include <sqlite3.h>
#include <thread>

namespace {

// Another program's connection that holds the library's write lock for a while.
class LockHolder {
public:
    LockHolder(const QString &path, int holdMs)
    {
        FThread = std::thread([this, file = path.toUtf8(), holdMs] {
            sqlite3 *db = nullptr;
            if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
                    SQLITE_OK &&
                sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK) {
                FHeld = 1;
                std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
                sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            } else {
                FHeld = -1;
            }
            sqlite3_close(db);
        });
    }
    ~LockHolder() { FThread.join(); }
    // 1 while (or after) the lock was held, -1 when it could not be taken.
    int held() const { return FHeld; }

private:
    std::atomic<int> FHeld{0};
    std::thread FThread;
};

} // namespace

class TestBusyWait : public QObject {
    Q_OBJECT
private slots:
    void storeWaitsForAHeldLock();
};

void TestBusyWait::storeWaitsForAHeldLock()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Shared.mdb";
    library::create(path);
    execOn(path, {}, {{"Автор", "Книга", "2000"}});
    TDataModule1 dm;
    dm.OpenLibrary(folder.path(), "Shared.mdb");
    // The check of the whole file reads on its own; the other program's lock waits for no one.
    dm.waitForCheck();
    dm.ADOTable.Edit();
    dm.ADOTableWName->setAsString("Изменён");

    {
        LockHolder other(path, 700);
        QTRY_VERIFY(other.held() != 0);
        QCOMPARE(other.held(), 1);
        QString error;
        try {
            dm.ADOTable.Post();
        } catch (const quil::Error &e) {
            error = e.message(); // the store gave up without waiting
        }
        QCOMPARE(error, QString());
    }
    QCOMPARE(storedRows(path, "WName, Name"), QStringList({"Изменён|Изменён"}));
}

QTEST_MAIN(TestBusyWait)
#include "test_busy_wait.moc"
