#include "store/LibraryFile.h"

#include "db/Connection.h"
#include "db/SqliteEngine.h"
#include "pg/PgEngine.h"
#include "pg/PgLibrary.h"
#include "platform/Dialogs.h"
#include "store/Backup.h"
#include "store/Book.h"
#include "store/LibraryCheck.h"
#include "store/TextIndex.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <unistd.h>

namespace library {

std::unique_ptr<quil::Engine> engineFor(const QString &path)
{
    if (pg::isServerLibrary(path)) {
        if (!pg::PgEngine::askPassword)
            pg::PgEngine::askPassword = [](const QString &question) {
                return quil::dialogs().askPassword(question);
            };
        return std::make_unique<pg::PgEngine>();
    }
    return std::make_unique<quil::SqliteEngine>();
}

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
    // Every column the selection reads: the keywords lie behind the abstract in a row, so
    // without it a selection reads the whole file, abstracts included.
    "CREATE INDEX IF NOT EXISTS BooksSelect ON Books(Name, Title, Location, City)",
};

} // namespace

void validate(quil::Engine &engine)
{
    if (auto *server = dynamic_cast<pg::PgEngine *>(&engine)) {
        pg::validate(*server);
        return;
    }
    const auto kind = engine.prepareOrThrow(
        QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    kind->bind(0, book::TableName);
    quil::execOrThrow(*kind);
    const bool found = kind->next();
    quil::checkFinished(*kind);
    if (!found)
        throw quil::Error(QCoreApplication::translate("LibraryFile", "В файле нет таблицы Books"));
    if (kind->value(0).toString() != QLatin1String("table"))
        throw quil::Error(
            QCoreApplication::translate("LibraryFile", "Books в этом файле не таблица"));
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
            throw quil::Error(
                QCoreApplication::translate("LibraryFile", "В таблице Books нет поля %1")
                    .arg(def.name));
    const auto key = columns.value(book::Key.toLower());
    if (primaryKeys != 1 || key.second != 1 ||
        key.first.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) != 0)
        throw quil::Error(QCoreApplication::translate(
            "LibraryFile", "Поле key таблицы Books не целочисленный первичный ключ"));
}

void addIndexes(quil::Engine &engine)
{
    // A library from elsewhere may lack the indexes; a read-only one simply goes without them.
    for (const char *statement : IndexStatements)
        engine.execute(QString::fromLatin1(statement));
}

void prepare(quil::Engine &engine)
{
    // A shared library's indexes are made with it, by whoever may change its schema.
    if (dynamic_cast<pg::PgEngine *>(&engine))
        return;
    addIndexes(engine);
    bool told = false;
    // A damaged file gets no index; the damage is the engine's to remember and the check's to tell.
    const auto whole = [&] {
        try {
            return damageIn(engine).isEmpty();
        } catch (const quil::EngineError &e) {
            if (e.damage())
                return false;
            throw;
        }
    };
    textindex::prepare(engine, engine.isReadOnly(), whole, [&](int done, int total) {
        // A small library is indexed before a window could show.
        if (total < 10000)
            return true;
        told = true;
        return quil::dialogs().showStoppable(
            QCoreApplication::translate("LibraryFile",
                                        "Библиотека готовится к быстрому поиску: %1 из %2 записей")
                .arg(done)
                .arg(total));
    });
    if (told)
        quil::dialogs().showBusy(QString());
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

// Any database file of the engine begins so, damaged or not, unless its first page was lost.
bool databaseFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

QString engineWords(const std::exception &e)
{
    const auto *error = dynamic_cast<const quil::Error *>(&e);
    return error && !error->detail().isEmpty() ? error->detail() : quil::messageOf(e);
}
} // namespace

quil::Error openError(const QString &path, const QString &libraryFileName, const std::exception &e)
{
    const QString library =
        QCoreApplication::translate("LibraryFile", "Библиотека ") + libraryFileName;
    const QFileInfo info(path);
    if (pg::isServerLibrary(path) && info.isFile())
        return pg::openError(libraryFileName, e);
    if (!info.exists())
        return quil::Error(library + QCoreApplication::translate("LibraryFile", " отсутствует!"),
                           engineWords(e));
    if (!info.isFile())
        return quil::Error(library + QCoreApplication::translate(
                                         "LibraryFile", " не открывается: это не файл, а папка или "
                                                        "устройство"));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        return quil::Error(library +
                           QCoreApplication::translate("LibraryFile",
                                                       " не удаётся прочитать: нет права на чтение "
                                                       "файла, его может дать владелец файла"));
    if (accessFile(path))
        return quil::Error(library + QCoreApplication::translate(
                                         "LibraryFile", " записана старой программой (Microsoft "
                                                        "Access); эта версия такие файлы не "
                                                        "открывает"));
    const auto *engine = dynamic_cast<const quil::EngineError *>(&e);
    if (!engine)
        return quil::Error(library +
                               QCoreApplication::translate("LibraryFile", " не подходит программе"),
                           engineWords(e));
    QString what;
    switch (engine->code()) {
    case quil::engine_code::Busy:
    case quil::engine_code::Locked:
        what = QCoreApplication::translate("LibraryFile",
                                           " занята другой программой; повторите позже");
        break;
    case quil::engine_code::Corrupt:
    case quil::engine_code::NotADb:
        what = databaseFile(path)
                   ? QCoreApplication::translate("LibraryFile", " повреждена и не открывается")
                   : QCoreApplication::translate("LibraryFile",
                                                 " повреждена или не является библиотекой");
        break;
    case quil::engine_code::IoErr:
        what = QCoreApplication::translate(
            "LibraryFile", " не удаётся прочитать из-за сбоя носителя: проверьте диск и "
                           "повторите");
        break;
    case quil::engine_code::CantOpen:
    case quil::engine_code::Perm:
        what = QCoreApplication::translate(
            "LibraryFile", " не удаётся открыть: проверьте права на файл и на его папку");
        break;
    default:
        what = QCoreApplication::translate("LibraryFile", " не открывается. ") + engine->sentence();
        break;
    }
    return quil::Error(library + what, engine->detail());
}

bool damagedAtOpen(const QString &path, const std::exception &e)
{
    const auto *engine = dynamic_cast<const quil::EngineError *>(&e);
    return engine && engine->damage() && (databaseFile(path) || !backupsOf(path).isEmpty());
}

void create(const QString &path)
{
    if (QFileInfo::exists(path))
        throw quil::Error(
            QCoreApplication::translate("LibraryFile", "Файл %1 уже существует").arg(path));
    quil::SqliteEngine engine;
    engine.create(path);
    bool ok = engine.execute(QStringLiteral(
        "CREATE TABLE Books ("
        " Name TEXT NOT NULL, Title TEXT NOT NULL, City TEXT, Resume TEXT, Location TEXT,"
        " key INTEGER PRIMARY KEY AUTOINCREMENT, WName TEXT, WTitle TEXT, WPublisher TEXT,"
        " Year TEXT, Pages TEXT)"));
    for (const char *statement : IndexStatements)
        ok = ok && engine.execute(QString::fromLatin1(statement));
    const quil::EngineError error = engine.error();
    engine.close();
    if (!ok)
        quil::throwEngineError(error);
}

} // namespace library
