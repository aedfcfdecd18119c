#include "store/LibraryFile.h"

#include "platform/Connection.h"
#include "platform/SqliteEngine.h"
#include "store/Book.h"

#include <QFileInfo>
#include <QHash>

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

} // namespace

void validate(quil::Engine &engine)
{
    const auto kind = engine.prepareOrThrow(
        QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    kind->bind(0, book::TableName);
    quil::execOrThrow(*kind);
    const bool found = kind->next();
    quil::checkFinished(*kind);
    if (!found)
        throw quil::Error(QStringLiteral("В файле нет таблицы Books"));
    if (kind->value(0).toString() != QLatin1String("table"))
        throw quil::Error(QStringLiteral("Books в этом файле не таблица"));
    kind->reset();

    const auto q =
        engine.prepareOrThrow(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
    q->bind(0, book::TableName);
    quil::execOrThrow(*q);
    QHash<QString, std::pair<QString, int>> columns;
    int primaryKeys = 0;
    while (q->next()) {
        const int pk = q->value(2).toInt();
        primaryKeys += pk > 0 ? 1 : 0;
        columns.insert(q->value(0).toString().toLower(), {q->value(1).toString(), pk});
    }
    quil::checkFinished(*q);
    q->reset();
    for (const quil::FieldDef &def : book::fieldDefs())
        if (!columns.contains(def.name.toLower()))
            throw quil::Error(QStringLiteral("В таблице Books нет поля %1").arg(def.name));
    const auto key = columns.value(book::Key.toLower());
    if (primaryKeys != 1 || key.second != 1 ||
        key.first.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) != 0)
        throw quil::Error(QStringLiteral("Поле key таблицы Books не целочисленный первичный ключ"));
}

void prepare(quil::Engine &engine)
{
    // A library from elsewhere may lack the indexes; a read-only one simply goes without them.
    for (const char *statement : IndexStatements)
        engine.execute(QString::fromLatin1(statement));
}

void create(const QString &path)
{
    if (QFileInfo::exists(path))
        throw quil::Error(QStringLiteral("Файл %1 уже существует").arg(path));
    quil::SqliteEngine engine;
    engine.create(path);
    bool ok = engine.execute(QStringLiteral(
        "CREATE TABLE Books ("
        " Name TEXT NOT NULL, Title TEXT NOT NULL, City TEXT, Resume TEXT, Location TEXT,"
        " key INTEGER PRIMARY KEY AUTOINCREMENT, WName TEXT, WTitle TEXT, WPublisher TEXT,"
        " Year TEXT, Pages TEXT)"));
    for (const char *statement : IndexStatements)
        ok = ok && engine.execute(QString::fromLatin1(statement));
    const QString error = engine.error().text;
    engine.close();
    if (!ok)
        throw quil::Error(error);
}

} // namespace library
