#include "rtf/SymbolFont.h"

#include "rtf/CodePage.h"

#include <array>

namespace quil::rtf {

namespace {

// Adobe's mapping of the Symbol encoding (0 = no published glyph).
constexpr char16_t kRow20[] = {0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
                               0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F};
constexpr char16_t kRow40[] = {
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1,
    0x039A, 0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5,
    0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F, 0xF8E5,
    0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA,
    0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6,
    0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0};
constexpr char16_t kRowA0[] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193, 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0xF8E6, 0xF8E7, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118,
    0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3, 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0,      0,
    0,      0,      0,      0,      0,      0,      0,      0,      0,      0x232A, 0x222B, 0x2320,
    0,      0x2321, 0,      0,      0,      0,      0,      0,      0,      0,      0,      0};

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::array<short, 65536> fromUnicode{};

    Tables()
    {
        for (int b = 0; b < 256; ++b)
            toUnicode[b] = char16_t(0xF000 + b);
        for (int b = 0x20; b < 0x30; ++b)
            toUnicode[b] = kRow20[b - 0x20];
        for (int b = 0x30; b < 0x40; ++b)
            toUnicode[b] = char16_t(b);
        for (int b = 0x40; b < 0x80; ++b)
            if (kRow40[b - 0x40])
                toUnicode[b] = kRow40[b - 0x40];
        for (int b = 0xA0; b < 0x100; ++b)
            if (kRowA0[b - 0xA0])
                toUnicode[b] = kRowA0[b - 0xA0];
        fromUnicode.fill(-1);
        // Walk down so that the first of two bytes with the same glyph (® at D2 and E2) wins.
        for (int b = 255; b >= 0; --b)
            fromUnicode[toUnicode[b]] = short(b);
        for (int b = 0x20; b < 0x100; ++b)
            fromUnicode[0xF000 + b] = short(b);
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

char16_t SymbolFont::toUnicode(unsigned char b) { return tables().toUnicode[b]; }

const char16_t *SymbolFont::toUnicodeTable() { return tables().toUnicode.data(); }

const char16_t *SymbolFont::escapeChars()
{
    static const std::unique_ptr<char16_t[]> table = CodePage::escapeChars(toUnicodeTable());
    return table.get();
}

int SymbolFont::fromUnicode(char16_t c) { return tables().fromUnicode[c]; }

bool SymbolFont::isSymbolSign(char16_t c)
{
    if (c < 0x80 || (c >= 0xE000 && c <= 0xF8FF))
        return false;
    return fromUnicode(c) >= 0;
}

bool SymbolFont::isSymbolFontName(const QString &family)
{
    return family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

} // namespace quil::rtf
