// Imports into a library of the generated size: a reference list of as many lines, beside
// sqlite3's own .import of the same rows, and a folder of 10,000 abstract files.
#include "Bench.h"
#include "LibraryGenerator.h"

#include "import/Import.h"
#include "platform/Error.h"
#include "search/Finder.h"
#include "store/Book.h"
#include "store/TDataModule1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

constexpr int AbstractFiles = 10000;

struct Reference {
    QByteArray authors, title, publisher, year, keywords;
};

// The references of the generated library, in Windows-1251 as a list file holds them.
std::vector<Reference> referencesOf(const QString &library, int count)
{
    std::vector<Reference> result;
    result.reserve(size_t(count));
    const QString name = QStringLiteral("bench-import-read");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(library);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT WName, WTitle, WPublisher, City, Location FROM Books "
                              "ORDER BY key LIMIT %1")
                   .arg(count));
        QStringEncoder encoder("windows-1251");
        // The encoder writes Ctrl+Z for a letter the code page lacks, and that would end a list.
        const auto encode = [&encoder](const QVariant &value) {
            return QByteArray(encoder(value.toString())).replace('\x1a', '?');
        };
        while (q.next())
            result.push_back({encode(q.value(0)), encode(q.value(1)), encode(q.value(2)),
                              encode(q.value(3)), encode(q.value(4))});
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "import bench: cannot write %s\n", qPrintable(path));
}

void writeList(const QString &path, const std::vector<Reference> &references)
{
    QByteArray text;
    for (const Reference &r : references)
        text += r.authors + '\t' + r.title + '\t' + r.publisher + '\t' + r.year + '\t' +
                r.keywords + "\r\n";
    writeFile(path, text);
}

// Every tenth file has a notice on line 3, every seventh the affiliation in brackets.
void writeAbstracts(const QString &folder, const std::vector<Reference> &references)
{
    QDir().mkpath(folder);
    for (int i = 0; i < AbstractFiles; ++i) {
        const Reference &r = references[size_t(i) % references.size()];
        QByteArray text = r.publisher + ". " + r.year + " Jan;12(3):45-51.\r\n\r\n\r\n";
        if (i % 10 == 0)
            text += "Comment in: " + r.publisher + ". 2005;13:1.\r\n\r\n\r\n";
        text += r.title + "\r\n\r\n";
        text += i % 7 == 0 ? "[Article in Russian]\r\n\r\n" : "";
        text += r.authors + "\r\n\r\n";
        text += "Laboratory of " + r.keywords + ", Institute of Physics.\r\n\r\n";
        QByteArray abstract;
        while (abstract.size() < 1200)
            abstract += r.title + ' ' + r.keywords + ". ";
        text += abstract + "\r\n\r\nPMID: " + QByteArray::number(100000 + i) + "\r\n";
        writeFile(folder + QStringLiteral("/%1.txt").arg(i, 5, 10, QLatin1Char('0')), text);
    }
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
}

// Each run works on a fresh copy of the library; a run times only its import and returns the
// milliseconds.
double medianOfRuns(const QString &library, const QString &work, int runs,
                    const std::function<double()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(work);
        QFile::copy(library, work);
        // On disk before the clock starts: the import's first sync would otherwise write out
        // the whole copy.
        QFile copy(work);
        if (copy.open(QIODevice::ReadWrite))
            ::fsync(copy.handle());
        copy.close();
        times.push_back(run());
    }
    return median(times);
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    try {
        work();
    } catch (const quil::Error &e) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(e.message()));
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// The library as the window has it, connected and the table open in the default order; only
// the import is timed.
void openAsTheWindowDoes(TDataModule1 &dm, const QString &path)
{
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.setSort(book::DefaultSort);
    dm.ADOTable.Open();
}

double timedOnOpenLibrary(const QString &path, const std::function<void(TDataModule1 &)> &import)
{
    TDataModule1 dm;
    openAsTheWindowDoes(dm, path);
    return timed([&] { import(dm); });
}

