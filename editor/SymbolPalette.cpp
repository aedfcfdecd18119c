#include "editor/SymbolPalette.h"

#include "rtf/SymbolFont.h"

namespace quil {

const QList<SymbolPalette::Item> &SymbolPalette::items()
{
    static const QList<Item> list = [] {
        static const char *const stored[] = {"\x40", "\x53", "\x61", "\x62", "\x63", "\x65", "\x6C",
                                             "\x6D", "\x70", "\x77", "\x7E", "\xA6", "\xA3", "<-",
                                             "\xAE", "\xB0", "\xB1", "\xB3", "\xB4", "\xB8", "\xB9",
                                             "\xBA", "=",    "\xB7", " "};
        QList<Item> result;
        for (const char *bytes : stored) {
            Item item;
            item.stored = QByteArray(bytes);
            item.shown = glyphs(item.stored);
            item.typed = typedCode(item.stored);
            item.typedGlyph = QChar(rtf::SymbolFont::toUnicode(item.typed));
            result.append(item);
        }
        return result;
    }();
    return list;
}

unsigned char SymbolPalette::typedCode(const QByteArray &stored)
{
    if (stored == "<-")
        return 0xAC;
    if (stored == "=")
        return 0xBB;
    return stored.isEmpty() ? 0 : static_cast<unsigned char>(stored.at(0));
}

QString SymbolPalette::glyphs(const QByteArray &stored)
{
    QString result;
    for (char b : stored)
        result += QChar(rtf::SymbolFont::toUnicode(static_cast<unsigned char>(b)));
    return result;
}

} // namespace quil
