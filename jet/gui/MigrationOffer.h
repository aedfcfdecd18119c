#pragma once

#include <QString>

class QWidget;

namespace jet {

// Run before a library is opened. When the library file at libraryPath is an Access file of
// the old program (told by its header, not its name), asks the user whether to migrate it;
// Yes migrates it in place with a progress window that can stop it and tells what was left out
// or missing, No or a stop leaves everything as it was. Returns false for No and for a stop:
// the caller then opens nothing. A file that cannot be migrated raises quil::Error and stays as it
// is.
bool offerMigration(const QString &libraryPath, QWidget *parent);

} // namespace jet
