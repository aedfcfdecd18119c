#include "rtf/RtfTokenizer.h"

#include "rtf/CodePage.h"

#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quil::rtf {

namespace {

constexpr int kMaxWordLetters = 32;
constexpr int kMaxDigits = 10;

// The first sixteen letters of a word, eight to a number in the order they stand, the rest
// zero: a name is compared and hashed in a few steps instead of a letter at a time.
struct PackedName {
    uint64_t head = 0;
    uint64_t tail = 0;

    bool operator==(const PackedName &o) const { return head == o.head && tail == o.tail; }

    static PackedName of(const char *letters, size_t count)
    {
        PackedName n;
        for (size_t i = 0; i < count && i < 16; ++i)
            (i < 8 ? n.head : n.tail) |= uint64_t(uint8_t(letters[i])) << (8 * (i % 8));
        return n;
    }
};

// Control words are looked up for every token; an open-addressing table with a cheap
// hash keeps that well below the cost of std::unordered_map.
class WordTable {
public:
    void emplace(std::string_view name, RtfWord word)
    {
        const PackedName packed = PackedName::of(name.data(), name.size());
        size_t i = slotOf(packed, name.size());
        while (FSlots[i].length)
            i = (i + 1) & kMask;
        FSlots[i] = {packed, name.data(), uint8_t(name.size()), word};
    }

    RtfWord find(std::string_view name, const PackedName &packed) const
    {
        for (size_t i = slotOf(packed, name.size());; i = (i + 1) & kMask) {
            const Slot &slot = FSlots[i];
            if (!slot.length)
                return RtfWord::Unknown;
            if (slot.length == name.size() && slot.packed == packed &&
                (name.size() <= 16 ||
                 name.substr(16) == std::string_view(slot.name + 16, name.size() - 16)))
                return slot.word;
        }
    }

private:
    static constexpr size_t kSize = 1024;
    static constexpr size_t kMask = kSize - 1;
    struct Slot {
        PackedName packed;
        const char *name = nullptr;
        uint8_t length = 0;
        RtfWord word = RtfWord::Unknown;
    };

    static size_t slotOf(const PackedName &name, size_t length)
    {
        const uint64_t h = (name.head * 0x9E3779B97F4A7C15ull) ^
                           (name.tail * 0xC2B2AE3D27D4EB4Full) ^ (length * 0x165667B19E3779F9ull);
        return size_t(h >> 54) & kMask;
    }

