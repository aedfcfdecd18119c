#include "exchange/ExchangeImport.h"

#include "db/Connection.h"
#include "db/Engine.h"
#include "exchange/BibTeX.h"
#include "exchange/ExchangeExport.h"
#include "exchange/Mapping.h"
#include "exchange/Originals.h"
#include "exchange/Ris.h"
#include "import/BookImporter.h"
#include "import/TextEncoding.h"
#include "platform/Error.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace quil::exchange {
namespace {

// The record as it is kept: as it came in, or written anew where it cannot be given back so.
Reference kept(const Reference &reference)
{
    if (!reference.source.isEmpty())
        return reference;
    Reference anew = reference;
    anew.source = bibtexEntry(reference, reference.key);
    return anew;
}

// Reads the records, handing each on as it is read.
using RecordFeed = std::function<void(QList<ReadProblem> &problems,
                                      const std::function<void(Reference &&)> &take)>;

// An entry as the reader's thread leaves it to be stored.
struct Mapped {
    BookFields fields;
    Reference kept; // empty where the library keeps no originals
    QString digest; // of the fields, beside kept
    int line = 0;
};

// Reads and maps the records on a second thread while this one stores them, so that the two
// halves of an import share the cores. Only a few hundred entries wait at a time, so the
// memory stays flat however long the file. The thread is stopped and joined on every path.
class MappingThread {
public:
    MappingThread(const RecordFeed &feed, QList<ReadProblem> &problems, bool keepOriginals)
        : FThread([this, &feed, &problems, keepOriginals] { run(feed, problems, keepOriginals); })
    {
    }
    MappingThread(const MappingThread &) = delete;
    MappingThread &operator=(const MappingThread &) = delete;
    ~MappingThread() { stop(); }

    // The next entry in the file's order, valid until the next call; null once every one is
    // taken. What the reader raised is raised here after the entries read before it.
    const Mapped *next()
    {
        if (FNext == FTaken.size()) {
            std::unique_lock lock(FMutex);
            FStoring = false;
            FReady.wait(lock, [this] { return FWaiting.size() >= Handed || FDone; });
            FStoring = true;
            // The entries stored go back to be freed by the thread that made them: freeing
            // them here would make both threads contend for the allocator's lock.
            if (FSpent.empty())
                FSpent.swap(FTaken);
            FTaken.clear();
            FTaken.swap(FWaiting);
            FNext = 0;
            const bool full = !FReading;
            lock.unlock();
            if (full)
                FRoom.notify_one();
            if (FTaken.empty()) {
                stop();
                if (FError)
                    std::rethrow_exception(FError);
                return nullptr;
            }
        }
        return &FTaken[FNext++];
    }

    // Asks the reader to stop at its next record and waits until it has.
    void stop()
    {
        if (!FThread.joinable())
            return;
        {
            const std::lock_guard lock(FMutex);
            FStop = true;
        }
        FRoom.notify_one();
        FThread.join();
    }

private:
    // Entries are handed over many at a time: a wake-up for each would cost as much as
    // the entry.
    static constexpr size_t Handed = 64;
    static constexpr size_t Waiting = 4 * Handed;

    // Raised through the reader when the import no longer wants its records.
    struct Stopped {};

    void run(const RecordFeed &feed, QList<ReadProblem> &problems, bool keepOriginals)
    {
        std::exception_ptr error;
        try {
            feed(problems, [&](Reference &&reference) {
                Mapped entry{bookFields(reference), {}, {}, reference.line};
                if (keepOriginals) {
                    entry.kept = kept(reference);
                    const BookFields &f = entry.fields;
                    entry.digest = Originals::digest(f.authors, f.title, f.publisher, f.year,
                                                     f.keywords, f.info, f.abstract);
                }
                std::unique_lock lock(FMutex);
                FReading = false;
                FRoom.wait(lock, [this] { return FStop || FWaiting.size() < Waiting; });
                FReading = true;
                if (FStop)
                    throw Stopped();
                FWaiting.push_back(std::move(entry));
                const bool ready = !FStoring && FWaiting.size() >= Handed;
                std::vector<Mapped> spent; // freed on leaving, outside the lock
                spent.swap(FSpent);
                lock.unlock();
                if (ready)
                    FReady.notify_one();
            });
        } catch (const Stopped &) {
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(FMutex);
            FError = error;
            FDone = true;
        }
        FReady.notify_one();
    }

