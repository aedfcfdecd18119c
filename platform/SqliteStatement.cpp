#include "platform/SqliteStatement.h"

#include "platform/Connection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <sqlite3.h>

namespace quil {
namespace {

// As Qt Sql binds them: a null string or byte array is NULL, not empty text.
bool isNullValue(const QVariant &value)
{
    if (value.isNull())
        return true;
    if (value.typeId() == QMetaType::QString)
        return static_cast<const QString *>(value.constData())->isNull();
    if (value.typeId() == QMetaType::QByteArray)
        return static_cast<const QByteArray *>(value.constData())->isNull();
    return false;
}

} // namespace

SqliteStatement::SqliteStatement(const QSqlDatabase &db, const QString &sql)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid())
        FDb = *static_cast<sqlite3 *const *>(handle.data());
    if (!FDb)
        throw Error(QStringLiteral("Нет соединения с файлом библиотеки"));
    const QByteArray text = sql.toUtf8();
    const int code =
        sqlite3_prepare_v2(FDb, text.constData(), int(text.size()), &FStatement, nullptr);
    if (code != SQLITE_OK)
        fail(code);
    FText.resize(size_t(sqlite3_bind_parameter_count(FStatement)));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(FStatement); }

void SqliteStatement::bind(int index, const QVariant &value)
{
    const int at = index + 1;
    int code = SQLITE_OK;
    if (isNullValue(value)) {
        code = sqlite3_bind_null(FStatement, at);
    } else {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool: code = sqlite3_bind_int64(FStatement, at, value.toLongLong()); break;
        case QMetaType::Double: code = sqlite3_bind_double(FStatement, at, value.toDouble()); break;
        case QMetaType::QByteArray: {
            QByteArray &bytes = FText[size_t(index)] = value.toByteArray();
            code = sqlite3_bind_blob(FStatement, at, bytes.constData(), int(bytes.size()),
                                     SQLITE_STATIC);
            break;
        }
        default: {
            // Encoded into the buffer the slot keeps, which stops growing once warm.
            const QString string = value.toString();
            QByteArray &text = FText[size_t(index)];
            text.resize(FEncoder.requiredSpace(string.size()));
            const char *end = FEncoder.appendToBuffer(text.data(), string);
            code = sqlite3_bind_text(FStatement, at, text.constData(), int(end - text.data()),
                                     SQLITE_STATIC);
            break;
        }
        }
    }
    if (code != SQLITE_OK)
        fail(code);
}

qint64 SqliteStatement::execute()
{
    const int code = sqlite3_step(FStatement);
    if (code != SQLITE_DONE && code != SQLITE_ROW) {
        sqlite3_reset(FStatement);
        fail(code);
    }
    sqlite3_reset(FStatement);
    return sqlite3_last_insert_rowid(FDb);
}

void SqliteStatement::fail(int code)
{
    throwEngineError(code, QString::fromUtf8(sqlite3_errmsg(FDb)));
}

} // namespace quil
