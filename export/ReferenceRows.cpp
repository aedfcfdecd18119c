#include "export/ReferenceRows.h"

#include "platform/Connection.h"
#include "platform/DataSet.h"
#include "platform/Error.h"
#include "store/Book.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QStringList>
#include <sqlite3.h>

namespace {

// Keys bound per statement, well below the engine's limit on parameters.
constexpr int PageRows = 256;

QByteArray pageSelect()
{
    QStringList marks;
    for (int i = 0; i < PageRows; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("SELECT \"%1\", \"%2\", \"%3\", \"%4\" FROM \"%5\" WHERE \"%1\" IN (%6)")
        .arg(book::Key, book::WName, book::WTitle, book::WPublisher, book::TableName,
             marks.join(QLatin1Char(',')))
        .toUtf8();
}

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3 *const *>(handle.data())
               : nullptr;
}

QString textOf(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

} // namespace

ReferenceRows::ReferenceRows(quil::DataSet &data) : FData(data)
{
    sqlite3 *db = handleOf(data.connection().database());
    if (!db)
        throw quil::Error(QStringLiteral("Соединение с библиотекой не открыто"));
    if (sqlite3_prepare_v2(db, pageSelect().constData(), -1, &FStatement, nullptr) != SQLITE_OK)
        fail();
}

ReferenceRows::~ReferenceRows() { sqlite3_finalize(FStatement); }

const ReferenceRows::Parts &ReferenceRows::at(int row)
{
    if (FFirst < 0 || row < FFirst || row >= FFirst + int(FPage.size()))
        fetch(row);
    return FPage[size_t(row - FFirst)];
}

void ReferenceRows::fetch(int first)
{
    const int count = std::max(0, std::min(PageRows, FData.RecordCount() - first));
    FSlot.clear();
    sqlite3_reset(FStatement);
    for (int i = 0; i < PageRows; ++i) {
        const qint64 key = i < count ? FData.keyAt(first + i) : qint64(-1);
        sqlite3_bind_int64(FStatement, i + 1, key);
        if (i < count)
            FSlot.insert(key, i);
    }
    FFirst = first;
    FPage.assign(size_t(count), Parts());
    int step;
    while ((step = sqlite3_step(FStatement)) == SQLITE_ROW) {
        const auto slot = FSlot.constFind(sqlite3_column_int64(FStatement, 0));
        if (slot == FSlot.constEnd())
            continue;
        Parts &parts = FPage[size_t(*slot)];
        parts.name = textOf(FStatement, 1);
        parts.title = textOf(FStatement, 2);
        parts.publisher = textOf(FStatement, 3);
    }
    if (step != SQLITE_DONE)
        fail();
    sqlite3_reset(FStatement);
}

void ReferenceRows::fail() const
{
    sqlite3 *db =
        FStatement ? sqlite3_db_handle(FStatement) : handleOf(FData.connection().database());
    throw quil::Error(QString::fromUtf8(sqlite3_errmsg(db)));
}
