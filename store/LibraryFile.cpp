#include "store/LibraryFile.h"

#include "platform/Error.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace library {

QString folder(const QString &programFolder) { return programFolder + QStringLiteral("DBase/"); }

QString connectionString(const QString &programFolder, const QString &libraryFileName)
{
    return QStringLiteral("Provider=QSQLITE;Data Source=") + folder(programFolder) +
           libraryFileName + QStringLiteral(";Persist Security Info=False");
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
        const QString error = q.lastError().text();
        q.finish();
        db.close();
        if (!ok)
            throw quil::Error(error);
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace library
