#include "search/MappedReads.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

namespace search {

MappedReads::MappedReads(sqlite3 *db) : FDb(db)
{
    if (!FDb)
        return;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(FDb, "PRAGMA mmap_size", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        FPrevious = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    set(1LL << 30);
}

MappedReads::MappedReads(const QSqlDatabase &db)
    : MappedReads(db.driver() ? *static_cast<sqlite3 *const *>(db.driver()->handle().data())
                              : nullptr)
{
}

MappedReads::~MappedReads()
{
    if (FDb)
        set(FPrevious);
}

void MappedReads::set(long long size)
{
    // A refusal only costs speed.
    sqlite3_exec(FDb, QByteArray("PRAGMA mmap_size=" + QByteArray::number(size)).constData(),
                 nullptr, nullptr, nullptr);
}

} // namespace search
