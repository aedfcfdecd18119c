#pragma once

#include "exchange/ExchangeImport.h"
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

    // The current entry as BibTeX, as it is stored.
    static void copyBibTeX(TDataModule1 &dataModule);
    // The selection or the whole table as a BibTeX or RIS file in UTF-8.
    static void saveBibliography(TDataModule1 &dataModule, quil::exchange::Format format,
                                 bool selection, const QString &programFolder);

    // selection: the selection query is written, else the main table.
    static void saveList(TDataModule1 &dataModule, ListExport::Format format, bool selection,
                         const QString &programFolder);
};
