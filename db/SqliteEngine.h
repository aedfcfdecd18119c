#pragma once

#include "db/Engine.h"

#include <QSet>
#include <functional>

struct sqlite3;

namespace quil {

class SqliteStatement;

// The engine of the program's own library files: SQLite, opened through Qt Sql, statements run
// straight on the engine's handle (text bound and read as UTF-8, none of Qt Sql's per-value
// bookkeeping).
class SqliteEngine : public Engine {
public:
    SqliteEngine();
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine &) = delete;
    SqliteEngine &operator=(const SqliteEngine &) = delete;

    void open(const QString &path, bool readOnly, int busyTimeoutMs) override;
    void attachDamaged(const QString &path, const QString &name) override;
    void create(const QString &path) override;
    void close() override;
    bool isOpen() const override { return FHandle != nullptr; }
    bool isReadOnly() const override;
    void prepareForUse(bool readOnly) override;

    std::unique_ptr<Statement> prepare(const QString &sql) override;
    bool begin(Transaction kind) override;
    bool commit() override;
    bool rollback() override;
    bool inTransaction() const override;
    QStringList columns(const QString &table) override;
    bool hasIndex(const QString &name) override;
    bool keepsTextIndex() const override { return true; }
    // Aborting a row that has triggers would first copy every page it touches aside (a
    // statement journal); FAIL stops at the refusing constraint without that copy, and the
    // import's rows trigger nothing that could fail half-way.
    QString bulkInsertVerb() const override { return QStringLiteral("INSERT OR FAIL"); }
    qint64 dataVersion() override;
    std::vector<qint64> contentStamp() override;
    void afterStore() override;
    void sweeping(bool on) override;
    void interrupt() override;
    bool defineTextFunction(const char *name, TextFunction function) override;

    // Copies the open file page by page into target (open for writing), a step of
    // pagesPerStep pages at a time: the file is read only during a step, so a writer waits at
    // most one step, and a change made between steps starts the copy over. between() runs
    // after each step with the pages left and the pages in all; false stops the copy.
    // Raises EngineError on failure, quil::Error when stopped.
    void copyInto(SqliteEngine &target, int pagesPerStep,
                  const std::function<bool(int left, int all)> &between);

    // Statements finish before the handle closes; the engine finalises those still alive.
    void forget(SqliteStatement *statement) { FStatements.remove(statement); }

private:
    void openUri(const QString &uri, const QString &options);
    bool run(const char *sql);

    QString FName; // Qt's connection name, unique per instance
    sqlite3 *FHandle = nullptr;
    qint64 FOpening = 0; // which open of the process this handle is
    bool FWal = false;   // the file could not leave write-ahead logging
    QSet<SqliteStatement *> FStatements;
};

} // namespace quil
