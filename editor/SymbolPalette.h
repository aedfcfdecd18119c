#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quil {

// The items of the editor's symbol palette: Greek letters and mathematical signs written in
// the "Symbol" font. Each item keeps the Symbol-font bytes that it is stored as; the palette
// shows them as the glyphs those bytes have in that font.
class SymbolPalette {
public:
    struct Item {
        QByteArray stored; // Symbol-font bytes
        QString shown;     // the glyphs of those bytes
        unsigned char typed = 0;
        QChar typedGlyph;
    };

    // The 25 items in list order.
    static const QList<Item> &items();

    // The Symbol-font byte that double-clicking an item types: the left arrow for "<-",
    // approximately-equal for "=", otherwise the item's first byte (0 for an empty item).
    static unsigned char typedCode(const QByteArray &stored);

    // What a run of Symbol-font bytes shows.
    static QString glyphs(const QByteArray &stored);
};

} // namespace quil
