#include "db/SqliteEngine.h"

#include "db/RussianCollation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringEncoder>
#include <QUrl>
#include <QUuid>
#include <atomic>
#include <cstring>
#include <sqlite3.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quil {
namespace {

// Keep the browse index's pages in memory once read: walks and grid pages then cost no system
// calls. The cache grows only as pages are used (at most 64 MiB).
const char *const CacheSize = "PRAGMA cache_size=-65536";

// zero_byte(a, b, ...): 1 when the bytes of any value hold a zero byte, else 0. The engine's own
// instr() compares byte by byte; this is one memchr over each value.
void zeroByte(sqlite3_context *context, int count, sqlite3_value **values)
{
    for (int i = 0; i < count; ++i) {
        if (sqlite3_value_type(values[i]) == SQLITE_NULL)
            continue;
        const void *bytes = sqlite3_value_blob(values[i]);
        const int size = sqlite3_value_bytes(values[i]);
        if (bytes && size > 0 && std::memchr(bytes, 0, size_t(size))) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

// Of every handle in any thread, so that no two opens share a content stamp.
std::atomic<qint64> openings{0};

bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// "mode=ro" and friends for one file, in the form the engine takes as a file name.
QString uriFor(const QString &absolutePath, const QString &query)
{
    QUrl uri = QUrl::fromLocalFile(absolutePath);
    uri.setQuery(query);
    return uri.toString(QUrl::FullyEncoded);
}

static_assert(engine_code::Busy == SQLITE_BUSY && engine_code::Locked == SQLITE_LOCKED &&
              engine_code::Perm == SQLITE_PERM && engine_code::NoMem == SQLITE_NOMEM &&
              engine_code::ReadOnly == SQLITE_READONLY &&
              engine_code::Interrupt == SQLITE_INTERRUPT && engine_code::IoErr == SQLITE_IOERR &&
              engine_code::Corrupt == SQLITE_CORRUPT && engine_code::Full == SQLITE_FULL &&
              engine_code::CantOpen == SQLITE_CANTOPEN &&
              engine_code::Protocol == SQLITE_PROTOCOL && engine_code::Schema == SQLITE_SCHEMA &&
              engine_code::TooBig == SQLITE_TOOBIG &&
              engine_code::Constraint == SQLITE_CONSTRAINT && engine_code::Auth == SQLITE_AUTH &&
              engine_code::NotADb == SQLITE_NOTADB);

EngineError errorOf(const QSqlError &error)
{
    // Qt adds its own words ("Unable to fetch row") to the engine's; the engine's say more.
    const QString words = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return EngineError(error.nativeErrorCode().toInt(), words);
}

EngineError errorOf(sqlite3 *db, int code)
{
    return EngineError(code, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString());
}

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

void callTextFunction(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(arguments[0]));
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    const auto &function = *static_cast<Engine::TextFunction *>(sqlite3_user_data(context));
    const QByteArray result = function(QByteArrayView(text, sqlite3_value_bytes(arguments[0])));
    sqlite3_result_text64(context, result.constData(), sqlite3_uint64(result.size()),
                          SQLITE_TRANSIENT, SQLITE_UTF8);
}

} // namespace

class SqliteStatement : public Statement {
public:
    SqliteStatement(SqliteEngine &engine, sqlite3 *db, sqlite3_stmt *statement)
        : FEngine(&engine), FDb(db), FStatement(statement)
    {
        const size_t count = size_t(sqlite3_bind_parameter_count(statement));
        FText.resize(count);
        FSource.resize(count);
        FLength.resize(count);
        FLender.resize(count, -1);
    }
    ~SqliteStatement() override
    {
        if (FEngine)
            FEngine->forget(this);
        sqlite3_finalize(FStatement);
    }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // The handle is closing: the statement can no longer run.
    void finalize()
    {
        sqlite3_finalize(FStatement);
        FStatement = nullptr;
        FEngine = nullptr;
    }

