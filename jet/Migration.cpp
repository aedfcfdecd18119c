#include "jet/Migration.h"

#include "db/SqliteEngine.h"
#include "jet/JetReader.h"
#include "platform/Error.h"
#include "store/Book.h"
#include "store/DurableFile.h"
#include "store/LibraryFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace jet {

namespace {

using library::removeLibraryFile;
using library::sameContents;
using library::syncPath;
using library::systemError;

const QString TemporarySuffix = QStringLiteral(".migrating");
const QString AccessFolder = QStringLiteral("Access");
constexpr int RowsPerTransaction = 2000;

void write(Reader &reader, quil::SqliteEngine &engine, Migrated &result, const Progress &progress)
{
    // The file has no name a user sees until it has been checked: neither journal nor syncs
    // while it is written, one sync of the whole file at the end.
    engine.executeOrThrow(QStringLiteral("PRAGMA journal_mode=OFF"));
    engine.executeOrThrow(QStringLiteral("PRAGMA synchronous=OFF"));
    const auto defs = book::fieldDefs();
    QStringList names;
    for (const quil::FieldDef &def : defs)
        names << def.name;
    const auto insert =
        engine.prepareOrThrow(QStringLiteral("INSERT INTO Books (%1) VALUES (?%2)")
                                  .arg(names.join(QStringLiteral(", ")),
                                       QStringLiteral(", ?").repeated(int(defs.size()) - 1)));
    const int total = reader.count();
    Row row;
    engine.executeOrThrow(QStringLiteral("BEGIN"));
    while (reader.next(row)) {
        for (size_t i = 0; i < defs.size(); ++i) {
            const QString &value = row[i];
            if (defs[i].autoIncrement) {
                bool number = false;
                const qint64 key = value.toLongLong(&number);
                if (number)
                    insert->bindInteger(int(i), key);
                else
                    insert->bind(int(i), QVariant());
            } else if (defs[i].required && value.isNull()) {
                insert->bind(int(i), QStringLiteral(""));
            } else {
                insert->bind(int(i), value);
            }
        }
        quil::execOrThrow(*insert);
        insert->reset();
        ++result.entries;
        if (result.entries % RowsPerTransaction == 0) {
            engine.executeOrThrow(QStringLiteral("COMMIT"));
            engine.executeOrThrow(QStringLiteral("BEGIN"));
        }
        if (progress && !progress(result.entries, std::max(total, result.entries))) {
            result.stopped = true;
            return;
        }
    }
    engine.executeOrThrow(QStringLiteral("COMMIT"));
    if (result.entries != total)
        throw quil::Error(QCoreApplication::translate(
                              "Migration", "Прочитано %1 записей из %2: файл повреждён. Файл "
                                           "оставлен как есть")
                              .arg(result.entries)
                              .arg(total));
}

} // namespace

Migrated convert(const QString &source, const QString &target, const Progress &progress)
{
    Reader reader(source);
    Migrated result;
    result.leftOut = reader.leftOut();
    result.missing = reader.missing();
    library::create(target);
    try {
        {
            quil::SqliteEngine engine;
            engine.open(target, false, 0);
            write(reader, engine, result, progress);
            engine.close();
        }
        if (result.stopped) {
            removeLibraryFile(target);
            return result;
        }
        if (!syncPath(target))
            throw systemError(
                QCoreApplication::translate("Migration", "Не удалось записать %1 на диск")
                    .arg(target));
        library::checkWritten(target, result.entries);
    } catch (...) {
        removeLibraryFile(target);
        throw;
    }
    return result;
}

int entryCount(const QString &path) { return Reader(path).count(); }

QString temporaryPath(const QString &libraryPath) { return libraryPath + TemporarySuffix; }

void cleanUp(const QString &libraryFolder)
{
    QDir folder(libraryFolder);
    const QStringList leftovers =
        folder.entryList({QStringLiteral("*") + TemporarySuffix,
                          QStringLiteral("*") + TemporarySuffix + QStringLiteral("-journal")},
                         QDir::Files | QDir::Hidden);
    for (const QString &name : leftovers)
        folder.remove(name);
    QDir access(folder.filePath(AccessFolder));
    for (const QString &name :
         access.entryList({QStringLiteral("*") + TemporarySuffix}, QDir::Files | QDir::Hidden))
        access.remove(name);
}

Migrated migrateInPlace(const QString &libraryPath, const Progress &progress)
{
    const QFileInfo library(libraryPath);
    const QString folder = library.absolutePath();
    const QString accessFolder = folder + QLatin1Char('/') + AccessFolder;
    const QString moved = accessFolder + QLatin1Char('/') + library.fileName();
    cleanUp(folder);
    // A copy left there by a migration broken off after the move is the same file; anything
    // else is another library of that name, kept.
    if (QFileInfo::exists(moved)) {
        if (!sameContents(libraryPath, moved))
            throw quil::Error(QCoreApplication::translate(
                                  "Migration", "В папке %1 уже есть другой файл %2; перенесите его "
                                               "в другое место и повторите")
                                  .arg(QDir::toNativeSeparators(accessFolder), library.fileName()));
        QFile::remove(moved);
    }
    const QString temporary = temporaryPath(libraryPath);
    Migrated result = convert(libraryPath, temporary, progress);
    if (result.stopped)
        return result;
    try {
        library::replaceKeepingAside(libraryPath, temporary, moved, TemporarySuffix);
    } catch (...) {
        removeLibraryFile(temporary);
        if (QFileInfo::exists(moved) && sameContents(libraryPath, moved) &&
            formatOf(libraryPath) != Format::Other)
            QFile::remove(moved);
        throw;
    }
    return result;
}

} // namespace jet
