#include "pg/PgEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <libpq-fe.h>
#include <set>
#include <vector>

namespace pg {
namespace {

// Where no server code says more.
constexpr int ServerFailure = 1;
// Changed rows told one by one; beyond, the table is read again whole.
constexpr size_t MaxChangedKeys = 1000;
// Changes remembered for readers that have not caught up; one further behind reads anew.
constexpr size_t ChangeLogSize = 4 * MaxChangedKeys;

// The type numbers of the server's integer, real and truth types.
bool integerType(Oid type) { return type == 20 || type == 21 || type == 23 || type == 26; }
bool realType(Oid type) { return type == 700 || type == 701 || type == 1700; }

int codeOfState(const char *state)
{
    if (!state)
        return ServerFailure;
    const QByteArray s(state);
    // A broken connection, or a server that shut the session down (a restart, a terminated
    // backend): either way the connection is gone.
    if (s.startsWith("08") || s == "57P01" || s == "57P02" || s == "57P03")
        return quil::engine_code::Disconnected;
    if (s.startsWith("23"))
        return quil::engine_code::Constraint;
    if (s == "40001" || s == "40P01" || s == "55P03")
        return quil::engine_code::Busy;
    if (s == "57014")
        return quil::engine_code::Interrupt;
    if (s.startsWith("28"))
        return quil::engine_code::Auth;
    if (s.startsWith("42501"))
        return quil::engine_code::Perm;
    if (s.startsWith("53"))
        return quil::engine_code::Full;
    return ServerFailure;
}

// Passwords given this run, by connection string.
QHash<QString, QString> &passwords()
{
    static QHash<QString, QString> given;
    return given;
}

QString withPassword(const QString &connectionString, const QString &password)
{
    if (password.isEmpty())
        return connectionString;
    QString quoted = password;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return connectionString + QStringLiteral(" password='") + quoted + QLatin1Char('\'');
}

QString wordsOf(const char *text) { return QString::fromUtf8(text).trimmed(); }

bool identifierChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// The position after the quoted text that starts at i; its quote doubled stands for itself.
qsizetype pastQuoted(const QString &sql, qsizetype i)
{
    const QChar quote = sql.at(i++);
    while (i < sql.size()) {
        if (sql.at(i) != quote) {
            ++i;
        } else if (i + 1 < sql.size() && sql.at(i + 1) == quote) {
            i += 2;
        } else {
            return i + 1;
        }
    }
    return i;
}

} // namespace

bool isServerLibrary(const QString &path)
{
    return path.endsWith(QLatin1String(".pglib"), Qt::CaseInsensitive);
}

ServerLibrary readServerLibrary(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw quil::Error(QCoreApplication::translate("PgEngine", "Файл %1 не удаётся прочитать")
                              .arg(QFileInfo(path).fileName()),
                          file.errorString());
    ServerLibrary library;
    QStringList parts;
    for (const QString &raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // Pairs are separated by blanks; "schema" is ours, the rest is libpq's.
        for (const QString &pair : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (pair.startsWith(QLatin1String("schema="), Qt::CaseInsensitive))
                library.schema = pair.mid(7).trimmed();
            else if (pair.startsWith(QLatin1String("password="), Qt::CaseInsensitive))
                throw quil::Error(QCoreApplication::translate(
                                      "PgEngine", "В файле %1 записан пароль: уберите его оттуда "
                                                  "в ~/.pgpass")
                                      .arg(QFileInfo(path).fileName()));
            else
                parts << pair;
        }
    }
    library.connectionString = parts.join(QLatin1Char(' '));
    if (library.connectionString.isEmpty())
        throw quil::Error(
            QCoreApplication::translate("PgEngine", "В файле %1 нет адреса сервера библиотеки")
                .arg(QFileInfo(path).fileName()));
    return library;
}

QString PgEngine::translate(const QString &sql, int *parameters, std::vector<CaseFold> *caseFolds)
{
    QString out;
    out.reserve(sql.size() + 16);
    int marks = 0;
    qsizetype pendingFold = -1; // an ILIKE written, its operand not yet met
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('?')) {
            if (pendingFold >= 0 && caseFolds)
                caseFolds->emplace_back(pendingFold, marks);
            out += QLatin1Char('$') + QString::number(++marks);
            ++i;
            continue;
        }
        if (!c.isSpace())
            pendingFold = -1;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A text constant stays as it is; a name in double quotes is the server's name in
            // lower case.
            const qsizetype start = i;
            i = pastQuoted(sql, i);
            const QStringView quoted = QStringView(sql).mid(start, i - start);
            out += c == QLatin1Char('"') ? quoted.toString().toLower() : quoted.toString();
        } else if (c == QLatin1Char('[')) {
            // A bracketed name, as the find writes them.
            const qsizetype end = sql.indexOf(QLatin1Char(']'), i + 1);
            const qsizetype stop = end < 0 ? n : end;
            QString name = sql.mid(i + 1, stop - i - 1).toLower();
            name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            out += QLatin1Char('"') + name + QLatin1Char('"');
            i = end < 0 ? n : end + 1;
        } else if (identifierChar(c)) {
            const qsizetype start = i;
            while (i < n && identifierChar(sql.at(i)))
                ++i;
            const QStringView word = QStringView(sql).mid(start, i - start);
            if (word.compare(QLatin1String("LIKE"), Qt::CaseInsensitive) == 0) {
                pendingFold = out.size();
                out += QLatin1String("ILIKE");
            } else if (word.compare(QLatin1String("INDEXED"), Qt::CaseInsensitive) == 0) {
                // "INDEXED BY name": the server chooses its indexes itself.
                qsizetype j = i;
                int words = 0;
                while (j < n && words < 2) {
                    while (j < n && sql.at(j).isSpace())
                        ++j;
                    if (j < n && sql.at(j) == QLatin1Char('"')) {
                        j = sql.indexOf(QLatin1Char('"'), j + 1);
                        j = j < 0 ? n : j + 1;
                    } else {
                        while (j < n && identifierChar(sql.at(j)))
                            ++j;
                    }
                    ++words;
                }
                i = j;
            } else {
                out += word;
            }
        } else {
            out += c;
            ++i;
        }
    }
    if (parameters)
        *parameters = marks;
    return out;
}

