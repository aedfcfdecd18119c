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

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quil::exchange {
namespace {

// A bibliography is read whole; no real one comes near this.
constexpr qint64 LargestFile = 1024LL * 1024 * 1024;

// The record as it is kept: as it came in, or written anew where it cannot be given back so.
Reference kept(const Reference &reference)
{
    if (!reference.source.isEmpty())
        return reference;
    Reference anew = reference;
    anew.source = bibtexEntry(reference, reference.key);
    return anew;
}

ImportResult storeReferences(TDataModule1 &dataModule, const ReadResult &records, Format format,
                             const QString &fileName, const ImportProgress &progress)
{
    // A library that cannot take the table keeps no originals; the stores then say why.
    std::unique_ptr<Originals> originals;
    try {
        originals = std::make_unique<Originals>(dataModule.ADOTable.connection().engine());
    } catch (const std::exception &) {
    }
    const TDataModule1::QuietStore quiet(dataModule);
    BookImporter importer(dataModule);
    ImportResult result;
    for (const ReadProblem &problem : records.problems)
        result.passedOver << ImportProblem{QStringLiteral("строка %1").arg(problem.line),
                                           problem.why};
    for (const Reference &reference : records.references) {
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
                originals->keep(kept(reference), format,
                                Originals::digest(f.authors, f.title, f.publisher, f.year,
                                                  f.keywords, f.info, f.abstract));
        } catch (const std::exception &e) {
            stopImport(importer,
                       QStringLiteral("Запись в строке %1 не сохранена").arg(reference.line), e);
        }
        if (progress)
            progress(importer.posted(), int(records.references.size()), fileName);
    }
    finishImport(importer);
    result.stored = importer.kept();
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
    return showingCurrentRecordAfter(dataModule, [&] {
        return storeReferences(dataModule, records, format, fileName, progress);
    });
}

ImportResult importBibliography(TDataModule1 &dataModule, const QString &path,
                                const QString &encoding, const ImportProgress &progress)
{
    QFile file;
    openImportFile(file, path);
    if (file.size() > LargestFile)
        throw Error(QStringLiteral("Файл %1 не импортирован: больше %2 МБ")
                        .arg(QDir::toNativeSeparators(path))
                        .arg(LargestFile / (1024 * 1024)));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(
            QStringLiteral("Файл %1 прочитан не до конца").arg(QDir::toNativeSeparators(path)),
            file.errorString());
    const QString text =
        decodeText(bytes, encoding.isEmpty() ? guessEncoding(QByteArrayView(bytes)) : encoding);
    const Format format = formatOf(path);
    return importBibliography(dataModule, readBibliography(text, format), format,
                              QFileInfo(path).fileName(), progress);
}

QString passedOverRecordsMessage(const QString &fileName, const QList<ImportProblem> &problems)
{
    QStringList lines{QStringLiteral("Не импортированы записи файла %1 (%2):")
                          .arg(fileName)
                          .arg(problems.size())};
    for (const ImportProblem &problem : problems)
        lines << problem.file + QStringLiteral(" — ") + problem.why;
    return lines.join(QLatin1Char('\n'));
}

} // namespace quil::exchange
