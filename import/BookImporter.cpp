#include "import/BookImporter.h"

#include "store/TDataModule1.h"

namespace quil {

BookImporter::BookImporter(TDataModule1 &dataModule, int batchSize)
    : FDataModule(dataModule), FBatchSize(batchSize)
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
    }
    table.Insert();
    for (const Assignment &assignment : fields)
        assignment.first->setAsString(*assignment.second);
    table.Post();
    ++FPosted;
    if (FPosted - FKept >= FBatchSize) {
        table.CommitBulk();
        FKept = FPosted;
    }
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
