#include "search/Finder.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "rtf/RichText.h"
#include "rtf/RtfTextExtractor.h"
#include "store/Book.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace search {
namespace {

// One statement on the library's engine, run at once, finalised on every path out.
class Statement {
public:
    Statement(const quil::Connection &connection, const QString &sql)
    {
        if (!connection.Connected())
            throw quil::Error(QCoreApplication::translate("Finder", "Библиотека не открыта"));
        FStmt = connection.engine().prepareOrThrow(sql);
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

// Eight bytes at a time: the test runs over every abstract of the library.
bool isAscii(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    quint64 bits = 0;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        bits |= word;
    }
    for (; p < end; ++p)
        bits |= uchar(*p);
    return (bits & 0x8080808080808080ULL) == 0;
}

// The plain text of a stored abstract from its UTF-8 bytes. RTF as the editor writes it is
// ASCII, which the extractor reads as it is, without a round through UTF-16, into buffers it
// keeps from one abstract to the next.
class AbstractText {
public:
    QStringView of(const QByteArray &utf8)
    {
        if (isAscii(utf8) && quil::rtf::RichText::isRtf(utf8))
            return FExtractor.text(utf8);
        FOther = quil::rtf::RichText::plainTextOf(QString::fromUtf8(utf8));
        return FOther;
    }

private:
    quil::rtf::RtfTextExtractor FExtractor;
    QString FOther;
};

// The keys of every stored entry that matches, in one pass over the file in its own order:
// far cheaper than visiting the entries one by one through the cursor, and the walk in the
// table's order then only looks keys up.
std::unordered_set<qint64> matchingKeys(const quil::DataSet &table, const QString &fieldName,
                                        const FindRequest &request)
{
    // Bracketed names: SQLite reads a double-quoted name that is no column as a text, so a
    // column missing from the file would be searched as the word "Location" in every entry.
    Statement rows(table.connection(),
                   QStringLiteral("SELECT [%1], [%2], [%3] FROM [%4]")
                       .arg(table.keyField().FieldName(), fieldName, book::City, book::TableName));
    const EntryMatcher matcher(request);
    AbstractText abstract;
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
        const std::unordered_set<qint64> keys = matchingKeys(table, fieldName, request);
        const int start = request.from == FindFrom::First ? 0 : table.currentRow() + 1;
        for (int row = std::max(start, 0); row < table.RecordCount() && !keys.empty(); ++row)
            if (keys.count(table.keyAt(row))) {
                found = row;
                break;
            }
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