    void bind(int index, const QVariant &value) override
    {
        if (!FStatement)
            return;
        const int at = index + 1;
        int code = SQLITE_OK;
        const size_t slot = size_t(index);
        releaseSlot(slot);
        if (isNullValue(value)) {
            code = sqlite3_bind_null(FStatement, at);
        } else {
            switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                code = sqlite3_bind_int64(FStatement, at, value.toLongLong());
                break;
            case QMetaType::Double:
                code = sqlite3_bind_double(FStatement, at, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                QByteArray &bytes = FText[size_t(index)] = value.toByteArray();
                code = sqlite3_bind_blob(FStatement, at, bytes.constData(), int(bytes.size()),
                                         SQLITE_STATIC);
                break;
            }
            default: {
                // Encoded into the buffer the slot keeps, which stops growing once warm.
                const QString string = value.toString();
                const int lender = lenderOf(string);
                if (lender >= 0) {
                    // The same text in another column (an entry's name and its name for the
                    // reference list): its bytes once, bound twice.
                    FLender[slot] = lender;
                    const QByteArray &text = FText[size_t(lender)];
                    code = sqlite3_bind_text(FStatement, at, text.constData(),
                                             FLength[size_t(lender)], SQLITE_STATIC);
                    break;
                }
                QByteArray &text = FText[slot];
                text.resize(FEncoder.requiredSpace(string.size()));
                const char *end = FEncoder.appendToBuffer(text.data(), string);
                const int length = int(end - text.data());
                FSource[slot] = string;
                FLength[slot] = length;
                code = sqlite3_bind_text(FStatement, at, text.constData(), length, SQLITE_STATIC);
                break;
            }
            }
        }
        if (code != SQLITE_OK)
            FBindError = errorOf(FDb, code);
    }

    void bindInteger(int index, qint64 value) override
    {
        if (FStatement)
            sqlite3_bind_int64(FStatement, index + 1, value);
    }

    bool exec() override
    {
        if (!FStatement) {
            FError = EngineError(
                SQLITE_MISUSE,
                QCoreApplication::translate("SqliteEngine", "Соединение с библиотекой закрыто"));
            return false;
        }
        sqlite3_reset(FStatement);
        FRow = false;
        FPending = false;
        // A failure is rare: the common run copies no error.
        if (FBindError.isValid()) {
            FError = std::exchange(FBindError, EngineError());
            return false;
        }
        if (FError.isValid())
            FError = EngineError();
        const int code = sqlite3_step(FStatement);
        if (code == SQLITE_ROW) {
            FPending = true;
            return true;
        }
        if (code == SQLITE_DONE)
            return true;
        fail(code);
        sqlite3_reset(FStatement);
        return false;
    }

    bool next() override
    {
        if (FPending) {
            FPending = false;
            FRow = true;
            return true;
        }
        if (!FRow || !FStatement)
            return false;
        const int code = sqlite3_step(FStatement);
        if (code == SQLITE_ROW)
            return true;
        FRow = false;
        if (code != SQLITE_DONE)
            fail(code);
        return false;
    }

    QVariant value(int column) const override
    {
        // The types Qt Sql's SQLite driver gives, so that values compare as they always did.
        switch (sqlite3_column_type(FStatement, column)) {
        case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_column_int64(FStatement, column)));
        case SQLITE_FLOAT: return QVariant(sqlite3_column_double(FStatement, column));
        case SQLITE_NULL: return QVariant(QMetaType::fromType<QString>());
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char *>(sqlite3_column_blob(FStatement, column)),
                              sqlite3_column_bytes(FStatement, column));
        default:
            return QString(
                reinterpret_cast<const QChar *>(sqlite3_column_text16(FStatement, column)),
                sqlite3_column_bytes16(FStatement, column) / qsizetype(sizeof(QChar)));
        }
    }

    qint64 integer(int column) const override { return sqlite3_column_int64(FStatement, column); }

    QByteArrayView utf8(int column) const override
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(FStatement, column));
        return text ? QByteArrayView(text, sqlite3_column_bytes(FStatement, column))
                    : QByteArrayView();
    }

    void reset() override
    {
        if (FStatement)
            sqlite3_reset(FStatement);
        FRow = FPending = false;
        if (FError.isValid())
            FError = EngineError();
    }

    qint64 lastInsertId() const override { return sqlite3_last_insert_rowid(FDb); }
    qint64 changes() const override { return sqlite3_changes64(FDb); }
    const EngineError &error() const override { return FError; }

