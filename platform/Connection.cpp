#include "platform/Connection.h"

#include "platform/DataSet.h"
#include "platform/Error.h"
#include "platform/RussianCollation.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <sqlite3.h>

namespace quil {

QString connectionStringValue(const QString &connectionString, const QString &key)
{
    const auto parts = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return {};
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

void Connection::Open()
{
    if (FConnected)
        return;
    const QString path = dataSourcePath();
    const QFileInfo info(path);
    // SQLite would create a missing file; a library must already exist.
    if (path.isEmpty() || !info.isFile())
        throw Error(QStringLiteral("Файл %1 не найден").arg(path));

    QSqlDatabase db = QSqlDatabase::contains(FName) ? QSqlDatabase::database(FName, false)
                                                    : QSqlDatabase::addDatabase("QSQLITE", FName);
    QUrl uri = QUrl::fromLocalFile(info.absoluteFilePath());
    uri.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    // Another instance may hold the file for a moment; wait rather than fail.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw Error(db.lastError().text());
    try {
        checkLibrary();
    } catch (...) {
        db.close();
        throw;
    }
    FConnected = true;
}

void Connection::checkLibrary()
{
    QSqlDatabase db = database();
    auto *handle = *static_cast<sqlite3 *const *>(db.driver()->handle().data());
    if (!handle || !registerRussianCollation(handle) || !registerRussianLike(handle))
        throw Error(QStringLiteral("Не удалось подготовить соединение с файлом"));

    QSqlQuery q(db);
    // Reading the schema is the first touch of the file: a file that is not SQLite fails here.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        throw Error(q.lastError().text());
    q.finish();
    if (OnConnect)
        OnConnect(db);
    // Write-ahead logging lets a second instance read while one writes, and a killed program
    // never leaves a half-written page behind. A read-only file keeps its journal mode.
    q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.finish();
    q.finish();
    q.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    q.finish();
    // Keep the browse index's pages in memory once read: walks and grid pages then cost no
    // system calls. The cache grows only as pages are used (at most 64 MiB).
    q.exec(QStringLiteral("PRAGMA cache_size=-65536"));
    q.finish();
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
