// What a user of the main window waits for on a large library: opening it through the menu,
// one move with the grid, record pane, abstract view and status bar updated and painted, and
// the three record commands with their writes to disk.
#include "Bench.h"
#include "LibraryGenerator.h"
#include "ShownProgram.h"

#include "app/Startup.h"
#include "app/TForm1.h"
#include "platform/ScriptedDialogs.h"
#include "store/LibraryFile.h"
#include "widgets/DBRichEdit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void settle() { QCoreApplication::processEvents(); }

void runWindow(const quilbench::Options &options)
{
    quilbench::ShownProgram shown(options, QStringLiteral("window"));
    TForm1 *const Form1 = shown.program().Form1;
    quil::ScopedScriptedDialogs &dialogs = shown.dialogs;
    const QString &path = shown.library;

    const double open = quilbench::medianMs(options.runs, [&] {
        dialogs.nextFileNames.enqueue(path);
        Form1->SelectLibrary->trigger();
        settle();
    });
    quilbench::report(QStringLiteral("window_open"), open);

    const int readBefore = quil::DBRichEdit::documentsRead();
    const int moves = std::max(options.runs, 301);
    const double next = quilbench::medianMs(moves, [&] {
        Form1->siNextClick();
        settle();
    });
    quilbench::report(QStringLiteral("window_next"), next);
    // The editor is hidden: no abstract is read into its document on a move.
    std::printf("  (editor documents read per move: %.2f)\n",
                (quil::DBRichEdit::documentsRead() - readBefore) / double(moves));
    if (qEnvironmentVariableIsSet("QUIL_BENCH_SPLIT")) {
        quilbench::report(QStringLiteral("  next_handler_only"),
                          quilbench::medianMs(301, [&] { Form1->siNextClick(); }));
        quilbench::report(QStringLiteral("  paint_only"), quilbench::medianMs(301, [&] {
                              Form1->update();
                              Form1->repaint();
                          }));
        QElapsedTimer t;
        std::vector<double> events;
        for (int i = 0; i < 101; ++i) {
            Form1->siNextClick();
            t.start();
            settle();
            events.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(events.begin(), events.end());
        quilbench::report(QStringLiteral("  events_after_next"), events[events.size() / 2]);
    }

    const double insert = quilbench::medianMs(options.runs, [&] {
        Form1->btInsertBookClick();
        settle();
    });
    quilbench::report(QStringLiteral("new_book"), insert);

    const double save = quilbench::medianMs(options.runs, [&] {
        Form1->bbSaveClick();
        settle();
    });
    quilbench::report(QStringLiteral("save"), save);

    const double remove = quilbench::medianMs(options.runs, [&] {
        dialogs.nextAnswers.enqueue(true);
        Form1->bbDeleteClick();
        settle();
    });
    quilbench::report(QStringLiteral("delete"), remove);
    if (!dialogs.errors().isEmpty())
        std::fprintf(stderr, "errors: %s\n",
                     qPrintable(dialogs.errors().join(QStringLiteral(" / "))));
}

} // namespace

QUIL_BENCH_SUITE(window, runWindow);
