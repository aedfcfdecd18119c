#include "jet/Migration.h"

#include "db/SqliteEngine.h"
#include "jet/JetReader.h"
#include "platform/Error.h"
#include "store/Book.h"
#include "store/LibraryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

namespace {

const QString TemporarySuffix = QStringLiteral(".migrating");
const QString AccessFolder = QStringLiteral("Access");
constexpr int RowsPerTransaction = 2000;

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

// Makes a file's contents, or a folder's entries, durable; false when the system refuses.
bool syncPath(const QString &path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void removeLibraryFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

quil::Error systemError(const QString &what)
{
    return quil::Error(what, QString::fromLocal8Bit(std::strerror(errno)));
}

bool sameContents(const QString &a, const QString &b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(encoded(a).constData(), &sa) != 0 || ::stat(encoded(b).constData(), &sb) != 0)
        return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    if (sa.st_size != sb.st_size)
        return false;
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

// A copy for a file system without hard links: written under a passing name, made durable,
// then given the name.
void copyDurably(const QString &from, const QString &to)
{
    const QString part = to + TemporarySuffix;
    QFile::remove(part);
    if (!QFile::copy(from, part) || !syncPath(part) || !sameContents(from, part)) {
        QFile::remove(part);
        throw quil::Error(QStringLiteral("Не удалось скопировать %1 в %2: проверьте место на "
                                         "диске и права на папку")
                              .arg(from, to));
    }
    if (::rename(encoded(part).constData(), encoded(to).constData()) != 0) {
        const quil::Error error =
            systemError(QStringLiteral("Не удалось переименовать %1").arg(part));
        QFile::remove(part);
        throw error;
    }
}

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
        if (progress)
            progress(result.entries, std::max(total, result.entries));
    }
    engine.executeOrThrow(QStringLiteral("COMMIT"));
    if (result.entries != total)
        throw quil::Error(QStringLiteral("Прочитано %1 записей из %2: файл повреждён. Файл "
                                         "оставлен как есть")
                              .arg(result.entries)
                              .arg(total));
}

// Reads the written file back from the disk: every entry there, the engine content with it.
void check(const QString &target, int entries)
{
    quil::SqliteEngine engine;
    engine.open(target, true, 0);
    const auto integrity = engine.prepareOrThrow(QStringLiteral("PRAGMA integrity_check"));
    quil::execOrThrow(*integrity);
    const QString verdict = integrity->next() ? integrity->value(0).toString() : QString();
    integrity->reset();
    if (verdict != QLatin1String("ok"))
        throw quil::Error(QStringLiteral("Новая библиотека не прошла проверку"), verdict);
    const auto count = engine.prepareOrThrow(QStringLiteral("SELECT count(*) FROM Books"));
    quil::execOrThrow(*count);
    const qint64 stored = count->next() ? count->integer(0) : -1;
    count->reset();
    if (stored != entries)
        throw quil::Error(
            QStringLiteral("В новой библиотеке %1 записей вместо %2").arg(stored).arg(entries));
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
        if (!syncPath(target))
            throw systemError(QStringLiteral("Не удалось записать %1 на диск").arg(target));
        check(target, result.entries);
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
            throw quil::Error(QStringLiteral("В папке %1 уже есть другой файл %2; перенесите его "
                                             "в другое место и повторите")
                                  .arg(QDir::toNativeSeparators(accessFolder), library.fileName()));
        QFile::remove(moved);
    }
    const QString temporary = temporaryPath(libraryPath);
    Migrated result = convert(libraryPath, temporary, progress);
    try {
        if (!QDir().mkpath(accessFolder))
            throw systemError(QStringLiteral("Не удалось создать папку %1")
                                  .arg(QDir::toNativeSeparators(accessFolder)));
        syncPath(folder);
        // The original is whole at both places until the new library takes its name.
        if (::link(encoded(libraryPath).constData(), encoded(moved).constData()) != 0)
            copyDurably(libraryPath, moved);
        syncPath(accessFolder);
        if (::rename(encoded(temporary).constData(), encoded(libraryPath).constData()) != 0)
            throw systemError(
                QStringLiteral("Не удалось заменить %1 новой библиотекой").arg(library.fileName()));
    } catch (...) {
        removeLibraryFile(temporary);
        if (QFileInfo::exists(moved) && sameContents(libraryPath, moved) &&
            formatOf(libraryPath) != Format::Other)
            QFile::remove(moved);
        throw;
    }
    syncPath(folder);
    return result;
}

} // namespace jet