    Slot FSlots[kSize];
};

const WordTable &words()
{
    static const WordTable map = [] {
        WordTable m;
        using W = RtfWord;
        const std::pair<const char *, W> table[] = {
            {"rtf", W::Rtf},
            {"urtf", W::Urtf},
            {"ansi", W::Ansi},
            {"mac", W::Mac},
            {"pc", W::Pc},
            {"pca", W::Pca},
            {"ansicpg", W::Ansicpg},
            {"deff", W::Deff},
            {"fonttbl", W::Fonttbl},
            {"f", W::F},
            {"fcharset", W::Fcharset},
            {"cpg", W::Cpg},
            {"fname", W::Fname},
            {"colortbl", W::Colortbl},
            {"red", W::Red},
            {"green", W::Green},
            {"blue", W::Blue},
            {"plain", W::Plain},
            {"b", W::B},
            {"i", W::I},
            {"ul", W::Ul},
            {"ulnone", W::Ulnone},
            {"strike", W::Strike},
            {"striked", W::Strike},
            {"sub", W::Sub},
            {"super", W::Super},
            {"nosupersub", W::Nosupersub},
            {"up", W::Up},
            {"dn", W::Dn},
            {"fs", W::Fs},
            {"cf", W::Cf},
            {"highlight", W::Highlight},
            {"cb", W::Cb},
            {"chcbpat", W::Chcbpat},
            {"u", W::U},
            {"uc", W::Uc},
            {"pard", W::Pard},
            {"par", W::Par},
            {"line", W::Line},
            {"tab", W::Tab},
            {"ql", W::Ql},
            {"qr", W::Qr},
            {"qc", W::Qc},
            {"qj", W::Qj},
            {"qd", W::Qj},
            {"fi", W::Fi},
            {"li", W::Li},
            {"ri", W::Ri},
            {"sb", W::Sb},
            {"sa", W::Sa},
            {"sl", W::Sl},
            {"slmult", W::Slmult},
            {"cell", W::Cell},
            {"nestcell", W::Cell},
            {"row", W::Row},
            {"nestrow", W::Row},
            {"sect", W::Sect},
            {"page", W::Page},
            {"column", W::Column},
            {"v", W::V},
            {"chftn", W::Chftn},
            {"upr", W::Upr},
            {"ud", W::Ud},
            {"emdash", W::Emdash},
            {"endash", W::Endash},
            {"bullet", W::Bullet},
            {"lquote", W::Lquote},
            {"rquote", W::Rquote},
            {"ldblquote", W::Ldblquote},
            {"rdblquote", W::Rdblquote},
            {"emspace", W::Emspace},
            {"enspace", W::Enspace},
            {"qmspace", W::Qmspace},
            {"zwj", W::Zwj},
            {"zwnj", W::Zwnj},
            {"zwbo", W::Zwbo},
            {"zwnbo", W::Zwnbo},
            {"pn", W::Pn},
            {"pntext", W::Pntext},
            {"pnlvlblt", W::Pnlvlblt},
            {"pnlvlbody", W::Pnlvlbody},
            {"pnlvlcont", W::Pnlvlcont},
            {"pnlvl", W::Pnlvl},
            {"pndec", W::Pndec},
            {"pnlcltr", W::Pnlcltr},
            {"pnucltr", W::Pnucltr},
            {"pnlcrm", W::Pnlcrm},
            {"pnucrm", W::Pnucrm},
            {"pnstart", W::Pnstart},
            {"pntxtb", W::Pntxtb},
            {"pntxta", W::Pntxta},
            {"pnf", W::Pnf},
            {"listtable", W::Listtable},
            {"list", W::List},
            {"listlevel", W::Listlevel},
            {"levelnfc", W::Levelnfc},
            {"levelnfcn", W::Levelnfc},
            {"levelstartat", W::Levelstartat},
            {"listid", W::Listid},
            {"listoverridetable", W::Listoverridetable},
            {"listoverride", W::Listoverride},
            {"ls", W::Ls},
            {"ilvl", W::Ilvl},
            {"listtext", W::Listtext},
            {"field", W::Field},
            {"fldinst", W::Fldinst},
            {"fldrslt", W::Fldrslt},
        };
        for (const auto &[name, word] : table)
            m.emplace(name, word);
        for (const char *name : {"ulw", "uld", "uldb", "uldash", "uldashd", "uldashdd", "ulth",
                                 "ulwave", "ulhwave", "ulldash", "ulthd", "ulthdash", "ulthdashd",
                                 "ulthdashdd", "ulthldash", "ululdbwave", "uldbwave"})
            m.emplace(name, W::UlOther);
        for (const char *name : {"stylesheet",
                                 "info",
                                 "pict",
                                 "object",
                                 "nonshppict",
                                 "shp",
                                 "header",
                                 "headerl",
                                 "headerr",
                                 "headerf",
                                 "footer",
                                 "footerl",
                                 "footerr",
                                 "footerf",
                                 "footnote",
                                 "themedata",
                                 "colorschememapping",
                                 "latentstyles",
                                 "datastore",
                                 "xmlnstbl",
                                 "do",
                                 "xe",
                                 "tc",
                                 "txe",
                                 "annotation",
                                 "atnid",
                                 "atnauthor",
                                 "template",
                                 "revtbl",
                                 "rsidtbl",
                                 "generator",
                                 "mmathPr",
                                 "ftnsep",
                                 "ftnsepc",
                                 "aftnsep",
                                 "aftnsepc",
                                 "leveltext",
                                 "levelnumbers",
                                 "listname",
                                 "filetbl",
                                 "userprops",
                                 "docvar",
                                 "objdata",
                                 "result",
                                 "bkmkstart",
                                 "bkmkend",
                                 "fldtype",
                                 "falt",
                                 "panose",
                                 "pgdsctbl",
                                 "listpicture",
                                 "wgrffmtfilter",
                                 "pnseclvl",
                                 "shpinst",
                                 "shprslt",
                                 "picprop",
                                 "blipuid",
                                 "protusertbl",
                                 "defchp",
                                 "defpap",
                                 "nonesttables"})
            m.emplace(name, W::SkipDestination);
        for (const char *name : {"cs", "ds", "ts", "tsrowd", "nesttableprops", "trowd", "cellx"})
            m.emplace(name, W::Ignored);
        return m;
    }();
    return map;
}

inline bool isLetter(char c) { return unsigned((c | 0x20) - 'a') < 26u; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

struct HexTable {
    signed char value[256];
    HexTable()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = -1;
        for (int i = 0; i < 10; ++i)
            value['0' + i] = char(i);
        for (int i = 0; i < 6; ++i)
            value['a' + i] = value['A' + i] = char(10 + i);
    }
};

const HexTable kHexTable;

inline int hexValue(char c) { return kHexTable.value[(unsigned char)c]; }

inline bool isSpecial(char c)
{
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || c == '\t' || c == 0;
}

// What a byte is to a run of bytes: most are themselves, line ends and NUL are passed over,
// and a backslash, a brace or a tab may end it. One lookup rather than a comparison for each.
enum ByteClass : uint8_t { Plain, Skipped, Backslash, Ends };

struct ByteClasses {
    ByteClass value[256];
    constexpr ByteClasses() : value()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = Plain;
        value[int('\r')] = value[int('\n')] = value[0] = Skipped;
        value[int('\\')] = Backslash;
        value[int('{')] = value[int('}')] = value[int('\t')] = Ends;
    }
};

