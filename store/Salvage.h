#pragma once

#include <QList>
#include <QString>
#include <functional>

// Rescue of a damaged library: every entry that can still be read, whole, goes into a new one.
namespace library {

struct Salvaged {
    int saved = 0;
    // Keys of entries that the library's indexes or table name but that cannot be read whole.
    QList<qint64> lost;
    // Stopped when asked: nothing was left at the target.
    bool stopped = false;
};

// How far a salvage has come: the keys passed of all the keys the library spans. Answers false
// to stop it. Called on the salvage's thread.
using SalvageProgress = std::function<bool(qint64 done, qint64 total)>;

// Writes every entry of the library at source that can still be read whole into a new library
// at target, under their own keys, made durable and checked. The source is only read; on
// failure, or when progress asks to stop, nothing is left at target. Reads on a handle of its
// own, so it may run on any thread.
Salvaged salvage(const QString &source, const QString &target,
                 const SalvageProgress &progress = {});

// The passing name of the salvaged copy of the library at path, beside it.
QString salvagePath(const QString &libraryPath);
// Where a damaged library is kept, unchanged: the folder Damaged beside it, under its own name,
// or a numbered one when another file of that name is kept there already.
QString damagedPath(const QString &libraryPath);
// The salvaged copy at salvagePath takes the library's name once the damaged file is kept at
// damagedPath; answers where it was kept.
QString putSalvagedInPlace(const QString &libraryPath);

} // namespace library
