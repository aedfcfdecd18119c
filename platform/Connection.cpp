#include "platform/Connection.h"

#include "platform/DataSet.h"
#include "platform/RussianCollation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <sqlite3.h>
#include <unistd.h>

namespace quil {
namespace {

// How long a check waits for a file that another program holds, and how long a store waits.
constexpr int CheckBusyTimeoutMs = 2000;
constexpr int StoreBusyTimeoutMs = 5000;

bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    return handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
}

// "mode=ro" and friends for one file, in the form the engine takes as a file name.
QString uriFor(const QString &absolutePath, const QString &query)
{
    QUrl uri = QUrl::fromLocalFile(absolutePath);
    uri.setQuery(query);
    return uri.toString(QUrl::FullyEncoded);
}

QString absolutePathOf(const QString &connectionString)
{
    const QString path = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    const QFileInfo info(path);
    // SQLite would create a missing file; a library must already exist.
    if (path.isEmpty() || !info.isFile())
        throw Error(QStringLiteral("Файл %1 не найден").arg(path));
    return info.absoluteFilePath();
}

void execOrThrow(QSqlQuery &q, const QString &statement)
{
    if (!q.exec(statement))
        throwSqlError(q.lastError());
}

} // namespace

QString connectionStringValue(const QString &connectionString, const QString &key)
{
    const QString &s = connectionString;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype eq = s.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString name = s.mid(i, eq - i).trimmed();
        qsizetype j = eq + 1;
        while (j < s.size() && s.at(j) == QLatin1Char(' '))
            ++j;
        QString value;
        if (j < s.size() && s.at(j) == QLatin1Char('"')) {
            for (++j; j < s.size(); ++j) {
                if (s.at(j) == QLatin1Char('"')) {
                    if (j + 1 < s.size() && s.at(j + 1) == QLatin1Char('"')) {
                        value += QLatin1Char('"');
                        ++j;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += s.at(j);
            }
            const qsizetype end = s.indexOf(QLatin1Char(';'), j);
            j = end < 0 ? s.size() : end;
        } else {
            const qsizetype end = s.indexOf(QLatin1Char(';'), j);
            value = s.mid(j, (end < 0 ? s.size() : end) - j).trimmed();
            j = end < 0 ? s.size() : end;
        }
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
        i = j + 1;
    }
    return {};
}

QString connectionStringQuoted(const QString &value)
{
    QString s = value;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

void throwSqlError(const QSqlError &error)
{
    // Qt adds its own words ("Unable to fetch row") to the engine's; the engine's say more.
    const QString words = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    throwEngineError(error.nativeErrorCode().toInt(), words);
}

Connection::Connection()
    : FName(QStringLiteral("quil-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

Connection::~Connection()
{
    Close();
    QSqlDatabase::removeDatabase(FName);
}

QSqlDatabase Connection::database() const { return QSqlDatabase::database(FName, false); }

QString Connection::dataSourcePath() const
{
    return connectionStringValue(FConnectionString, QStringLiteral("Data Source"));
}

void Connection::openHandle(QSqlDatabase &db, const QString &path, bool readOnly) const
{
    db.setDatabaseName(
        uriFor(path, readOnly ? QStringLiteral("mode=ro") : QStringLiteral("mode=rw")));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                             .arg(readOnly ? CheckBusyTimeoutMs : StoreBusyTimeoutMs));
    if (!db.open())
        throwSqlError(db.lastError());
    QSqlQuery q(db);
    // Reading the schema is the first touch of the file: a file that is not SQLite fails here.
    if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return;
    const QSqlError error = q.lastError();
    q.finish();
    const QString folder = QFileInfo(path).absolutePath();
    if (!readOnly || writable(folder))
        throwSqlError(error);
    // A file left in write-ahead mode cannot be read on a medium that takes no side files
    // unless the engine is told that nothing will change it.
    db.close();
    db.setDatabaseName(uriFor(path, QStringLiteral("mode=ro&immutable=1")));
    if (!db.open())
        throwSqlError(db.lastError());
    QSqlQuery again(db);
    execOrThrow(again, QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

void Connection::Check(const QString &connectionString) const
{
    const QString path = absolutePathOf(connectionString);
    const QString name = FName + QStringLiteral("-check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        try {
            openHandle(db, path, true);
            if (OnValidate)
                OnValidate(db);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void Connection::Open()
{
    if (FConnected)
        return;
    Check(FConnectionString);
    const QString path = absolutePathOf(FConnectionString);
    // A rollback journal is made beside the file, so the folder must take new files too.
    bool readOnly = !writable(path) || !writable(QFileInfo(path).absolutePath());

    QSqlDatabase db = QSqlDatabase::contains(FName) ? QSqlDatabase::database(FName, false)
                                                    : QSqlDatabase::addDatabase("QSQLITE", FName);
    try {
        openHandle(db, path, readOnly);
        if (!readOnly && sqlite3_db_readonly(handleOf(db), "main") == 1)
            readOnly = true;
        FReadOnly = readOnly;
        prepareHandle(db);
    } catch (...) {
        db.close();
        throw;
    }
    FConnected = true;
}

void Connection::prepareHandle(QSqlDatabase &db)
{
    sqlite3 *handle = handleOf(db);
    if (!handle || !registerRussianCollation(handle) || !registerRussianLike(handle))
        throw Error(QStringLiteral("Не удалось подготовить соединение с файлом"));
    // A double-quoted name that is no column must be an error: the engine would read it as a
    // text, so a column another program took away would be ordered or matched as a constant.
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    QSqlQuery q(db);
    FWal = false;
    if (!FReadOnly) {
        // A rollback journal with full sync: at rest the library is one file that holds every
        // store, so a copy taken while the program runs is whole and read-only media can read it.
        execOrThrow(q, QStringLiteral("PRAGMA journal_mode=DELETE"));
        // Another program holding the file in write-ahead mode keeps it there; then each store
        // is checkpointed into the file instead.
        FWal = q.next() &&
               q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
        q.finish();
        execOrThrow(q, QStringLiteral("PRAGMA synchronous=FULL"));
    }
    // Keep the browse index's pages in memory once read: walks and grid pages then cost no
    // system calls. The cache grows only as pages are used (at most 64 MiB).
    execOrThrow(q, QStringLiteral("PRAGMA cache_size=-65536"));
    q.finish();
    if (OnConnect)
        OnConnect(db);
}

qint64 Connection::dataVersion() const
{
    if (!FConnected)
        return 0;
    QSqlQuery q(database());
    execOrThrow(q, QStringLiteral("PRAGMA data_version"));
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool Connection::inTransaction() const
{
    sqlite3 *handle = FConnected ? handleOf(database()) : nullptr;
    return handle && sqlite3_get_autocommit(handle) == 0;
}

void Connection::afterStore() const
{
    if (!FWal || !FConnected)
        return;
    QSqlQuery q(database());
    q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

void Connection::Close()
{
    const auto dataSets = FDataSets;
    for (DataSet *ds : dataSets)
        ds->Close();
    if (QSqlDatabase::contains(FName)) {
        QSqlDatabase db = QSqlDatabase::database(FName, false);
        db.close();
    }
    FConnected = false;
    FReadOnly = false;
}

void Connection::attach(DataSet *dataSet)
{
    if (std::find(FDataSets.begin(), FDataSets.end(), dataSet) == FDataSets.end())
        FDataSets.push_back(dataSet);
}

void Connection::detach(DataSet *dataSet)
{
    FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), dataSet), FDataSets.end());
}

} // namespace quil
