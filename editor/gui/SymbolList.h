#pragma once

#include <QByteArray>

class QListWidgetItem;
class QWidget;
class TListBoxForever;

// The editor's symbol palette lbSymbol: the palette's items in eight columns, each shown as its
// glyphs in the "Symbol" font and keeping its stored bytes; 137 × 61 pixels at the least, and
// larger where the font needs it to show every item whole.
TListBoxForever *newSymbolList(QWidget *parent);

// The Symbol-font bytes that an item of the palette stands for.
QByteArray symbolItemBytes(const QListWidgetItem *item);
