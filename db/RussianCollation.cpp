#include "db/RussianCollation.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace quil {
namespace {

// Primary weight of a code point: letters fold to lower case; "ё" sits between "е" and "ж".
inline quint32 primaryWeight(char32_t c)
{
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z')
            c += 0x20;
        return c * 2;
    }
    if (c >= 0x430 && c <= 0x44F) // the common case: lower-case Russian letters
        return c * 2;
    if (c >= 0x410 && c <= 0x42F)
        return (c + 0x20) * 2;
    if (c == 0x401)
        c = 0x451;
    else if (c < 0x10000)
        c = QChar::toLower(char16_t(c));
    if (c == 0x451)
        return 0x435 * 2 + 1;
    return c * 2;
}

struct Utf16Reader {
    QStringView s;
    qsizetype i = 0;
    bool atEnd() const { return i >= s.size(); }
    char32_t next()
    {
        const char16_t c = s[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < s.size() && QChar::isLowSurrogate(s[i].unicode()))
            return QChar::surrogateToUcs4(c, s[i++].unicode());
        return c;
    }
};

struct Utf8Reader {
    const unsigned char *p;
    const unsigned char *end;
    bool atEnd() const { return p >= end; }
    char32_t next()
    {
        const unsigned char c = *p++;
        if (c < 0x80)
            return c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
        if (extra == 0)
            return 0xFFFD;
        while (extra-- > 0) {
            if (p >= end || (*p & 0xC0) != 0x80)
                return 0xFFFD;
            cp = (cp << 6) | (*p++ & 0x3F);
        }
        return cp;
    }
};

template <typename Reader>
int compareWith(Reader a, Reader b)
{
    while (!a.atEnd() && !b.atEnd()) {
        const quint32 wa = primaryWeight(a.next());
        const quint32 wb = primaryWeight(b.next());
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (a.atEnd() && b.atEnd())
        return 0;
    return a.atEnd() ? -1 : 1;
}

// Simple case folding, with the letters of Russian text on a fast path.
inline char32_t foldCase(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x430 && c <= 0x44F)
        return c;
    if (c == 0x401)
        return 0x451;
    return QChar::toCaseFolded(c);
}

// A pattern compiled once per statement: folded characters, and two marks above Unicode for
// the wildcards.
constexpr char32_t AnyOne = 0x110001;
constexpr char32_t AnyRun = 0x110002;
using Pattern = std::vector<char32_t>;

template <typename Reader>
Pattern compilePattern(Reader reader, char32_t escape)
{
    Pattern pattern;
    while (!reader.atEnd()) {
        const char32_t c = reader.next();
        if (escape && c == escape) {
            if (reader.atEnd())
                break; // a trailing escape matches nothing further
            pattern.push_back(foldCase(reader.next()));
        } else if (c == '%') {
            if (pattern.empty() || pattern.back() != AnyRun)
                pattern.push_back(AnyRun);
        } else if (c == '_') {
            pattern.push_back(AnyOne);
        } else {
            pattern.push_back(foldCase(c));
        }
    }
    return pattern;
}

template <typename Reader>
void foldText(Reader reader, std::vector<char32_t> &text)
{
    text.clear();
    text.reserve(256);
    while (!reader.atEnd())
        text.push_back(foldCase(reader.next()));
}

