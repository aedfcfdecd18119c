#include "platform/RussianCollation.h"

#include <QChar>
#include <algorithm>
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

void appendRussianSortKey(QStringView text, std::u16string &key)
{
    // Weights of the basic plane fit 17 bits; halving keeps the order of every weight but
    // "ё" against "е", which the odd step puts apart: (2e+1)/2 == e, so shift the code units
    // above "е" up by one instead and give "ё" the free slot.
    key.reserve(key.size() + size_t(text.size()) + 1);
    Utf16Reader reader{text};
    while (!reader.atEnd()) {
        const quint32 w = primaryWeight(reader.next());
        char16_t unit;
        if (w == 0x435 * 2 + 1)
            unit = 0x436;
        else if (w / 2 >= 0x436 && w / 2 < 0xFFFF)
            unit = char16_t(w / 2 + 1);
        else
            unit = char16_t(std::min<quint32>(w / 2, 0xFFFF));
        key.push_back(unit);
    }
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
