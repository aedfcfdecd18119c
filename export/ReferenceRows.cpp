#include "export/ReferenceRows.h"

#include "platform/Connection.h"
#include "platform/DataSet.h"
#include "platform/Error.h"
#include "store/Book.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QStringList>
#include <algorithm>
#include <memory>
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

// The column's text as the engine holds it, until the statement steps on.
QByteArrayView utf8Of(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? QByteArrayView(text, sqlite3_column_bytes(statement, column)) : QByteArrayView();
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

bool ReferenceRows::scan(const RowSink &sink)
{
    const int count = FData.RecordCount();
    if (count == 0)
        return true;
    // The dataset's positions in key order, to be met as the pass goes through the table.
    std::vector<std::pair<qint64, int>> byKey;
    byKey.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        byKey.emplace_back(FData.keyAt(row), row);
    std::sort(byKey.begin(), byKey.end());
    const qint64 first = byKey.front().first;
    const qint64 last = byKey.back().first;
    // A pass reads every row between the first and the last key: worth it when the dataset
    // holds a good share of them, and one statement per page of keys is cheaper otherwise.
    if (double(count) * 4 < double(last) - double(first) + 1)
        return false;

    sqlite3 *db = sqlite3_db_handle(FStatement);
    // The reference index holds the three columns in key order, a tenth of the rows' size;
    // a library that could not be given it (read-only) is read through its rows.
    const QString select =
        QStringLiteral("SELECT \"%1\", \"%2\", \"%3\", \"%4\" FROM \"%5\" %6 WHERE \"%1\" BETWEEN "
                       "? AND ? ORDER BY \"%1\"")
            .arg(book::Key, book::WName, book::WTitle, book::WPublisher, book::TableName);
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db,
                           select.arg(QStringLiteral("INDEXED BY \"%1\"").arg(book::ReferenceIndex))
                               .toUtf8()
                               .constData(),
                           -1, &statement, nullptr) != SQLITE_OK &&
        sqlite3_prepare_v2(db, select.arg(QString()).toUtf8().constData(), -1, &statement,
                           nullptr) != SQLITE_OK)
        fail();
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalize(statement,
                                                                          sqlite3_finalize);
    sqlite3_bind_int64(statement, 1, first);
    sqlite3_bind_int64(statement, 2, last);
    size_t next = 0;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        const qint64 key = sqlite3_column_int64(statement, 0);
        while (next < byKey.size() && byKey[next].first < key)
            ++next; // in the dataset, no longer in the file
        if (next == byKey.size())
            break;
        if (byKey[next].first != key)
            continue;
        const QByteArrayView name = utf8Of(statement, 1);
        const QByteArrayView title = utf8Of(statement, 2);
        const QByteArrayView publisher = utf8Of(statement, 3);
        for (; next < byKey.size() && byKey[next].first == key; ++next)
            sink(byKey[next].second, name, title, publisher);
    }
    if (step != SQLITE_DONE && step != SQLITE_ROW)
        throw quil::Error(QString::fromUtf8(sqlite3_errmsg(db)));
    return true;
}

void ReferenceRows::fail() const
{
    sqlite3 *db =
        FStatement ? sqlite3_db_handle(FStatement) : handleOf(FData.connection().database());
    throw quil::Error(QString::fromUtf8(sqlite3_errmsg(db)));
}
