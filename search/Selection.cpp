#include "search/Selection.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "store/Book.h"
#include "store/TextIndex.h"

namespace search {

QStringList selectionStatement()
{
    return {QStringLiteral("SELECT * From Books WHERE (Name LIKE ?) and"),
            QStringLiteral("(Title LIKE ?) and"), QStringLiteral("(Location LIKE ?) and"),
            QStringLiteral("(Location LIKE ?)")};
}

QVariantList selectionValues(const SelectionTexts &texts)
{
    const auto pattern = [](const QString &text) {
        return QVariant(QLatin1Char('%') + text + QLatin1Char('%'));
    };
    return {pattern(texts.author), pattern(texts.title), pattern(texts.keyword1),
            pattern(texts.keyword2)};
}

namespace {
// Beyond this many, reading the entries one by one costs more than one pass over them all.
constexpr size_t NarrowedAtMost = 5000;
} // namespace

void runSelection(quil::Query &query, const SelectionTexts &texts)
{
    query.Close();
    query.SQL.clear();
    query.SQL << selectionStatement();
    query.Parameters = selectionValues(texts);
    // The index of texts names the few entries that may hold the texts: LIKE then reads only
    // those, by key, instead of every entry; the statement as it stands still decides.
    if (query.connection().Connected())
        if (const auto keys = textindex::likeCandidates(query.connection().engine(),
                                                        {{book::Name, texts.author},
                                                         {book::Title, texts.title},
                                                         {book::Location, texts.keyword1},
                                                         {book::Location, texts.keyword2}},
                                                        NarrowedAtMost)) {
            QStringList list;
            list.reserve(int(keys->size()));
            for (const qint64 key : *keys)
                list << QString::number(key);
            query.SQL << QStringLiteral("and (key IN (%1))").arg(list.join(QLatin1Char(',')));
        }
    // Ordered before it opens, so the result is read once and already sorted.
    query.setSort(SelectionSort);
    query.Open();
}

} // namespace search
