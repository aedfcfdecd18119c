#pragma once

#include <QList>
#include <QString>
#include <functional>

class QFile;
class QIODevice;
class TDataModule1;

namespace quil {
class BookImporter;

// A file that an import passed over, and why.
struct ImportProblem {
    QString file;
    QString why;
};

// What an import stored, and what it passed over on the way.
struct ImportResult {
    int stored = 0;
    QList<ImportProblem> passedOver;
    bool cancelled = false; // stopped from its progress: nothing of it was kept
};

// Told after each entry: how many are stored, of how many (0 when not known), and the file
// being read. False stops the import, which then takes back every entry it stored (and the
// originals kept with them) and returns cancelled.
using ImportProgress = std::function<bool(int done, int total, const QString &file)>;

// Reference lists: every line that is not blank becomes a new entry of the data module's
// table; only a regular file is read (a pipe or a device is refused before it is opened). The
// data-change handler is detached meanwhile and attached again on every path. An import that stops
// (a read that fails, a value the database refuses) raises quil::Error that names the line and how
// many entries were kept; those stay stored.
// The device is read in the encoding given (Windows-1251 when none is); a file in the one
// given, or when none is, in the one its first bytes suggest.
ImportResult importReferenceList(TDataModule1 &dataModule, QIODevice &device,
                                 const QString &fileName = {}, const ImportProgress &progress = {},
                                 const QString &encoding = {});
ImportResult importReferenceList(TDataModule1 &dataModule, const QString &path,
                                 const ImportProgress &progress = {}, const QString &encoding = {});

// The abstract folder: every file in it, in name order, becomes a new entry; sub-folders are
// passed over silently; pipes, devices and sockets, files too short for their layout, with a
// line too long to hold, or unreadable are passed over and listed in the result. Names that
// are not UTF-8 are read all the same. A missing folder imports nothing. A value the database
// refuses stops the import with quil::Error naming the file; the entries before it stay
// stored. Each file is read in the encoding its first bytes suggest.
ImportResult importAbstractFolder(TDataModule1 &dataModule, const QString &folder,
                                  const ImportProgress &progress = {});

// Commits what was posted before a failure and raises it as quil::Error, saying where the
// import stopped and how much of it is in the library.
[[noreturn]] void stopImport(BookImporter &importer, const QString &where, const std::exception &e);
// Takes back what a stopped import stored, with the rows of the side tables keyed by it, and
// says it was cancelled; when that fails, raises quil::Error saying how much stayed.
ImportResult cancelImport(BookImporter &importer, const QStringList &sideTables = {});
// Commits the last batch; a failure stops the import as above.
void finishImport(BookImporter &importer);

// Runs an import whose entries are stored with the data-change handler detached; attached
// again, it runs once on every path, so that the status bar tells the entry and count the
// import ended with.
ImportResult showingCurrentRecordAfter(TDataModule1 &dataModule,
                                       const std::function<ImportResult()> &quietImport);
// Opens a file to import (a regular file only), or raises quil::Error naming it and why not.
void openImportFile(QFile &file, const QString &path);

// The one message that lists the passed-over files.
QString passedOverMessage(const QList<ImportProblem> &problems);

} // namespace quil
