#pragma once

#include <QString>

// Library files: SQLite databases named "*.mdb" in the folder DBase beside the program.
namespace library {

// ProgramFolder + "DBase/".
QString folder(const QString &programFolder);
// The connection string for a library file name (without folder) in the library folder.
QString connectionString(const QString &programFolder, const QString &libraryFileName);
// Creates an empty library (table Books) at path; fails with quil::Error if the file exists.
void create(const QString &path);

} // namespace library