private:
    // A slot about to be bound anew: slots bound to its bytes take them over first.
    void releaseSlot(size_t slot)
    {
        int heir = -1;
        for (size_t k = 0; k < FLender.size(); ++k) {
            if (FLender[k] != int(slot))
                continue;
            if (heir < 0) {
                heir = int(k);
                std::swap(FText[k], FText[slot]);
                FLength[k] = FLength[slot];
                FLender[k] = -1;
            } else {
                FLender[k] = heir;
            }
        }
        FLender[slot] = -1;
        FSource[slot] = QString();
    }

    // The slot whose bytes were made from this very string (the same shared, unchangeable
    // data), or -1.
    int lenderOf(const QString &string) const
    {
        for (size_t j = 0; j < FSource.size(); ++j)
            if (FLender[j] < 0 && FSource[j].isSharedWith(string) &&
                FSource[j].constData() == string.constData() && FSource[j].size() == string.size())
                return int(j);
        return -1;
    }

    void fail(int code)
    {
        FError = errorOf(FDb, code);
        if (FEngine)
            FEngine->noteFailure(FError);
    }

    SqliteEngine *FEngine;
    sqlite3 *FDb;
    sqlite3_stmt *FStatement;
    bool FRow = false;     // stepping through rows
    bool FPending = false; // exec stepped onto the first row, next() has not yet given it
    EngineError FError;
    EngineError FBindError;        // told by the next exec
    std::vector<QByteArray> FText; // bound text lives until the statement has run
    // The text each slot's bytes were made from (held, so that it cannot change), their
    // length, and the slot whose bytes a slot is bound to instead of its own (-1: its own).
    std::vector<QString> FSource;
    std::vector<int> FLength;
    std::vector<int> FLender;
    // Stateless: half a surrogate pair at the end of one value must not reach the next.
    QStringEncoder FEncoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

