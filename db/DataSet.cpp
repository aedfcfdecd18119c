#include "db/DataSet.h"

#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Engine.h"
#include "db/RussianCollation.h"
#include "platform/Error.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>

namespace quil {
namespace {

constexpr int PageSize = 64;     // rows fetched per statement; a grid shows about 30
constexpr int CacheLimit = 4096; // rows kept before the cache starts afresh

QString quoted(const QString &identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// The collation key of a row's sort columns (1 .. count-1), column by column.
std::u16string sortKeyOfRow(const Statement &q, int count)
{
    std::u16string key;
    for (int c = 1; c < count; ++c) {
        appendRussianSortKey(q.value(c).toString(), key);
        key.push_back(u'\0'); // ends the column: a shorter text sorts first
    }
    return key;
}

const QString ReadOnlyMessage =
    QStringLiteral("Библиотека открыта только для чтения: изменения в ней не сохраняются");

} // namespace

DataSet::DataSet(Connection &connection, std::vector<FieldDef> fields, QString keyField)
    : FConnection(connection)
{
    int i = 0;
    for (auto &def : fields) {
        if (def.name.compare(keyField, Qt::CaseInsensitive) == 0)
            FKeyIndex = i;
        FFields.push_back(std::make_unique<Field>(*this, std::move(def), i));
        ++i;
    }
    FConnection.attach(this);
}

DataSet::~DataSet()
{
    FConnection.detach(this);
    for (DataSource *source : std::vector<DataSource *>(FDataSources))
        source->setDataSet(nullptr);
}

// ---------------------------------------------------------------------------- open and order

QString DataSet::tableSource() const
{
    QString source = quoted(tableName());
    if (!FUsedIndex.isEmpty())
        source += QStringLiteral(" INDEXED BY ") + quoted(FUsedIndex);
    return source;
}

void DataSet::chooseIndex()
{
    FUsedIndex.clear();
    if (BrowseIndex.isEmpty())
        return;
    const auto q = FConnection.engine().prepareOrThrow(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='index' AND name=?"));
    q->bind(0, BrowseIndex);
    execOrThrow(*q);
    if (q->next())
        FUsedIndex = BrowseIndex;
    checkFinished(*q);
}

void DataSet::Open()
{
    if (Active())
        return;
    if (!FConnection.Connected())
        throw Error(QStringLiteral("Соединение с библиотекой не открыто"));

    Engine &engine = FConnection.engine();
    const QStringList columns = engine.columns(tableName());
    for (const auto &field : FFields)
        if (!columns.contains(field->FieldName(), Qt::CaseInsensitive))
            throw Error(
                QStringLiteral("В таблице %1 нет поля %2").arg(tableName(), field->FieldName()));

    chooseIndex();
    QStringList names;
    for (const auto &field : FFields)
        if (!field->def().lazy)
            names << quoted(field->FieldName());
    QStringList marks;
    for (int i = 0; i < PageSize; ++i)
        marks << QStringLiteral("?");
    FPageSelect = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                      .arg(names.join(QLatin1Char(',')), tableSource(),
                           quoted(keyField().FieldName()), marks.join(QLatin1Char(',')));
    QStringList lazy;
    for (const auto &field : FFields)
        if (field->def().lazy)
            lazy << quoted(field->FieldName());
    FRecordQuery.reset();
    if (!lazy.isEmpty()) {
        FRecordQuery =
            engine.prepareOrThrow(QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
                                      .arg(lazy.join(QLatin1Char(',')), quoted(tableName()),
                                           quoted(keyField().FieldName())));
    }
    FPageQuery = engine.prepareOrThrow(FPageSelect);

    loadKeys();
    FState = DataSetState::Browse;
    FIndex = 0;
    FBof = true;
    FEof = FKeys.empty();
    resetBuffer();
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::ActiveChange);
    dataEvent(DataEvent::DataSetChange);
}

void DataSet::Close()
{
    if (!Active())
        return;
    FState = DataSetState::Inactive;
    FKeys.clear();
    FKeys.shrink_to_fit();
    forgetCache();
    resetBuffer();
    FModified = false;
    FLiveBookmarks.clear();
    FPageQuery.reset();
    FRecordQuery.reset();
    FBulkInsert.reset();
    FIndex = 0;
    FBof = FEof = true;
    dataEvent(DataEvent::ActiveChange);
}

QString DataSet::orderByClause() const
{
    QStringList terms;
    for (Field *field : sortFields())
        terms << quoted(field->FieldName()) +
                     (field->index() == FKeyIndex
                          ? QString()
                          : QStringLiteral(" COLLATE ") + QLatin1String(RussianCollationName));
    terms << quoted(keyField().FieldName()); // equal records keep a fixed order
    return QStringLiteral(" ORDER BY ") + terms.join(QLatin1Char(','));
}

QList<Field *> DataSet::sortFields() const
{
    QString sort = FSort.trimmed();
    if (sort.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive))
        sort.chop(4);
    QList<Field *> fields;
    if (sort.isEmpty())
        return fields;
    for (const QString &part : sort.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        Field *field = FindField(name);
        if (!field)
            throw Error(QStringLiteral("Поле %1 не найдено").arg(name));
        fields << field;
    }
    return fields;
}

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

