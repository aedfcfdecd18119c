#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <string>

struct sqlite3;

namespace quil {

// Order of text for sorting catalogues: case-insensitive, Latin before Cyrillic, the Russian
// alphabet in its own order ("е" < "ё" < "ж"). Texts that differ only in case are equal; the
// dataset orders those by key.
int compareRussian(QStringView a, QStringView b);

// Appends the sort key of a text: comparing two keys byte by byte (as std::string does) gives
// the order of compareRussian. Used to sort in memory without calling the comparison per pair.
void appendRussianSortKey(QStringView text, std::string &key);
// The same key from UTF-8 bytes as the engine holds them, without a string in between.
void appendRussianSortKeyUtf8(QByteArrayView utf8, std::string &key);

// The same order over UTF-8 bytes, for SQLite, without allocating.
int compareRussianUtf8(const char *a, int lengthA, const char *b, int lengthB);

// Name of the collation registered with SQLite; every sort string uses it.
inline constexpr const char *RussianCollationName = "RUSSIAN";

// Registers the collation on one SQLite connection. Returns false when SQLite refuses.
bool registerRussianCollation(sqlite3 *db);

// LIKE that ignores letter case in every alphabet, not only in ASCII as SQLite's own does:
// both sides go through Unicode simple case folding, so "Ё" matches "ё" (but not "е") and
// "ИВАНОВ" matches "иванов". "%" stands for any run of characters, "_" for one; an ESCAPE
// character, when given, makes the next pattern character literal. A NULL on either side
// gives NULL, so a field without a value never matches.
bool likeMatches(QStringView pattern, QStringView text, char32_t escape = 0);

// Replaces SQLite's like() (two and three arguments) on one connection with likeMatches.
// Returns false when SQLite refuses.
bool registerRussianLike(sqlite3 *db);

} // namespace quil