constexpr ByteClasses kByteClasses;

// The bytes of "\'" read as one little-endian 16-bit number.
constexpr quint16 kEscapeMark = quint16('\\') | quint16('\'') << 8;
constexpr quint64 kTwoMarks = quint64(kEscapeMark) | quint64(kEscapeMark) << 32;
constexpr quint64 kMarksMask = 0x0000FFFF0000FFFFull;

} // namespace

void RtfTokenizer::next(RtfToken &token)
{
    if (FHeld) {
        FHeld = false;
        token = FHeldToken;
        return;
    }
    while (FPos < FEnd) {
        const char c = *FPos;
        switch (c) {
        case '{':
            ++FPos;
            token.type = RtfToken::GroupOpen;
            return;
        case '}':
            ++FPos;
            token.type = RtfToken::GroupClose;
            return;
        case '\r':
        case '\n':
        case 0: ++FPos; continue;
        case '\t':
            ++FPos;
            token.type = RtfToken::Word;
            token.word = RtfWord::Tab;
            token.hasParam = false;
            return;
        case '\\':
            ++FPos;
            if (FPos >= FEnd) {
                token.type = RtfToken::End;
                return;
            }
            if (isLetter(*FPos)) {
                readWord(token);
                return;
            }
            if (*FPos == '\'') {
                if (FJoin) {
                    --FPos;
                    if (readBytes(token))
                        return;
                    continue;
                }
                ++FPos;
                if (readHexRun(token))
                    return;
                continue;
            }
            if (*FPos == '\r' || *FPos == '\n') {
                ++FPos;
                token.type = RtfToken::Word;
                token.word = RtfWord::Par;
                token.hasParam = false;
                return;
            }
            token.type = RtfToken::Symbol;
            token.symbol = *FPos++;
            return;
        default: {
            if (FJoin && readBytes(token))
                return;
            const char *start = FPos;
            ++FPos;
            while (FPos < FEnd && !isSpecial(*FPos))
                ++FPos;
            token.type = RtfToken::Text;
            token.text = start;
            token.length = FPos - start;
            return;
        }
        }
    }
    token.type = RtfToken::End;
}

// The first bytes of the buffer as a Hex token; false when there are none.
bool RtfTokenizer::bufferToken(RtfToken &token, qsizetype count)
{
    if (count == 0)
        return false;
    token.type = RtfToken::Hex;
    token.text = FHex;
    token.length = count;
    return true;
}