    std::vector<qint64> keys;
    keys.reserve(FKeys.size());
    FDataVersion = FConnection.dataVersion();
    if (!sortHere) {
        while (q.next())
            keys.push_back(q.integer(0));
        checkFinished(q);
        FKeys = std::move(keys);
        return;
    }
    std::vector<std::u16string> sortKeys;
    sortKeys.reserve(FKeys.size());
    while (q.next()) {
        keys.push_back(q.integer(0));
        sortKeys.push_back(sortKeyOfRow(q, int(columns.size())));
    }
    checkFinished(q);
    q.reset();
    std::vector<int> rows(keys.size());
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = int(i);
    std::sort(rows.begin(), rows.end(), [&](int a, int b) {
        const int c = sortKeys[size_t(a)].compare(sortKeys[size_t(b)]);
        return c != 0 ? c < 0 : keys[size_t(a)] < keys[size_t(b)];
    });
    FKeys.resize(keys.size());
    for (size_t i = 0; i < rows.size(); ++i)
        FKeys[i] = keys[size_t(rows[i])];
}

bool DataSet::placeNewKeys(const std::vector<qint64> &added)
{
    const QList<Field *> order = sortFields();
    // Each key costs about log2(N) row reads against one sort-key pass over all N rows.
    if (order.isEmpty() || !keyParameters().isEmpty() || added.size() * 64 > FKeys.size())
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
    std::unordered_map<qint64, std::u16string> known;
    const auto sortKeyOf = [&](qint64 key) -> const std::u16string & {
        auto it = known.find(key);
        if (it != known.end())
            return it->second;
        q.bindInteger(0, key);
        execOrThrow(q);
        std::u16string sortKey;
        if (q.next())
            sortKey = sortKeyOfRow(q, int(columns.size()));
        checkFinished(q);
        q.reset();
        return known.emplace(key, std::move(sortKey)).first->second;
    };
    for (const qint64 key : added) {
        const std::u16string &mine = sortKeyOf(key);
        const auto at = std::lower_bound(FKeys.begin(), FKeys.end(), key, [&](qint64 a, qint64 b) {
            const int c = sortKeyOf(a).compare(mine);
            return c != 0 ? c < 0 : a < b;
        });
        FKeys.insert(at, key);
    }
    FDataVersion = FConnection.dataVersion();
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

void DataSet::setSort(const QString &sort)
{
    if (!Active()) {
        FSort = sort;
        return;
    }
    CheckBrowseMode();
    const QString previous = FSort;
    FSort = sort;
    try {
        reloadKeysKeepingCurrent();
    } catch (...) {
        FSort = previous;
        throw;
    }
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetChange);
}

void DataSet::Refresh()
{
    checkActive();
    CheckBrowseMode();
    forgetCache();
    reloadKeysKeepingCurrent();
    dataEvent(DataEvent::DataSetChange);
}

// ---------------------------------------------------------------------------------- moves

void DataSet::moveTo(int index)
{
    if (index == FIndex)
        return;
    FIndex = index;
    afterMove();
}

void DataSet::afterMove()
{
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetScroll);
}

void DataSet::First()
{
    checkActive();
    CheckBrowseMode();
    if (!FKeys.empty())
        moveTo(0);
    FBof = true;
    FEof = FKeys.empty();
}

