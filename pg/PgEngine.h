#pragma once

#include "db/Engine.h"

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

struct pg_conn;

namespace pg {

class PgStatement;

// A shared library: a table on a PostgreSQL server, reached through libpq. The "file" it is
// opened with is a small text file (NAME.pglib) holding a libpq connection string without a
// password, and optionally "schema=NAME". Statements are written for the program's own
// libraries; the few words that differ ("?" marks, LIKE that ignores case, the names in
// double quotes, SQLite's index hints) are translated here.
//
// Every change to the table raises a notification (a trigger on the server); the engine
// listens for it, so dataVersion() moves as soon as another program stores, without polling.
// A lost connection is tried again at the next statement outside a transaction.
class PgEngine : public quil::Engine {
public:
    PgEngine();
    ~PgEngine() override;
    PgEngine(const PgEngine &) = delete;
    PgEngine &operator=(const PgEngine &) = delete;

    // path is the .pglib file; the connection string in it is used.
    void open(const QString &path, bool readOnly, int busyTimeoutMs) override;
    // Connects with a connection string itself.
    void openConnectionString(const QString &connectionString);
    // Makes the schema of a library (table Books, its triggers, the collation) where there is
    // none; then opens it as open does.
    void create(const QString &path) override;
    void close() override;
    bool isOpen() const override { return FConn != nullptr; }
    bool isReadOnly() const override { return false; }
    void prepareForUse(bool readOnly) override;

    std::unique_ptr<quil::Statement> prepare(const QString &sql) override;
    bool begin(Transaction kind) override;
    bool commit() override;
    bool rollback() override;
    bool inTransaction() const override;
    QStringList columns(const QString &table) override;
    qint64 dataVersion() override;
    bool changedKeysSince(qint64 dataVersion, std::vector<qint64> &keys) override;
    void afterStore() override {}
    void interrupt() override;
    QString rowVersionColumn() const override { return QStringLiteral("version"); }
    QString keyColumnType() const override { return QStringLiteral("bigint PRIMARY KEY"); }
    bool narrowsLike(const QString &column) override;
    // A server keeps its own tables whole and its own text search; neither is ours to do here.
    void attachDamaged(const QString &path, const QString &name) override;
    bool defineTextFunction(const char *, TextFunction) override { return false; }

    // Asked for the password of a server that wants one and finds none in ~/.pgpass; what it
    // answers is kept (in memory only) for the rest of the program's run. Empty: cancelled.
    static std::function<QString(const QString &question)> askPassword;

    // The socket that turns readable when a notification (or anything else) arrives; -1 when
    // not connected. It changes when the engine reconnects: onReconnect tells.
    int socket() const;
    std::function<void()> onReconnect;

    // Answers "server unreachable" as an error the user is shown, the engine's words below.
    pg_conn *handle() const { return FConn; }
    // Reconnects when the connection was lost; false (error() telling) when it cannot.
    bool ensureConnected();
    // The statement text for the server: "?" become $1.., LIKE ignores case, names in double
    // quotes or brackets are the lower-case names of the server, index hints go.
    // caseFolds gets, for each "ILIKE ?", where the word starts and the 0-based mark.
    using CaseFold = std::pair<qsizetype, int>;
    static QString translate(const QString &sql, int *parameters = nullptr,
                             std::vector<CaseFold> *caseFolds = nullptr);
    // Notes a failure of the server (the connection's state decides whether it was lost).
    quil::EngineError failure(const QString &words) const;
    void fail(const quil::EngineError &error) { FError = error, noteFailure(error); }

private:
    friend class PgStatement;
    // A statement whose rows the server is still sending has them read to their end (kept for
    // it) before another statement uses the connection.
    void settleStreaming();

    void connect();
    void afterConnect();
    void readNotifications();

    pg_conn *FConn = nullptr;
    PgStatement *FStreaming = nullptr;
    std::optional<QStringList> FTrigramColumns; // of the table Books, read once an open
    QString FConnectionString;
    QString FSchema;
    qint64 FChanges = 0;
    // Others' recent changes, oldest first: the version each one moved FChanges to, and its key.
    std::deque<std::pair<qint64, qint64>> FChangeLog;
    qint64 FLogForgotten = 0; // the latest version whose change left the log
    qint64 FUnknownAt = 0;    // the latest version whose change was not told by key
    void noteUnknownChange() { FUnknownAt = ++FChanges; }
};

// The connection string of a .pglib file, and the schema it names ("schema=NAME", which is no
// libpq key and so is taken out). Raises quil::Error when the file cannot be read.
struct ServerLibrary {
    QString connectionString;
    QString schema;
};
ServerLibrary readServerLibrary(const QString &path);
// A file name of a shared library.
bool isServerLibrary(const QString &path);

} // namespace pg
