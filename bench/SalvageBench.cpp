// A damaged library: the background check of the whole file and the longest move while it
// reads, and the salvage of a library with one table page zeroed, beside a plain page-by-page
// copy of the same file (the engine's online backup, as the sqlite3 program makes it).
#include "Bench.h"
#include "LibraryGenerator.h"

#include "db/DataSet.h"
#include "store/Book.h"
#include "store/DurableFile.h"
#include "store/LibraryCheck.h"
#include "store/Salvage.h"
#include "store/TDataModule1.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// Zeroes the table page in the middle of the Books table's leaves; false when the engine offers
// no page statistics.
bool zeroMiddleTablePage(const QString &path)
{
    qint64 page = 0;
    qint64 pageSize = 0;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("salvage-bench"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("PRAGMA page_size")) && q.next())
                pageSize = q.value(0).toLongLong();
            if (q.exec(QStringLiteral(
                    "SELECT pageno FROM dbstat WHERE name='Books' AND pagetype='leaf' ORDER BY "
                    "pageno LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat WHERE name='Books' "
                    "AND pagetype='leaf')")) &&
                q.next())
                page = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("salvage-bench"));
    QFile file(path);
    return page > 0 && pageSize > 0 && file.open(QIODevice::ReadWrite) &&
           file.seek((page - 1) * pageSize) &&
           file.write(QByteArray(int(pageSize), '\0')) == pageSize;
}

void runSalvage(const quilbench::Options &options)
{
    const QString library = quilbench::generatedLibrary(options.folder, options.entries);
    const QString work = options.folder + QStringLiteral("salvage-work.mdb");
    const QString copy = options.folder + QStringLiteral("salvage-copy.mdb");
    library::removeLibraryFile(work);
    if (!QFile::copy(library, work)) {
        std::fprintf(stderr, "salvage: cannot copy %s\n", qPrintable(library));
        return;
    }

    // The check of the whole file, and the longest move while it reads.
    const double check = quilbench::medianMs(options.runs, [&] {
        if (!library::checkWhole(work).isEmpty())
            std::fprintf(stderr, "check: the generated library is damaged\n");
    });
    quilbench::report(QStringLiteral("check_whole"), check);
    {
        TDataModule1 dm;
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + work);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
        dm.ADOTable.setSort(book::DefaultSort);
        std::atomic<bool> checking = true;
        std::thread checker([&] {
            library::checkWhole(work);
            checking = false;
        });
        double longest = 0;
        QElapsedTimer clock;
        while (checking) {
            if (dm.ADOTable.Eof())
                dm.ADOTable.First();
            clock.start();
            dm.ADOTable.Next();
            (void)dm.ADOTableName->DisplayText();
            (void)dm.ADOTableWName->AsString();
            (void)dm.ADOTableResume->AsString();
            longest = std::max(longest, clock.nsecsElapsed() / 1e6);
        }
        checker.join();
        quilbench::report(QStringLiteral("next_during_check_max"), longest);
    }

    // The yardstick: a page-by-page copy, made durable as a salvaged library is.
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) {
        std::fprintf(stderr, "salvage_backup: the sqlite3 program is not installed\n");
    } else {
        const double backup = quilbench::medianMs(
            options.runs, [&] { library::removeLibraryFile(copy); },
            [&] {
                QProcess::execute(sqlite3, {work, QStringLiteral(".backup '%1'").arg(copy)});
                library::syncPath(copy);
            });
        quilbench::report(QStringLiteral("salvage_backup"), backup);
    }

    if (!zeroMiddleTablePage(work)) {
        std::fprintf(stderr, "salvage: the engine offers no page statistics\n");
        return;
    }
    library::Salvaged result;
    const double salvage = quilbench::medianMs(
        options.runs, [&] { library::removeLibraryFile(copy); },
        [&] { result = library::salvage(work, copy); });
    quilbench::report(QStringLiteral("salvage_one_page"), salvage);
    if (result.saved + result.lost.size() != options.entries || result.lost.isEmpty())
        std::fprintf(stderr, "salvage: saved %d, lost %d of %d\n", result.saved,
                     int(result.lost.size()), options.entries);
    library::removeLibraryFile(copy);
    library::removeLibraryFile(work);
}

} // namespace

QUIL_BENCH_SUITE(salvage, runSalvage);
