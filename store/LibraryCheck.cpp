#include "store/LibraryCheck.h"

#include "db/SqliteEngine.h"
#include "platform/Error.h"
#include "store/Book.h"

#include <QCoreApplication>
#include <QScopeGuard>

namespace library {
namespace {
// The engine stops after so many findings; the first few say enough.
constexpr int ReportedFindings = 5;

} // namespace

QString damageIn(quil::Engine &engine)
{
    const auto check =
        engine.prepareOrThrow(QStringLiteral("PRAGMA quick_check(%1)").arg(ReportedFindings));
    quil::execOrThrow(*check);
    QStringList findings;
    while (check->next())
        findings << check->value(0).toString();
    quil::checkFinished(*check);
    if (findings != QStringList{QStringLiteral("ok")})
        return findings.join(QLatin1Char('\n'));
    const auto zeros =
        engine.prepareOrThrow(QStringLiteral("SELECT key FROM Books WHERE %1 LIMIT %2")
                                  .arg(lostPageTest())
                                  .arg(ReportedFindings));
    quil::execOrThrow(*zeros);
    while (zeros->next())
        findings << QStringLiteral("entry %1: a value holds zero bytes").arg(zeros->integer(0));
    quil::checkFinished(*zeros);
    findings.removeFirst();
    return findings.join(QLatin1Char('\n'));
}

QString lostPageTest()
{
    // A zeroed page at the end of a long value's chain leaves the structure whole: its text
    // then holds zero bytes, which nothing the program stores has.
    QStringList fields;
    for (const quil::FieldDef &def : book::fieldDefs())
        if (!def.autoIncrement)
            fields << def.name;
    return QStringLiteral("zero_byte(%1)").arg(fields.join(QStringLiteral(", ")));
}

std::function<void(const WholeCheck &)> WholeCheck::whileReading;

WholeCheck::WholeCheck() : FWhileReading(whileReading) {}

QString checkWhole(const QString &path)
{
    WholeCheck check;
    const std::optional<QString> finding = check.run(path);
    if (!finding)
        throw quil::Error(
            QCoreApplication::translate("LibraryCheck", "Библиотеку не удалось проверить"),
            check.undecided());
    return *finding;
}

void WholeCheck::interrupt()
{
    const std::lock_guard lock(FMutex);
    FInterrupted = true;
    if (FEngine)
        FEngine->interrupt();
}

std::optional<QString> WholeCheck::run(const QString &path)
{
    quil::SqliteEngine engine;
    // Lets interrupt() reach the engine, unless it came first.
    const auto let = [&](quil::Engine *e) {
        const std::lock_guard lock(FMutex);
        FEngine = FInterrupted ? nullptr : e;
        return FEngine == e;
    };
    QString finding;
    try {
        engine.open(path, true, 5000);
        if (!let(&engine))
            return std::nullopt;
        const auto release = qScopeGuard([&] { let(nullptr); });
        engine.prepareForUse(true);
        // A walk from the first page to the last reads each page once: a large cache would only
        // add its size to the program's memory.
        engine.executeOrThrow(QStringLiteral("PRAGMA cache_size=-2048"));
        // One read from first to last: both steps see one file.
        engine.executeOrThrow(QStringLiteral("BEGIN"));
        engine.executeOrThrow(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (FWhileReading)
            FWhileReading(*this);
        finding = damageIn(engine);
    } catch (const quil::EngineError &e) {
        // Busy, locked, out of memory, unreadable: the file may well be whole. Only what the
        // engine calls damage is damage; the rest leaves the question open.
        if (!e.damage()) {
            FUndecided = e.detail().isEmpty() ? e.message() : e.detail();
            return std::nullopt;
        }
        finding = e.detail().isEmpty() ? e.message() : e.detail();
    } catch (const quil::Error &e) {
        FUndecided = e.detail().isEmpty() ? e.message() : e.detail();
        return std::nullopt;
    }
    // Stopped midway, the engine's walk may have said anything, or nothing.
    if (FInterrupted)
        return std::nullopt;
    return finding;
}

QString damageMessage(const QString &libraryFileName, const QString &words)
{
    return quil::Error(QCoreApplication::translate(
                           "LibraryCheck",
                           "Библиотека %1 повреждена: часть её записей не читается. "
                           "Изменения в неё больше не записываются")
                           .arg(libraryFileName),
                       words)
        .message();
}

} // namespace library