class PgStatement : public quil::Statement {
public:
    PgStatement(PgEngine &engine, QString sql, int parameters,
                const std::vector<PgEngine::CaseFold> &caseFolds)
        : FEngine(engine), FSql(sql.toUtf8()), FValues(size_t(parameters)),
          FNull(size_t(parameters), true)
    {
        for (const auto &[at, mark] : caseFolds)
            FCaseFolds.emplace_back(QStringView(sql).left(at).toUtf8().size(), mark);
    }
    ~PgStatement() override { clearResult(); }
    PgStatement(const PgStatement &) = delete;
    PgStatement &operator=(const PgStatement &) = delete;

    void bind(int index, const QVariant &value) override
    {
        if (index < 0 || size_t(index) >= FValues.size())
            return;
        bool null = value.isNull();
        if (value.typeId() == QMetaType::QString)
            null = static_cast<const QString *>(value.constData())->isNull();
        else if (value.typeId() == QMetaType::QByteArray)
            null = static_cast<const QByteArray *>(value.constData())->isNull();
        FNull[size_t(index)] = null;
        if (null)
            FValues[size_t(index)].clear();
        else if (value.typeId() == QMetaType::Bool)
            FValues[size_t(index)] = value.toBool() ? "1" : "0";
        else if (value.typeId() == QMetaType::QByteArray)
            FValues[size_t(index)] = value.toByteArray();
        else
            FValues[size_t(index)] = value.toString().toUtf8();
    }

    void bindInteger(int index, qint64 value) override
    {
        if (index < 0 || size_t(index) >= FValues.size())
            return;
        FNull[size_t(index)] = false;
        FValues[size_t(index)] = QByteArray::number(value);
    }

