#pragma once

#include <QSqlDatabase>
#include <QString>

// Library files: SQLite databases named "*.mdb" in the folder DBase beside the program.
namespace library {

// ProgramFolder + "DBase/".
QString folder(const QString &programFolder);
// The connection string for a library file name (without folder) in the library folder.
QString connectionString(const QString &programFolder, const QString &libraryFileName);
// Checks that an open database is a library (table Books with every field; quil::Error if
// not) and adds the browse index to a library made without it. Set as the connection's
// OnConnect.
void prepare(QSqlDatabase &db);
// Creates an empty library (table Books) at path; fails with quil::Error if the file exists.
void create(const QString &path);

} // namespace library
