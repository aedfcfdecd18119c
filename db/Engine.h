#pragma once

#include "platform/Error.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace quil {

// One prepared statement. Values are bound by 0-based position; a run is exec() and then
// next() for each row. Failures answer false and leave the engine's words in error().
class Statement {
public:
    virtual ~Statement() = default;

    // A null value, or a null string or byte array, binds NULL.
    virtual void bind(int index, const QVariant &value) = 0;
    virtual void bindInteger(int index, qint64 value) = 0;
    // Runs with the values bound: a statement without rows is done, one with rows stands
    // before its first row.
    virtual bool exec() = 0;
    // False at the end and at a row the engine cannot read: error() tells them apart.
    virtual bool next() = 0;
    // The column of the current row: an integer, a double, a text, bytes, or a null text.
    virtual QVariant value(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    // The column's text in UTF-8 as the engine holds it, valid until the next step or reset;
    // empty and null for NULL.
    virtual QByteArrayView utf8(int column) const = 0;
    // Ends the run; the bound values stay bound for the next one.
    virtual void reset() = 0;
    // The key the last insert of the statement's connection was given.
    virtual qint64 lastInsertId() const = 0;
    // The rows the last run changed (an UPDATE or DELETE).
    virtual qint64 changes() const = 0;
    virtual const EngineError &error() const = 0;
};

// The database engine under a connection: the one boundary through which the dataset, find,
// selection, export and the library file reach the stored data. Another engine (a server
// database) is another implementation of this class.
class Engine {
public:
    enum class Transaction {
        Store, // one record: takes the write lock at once, so a check and a write see one file
        Bulk,  // a long run of inserts: may hold many changed pages in memory until commit
    };

    virtual ~Engine() = default;

    // Opens an existing file, read-only when asked; raises EngineError (BusyError when the file
    // is held) and stays closed on failure. busyTimeoutMs is how long a locked file is waited for.
    virtual void open(const QString &path, bool readOnly, int busyTimeoutMs) = 0;
    // Makes a damaged file readable, read-only, beside the open one under the schema name
    // name, to read what can still be read: a file cut short reads up to where it ends, and
    // each record is checked against its page before it is given.
    virtual void attachDamaged(const QString &path, const QString &name) = 0;
    // Makes a new, empty file and opens it for writing.
    virtual void create(const QString &path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The engine itself refuses to write the open file (its medium or its header).
    virtual bool isReadOnly() const = 0;
    // Readies an open file for use: the program's text order and case folding, durability of
    // stores and the page cache. Writes nothing when readOnly.
    virtual void prepareForUse(bool readOnly) = 0;

    // A prepared statement, or nullptr with error() telling why.
    virtual std::unique_ptr<Statement> prepare(const QString &sql) = 0;
    virtual bool begin(Transaction kind) = 0;
    virtual bool commit() = 0;
    virtual bool rollback() = 0;
    // A transaction is open; after a full disk or a failed write the engine may have rolled it
    // back by itself.
    virtual bool inTransaction() const = 0;
    // The names of a table's columns, empty when there is no such table.
    virtual QStringList columns(const QString &table) = 0;
    // How a table of the program's own declares its integer key column (64 bits wide).
    virtual QString keyColumnType() const { return QStringLiteral("INTEGER PRIMARY KEY"); }
    // The file has an index of that name that statements may name (SQLite's INDEXED BY).
    virtual bool hasIndex(const QString &) { return false; }
    // A column the engine moves on every change of a row: when there is one, a store is
    // "UPDATE ... WHERE key = ? AND version = ?" and the rows it changed tell whether another
    // program stored first; otherwise the row is compared with the file inside the store.
    virtual QString rowVersionColumn() const { return {}; }
    // A LIKE over the column costs the engine less than handing every row over (a server,
    // with its own index of trigrams on it): a search lets it narrow the rows first.
    virtual bool narrowsLike(const QString & /*column*/) { return false; }
    // The engine keeps the program's index of texts in the file itself (SQLite's FTS5).
    virtual bool keepsTextIndex() const { return false; }
    // How a bulk store's row insert begins. A row refused by a constraint is refused before it
    // is written, so nothing of it need be kept aside to undo.
    virtual QString bulkInsertVerb() const { return QStringLiteral("INSERT"); }
    // A counter that moves when another connection changes the file.
    virtual qint64 dataVersion() = 0;
    // The keys of the rows other connections changed (inserted, updated or deleted) after the
    // data version given (one dataVersion() answered), for any number of readers each at its
    // own version; false when the engine cannot tell them, and the whole table must be read.
    virtual bool changedKeysSince(qint64 /*dataVersion*/, std::vector<qint64> &) { return false; }
    // Equal stamps, each taken outside a transaction, mean the same contents of the same open
    // file: nothing stored between them through this handle or any other, the file not opened
    // anew. Empty when the engine cannot tell.
    virtual std::vector<qint64> contentStamp() { return {}; }
    // Leaves everything stored in the file itself, after a store.
    virtual void afterStore() = 0;
    // A read of most of the file begins (true) or ends (false); the engine may read it another
    // way meanwhile. Only speed depends on it.
    virtual void sweeping(bool /*on*/) {}
    // A function of one text the program's own statements may call by name: UTF-8 in, UTF-8
    // out, NULL for NULL. Known to this handle only; false when the engine refuses it.
    using TextFunction = std::function<QByteArray(QByteArrayView utf8)>;
    virtual bool defineTextFunction(const char *name, TextFunction function) = 0;
    // Stops what the open handle is running as soon as it can; that statement then fails as
    // interrupted. The one call that may come from another thread, while the handle is open.
    virtual void interrupt() = 0;
    // The last failure of open, prepare, a transaction or execute.
    const EngineError &error() const { return FError; }
    // A failure met anywhere in the open file said that it is damaged; stays so until close.
    bool damaged() const { return FDamaged; }
    // Every failure of the engine and its statements passes here.
    void noteFailure(const EngineError &failure)
    {
        if (failure.damage() && !std::exchange(FDamaged, true))
            FDamageWords = failure.detail().isEmpty() ? failure.message() : failure.detail();
    }
    // The engine's words on the first damage met.
    const QString &damageWords() const { return FDamageWords; }

    // A prepared statement; raises the engine's error when it cannot be prepared.
    std::unique_ptr<Statement> prepareOrThrow(const QString &sql);
    // Prepares and runs a statement without values; false (error() telling) on failure.
    bool execute(const QString &sql);
    void executeOrThrow(const QString &sql);

protected:
    EngineError FError;
    bool FDamaged = false;
    QString FDamageWords;
};

// An engine sweeping the file while it lives.
class Sweep {
public:
    explicit Sweep(Engine &engine) : FEngine(engine) { FEngine.sweeping(true); }
    ~Sweep() { FEngine.sweeping(false); }
    Sweep(const Sweep &) = delete;
    Sweep &operator=(const Sweep &) = delete;

private:
    Engine &FEngine;
};

// Raises a statement's error unless it ran to completion: next() answers false both at the
// end and at a page the engine cannot read.
void checkFinished(const Statement &statement);
inline void execOrThrow(Statement &statement)
{
    if (!statement.exec())
        throwEngineError(statement.error());
}

} // namespace quil
