#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>

class TDataModule1;

namespace quil {
class Field;

// Stores imported entries through the data module's table the way the new-book command does,
// so that every post runs the update step. The first store puts away the entry that was
// current (with what was typed into it); each later entry is written once. Posts are
// committed in batches of about ten seconds' work, so that what was stored becomes durable as
// a long import runs: a commit into a large library costs about a second (every index page
// the batch touched is journalled and synced), and shorter batches made a 100,000-line list
// take half as long again. finish() commits what was posted, so an import ended by an error
// keeps every entry before it and nothing of the one that failed; cancel() takes back all of them.
class BookImporter {
public:
    using Assignment = std::pair<Field *, const QString *>;

    explicit BookImporter(TDataModule1 &dataModule);
    // A batch of 0 milliseconds commits every entry.
    BookImporter(TDataModule1 &dataModule, int batchMilliseconds);
    // Ends an unfinished run, keeping what was posted.
    ~BookImporter();
    BookImporter(const BookImporter &) = delete;
    BookImporter &operator=(const BookImporter &) = delete;

    // A new entry with the fields assigned in the order given, then posted.
    void store(std::initializer_list<Assignment> fields);
    // Commits and shows the new entries in the table; raises quil::Error when the commit
    // fails, after which kept() tells what is in the file.
    void finish();
    // Takes back every entry stored since the first store, and the rows of the side tables
    // keyed by their keys: the library is as it was before (the entry that was current stays
    // put away). Raises quil::Error when that cannot be done; what was stored then stays.
    void cancel(const QStringList &sideTables = {});
    // The batch of the imports; tests set 0, so that every entry reaches the file at once.
    static void setDefaultBatch(int milliseconds);
    int posted() const { return FPosted; }
    int kept() const { return FKept; }

private:
    TDataModule1 &FDataModule;
    int FBatchMilliseconds;
    QElapsedTimer FBatchClock;
    bool FStarted = false;
    int FPosted = 0;
    int FKept = 0;
};

} // namespace quil