void DataSet::Last()
{
    checkActive();
    CheckBrowseMode();
    if (!FKeys.empty())
        moveTo(RecordCount() - 1);
    FEof = true;
    FBof = FKeys.empty();
}

void DataSet::Next()
{
    checkActive();
    CheckBrowseMode();
    if (FKeys.empty() || FIndex >= RecordCount() - 1) {
        FEof = true;
        return;
    }
    FBof = FEof = false;
    moveTo(FIndex + 1);
}

void DataSet::Prior()
{
    checkActive();
    CheckBrowseMode();
    if (FKeys.empty() || FIndex == 0) {
        FBof = true;
        return;
    }
    FBof = FEof = false;
    moveTo(FIndex - 1);
}

void DataSet::setRecNo(int recNo)
{
    checkActive();
    if (FKeys.empty())
        return;
    CheckBrowseMode();
    FBof = FEof = false;
    moveTo(std::clamp(recNo, 1, RecordCount()) - 1);
}

int DataSet::RecNo() const
{
    if (!Active() || FKeys.empty())
        return FState == DataSetState::Insert ? 1 : 0;
    return (FState == DataSetState::Insert ? FInsertIndex : FIndex) + 1;
}

// -------------------------------------------------------------------------------- editing

void DataSet::checkActive() const
{
    if (!Active())
        throw Error(QStringLiteral("Операция невозможна: набор данных закрыт"));
}

void DataSet::checkEditing() const
{
    if (FState != DataSetState::Edit && FState != DataSetState::Insert)
        throw Error(QStringLiteral("Набор данных не в режиме редактирования"));
}

void DataSet::resetBuffer()
{
    FBuffer.assign(FFields.size(), QVariant());
    FBufferSet.assign(FFields.size(), false);
}

bool DataSet::ReadOnly() const { return FConnection.ReadOnly(); }

void DataSet::checkWritable() const
{
    if (FConnection.ReadOnly())
        throw Error(ReadOnlyMessage);
    // Said on every refused change, not once: what was typed is not stored.
    if (FConnection.Damaged())
        throw Error(QStringLiteral("Изменения не записаны: файл библиотеки повреждён"));
    FConnection.beforeWrite();
}

void DataSet::Edit()
{
    checkActive();
    if (FState == DataSetState::Edit || FState == DataSetState::Insert)
        return;
    checkWritable();
    if (FKeys.empty()) {
        Insert();
        return;
    }
    // The row as it is now read is what a store compares with the file.
    FOriginal.assign(FFields.size(), QVariant());
    for (size_t i = 0; i < FFields.size(); ++i)
        FOriginal[i] = fieldValue(*FFields[i]);
    resetBuffer();
    FModified = false;
    FState = DataSetState::Edit;
    dataEvent(DataEvent::RecordChange);
}

void DataSet::Insert()
{
    checkActive();
    checkWritable();
    CheckBrowseMode();
    resetBuffer();
    FModified = false;
    FInsertIndex = FKeys.empty() ? 0 : FIndex;
    FState = DataSetState::Insert;
    if (AfterScroll && !FBulk)
        AfterScroll(*this);
    dataEvent(DataEvent::RecordChange);
}

void DataSet::updateRecord()
{
    // While controls are disabled the update step reaches neither controls nor handlers.
    dataEvent(DataEvent::UpdateRecord);
}

void DataSet::CheckBrowseMode()
{
    if (FState != DataSetState::Edit && FState != DataSetState::Insert)
        return;
    updateRecord();
    if (FModified)
        writeRecord();
    else
        Cancel();
}

void DataSet::Post()
{
    checkActive();
    if (FState != DataSetState::Edit && FState != DataSetState::Insert)
        return;
    updateRecord();
    writeRecord();
}

