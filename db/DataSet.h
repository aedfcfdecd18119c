#pragma once

#include "db/Field.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace quil {

class Connection;
class DataSource;
class Statement;

enum class DataSetState { Inactive, Browse, Edit, Insert };

// What a dataset tells its data sources.
enum class DataEvent {
    FieldChange,   // one field of the current record changed (field given)
    RecordChange,  // the current record's contents or editing state changed
    DataSetChange, // contents, order or count changed (open, sort, post, delete)
    DataSetScroll, // another record became current
    UpdateRecord,  // the update step: controls write their contents, then update-data runs
    ActiveChange,  // opened or closed
};

// A bookmark names one record of an open dataset; it is freed once and not used after that.
struct Bookmark {
    qint64 key = 0;
    int id = 0;
    bool isValid() const { return id != 0; }
};

// A dataset over one SQLite table, keyed by an integer primary key.
//
// The dataset is a snapshot: the keys of its records in the current order. Record number and
// count are exact; moves are index arithmetic; field values are read by key through a small
// page cache, memo fields only when asked for. Edits go to a record buffer and reach the file
// at Post, one statement (and so one transaction) per post.
class DataSet {
public:
    DataSet(Connection &connection, std::vector<FieldDef> fields, QString keyField);
    virtual ~DataSet();
    DataSet(const DataSet &) = delete;
    DataSet &operator=(const DataSet &) = delete;

    Connection &connection() const { return FConnection; }

    // --- open, close, order
    void Open();
    void Close();
    bool Active() const { return FState != DataSetState::Inactive; }
    DataSetState State() const { return FState; }
    // "City, Name, Title ASC": every field ascending, the first field first. Re-sorts an open
    // dataset at once; the current record stays current.
    const QString &Sort() const { return FSort; }
    void setSort(const QString &sort);
    // Re-reads the keys (after bulk changes made by other statements).
    void Refresh();

    // --- moves
    void First();
    void Prior();
    void Next();
    void Last();
    // Moves to a record number (1-based); used by grids.
    void setRecNo(int recNo);
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    bool IsEmpty() const { return FKeys.empty(); }
    int RecNo() const;
    int RecordCount() const { return int(FKeys.size()); }

    // --- editing
    void Edit();
    void Insert();
    void Post();
    void Cancel();
    void Delete();
    // Stores a record being edited the way a move would (controls write, update-data runs,
    // then post, or drop when nothing was set); does nothing while browsing.
    void CheckBrowseMode();
    bool Modified() const { return FModified; }
    // The connection may not write: Edit, Insert, Post and Delete fail with one message.
    bool ReadOnly() const;
    // Raises the one read-only message when the connection may not write.
    void checkWritable() const;
    // When another connection has changed the file since the keys were read, reads them again
    // (the current record stays current where it still exists). Only while browsing.
    void CheckForChanges();

    // --- bulk stores
    // A long run of posts in open transactions: CommitBulk makes what was posted so far
    // durable and opens the next one. Meanwhile the data sources hear only the update step (so
    // update-data still runs for every post), and inserted keys join the snapshot at EndBulk
    // in the dataset's order, the last one stored becoming current.
    // EndBulk(false) drops what was posted since the last commit; a failed commit drops it too
    // and raises quil::Error. Either way the data sources then hear one data change.
    void BeginBulk();
    void CommitBulk();
    void EndBulk(bool commit);
    // Takes the whole run back: the open transaction is rolled back and what earlier commits
    // stored is deleted again, with the rows keyed by the same keys in the side tables, so the
    // file and the snapshot are as before BeginBulk. When the delete fails, what was committed
    // stays as EndBulk would leave it and the error is raised.
    void UndoBulk(const QStringList &sideTables = {});
    // The key the last insert of this dataset was given, in bulk or not; 0 before any.
    qint64 LastInsertedKey() const { return FLastInsertedKey; }

    // --- bookmarks
    Bookmark GetBookmark();
    // Makes the bookmarked record current; a record deleted since leaves the cursor where it is.
    void GotoBookmark(const Bookmark &bookmark);
    void FreeBookmark(Bookmark &bookmark);
    bool BookmarkValid(const Bookmark &bookmark) const;
    // Makes the record with this key current; false (and no move) when there is none.
    bool locateKey(qint64 key);

    // --- notifications
    // While disabled the dataset tells its data sources nothing; enabling to zero sends one
    // data change. A record being edited is stored before the first disable, so a walk with
    // controls disabled never drops typed text.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }
    std::function<void(DataSet &)> AfterScroll;

    // --- fields
    Field &FieldByName(const QString &name) const; // unknown name: quil::Error
    Field *FindField(const QString &name) const;
    Field &keyField() const { return *FFields[FKeyIndex]; }

    // The key of a record by its 0-based position in the current order.
    qint64 keyAt(int row) const { return FKeys[size_t(row)]; }
    // Display text of a field of any row, through the field's hook; for grids.
    QString displayTextAt(int row, Field &field);
    // The row index the grid should mark as current (the current record, or -1).
    int currentRow() const { return FKeys.empty() ? -1 : FIndex; }

    // An index that holds the key and every field that is not lazy. When the file has it, key
    // lists and grid pages are read from it instead of from the (much wider) table rows.
    QString BrowseIndex;

