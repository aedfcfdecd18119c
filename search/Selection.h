#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace quil {
class Query;
} // namespace quil

namespace search {

// The four texts of the selection panel: author, title and two keywords.
struct SelectionTexts {
    QString author;
    QString title;
    QString keyword1;
    QString keyword2;
};

// The selection statement, four lines joined by AND: Name, Title, Location and Location each
// LIKE a bound value. User text never becomes part of the statement.
QStringList selectionStatement();

// The values bound to the statement: each text between percent signs, as typed (a typed "%"
// or "_" still acts as a pattern; quotes and semicolons are plain characters).
QVariantList selectionValues(const SelectionTexts &texts);

// The order of the selection: year, author, title.
inline const QString SelectionSort = QStringLiteral("City, Name, Title ASC");

// Replaces the query's result by the entries the texts select, in SelectionSort. When the
// engine refuses, the error is raised and the query stays closed.
void runSelection(quil::Query &query, const SelectionTexts &texts);

} // namespace search