void DataSet::writeRecord()
{
    for (const auto &field : FFields) {
        if (!field->Required())
            continue;
        const QVariant v = fieldValue(*field);
        if (v.isNull() || v.toString().isEmpty())
            throw Error(QStringLiteral("Поле '%1' должно иметь значение").arg(field->FieldName()));
    }
    checkWritable();

    const bool inserting = FState == DataSetState::Insert;
    if (inserting && FBulk) {
        storeInBulk();
        return;
    }
    QStringList names;
    QVariantList values;
    for (size_t i = 0; i < FFields.size(); ++i) {
        if (FBufferSet[i] && int(i) != FKeyIndex) {
            names << quoted(FFields[i]->FieldName());
            values << FBuffer[i];
        }
    }
    if (!inserting && names.isEmpty()) {
        finishStore(false, 0);
        return;
    }
    Engine &engine = FConnection.engine();
    // One transaction: the check that the row is as it was read and the write see one file.
    if (!engine.begin(Engine::Transaction::Store))
        throwEngineError(engine.error());
    qint64 key = 0;
    try {
        std::unique_ptr<Statement> q;
        if (inserting) {
            q = engine.prepareOrThrow(insertStatement(names));
        } else {
            key = FKeys[size_t(FIndex)];
            checkUnchangedElsewhere(key);
            QStringList sets;
            for (const QString &name : names)
                sets << name + QStringLiteral("=?");
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                                    .arg(quoted(tableName()), sets.join(QLatin1Char(',')),
                                         quoted(keyField().FieldName()));
            q = engine.prepareOrThrow(sql);
            values << key;
        }
        int bound = 0;
        for (const QVariant &v : values)
            q->bind(bound++, v);
        if (!q->exec()) {
            const EngineError error = q->error();
            if (inserting)
                checkKeyRoom();
            throwEngineError(error);
        }
        if (inserting)
            key = q->lastInsertId();
        q.reset();
        if (!engine.commit())
            throwEngineError(engine.error());
    } catch (...) {
        engine.rollback();
        throw;
    }
    FConnection.afterStore();
    finishStore(inserting, key);
}

QString DataSet::insertStatement(const QStringList &names) const
{
    if (names.isEmpty())
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(tableName()));
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quoted(tableName()), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

// Inside the open bulk transaction: one statement, kept while the same fields are set, and
// the key joins the snapshot at EndBulk; the data sources hear nothing until then.
void DataSet::storeInBulk()
{
    Statement &statement = bulkInsertStatement();
    int bound = 0;
    for (size_t i = 0; i < FFields.size(); ++i)
        if (FBufferSet[i] && int(i) != FKeyIndex)
            statement.bind(bound++, FBuffer[i]);
    if (!statement.exec()) {
        const EngineError error = statement.error();
        checkKeyRoom();
        throwEngineError(error);
    }
    statement.reset();
    const qint64 key = statement.lastInsertId();
    FBulkPending.push_back(key);
    FCache.remove(key);
    FState = DataSetState::Browse;
    resetBuffer();
    FOriginal.clear();
    FModified = false;
}

void DataSet::finishStore(bool inserted, qint64 key)
{
    if (inserted) {
        FKeys.insert(FKeys.begin() + FInsertIndex, key);
        FIndex = FInsertIndex;
        FCache.remove(key);
    } else {
        FCache.remove(FKeys[size_t(FIndex)]);
    }
    FState = DataSetState::Browse;
    resetBuffer();
    FOriginal.clear();
    FModified = false;
    FBof = FEof = false;
    dataEvent(inserted ? DataEvent::DataSetChange : DataEvent::RecordChange);
    CheckForChanges();
}

void DataSet::checkUnchangedElsewhere(qint64 key)
{
    QStringList names;
    for (const auto &field : FFields)
        names << quoted(field->FieldName());
    const auto statement = FConnection.engine().prepareOrThrow(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
            .arg(names.join(QLatin1Char(',')), quoted(tableName()),
                 quoted(keyField().FieldName())));
    Statement &q = *statement;
    q.bindInteger(0, key);
    execOrThrow(q);
    const bool found = q.next();
    checkFinished(q);
    // What is shown of this record is out of date either way; what was typed stays in edit.
    FCache.remove(key);
    if (!found)
        throw Error(
            QStringLiteral("Запись удалена другим пользователем: введённый текст не сохранён"));
    for (size_t i = 0; i < FFields.size() && i < FOriginal.size(); ++i) {
        const QVariant now = q.value(int(i));
        const QVariant &before = FOriginal[i];
        if (now.isNull() != before.isNull() || now.toString() != before.toString())
            throw Error(QStringLiteral("Запись была изменена другим пользователем: введённый "
                                       "текст не сохранён (Esc покажет запись как она есть)"));
    }
}

