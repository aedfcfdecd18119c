#include "store/LibraryFile.h"

#include "platform/Error.h"
#include "store/Book.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace library {

QString folder(const QString &programFolder) { return programFolder + QStringLiteral("DBase/"); }

QString connectionString(const QString &programFolder, const QString &libraryFileName)
{
    return QStringLiteral("Provider=QSQLITE;Data Source=") + folder(programFolder) +
           libraryFileName + QStringLiteral(";Persist Security Info=False");
}

namespace {
const char *const BrowseIndexStatement =
    "CREATE INDEX IF NOT EXISTS BooksBrowse ON Books(key, City, Name, Title)";
} // namespace

void prepare(QSqlDatabase &db)
{
    const QSqlRecord columns = db.record(book::TableName);
    if (columns.isEmpty())
        throw quil::Error(QStringLiteral("В файле нет таблицы Books"));
    for (const quil::FieldDef &def : book::fieldDefs())
        if (columns.indexOf(def.name) < 0)
            throw quil::Error(QStringLiteral("В таблице Books нет поля %1").arg(def.name));
    // A library from elsewhere may lack the index; a read-only one simply goes without it.
    QSqlQuery q(db);
    q.exec(QString::fromLatin1(BrowseIndexStatement));
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
            throw quil::Error(db.lastError().text());
        QSqlQuery q(db);
        const bool ok = q.exec(QStringLiteral(
            "CREATE TABLE Books ("
            " Name TEXT NOT NULL, Title TEXT NOT NULL, City TEXT, Resume TEXT, Location TEXT,"
            " key INTEGER PRIMARY KEY AUTOINCREMENT, WName TEXT, WTitle TEXT, WPublisher TEXT,"
            " Year TEXT, Pages TEXT)"));
        const bool indexed = ok && q.exec(QString::fromLatin1(BrowseIndexStatement));
        const QString error = q.lastError().text();
        q.finish();
        db.close();
        if (!ok || !indexed)
            throw quil::Error(error);
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace library
