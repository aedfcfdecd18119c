#include "search/Selection.h"

#include "db/DataSet.h"

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

void runSelection(quil::Query &query, const SelectionTexts &texts)
{
    query.Close();
    query.SQL.clear();
    query.SQL << selectionStatement();
    query.Parameters = selectionValues(texts);
    // Ordered before it opens, so the result is read once and already sorted.
    query.setSort(SelectionSort);
    query.Open();
}

} // namespace search
