#include "rtf/RtfTokenizer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace quil::rtf {

namespace {

constexpr int kMaxWordLetters = 32;
constexpr int kMaxDigits = 10;

// Control words are looked up for every token; an open-addressing table with a cheap
// hash keeps that well below the cost of std::unordered_map.
class WordTable {
public:
    void emplace(std::string_view name, RtfWord word)
    {
        size_t i = hash(name);
        while (FSlots[i].length)
            i = (i + 1) & kMask;
        FSlots[i] = {name.data(), uint8_t(name.size()), word};
    }

    RtfWord find(std::string_view name) const
    {
        for (size_t i = hash(name);; i = (i + 1) & kMask) {
            const Slot &slot = FSlots[i];
            if (!slot.length)
                return RtfWord::Unknown;
            if (slot.length == name.size() && std::memcmp(slot.name, name.data(), name.size()) == 0)
                return slot.word;
        }
    }

private:
    static constexpr size_t kSize = 1024;
    static constexpr size_t kMask = kSize - 1;
    struct Slot {
        const char *name = nullptr;
        uint8_t length = 0;
        RtfWord word = RtfWord::Unknown;
    };

    static size_t hash(std::string_view name)
    {
        uint32_t h = 2166136261u;
        for (char c : name)
            h = (h ^ uint8_t(c)) * 16777619u;
        return (h ^ (h >> 15)) & kMask;
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

inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
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

} // namespace

void RtfTokenizer::next(RtfToken &token)
{
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

void RtfTokenizer::readWord(RtfToken &token)
{
    const char *start = FPos;
    while (FPos < FEnd && isLetter(*FPos))
        ++FPos;
    const qsizetype letters = FPos - start;
    bool negative = false;
    if (FPos + 1 < FEnd && *FPos == '-' && isDigit(FPos[1])) {
        negative = true;
        ++FPos;
    }
    long long value = 0;
    int digits = 0;
    while (FPos < FEnd && isDigit(*FPos)) {
        if (digits < kMaxDigits)
            value = value * 10 + (*FPos - '0');
        ++digits;
        ++FPos;
    }
    if (FPos < FEnd && *FPos == ' ')
        ++FPos;
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
    token.word = words().find(name);
}

} // namespace quil::rtf
