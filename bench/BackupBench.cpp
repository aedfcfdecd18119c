// Backups and the check of the whole file on a library of many entries: how long each takes on
// its own thread, and the longest move through the table while one runs.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "store/Backup.h"
#include "store/Book.h"
#include "store/LibraryCheck.h"
#include "store/TDataModule1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// The longest of the moves made through the open table while work runs on another thread.
double longestMoveDuring(TDataModule1 &dm, const std::function<void()> &work)
{
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    double longest = 0;
    QElapsedTimer timer;
    while (!done) {
        timer.start();
        dm.ADOTable.Next();
        if (dm.ADOTable.Eof())
            dm.ADOTable.First();
        (void)dm.ADOTableName->AsString();
        longest = std::max(longest, timer.nsecsElapsed() / 1e6);
    }
    worker.join();
    return longest;
}

void runBackup(const quilbench::Options &options)
{
    const QString path = quilbench::generatedLibrary(options.folder, options.entries);
    std::printf("backup_library_mb %.0f\n", QFileInfo(path).size() / 1048576.0);
    const auto backup = [&] { library::makeBackup(path, QDateTime::currentDateTime()); };
    quilbench::report(QStringLiteral("backup"), quilbench::medianMs(options.runs, backup));
    const auto check = [&] { (void)library::checkWhole(path); };
    quilbench::report(QStringLiteral("check"), quilbench::medianMs(options.runs, check));

    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    dm.ADOTable.setSort(book::DefaultSort);
    std::vector<double> duringBackup;
    std::vector<double> duringCheck;
    for (int i = 0; i < options.runs; ++i) {
        duringBackup.push_back(longestMoveDuring(dm, backup));
        duringCheck.push_back(longestMoveDuring(dm, check));
    }
    for (auto *times : {&duringBackup, &duringCheck})
        std::sort(times->begin(), times->end());
    quilbench::report(QStringLiteral("backup_longest_move"), duringBackup[duringBackup.size() / 2]);
    quilbench::report(QStringLiteral("check_longest_move"), duringCheck[duringCheck.size() / 2]);
    QDir(library::backupFolder(path)).removeRecursively();
}

} // namespace

QUIL_BENCH_SUITE(backup, runBackup);