    std::mutex FMutex;
    std::condition_variable FReady; // an entry waits, or the reader is done
    std::condition_variable FRoom;  // room for an entry, or the import stops
    std::vector<Mapped> FWaiting;
    std::vector<Mapped> FTaken; // this thread's own, taken a whole queue at a time
    size_t FNext = 0;           // in FTaken
    std::vector<Mapped> FSpent; // stored, for the reader to free
    bool FDone = false;
    bool FStop = false;
    bool FReading = true; // false while the reader waits for room
    bool FStoring = true; // false while this thread waits for entries
    std::exception_ptr FError;
    std::thread FThread; // last: it starts once the rest is made
};

ImportResult storeReferences(TDataModule1 &dataModule, const RecordFeed &feed, Format format,
                             const QString &fileName, const ImportProgress &progress, int total)
{
    // A library that cannot take the table keeps no originals; the stores then say why.
    std::unique_ptr<Originals> originals;
    try {
        originals = std::make_unique<Originals>(dataModule.ADOTable.connection().engine());
    } catch (const std::exception &) {
    }
    const TDataModule1::QuietStore quiet(dataModule);
    BookImporter importer(dataModule);
    QList<ReadProblem> problems;
    MappingThread reader(feed, problems, originals != nullptr);
    const Mapped *taken = nullptr;
    for (;;) {
        try {
            taken = reader.next();
            if (!taken)
                break;
        } catch (const std::exception &e) {
            stopImport(importer,
                       QCoreApplication::translate("ExchangeImport", "Файл %1 прочитан не до конца")
                           .arg(fileName),
                       e);
        }
        const Mapped &entry = *taken;
        const BookFields &f = entry.fields;
        try {
            importer.store({{dataModule.ADOTableWName, &f.authors},
                            {dataModule.ADOTableWTitle, &f.title},
                            {dataModule.ADOTableWPublisher, &f.publisher},
                            {dataModule.ADOTableCity, &f.year},
                            {dataModule.ADOTableLocation, &f.keywords},
                            {dataModule.ADOTablePages, &f.info},
                            {dataModule.ADOTableResume, &f.abstract}});
            if (originals)
                originals->keep(dataModule.ADOTable.LastInsertedKey(), entry.kept, format,
                                entry.digest);
        } catch (const std::exception &e) {
            reader.stop();
            stopImport(
                importer,
                QCoreApplication::translate("ExchangeImport", "Запись в строке %1 не сохранена")
                    .arg(entry.line),
                e);
        }
        if (progress && !progress(importer.posted(), total, fileName)) {
            reader.stop();
            return cancelImport(importer,
                                originals ? QStringList{Originals::TableName} : QStringList());
        }
    }
    finishImport(importer);
    ImportResult result;
    result.stored = importer.kept();
    for (const ReadProblem &problem : problems)
        result.passedOver << ImportProblem{
            QCoreApplication::translate("ExchangeImport", "строка %1").arg(problem.line),
            problem.why};
    return result;
}

} // namespace

Format formatOf(const QString &path)
{
    return path.endsWith(QLatin1String(".ris"), Qt::CaseInsensitive) ? Format::Ris : Format::BibTeX;
}

ReadResult readBibliography(const QString &text, Format format)
{
    return format == Format::Ris ? RisReader::read(text) : BibTeXReader::read(text);
}

ImportResult importBibliography(TDataModule1 &dataModule, const ReadResult &records, Format format,
                                const QString &fileName, const ImportProgress &progress)
{
    const auto feed = [&records](QList<ReadProblem> &problems,
                                 const std::function<void(Reference &&)> &take) {
        problems = records.problems;
        for (Reference reference : records.references)
            take(std::move(reference));
    };
    return showingCurrentRecordAfter(dataModule, [&] {
        return storeReferences(dataModule, feed, format, fileName, progress,
                               int(records.references.size()));
    });
}

ImportResult importBibliography(TDataModule1 &dataModule, const QString &path,
                                const QString &encoding, const ImportProgress &progress)
{
    QFile file;
    openImportFile(file, path);
    // The text is read a piece at a time and each record stored as it is read.
    TextPieces text(file, encoding.isEmpty() ? guessEncoding(file) : encoding);
    const Format format = formatOf(path);
    const auto feed = [&](QList<ReadProblem> &problems,
                          const std::function<void(Reference &&)> &take) {
        if (format == Format::Ris)
            RisReader::read(text, problems, take);
        else
            BibTeXReader::read(text, problems, take);
    };
    return showingCurrentRecordAfter(dataModule, [&] {
        return storeReferences(dataModule, feed, format, QFileInfo(path).fileName(), progress, 0);
    });
}

QString passedOverRecordsMessage(const QString &fileName, const QList<ImportProblem> &problems)
{
    QStringList lines{
        QCoreApplication::translate("ExchangeImport", "Не импортированы записи файла %1 (%2):")
            .arg(fileName)
            .arg(problems.size())};
    for (const ImportProblem &problem : problems)
        lines << problem.file + QStringLiteral(" — ") + problem.why;
    return lines.join(QLatin1Char('\n'));
}

} // namespace quil::exchange
