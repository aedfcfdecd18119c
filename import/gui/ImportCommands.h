#pragma once

#include <QString>
#include <functional>

class QWidget;
class TDataModule1;

// The main window's import commands over the open library: the reference list chosen in the
// open dialog, and the folder "Abstract" after a question. Both show the hourglass and, when
// they run long, a progress dialog; the abstract import names the file being read in the
// window's caption. Cursor, caption and the data-change handler are restored on every path;
// failures are raised for the error report afterwards, with what was stored before kept.
class ImportCommands {
public:
    // Sets up the open dialog for a reference list; a chosen file is handed to importList.
    static void chooseReferenceList(const QString &programFolder, const QString &libraryFileName,
                                    const std::function<void(const QString &)> &importList);
    // Asks in which encoding the file at path is read, showing the guess and the first lines;
    // empty when the user cancels.
    static QString chooseEncoding(const QString &path);
    // Imports the list at path in the encoding the user confirms; focus goes to the authors'
    // memo at the end.
    static void importReferenceList(TDataModule1 &dataModule, const QString &path, QWidget &window,
                                    QWidget &authors);
    // A BibTeX or RIS file chosen in the open dialog, read in the encoding the user confirms;
    // the records passed over are listed in one message at the end, and focus goes to the
    // authors' memo.
    static void importBibliography(TDataModule1 &dataModule, QWidget &window, QWidget &authors,
                                   const QString &programFolder, const QString &libraryFileName);
    // Asks, then imports every file of the abstract folder; the files passed over are listed
    // in one message at the end.
    static void importAbstractFolder(TDataModule1 &dataModule, QWidget &window,
                                     const QString &programFolder);
};
