#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Turning a library of the old program (an Access file) into one of ours.
namespace jet {

struct Migrated {
    int entries = 0;
    QStringList leftOut;  // columns of Books that were not carried over
    QStringList missing;  // fields Books lacked, left empty
    bool stopped = false; // stopped when asked: nothing was written, the original is as it was
};

// Told after each entry written: how many are written and how many there are. Answers false
// to stop the migration.
using Progress = std::function<bool(int done, int total)>;

// Writes every entry of the Access file source into a new library target (never over an
// existing file), in the file's order with their keys, and checks what was written: the entry
// count and the engine's integrity check. On any failure target is gone and the error raised;
// stopped, target is gone too.
Migrated convert(const QString &source, const QString &target, const Progress &progress = {});

// The number of entries of the Access file at path, for the question put to the user.
int entryCount(const QString &path);

// Migrates the Access file at libraryPath (a library in the library folder) in place: the new
// library takes its name, and the original moves, byte for byte, to Access/ under the same
// name. The library's name is held at every moment by exactly one whole file: the original
// until the new library has been written and checked, then the new one. Stopped, the original
// stays where it was and nothing is left beside it.
Migrated migrateInPlace(const QString &libraryPath, const Progress &progress = {});

// Where a migration writes the new library before it takes the library's name: beside it,
// under a name the library folder's "*.mdb" does not show.
QString temporaryPath(const QString &libraryPath);

// Removes what a migration broken off left in the library folder.
void cleanUp(const QString &libraryFolder);

} // namespace jet
