#include "store/Backup.h"

#include "db/SqliteEngine.h"
#include "store/Book.h"
#include "store/DurableFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstdio>

namespace library {
namespace {

const QString BackupFolder = QStringLiteral("Backup");
const QString PassingSuffix = QStringLiteral(".copying");
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH-mm-ss");
const QString Extension = QStringLiteral(".mdb");
// 4 MB of 4 KB pages: a few milliseconds of reading, the longest a store waits for the copy.
constexpr int PagesPerStep = 1024;
// A library written without pause starts the copy over at each change; it is tried later.
constexpr int MostRestarts = 20;
constexpr int Newest = 3;
constexpr int Days = 7;

qint64 countEntries(quil::Engine &engine)
{
    const auto count = engine.prepareOrThrow(QStringLiteral("SELECT count(*) FROM Books"));
    quil::execOrThrow(*count);
    const qint64 entries = count->next() ? count->integer(0) : -1;
    quil::checkFinished(*count);
    count->reset();
    return entries;
}

// The time a backup's file name tells, invalid when the name is not one of this library's.
QDateTime madeAt(const QString &fileName, const QString &libraryBase)
{
    const QString head = libraryBase + QLatin1Char(' ');
    if (!fileName.startsWith(head) || !fileName.endsWith(Extension, Qt::CaseInsensitive))
        return {};
    const QString stamp = fileName.mid(head.size(), fileName.size() - head.size() - 4);
    return stamp.size() == TimeFormat.size() ? QDateTime::fromString(stamp, TimeFormat)
                                             : QDateTime();
}

} // namespace

QString backupFolder(const QString &libraryPath)
{
    return QFileInfo(libraryPath).absolutePath() + QLatin1Char('/') + BackupFolder;
}

QString backupFileName(const QString &libraryPath, const QDateTime &made)
{
    return QFileInfo(libraryPath).completeBaseName() + QLatin1Char(' ') +
           made.toString(TimeFormat) + Extension;
}

QList<BackupFile> backupsOf(const QString &libraryPath, bool countEntries)
{
    const QString base = QFileInfo(libraryPath).completeBaseName();
    QList<BackupFile> backups;
    const QDir folder(backupFolder(libraryPath));
    for (const QFileInfo &file : folder.entryInfoList({base + QStringLiteral(" *.mdb")},
                                                      QDir::Files, QDir::Name | QDir::Reversed)) {
        BackupFile backup{file.absoluteFilePath(), madeAt(file.fileName(), base)};
        if (!backup.made.isValid())
            continue;
        if (countEntries) {
            try {
                quil::SqliteEngine engine;
                engine.open(backup.path, true, 1000);
                backup.entries = library::countEntries(engine);
            } catch (const quil::Error &) {
                continue;
            }
        }
        backups << backup;
    }
    std::sort(backups.begin(), backups.end(),
              [](const BackupFile &a, const BackupFile &b) { return a.made > b.made; });
    return backups;
}

QStringList prunedBackups(const QList<BackupFile> &backups, const QDate &today)
{
    QList<BackupFile> byTime = backups;
    std::sort(byTime.begin(), byTime.end(),
              [](const BackupFile &a, const BackupFile &b) { return a.made > b.made; });
    QSet<QDate> daysKept;
    QStringList pruned;
    for (int i = 0; i < byTime.size(); ++i) {
        const QDate day = byTime[i].made.date();
        const bool recentDay = day <= today && day > today.addDays(-Days);
        const bool newestOfDay = recentDay && !daysKept.contains(day);
        if (newestOfDay)
            daysKept.insert(day);
        if (i >= Newest && !newestOfDay)
            pruned << byTime[i].path;
    }
    return pruned;
}

BackupFile makeBackup(const QString &libraryPath, const QDateTime &now,
                      const std::function<bool()> &goOn)
{
    const QString folderPath = backupFolder(libraryPath);
    if (!QDir().mkpath(folderPath))
        throw systemError(QCoreApplication::translate("Backup", "Не удалось создать папку %1")
                              .arg(QDir::toNativeSeparators(folderPath)));
    const QDir folder(folderPath);
    const QString base = QFileInfo(libraryPath).completeBaseName();
    // What a copy cut short left behind never took a name; it goes now.
    for (const QString &left : folder.entryList({base + QStringLiteral(" *") + PassingSuffix}))
        QFile::remove(folder.filePath(left));
    QDateTime made = now;
    while (QFileInfo::exists(folder.filePath(backupFileName(libraryPath, made))))
        made = made.addSecs(1);
    const QString path = folder.filePath(backupFileName(libraryPath, made));
    const QString passing = path + PassingSuffix;

    BackupFile backup{path, made};
    try {
        quil::SqliteEngine source;
        source.open(libraryPath, true, 0);
        // Each page is read once: a large cache would only add its size to the program.
        source.executeOrThrow(QStringLiteral("PRAGMA cache_size=-2048"));
        for (int attempt = 0;; ++attempt) {
            removeLibraryFile(passing);
            quil::SqliteEngine target;
            target.create(passing);
            // Nobody opens the copy before it is checked: neither journal nor syncs meanwhile.
            target.executeOrThrow(QStringLiteral("PRAGMA journal_mode=OFF"));
            target.executeOrThrow(QStringLiteral("PRAGMA synchronous=OFF"));
            int restarts = 0;
            int lastLeft = 0;
            source.copyInto(target, PagesPerStep, [&](int left, int) {
                if (left > lastLeft && lastLeft > 0 && ++restarts > MostRestarts)
                    return false;
                lastLeft = left;
                return !goOn || goOn();
            });
            target.close();
            // The entries the library held when the copy ended; a store that came in between
            // makes them differ, and the copy is made again.
            backup.entries = countEntries(source);
            if (!syncPath(passing))
                throw systemError(
                    QCoreApplication::translate("Backup", "Не удалось записать %1 на диск")
                        .arg(passing));
            qint64 copied = -1;
            {
                quil::SqliteEngine copy;
                copy.open(passing, true, 0);
                copied = countEntries(copy);
            }
            if (copied != backup.entries && attempt < 2)
                continue;
            if (copied != backup.entries)
                throw quil::Error(QCoreApplication::translate(
                                      "Backup", "Библиотека менялась во время копирования: "
                                                "в копии %1 записей вместо %2")
                                      .arg(copied)
                                      .arg(backup.entries));
            try {
                checkWritten(passing, backup.entries);
            } catch (const quil::Error &e) {
                // The copy holds the library's pages as they are: what fails in it is damage.
                throw quil::EngineError(quil::engine_code::Corrupt,
                                        e.detail().isEmpty() ? e.message() : e.detail());
            }
            break;
        }
        if (std::rename(QFile::encodeName(passing).constData(),
                        QFile::encodeName(path).constData()) != 0)
            throw systemError(
                QCoreApplication::translate("Backup", "Не удалось переименовать %1").arg(passing));
        syncPath(folderPath);
    } catch (...) {
        removeLibraryFile(passing);
        throw;
    }
    for (const QString &old : prunedBackups(backupsOf(libraryPath), now.date()))
        QFile::remove(old);
    return backup;
}

QList<MissingEntry> missingEntries(const QString &backupPath, const QString &libraryPath)
{
    QSet<qint64> held;
    {
        quil::SqliteEngine library;
        library.open(libraryPath, true, 5000);
        const auto keys = library.prepareOrThrow(QStringLiteral("SELECT key FROM Books"));
        quil::execOrThrow(*keys);
        while (keys->next())
            held.insert(keys->integer(0));
        quil::checkFinished(*keys);
    }
    quil::SqliteEngine backup;
    backup.open(backupPath, true, 1000);
    const auto rows =
        backup.prepareOrThrow(QStringLiteral("SELECT key, Name, Title FROM Books ORDER BY key"));
    quil::execOrThrow(*rows);
    QList<MissingEntry> missing;
    while (rows->next())
        if (!held.contains(rows->integer(0)))
            missing << MissingEntry{rows->integer(0), rows->value(1).toString(),
                                    rows->value(2).toString()};
    quil::checkFinished(*rows);
    return missing;
}

int bringBack(quil::Engine &library, const QString &backupPath, const QList<qint64> &keys)
{
    QStringList names;
    for (const quil::FieldDef &def : book::fieldDefs())
        names << def.name;
    const QString columns = names.join(QStringLiteral(", "));
    quil::SqliteEngine backup;
    backup.open(backupPath, true, 1000);
    const auto read =
        backup.prepareOrThrow(QStringLiteral("SELECT %1 FROM Books WHERE key = ?").arg(columns));
    const auto write = library.prepareOrThrow(
        QStringLiteral("INSERT INTO Books (%1) VALUES (?%2)")
            .arg(columns, QStringLiteral(", ?").repeated(int(names.size()) - 1)));
    if (!library.begin(quil::Engine::Transaction::Store))
        quil::throwEngineError(library.error());
    int brought = 0;
    try {
        for (const qint64 key : keys) {
            read->bindInteger(0, key);
            quil::execOrThrow(*read);
            if (read->next()) {
                for (int i = 0; i < names.size(); ++i)
                    write->bind(i, read->value(i));
                quil::execOrThrow(*write);
                write->reset();
                ++brought;
            }
            quil::checkFinished(*read);
            read->reset();
        }
        if (!library.commit())
            quil::throwEngineError(library.error());
    } catch (...) {
        library.rollback();
        throw;
    }
    return brought;
}

QString keptBeforeRestore(const QString &libraryPath, const QDateTime &now)
{
    return backupFolder(libraryPath) + QLatin1Char('/') +
           QFileInfo(libraryPath).completeBaseName() +
           QStringLiteral(" до восстановления %1").arg(now.toString(TimeFormat)) + Extension;
}

void putBackupInPlace(const QString &libraryPath, const QString &backupPath, const QString &aside)
{
    const QString restoring = libraryPath + QStringLiteral(".restoring");
    try {
        copyDurably(backupPath, restoring, PassingSuffix);
        replaceKeepingAside(libraryPath, restoring, aside, PassingSuffix);
    } catch (...) {
        removeLibraryFile(restoring);
        throw;
    }
    // A journal left beside belongs to the file kept aside, and goes with it.
    const QString journal = libraryPath + QStringLiteral("-journal");
    if (QFileInfo::exists(journal))
        QFile::rename(journal, aside + QStringLiteral("-journal"));
}

} // namespace library
