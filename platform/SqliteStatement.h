#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QVariant>
#include <vector>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace quil {

// One prepared statement straight on the engine's handle, for a statement that a bulk store
// runs many thousand times: text is bound as UTF-8 and none of Qt Sql's per-value bookkeeping
// is paid. Failures raise the engine's message (BusyError when the file is locked).
class SqliteStatement {
public:
    SqliteStatement(const QSqlDatabase &db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // 0-based, as QSqlQuery counts.
    void bind(int index, const QVariant &value);
    // Runs a statement that returns no rows and makes it ready for the next values; returns
    // the row id of the last insert.
    qint64 execute();

private:
    [[noreturn]] void fail(int code);

    sqlite3 *FDb = nullptr;
    sqlite3_stmt *FStatement = nullptr;
    std::vector<QByteArray> FText; // bound text lives until the statement has run
    // Stateless: half a surrogate pair at the end of one value must not reach the next.
    QStringEncoder FEncoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

} // namespace quil
