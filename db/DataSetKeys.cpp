#include "db/DataSet.h"

#include "db/Connection.h"
#include "db/DataSetParts.h"
#include "db/Engine.h"
#include "db/RussianCollation.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

// The key snapshot: the keys of every row in the order shown, read once and kept in step.
namespace quil {
namespace {

// Appends the collation key of a row's sort columns (1 .. count-1), column by column, read
// from the engine's bytes: no string is made per value.
void appendSortKeyOfRow(const Statement &q, int count, std::string &key)
{
    for (int c = 1; c < count; ++c) {
        appendRussianSortKeyUtf8(q.utf8(c), key);
        key.push_back('\0'); // ends the column: a shorter text sorts first
    }
}

std::string sortKeyOfRow(const Statement &q, int count)
{
    std::string key;
    appendSortKeyOfRow(q, count, key);
    return key;
}

} // namespace

using dataset::quoted;

void DataSet::loadKeys()
{
    const QList<Field *> order = sortFields();
    QStringList columns{quoted(keyField().FieldName())};
    bool textOnly = true;
    for (Field *field : order) {
        columns << quoted(field->FieldName());
        textOnly = textOnly && field->index() != FKeyIndex;
    }
    // Text orders are sorted here from precomputed keys, which is several times faster than
    // letting SQLite call the collation for every pair.
    const bool sortHere = !order.isEmpty() && textOnly;
    Engine &engine = FConnection.engine();
    const QString select = sortHere ? keySelect(columns.join(QLatin1Char(',')))
                                    : keySelect(columns.first()) + orderByClause();
    const auto statement = engine.prepareOrThrow(select);
    Statement &q = *statement;
    int parameter = 0;
    for (const QVariant &value : keyParameters())
        q.bind(parameter++, value);
    execOrThrow(q);

    FDataVersion = FConnection.dataVersion();
    if (!sortHere) {
        std::vector<qint64> keys;
        keys.reserve(FKeys.size());
        while (q.next())
            keys.push_back(q.integer(0));
        checkFinished(q);
        FKeys = std::move(keys);
        return;
    }
    // The rows' keys are laid end to end in blocks that never move: no allocation per row, and
    // no copy of everything read so far as it grows. Each key's first eight bytes ride with its
    // row, so most comparisons touch no key.
    struct Sorted {
        quint64 head;
        const char *sortKey;
        size_t size;
        qint64 key;
    };
    constexpr size_t BlockSize = size_t(1) << 22;
    std::vector<std::unique_ptr<char[]>> blocks;
    size_t blockUsed = BlockSize;
    std::string sortKey;
    std::vector<Sorted> rows;
    rows.reserve(FKeys.size());
    while (q.next()) {
        sortKey.clear();
        appendSortKeyOfRow(q, int(columns.size()), sortKey);
        const size_t size = sortKey.size();
        if (size > BlockSize - blockUsed) {
            blocks.push_back(std::make_unique<char[]>(std::max(BlockSize, size)));
            blockUsed = 0;
        }
        char *at = blocks.back().get() + blockUsed;
        std::memcpy(at, sortKey.data(), size);
        blockUsed += size;
        quint64 head = 0;
        for (size_t i = 0; i < 8; ++i)
            head = head << 8 | (i < size ? quint8(sortKey[i]) : 0);
        rows.push_back({head, at, size, q.integer(0)});
    }
    checkFinished(q);
    q.reset();
    std::sort(rows.begin(), rows.end(), [](const Sorted &a, const Sorted &b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int c =
            std::string_view(a.sortKey, a.size).compare(std::string_view(b.sortKey, b.size));
        return c != 0 ? c < 0 : a.key < b.key;
    });
    FKeys.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        FKeys[i] = rows[i].key;
}

bool DataSet::placeNewKeys(const std::vector<qint64> &added)
{
    const QList<Field *> order = sortFields();
    // Each key costs about log2(N) row reads against one sort-key pass over all N rows.
    if (order.isEmpty() || (holdsWholeTable() && added.size() * 64 > FKeys.size()))
        return false;
    QStringList columns{quoted(keyField().FieldName())};
    for (Field *field : order) {
        if (field->index() == FKeyIndex)
            return false;
        columns << quoted(field->FieldName());
    }
    const auto statement = FConnection.engine().prepareOrThrow(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
            .arg(columns.join(QLatin1Char(',')), quoted(tableName()), columns.first()));
    Statement &q = *statement;
    std::unordered_map<qint64, std::string> known;
    const auto sortKeyOf = [&](qint64 key) -> const std::string & {
        auto it = known.find(key);
        if (it != known.end())
            return it->second;
        q.bindInteger(0, key);
        execOrThrow(q);
        std::string sortKey;
        if (q.next())
            sortKey = sortKeyOfRow(q, int(columns.size()));
        checkFinished(q);
        q.reset();
        return known.emplace(key, std::move(sortKey)).first->second;
    };
    for (const qint64 key : added) {
        const std::string &mine = sortKeyOf(key);
        const auto at = std::lower_bound(FKeys.begin(), FKeys.end(), key, [&](qint64 a, qint64 b) {
            const int c = sortKeyOf(a).compare(mine);
            return c != 0 ? c < 0 : a < b;
        });
        FKeys.insert(at, key);
    }
    FDataVersion = FConnection.dataVersion();
    return true;
}

bool DataSet::followChangedKeys(const std::vector<qint64> &changed)
{
    if (sortFields().isEmpty())
        return false;
    const qint64 current = FKeys.empty() ? 0 : FKeys[size_t(FIndex)];
    const std::set<qint64> gone(changed.begin(), changed.end());
    // Each changed row leaves its place and, where it still exists, takes its place anew.
    std::vector<qint64> kept;
    kept.reserve(FKeys.size());
    for (const qint64 key : FKeys)
        if (!gone.count(key))
            kept.push_back(key);
    for (const qint64 key : changed)
        FCache.remove(key);
    std::vector<qint64> present;
    if (!changed.empty()) {
        QStringList keys;
        for (const qint64 key : changed)
            keys << QString::number(key);
        // A query's rows that changed are in it while they still match it: one that now
        // matches joins, one that no longer does leaves.
        const QString key = quoted(keyField().FieldName());
        const QString select =
            holdsWholeTable() ? QStringLiteral("SELECT %1 FROM %2").arg(key, quoted(tableName()))
                              : keySelect(key);
        const auto q = FConnection.engine().prepareOrThrow(
            select + QStringLiteral(" WHERE %1 IN (%2)").arg(key, keys.join(QLatin1Char(','))));
        int parameter = 0;
        for (const QVariant &value : keyParameters())
            q->bind(parameter++, value);
        execOrThrow(*q);
        while (q->next())
            present.push_back(q->integer(0));
        checkFinished(*q);
    }
    std::vector<qint64> before = std::move(FKeys);
    FKeys = std::move(kept);
    bool placed = false;
    try {
        placed = placeNewKeys(present);
    } catch (...) {
        FKeys = std::move(before);
        throw;
    }
    if (!placed) {
        FKeys = std::move(before);
        return false;
    }
    const auto it = std::find(FKeys.begin(), FKeys.end(), current);
    FIndex = it != FKeys.end() ? int(it - FKeys.begin())
                               : std::max(0, std::min(FIndex, RecordCount() - 1));
    FBof = FIndex == 0;
    FEof = FKeys.empty();
    return true;
}

void DataSet::reloadKeysKeepingCurrent()
{
    const qint64 current = FKeys.empty() ? 0 : FKeys[size_t(FIndex)];
    loadKeys();
    const auto it = std::find(FKeys.begin(), FKeys.end(), current);
    FIndex = it == FKeys.end() ? 0 : int(it - FKeys.begin());
    FBof = FIndex == 0;
    FEof = FKeys.empty();
}

} // namespace quil