// Wildcard matching with one point to go back to: after a run mark the match may only ever
// need to restart from the latest one, so the work stays linear in practice.
bool matchPattern(const Pattern &p, const std::vector<char32_t> &t)
{
    const size_t none = size_t(-1);
    size_t pi = 0, ti = 0, runP = none, runT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == AnyRun) {
            runP = ++pi;
            runT = ti;
        } else if (pi < p.size() && (p[pi] == AnyOne || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (runP != none) {
            pi = runP;
            ti = ++runT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == AnyRun)
        ++pi;
    return pi == p.size();
}

Utf8Reader utf8Of(sqlite3_value *value)
{
    auto text = sqlite3_value_text(value);
    return Utf8Reader{text, text + sqlite3_value_bytes(value)};
}

void sqliteLike(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return; // NULL: LIKE is never true for a field without a value
    char32_t escape = 0;
    if (argc == 3) {
        Utf8Reader reader = utf8Of(argv[2]);
        escape = reader.atEnd() ? 0 : reader.next();
        if (!escape || !reader.atEnd()) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    auto *pattern = static_cast<Pattern *>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        pattern = new Pattern(compilePattern(utf8Of(argv[0]), escape));
        sqlite3_set_auxdata(context, 0, pattern, [](void *p) { delete static_cast<Pattern *>(p); });
        // SQLite may have dropped it at once; then ask again for what it keeps.
        pattern = static_cast<Pattern *>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            std::vector<char32_t> text;
            foldText(utf8Of(argv[1]), text);
            sqlite3_result_int(context,
                               matchPattern(compilePattern(utf8Of(argv[0]), escape), text));
            return;
        }
    }
    if (pattern->size() == 1 && pattern->front() == AnyRun) {
        sqlite3_result_int(context, 1); // "%": any value, nothing to read
        return;
    }
    thread_local std::vector<char32_t> text;
    foldText(utf8Of(argv[1]), text);
    sqlite3_result_int(context, matchPattern(*pattern, text));
}

int sqliteCompare(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return compareRussianUtf8(static_cast<const char *>(a), lengthA, static_cast<const char *>(b),
                              lengthB);
}

} // namespace

int compareRussian(QStringView a, QStringView b)
{
    return compareWith(Utf16Reader{a}, Utf16Reader{b});
}

