#pragma once

#include <QString>

namespace library {

// Reads every page of the library file at path on a read-only handle of its own (the engine's
// quick check: each table and index, overflow chains, free pages) and answers what is wrong,
// in the engine's words; empty when the file is whole. A file that cannot be opened or read
// at all answers why. Writes nothing and may run on any thread.
QString checkWhole(const QString &path);

// What the user is told when the library libraryFileName was found damaged while open: its
// name, that nothing more is written to it, what to do; the engine's words on a line of their
// own.
QString damageMessage(const QString &libraryFileName, const QString &words);

} // namespace library