    // --- used by Field, DataSource and DataLink
    QVariant fieldValue(const Field &field);
    void setFieldValue(Field &field, const QVariant &value);
    void addDataSource(DataSource *source);
    void removeDataSource(DataSource *source);
    void dataEvent(DataEvent event, Field *field = nullptr);

protected:
    // The statement that yields the given columns of the dataset's records in natural order
    // ("SELECT key FROM Books" for a table); ordering is added or done by the dataset.
    virtual QString keySelect(const QString &columns) const = 0;
    virtual QString tableName() const = 0;
    virtual QVariantList keyParameters() const { return {}; }
    // Every row of the table is a record (no condition selects them).
    virtual bool holdsWholeTable() const { return false; }
    // The table, with the browse index when the file has it.
    QString tableSource() const;

private:
    struct Row {
        std::vector<QVariant> values; // memo fields stay invalid until read
        std::vector<bool> loaded;
        qint64 version = 0; // the engine's row version, where it keeps one
    };

    void checkActive() const;
    void checkEditing() const;
    void loadKeys();
    // Puts a few new keys into the sorted snapshot by binary search, reading only the rows the
    // search compares; false where a new reading of every key is the cheaper way.
    bool placeNewKeys(const std::vector<qint64> &added);
    // The keys committed by a bulk run join the snapshot; the data sources hear one change.
    void placeCommitted();
    // Re-reads the keys; the record that was current stays current where it still exists.
    void reloadKeysKeepingCurrent();
    // Moves the rows another connection changed to their places (or out), reading only them
    // and the rows the search compares; false where reading every key again is the way.
    bool followChangedKeys(const std::vector<qint64> &changed);
    QString orderByClause() const;
    QList<Field *> sortFields() const;
    void moveTo(int index);
    void afterMove();
    void updateRecord();
    void writeRecord();
    // One store's statements in a transaction of its own, with what the connection keeps in
    // step; undone when they fail.
    void storeInTransaction(const std::function<void()> &write);
    Statement &bulkInsertStatement();
    void finishStore(bool inserted, qint64 key);
    // Inside the store's transaction: the row in the file is still the row as read at Edit.
    void checkUnchangedElsewhere(qint64 key);
    // A store or delete guarded by the row version changed nothing: raises the message that
    // says who came first. A delete of a row another program deleted is done all the same.
    void refuseVersionConflict(qint64 key, bool deleting);
    // An insert refused because the key has no larger value left says so.
    void checkKeyRoom();
    QString insertStatement(const QStringList &names,
                            const QString &verb = QStringLiteral("INSERT")) const;
    void storeInBulk();
    const Row &rowFor(qint64 key, int indexHint);
    void fetchPage(int index);
    void readRecord(qint64 key, Row &row);
    void chooseIndex();
    void resetBuffer();
    void forgetCache();

    Connection &FConnection;
    std::vector<std::unique_ptr<Field>> FFields;
    int FKeyIndex = 0;
    QString FSort;
    DataSetState FState = DataSetState::Inactive;

    std::vector<qint64> FKeys;
    int FIndex = 0;
    bool FBof = true;
    bool FEof = true;

    QHash<qint64, Row> FCache;
    int FPageEnd = -1;             // one past the last row of the last page read
    std::vector<QVariant> FBuffer; // edit/insert: field values written so far
    std::vector<bool> FBufferSet;
    std::vector<QVariant> FOriginal; // edit: the record as read when editing began
    qint64 FOriginalVersion = 0;     // edit: its row version, where the engine keeps one
    QString FVersionColumn;
    qint64 FDataVersion = 0;
    bool FModified = false;
    int FInsertIndex = 0;
    qint64 FLastInsertedKey = 0;

    int FReadRow = -1; // >= 0 while the grid reads another row than the current one
    int FDisableCount = 0;
    std::vector<DataSource *> FDataSources;
    std::set<int> FLiveBookmarks;
    int FNextBookmarkId = 1;

    bool FBulk = false;
    std::vector<qint64> FBulkPending;   // inserted since the last commit
    std::vector<qint64> FBulkCommitted; // inserted and committed, not yet in the snapshot
    std::unique_ptr<Statement> FBulkInsert;
    std::vector<bool> FBulkInsertFields; // the fields FBulkInsert sets

    std::unique_ptr<Statement> FPageQuery;
    std::unique_ptr<Statement> FRecordQuery;
    QString FPageSelect;
    QString FUsedIndex;
};

// The whole table: every record of it.
class Table : public DataSet {
public:
    Table(Connection &connection, QString table, std::vector<FieldDef> fields, QString keyField);
    const QString &TableName() const { return FTableName; }

protected:
    QString keySelect(const QString &columns) const override;
    QString tableName() const override { return FTableName; }
    bool holdsWholeTable() const override { return true; }

private:
    QString FTableName;
};

// The records of one table that a query selects. The query text is built line by line; it must
// select from the table named at construction and return its key column.
class Query : public DataSet {
public:
    Query(Connection &connection, QString table, std::vector<FieldDef> fields, QString keyField);
    QStringList SQL;
    // Values bound to the query's placeholders, in order.
    QVariantList Parameters;

protected:
    QString keySelect(const QString &columns) const override;
    QString tableName() const override { return FTableName; }
    QVariantList keyParameters() const override { return Parameters; }

private:
    QString FTableName;
};

} // namespace quil
