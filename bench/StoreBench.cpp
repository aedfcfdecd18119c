// Library-sized measures: open, sort, moves and a walk over a generated library.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "app/Startup.h"
#include "app/TForm1.h"
#include "db/Connection.h"
#include "db/DataSet.h"
#include "platform/ScriptedDialogs.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "widgets/DBGrid.h"
#include "widgets/DBMemo.h"
#include "widgets/DBRichEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <cstdio>
#include <functional>

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
        // As the program opens a library: the order first, so the keys are read once.
        dm.ADOTable.setSort(book::DefaultSort);
        dm.ADOTable.Open();
        (void)dm.ADOTableName->AsString();
        (void)dm.ADOTableResume->AsString();
    });
    quilbench::report(QStringLiteral("open"), open);
    // The engine alone: its shell reading every key in the default order (its own text order).
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!sqlite3.isEmpty())
        quilbench::report(QStringLiteral("open_sqlite3"), quilbench::medianMs(options.runs, [&] {
                              QProcess shell;
                              shell.setStandardOutputFile(QProcess::nullDevice());
                              shell.start(sqlite3, {QStringLiteral("-readonly"), path,
                                                    QStringLiteral("SELECT key FROM Books ORDER "
                                                                   "BY City, Name, Title")});
                              shell.waitForFinished(-1);
                          }));

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

    // Stores as the record commands make them: one edited field, and a new record, each
    // written and made durable in the library file itself. On a copy: the generated library
    // stays as generated for the other suites.
    dm.ADOConnection.Close();
    const QString copy = options.folder + QStringLiteral("store-posts.mdb");
    QFile::remove(copy);
    QFile::copy(path, copy);
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + copy);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    int edits = 0;
    const double edit = quilbench::medianMs(std::max(options.runs, 21), [&] {
        dm.ADOTable.Edit();
        dm.ADOTableWName->setAsString(QStringLiteral("Автор %1").arg(edits++));
        dm.ADOTable.Post();
    });
    quilbench::report(QStringLiteral("post_edit"), edit);
    const double insert = quilbench::medianMs(std::max(options.runs, 21), [&] {
        dm.ADOTable.Insert();
        for (quil::Field *field : {dm.ADOTableCity, dm.ADOTableResume, dm.ADOTableLocation})
            field->setAsString(book::NewText);
        dm.ADOTable.Post();
    });
    quilbench::report(QStringLiteral("post_insert"), insert);
}

// A library of twenty entries in the library folder, made once; the eleventh, whose year puts
// it first in the default order, has the author, title and keywords `longText` (where made)
// and the abstract `longAbstract`.
QString twentyEntries(const QString &folder, const QString &fileName,
                      const std::function<void(QString &longText, QString &longAbstract)> &make)
{
    QDir().mkpath(library::folder(folder));
    const QString path = library::folder(folder) + fileName;
    if (QFile::exists(path))
        return path;
    library::create(path);
    QString longText;
    QString longAbstract;
    make(longText, longAbstract);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "long-value");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO Books (Name, Title, City, WName, WTitle, Location, "
                                 "Resume) VALUES (?,?,?,?,?,?,?)"));
        for (int i = 0; i < 20; ++i) {
            const bool longOne = i == 10;
            const QString text =
                longOne && !longText.isEmpty() ? longText : QStringLiteral("Автор %1").arg(i);
            for (const QVariant &v :
                 {QVariant(text), QVariant(text),
                  QVariant(longOne ? QStringLiteral("1990") : QStringLiteral("2000")),
                  QVariant(text), QVariant(text), QVariant(text),
                  QVariant(longOne ? longAbstract : text)})
                q.addBindValue(v);
            q.exec();
        }
    }
    QSqlDatabase::removeDatabase("long-value");
    return path;
}

// A library of a few entries, one of which has an author, a title, keywords and an abstract of
// `chars` characters without a blank each: what costs time in proportion to a value's size, or
// worse, shows here.
QString longValueLibrary(const QString &folder, int chars)
{
    return twentyEntries(folder, QStringLiteral("LongValues%1.mdb").arg(chars),
                         [chars](QString &longText, QString &longAbstract) {
                             longText.reserve(chars);
                             for (int i = 0; i < chars; ++i)
                                 longText += QChar(i % 7 == 0 ? u'Ж' : u'a' + i % 26);
                             longAbstract = longText;
                         });
}

void settle() { QCoreApplication::processEvents(); }

// One step to the next entry (or back) in the window, as the tool bar's buttons take it.
std::function<void()> step(TForm1 *form, void (TForm1::*button)())
{
    return [form, button] {
        (form->*button)();
        settle();
    };
}

// The program folder of the long-value libraries, with its two notebooks.
QString longFolder(const quilbench::Options &options)
{
    const QString folder = options.folder + QStringLiteral("long/");
    QDir().mkpath(folder);
    for (const char *note : {"Info.txt", "Terms.txt"}) {
        QFile file(folder + QLatin1String(note));
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write("\r\n");
    }
    return folder;
}

