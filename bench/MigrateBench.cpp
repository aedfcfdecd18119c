// Migrating a large library of the old program (Big.mdb, 20,000 entries) against mdb-export
// writing the same table as text in the same run, the memory a migration takes, and reading
// the migrated library against one made here.
//
// Big.mdb is looked for in the bench folder; QUIL_BIG_MDB names it (or its .gz, unpacked into
// the bench folder once) when it is elsewhere.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "jet/JetReader.h"
#include "jet/Migration.h"
#include "store/Book.h"
#include "store/TDataModule1.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

namespace {

QString bigLibrary(const QString &folder)
{
    const QString unpacked = folder + QStringLiteral("Big.mdb");
    if (QFileInfo::exists(unpacked))
        return unpacked;
    const QString given = qEnvironmentVariable("QUIL_BIG_MDB");
    if (given.endsWith(QLatin1String(".gz"))) {
        QProcess gunzip;
        gunzip.setStandardOutputFile(unpacked);
        gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), given});
        if (gunzip.waitForFinished(-1) && gunzip.exitCode() == 0)
            return unpacked;
        QFile::remove(unpacked);
        return QString();
    }
    return QFileInfo::exists(given) ? given : QString();
}

// What open, a walk in the default order and an export read: every field of every entry.
void openAndWalk(const QString &path)
{
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    dm.ADOTable.setSort(book::DefaultSort);
    qint64 characters = 0;
    for (dm.ADOTable.First(); !dm.ADOTable.Eof(); dm.ADOTable.Next())
        characters += dm.ADOTableResume->AsString().size() + dm.ADOTableWName->AsString().size();
    if (characters == 0)
        std::fprintf(stderr, "migrate: %s read empty\n", qPrintable(path));
}

void run(const quilbench::Options &options)
{
    const QString big = bigLibrary(options.folder);
    if (big.isEmpty()) {
        std::fprintf(stderr, "migrate: no Big.mdb in %s (set QUIL_BIG_MDB to it or its .gz)\n",
                     qPrintable(options.folder));
        return;
    }
    const QString target = options.folder + QStringLiteral("Big-migrated.mdb");
    const QString text = options.folder + QStringLiteral("Big-export.txt");
    const auto removeTarget = [&] { QFile::remove(target); };

    const double exported = quilbench::medianMs(options.runs, [&] {
        QProcess mdbExport;
        mdbExport.setStandardOutputFile(text);
        mdbExport.start(QStringLiteral("mdb-export"), {big, QStringLiteral("Books")});
        mdbExport.waitForFinished(-1);
    });
    QFile::remove(text);
    int entries = 0;
    const double migrated = quilbench::medianMs(
        options.runs, removeTarget, [&] { entries = jet::convert(big, target).entries; });
    quilbench::report(QStringLiteral("mdb_export_%1").arg(entries), exported);
    quilbench::report(QStringLiteral("migrate_%1").arg(entries), migrated);
    std::printf("migrate_vs_mdb_export %.2f\n", exported > 0 ? migrated / exported : 0.0);

    removeTarget();
    quilbench::resetPeak();
    jet::convert(big, target);
    std::printf("migrate_peak_mb %.1f\n", quilbench::statusKb("VmHWM") / 1024.0);

    const QString made = quilbench::generatedLibrary(options.folder, entries);
    quilbench::report(QStringLiteral("open_walk_migrated"),
                      quilbench::medianMs(options.runs, [&] { openAndWalk(target); }));
    quilbench::report(QStringLiteral("open_walk_made_here"),
                      quilbench::medianMs(options.runs, [&] { openAndWalk(made); }));
    std::fflush(stdout);
}

} // namespace

QUIL_BENCH_SUITE(migrate, run);
