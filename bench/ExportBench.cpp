// The whole library written as a text list and as an HTML page, and the memory one export
// takes on top of what the open library already holds.
#include "Bench.h"
#include "LibraryGenerator.h"
#include "ShownProgram.h"

#include "app/Startup.h"
#include "app/TForm1.h"
#include "export/ListExport.h"
#include "platform/ScriptedDialogs.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <ctime>

namespace {

using quilbench::resetPeak;
using quilbench::statusKb;

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The whole table of a data module of its own to a file, without a window.
void runCoreExport(const quilbench::Options &options, const QString &path)
{
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    dm.ADOTable.setSort(book::DefaultSort);

    const struct {
        const char *name;
        ListExport::Format format;
        const char *suffix;
    } runs[] = {{"export_txt", ListExport::Format::Text, "txt"},
                {"export_html", ListExport::Format::Html, "html"}};
    for (const auto &run : runs) {
        const QString out = options.folder + QStringLiteral("export.") + run.suffix;
        const ListExport exporter(run.format, false);
        ListExport::Result result;
        const double ms =
            quilbench::medianMs(options.runs, [&] { result = exporter.write(dm.ADOTable, out); });
        if (!result.ok() || result.rows != options.entries) {
            std::printf("%s failed: %s (%d rows)\n", run.name, qPrintable(result.error),
                        result.rows);
            continue;
        }
        quilbench::report(QString::fromLatin1(run.name), ms);
        // The same into a plain file: what the save file's flush to disk at commit adds.
        const double unsynced = quilbench::medianMs(options.runs, [&] {
            QFile plain(out);
            if (plain.open(QIODevice::WriteOnly | QIODevice::Truncate))
                result = exporter.write(dm.ADOTable, plain);
        });
        std::printf("  %s into a file not flushed to disk %.1f ms\n", run.name, unsynced);
        // The machine may be shared: the processor time of one export beside the wall time.
        const double cpuBefore = cpuMs();

        // One more export, on its own peak.
        const qint64 before = statusKb("VmRSS");
        const bool reset = resetPeak();
        result = exporter.write(dm.ADOTable, out);
        const qint64 peak = statusKb("VmHWM");
        const double cpu = cpuMs() - cpuBefore;
        const double fileMb = QFileInfo(out).size() / (1024.0 * 1024.0);
        std::printf("  %s cpu %.0f ms, file %.1f MB, %d characters replaced, peak above "
                    "resident %s%.1f MB\n",
                    run.name, cpu, fileMb, result.replaced, reset ? "" : "(peak not reset) ",
                    (peak - before) / 1024.0);
        std::fflush(stdout);
        QFile::remove(out);
    }
}

// The text export as the user waits for it in the window: the command with its dialog answered,
// the walk with the grids, the record pane and the editor attached.
void runWindowExport(const quilbench::Options &options)
{
    quilbench::ShownProgram shown(options, QStringLiteral("export-window"));
    TForm1 *const Form1 = shown.program().Form1;
    QDir().mkpath(shown.folder + QStringLiteral("Result"));
    shown.openLibrary();
    quil::ScopedScriptedDialogs &dialogs = shown.dialogs;
    const QString out = shown.folder + QStringLiteral("Result/list.txt");
    const double ms = quilbench::medianMs(options.runs, [&] {
        dialogs.nextFileNames.enqueue(out);
        Form1->mmImDBSelnFile->trigger();
        QCoreApplication::processEvents();
    });
    if (!dialogs.errors().isEmpty() || !QFile::exists(out))
        std::printf("export_txt_window failed: %s\n",
                    qPrintable(dialogs.errors().join(QStringLiteral(" / "))));
    else
        quilbench::report(QStringLiteral("export_txt_window"), ms);
}

void runExport(const quilbench::Options &options)
{
    const QString path = options.folder + QStringLiteral("bench-%1.mdb").arg(options.entries);
    if (!QFile::exists(path))
        quilbench::generateLibrary(path, options.entries);
    runCoreExport(options, path);
    runWindowExport(options);
}

} // namespace

QUIL_BENCH_SUITE(export, runExport);
