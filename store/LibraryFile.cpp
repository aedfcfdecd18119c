#include "store/LibraryFile.h"

#include "platform/Connection.h"
#include "platform/Error.h"
#include "store/Book.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <sqlite3.h>
#include <unistd.h>

namespace library {

QString folder(const QString &programFolder) { return programFolder + QStringLiteral("DBase/"); }

QString connectionString(const QString &programFolder, const QString &libraryFileName)
{
    return QStringLiteral("Provider=QSQLITE;Data Source=") +
           quil::connectionStringQuoted(folder(programFolder) + libraryFileName) +
           QStringLiteral(";Persist Security Info=False");
}

namespace {
const char *const IndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS BooksBrowse ON Books(key, City, Name, Title)",
    "CREATE INDEX IF NOT EXISTS BooksReference ON Books(key, WName, WTitle, WPublisher)",
};

void execOrThrow(QSqlQuery &q)
{
    if (!q.exec())
        quil::throwSqlError(q.lastError());
}

// A read that stopped at an unreadable page looks like the end of the rows.
void checkFinished(const QSqlQuery &q)
{
    if (q.lastError().isValid())
        quil::throwSqlError(q.lastError());
}
} // namespace

void validate(QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    q.addBindValue(book::TableName);
    execOrThrow(q);
    const bool found = q.next();
    checkFinished(q);
    if (!found)
        throw quil::Error(QStringLiteral("В файле нет таблицы Books"));
    if (q.value(0).toString() != QLatin1String("table"))
        throw quil::Error(QStringLiteral("Books в этом файле не таблица"));
    q.finish();

    q.prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
    q.addBindValue(book::TableName);
    execOrThrow(q);
    QHash<QString, std::pair<QString, int>> columns;
    int primaryKeys = 0;
    while (q.next()) {
        const int pk = q.value(2).toInt();
        primaryKeys += pk > 0 ? 1 : 0;
        columns.insert(q.value(0).toString().toLower(), {q.value(1).toString(), pk});
    }
    checkFinished(q);
    q.finish();
    for (const quil::FieldDef &def : book::fieldDefs())
        if (!columns.contains(def.name.toLower()))
            throw quil::Error(QStringLiteral("В таблице Books нет поля %1").arg(def.name));
    const auto key = columns.value(book::Key.toLower());
    if (primaryKeys != 1 || key.second != 1 ||
        key.first.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) != 0)
        throw quil::Error(QStringLiteral("Поле key таблицы Books не целочисленный первичный ключ"));
}

void prepare(QSqlDatabase &db)
{
    // A library from elsewhere may lack the indexes; a read-only one simply goes without them.
    QSqlQuery q(db);
    for (const char *statement : IndexStatements)
        q.exec(QString::fromLatin1(statement));
}

namespace {
// The old program's libraries are Access files: "Standard Jet DB" (or "ACE" for the newer
// format) stands at byte 4 of the file.
bool accessFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head.size() == 19 && (head.mid(4) == QByteArrayLiteral("Standard Jet DB") ||
                                 head.mid(4) == QByteArrayLiteral("Standard ACE DB"));
}

QString engineWords(const std::exception &e)
{
    const auto *error = dynamic_cast<const quil::Error *>(&e);
    return error && !error->detail().isEmpty() ? error->detail() : quil::messageOf(e);
}
} // namespace

quil::Error openError(const QString &path, const QString &libraryFileName, const std::exception &e)
{
    const QString library = QStringLiteral("Библиотека ") + libraryFileName;
    const QFileInfo info(path);
    if (!info.exists())
        return quil::Error(library + QStringLiteral(" отсутствует!"), engineWords(e));
    if (!info.isFile())
        return quil::Error(library + QStringLiteral(" не открывается: это не файл, а папка или "
                                                    "устройство"));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return quil::Error(library + QStringLiteral(" не удаётся прочитать: нет права на чтение "
                                                    "файла, его может дать владелец файла"));
    if (accessFile(path))
        return quil::Error(library + QStringLiteral(" записана старой программой (Microsoft "
                                                    "Access); эта версия такие файлы не "
                                                    "открывает"));
    const auto *engine = dynamic_cast<const quil::EngineError *>(&e);
    if (!engine)
        return quil::Error(library + QStringLiteral(" не подходит программе"), engineWords(e));
    QString what;
    switch (engine->code()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: what = QStringLiteral(" занята другой программой; повторите позже"); break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        what = QStringLiteral(" повреждена или не является библиотекой: откройте её резервную "
                              "копию");
        break;
    case SQLITE_IOERR:
        what = QStringLiteral(" не удаётся прочитать из-за сбоя носителя: проверьте диск и "
                              "повторите");
        break;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        what = QStringLiteral(" не удаётся открыть: проверьте права на файл и на его папку");
        break;
    default: what = QStringLiteral(" не открывается. ") + engine->sentence(); break;
    }
    return quil::Error(library + what, engine->detail());
}

void create(const QString &path)
{
    if (QFileInfo::exists(path))
        throw quil::Error(QStringLiteral("Файл %1 уже существует").arg(path));
    const QString name = QStringLiteral("create-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            quil::throwSqlError(db.lastError());
        QSqlQuery q(db);
        const bool ok = q.exec(QStringLiteral(
            "CREATE TABLE Books ("
            " Name TEXT NOT NULL, Title TEXT NOT NULL, City TEXT, Resume TEXT, Location TEXT,"
            " key INTEGER PRIMARY KEY AUTOINCREMENT, WName TEXT, WTitle TEXT, WPublisher TEXT,"
            " Year TEXT, Pages TEXT)"));
        bool indexed = ok;
        for (const char *statement : IndexStatements)
            indexed = indexed && q.exec(QString::fromLatin1(statement));
        const QSqlError error = q.lastError();
        q.finish();
        db.close();
        if (!ok || !indexed)
            quil::throwSqlError(error);
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace library