// Called after a backslash and quote: the escape's one or two hex digits; false when there
// are none.
bool RtfTokenizer::readHex(int &value)
{
    // Nearly every escape has both digits: both looked up at once.
    const int high = FEnd - FPos >= 2 ? hexValue(FPos[0]) : -1;
    const int low = high >= 0 ? hexValue(FPos[1]) : -1;
    if (low >= 0) {
        value = high * 16 + low;
        FPos += 2;
        return true;
    }
    value = 0;
    int digits = 0;
    while (digits < 2 && FPos < FEnd && hexValue(*FPos) >= 0) {
        value = value * 16 + hexValue(*FPos++);
        ++digits;
    }
    return digits > 0;
}

// Called after a backslash and quote. Takes that escape and the \'hh escapes right after
// it in one token; an escape without hex digits is dropped.
bool RtfTokenizer::readHexRun(RtfToken &token)
{
    qsizetype count = 0;
    int value = 0;
    while (readHex(value)) {
        FHex[count++] = char(value);
        if (count == qsizetype(sizeof FHex) || FEnd - FPos < 3 || FPos[0] != '\\' ||
            FPos[1] != '\'' || hexValue(FPos[2]) < 0)
            break;
        FPos += 2;
    }
    return bufferToken(token, count);
}

// The bytes from here as setJoinBytes() tells, as far as the buffer holds; false when
// there are none (an escape without hex digits is dropped).
bool RtfTokenizer::readBytes(RtfToken &token)
{
    // Kept in locals: a store through `out` may alias the members, which would be read back
    // after every byte.
    const char *p = FPos;
    const char *const end = FEnd;
    char *out = FHex;
    char *const full = FHex + sizeof FHex;
    while (p < end && out < full) {
        const ByteClass kind = kByteClasses.value[(unsigned char)*p];
        if (kind == Plain) {
            // A stretch of plain bytes is copied in one loop without the checks below.
            const char *const stop = p + std::min<qsizetype>(end - p, full - out);
            do
                *out++ = *p++;
            while (p < stop && kByteClasses.value[(unsigned char)*p] == Plain);
            continue;
        }
        if (kind == Backslash) {
            // Most of a Cyrillic text is \'hh escapes with both digits, one after another.
            if (end - p >= 4 && p[1] == '\'') {
                int high = hexValue(p[2]);
                int low = hexValue(p[3]);
                if ((high | low) >= 0) {
                    do {
                        *out++ = char(high * 16 + low);
                        p += 4;
                    } while (out < full && end - p >= 4 && p[0] == '\\' && p[1] == '\'' &&
                             ((high = hexValue(p[2])) | (low = hexValue(p[3]))) >= 0);
                    continue;
                }
            }
            if (end - p < 2)
                break;
            const char after = p[1];
            if (after == '\\' || after == '{' || after == '}') {
                *out++ = after;
                p += 2;
                continue;
            }
            if (after != '\'')
                break;
            FPos = p + 2;
            int value = 0;
            if (readHex(value))
                *out++ = char(value);
            p = FPos;
        } else if (kind == Skipped) {
            ++p;
        } else {
            break;
        }
    }
    FPos = p;
    return bufferToken(token, out - FHex);
}

RtfTokenizer::ByteChars RtfTokenizer::byteChars(const CodePage &page)
{
    return {page.textChars(), page.escapeChars(), page.keepsAscii()};
}

RtfTokenizer::Decoded RtfTokenizer::decodeText(const ByteChars &table, PassOver pass, char16_t *out,
                                               qsizetype room)
{
    const char16_t *const chars = table.chars;
    const char16_t *const escapes = table.escapes;
    const bool asciiSame = table.keepsAscii;
    // No byte gives more than one character, so that reading no more than `room` bytes from
    // here keeps the writing in bounds without a check of its own. Kept in locals, as in
    // readBytes().
    const char *p = FPos;
    const char *const end = FEnd;
    const char *const stop = p + std::min<qsizetype>(end - p, room);
    // Where an escape with both digits can begin.
    const char *const escapeStop = std::min<const char *>(stop, end - 3);
    // Where two whole escapes can begin.
    const char *const pairStop = stop - p >= 8 ? stop - 7 : p;
    bool took = false;
    while (p < stop) {
        const ByteClass kind = kByteClasses.value[(unsigned char)*p];
        if (kind == Plain) {
            took = true;
#ifdef __SSE2__
            // Latin words between the escapes: sixteen bytes tested and widened at once, and
            // the characters up to the first that is not plain ASCII kept.
            if (asciiSame) {
                const __m128i zero = _mm_setzero_si128();
                while (stop - p >= 16) {
                    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
                    const __m128i special =
                        _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(v, _mm_set1_epi8(0x20)),
                                                  _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('{')),
                                                  _mm_cmpeq_epi8(v, _mm_set1_epi8('}'))));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(v, zero));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8),
                                     _mm_unpackhi_epi8(v, zero));
                    const unsigned mask = unsigned(_mm_movemask_epi8(special));
                    const int n = mask ? __builtin_ctz(mask) : 16;
                    p += n;
                    out += n;
                    if (n < 16)
                        break;
                }
            }
