#include "db/DataSet.h"

#include "db/Connection.h"
#include "db/DataSetParts.h"
#include "db/DataSource.h"
#include "db/Engine.h"
#include "db/RussianCollation.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <algorithm>
#include <unordered_map>

// The dataset's open, order, moves, bookmarks and notifications. Its key snapshot, row cache,
// record writer and bulk writer are in DataSetKeys, DataSetRows, DataSetWriter, DataSetBulk.
namespace quil {

using dataset::PageSize;
using dataset::quoted;

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
    if (FConnection.engine().hasIndex(BrowseIndex))
        FUsedIndex = BrowseIndex;
}

void DataSet::Open()
{
    if (Active())
        return;
    if (!FConnection.Connected())
        throw Error(QCoreApplication::translate("DataSet", "Соединение с библиотекой не открыто"));

    Engine &engine = FConnection.engine();
    const QStringList columns = engine.columns(tableName());
    for (const auto &field : FFields)
        if (!columns.contains(field->FieldName(), Qt::CaseInsensitive))
            throw Error(QCoreApplication::translate("DataSet", "В таблице %1 нет поля %2")
                            .arg(tableName(), field->FieldName()));

    chooseIndex();
    QStringList names;
    for (const auto &field : FFields)
        if (!field->def().lazy)
            names << quoted(field->FieldName());
    FVersionColumn = engine.rowVersionColumn();
    if (!FVersionColumn.isEmpty())
        names << quoted(FVersionColumn);
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
            throw Error(QCoreApplication::translate("DataSet", "Поле %1 не найдено").arg(name));
        fields << field;
    }
    return fields;
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
        throw Error(QCoreApplication::translate("DataSet", "Закладка недействительна"));
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
    return QStringLiteral("SELECT %1 FROM (%2) AS selected")
        .arg(columns, SQL.join(QLatin1Char('\n')));
}

} // namespace quil
