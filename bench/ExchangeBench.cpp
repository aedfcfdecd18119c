// BibTeX and RIS: the whole generated library exported as each, then the exported references
// imported into the library beside a reference list of the same references, and the memory an
// export and an import take on top of the open library.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "exchange/ExchangeExport.h"
#include "exchange/ExchangeImport.h"
#include "import/Import.h"
#include "platform/Error.h"
#include "store/Book.h"
#include "store/TDataModule1.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <tuple>
#include <vector>

namespace {

using quilbench::statusKb;

// Runs work on its own peak and prints how far the peak rose above the resident size before.
void peakAbove(const char *name, const std::function<void()> &work)
{
    const qint64 before = statusKb("VmRSS");
    const bool reset = quilbench::resetPeak();
    work();
    std::printf("  %s peak above resident %s%.1f MB\n", name, reset ? "" : "(peak not reset) ",
                (statusKb("VmHWM") - before) / 1024.0);
    std::fflush(stdout);
}

// The references of the library as a tab-separated list in Windows-1251.
void writeList(const QString &library, const QString &path)
{
    const QString name = QStringLiteral("bench-exchange-list");
    QByteArray text;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(library);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT WName, WTitle, WPublisher, City, Location FROM Books ORDER "
                              "BY key"));
        QStringEncoder encoder("windows-1251");
        while (q.next()) {
            QStringList columns;
            for (int i = 0; i < 5; ++i)
                columns << q.value(i).toString().replace(QLatin1Char('\t'), QLatin1Char(' '));
            text +=
                QByteArray(encoder(columns.join(QLatin1Char('\t')))).replace('\x1a', '?') + "\r\n";
        }
    }
    QSqlDatabase::removeDatabase(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        std::fprintf(stderr, "exchange bench: cannot write %s\n", qPrintable(path));
}

struct OpenLibrary {
    TDataModule1 dm;
    explicit OpenLibrary(const QString &path)
    {
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.setSort(book::DefaultSort);
        dm.ADOTable.Open();
    }
};

QString benchLibrary(const quilbench::Options &options)
{
    const QString library = options.folder + QStringLiteral("bench-%1.mdb").arg(options.entries);
    if (!QFile::exists(library))
        quilbench::generateLibrary(library, options.entries);
    return library;
}

// The two exports alone, quick to run while working on them.
void runExports(const quilbench::Options &options)
{
    using namespace quil::exchange;
    const QString library = benchLibrary(options);
    const QString bib = options.folder + QStringLiteral("exchange.bib");
    const QString ris = options.folder + QStringLiteral("exchange.ris");
    {
        OpenLibrary open(library);
        for (const auto &[name, path, format] :
             {std::tuple{"export_bib", bib, Format::BibTeX}, {"export_ris", ris, Format::Ris}}) {
            ExportResult result;
            const double ms = quilbench::medianMs(
                options.runs, [&] { result = exportBibliography(open.dm.ADOTable, path, format); });
            if (!result.ok() || result.written != options.entries)
                std::printf("%s: %s (%d written)\n", name, qPrintable(result.error),
                            result.written);
            quilbench::report(QString::fromLatin1(name), ms);
            peakAbove(name, [&] { exportBibliography(open.dm.ADOTable, path, format); });
        }
    }
}

// The imports, beside a reference list of the same references.
void runImports(const quilbench::Options &options)
{
    using namespace quil::exchange;
    const QString library = benchLibrary(options);
    const QString bib = options.folder + QStringLiteral("exchange.bib");
    const QString list = options.folder + QStringLiteral("exchange.txt");
    writeList(library, list);
    // The imports compare the same references: the five fields a reference list carries, so
    // the BibTeX and RIS files to import are written from a copy without abstracts and notes.
    const QString bare = options.folder + QStringLiteral("exchange-bare.mdb");
    const QString bareBib = options.folder + QStringLiteral("exchange-bare.bib");
    const QString bareRis = options.folder + QStringLiteral("exchange-bare.ris");
    {
        QFile::remove(bare);
        QFile::copy(library, bare);
        const QString name = QStringLiteral("bench-exchange-bare");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(bare);
            db.open();
            QSqlQuery(db).exec(QStringLiteral("UPDATE Books SET Resume = NULL, Pages = NULL"));
        }
        QSqlDatabase::removeDatabase(name);
        OpenLibrary open(bare);
        exportBibliography(open.dm.ADOTable, bareBib, Format::BibTeX);
        exportBibliography(open.dm.ADOTable, bareRis, Format::Ris);
    }
    QFile::remove(bare);

    const QString work = options.folder + QStringLiteral("exchange-work.mdb");
    const auto timedImport = [&](const char *name, const std::function<void(TDataModule1 &)> &run) {
        std::vector<double> times;
        for (int i = 0; i < options.runs; ++i) {
            QFile::remove(work);
            QFile::copy(library, work);
            OpenLibrary open(work);
            const bool last = i + 1 == options.runs;
            QElapsedTimer clock;
            const auto once = [&] {
                clock.start();
                try {
                    run(open.dm);
                } catch (const quil::Error &e) {
                    std::fprintf(stderr, "%s failed: %s\n", name, qPrintable(e.message()));
                }
                times.push_back(double(clock.nsecsElapsed()) / 1e6);
            };
            if (last)
                peakAbove(name, once);
            else
                once();
        }
        std::sort(times.begin(), times.end());
        quilbench::report(QString::fromLatin1(name), times[times.size() / 2]);
    };
    timedImport("import_exchange_tsv",
                [&](TDataModule1 &dm) { quil::importReferenceList(dm, list); });
    timedImport("import_bib", [&](TDataModule1 &dm) { importBibliography(dm, bareBib); });
    timedImport("import_ris", [&](TDataModule1 &dm) { importBibliography(dm, bareRis); });
    // The whole export read back, abstracts included.
    timedImport("import_bib_abstracts", [&](TDataModule1 &dm) { importBibliography(dm, bib); });
    QFile::remove(work);
}

} // namespace

QUIL_BENCH_SUITE(exchange_export, runExports);
QUIL_BENCH_SUITE(exchange_import, runImports);