namespace {
// The key's code unit of a weight. Weights of the basic plane fit 17 bits; halving keeps the
// order of every weight but "ё" against "е", which the odd step puts apart: (2e+1)/2 == e, so
// shift the code units above "е" up by one instead and give "ё" the free slot.
inline char16_t sortUnit(quint32 w)
{
    if (w == 0x435 * 2 + 1)
        return 0x436;
    if (w / 2 >= 0x436 && w / 2 < 0xFFFF)
        return char16_t(w / 2 + 1);
    return char16_t(std::min<quint32>(w / 2, 0xFFFF));
}

// A unit in the bytes of UTF-8, which keep the order of the numbers they spell: Latin letters
// take one byte and Russian ones two. Units of the surrogate range are spelled alike.
inline unsigned char *putUnit(unsigned char *out, char16_t unit)
{
    if (unit < 0x80) {
        *out++ = static_cast<unsigned char>(unit);
    } else if (unit < 0x800) {
        *out++ = static_cast<unsigned char>(0xC0 | unit >> 6);
        *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    } else {
        *out++ = static_cast<unsigned char>(0xE0 | unit >> 12);
        *out++ = static_cast<unsigned char>(0x80 | (unit >> 6 & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    }
    return out;
}
} // namespace

// Each character's weight as one to three bytes, so that the keys compare as bytes.
void appendRussianSortKey(QStringView text, std::string &key)
{
    const size_t start = key.size();
    key.resize(start + 3 * size_t(text.size()));
    auto *out = reinterpret_cast<unsigned char *>(key.data() + start);
    for (Utf16Reader reader{text}; !reader.atEnd();)
        out = putUnit(out, sortUnit(primaryWeight(reader.next())));
    key.resize(size_t(reinterpret_cast<char *>(out) - key.data()));
}

namespace {
// The key's two bytes of every two-byte character whose unit takes two bytes too, made once
// by the general rules, looked up by the character's own two bytes as they lie in memory;
// zero for any other pair of bytes.
const std::array<quint16, 0x10000> &twoByteKeys()
{
    static const auto keys = [] {
        auto table = std::make_unique<std::array<quint16, 0x10000>>();
        table->fill(0);
        for (char32_t c = 0x80; c < 0x800; ++c) {
            const char16_t unit = sortUnit(primaryWeight(c));
            if (unit < 0x80 || unit >= 0x800)
                continue;
            unsigned char from[2], to[2];
            putUnit(from, char16_t(c));
            putUnit(to, unit);
            quint16 at, key;
            std::memcpy(&at, from, 2);
            std::memcpy(&key, to, 2);
            (*table)[at] = key;
        }
        return table;
    }();
    return *keys;
}
} // namespace

void appendRussianSortKeyUtf8(QByteArrayView utf8, std::string &key)
{
    // Opening sorts every entry's key. ASCII and two-byte characters (the Russian alphabet)
    // give as many key bytes as they take, so the key first gets the text's length; only the
    // rarer characters that may give more make room for the worst case of the rest.
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *const end = p + utf8.size();
    const size_t start = key.size();
    key.resize(start + size_t(utf8.size()));
    auto *out = reinterpret_cast<unsigned char *>(key.data() + start);
    auto *limit = out + utf8.size();
    const std::array<quint16, 0x10000> &pairs = twoByteKeys();
    constexpr quint64 Ones = 0x0101010101010101ULL;
    while (p < end) {
        // Eight ASCII bytes at a time, upper-case letters lowered without a branch.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (word & Ones * 0x80)
                break;
            const quint64 upper = (word + Ones * (0x80 - 'A')) & ~(word + Ones * (0x7F - 'Z'));
            word |= (upper & Ones * 0x80) >> 2;
            std::memcpy(out, &word, 8);
            p += 8;
            out += 8;
        }
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            *out++ = c >= 'A' && c <= 'Z' ? c + 0x20 : c;
            ++p;
            continue;
        }
        // A run of two-byte characters: Russian words.
        const unsigned char *const runStart = p;
        while (end - p >= 2) {
            quint16 bytes;
            std::memcpy(&bytes, p, 2);
            const quint16 pair = pairs[bytes];
            if (!pair)
                break;
            std::memcpy(out, &pair, 2);
            out += 2;
            p += 2;
        }
        if (p != runStart)
            continue;
        // Any character gives at most three bytes; keep room for one of those and a byte for
        // each byte after it.
        if (size_t(limit - out) < 3 + size_t(end - p)) {
            const size_t at = size_t(out - reinterpret_cast<unsigned char *>(key.data()));
            key.resize(at + 3 * size_t(end - p) + 3);
            out = reinterpret_cast<unsigned char *>(key.data()) + at;
            limit = reinterpret_cast<unsigned char *>(key.data()) + key.size();
        }
        Utf8Reader reader{p, end};
        out = putUnit(out, sortUnit(primaryWeight(reader.next())));
        p = reader.p;
    }
    key.resize(size_t(reinterpret_cast<char *>(out) - key.data()));
}

int compareRussianUtf8(const char *a, int lengthA, const char *b, int lengthB)
{
    auto ua = reinterpret_cast<const unsigned char *>(a);
    auto ub = reinterpret_cast<const unsigned char *>(b);
    return compareWith(Utf8Reader{ua, ua + lengthA}, Utf8Reader{ub, ub + lengthB});
}

bool registerRussianCollation(sqlite3 *db)
{
    return sqlite3_create_collation_v2(db, RussianCollationName, SQLITE_UTF8, nullptr,
                                       &sqliteCompare, nullptr) == SQLITE_OK;
}

bool likeMatches(QStringView pattern, QStringView text, char32_t escape)
{
    std::vector<char32_t> folded;
    foldText(Utf16Reader{text}, folded);
    return matchPattern(compilePattern(Utf16Reader{pattern}, escape), folded);
}

bool registerRussianLike(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    for (int arguments : {2, 3})
        if (sqlite3_create_function_v2(db, "like", arguments, flags, nullptr, &sqliteLike, nullptr,
                                       nullptr, nullptr) != SQLITE_OK)
            return false;
    return true;
}

} // namespace quil
