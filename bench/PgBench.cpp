// A shared library on a local PostgreSQL server against the same library as a file: open,
// find, selection, one store, and how soon another connection hears of a change. Needs the
// cluster of scripts/pg-test-cluster.sh (QUIL_PG_SOCKET_DIR); says so and measures nothing
// without it.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "db/DataSet.h"
#include "pg/PgEngine.h"
#include "search/Finder.h"
#include "search/Selection.h"
#include "store/Book.h"
#include "store/LibraryCopy.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <memory>
#include <poll.h>

namespace {

// The program folder of the bench: the generated library and a .pglib beside it.
struct Libraries {
    QString programFolder;
    QString file = QStringLiteral("Bench.mdb");
    QString shared = QStringLiteral("Bench.pglib");
};

Libraries prepare(const quilbench::Options &options)
{
    Libraries libraries;
    libraries.programFolder = options.folder + QStringLiteral("pg-%1/").arg(options.entries);
    const QString dbase = library::folder(libraries.programFolder);
    QDir().mkpath(dbase);
    const QString file = dbase + libraries.file;
    if (!QFile::exists(file))
        QFile::copy(quilbench::generatedLibrary(options.folder, options.entries), file);
    const QString port = qEnvironmentVariable("PGPORT", QStringLiteral("5432"));
    const QString database = QStringLiteral("quilbench_%1").arg(options.entries);
    const QString address = QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
                                .arg(qEnvironmentVariable("QUIL_PG_SOCKET_DIR"), port,
                                     qEnvironmentVariable("PGUSER", QStringLiteral("quil")));
    pg::PgEngine admin;
    admin.openConnectionString(address.arg(QStringLiteral("postgres")));
    admin.execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database));
    admin.executeOrThrow(QStringLiteral("CREATE DATABASE %1").arg(database));
    QFile pglib(dbase + libraries.shared);
    pglib.open(QIODevice::WriteOnly | QIODevice::Truncate);
    pglib.write(address.arg(database).toUtf8() + '\n');
    pglib.close();
    QElapsedTimer copying;
    copying.start();
    const library::Copied copied = library::copyLibrary(file, dbase + libraries.shared);
    std::fprintf(stderr, "pg: copied %lld entries in %lld ms\n", qlonglong(copied.entries),
                 qlonglong(copying.elapsed()));
    admin.openConnectionString(address.arg(database));
    admin.executeOrThrow(QStringLiteral("VACUUM ANALYZE books"));
    return libraries;
}

std::unique_ptr<TDataModule1> opened(const Libraries &libraries, const QString &name)
{
    auto dm = std::make_unique<TDataModule1>();
    dm->OpenLibrary(libraries.programFolder, name);
    return dm;
}

void measure(const Libraries &libraries, const QString &name, const QString &suffix, int runs)
{
    quilbench::report(QStringLiteral("open_") + suffix, quilbench::medianMs(runs, [&] {
                          auto dm = opened(libraries, name);
                          (void)dm->ADOTableName->AsString();
                          (void)dm->ADOTableResume->AsString();
                      }));
    auto dm = opened(libraries, name);
    search::FindRequest request;
    request.item = search::FindAuthor;
    request.text = QStringLiteral("нет такого текста");
    quilbench::report(QStringLiteral("find_name_") + suffix, quilbench::medianMs(runs, [&] {
                          search::findInTable(dm->ADOTable, request, nullptr);
                      }));
    const search::SelectionTexts texts{QStringLiteral("ёлкин"), QStringLiteral("СТРУКТУРЫ"),
                                       QStringLiteral("плёнок"), QStringLiteral("Методом")};
    quilbench::report(QStringLiteral("select_") + suffix, quilbench::medianMs(runs, [&] {
                          search::runSelection(dm->ADOQuery, texts);
                      }));
    // All four texts empty: every entry that has keywords.
    quilbench::report(QStringLiteral("select_empty_") + suffix,
                      quilbench::medianMs(runs, [&] { search::runSelection(dm->ADOQuery, {}); }));
    int n = 0;
    quilbench::report(QStringLiteral("store_") + suffix,
                      quilbench::medianMs(std::max(runs, 21), [&] {
                          dm->ADOTable.Edit();
                          dm->ADOTablePages->setAsString(QStringLiteral("с. %1").arg(++n));
                          dm->StoreCurrentRecord();
                      }));
}

void runPg(const quilbench::Options &options)
{
    if (qEnvironmentVariableIsEmpty("QUIL_PG_SOCKET_DIR")) {
        std::fprintf(stderr, "pg: no PostgreSQL cluster (start scripts/pg-test-cluster.sh)\n");
        return;
    }
    const Libraries libraries = prepare(options);
    measure(libraries, libraries.file, QStringLiteral("sqlite"), options.runs);
    measure(libraries, libraries.shared, QStringLiteral("pg"), options.runs);

    // A store in one program until the other's socket says so and its table has the change.
    auto one = opened(libraries, libraries.shared);
    auto two = opened(libraries, libraries.shared);
    auto &server = dynamic_cast<pg::PgEngine &>(two->ADOConnection.engine());
    int n = 0;
    quilbench::report(QStringLiteral("notify_pg"),
                      quilbench::medianMs(std::max(options.runs, 21), [&] {
                          const QString text = QStringLiteral("изменено %1").arg(++n);
                          one->ADOTable.Edit();
                          one->ADOTablePages->setAsString(text);
                          one->StoreCurrentRecord();
                          pollfd watch{server.socket(), POLLIN, 0};
                          while (two->ADOTablePages->AsString() != text) {
                              poll(&watch, 1, 1000);
                              QCoreApplication::processEvents();
                          }
                      }));
}

} // namespace

QUIL_BENCH_SUITE(pg, runPg);
