// Find and select on a large library: a find that matches nothing walks the whole table (by
// author, by title, by abstract); a selection with all four texts; one move in the selection
// grid of the window with the main table following it.
#include "Bench.h"
#include "LibraryGenerator.h"
#include "ShownProgram.h"

#include "app/Startup.h"
#include "app/TForm1.h"
#include "db/DataSet.h"
#include "platform/ScriptedDialogs.h"
#include "search/Finder.h"
#include "search/Selection.h"
#include "store/Book.h"
#include "store/TDataModule1.h"
#include "widgets/DBGrid.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<TDataModule1> openLibrary(const quilbench::Options &options)
{
    const QString path = quilbench::generatedLibrary(options.folder, options.entries);
    auto dm = std::make_unique<TDataModule1>();
    dm->ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm->ADOConnection.Open();
    dm->ADOTable.setSort(book::DefaultSort);
    dm->ADOTable.Open();
    return dm;
}

// The wall time, or with `cpu` the processor time of this thread.
double findNothing(TDataModule1 &dm, int item, int runs, bool cpu = false)
{
    search::FindRequest request;
    request.item = item;
    request.text = QStringLiteral("нет такого текста");
    const auto find = [&] {
        if (search::findInTable(dm.ADOTable, request, nullptr) != search::FindOutcome::NotFound)
            std::fprintf(stderr, "find: a match where none was expected\n");
    };
    return cpu ? quilbench::medianCpuMs(runs, {}, find) : quilbench::medianMs(runs, find);
}

// A word that many entries hold: "Поиск" from the first entry, then each "Далее" on its own.
void findWord(TDataModule1 &dm, int item, const QString &word, const QString &name, int runs)
{
    search::FindRequest request;
    request.item = item;
    request.text = word;
    const auto find = [&] {
        if (search::findInTable(dm.ADOTable, request, nullptr) != search::FindOutcome::Found)
            std::fprintf(stderr, "%s: \"%s\" not found\n", qPrintable(name), qPrintable(word));
    };
    quilbench::report(name, quilbench::medianMs(runs, find));
    request.from = search::FindFrom::Next;
    quilbench::report(name + QStringLiteral("_next"),
                      quilbench::medianMs(std::max(runs, 51), find));
}

void runFindName(const quilbench::Options &options)
{
    auto dm = openLibrary(options);
    quilbench::report(QStringLiteral("find_name"),
                      findNothing(*dm, search::FindAuthor, options.runs));
    quilbench::report(QStringLiteral("find_title"),
                      findNothing(*dm, search::FindTitle, options.runs));
    findWord(*dm, search::FindAuthor, QStringLiteral("Щербакова"), QStringLiteral("find_name_word"),
             options.runs);
    // A name that a quarter of the entries hold in another letter case and none as typed: the
    // index names them all, and "Далее" from the first entry has to rule each one out.
    search::FindRequest exact;
    exact.item = search::FindAuthor;
    exact.text = QStringLiteral("щербакова");
    exact.from = search::FindFrom::Next;
    dm->ADOTable.First();
    const auto next = [&] {
        if (search::findInTable(dm->ADOTable, exact, nullptr) != search::FindOutcome::NotFound)
            std::fprintf(stderr, "find_name_exactcase_next: a match where none was expected\n");
    };
    // The first press asks the index; the presses after it reuse its answer.
    quilbench::report(QStringLiteral("  find_name_exactcase_first"), quilbench::medianMs(1, next));
    quilbench::report(QStringLiteral("find_name_exactcase_next"),
                      quilbench::medianMs(options.runs, next));
}

void runFindAbstract(const quilbench::Options &options)
{
    auto dm = openLibrary(options);
    const int runs = std::min(options.runs, 3);
    quilbench::report(QStringLiteral("find_abstract"),
                      findNothing(*dm, search::FindAbstract, runs));
    // Apart from other programs' load, which on a shared machine varies more than the find.
    quilbench::report(QStringLiteral("  find_abstract_cpu"),
                      findNothing(*dm, search::FindAbstract, runs, true));
    findWord(*dm, search::FindAbstract, QStringLiteral("рентгеновской"),
             QStringLiteral("find_abstract_word"), options.runs);
}

// Cyrillic in the other case than stored, so the case-folding LIKE does the work.
const search::SelectionTexts AllFour{QStringLiteral("ёлкин"), QStringLiteral("СТРУКТУРЫ"),
                                     QStringLiteral("плёнок"), QStringLiteral("Методом")};

void runSelect(const quilbench::Options &options)
{
    auto dm = openLibrary(options);
    int rows = 0;
    const double ms = quilbench::medianMs(options.runs, [&] {
        search::runSelection(dm->ADOQuery, AllFour);
        rows = dm->ADOQuery.RecordCount();
    });
    quilbench::report(QStringLiteral("select"), ms);
    std::fprintf(stderr, "select: %d rows\n", rows);
}

// Through the window: a selection of every entry in the grid, then one row down at a time, the
// main table, its grid, the record pane and the status bar following and painted.
void runSelectFollow(const quilbench::Options &options)
{
    quilbench::ShownProgram shown(options, QStringLiteral("select-follow"));
    TForm1 *const Form1 = shown.program().Form1;
    TDataModule1 *const DataModule1 = shown.program().DataModule1;
    shown.openLibrary();
    Form1->mmSelect->trigger();
    Form1->gbSelect->bbOKSelect->click();
    QCoreApplication::processEvents();

    quil::Query &query = DataModule1->ADOQuery;
    quil::DBGrid *grid = Form1->DBgrQuery;
    grid->setFocus();
    const double ms = quilbench::medianMs(std::max(options.runs, 301), [&] {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(grid, &down);
        QCoreApplication::processEvents();
    });
    quilbench::report(QStringLiteral("select_follow"), ms);
    if (query.RecNo() < 2 || DataModule1->ADOTable.keyField().Value() != query.keyField().Value())
        std::fprintf(stderr, "select_follow: the table is not on the selected entry\n");
    if (!shown.dialogs.errors().isEmpty())
        std::fprintf(stderr, "select_follow: %s\n", qPrintable(shown.dialogs.errors().join(" / ")));
}

} // namespace

QUIL_BENCH_SUITE(find_name, runFindName);
QUIL_BENCH_SUITE(find_abstract, runFindAbstract);
QUIL_BENCH_SUITE(select, runSelect);
QUIL_BENCH_SUITE(select_follow, runSelectFollow);
