#pragma once

#include <QString>

class QWidget;

namespace jet {

// Run before a library is opened. When the library file at libraryPath is an Access file of
// the old program (told by its header, not its name), asks the user whether to migrate it;
// Yes migrates it in place with a progress dialog for large files and tells what was left out
// or missing, No leaves everything as it was. Returns false only for No: the caller then
// opens nothing. A file that cannot be migrated raises quil::Error and stays as it is.
bool offerMigration(const QString &libraryPath, QWidget *parent);

} // namespace jet
