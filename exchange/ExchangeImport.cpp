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

// Raised through the reader when the progress asks the import to stop.
struct Cancelled {};

// Reads the records, handing each on as it is read.
using RecordFeed = std::function<void(QList<ReadProblem> &problems,
                                      const std::function<void(Reference &&)> &take)>;

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
    bool stored = false; // a store that failed stops the import with its own message
    try {
        feed(problems, [&](Reference &&reference) {
            const BookFields f = bookFields(reference);
            try {
                importer.store({{dataModule.ADOTableWName, &f.authors},
                                {dataModule.ADOTableWTitle, &f.title},
                                {dataModule.ADOTableWPublisher, &f.publisher},
                                {dataModule.ADOTableCity, &f.year},
                                {dataModule.ADOTableLocation, &f.keywords},
                                {dataModule.ADOTablePages, &f.info},
                                {dataModule.ADOTableResume, &f.abstract}});
                if (originals)
                    originals->keep(dataModule.ADOTable.LastInsertedKey(), kept(reference), format,
                                    Originals::digest(f.authors, f.title, f.publisher, f.year,
                                                      f.keywords, f.info, f.abstract));
            } catch (const std::exception &e) {
                stored = true;
                stopImport(
                    importer,
                    QCoreApplication::translate("ExchangeImport", "Запись в строке %1 не сохранена")
                        .arg(reference.line),
                    e);
            }
            if (progress && !progress(importer.posted(), total, fileName))
                throw Cancelled();
        });
    } catch (const Cancelled &) {
        return cancelImport(importer,
                            originals ? QStringList{Originals::TableName} : QStringList());
    } catch (const std::exception &e) {
        if (stored)
            throw;
        stopImport(importer,
                   QCoreApplication::translate("ExchangeImport", "Файл %1 прочитан не до конца")
                       .arg(fileName),
                   e);
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
