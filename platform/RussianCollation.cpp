#include "platform/RussianCollation.h"

#include <QChar>
#include <sqlite3.h>

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
    if (c >= 0x410 && c <= 0x42F)
        c += 0x20;
    else if (c == 0x401)
        c = 0x451;
    else if (c >= 0x80 && c < 0x10000)
        c = QChar::toLower(char16_t(c));
    if (c == 0x451)
        return 0x435 * 2 + 1;
    return c * 2;
}

// Lower case first on ties: invert the case bit's effect by ranking lower-case letters lower.
inline quint32 tieWeight(char32_t c)
{
    const char32_t lower = QChar::toLower(c);
    return lower == c ? c * 2 : lower * 2 + 1;
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
    const Reader startA = a, startB = b;
    while (!a.atEnd() && !b.atEnd()) {
        const quint32 wa = primaryWeight(a.next());
        const quint32 wb = primaryWeight(b.next());
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (!a.atEnd() || !b.atEnd())
        return a.atEnd() ? -1 : 1;
    a = startA;
    b = startB;
    while (!a.atEnd() && !b.atEnd()) {
        const quint32 wa = tieWeight(a.next());
        const quint32 wb = tieWeight(b.next());
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    return 0;
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

} // namespace quil
