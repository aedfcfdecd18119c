#include "import/Import.h"

#include "import/AbstractText.h"
#include "import/BookImporter.h"
#include "import/ImportSource.h"
#include "import/ReferenceList.h"
#include "import/TextEncoding.h"
#include "platform/Error.h"
#include "platform/Plural.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quil {
namespace {

const QString KeyWords = QStringLiteral("Key Words");

QString entriesCount(int count)
{
    return countOf(count, QCoreApplication::translate("Import", "запись"),
                   QCoreApplication::translate("Import", "записи"),
                   QCoreApplication::translate("Import", "записей"));
}

} // namespace

void stopImport(BookImporter &importer, const QString &where, const std::exception &e)
{
    try {
        importer.finish();
    } catch (const std::exception &) {
        // The failure that stopped the import is the one that says why (after a full disk the
        // commit only finds its transaction gone); kept() tells what the file holds.
    }
    throw explained(where + QCoreApplication::translate("Import", " (импортировано ") +
                        entriesCount(importer.kept()) + QLatin1Char(')'),
                    e);
}

void finishImport(BookImporter &importer)
{
    try {
        importer.finish();
    } catch (const std::exception &e) {
        stopImport(importer, QCoreApplication::translate("Import", "Импорт не завершён"), e);
    }
}

ImportResult cancelImport(BookImporter &importer, const QStringList &sideTables)
{
    try {
        importer.cancel(sideTables);
    } catch (const std::exception &e) {
        throw explained(QCoreApplication::translate(
                            "Import", "Импорт отменён, но импортированное убрать не удалось") +
                            QCoreApplication::translate("Import", " (импортировано ") +
                            entriesCount(importer.kept()) + QLatin1Char(')'),
                        e);
    }
    ImportResult result;
    result.cancelled = true;
    return result;
}

namespace {

ImportResult storeReferenceLines(TDataModule1 &dataModule, QIODevice &device,
                                 const QString &fileName, const ImportProgress &progress,
                                 const QString &encoding)
{
    const TDataModule1::QuietStore quiet(dataModule);
    BookImporter importer(dataModule);
    ReferenceListReader reader(device, encoding);
    ReferenceLine line;
    while (true) {
        try {
            if (!reader.next(line))
                break;
        } catch (const std::exception &e) {
            stopImport(importer,
                       QCoreApplication::translate("Import", "Файл прочитан не до конца, строка %1")
                           .arg(reader.linesRead() + 1),
                       e);
        }
        try {
            importer.store({{dataModule.ADOTableName, &line.authors},
                            {dataModule.ADOTableTitle, &line.title},
                            {dataModule.ADOTableWName, &line.authors},
                            {dataModule.ADOTableWTitle, &line.title},
                            {dataModule.ADOTableWPublisher, &line.publisher},
                            {dataModule.ADOTableCity, &line.year},
                            {dataModule.ADOTableLocation, &line.keywords}});
        } catch (const std::exception &e) {
            stopImport(
                importer,
                QCoreApplication::translate("Import", "Строка %1 не сохранена").arg(line.number),
                e);
        }
        if (progress && !progress(importer.posted(), 0, fileName))
            return cancelImport(importer);
    }
    finishImport(importer);
    return {importer.kept(), {}};
}

} // namespace

ImportResult importReferenceList(TDataModule1 &dataModule, QIODevice &device,
                                 const QString &fileName, const ImportProgress &progress,
                                 const QString &encoding)
{
    return showingCurrentRecordAfter(dataModule, [&] {
        return storeReferenceLines(dataModule, device, fileName, progress, encoding);
    });
}

ImportResult showingCurrentRecordAfter(TDataModule1 &dataModule,
                                       const std::function<ImportResult()> &quietImport)
{
    ImportResult result;
    try {
        result = quietImport();
    } catch (...) {
        try {
            dataModule.showCurrentRecord();
        } catch (...) {
            // The import's own error is the one to report.
        }
        throw;
    }
    dataModule.showCurrentRecord();
    return result;
}

void openImportFile(QFile &file, const QString &path)
{
    QString why;
    if (!openRegularFile(file, path, &why))
        throw Error(QCoreApplication::translate("Import", "Файл %1 не импортирован: %2")
                        .arg(QDir::toNativeSeparators(path), why));
}

ImportResult importReferenceList(TDataModule1 &dataModule, const QString &path,
                                 const ImportProgress &progress, const QString &encoding)
{
    QFile file;
    openImportFile(file, path);
    return importReferenceList(dataModule, file, QFileInfo(path).fileName(), progress,
                               encoding.isEmpty() ? guessEncoding(file) : encoding);
}

ImportResult importAbstractFolder(TDataModule1 &dataModule, const QString &folder,
                                  const ImportProgress &progress)
{
    ImportResult result;
    const QList<FolderFile> files = listFolderFiles(folder);
    BookImporter importer(dataModule);
    AbstractEntry entry;
    for (const FolderFile &folderFile : files) {
        const QString &name = folderFile.name;
        if (progress && !progress(importer.posted(), int(files.size()), name))
            return cancelImport(importer);
        QFile file;
        QString why;
        bool usable = false;
        if (openRegularFile(file, folderFile.path, &why)) {
            try {
                usable = AbstractTextReader::read(file, entry, &why, guessEncoding(file));
            } catch (const std::exception &e) {
                why = messageOf(e);
            }
        }
        if (!usable) {
            result.passedOver << ImportProblem{name, why};
            continue;
        }
        try {
            importer.store({{dataModule.ADOTableWPublisher, &entry.publisher},
                            {dataModule.ADOTableTitle, &entry.title},
                            {dataModule.ADOTableWTitle, &entry.title},
                            {dataModule.ADOTableName, &entry.authors},
                            {dataModule.ADOTableWName, &entry.authors},
                            {dataModule.ADOTablePages, &entry.pages},
                            {dataModule.ADOTableResume, &entry.resume},
                            {dataModule.ADOTableCity, &entry.year},
                            {dataModule.ADOTableLocation, &KeyWords}});
        } catch (const std::exception &e) {
            stopImport(importer,
                       QCoreApplication::translate("Import", "Файл %1 не сохранён").arg(name), e);
        }
    }
    finishImport(importer);
    result.stored = importer.kept();
    return result;
}

QString passedOverMessage(const QList<ImportProblem> &problems)
{
    QStringList lines{
        QCoreApplication::translate("Import", "Не импортированы файлы (%1):").arg(problems.size())};
    // The system's own words, when a reason has them, stand on the next line, indented.
    for (const ImportProblem &problem : problems)
        lines << problem.file + QStringLiteral(" — ") +
                     QString(problem.why).replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    return lines.join(QLatin1Char('\n'));
}

} // namespace quil