void runLongValue(const quilbench::Options &options)
{
    const QString folder = longFolder(options);
    quil::ScopedScriptedDialogs dialogs;
    Program program(folder);
    TForm1 *const Form1 = program.Form1;
    TDataModule1 *const DataModule1 = program.DataModule1;
    Form1->show();
    for (const int chars : {1 << 20, 5 << 20}) {
        const QString path = longValueLibrary(folder, chars);
        const QString suffix = chars == 1 << 20 ? QStringLiteral("_1mb") : QStringLiteral("_5mb");
        const auto report = [&](const char *name, double ms) {
            quilbench::report(QString::fromLatin1(name) + suffix, ms);
        };
        const QString file = QFileInfo(path).fileName();
        report("open_long_value", quilbench::medianMs(options.runs, [&] {
                   TDataModule1 dm;
                   dm.OpenLibrary(folder, file);
                   (void)dm.ADOTableName->DisplayText();
               }));
        {
            TDataModule1 dm;
            dm.OpenLibrary(folder, file);
            int flip = 0;
            report("sort_long_value", quilbench::medianMs(options.runs, [&] {
                       dm.ADOTable.setSort(flip++ % 2 ? QStringLiteral("Name, City, Title ASC")
                                                      : QStringLiteral("Title, City, Name ASC"));
                   }));
        }

        // In the window, the long entry first in the default order: the grid, the status bar,
        // the record pane and the abstract view all show it. On a copy, as it gets edited.
        const QString edited = library::folder(folder) + QStringLiteral("Edited") + file;
        QFile::remove(edited);
        QFile::copy(path, edited);
        report("window_open_long_value", quilbench::medianMs(options.runs, [&] {
                   dialogs.nextFileNames.enqueue(edited);
                   Form1->SelectLibrary->trigger();
                   settle();
               }));
        report("window_move_long_value", quilbench::medianMs(options.runs, [&] {
                   Form1->siNextClick();
                   settle();
                   Form1->siPriorClick();
                   settle();
               }));
        // Onto the long entry from the next one, with the editor hidden, then shown.
        const auto next = step(Form1, &TForm1::siNextClick);
        const auto prior = step(Form1, &TForm1::siPriorClick);
        report("window_onto_long_value", quilbench::medianMs(options.runs, next, prior));
        Form1->mmAbstractClick();
        settle();
        report("window_onto_long_value_shown", quilbench::medianMs(options.runs, next, prior));
        Form1->mmAbstractClick();
        settle();
        report("grid_paint_long_value",
               quilbench::medianMs(options.runs, [&] { Form1->DBGrid->viewport()->repaint(); }));
        // One character typed into the author's memo, then "Save": the whole value is stored.
        int typed = 0;
        report("edit_save_long_value", quilbench::medianMs(options.runs, [&] {
                   Form1->DBmeName->moveCursor(QTextCursor::End);
                   Form1->DBmeName->insertPlainText(QStringLiteral("!"));
                   ++typed;
                   Form1->bbSaveClick();
                   settle();
               }));
        const qsizetype stored = DataModule1->ADOTableWName->AsString().size();
        if (stored != chars + typed || !dialogs.errors().isEmpty())
            std::printf("edit_save_long_value%s failed: %lld characters stored of %d; %s\n",
                        qPrintable(suffix), static_cast<long long>(stored), chars + typed,
                        qPrintable(dialogs.errors().join(QStringLiteral(" / "))));
    }
}

// A library of a few entries, one of which has an abstract of `chars` letters without a blank,
// stored as RTF as the editor writes it; its other values are short. What costs time on a move
// in proportion to the abstract alone shows here.
QString longAbstractLibrary(const QString &folder, int chars)
{
    return twentyEntries(
        folder, QStringLiteral("LongAbstract%1.mdb").arg(chars), [chars](QString &, QString &rtf) {
            rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil"
                                 "\\fcharset204 Times New Roman;}}\\f0\\fs24 ");
            rtf.reserve(rtf.size() + chars + chars / 7 * 4 + 8);
            for (int i = 0; i < chars; ++i) {
                if (i % 7 == 0)
                    rtf += QStringLiteral("\\'c6"); // Ж
                else
                    rtf += QChar(u'a' + i % 26);
            }
            rtf += QStringLiteral("\\par}");
        });
}

// Moving onto the entry with a 5 MB abstract, from the next one, with the editor hidden and
// then shown, and how many documents the editor read per move.
void runLongAbstract(const quilbench::Options &options)
{
    const QString folder = longFolder(options);
    quil::ScopedScriptedDialogs dialogs;
    Program program(folder);
    TForm1 *const Form1 = program.Form1;
    const auto next = step(Form1, &TForm1::siNextClick);
    const auto prior = step(Form1, &TForm1::siPriorClick);
    Form1->show();
    const QString path = longAbstractLibrary(folder, 5 << 20);
    dialogs.nextFileNames.enqueue(path);
    Form1->SelectLibrary->trigger();
    settle();
    const auto measure = [&](const char *name) {
        const int readBefore = quil::DBRichEdit::documentsRead();
        quilbench::report(QString::fromLatin1(name),
                          quilbench::medianMs(options.runs, next, prior));
        std::printf("  (editor documents read per move: %.2f)\n",
                    (quil::DBRichEdit::documentsRead() - readBefore) / double(2 * options.runs));
    };
    measure("window_onto_long_abstract_5mb");
    Form1->mmAbstractClick();
    settle();
    measure("window_onto_long_abstract_5mb_shown");
    Form1->mmAbstractClick();
    settle();
    if (!program.DataModule1->ADOTableResume->AsString().startsWith(QStringLiteral("{\\rtf1")) ||
        !dialogs.errors().isEmpty())
        std::printf("window_onto_long_abstract_5mb failed: %s\n",
                    qPrintable(dialogs.errors().join(QStringLiteral(" / "))));
}

} // namespace

QUIL_BENCH_SUITE(store, runStore);
QUIL_BENCH_SUITE(long_abstract, runLongAbstract);
QUIL_BENCH_SUITE(long_value, runLongValue);