    // The rows are handed over one by one as the server sends them, so the caller works on
    // the first ones while the server still reads and sends the rest.
    bool exec() override
    {
        clearResult();
        FError = quil::EngineError();
        // The connection carries one statement at a time: one still sending its rows is read
        // to its end first.
        FEngine.settleStreaming();
        if (!FEngine.ensureConnected()) {
            FError = FEngine.error();
            return false;
        }
        std::vector<const char *> values(FValues.size());
        for (size_t i = 0; i < FValues.size(); ++i)
            values[i] = FNull[i] ? nullptr : FValues[i].constData();
        pg_conn *conn = FEngine.handle();
        if (!PQsendQueryParams(conn, textForValues().constData(), int(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0)) {
            failWith(nullptr);
            return false;
        }
        PQsetSingleRowMode(conn);
        PGresult *result = PQgetResult(conn);
        switch (PQresultStatus(result)) {
        case PGRES_SINGLE_TUPLE:
            for (int c = 0; c < PQnfields(result); ++c)
                FTypes.push_back(PQftype(result, c));
            FResult = result;
            FStreaming = true;
            FEngine.FStreaming = this;
            return true;
        case PGRES_TUPLES_OK:
            PQclear(result);
            finishRun();
            return FError.code() == 0;
        case PGRES_COMMAND_OK:
            FChanges = QByteArray(PQcmdTuples(result)).toLongLong();
            PQclear(result);
            finishRun();
            return FError.code() == 0;
        default: failWith(result); return false;
        }
    }

    bool next() override
    {
        if (FStreaming) {
            if (FRow < 0) { // the first row, read by exec
                FRow = 0;
                return true;
            }
            PQclear(std::exchange(FResult, nullptr));
            PGresult *result = PQgetResult(FEngine.handle());
            if (PQresultStatus(result) == PGRES_SINGLE_TUPLE) {
                FResult = result;
                return true;
            }
            endStreaming();
            if (PQresultStatus(result) == PGRES_TUPLES_OK) {
                PQclear(result);
                finishRun();
            } else {
                failWith(result);
            }
            return false;
        }
        if (FResult) { // the row met when another statement took the connection
            if (FRow < 0) {
                FRow = 0;
                return true;
            }
            PQclear(std::exchange(FResult, nullptr));
            FRow = -1;
        }
        if (FKept + 1 >= qsizetype(FKeptRows.size())) {
            FKept = qsizetype(FKeptRows.size());
            return false;
        }
        ++FKept;
        return true;
    }

    QVariant value(int column) const override
    {
        const QByteArrayView text = cell(column);
        if (text.isNull())
            return QVariant(QMetaType::fromType<QString>());
        const Oid type = FTypes[size_t(column)];
        if (integerType(type))
            return QVariant(qlonglong(text.toLongLong()));
        if (realType(type))
            return QVariant(text.toDouble());
        if (type == 16) // truth: as SQLite keeps it
            return QVariant(qlonglong(text.at(0) == 't' ? 1 : 0));
        return QString::fromUtf8(text);
    }

    qint64 integer(int column) const override
    {
        const QByteArrayView text = cell(column);
        return text.isNull() ? 0 : text.toLongLong();
    }

    QByteArrayView utf8(int column) const override { return cell(column); }

    void reset() override
    {
        clearResult();
        FError = quil::EngineError();
    }

    qint64 lastInsertId() const override
    {
        FEngine.settleStreaming();
        PGresult *result = PQexec(FEngine.handle(), "SELECT lastval()");
        const qint64 id = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1
                              ? QByteArray(PQgetvalue(result, 0, 0)).toLongLong()
                              : 0;
        PQclear(result);
        return id;
    }

    qint64 changes() const override { return FChanges; }
    const quil::EngineError &error() const override { return FError; }

    // Another statement needs the connection: the rows still to come are kept here, and the
    // caller reads them as before. Keep false: read to the end and dropped.
    void settle(bool keep)
    {
        endStreaming();
        pg_conn *conn = FEngine.handle();
        while (PGresult *result = PQgetResult(conn)) {
            const ExecStatusType status = PQresultStatus(result);
            if (status == PGRES_SINGLE_TUPLE) {
                if (keep)
                    keepRow(result);
                PQclear(result);
            } else if (status == PGRES_TUPLES_OK) {
                PQclear(result);
            } else {
                // The rest of the run is lost: the caller hears so after the rows kept.
                failWith(result);
                return;
            }
        }
    }

    // The connection went away under the run.
    void abandon()
    {
        endStreaming();
        FError = quil::EngineError(
            quil::engine_code::Disconnected,
            QCoreApplication::translate("PgEngine", "Нет соединения с сервером библиотеки"));
    }

private:
    // The cell of the current row: the result being streamed (its one row), or a row kept
    // aside when another statement took the connection; null for NULL.
    QByteArrayView cell(int column) const
    {
        if (FResult && FRow == 0) {
            if (column < 0 || column >= PQnfields(FResult) || PQgetisnull(FResult, 0, column))
                return {};
            return QByteArrayView(PQgetvalue(FResult, 0, column), PQgetlength(FResult, 0, column));
        }
        if (FResult || FKept < 0 || FKept >= qsizetype(FKeptRows.size()) || column < 0 ||
            size_t(column) >= FTypes.size())
            return {};
        const size_t at = size_t(FKeptRows[size_t(FKept)]) + size_t(column);
        const qsizetype length = FKeptLengths[at];
        if (length < 0)
            return {};
        return QByteArrayView(FKeptText.constData() + FKeptStarts[at], length);
    }

    void keepRow(PGresult *row)
    {
        const int columns = PQnfields(row);
        FKeptRows.push_back(qsizetype(FKeptLengths.size()));
        for (int c = 0; c < columns; ++c) {
            const bool null = PQgetisnull(row, 0, c);
            const int length = null ? -1 : PQgetlength(row, 0, c);
            FKeptStarts.push_back(FKeptText.size());
            FKeptLengths.push_back(length);
            if (!null)
                FKeptText.append(PQgetvalue(row, 0, c), length);
        }
    }

    // Reads what follows the run's last result (libpq ends every run with no result).
    void finishRun()
    {
        while (PGresult *result = PQgetResult(FEngine.handle())) {
            if (PQresultStatus(result) == PGRES_FATAL_ERROR && FError.code() == 0) {
                failWith(result);
                continue;
            }
            PQclear(result);
        }
    }

    void failWith(PGresult *result)
    {
        const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const QString words =
            wordsOf(result ? PQresultErrorMessage(result) : PQerrorMessage(FEngine.handle()));
        FError = state ? quil::EngineError(codeOfState(state), words) : FEngine.failure(words);
        FEngine.fail(FError);
        if (result)
            PQclear(result);
        if (FEngine.handle() && PQstatus(FEngine.handle()) != CONNECTION_BAD)
            finishRun();
    }

    void endStreaming()
    {
        if (!FStreaming)
            return;
        FStreaming = false;
        if (FEngine.FStreaming == this)
            FEngine.FStreaming = nullptr;
    }

    void clearResult()
    {
        if (FStreaming)
            settle(false);
        if (FResult)
            PQclear(FResult);
        FResult = nullptr;
        FRow = -1;
        FChanges = 0;
        FKeptRows.clear();
        FKeptStarts.clear();
        FKeptLengths.clear();
        FKeptText.clear();
        FKept = -1;
        FTypes.clear();
    }
    // A pattern without letters that have a case needs no case folding, which costs the server
    // more than the match itself (every row's text folded, the empty pattern too): "ILIKE"
    // is then " LIKE".
    QByteArray textForValues() const
    {
        QByteArray text = FSql;
        for (const auto &[at, mark] : FCaseFolds) {
            if (FNull[size_t(mark)])
                continue;
            const QString value = QString::fromUtf8(FValues[size_t(mark)]);
            if (value == value.toLower() && value == value.toUpper())
                text[at] = ' ';
        }
        return text;
    }

    PgEngine &FEngine;
    QByteArray FSql;
    std::vector<QByteArray> FValues;
    std::vector<bool> FNull;
    std::vector<std::pair<qsizetype, int>> FCaseFolds; // byte of each ILIKE, and its mark
    // The current row: the last result the server sent (one row), FRow 0 once it is read.
    PGresult *FResult = nullptr;
    int FRow = -1;
    bool FStreaming = false; // the server is still sending the run's rows
    std::vector<Oid> FTypes; // of the run's columns
    // The rows kept when another statement took the connection: where each row's cells
    // start in FKeptStarts and FKeptLengths (-1: NULL), their bytes end to end.
    std::vector<qsizetype> FKeptRows;
    std::vector<qsizetype> FKeptStarts;
    std::vector<qsizetype> FKeptLengths;
    QByteArray FKeptText;
    qsizetype FKept = -1; // the current kept row
    qint64 FChanges = 0;
    quil::EngineError FError;
};

PgEngine::PgEngine() = default;

PgEngine::~PgEngine() { close(); }

quil::EngineError PgEngine::failure(const QString &words) const
{
    if (!FConn || PQstatus(FConn) == CONNECTION_BAD)
        return quil::EngineError(quil::engine_code::Disconnected, words);
    return quil::EngineError(ServerFailure, words);
}

void PgEngine::open(const QString &path, bool, int)
{
    close();
    const ServerLibrary library = readServerLibrary(path);
    FSchema = library.schema;
    openConnectionString(library.connectionString);
}

void PgEngine::openConnectionString(const QString &connectionString)
{
    close();
    FConnectionString = connectionString;
    connect();
}

std::function<QString(const QString &)> PgEngine::askPassword;

void PgEngine::connect()
{
    const auto attempt = [this] {
        const QString full = withPassword(FConnectionString, passwords().value(FConnectionString));
        FConn = PQconnectdb(full.toUtf8().constData());
    };
    attempt();
    while (PQstatus(FConn) != CONNECTION_OK && PQconnectionNeedsPassword(FConn) && askPassword) {
        const QString asked = askPassword(
            QCoreApplication::translate("PgEngine", "Пароль пользователя %1 на сервере %2:")
                .arg(QString::fromUtf8(PQuser(FConn)), QString::fromUtf8(PQhost(FConn))));
        if (asked.isEmpty())
            break;
        passwords().insert(FConnectionString, asked);
        PQfinish(FConn);
        attempt();
    }
    if (PQstatus(FConn) != CONNECTION_OK) {
        passwords().remove(FConnectionString);
        const QString words = wordsOf(PQerrorMessage(FConn));
        // libpq gives no code for a refused login, only its words (in the server's language
        // when the server answered; ours are English).
        const bool login =
            PQconnectionNeedsPassword(FConn) || words.contains(QLatin1String("authentication")) ||
            words.contains(QLatin1String("role \"")) || words.contains(QLatin1String("password"));
        PQfinish(FConn);
        FConn = nullptr;
        FError = quil::EngineError(
            login ? quil::engine_code::Auth : quil::engine_code::Disconnected, words);
        quil::throwEngineError(FError);
    }
    afterConnect();
}

void PgEngine::afterConnect()
{
    PQsetClientEncoding(FConn, "UTF8");
    QStringList setup{QStringLiteral("SET client_min_messages = warning")};
    if (!FSchema.isEmpty()) {
        QString schema = FSchema;
        schema.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        setup << QStringLiteral("SET search_path TO \"%1\"").arg(schema);
    }
    setup << QStringLiteral("LISTEN quil_books");
    for (const QString &statement : setup) {
        PGresult *result = PQexec(FConn, statement.toUtf8().constData());
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        if (!ok) {
            FError = failure(wordsOf(PQerrorMessage(FConn)));
            close();
            quil::throwEngineError(FError);
        }
    }
}

bool PgEngine::ensureConnected()
{
    if (!FConn) {
        FError = quil::EngineError(
            quil::engine_code::Disconnected,
            QCoreApplication::translate("PgEngine", "Нет соединения с сервером библиотеки"));
        return false;
    }
    if (PQstatus(FConn) != CONNECTION_BAD)
        return true;
    settleStreaming();
    // A transaction the server lost cannot go on; the next one starts on a new connection.
    PQreset(FConn);
    if (PQstatus(FConn) != CONNECTION_OK) {
        FError = quil::EngineError(quil::engine_code::Disconnected, wordsOf(PQerrorMessage(FConn)));
        return false;
    }
    try {
        afterConnect();
    } catch (const quil::Error &) {
        return false;
    }
    // What others stored while the connection was down was not heard: read it all again.
    noteUnknownChange();
    if (onReconnect)
        onReconnect();
    return true;
}

void PgEngine::create(const QString &path)
{
    open(path, false, 0);
    const char *const schema[] = {
        "CREATE COLLATION IF NOT EXISTS russian (provider = icu, locale = 'ru-RU')",
        "CREATE TABLE books (name text COLLATE russian NOT NULL,"
        " title text COLLATE russian NOT NULL, city text COLLATE russian,"
        " resume text COLLATE russian, location text COLLATE russian,"
        " key bigserial PRIMARY KEY, wname text COLLATE russian, wtitle text COLLATE russian,"
        " wpublisher text COLLATE russian, year text COLLATE russian,"
        " pages text COLLATE russian, version bigint NOT NULL DEFAULT 1)",
        // Every store moves the row's version, whoever makes it.
        "CREATE FUNCTION books_version() RETURNS trigger LANGUAGE plpgsql AS"
        " $$BEGIN NEW.version := OLD.version + 1; RETURN NEW; END$$",
        "CREATE TRIGGER books_version BEFORE UPDATE ON books FOR EACH ROW"
        " EXECUTE FUNCTION books_version()",
        // Every change is told to the programs that have the library open: the schema and the
        // key of the row, or "*" when the whole table went.
        "CREATE FUNCTION books_notify() RETURNS trigger LANGUAGE plpgsql AS"
        " $$BEGIN PERFORM pg_notify('quil_books', TG_TABLE_SCHEMA || ' ' ||"
        " CASE WHEN TG_LEVEL = 'STATEMENT' THEN '*' WHEN TG_OP = 'DELETE' THEN OLD.key::text"
        " ELSE NEW.key::text END); RETURN NULL; END$$",
        "CREATE TRIGGER books_notify AFTER INSERT OR UPDATE OR DELETE ON books"
        " FOR EACH ROW EXECUTE FUNCTION books_notify()",
        "CREATE TRIGGER books_notify_all AFTER TRUNCATE ON books"
        " FOR EACH STATEMENT EXECUTE FUNCTION books_notify()",
    };
    if (!begin(Transaction::Store))
        quil::throwEngineError(FError);
    for (const char *statement : schema) {
        if (!execute(QString::fromLatin1(statement))) {
            const quil::EngineError error = FError;
            rollback();
            quil::throwEngineError(error);
        }
    }
    // Where the server offers trigram indexes, the selection's "contains" patterns use one
    // instead of folding the case of every row; a server without them goes slower, not wrong.
    execute(QStringLiteral("SAVEPOINT trigrams"));
    if (execute(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm")) &&
        execute(QStringLiteral("CREATE INDEX books_contains ON books USING gin (name "
                               "gin_trgm_ops, title gin_trgm_ops, location gin_trgm_ops)")))
        execute(QStringLiteral("RELEASE SAVEPOINT trigrams"));
    else
        execute(QStringLiteral("ROLLBACK TO SAVEPOINT trigrams"));
    if (!commit())
        quil::throwEngineError(FError);
}

void PgEngine::settleStreaming()
{
    if (FStreaming)
        FStreaming->settle(true);
}

void PgEngine::close()
{
    if (FStreaming)
        FStreaming->abandon();
    if (FConn)
        PQfinish(FConn);
    FConn = nullptr;
    FTrigramColumns.reset();
    FDamaged = false;
}

void PgEngine::prepareForUse(bool) {}

std::unique_ptr<quil::Statement> PgEngine::prepare(const QString &sql)
{
    if (!FConn) {
        FError = quil::EngineError(
            quil::engine_code::Disconnected,
            QCoreApplication::translate("PgEngine", "Нет соединения с сервером библиотеки"));
        return nullptr;
    }
    int parameters = 0;
    std::vector<CaseFold> caseFolds;
    QString text = translate(sql, &parameters, &caseFolds);
    return std::make_unique<PgStatement>(*this, std::move(text), parameters, caseFolds);
}

bool PgEngine::begin(Transaction) { return execute(QStringLiteral("BEGIN")); }

bool PgEngine::commit() { return execute(QStringLiteral("COMMIT")); }

bool PgEngine::rollback()
{
    if (!FConn || PQstatus(FConn) == CONNECTION_BAD)
        return true; // the server dropped it with the connection
    return execute(QStringLiteral("ROLLBACK"));
}

bool PgEngine::inTransaction() const
{
    if (!FConn)
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(FConn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

QStringList PgEngine::columns(const QString &table)
{
    QStringList names;
    // The catalog itself: the same answer as information_schema.columns (the columns of a
    // table, view or foreign table the user may use), at a fraction of a fresh session's cost.
    const auto statement = prepare(QStringLiteral(
        "SELECT a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
        "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = current_schema() "
        "AND c.relname = ? AND c.relkind IN ('r', 'v', 'f', 'p') AND a.attnum > 0 "
        "AND NOT a.attisdropped AND (pg_has_role(c.relowner, 'USAGE') OR "
        "has_column_privilege(c.oid, a.attnum, 'SELECT, INSERT, UPDATE, REFERENCES')) "
        "ORDER BY a.attnum"));
    if (!statement)
        return names;
    statement->bind(0, table.toLower());
    if (!statement->exec())
        return names;
    while (statement->next())
        names << statement->value(0).toString();
    return names;
}

bool PgEngine::narrowsLike(const QString &column)
{
    if (!FTrigramColumns) {
        // A server without pg_trgm made the table without the index, and then folds the case
        // of every row for a LIKE: handing the rows over is cheaper.
        const auto q = prepare(QStringLiteral(
            "SELECT a.attname FROM pg_index i JOIN pg_class ic ON ic.oid = i.indexrelid "
            "JOIN pg_am am ON am.oid = ic.relam JOIN pg_attribute a ON a.attrelid = i.indrelid "
            "AND a.attnum = ANY (i.indkey) WHERE i.indrelid = to_regclass('books') "
            "AND am.amname IN ('gin', 'gist')"));
        if (!q || !q->exec())
            return false;
        FTrigramColumns.emplace();
        while (q->next())
            FTrigramColumns->append(q->value(0).toString());
    }
    return FTrigramColumns->contains(column, Qt::CaseInsensitive);
}

void PgEngine::readNotifications()
{
    if (!FConn || PQstatus(FConn) == CONNECTION_BAD)
        return;
    PQconsumeInput(FConn);
    const int self = PQbackendPID(FConn);
    while (PGnotify *notify = PQnotifies(FConn)) {
        const QList<QByteArray> words = QByteArray(notify->extra).split(' ');
        const QString schema = QString::fromUtf8(words.value(0));
        if (notify->be_pid != self && (FSchema.isEmpty() || schema == FSchema)) {
            bool isKey = false;
            const qint64 key = words.value(1).toLongLong(&isKey);
            if (!isKey) {
                noteUnknownChange();
            } else {
                FChangeLog.emplace_back(++FChanges, key);
                if (FChangeLog.size() > ChangeLogSize) {
                    FLogForgotten = FChangeLog.front().first;
                    FChangeLog.pop_front();
                }
            }
        }
        PQfreemem(notify);
    }
}

bool PgEngine::changedKeysSince(qint64 dataVersion, std::vector<qint64> &keys)
{
    readNotifications();
    keys.clear();
    if (FUnknownAt > dataVersion || FLogForgotten > dataVersion)
        return false;
    const auto after =
        std::upper_bound(FChangeLog.begin(), FChangeLog.end(), dataVersion,
                         [](qint64 version, const auto &change) { return version < change.first; });
    std::set<qint64> changed;
    for (auto it = after; it != FChangeLog.end(); ++it)
        changed.insert(it->second);
    // A long run of changes (an import elsewhere) is cheaper read again whole.
    if (changed.size() > MaxChangedKeys)
        return false;
    keys.assign(changed.begin(), changed.end());
    return true;
}

qint64 PgEngine::dataVersion()
{
    readNotifications();
    return FChanges;
}

void PgEngine::attachDamaged(const QString &path, const QString &)
{
    throw quil::Error(
        QCoreApplication::translate("PgEngine", "%1 не файл, его не собрать заново").arg(path));
}

void PgEngine::interrupt()
{
    if (!FConn)
        return;
    if (PGcancel *cancel = PQgetCancel(FConn)) {
        char words[256];
        PQcancel(cancel, words, sizeof words);
        PQfreeCancel(cancel);
    }
}

int PgEngine::socket() const { return FConn ? PQsocket(FConn) : -1; }

} // namespace pg
