#include "store/Salvage.h"

#include "db/SqliteEngine.h"
#include "store/Book.h"
#include "store/DurableFile.h"
#include "store/LibraryCheck.h"
#include "store/LibraryFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <optional>

namespace library {
namespace {

const QString SalvageSuffix = QStringLiteral(".salvaging");
const QString DamagedFolder = QStringLiteral("Damaged");
// About so many entries are read per step: few statements, and a step that fails is halved
// within a few megabytes.
constexpr qint64 StepEntries = 1024;
constexpr qint64 MaxStep = qint64(1) << 40;

// The new library, with the damaged one beside it on the same handle: each range of keys is
// copied by one statement, which the engine undoes whole when a page of the range fails. Each
// is a transaction of its own: within one, a page that failed fails every read after it.
class Rescue {
public:
    Rescue(const QString &source, const QString &target)
    {
        create(target);
        FEngine.open(target, false, 0);
        // No name a user sees until checked: no syncs while it is written. The journal stays in
        // memory, there only to undo a statement that meets a damaged page.
        FEngine.executeOrThrow(QStringLiteral("PRAGMA journal_mode=MEMORY"));
        FEngine.executeOrThrow(QStringLiteral("PRAGMA synchronous=OFF"));
        // The indexes built at the end sort on a second thread where there is one.
        FEngine.execute(QStringLiteral("PRAGMA threads=2"));
        // Entries go in by key: an index led by the key grows at its end as they do, where
        // building it at the end would read every entry, long values included, once more. The
        // others are built at the end, each in one sorted pass.
        QStringList indexes;
        if (const auto names = FEngine.prepareOrThrow(QStringLiteral(
                "SELECT m.name FROM sqlite_master m, pragma_index_info(m.name) i "
                "WHERE m.type='index' AND m.sql IS NOT NULL AND i.seqno=0 AND i.name<>'key'"));
            names->exec())
            while (names->next())
                indexes << names->value(0).toString();
        for (const QString &index : std::as_const(indexes))
            FEngine.executeOrThrow(QStringLiteral("DROP INDEX \"%1\"").arg(index));
        FEngine.attachDamaged(source, QStringLiteral("damaged"));
        FEngine.executeOrThrow(QStringLiteral("PRAGMA damaged.cache_size=-65536"));

        QStringList names;
        for (const quil::FieldDef &def : book::fieldDefs())
            names << def.name;
        const QString columns = names.join(QStringLiteral(", "));
        const QString range = QStringLiteral(" FROM damaged.Books WHERE key >= ?1 AND key <= ?2");
        const QString single = QStringLiteral(" FROM damaged.Books WHERE key = ?1");
        const QString copy = QStringLiteral("INSERT INTO main.Books (%1) SELECT %1").arg(columns);
        // The test is null, not false, for an entry with null values.
        const QString whole = QStringLiteral(" AND NOT ifnull(%1, 0)").arg(lostPageTest());
        const QString zeros = QStringLiteral("SELECT key");
        const QString holed = QStringLiteral(" AND (%1)").arg(lostPageTest());
        FCopyRange = FEngine.prepareOrThrow(copy + range + whole);
        FCopyOne = FEngine.prepareOrThrow(copy + single + whole);
        FHoledRange = FEngine.prepareOrThrow(zeros + range + holed);
        FHoledOne = FEngine.prepareOrThrow(zeros + single + holed);
        FChanges = FEngine.prepareOrThrow(QStringLiteral("SELECT changes()"));
        FKeyIndexes = keyIndexes();
    }

    // The keys from the first to the last the library ever gave, as far as the table, its
    // key-led indexes and the record of the last key given can tell.
    std::pair<qint64, qint64> span()
    {
        qint64 first = 1;
        qint64 last = 0;
        QStringList sources{QString()};
        for (const QString &index : std::as_const(FKeyIndexes))
            sources << QStringLiteral(" INDEXED BY \"%1\"").arg(index);
        for (const QString &source : std::as_const(sources)) {
            if (const auto least =
                    integer(QStringLiteral("SELECT min(key) FROM damaged.Books") + source))
                first = std::min(first, *least);
            if (const auto most =
                    integer(QStringLiteral("SELECT max(key) FROM damaged.Books") + source))
                last = std::max(last, *most);
        }
        if (const auto given = integer(
                QStringLiteral("SELECT seq FROM damaged.sqlite_sequence WHERE name='Books'")))
            last = std::max(last, *given);
        return {first, last};
    }

    // Copies the entries of keys from..to that read whole and adds the keys of those that lost
    // the end of a value; false, with nothing copied, when a page on the way fails.
    bool copy(qint64 from, qint64 to, Salvaged &result, qint64 *read = nullptr)
    {
        const bool one = from == to;
        quil::Statement &holed = one ? *FHoledOne : *FHoledRange;
        quil::Statement &copy = one ? *FCopyOne : *FCopyRange;
        QList<qint64> lost;
        holed.bindInteger(0, from);
        copy.bindInteger(0, from);
        if (!one) {
            holed.bindInteger(1, to);
            copy.bindInteger(1, to);
        }
        bool ok = holed.exec();
        while (ok && holed.next())
            lost << holed.integer(0);
        ok = ok && !holed.error().isValid();
        holed.reset();
        ok = ok && copy.exec();
        copy.reset();
        if (!ok)
            return false;
        quil::execOrThrow(*FChanges);
        const qint64 copied = FChanges->next() ? FChanges->integer(0) : 0;
        FChanges->reset();
        result.saved += int(copied);
        result.lost << lost;
        if (read)
            *read = copied + lost.size();
        return true;
    }

