#pragma once

#include <QString>

namespace quil {

// The folder "Abstract" beside the program, where abstract files are kept, and the names that
// the editor gives the files it writes there.
class AbstractFolder {
public:
    // The folder, without a trailing separator: where the file dialogs start.
    static QString folder(const QString &programFolder);
    // A field's value followed by ".Abstract.rtf"; nothing else is changed.
    static QString fileName(const QString &value);
    // The file in the folder named after a value. A value that would put the file elsewhere
    // (a path separator or a NUL in it) raises quil::Error and names nothing.
    static QString pathFor(const QString &programFolder, const QString &value);
};

} // namespace quil
