#pragma once

#include <QChar>
#include <QString>

namespace quil::rtf {

// The glyphs of the "Symbol" font: its bytes stand for Greek letters and mathematical
// signs, not for the Latin letters of a text code page.
class SymbolFont {
public:
    // The character that byte b shows in the Symbol font; bytes without a published glyph
    // come back as U+F000 + b, the form in which Windows keeps Symbol-font text.
    static char16_t toUnicode(unsigned char b);
    // toUnicode() of every byte, none of them 0, and CodePage::escapeChars() of that.
    static const char16_t *toUnicodeTable();
    static const char16_t *escapeChars();

    // The Symbol-font byte that shows c, or -1. Private-use characters U+F020..U+F0FF give
    // their low byte.
    static int fromUnicode(char16_t c);

    // Whether c is a sign written in the Symbol font rather than in a text font: it has a
    // Symbol glyph and is neither ASCII nor private use.
    static bool isSymbolSign(char16_t c);

    static bool isSymbolFontName(const QString &family);
};

} // namespace quil::rtf