#endif
            while (p < stop && kByteClasses.value[(unsigned char)*p] == Plain) {
                const char16_t c = chars[(unsigned char)*p++];
                *out = c;
                out += c != 0;
            }
            continue;
        }
        if (kind == Backslash) {
            // Most of a Cyrillic text is \'hh escapes with both digits, words apart by one
            // space: all taken in one loop, each escape's character looked up by its digits.
            // An escape that gives no character is left to the slower way below.
            if (p < escapeStop && p[1] == '\'' && escapes[qFromLittleEndian<quint16>(p + 2)]) {
                took = true;
                const char16_t space = chars[0x20];
                do {
                    // Two escapes at once while both are whole before the end of the room.
                    while (p < pairStop &&
                           (qFromLittleEndian<quint64>(p) & kMarksMask) == kTwoMarks) {
                        const char16_t first = escapes[qFromLittleEndian<quint16>(p + 2)];
                        const char16_t second = escapes[qFromLittleEndian<quint16>(p + 6)];
                        if (!first || !second)
                            break;
                        out[0] = first;
                        out[1] = second;
                        out += 2;
                        p += 8;
                    }
                    if (p >= escapeStop)
                        break;
                    if (qFromLittleEndian<quint16>(p) == kEscapeMark) {
                        const char16_t c = escapes[qFromLittleEndian<quint16>(p + 2)];
                        if (!c)
                            break;
                        *out++ = c;
                        p += 4;
                    } else if (*p == ' ' && space) {
                        *out++ = space;
                        ++p;
                    } else {
                        break;
                    }
                } while (p < escapeStop);
                continue;
            }
            if (end - p < 2)
                break;
            const char after = p[1];
            if (isLetter(after)) {
                if (FPassed && pass != PassOver::Nothing && end - p >= 16) {
                    if (const qsizetype length = FPassed->find(p, pass)) {
                        p += length;
                        took = true;
                        continue;
                    }
                }
                FPos = p + 1;
                RtfToken word;
                readWord(word);
                const bool looksOnly = changesLooksOnly(word.word);
                const bool idle = word.word == RtfWord::Unknown || word.word == RtfWord::Ignored;
                if (word.type == RtfToken::Word && pass != PassOver::Nothing &&
                    (looksOnly || (idle && pass == PassOver::LooksAndIdle))) {
                    if (FPassed && FPos - p <= 16 && end - p >= 16)
                        FPassed->remember(p, FPos - p, looksOnly);
                    p = FPos;
                    took = true;
                    continue;
                }
                FHeldToken = word;
                FHeld = true;
                return {out, took, false};
            }
            if (after == '\\' || after == '{' || after == '}') {
                const char16_t c = chars[(unsigned char)after];
                *out = c;
                out += c != 0;
                p += 2;
                took = true;
                continue;
            }
            if (after != '\'')
                break;
            FPos = p + 2;
            int value = 0;
            if (readHex(value)) {
                const char16_t c = chars[value];
                *out = c;
                out += c != 0;
                took = true;
            }
            p = FPos;
        } else if (kind == Skipped) {
            ++p;
        } else if (*p == '\t') {
            *out++ = u'\t';
            ++p;
            took = true;
        } else {
            break;
        }
    }
    FPos = p;
    return {out, took, p >= stop && p < end};
}