int storedRows(const QString &path)
{
    int rows = -1;
    const QString name = QStringLiteral("bench-import-count");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT count(*) FROM Books")) && q.next())
            rows = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

void checkRows(const QString &measure, const QString &path, int expected)
{
    const int rows = storedRows(path);
    if (rows != expected)
        std::fprintf(stderr, "%s: %d rows in the library, expected %d\n", qPrintable(measure), rows,
                     expected);
}

struct Files {
    QString library, list, abstracts, work;
};

Files filesFor(const quilbench::Options &options)
{
    const QString library = options.folder + QStringLiteral("bench-%1.mdb").arg(options.entries);
    if (!QFile::exists(library))
        quilbench::generateLibrary(library, options.entries);
    const QString list = options.folder + QStringLiteral("import-%1.txt").arg(options.entries);
    const QString abstracts = options.folder + QStringLiteral("abstracts-%1").arg(AbstractFiles);
    if (!QFile::exists(list) || !QFile::exists(abstracts)) {
        const std::vector<Reference> references = referencesOf(library, options.entries);
        writeList(list, references);
        writeAbstracts(abstracts, references);
    }
    return {library, list, abstracts, options.folder + QStringLiteral("import-work.mdb")};
}

void runImportList(const quilbench::Options &options)
{
    const auto [library, list, abstracts, work] = filesFor(options);
    // A find by title of an entry three quarters down the list, from the first entry: right
    // after the import, while the index has yet to catch up, and once it has.
    const QString title = QStringDecoder("windows-1251")(
        referencesOf(library, options.entries)[size_t(options.entries) * 3 / 4].title);
    const search::FindRequest find{
        search::FindTitle, title.mid(title.size() / 3, 12), {}, search::FindFrom::First};
    std::vector<double> indexed, findBefore, findAfter, postBefore;
    const double tsv = medianOfRuns(library, work, options.runs, [&] {
        TDataModule1 dm;
        openAsTheWindowDoes(dm, work);
        const double imported = timed([&] { quil::importReferenceList(dm, list); });
        const auto timedFind = [&] {
            dm.ADOTable.First();
            return timed([&] {
                if (search::findInTable(dm.ADOTable, find, nullptr) != search::FindOutcome::Found)
                    std::fprintf(stderr, "import_tsv_find: nothing found\n");
            });
        };
        const double before = timedFind();
        // A store with the import's entries still waiting for the index.
        postBefore.push_back(timed([&] {
            dm.ADOTable.Edit();
            dm.ADOTableWName->setAsString(QStringLiteral("Автор"));
            dm.ADOTable.Post();
        }));
        const double catchUp = timed([&] { dm.finishCatchUp(); });
        indexed.push_back(imported + catchUp);
        findBefore.push_back(before);
        findAfter.push_back(timedFind());
        return imported;
    });
    quilbench::report(QStringLiteral("import_tsv"), tsv);
    quilbench::report(QStringLiteral("import_tsv_indexed"), median(indexed));
    quilbench::report(QStringLiteral("import_tsv_find_before_index"), median(findBefore));
    quilbench::report(QStringLiteral("import_tsv_find_indexed"), median(findAfter));
    quilbench::report(QStringLiteral("import_tsv_post_before_index"), median(postBefore));
    checkRows(QStringLiteral("import_tsv"), work, 2 * options.entries);

    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) {
        std::fprintf(stderr, "import_tsv_sqlite3: the sqlite3 program is not installed\n");
    } else {
        // The same rows through the shell's .import, into the same seven fields. The shell
        // stores the bytes as it reads them: given the list in UTF-8 it stores the texts the
        // import does; given the list itself, Windows-1251 bytes a third shorter.
        const QString utf8List =
            options.folder + QStringLiteral("import-%1-utf8.txt").arg(options.entries);
        if (!QFile::exists(utf8List)) {
            QFile source(list);
            source.open(QIODevice::ReadOnly);
            writeFile(utf8List, QString(QStringDecoder("windows-1251")(source.readAll())).toUtf8());
        }
        const auto shellImport = [&](const QString &file) {
            const QByteArray script =
                ".bail on\n"
                ".mode ascii\n"
                ".separator \"\\t\" \"\\n\"\n"
                "CREATE TABLE Staging(Name, Title, WPublisher, City, Location);\n"
                ".import '" +
                file.toUtf8() +
                "' Staging\n"
                "INSERT INTO Books (Name, Title, WName, WTitle, WPublisher, City, Location) "
                "SELECT Name, Title, Name, Title, WPublisher, City, Location FROM Staging;\n"
                "DROP TABLE Staging;\n";
            return medianOfRuns(library, work, options.runs, [&] {
                return timed([&] {
                    QProcess process;
                    process.start(sqlite3, {work});
                    process.write(script);
                    process.closeWriteChannel();
                    process.waitForFinished(-1);
                    if (process.exitCode() != 0)
                        std::fprintf(stderr, "sqlite3: %s\n",
                                     process.readAllStandardError().constData());
                });
            });
        };
        quilbench::report(QStringLiteral("import_tsv_sqlite3"), shellImport(utf8List));
        checkRows(QStringLiteral("import_tsv_sqlite3"), work, 2 * options.entries);
        quilbench::report(QStringLiteral("import_tsv_sqlite3_1251"), shellImport(list));
    }

    QFile::remove(work);
}

void runImportFolder(const quilbench::Options &options)
{
    const auto [library, list, abstracts, work] = filesFor(options);
    const double folder = medianOfRuns(library, work, options.runs, [&] {
        return timedOnOpenLibrary(work, [&](TDataModule1 &dm) {
            const quil::ImportResult result = quil::importAbstractFolder(dm, abstracts);
            if (!result.passedOver.isEmpty())
                std::fprintf(stderr, "import_abstracts: %d files passed over\n",
                             int(result.passedOver.size()));
        });
    });
    quilbench::report(QStringLiteral("import_abstracts"), folder);
    checkRows(QStringLiteral("import_abstracts"), work, options.entries + AbstractFiles);
    QFile::remove(work);
}

} // namespace

QUIL_BENCH_SUITE(import_tsv, runImportList);
QUIL_BENCH_SUITE(import_abstracts, runImportFolder);
