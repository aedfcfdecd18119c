#include "db/DataSet.h"

#include "db/Connection.h"
#include "db/DataSetParts.h"
#include "db/DataSource.h"
#include "db/Engine.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>

// The bulk writer: many records stored in one transaction, as an import does.
namespace quil {
using dataset::quoted;

// ---------------------------------------------------------------------------- bulk stores

void DataSet::BeginBulk()
{
    checkActive();
    if (FBulk)
        return;
    CheckBrowseMode();
    Engine &engine = FConnection.engine();
    if (!engine.begin(Engine::Transaction::Bulk))
        throwEngineError(engine.error());
    FBulk = true;
}

Statement &DataSet::bulkInsertStatement()
{
    if (!FBulkInsert || FBulkInsertFields != FBufferSet) {
        QStringList names;
        for (size_t i = 0; i < FFields.size(); ++i)
            if (FBufferSet[i] && int(i) != FKeyIndex)
                names << quoted(FFields[i]->FieldName());
        FBulkInsert.reset();
        Engine &engine = FConnection.engine();
        FBulkInsert = engine.prepareOrThrow(insertStatement(names, engine.bulkInsertVerb()));
        FBulkInsertFields = FBufferSet;
    }
    return *FBulkInsert;
}

void DataSet::CommitBulk()
{
    if (!FBulk)
        return;
    Engine &engine = FConnection.engine();
    FConnection.beforeCommit();
    // A plain "COMMIT" statement, so the engine's result code is kept (a full disk reads as
    // such).
    if (!engine.commit())
        throwEngineError(engine.error());
    FBulkCommitted.insert(FBulkCommitted.end(), FBulkPending.begin(), FBulkPending.end());
    FBulkPending.clear();
    if (!engine.begin(Engine::Transaction::Bulk))
        throwEngineError(engine.error());
}

void DataSet::EndBulk(bool commit)
{
    if (!FBulk)
        return;
    if (FState == DataSetState::Edit || FState == DataSetState::Insert)
        Cancel(); // a record that failed to post is not stored half-made
    FBulk = false;
    FBulkInsert.reset();
    Engine &engine = FConnection.engine();
    // After a full disk or a failed write the engine has rolled the transaction back itself:
    // what was posted since the last commit is gone, and a commit would only say that there is
    // no transaction.
    const bool open = engine.inTransaction();
    std::optional<EngineError> failure;
    if (open && commit)
        FConnection.beforeCommit();
    if (open && commit && !engine.commit()) {
        failure = engine.error();
        engine.rollback();
    } else if (open && !commit) {
        engine.rollback();
    }
    const bool lost = commit && (!open || failure) && !FBulkPending.empty();
    if (commit && open && !failure)
        FBulkCommitted.insert(FBulkCommitted.end(), FBulkPending.begin(), FBulkPending.end());
    FBulkPending.clear();
    placeCommitted();
    if (failure)
        throwEngineError(*failure);
    if (lost)
        throw Error(QCoreApplication::translate(
            "DataSetBulk", "Записи, сделанные после последнего сохранения в файл, "
                           "отменены после ошибки базы данных"));
}

void DataSet::UndoBulk(const QStringList &sideTables)
{
    if (!FBulk)
        return;
    if (FState == DataSetState::Edit || FState == DataSetState::Insert)
        Cancel();
    FBulk = false;
    FBulkInsert.reset();
    Engine &engine = FConnection.engine();
    if (engine.inTransaction())
        engine.rollback();
    FBulkPending.clear();
    if (!FBulkCommitted.empty()) {
        // What earlier batches made durable goes in one transaction; the text index hears of
        // it from the triggers, and catches up before the commit as after any store.
        try {
            storeInTransaction([&] {
                QStringList tables{tableName()};
                QStringList keys{quoted(keyField().FieldName())};
                for (const QString &side : sideTables) {
                    tables << side;
                    keys << QStringLiteral("key");
                }
                for (int t = 0; t < tables.size(); ++t) {
                    const auto remove =
                        engine.prepareOrThrow(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                                  .arg(quoted(tables[t]), keys[t]));
                    for (const qint64 key : FBulkCommitted) {
                        remove->bind(0, key);
                        execOrThrow(*remove);
                        remove->reset();
                    }
                }
            });
        } catch (...) {
            // Not taken back, the records are the library's like any stored ones.
            placeCommitted();
            throw;
        }
        FBulkCommitted.clear();
        FConnection.afterStore();
    }
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetChange);
}

void DataSet::placeCommitted()
{
    if (!FBulkCommitted.empty()) {
        FConnection.afterStore();
        // The new records take their places in the dataset's order, as opening the file again
        // would show them; the last one stored is current.
        const qint64 last = FBulkCommitted.back();
        try {
            // A query's new records are in it only if they match it: it is run again.
            if (!holdsWholeTable() || !placeNewKeys(FBulkCommitted))
                loadKeys();
        } catch (const Error &) {
            // Unread, the snapshot still gets them: at the cursor, as single inserts leave them.
            const int at = FKeys.empty() ? 0 : FIndex;
            FKeys.insert(FKeys.begin() + at, FBulkCommitted.rbegin(), FBulkCommitted.rend());
        }
        const auto it = std::find(FKeys.begin(), FKeys.end(), last);
        FIndex = it == FKeys.end() ? 0 : int(it - FKeys.begin());
        FBof = FEof = false;
    }
    FBulkCommitted.clear();
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetChange);
}

} // namespace quil
