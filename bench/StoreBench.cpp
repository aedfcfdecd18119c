// Library-sized measures: open, sort, moves and a walk over a generated library.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "platform/Connection.h"
#include "platform/DataSet.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QFile>

namespace {

void runStore(const quilbench::Options &options)
{
    const QString path = options.folder + QStringLiteral("bench-%1.mdb").arg(options.entries);
    if (!QFile::exists(path))
        quilbench::generateLibrary(path, options.entries);

    // Open: connect, open the table, default order, first record's fields read.
    const double open = quilbench::medianMs(options.runs, [&] {
        TDataModule1 dm;
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
        dm.ADOTable.setSort(book::DefaultSort);
        (void)dm.ADOTableName->AsString();
        (void)dm.ADOTableResume->AsString();
    });
    quilbench::report(QStringLiteral("open"), open);

    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    dm.ADOTable.setSort(book::DefaultSort);

    int flip = 0;
    const double sort = quilbench::medianMs(options.runs, [&] {
        dm.ADOTable.setSort(flip++ % 2 ? QStringLiteral("Name, City, Title ASC")
                                       : QStringLiteral("Title, City, Name ASC"));
    });
    quilbench::report(QStringLiteral("sort"), sort);
    dm.ADOTable.setSort(book::DefaultSort);

    // One move with the current record's fields read as the display reads them.
    dm.ADOTable.First();
    const double next = quilbench::medianMs(std::max(options.runs, 1001), [&] {
        dm.ADOTable.Next();
        (void)dm.ADOTableName->DisplayText();
        (void)dm.ADOTableWName->AsString();
        (void)dm.ADOTableResume->AsString();
    });
    quilbench::report(QStringLiteral("next"), next);

    const double walk = quilbench::medianMs(options.runs, [&] {
        dm.ADOTable.DisableControls();
        dm.ADOTable.First();
        qint64 chars = 0;
        while (!dm.ADOTable.Eof()) {
            chars += dm.ADOTableName->AsString().size() + dm.ADOTableTitle->AsString().size();
            dm.ADOTable.Next();
        }
        dm.ADOTable.EnableControls();
        if (chars == 0)
            quilbench::report(QStringLiteral("walk_read_nothing"), 0);
    });
    quilbench::report(QStringLiteral("walk"), walk);
}

} // namespace

QUIL_BENCH_SUITE(store, runStore);
