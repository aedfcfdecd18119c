#include "db/DataSet.h"

#include "db/DataSetParts.h"
#include "db/Engine.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <algorithm>

// The row cache: pages of rows read by key, the values of the current row.
namespace quil {
namespace {
constexpr int CacheLimit = 4096; // rows kept before the cache starts afresh
} // namespace

using dataset::PageSize;
using dataset::quoted;

// --------------------------------------------------------------------------------- fields

Field *DataSet::FindField(const QString &name) const
{
    for (const auto &field : FFields)
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

Field &DataSet::FieldByName(const QString &name) const
{
    Field *field = FindField(name);
    if (!field)
        throw Error(QCoreApplication::translate("DataSetRows", "Поле '%1' не найдено").arg(name));
    return *field;
}

void DataSet::forgetCache() { FCache.clear(); }

void DataSet::fetchPage(int index)
{
    if (FCache.size() > CacheLimit)
        FCache.clear();
    // A walk forward asks for the row just past the last page: read ahead from it. Elsewhere
    // (a grid scrolled back, a jump) keep a few rows before the one asked for.
    const int lead = index == FPageEnd ? 0 : PageSize / 4;
    const int start = std::max(0, std::min(index - lead, RecordCount() - PageSize));
    const int end = std::min(RecordCount(), start + PageSize);
    FPageEnd = end;
    for (int i = 0; i < PageSize; ++i) {
        const int row = start + i;
        FPageQuery->bindInteger(i, row < end ? FKeys[size_t(row)] : qint64(-1));
    }
    execOrThrow(*FPageQuery);
    const size_t count = FFields.size();
    while (FPageQuery->next()) {
        Row row;
        row.values.resize(count);
        row.loaded.assign(count, false);
        int column = 0;
        for (size_t i = 0; i < count; ++i) {
            if (FFields[i]->def().lazy)
                continue;
            row.values[i] = FPageQuery->value(column++);
            row.loaded[i] = true;
        }
        if (!FVersionColumn.isEmpty())
            row.version = FPageQuery->integer(column);
        const qint64 key = row.values[size_t(FKeyIndex)].toLongLong();
        FCache.insert(key, std::move(row));
    }
    checkFinished(*FPageQuery);
    FPageQuery->reset();
}

const DataSet::Row &DataSet::rowFor(qint64 key, int indexHint)
{
    auto it = FCache.find(key);
    if (it != FCache.end())
        return *it;
    fetchPage(indexHint);
    it = FCache.find(key);
    if (it == FCache.end()) {
        // Removed by another program since the keys were read: show it as empty.
        Row empty;
        empty.values.resize(FFields.size());
        empty.loaded.assign(FFields.size(), true);
        empty.values[size_t(FKeyIndex)] = key;
        it = FCache.insert(key, std::move(empty));
    }
    return *it;
}

void DataSet::readRecord(qint64 key, Row &row)
{
    FRecordQuery->bindInteger(0, key);
    execOrThrow(*FRecordQuery);
    const bool found = FRecordQuery->next();
    checkFinished(*FRecordQuery);
    int column = 0;
    for (size_t i = 0; i < FFields.size(); ++i) {
        if (!FFields[i]->def().lazy)
            continue;
        row.values[i] = found ? FRecordQuery->value(column) : QVariant();
        row.loaded[i] = true;
        ++column;
    }
    FRecordQuery->reset();
}

QVariant DataSet::fieldValue(const Field &field)
{
    if (!Active())
        return {};
    const size_t i = size_t(field.index());
    if (FReadRow < 0 && (FState == DataSetState::Edit || FState == DataSetState::Insert)) {
        if (FBufferSet[i])
            return FBuffer[i];
        if (FState == DataSetState::Insert)
            return {};
    }
    const int row = FReadRow >= 0 ? FReadRow : FIndex;
    if (FKeys.empty() || row >= RecordCount())
        return {};
    const qint64 key = FKeys[size_t(row)];
    if (int(i) == FKeyIndex)
        return key;
    const Row &cached = rowFor(key, row);
    if (cached.loaded[i])
        return cached.values[i];
    // The rest of the record is read in one statement the first time any of it is asked for.
    Row &mutableRow = FCache[key];
    readRecord(key, mutableRow);
    return mutableRow.values[i];
}

void DataSet::setFieldValue(Field &field, const QVariant &value)
{
    checkActive();
    checkEditing();
    if (field.index() == FKeyIndex)
        throw Error(QCoreApplication::translate("DataSetRows", "Поле '%1' нельзя изменить")
                        .arg(field.FieldName()));
    FBuffer[size_t(field.index())] = value;
    FBufferSet[size_t(field.index())] = true;
    FModified = true;
    dataEvent(DataEvent::FieldChange, &field);
}

QString DataSet::displayTextAt(int row, Field &field)
{
    const int saved = FReadRow;
    // The current row shows what is being edited; other rows show what is stored.
    FReadRow = row == FIndex && FState != DataSetState::Insert ? -1 : row;
    QString text;
    try {
        text = field.DisplayText();
    } catch (...) {
        FReadRow = saved;
        throw;
    }
    FReadRow = saved;
    return text;
}

} // namespace quil
