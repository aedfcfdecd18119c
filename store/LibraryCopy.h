#pragma once

#include <QString>

// Moving a library between a file and a server: every entry of one library written into a new
// one, keys kept. The target is never written over: a file must not exist yet, and a server
// (named by its .pglib file) must not hold a table Books yet.
namespace library {

struct Copied {
    qint64 entries = 0;
};

// from and to are paths of library files ("*.mdb" or "*.pglib"). quil::Error when from is no
// library, when to exists, or when the copy fails; a failed copy leaves nothing behind.
Copied copyLibrary(const QString &from, const QString &to);

} // namespace library
