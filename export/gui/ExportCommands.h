#pragma once

#include "export/ListExport.h"

class QPlainTextEdit;
class TDataModule1;

// The main window's export commands: the current entry to the clipboard from the record pane
// as it stands, and the selection or the whole table to a text or HTML file chosen in the save
// dialog. Failures are raised for the error report.
class ExportCommands {
public:
    static void copyReference(const QPlainTextEdit &name, const QPlainTextEdit &title,
                              const QPlainTextEdit &publisher);
    static void copyReferenceAndAbstract(const QPlainTextEdit &name, const QPlainTextEdit &title,
                                         const QPlainTextEdit &publisher, const QString &abstract);
    // The plain text of the current entry's abstract as the editor holds it, unsaved edits
    // included; the stored abstract's text when there is no editor.
    static QString currentAbstract(TDataModule1 &dataModule);

    // selection: the selection query is written, else the main table.
    static void saveList(TDataModule1 &dataModule, ListExport::Format format, bool selection,
                         const QString &programFolder);
};
