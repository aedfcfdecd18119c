#pragma once

#include "platform/Error.h"

#include <QString>
#include <exception>

namespace pg {

class PgEngine;

// Checks, reading only, that the server holds a library: Books with the eleven fields, key its
// integer primary key, and the row version. quil::Error when not.
void validate(PgEngine &engine);
// What the user is told when the shared library picked as libraryFileName could not be opened
// with the error e: the server cannot be reached, the login was refused, there is no library
// there; the engine's own words on a line of their own.
quil::Error openError(const QString &libraryFileName, const std::exception &e);

} // namespace pg
