#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Verified copies of a library in the folder Backup beside it, named by the library and the
// time they were made ("Demo 2026-12-10 14-05-33.mdb"), so that their names sort by time.
namespace quil {
class Engine;
}

namespace library {

struct BackupFile {
    QString path;
    QDateTime made;
    qint64 entries = -1; // -1: not counted
};

QString backupFolder(const QString &libraryPath);
QString backupFileName(const QString &libraryPath, const QDateTime &made);
// The backups of the library at libraryPath, newest first; entries counted when asked (a
// copy that cannot be read is left out then).
QList<BackupFile> backupsOf(const QString &libraryPath, bool countEntries = false);
// Of these backups, the ones that go: all but the newest three and the newest of each of the
// seven days up to today.
QStringList prunedBackups(const QList<BackupFile> &backups, const QDate &today);

// Copies the library at libraryPath into its backup folder while others may go on writing it
// (the copy reads a few pages at a time): written under a passing name, made durable, opened
// and checked (every page, and as many entries as the library held), and only then given its
// name; older backups are then pruned. goOn() is asked between steps; false stops the copy.
// On any failure nothing of the copy is left and every earlier backup is as it was.
BackupFile makeBackup(const QString &libraryPath, const QDateTime &now,
                      const std::function<bool()> &goOn = {});

// The copy's entries under their keys, by key: name and title, for what a backup holds that
// a library no longer has.
struct MissingEntry {
    qint64 key = 0;
    QString name;
    QString title;
};
// Entries of the backup whose keys the library at libraryPath does not hold.
QList<MissingEntry> missingEntries(const QString &backupPath, const QString &libraryPath);

// Brings back the entries of these keys from the backup into library (open for writing), under
// their keys with every value, in one transaction; nothing else is touched. Answers how many.
int bringBack(quil::Engine &library, const QString &backupPath, const QList<qint64> &keys);

// Where the library file is kept when a backup takes its place: beside the backups, named as
// kept before a restore, so that no pruning ever removes it.
QString keptBeforeRestore(const QString &libraryPath, const QDateTime &now);
// The backup takes the place of the library (closed), which is kept unchanged at aside first.
void putBackupInPlace(const QString &libraryPath, const QString &backupPath, const QString &aside);

} // namespace library