void DataSet::checkKeyRoom()
{
    const auto q =
        FConnection.engine().prepare(QStringLiteral("SELECT max(%1) FROM %2")
                                         .arg(quoted(keyField().FieldName()), quoted(tableName())));
    if (q && q->exec() && q->next() &&
        q->value(0).toLongLong() == std::numeric_limits<qint64>::max())
        throw Error(QStringLiteral("Номер записи (поле %1) достиг наибольшего значения: новые "
                                   "записи в эту библиотеку не добавить")
                        .arg(keyField().FieldName()));
}

void DataSet::CheckForChanges()
{
    if (!Active() || FState != DataSetState::Browse || FDisableCount > 0)
        return;
    if (FConnection.dataVersion() == FDataVersion)
        return;
    forgetCache();
    reloadKeysKeepingCurrent();
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetChange);
}

void DataSet::Cancel()
{
    if (FState != DataSetState::Edit && FState != DataSetState::Insert)
        return;
    const bool wasInsert = FState == DataSetState::Insert;
    FState = DataSetState::Browse;
    FOriginal.clear();
    resetBuffer();
    FModified = false;
    if (wasInsert && AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::RecordChange);
}

void DataSet::Delete()
{
    checkActive();
    if (FState == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (FKeys.empty())
        throw Error(QStringLiteral("Операция невозможна: нет записей"));
    checkWritable();
    const qint64 key = FKeys[size_t(FIndex)];
    const auto q = FConnection.engine().prepareOrThrow(
        QStringLiteral("DELETE FROM %1 WHERE %2=?")
            .arg(quoted(tableName()), quoted(keyField().FieldName())));
    q->bindInteger(0, key);
    execOrThrow(*q);

    FConnection.afterStore();
    FKeys.erase(FKeys.begin() + FIndex);
    FCache.remove(key);
    FState = DataSetState::Browse;
    resetBuffer();
    FModified = false;
    if (FIndex >= RecordCount())
        FIndex = std::max(0, RecordCount() - 1);
    FBof = FKeys.empty();
    FEof = FKeys.empty();
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetChange);
    CheckForChanges();
}

// ------------------------------------------------------------------------------ bookmarks

Bookmark DataSet::GetBookmark()
{
    checkActive();
    if (FKeys.empty() || FState == DataSetState::Insert)
        return {};
    Bookmark b{FKeys[size_t(FIndex)], FNextBookmarkId++};
    FLiveBookmarks.insert(b.id);
    return b;
}

bool DataSet::BookmarkValid(const Bookmark &bookmark) const
{
    return bookmark.isValid() && FLiveBookmarks.count(bookmark.id) > 0;
}

void DataSet::GotoBookmark(const Bookmark &bookmark)
{
    checkActive();
    if (!bookmark.isValid())
        return;
    if (!FLiveBookmarks.count(bookmark.id))
        throw Error(QStringLiteral("Закладка недействительна"));
    locateKey(bookmark.key); // a deleted record leaves the cursor where it is
}

bool DataSet::locateKey(qint64 key)
{
    checkActive();
    CheckBrowseMode();
    const auto it = std::find(FKeys.begin(), FKeys.end(), key);
    if (it == FKeys.end())
        return false;
    FBof = FEof = false;
    moveTo(int(it - FKeys.begin()));
    return true;
}

void DataSet::FreeBookmark(Bookmark &bookmark)
{
    FLiveBookmarks.erase(bookmark.id);
    bookmark = Bookmark{};
}

// -------------------------------------------------------------------------- notifications

void DataSet::DisableControls()
{
    if (FDisableCount == 0)
        CheckBrowseMode();
    ++FDisableCount;
}

void DataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    if (--FDisableCount == 0)
        dataEvent(DataEvent::DataSetChange);
}

void DataSet::addDataSource(DataSource *source)
{
    if (std::find(FDataSources.begin(), FDataSources.end(), source) == FDataSources.end())
        FDataSources.push_back(source);
}

void DataSet::removeDataSource(DataSource *source)
{
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source),
                       FDataSources.end());
}

void DataSet::dataEvent(DataEvent event, Field *field)
{
    if (FDisableCount > 0 || (FBulk && event != DataEvent::UpdateRecord))
        return;
    for (DataSource *source : std::vector<DataSource *>(FDataSources))
        source->dataEvent(event, field);
}

// ---------------------------------------------------------------------------- bulk stores

