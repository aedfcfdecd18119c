#include "import/BookImporter.h"

#include "store/TDataModule1.h"

namespace quil {
namespace {

int defaultBatch = 10000;

} // namespace

void BookImporter::setDefaultBatch(int milliseconds) { defaultBatch = milliseconds; }

BookImporter::BookImporter(TDataModule1 &dataModule) : BookImporter(dataModule, defaultBatch) {}

BookImporter::BookImporter(TDataModule1 &dataModule, int batchMilliseconds)
    : FDataModule(dataModule), FBatchMilliseconds(batchMilliseconds)
{
}

BookImporter::~BookImporter()
{
    try {
        finish();
    } catch (...) {
        // Reported by the caller's own finish(); a destructor only tidies up.
    }
}

void BookImporter::store(std::initializer_list<Assignment> fields)
{
    Table &table = FDataModule.ADOTable;
    if (!FStarted) {
        // Edit, then store: on an empty table the edit starts the placeholder entry that the
        // store writes. This happens before the batches, so it is kept whatever follows.
        table.Edit();
        table.CheckBrowseMode();
        table.BeginBulk();
        FStarted = true;
        FBatchClock.start();
    }
    table.Insert();
    for (const Assignment &assignment : fields)
        assignment.first->setAsString(*assignment.second);
    table.Post();
    ++FPosted;
    if (FBatchMilliseconds <= 0 || FBatchClock.hasExpired(FBatchMilliseconds)) {
        table.CommitBulk();
        FKept = FPosted;
        FBatchClock.start();
    }
}

void BookImporter::cancel(const QStringList &sideTables)
{
    if (!FStarted)
        return;
    FStarted = false;
    try {
        FDataModule.ADOTable.UndoBulk(sideTables);
    } catch (...) {
        FPosted = FKept; // what the batches committed stays
        throw;
    }
    FPosted = FKept = 0;
}

void BookImporter::finish()
{
    if (!FStarted)
        return;
    FStarted = false;
    FDataModule.ADOTable.EndBulk(true);
    FKept = FPosted;
}

} // namespace quil
