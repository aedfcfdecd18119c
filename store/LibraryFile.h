#pragma once

#include <QString>
#include <exception>
#include <memory>

namespace quil {
class Engine;
class Error;
} // namespace quil

// Library files: SQLite databases named "*.mdb" in the folder DBase beside the program, and
// shared libraries on a PostgreSQL server, each named by a small "*.pglib" file there.
namespace library {

// The engine of a library file: the server's for "*.pglib", SQLite's for every other.
std::unique_ptr<quil::Engine> engineFor(const QString &path);

// ProgramFolder + "DBase/".
QString folder(const QString &programFolder);
// The connection string for a library file name (without folder) in the library folder; any
// name the file system allows, ";" included.
QString connectionString(const QString &programFolder, const QString &libraryFileName);
// Checks, reading only, that an open database is a library: Books is a table (not a view)
// with the eleven fields and key its integer primary key. quil::Error when not. Set as the
// connection's OnValidate.
void validate(quil::Engine &engine);
// Adds the indexes of Books that a library made without them lacks; a read-only one goes
// without them.
void addIndexes(quil::Engine &engine);
// Adds the browse index to a library made without it, and the index of its texts where it is
// missing or not in step, with a busy window telling how far it got (a read-only one goes
// without both). Set as the connection's OnConnect.
void prepare(quil::Engine &engine);
// What the user is told when the library file at path, picked as libraryFileName, could not
// be opened with the error e: "Библиотека <name>" and what is wrong with it (missing,
// unreadable, made by the old program, damaged, busy, not a library), the engine's own words
// on a line of their own.
quil::Error openError(const QString &path, const QString &libraryFileName, const std::exception &e);
// The open of the library at path failed with e because the file is damaged, not because it is
// some other file: the engine calls it damaged, and it is a database or has backups of its own.
bool damagedAtOpen(const QString &path, const std::exception &e);
// Creates an empty library (table Books) at path; fails with quil::Error if the file exists.
void create(const QString &path);

} // namespace library
