#include "store/LibraryCopy.h"

#include "db/Engine.h"
#include "pg/PgEngine.h"
#include "store/Book.h"
#include "store/LibraryFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace library {
namespace {

QString quoted(const QStringList &names)
{
    QStringList out;
    for (const QString &name : names)
        out << QLatin1Char('"') + name + QLatin1Char('"');
    return out.join(QLatin1Char(','));
}

QString columnList()
{
    QStringList names;
    for (const quil::FieldDef &def : book::fieldDefs())
        names << def.name;
    return quoted(names);
}

// Tables beside Books keyed by an entry's key, every other column a text: the records as
// imports took them in. The index of texts is not among them: a file makes its own at its
// first open, and a server has its own.
const QStringList SideTables = {QStringLiteral("Originals")};

// Every row the read gives, written by the insert; the count of rows.
qint64 copyRows(quil::Statement &read, quil::Statement &write, int columns)
{
    qint64 rows = 0;
    quil::execOrThrow(read);
    while (read.next()) {
        for (int i = 0; i < columns; ++i)
            write.bind(i, read.value(i));
        quil::execOrThrow(write);
        write.reset();
        ++rows;
    }
    quil::checkFinished(read);
    return rows;
}

// Every row of a side table the source has, into the same table made anew in the target.
void copySideTable(quil::Engine &source, quil::Engine &target, const QString &table)
{
    const QStringList columns = source.columns(table);
    if (columns.isEmpty() || !columns.contains(QStringLiteral("key"), Qt::CaseInsensitive))
        return;
    QStringList definitions;
    QStringList marks;
    for (const QString &column : columns) {
        const bool key = column.compare(QStringLiteral("key"), Qt::CaseInsensitive) == 0;
        definitions << QLatin1Char('"') + column + QLatin1Char('"') + QLatin1Char(' ') +
                           (key ? target.keyColumnType() : QStringLiteral("TEXT"));
        marks << QStringLiteral("?");
    }
    target.executeOrThrow(QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (%2)")
                              .arg(table, definitions.join(QLatin1Char(','))));
    const auto read =
        source.prepareOrThrow(QStringLiteral("SELECT %1 FROM \"%2\"").arg(quoted(columns), table));
    const auto write = target.prepareOrThrow(QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                                 .arg(table, quoted(columns), marks.join(',')));
    copyRows(*read, *write, int(columns.size()));
}

// The target, made empty and open for writing; the server's table is made in its schema.
std::unique_ptr<quil::Engine> makeTarget(const QString &to)
{
    if (pg::isServerLibrary(to)) {
        if (!QFileInfo(to).isFile())
            throw quil::Error(
                QStringLiteral("Файл %1 не найден: в нём пишется адрес сервера библиотеки")
                    .arg(to));
        auto server = std::make_unique<pg::PgEngine>();
        server->open(to, false, 0);
        if (!server->columns(book::TableName).isEmpty())
            throw quil::Error(QStringLiteral("На сервере %1 уже есть библиотека (таблица Books): "
                                             "она не будет перезаписана")
                                  .arg(QFileInfo(to).fileName()));
        server->close();
        server->create(to);
        return server;
    }
    if (QFileInfo::exists(to))
        throw quil::Error(
            QStringLiteral("Файл %1 уже существует: он не будет перезаписан").arg(to));
    create(to);
    auto file = engineFor(to);
    file->open(QFileInfo(to).absoluteFilePath(), false, 5000);
    file->prepareForUse(false);
    return file;
}

// A failed copy leaves no half library behind.
void removeTarget(const QString &to)
{
    if (!pg::isServerLibrary(to)) {
        QFile::remove(to);
        return;
    }
    pg::PgEngine server;
    server.open(to, false, 0);
    server.execute(QStringLiteral("DROP TABLE IF EXISTS books"));
    for (const QString &table : SideTables)
        server.execute(QStringLiteral("DROP TABLE IF EXISTS \"%1\"").arg(table));
    server.execute(QStringLiteral("DROP FUNCTION IF EXISTS books_version() CASCADE"));
    server.execute(QStringLiteral("DROP FUNCTION IF EXISTS books_notify() CASCADE"));
}

} // namespace

Copied copyLibrary(const QString &from, const QString &to)
{
    if (!QFileInfo(from).isFile())
        throw quil::Error(QStringLiteral("Файл %1 не найден").arg(from));
    if (QFileInfo(from).absoluteFilePath() == QFileInfo(to).absoluteFilePath())
        throw quil::Error(QStringLiteral("Библиотеку нельзя скопировать в неё саму"));
    const auto source = engineFor(from);
    source->open(QFileInfo(from).absoluteFilePath(), true, 5000);
    source->prepareForUse(true);
    validate(*source);
    // Checked before the target is made, so a wrong source leaves nothing behind.
    const auto read = source->prepareOrThrow(
        QStringLiteral("SELECT %1 FROM \"Books\" ORDER BY \"key\"").arg(columnList()));

    Copied copied;
    bool made = false;
    try {
        const auto target = makeTarget(to);
        made = true;
        const int count = int(book::fieldDefs().size());
        QStringList marks;
        for (int i = 0; i < count; ++i)
            marks << QStringLiteral("?");
        const auto write = target->prepareOrThrow(QStringLiteral("INSERT INTO \"Books\" (%1) "
                                                                 "VALUES (%2)")
                                                      .arg(columnList(), marks.join(',')));
        if (!target->begin(quil::Engine::Transaction::Bulk))
            quil::throwEngineError(target->error());
        copied.entries = copyRows(*read, *write, count);
        for (const QString &table : SideTables)
            copySideTable(*source, *target, table);
        if (pg::isServerLibrary(to))
            target->executeOrThrow(
                QStringLiteral("SELECT setval(pg_get_serial_sequence('books', 'key'), "
                               "coalesce(max(key), 0) + 1, false) FROM books"));
        if (!target->commit())
            quil::throwEngineError(target->error());
        target->close();
    } catch (...) {
        if (made)
            removeTarget(to);
        throw;
    }
    return copied;
}

} // namespace library