qsizetype RtfTokenizer::PassedWords::find(const char *p, PassOver pass) const
{
    const Entry &e = FEntries[slotOf(p)];
    if (!e.length || (!e.looksOnly && pass != PassOver::LooksAndIdle) ||
        (qFromLittleEndian<quint64>(p) & e.headMask) != e.head ||
        (qFromLittleEndian<quint64>(p + 8) & e.tailMask) != e.tail)
        return 0;
    // A word that did not end with its space ends here only if the byte after it says so.
    switch (e.end) {
    case End::Space: break;
    case End::Digits:
        if (isDigit(p[e.length]) || p[e.length] == ' ')
            return 0;
        break;
    case End::Letters:
        if (isLetter(p[e.length]) || isDigit(p[e.length]) || p[e.length] == '-' ||
            p[e.length] == ' ')
            return 0;
        break;
    }
    return e.length;
}

void RtfTokenizer::PassedWords::remember(const char *p, qsizetype length, bool looksOnly)
{
    Entry e;
    const char last = p[length - 1];
    e.end = last == ' ' ? End::Space : isDigit(last) ? End::Digits : End::Letters;
    // The byte after a word that did not end with its space is looked at: it must be among the
    // sixteen that find() may read.
    if (e.end != End::Space && length >= 16)
        return;
    const auto maskOf = [](qsizetype n) {
        return n >= 8 ? ~quint64(0) : n <= 0 ? quint64(0) : (quint64(1) << (8 * n)) - 1;
    };
    e.headMask = maskOf(length);
    e.tailMask = maskOf(length - 8);
    e.head = qFromLittleEndian<quint64>(p) & e.headMask;
    e.tail = length > 8 ? qFromLittleEndian<quint64>(p + 8) & e.tailMask : 0;
    e.length = uint8_t(length);
    e.looksOnly = looksOnly;
    FEntries[slotOf(p)] = e;
}

void RtfTokenizer::readWord(RtfToken &token)
{
    // Kept in locals, as in readBytes().
    const char *p = FPos;
    const char *const end = FEnd;
    const char *const start = p;
    PackedName packed;
#ifdef __SSE2__
    if (end - p >= 16) {
        // The letters of the word found among sixteen bytes at once; the name is then read
        // from the same bytes.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i offset =
            _mm_xor_si128(_mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a')),
                          _mm_set1_epi8(char(0x80)));
        const unsigned notLetters =
            ~unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(offset, _mm_set1_epi8(char(0x80 + 26)))));
        const int count = __builtin_ctz(notLetters | 0x10000u);
        std::memcpy(&packed.head, p, 8);
        std::memcpy(&packed.tail, p + 8, 8);
        if (count < 8) {
            packed.head &= (uint64_t(1) << (8 * count)) - 1;
            packed.tail = 0;
        } else if (count < 16) {
            packed.tail &= (uint64_t(1) << (8 * (count - 8))) - 1;
        }
        p += count;
        if (count == 16)
            while (p < end && isLetter(*p))
                ++p;
    } else
#endif
    {
        while (p < end && isLetter(*p))
            ++p;
        packed = PackedName::of(start, size_t(p - start));
    }
    const qsizetype letters = p - start;
    bool negative = false;
    if (end - p >= 2 && *p == '-' && isDigit(p[1])) {
        negative = true;
        ++p;
    }
    long long value = 0;
    int digits = 0;
    while (p < end && isDigit(*p)) {
        if (digits < kMaxDigits)
            value = value * 10 + (*p - '0');
        ++digits;
        ++p;
    }
    if (p < end && *p == ' ')
        ++p;
    FPos = p;
    if (negative)
        value = -value;
    const long long clamped =
        value < INT32_MIN ? INT32_MIN : (value > INT32_MAX ? INT32_MAX : value);
    token.type = RtfToken::Word;
    token.hasParam = digits > 0;
    token.param = int(clamped);
    token.word = RtfWord::Unknown;
    if (letters > kMaxWordLetters)
        return;
    const std::string_view name(start, size_t(letters));
    if (name == "bin") {
        // The data may hold any byte; skip it here so that nobody reads it as RTF.
        const qsizetype remaining = FEnd - FPos;
        if (token.hasParam && clamped > 0)
            FPos += clamped < remaining ? qsizetype(clamped) : remaining;
        token.type = RtfToken::Binary;
        return;
    }
    token.word = words().find(name, packed);
}

} // namespace quil::rtf
