#pragma once

#include <QStringView>

struct sqlite3;

namespace quil {

// Order of text for sorting catalogues: case-insensitive, Latin before Cyrillic, the Russian
// alphabet in its own order ("е" < "ё" < "ж"). Exact text breaks ties, lower case first, so the
// order is total and stable.
int compareRussian(QStringView a, QStringView b);

// The same order over UTF-8 bytes, for SQLite, without allocating.
int compareRussianUtf8(const char *a, int lengthA, const char *b, int lengthB);

// Name of the collation registered with SQLite; every sort string uses it.
inline constexpr const char *RussianCollationName = "RUSSIAN";

// Registers the collation on one SQLite connection. Returns false when SQLite refuses.
bool registerRussianCollation(sqlite3 *db);

} // namespace quil
