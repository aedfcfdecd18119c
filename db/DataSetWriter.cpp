#include "db/DataSet.h"

#include "db/Connection.h"
#include "db/DataSetParts.h"
#include "db/DataSource.h"
#include "db/Engine.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

// The record writer: edit, insert, post, cancel and delete of one record.
namespace quil {
namespace {
const char ChangedElsewhere[] =
    QT_TRANSLATE_NOOP("DataSetWriter", "Запись была изменена другим пользователем: введённый "
                                       "текст не сохранён (Esc покажет запись как она есть)");
const char DeletedElsewhere[] = QT_TRANSLATE_NOOP(
    "DataSetWriter", "Запись удалена другим пользователем: введённый текст не сохранён");
const char ReadOnlyMessage[] = QT_TRANSLATE_NOOP(
    "DataSetWriter", "Библиотека открыта только для чтения: изменения в ней не сохраняются");
} // namespace

using dataset::quoted;

// -------------------------------------------------------------------------------- editing

void DataSet::checkActive() const
{
    if (!Active())
        throw Error(QCoreApplication::translate("DataSetWriter",
                                                "Операция невозможна: набор данных закрыт"));
}

void DataSet::checkEditing() const
{
    if (FState != DataSetState::Edit && FState != DataSetState::Insert)
        throw Error(QCoreApplication::translate("DataSetWriter",
                                                "Набор данных не в режиме редактирования"));
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
        throw Error(QCoreApplication::translate("DataSetWriter", ReadOnlyMessage));
    // Said on every refused change, not once: what was typed is not stored.
    if (FConnection.Damaged())
        throw Error(QCoreApplication::translate(
            "DataSetWriter", "Изменения не записаны: файл библиотеки повреждён"));
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
    // The version of the row as shown: a memo read later may be newer, never older, so a
    // store can only be refused too often, never let through over another's change.
    FOriginalVersion = FVersionColumn.isEmpty() ? 0 : rowFor(FKeys[size_t(FIndex)], FIndex).version;
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
            throw Error(
                QCoreApplication::translate("DataSetWriter", "Поле '%1' должно иметь значение")
                    .arg(field->FieldName()));
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
    qint64 key = 0;
    // One transaction: the check that the row is as it was read and the write see one file.
    storeInTransaction([&] {
        std::unique_ptr<Statement> q;
        if (inserting) {
            q = engine.prepareOrThrow(insertStatement(names));
        } else {
            key = FKeys[size_t(FIndex)];
            if (FVersionColumn.isEmpty())
                checkUnchangedElsewhere(key);
            QStringList sets;
            for (const QString &name : names)
                sets << name + QStringLiteral("=?");
            QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                              .arg(quoted(tableName()), sets.join(QLatin1Char(',')),
                                   quoted(keyField().FieldName()));
            values << key;
            if (!FVersionColumn.isEmpty()) {
                sql += QStringLiteral(" AND %1=?").arg(quoted(FVersionColumn));
                values << FOriginalVersion;
            }
            q = engine.prepareOrThrow(sql);
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
        else if (!FVersionColumn.isEmpty() && q->changes() == 0)
            refuseVersionConflict(key, false);
    });
    FConnection.afterStore();
    finishStore(inserting, key);
}

void DataSet::storeInTransaction(const std::function<void()> &write)
{
    Engine &engine = FConnection.engine();
    if (!engine.begin(Engine::Transaction::Store))
        throwEngineError(engine.error());
    try {
        write();
        FConnection.beforeCommit();
        if (!engine.commit())
            throwEngineError(engine.error());
    } catch (...) {
        engine.rollback();
        throw;
    }
}

QString DataSet::insertStatement(const QStringList &names, const QString &verb) const
{
    if (names.isEmpty())
        return QStringLiteral("%1 INTO %2 DEFAULT VALUES").arg(verb, quoted(tableName()));
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("%1 INTO %2 (%3) VALUES (%4)")
        .arg(verb, quoted(tableName()), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
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
    FLastInsertedKey = key;
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
        FLastInsertedKey = key;
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
        throw Error(QCoreApplication::translate("DataSetWriter", DeletedElsewhere));
    for (size_t i = 0; i < FFields.size() && i < FOriginal.size(); ++i) {
        const QVariant now = q.value(int(i));
        const QVariant &before = FOriginal[i];
        if (now.isNull() != before.isNull() || now.toString() != before.toString())
            throw Error(QCoreApplication::translate("DataSetWriter", ChangedElsewhere));
    }
}

void DataSet::refuseVersionConflict(qint64 key, bool deleting)
{
    const auto q = FConnection.engine().prepareOrThrow(
        QStringLiteral("SELECT 1 FROM %1 WHERE %2=?")
            .arg(quoted(tableName()), quoted(keyField().FieldName())));
    q->bindInteger(0, key);
    execOrThrow(*q);
    const bool found = q->next();
    checkFinished(*q);
    FCache.remove(key);
    if (deleting && !found)
        return;
    if (deleting)
        throw Error(QCoreApplication::translate(
            "DataSetWriter", "Запись была изменена другим пользователем и не удалена: "
                             "посмотрите, какой она стала, и удалите снова, если нужно"));
    throw Error(
        QCoreApplication::translate("DataSetWriter", found ? ChangedElsewhere : DeletedElsewhere));
}

void DataSet::checkKeyRoom()
{
    const auto q =
        FConnection.engine().prepare(QStringLiteral("SELECT max(%1) FROM %2")
                                         .arg(quoted(keyField().FieldName()), quoted(tableName())));
    if (q && q->exec() && q->next() &&
        q->value(0).toLongLong() == std::numeric_limits<qint64>::max())
        throw Error(
            QCoreApplication::translate("DataSetWriter",
                                        "Номер записи (поле %1) достиг наибольшего значения: новые "
                                        "записи в эту библиотеку не добавить")
                .arg(keyField().FieldName()));
}

void DataSet::CheckForChanges()
{
    if (!Active() || FState != DataSetState::Browse || FDisableCount > 0)
        return;
    const qint64 version = FConnection.dataVersion();
    if (version == FDataVersion)
        return;
    std::vector<qint64> changed;
    const bool told = FConnection.engine().changedKeysSince(FDataVersion, changed);
    if (!told || !followChangedKeys(changed)) {
        forgetCache();
        reloadKeysKeepingCurrent();
    }
    // Changes heard while these were read are read again at the next check.
    FDataVersion = version;
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
        throw Error(
            QCoreApplication::translate("DataSetWriter", "Операция невозможна: нет записей"));
    checkWritable();
    const qint64 key = FKeys[size_t(FIndex)];
    const bool versioned = !FVersionColumn.isEmpty();
    bool lost = false;
    storeInTransaction([&] {
        QString sql = QStringLiteral("DELETE FROM %1 WHERE %2=?")
                          .arg(quoted(tableName()), quoted(keyField().FieldName()));
        const qint64 version = versioned ? rowFor(key, FIndex).version : 0;
        if (versioned)
            sql += QStringLiteral(" AND %1=?").arg(quoted(FVersionColumn));
        const auto q = FConnection.engine().prepareOrThrow(sql);
        q->bindInteger(0, key);
        if (versioned)
            q->bindInteger(1, version);
        execOrThrow(*q);
        lost = versioned && q->changes() == 0;
    });
    if (lost) {
        try {
            refuseVersionConflict(key, true);
        } catch (...) {
            // The record is shown again as another stored it, without the pending edits.
            Cancel();
            dataEvent(DataEvent::RecordChange);
            throw;
        }
    }

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

} // namespace quil
