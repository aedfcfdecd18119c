#pragma once

#include "db/Field.h"

#include <QString>
#include <vector>

// The Book record: one row of table Books. City holds the year, Location the keywords,
// Pages free information, Resume the abstract as RTF; Name and Title are one-line copies of
// WName and WTitle made on every store; Year and key are not used by the program.
namespace book {

inline const QString TableName = QStringLiteral("Books");
inline const QString Key = QStringLiteral("key");
inline const QString Name = QStringLiteral("Name");
inline const QString Title = QStringLiteral("Title");
inline const QString City = QStringLiteral("City");
inline const QString Resume = QStringLiteral("Resume");
inline const QString Location = QStringLiteral("Location");
inline const QString WName = QStringLiteral("WName");
inline const QString WTitle = QStringLiteral("WTitle");
inline const QString WPublisher = QStringLiteral("WPublisher");
inline const QString Year = QStringLiteral("Year");
inline const QString Pages = QStringLiteral("Pages");

// The placeholder stored where a new record or an empty author or title has nothing.
inline const QString NewText = QStringLiteral("New");

// The eleven fields in the order of the data module's field objects.
std::vector<quil::FieldDef> fieldDefs();

// Text as one line, for the grid and the status bar: each line break (CR LF, CR or LF) becomes
// one blank.
QString oneLine(QString text);

// The index that holds what the grid shows; see library::prepare.
inline const QString BrowseIndex = QStringLiteral("BooksBrowse");
// The index that holds every entry's reference (authors, title, publisher): a list export
// reads it instead of the rows with their abstracts.
inline const QString ReferenceIndex = QStringLiteral("BooksReference");

// The default order of the table.
inline const QString DefaultSort = QStringLiteral("City, Name, Title ASC");

} // namespace book