SqliteEngine::SqliteEngine()
    : FName(QStringLiteral("quil-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

SqliteEngine::~SqliteEngine()
{
    close();
    QSqlDatabase::removeDatabase(FName);
}

void SqliteEngine::openUri(const QString &uri, const QString &options)
{
    QSqlDatabase db = QSqlDatabase::contains(FName)
                          ? QSqlDatabase::database(FName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
    db.setDatabaseName(uri);
    db.setConnectOptions(options);
    if (!db.open()) {
        FError = errorOf(db.lastError());
        throwEngineError(FError);
    }
    const QVariant handle = db.driver()->handle();
    FHandle = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    FOpening = ++openings;
    if (!FHandle) {
        db.close();
        throw Error(
            QCoreApplication::translate("SqliteEngine", "Нет соединения с файлом библиотеки"));
    }
    sqlite3_create_function_v2(FHandle, "zero_byte", -1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               zeroByte, nullptr, nullptr, nullptr);
}

void SqliteEngine::open(const QString &path, bool readOnly, int busyTimeoutMs)
{
    close();
    const QString options =
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    openUri(uriFor(path, readOnly ? QStringLiteral("mode=ro") : QStringLiteral("mode=rw")),
            options);
    try {
        // Reading the schema is the first touch of the file: a file that is not SQLite fails
        // here.
        if (execute(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            return;
        const EngineError error = FError;
        if (!readOnly || writable(QFileInfo(path).absolutePath()))
            throwEngineError(error);
        // A file left in write-ahead mode cannot be read on a medium that takes no side files
        // unless the engine is told that nothing will change it.
        close();
        openUri(uriFor(path, QStringLiteral("mode=ro&immutable=1")), options);
        executeOrThrow(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (...) {
        close();
        throw;
    }
}

void SqliteEngine::attachDamaged(const QString &path, const QString &name)
{
    // The engine refuses a file shorter than its header says unless the schema may be written;
    // the file is attached read-only, and nothing here writes a schema.
    executeOrThrow(QStringLiteral("PRAGMA writable_schema=ON"));
    executeOrThrow(QStringLiteral("PRAGMA cell_size_check=ON"));
    const auto attach = prepareOrThrow(QStringLiteral("ATTACH DATABASE ? AS \"%1\"").arg(name));
    attach->bind(0, uriFor(QFileInfo(path).absoluteFilePath(), QStringLiteral("mode=ro")));
    execOrThrow(*attach);
    // The schema is read at once: a file that is no database at all fails here.
    executeOrThrow(QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_master").arg(name));
}

void SqliteEngine::create(const QString &path)
{
    close();
    QSqlDatabase db = QSqlDatabase::contains(FName)
                          ? QSqlDatabase::database(FName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
    db.setDatabaseName(path);
    db.setConnectOptions();
    if (!db.open()) {
        FError = errorOf(db.lastError());
        throwEngineError(FError);
    }
    const QVariant handle = db.driver()->handle();
    FHandle = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    FOpening = ++openings;
}

void SqliteEngine::close()
{
    for (SqliteStatement *statement : std::as_const(FStatements))
        statement->finalize();
    FStatements.clear();
    if (QSqlDatabase::contains(FName)) {
        QSqlDatabase db = QSqlDatabase::database(FName, false);
        db.close();
    }
    FHandle = nullptr;
    FWal = false;
    FDamaged = false;
    FDamageWords.clear();
}

bool SqliteEngine::isReadOnly() const
{
    return FHandle && sqlite3_db_readonly(FHandle, "main") == 1;
}

void SqliteEngine::prepareForUse(bool readOnly)
{
    if (!FHandle || !registerRussianCollation(FHandle) || !registerRussianLike(FHandle))
        throw Error(QCoreApplication::translate("SqliteEngine",
                                                "Не удалось подготовить соединение с файлом"));
    // A double-quoted name that is no column must be an error: the engine would read it as a
    // text, so a column another program took away would be ordered or matched as a constant.
    sqlite3_db_config(FHandle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    FWal = false;
    if (!readOnly) {
        // A rollback journal with full sync: at rest the library is one file that holds every
        // store, so a copy taken while the program runs is whole and read-only media can read
        // it.
        const auto journal = prepareOrThrow(QStringLiteral("PRAGMA journal_mode=DELETE"));
        execOrThrow(*journal);
        // Another program holding the file in write-ahead mode keeps it there; then each store
        // is checkpointed into the file instead.
        FWal = journal->next() &&
               journal->utf8(0).compare(QByteArrayView("wal"), Qt::CaseInsensitive) == 0;
        journal->reset();
        executeOrThrow(QStringLiteral("PRAGMA synchronous=FULL"));
    }
    executeOrThrow(QString::fromLatin1(CacheSize));
}

std::unique_ptr<Statement> SqliteEngine::prepare(const QString &sql)
{
    if (!FHandle) {
        FError = EngineError(
            SQLITE_MISUSE,
            QCoreApplication::translate("SqliteEngine", "Нет соединения с файлом библиотеки"));
        return nullptr;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    const int code =
        sqlite3_prepare_v2(FHandle, text.constData(), int(text.size()), &statement, nullptr);
    if (code != SQLITE_OK) {
        FError = errorOf(FHandle, code);
        noteFailure(FError);
        sqlite3_finalize(statement);
        return nullptr;
    }
    auto result = std::make_unique<SqliteStatement>(*this, FHandle, statement);
    FStatements.insert(result.get());
    return result;
}

bool SqliteEngine::run(const char *sql) { return execute(QString::fromLatin1(sql)); }

void SqliteEngine::interrupt()
{
    if (FHandle)
        sqlite3_interrupt(FHandle);
}

bool SqliteEngine::defineTextFunction(const char *name, TextFunction function)
{
    if (!FHandle)
        return false;
    auto *held = new TextFunction(std::move(function));
    // The engine owns it from here on, and frees it on failure too.
    return sqlite3_create_function_v2(
               FHandle, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, held,
               &callTextFunction, nullptr, nullptr,
               [](void *p) { delete static_cast<TextFunction *>(p); }) == SQLITE_OK;
}

bool SqliteEngine::begin(Transaction kind)
{
    if (kind == Transaction::Store)
        return run("BEGIN IMMEDIATE");
    // A bulk store dirties more pages than the page cache holds; spilling them into the file
    // mid-transaction costs a journal sync each time. Up to 256 MiB they wait for the commit.
    // The bound is given in KiB: this engine took a count of exactly 65536 pages for no bound
    // at all, and an import with abstracts held every page it wrote in memory. Only speed and
    // memory depend on it, so a refusal is of no matter.
    run("PRAGMA cache_spill=-262144");
    return run("BEGIN");
}

bool SqliteEngine::commit() { return run("COMMIT"); }

bool SqliteEngine::rollback() { return run("ROLLBACK"); }

bool SqliteEngine::inTransaction() const { return FHandle && sqlite3_get_autocommit(FHandle) == 0; }

QStringList SqliteEngine::columns(const QString &table)
{
    QStringList names;
    const auto statement = prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    if (!statement)
        return names;
    statement->bind(0, table);
    if (!statement->exec())
        return names;
    while (statement->next())
        names << statement->value(0).toString();
    return names;
}

bool SqliteEngine::hasIndex(const QString &name)
{
    const auto q =
        prepareOrThrow(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='index' AND name=?"));
    q->bind(0, name);
    execOrThrow(*q);
    const bool found = q->next();
    checkFinished(*q);
    return found;
}

std::vector<qint64> SqliteEngine::contentStamp()
{
    // Inside a transaction the changes counted may yet be rolled back.
    if (!FHandle || inTransaction())
        return {};
    const auto versions =
        prepareOrThrow(QStringLiteral("SELECT * FROM pragma_data_version, pragma_schema_version"));
    execOrThrow(*versions);
    if (!versions->next())
        return {};
    // The file's version moves only with other connections' commits; this handle's own changes
    // are counted apart.
    return {FOpening, sqlite3_total_changes64(FHandle), versions->integer(0), versions->integer(1)};
}

qint64 SqliteEngine::dataVersion()
{
    if (!FHandle)
        return 0;
    const auto statement = prepareOrThrow(QStringLiteral("PRAGMA data_version"));
    execOrThrow(*statement);
    return statement->next() ? statement->integer(0) : 0;
}

void SqliteEngine::copyInto(SqliteEngine &target, int pagesPerStep,
                            const std::function<bool(int left, int all)> &between)
{
    sqlite3_backup *copy = sqlite3_backup_init(target.FHandle, "main", FHandle, "main");
    if (!copy)
        throwEngineError(errorOf(target.FHandle, sqlite3_errcode(target.FHandle)));
    int code = SQLITE_OK;
    bool stopped = false;
    while (code == SQLITE_OK || code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        code = sqlite3_backup_step(copy, pagesPerStep);
        // A writer holds the file: it goes first, the copy waits a moment and goes on.
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            sqlite3_sleep(5);
        else if (code == SQLITE_OK && between &&
                 !between(sqlite3_backup_remaining(copy), sqlite3_backup_pagecount(copy)))
            stopped = true;
        if (stopped)
            break;
    }
    sqlite3_backup_finish(copy);
    if (stopped)
        throw Error(QCoreApplication::translate("SqliteEngine", "Копирование прервано"));
    if (code != SQLITE_DONE) {
        const EngineError error(code, QString::fromUtf8(sqlite3_errstr(code)));
        noteFailure(error);
        throwEngineError(error);
    }
}

void SqliteEngine::sweeping(bool on)
{
    if (!FHandle)
        return;
    // A sweep reads each page once: a cache as large as the browse index wants would only
    // spread the pages it passes through over memory the processor's caches cannot hold, which
    // made a whole-library export a fifth slower. The cache refills as the browse reads again.
    run(on ? "PRAGMA cache_size=-2048" : CacheSize);
}

void SqliteEngine::afterStore()
{
    if (FWal && FHandle)
        run("PRAGMA wal_checkpoint(TRUNCATE)");
}

} // namespace quil
