#include "search/Finder.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "store/Book.h"
#include "store/TDataModule1.h"
#include "store/TextIndex.h"

#include <QCoreApplication>
#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_set>

namespace search {
namespace {

// One statement on the library's engine, run at once, finalised on every path out.
class Statement {
public:
    Statement(const quil::Connection &connection, const QString &sql,
              const QVariantList &values = {})
    {
        if (!connection.Connected())
            throw quil::Error(QCoreApplication::translate("Finder", "Библиотека не открыта"));
        FStmt = connection.engine().prepareOrThrow(sql);
        for (int i = 0; i < values.size(); ++i)
            FStmt->bind(i, values[i]);
        quil::execOrThrow(*FStmt);
    }

    bool next()
    {
        if (FStmt->next())
            return true;
        quil::checkFinished(*FStmt);
        return false;
    }
    qint64 integer(int column) const { return FStmt->integer(column); }
    // The column's UTF-8 bytes without a copy, valid until the next step.
    QByteArray bytes(int column) const
    {
        const QByteArrayView data = FStmt->utf8(column);
        return data.isNull() ? QByteArray() : QByteArray::fromRawData(data.data(), data.size());
    }

private:
    std::unique_ptr<quil::Statement> FStmt;
};

// A LIKE pattern that holds the text anywhere, its own wildcards taken as themselves.
QString containsPattern(const QString &text)
{
    QString escaped = text;
    for (const QChar wildcard : {QLatin1Char('!'), QLatin1Char('%'), QLatin1Char('_')})
        escaped.replace(wildcard, QStringLiteral("!") + wildcard);
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// The keys of every stored entry that matches, in one pass over the file in its own order:
// far cheaper than visiting the entries one by one through the cursor, and the walk in the
// table's order then only looks keys up.
std::unordered_set<qint64> matchingKeys(const quil::DataSet &table, const QString &fieldName,
                                        const FindRequest &request)
{
    // Bracketed names: SQLite reads a double-quoted name that is no column as a text, so a
    // column missing from the file would be searched as the word "Location" in every entry.
    QString sql = QStringLiteral("SELECT [%1], [%2], [%3] FROM [%4]")
                      .arg(table.keyField().FieldName(), fieldName, book::City, book::TableName);
    // An engine that answers LIKE from an index hands over only the entries that hold the text
    // in any letter case; the matcher below still decides. An abstract's text is not its RTF,
    // and a text shorter than a trigram would make the engine fold the case of every entry.
    const bool narrowed = request.item != FindAbstract && request.text.toUcs4().size() >= 3 &&
                          table.connection().engine().narrowsLike(fieldName);
    if (narrowed)
        sql += QStringLiteral(" WHERE [%1] LIKE ? ESCAPE '!'").arg(fieldName);
    Statement rows(table.connection(), sql,
                   narrowed ? QVariantList{containsPattern(request.text)} : QVariantList{});
    const EntryMatcher matcher(request);
    textindex::AbstractText abstract;
    std::unordered_set<qint64> keys;
    while (rows.next()) {
        const bool match = request.item == FindAbstract
                               ? matcher.matches(abstract.of(rows.bytes(1)), rows.bytes(2))
                               : matcher.matches(rows.bytes(1), rows.bytes(2));
        if (match)
            keys.insert(rows.integer(0));
    }
    return keys;
}

// One entry read by key and tested as the walk tests it.
class EntryTest {
public:
    EntryTest(const quil::DataSet &table, const QString &fieldName, const FindRequest &request)
        : FMatcher(request), FAbstract(request.item == FindAbstract)
    {
        FRow = table.connection().engine().prepareOrThrow(
            QStringLiteral("SELECT [%1], [%2] FROM [%3] WHERE [%4] = ?")
                .arg(fieldName, book::City, book::TableName, table.keyField().FieldName()));
    }

    bool operator()(qint64 key)
    {
        FRow->bindInteger(0, key);
        quil::execOrThrow(*FRow);
        bool match = false;
        if (FRow->next()) {
            const QByteArrayView field = FRow->utf8(0);
            const QByteArrayView city = FRow->utf8(1);
            match = FAbstract
                        ? FMatcher.matches(
                              FText.of(QByteArray::fromRawData(field.data(), field.size())), city)
                        : FMatcher.matches(field, city);
        }
        quil::checkFinished(*FRow);
        FRow->reset();
        return match;
    }

private:
    const EntryMatcher FMatcher;
    const bool FAbstract;
    std::unique_ptr<quil::Statement> FRow;
    textindex::AbstractText FText;
};

// The index's answer to the last find, for "Далее" and for a find of the same text again: a
// text that many entries hold in another case costs the engine a test of each one. Given only
// while the file's contents are as they were when it was asked (a stamp names the open file).
class HeldCandidates {
public:
    using Keys = std::optional<std::unordered_set<qint64>>;
    using Holding = std::vector<std::pair<QString, QString>>;

    const Keys &of(quil::Engine &engine, const QString &fieldName, const QString &text,
                   const Holding &holding)
    {
        std::vector<qint64> stamp = engine.contentStamp();
        if (stamp.empty() || stamp != FStamp || fieldName != FField || text != FText ||
            holding != FHolding) {
            FStamp.clear(); // nothing held should the index fail
            FKeys = textindex::candidates(engine, fieldName, text, holding);
            FStamp = std::move(stamp);
            FField = fieldName;
            FText = text;
            FHolding = holding;
        }
        return FKeys;
    }

private:
    std::vector<qint64> FStamp;
    QString FField;
    QString FText;
    Holding FHolding;
    Keys FKeys;
};

// Entries read one by one before the index is asked: a text that many entries hold is found
// among them sooner than the index could list them all.
constexpr int ReadBeforeIndex = 48;

// The row of the first entry that matches, from the first entry or the one after the current
// one, in the table's order; -1 when none does.
int firstMatch(const quil::DataSet &table, const QString &fieldName, const FindRequest &request)
{
    int found = -1;
    const int start = std::max(request.from == FindFrom::First ? 0 : table.currentRow() + 1, 0);
    const int count = table.RecordCount();
    const auto firstIn = [&](int from, const std::function<bool(qint64)> &matches) {
        for (int row = from; row < count; ++row)
            if (matches(table.keyAt(row)))
                return row;
        return -1;
    };
    quil::Engine &engine = table.connection().engine();
    int from = start;
    if (request.text.toUcs4().size() >= 3 && textindex::inStep(engine)) {
        EntryTest test(table, fieldName, request);
        for (; from < std::min(count, start + ReadBeforeIndex) && found < 0; ++from)
            if (test(table.keyAt(from)))
                found = from;
        if (found >= 0 || from >= count)
            return found;
        // The index folds letter case and names entries changed since: the test decides.
        // The exact-case test runs in the engine first, so that a text many entries hold in
        // another case costs no reading of each; an abstract's plain text is made here only.
        HeldCandidates::Holding holding;
        if (request.item != FindAbstract)
            holding.emplace_back(fieldName, request.text);
        if (request.yearMode())
            holding.emplace_back(book::City, request.year);
        static HeldCandidates held;
        if (const auto &candidates = held.of(engine, fieldName, request.text, holding)) {
            found =
                firstIn(from, [&](qint64 key) { return candidates->count(key) != 0 && test(key); });
            return found;
        }
    }
    const std::unordered_set<qint64> keys = matchingKeys(table, fieldName, request);
    if (!keys.empty())
        found = firstIn(from, [&](qint64 key) { return keys.count(key) != 0; });
    return found;
}

} // namespace

QStringList findItemTexts()
{
    return {QCoreApplication::translate("Finder", "Автор"),
            QCoreApplication::translate("Finder", "Название "), QStringLiteral("KeyWord"),
            QCoreApplication::translate("Finder", "Абстракт"),
            QCoreApplication::translate("Finder", "Издатель")};
}

QString findFieldName(int item)
{
    switch (item) {
    case FindAuthor: return book::Name;
    case FindTitle: return book::Title;
    case FindKeyWord: return book::Location;
    case FindAbstract: return book::Resume;
    case FindPublisher: return book::WPublisher;
    default: return {};
    }
}

EntryMatcher::EntryMatcher(const FindRequest &request)
    : FText(request.text), FTextUtf8(request.text.toUtf8()), FYearUtf8(request.year.toUtf8()),
      FYearMode(request.yearMode())
{
}

bool EntryMatcher::yearHolds(QByteArrayView city) const
{
    return !FYearMode || city.contains(FYearUtf8);
}

bool EntryMatcher::matches(QByteArrayView field, QByteArrayView city) const
{
    return field.contains(FTextUtf8) && yearHolds(city);
}

bool EntryMatcher::matches(QStringView field, QByteArrayView city) const
{
    return field.contains(FText, Qt::CaseSensitive) && yearHolds(city);
}

FindOutcome findInTable(quil::DataSet &table, const FindRequest &request, TDataModule1 *status)
{
    const QString fieldName = findFieldName(request.item);
    if (fieldName.isEmpty() || request.text.isEmpty())
        return FindOutcome::NotRun;
    if (!table.Active())
        table.First(); // raises the closed-table error

    int found = -1;
    const auto walk = [&] {
        found = firstMatch(table, fieldName, request);
        if (found < 0)
            return;
        table.setRecNo(found + 1);
        if (status)
            status->showStatus(1, request.from == FindFrom::First
                                      ? table.FieldByName(book::Name).AsString() +
                                            QLatin1Char(' ') +
                                            table.FieldByName(book::Title).AsString()
                                      : QString());
    };
    table.DisableControls();
    try {
        walk();
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
    if (found >= 0)
        return FindOutcome::Found;
    // Said after the display has come back, which writes the entry the user stays on.
    if (status)
        status->showStatus(1, QCoreApplication::translate("Finder", NothingFound));
    return FindOutcome::NotFound;
}

} // namespace search
