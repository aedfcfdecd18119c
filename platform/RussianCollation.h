#pragma once

#include <QStringView>
#include <string>

struct sqlite3;

namespace quil {

// Order of text for sorting catalogues: case-insensitive, Latin before Cyrillic, the Russian
// alphabet in its own order ("е" < "ё" < "ж"). Texts that differ only in case are equal; the
// dataset orders those by key.
int compareRussian(QStringView a, QStringView b);

// Appends the sort key of a text: comparing two keys code unit by code unit gives the order of
// compareRussian. Used to sort in memory without calling the comparison per pair.
void appendRussianSortKey(QStringView text, std::u16string &key);

// The same order over UTF-8 bytes, for SQLite, without allocating.
int compareRussianUtf8(const char *a, int lengthA, const char *b, int lengthB);

// Name of the collation registered with SQLite; every sort string uses it.
inline constexpr const char *RussianCollationName = "RUSSIAN";

// Registers the collation on one SQLite connection. Returns false when SQLite refuses.
bool registerRussianCollation(sqlite3 *db);

} // namespace quil