    // The damaged file had an entry of this key: a key-led index says so, or none can tell.
    bool hadEntry(qint64 key)
    {
        for (const QString &index : std::as_const(FKeyIndexes)) {
            const auto named = FEngine.prepare(
                QStringLiteral("SELECT count(*) FROM damaged.Books INDEXED BY \"%1\" WHERE key = ?")
                    .arg(index));
            if (!named)
                continue;
            named->bindInteger(0, key);
            if (named->exec() && named->next())
                return named->integer(0) != 0;
        }
        return true;
    }

    void finish()
    {
        FCopyRange.reset();
        FCopyOne.reset();
        FHoledRange.reset();
        FHoledOne.reset();
        FChanges.reset();
        // The index of texts is left to the first open, which tells how far it has come; built
        // here it would also have the engine check the damaged file, attached, once more.
        addIndexes(FEngine);
        FEngine.close();
    }

private:
    // The first value the statement answers, or nothing when none or when the damage stands in
    // the way.
    std::optional<qint64> integer(const QString &sql)
    {
        const auto statement = FEngine.prepare(sql);
        if (!statement || !statement->exec() || !statement->next() || statement->utf8(0).isNull())
            return std::nullopt;
        return statement->integer(0);
    }

    // The damaged file's indexes of Books led by the key: each tells, page by page, which keys
    // it has.
    QStringList keyIndexes()
    {
        QStringList indexes;
        const auto names = FEngine.prepare(QStringLiteral(
            "SELECT m.name FROM damaged.sqlite_master m, pragma_index_info(m.name, 'damaged') i "
            "WHERE m.type='index' AND m.tbl_name='Books' AND i.seqno=0 AND i.name='key'"));
        if (names && names->exec())
            while (names->next())
                indexes << names->value(0).toString();
        return indexes;
    }

    quil::SqliteEngine FEngine;
    std::unique_ptr<quil::Statement> FCopyRange;
    std::unique_ptr<quil::Statement> FCopyOne;
    std::unique_ptr<quil::Statement> FHoledRange;
    std::unique_ptr<quil::Statement> FHoledOne;
    std::unique_ptr<quil::Statement> FChanges;
    QStringList FKeyIndexes;
};

// The keys from..to: in one step, else in halves down to single keys; a key that fails alone
// is lost if the file had an entry of it.
void copyInHalves(Rescue &rescue, qint64 from, qint64 to, Salvaged &result)
{
    if (rescue.copy(from, to, result))
        return;
    if (from == to) {
        if (rescue.hadEntry(from))
            result.lost << from;
        return;
    }
    const qint64 middle = from + (to - from) / 2;
    copyInHalves(rescue, from, middle, result);
    copyInHalves(rescue, middle + 1, to, result);
}

} // namespace

Salvaged salvage(const QString &source, const QString &target, const SalvageProgress &progress)
{
    Salvaged result;
    removeLibraryFile(target);
    try {
        std::optional<SyncBeside> rowsSynced;
        {
            Rescue rescue(source, target);
            const auto [first, last] = rescue.span();
            constexpr qint64 Most = std::numeric_limits<qint64>::max();
            // Keys outside the span are not expected: read once, not searched.
            if (first > std::numeric_limits<qint64>::min())
                rescue.copy(std::numeric_limits<qint64>::min(), first - 1, result);
            qint64 width = StepEntries;
            for (qint64 from = first; from <= last;) {
                if (progress && !progress(from - first, last - first + 1)) {
                    result.stopped = true;
                    break;
                }
                const qint64 to = last - from < width ? last : from + width - 1;
                qint64 read = 0;
                if (rescue.copy(from, to, result, &read)) {
                    // Keys given long ago and deleted since leave gaps: wider steps cross them.
                    if (read < StepEntries / 2)
                        width = std::min(width * 2, MaxStep);
                    else if (read > StepEntries * 2)
                        width = std::max<qint64>(width / 2, 1);
                } else {
                    copyInHalves(rescue, from, to, result);
                }
                if (to == last)
                    break;
                from = to + 1;
            }
            if (!result.stopped) {
                if (last < Most)
                    rescue.copy(std::max(first, last + 1), Most, result);
                // Every step is written: the entries go to the disk while the indexes are built.
                rowsSynced.emplace(target);
                rescue.finish();
            }
        }
        if (result.stopped) {
            removeLibraryFile(target);
            return result;
        }
        const auto unwritten = [&] {
            return systemError(
                QCoreApplication::translate("Salvage", "Не удалось записать %1 на диск")
                    .arg(target));
        };
        if (!rowsSynced->wait())
            throw unwritten();
        // The indexes go to the disk while the file is read back; it takes its name only once
        // both have passed.
        SyncBeside restSynced(target);
        checkWritten(target, result.saved);
        if (!restSynced.wait())
            throw unwritten();
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
