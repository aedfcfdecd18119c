#pragma once

#include <QString>

// Where the program keeps its libraries, notebooks, abstracts and exports.
namespace programfolder {

// The program folder, with its trailing separator, for a program whose file is in programDir.
// Run from a folder it may write (the build folder, an unpacked archive), the program keeps
// everything beside itself. Installed (share/quil-lib beside its bin folder) or in a folder it
// may not write, it keeps them in the user's data folder, "QUIL.Lib", laid out on first start
// from the installed first versions. Raises Error when that folder cannot be made.
QString locate(const QString &programDir);

// The first versions installed with the program: share/quil-lib beside programDir.
QString installedData(const QString &programDir);

// Lays out folder as a copy of source when folder does not exist yet (in one step: a start
// broken off leaves no half folder); else only makes its missing subfolders. Nothing that is
// there is ever overwritten.
void layOut(const QString &source, const QString &folder);

} // namespace programfolder
