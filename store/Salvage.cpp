#include "store/Salvage.h"

#include "db/SqliteEngine.h"
#include "store/Book.h"
#include "store/DurableFile.h"
#include "store/LibraryCheck.h"
#include "store/LibraryFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <limits>
#include <optional>
#include <set>

namespace library {
namespace {

const QString SalvageSuffix = QStringLiteral(".salvaging");
const QString DamagedFolder = QStringLiteral("Damaged");

// Every key that the table or any of its indexes still names, each read until it fails.
std::set<qint64> knownKeys(quil::Engine &engine)
{
    QStringList sources{QString()};
    if (const auto names = engine.prepare(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='Books'"));
        names && names->exec())
        while (names->next())
            sources << QStringLiteral(" INDEXED BY ") + names->value(0).toString();
    std::set<qint64> keys;
    for (const QString &source : sources) {
        const auto walk = engine.prepare(QStringLiteral("SELECT key FROM Books") + source);
        if (walk && walk->exec())
            while (walk->next())
                keys.insert(walk->integer(0));
    }
    return keys;
}

class Writer {
public:
    explicit Writer(const QString &target)
    {
        create(target);
        FEngine.open(target, false, 0);
        // No name a user sees until checked: neither journal nor syncs while it is written.
        FEngine.executeOrThrow(QStringLiteral("PRAGMA journal_mode=OFF"));
        FEngine.executeOrThrow(QStringLiteral("PRAGMA synchronous=OFF"));
        QStringList names;
        for (const quil::FieldDef &def : book::fieldDefs())
            names << def.name;
        FInsert =
            FEngine.prepareOrThrow(QStringLiteral("INSERT INTO Books (%1) VALUES (?%2)")
                                       .arg(names.join(QStringLiteral(", ")),
                                            QStringLiteral(", ?").repeated(int(names.size()) - 1)));
        FEngine.executeOrThrow(QStringLiteral("BEGIN"));
    }
    void add(const quil::Statement &row)
    {
        for (int i = 0; i < FColumns; ++i)
            FInsert->bind(i, row.value(i));
        quil::execOrThrow(*FInsert);
        FInsert->reset();
    }
    void finish()
    {
        FEngine.executeOrThrow(QStringLiteral("COMMIT"));
        FInsert.reset();
        FEngine.close();
    }

private:
    quil::SqliteEngine FEngine;
    std::unique_ptr<quil::Statement> FInsert;
    const int FColumns = int(book::fieldDefs().size());
};

} // namespace

Salvaged salvage(const QString &source, const QString &target)
{
    quil::SqliteEngine engine;
    engine.open(source, true, 5000);
    const std::set<qint64> keys = knownKeys(engine);
    const auto defs = book::fieldDefs();
    QStringList names;
    int keyColumn = 0;
    for (const quil::FieldDef &def : defs) {
        if (def.autoIncrement)
            keyColumn = int(names.size());
        names << def.name;
    }
    const int lostColumn = int(names.size());
    const QString select = QStringLiteral("SELECT %1, %2 FROM Books WHERE ")
                               .arg(names.join(QStringLiteral(", ")), lostPageTest());
    // Every entry from a key on, in key order; then one entry alone.
    const auto from = engine.prepareOrThrow(select + QStringLiteral("key >= ? ORDER BY key"));
    const auto one = engine.prepareOrThrow(select + QStringLiteral("key = ?"));

    Salvaged result;
    removeLibraryFile(target);
    try {
        Writer writer(target);
        const auto take = [&](const quil::Statement &row) {
            if (row.integer(lostColumn) != 0) {
                result.lost << row.integer(keyColumn);
                return;
            }
            writer.add(row);
            ++result.saved;
        };
        // Read on until a page fails; the entry there is the next key known after the last
        // one read: it is tried alone, and the reading goes on past it.
        qint64 next = std::numeric_limits<qint64>::min();
        for (;;) {
            std::optional<qint64> last;
            from->bindInteger(0, next);
            bool whole = from->exec();
            if (whole) {
                while (from->next()) {
                    take(*from);
                    last = from->integer(keyColumn);
                }
                whole = !from->error().isValid();
            }
            from->reset();
            if (whole)
                break;
            const auto suspect = last ? keys.upper_bound(*last) : keys.lower_bound(next);
            if (suspect == keys.end())
                break;
            one->bindInteger(0, *suspect);
            if (one->exec() && one->next())
                take(*one);
            else
                result.lost << *suspect;
            one->reset();
            next = *suspect + 1;
        }
        writer.finish();
        if (!syncPath(target))
            throw systemError(
                QCoreApplication::translate("Salvage", "Не удалось записать %1 на диск")
                    .arg(target));
        checkWritten(target, result.saved);
    } catch (...) {
        removeLibraryFile(target);
        throw;
    }
    return result;
}

QString salvagePath(const QString &libraryPath) { return libraryPath + SalvageSuffix; }

QString damagedPath(const QString &libraryPath)
{
    const QFileInfo library(libraryPath);
    const QDir folder(library.absolutePath() + QLatin1Char('/') + DamagedFolder);
    QString aside = folder.filePath(library.fileName());
    for (int n = 2; QFileInfo::exists(aside) && !sameContents(aside, libraryPath); ++n)
        aside = folder.filePath(QStringLiteral("%1 %2.%3")
                                    .arg(library.completeBaseName())
                                    .arg(n)
                                    .arg(library.suffix()));
    return aside;
}

QString putSalvagedInPlace(const QString &libraryPath)
{
    const QString aside = damagedPath(libraryPath);
    const QString salvaged = salvagePath(libraryPath);
    try {
        // Kept there already, the same bytes: nothing to keep twice.
        if (QFileInfo::exists(aside))
            QFile::remove(aside);
        replaceKeepingAside(libraryPath, salvaged, aside, SalvageSuffix);
    } catch (...) {
        removeLibraryFile(salvaged);
        throw;
    }
    // A journal left beside belongs to the damaged file, and goes with it.
    const QString journal = libraryPath + QStringLiteral("-journal");
    if (QFileInfo::exists(journal)) {
        QFile::remove(aside + QStringLiteral("-journal"));
        QFile::rename(journal, aside + QStringLiteral("-journal"));
    }
    return aside;
}

} // namespace library
