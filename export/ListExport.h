#pragma once

#include "platform/Dialogs.h"

#include <QString>

class QIODevice;
class QSaveFile;

namespace quil {
class DataSet;
}

// The references of a dataset's rows as a numbered text list or as an HTML page, in
// Windows-1251 with CR LF after every line. "Selection" or "whole table" only changes the
// titles and the header; the caller gives the dataset that goes with it.
class ListExport {
public:
    enum class Format { Text, Html };

    struct Result {
        int rows = 0;
        int replaced = 0; // characters that Windows-1251 cannot hold ("?" or "&#NNN;")
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    ListExport(Format format, bool selection);

    // The save dialog's title, filter and default extension, starting in "Result" with no name.
    quil::Dialogs::FileRequest saveRequest(const QString &programFolder) const;

    // Walks the dataset with its display suspended and leaves it on its first row, writing the
    // file piece by piece as it goes. A device error is returned, not raised, and ends the
    // walk; what reading a row raises passes on, with the display resumed.
    Result write(quil::DataSet &data, QIODevice &device) const;
    // Through a new file that replaces the old one only when complete: on failure the old
    // file is whole, no partial file is left and the error is "Cannot create file <path>".
    Result write(quil::DataSet &data, const QString &path) const;

    static QString cannotCreateFile(const QString &path);
    // QSaveFile::commit over the file at the path. A large file replaced takes as long to free
    // as a small export takes to write: another thread frees it.
    static bool commitOver(QSaveFile &file, const QString &path);

private:
    Format FFormat;
    bool FSelection;
};