void DataSet::BeginBulk()
{
    checkActive();
    if (FBulk)
        return;
    CheckBrowseMode();
    Engine &engine = FConnection.engine();
    if (!engine.begin(Engine::Transaction::Bulk))
        throwEngineError(engine.error());
    FBulk = true;
}

Statement &DataSet::bulkInsertStatement()
{
    if (!FBulkInsert || FBulkInsertFields != FBufferSet) {
        QStringList names;
        for (size_t i = 0; i < FFields.size(); ++i)
            if (FBufferSet[i] && int(i) != FKeyIndex)
                names << quoted(FFields[i]->FieldName());
        FBulkInsert.reset();
        FBulkInsert = FConnection.engine().prepareOrThrow(insertStatement(names));
        FBulkInsertFields = FBufferSet;
    }
    return *FBulkInsert;
}

void DataSet::CommitBulk()
{
    if (!FBulk)
        return;
    Engine &engine = FConnection.engine();
    // A plain "COMMIT" statement, so the engine's result code is kept (a full disk reads as
    // such).
    if (!engine.commit())
        throwEngineError(engine.error());
    FBulkCommitted.insert(FBulkCommitted.end(), FBulkPending.begin(), FBulkPending.end());
    FBulkPending.clear();
    if (!engine.begin(Engine::Transaction::Bulk))
        throwEngineError(engine.error());
}

void DataSet::EndBulk(bool commit)
{
    if (!FBulk)
        return;
    if (FState == DataSetState::Edit || FState == DataSetState::Insert)
        Cancel(); // a record that failed to post is not stored half-made
    FBulk = false;
    FBulkInsert.reset();
    Engine &engine = FConnection.engine();
    // After a full disk or a failed write the engine has rolled the transaction back itself:
    // what was posted since the last commit is gone, and a commit would only say that there is
    // no transaction.
    const bool open = engine.inTransaction();
    std::optional<EngineError> failure;
    if (open && commit && !engine.commit()) {
        failure = engine.error();
        engine.rollback();
    } else if (open && !commit) {
        engine.rollback();
    }
    const bool lost = commit && (!open || failure) && !FBulkPending.empty();
    if (commit && open && !failure)
        FBulkCommitted.insert(FBulkCommitted.end(), FBulkPending.begin(), FBulkPending.end());
    FBulkPending.clear();

    if (!FBulkCommitted.empty()) {
        // The new records take their places in the dataset's order, as opening the file again
        // would show them; the last one stored is current.
        const qint64 last = FBulkCommitted.back();
        try {
            if (!placeNewKeys(FBulkCommitted))
                loadKeys();
        } catch (const Error &) {
            // Unread, the snapshot still gets them: at the cursor, as single inserts leave them.
            const int at = FKeys.empty() ? 0 : FIndex;
            FKeys.insert(FKeys.begin() + at, FBulkCommitted.rbegin(), FBulkCommitted.rend());
        }
        const auto it = std::find(FKeys.begin(), FKeys.end(), last);
        FIndex = it == FKeys.end() ? 0 : int(it - FKeys.begin());
        FBof = FEof = false;
    }
    FBulkCommitted.clear();
    if (AfterScroll)
        AfterScroll(*this);
    dataEvent(DataEvent::DataSetChange);
    if (failure)
        throwEngineError(*failure);
    if (lost)
        throw Error(QStringLiteral("Записи, сделанные после последнего сохранения в файл, "
                                   "отменены после ошибки базы данных"));
}

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
        throw Error(QStringLiteral("Поле '%1' не найдено").arg(name));
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
        throw Error(QStringLiteral("Поле '%1' нельзя изменить").arg(field.FieldName()));
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

// -------------------------------------------------------------------------- table, query

Table::Table(Connection &connection, QString table, std::vector<FieldDef> fields, QString keyField)
    : DataSet(connection, std::move(fields), std::move(keyField)), FTableName(std::move(table))
{
}

QString Table::keySelect(const QString &columns) const
{
    return QStringLiteral("SELECT %1 FROM %2").arg(columns, tableSource());
}

Query::Query(Connection &connection, QString table, std::vector<FieldDef> fields, QString keyField)
    : DataSet(connection, std::move(fields), std::move(keyField)), FTableName(std::move(table))
{
}

QString Query::keySelect(const QString &columns) const
{
    return QStringLiteral("SELECT %1 FROM (%2)").arg(columns, SQL.join(QLatin1Char('\n')));
}

} // namespace quil
