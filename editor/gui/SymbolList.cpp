#include "editor/gui/SymbolList.h"

#include "editor/SymbolPalette.h"
#include "editor/gui/TListBoxForever.h"
#include "platform/gui/QtPlatform.h"
#include <QCoreApplication>

namespace {
constexpr int BytesRole = Qt::UserRole;
}

TListBoxForever *newSymbolList(QWidget *parent)
{
    // Without the "Symbol" face itself, its glyphs come from Unicode in a face that has them.
    quil::showSymbolFontAsUnicode();
    auto *list = new TListBoxForever(parent);
    list->setObjectName(QStringLiteral("lbSymbol"));
    list->setAccessibleName(QCoreApplication::translate("SymbolList", "Символы"));
    QFont font(QStringLiteral("Symbol"));
    font.setPixelSize(16);
    list->setFont(font);
    list->setColumns(8);
    list->setItemHeight(19);
    list->setGeometry(639, 28, 137, 61);
    for (const quil::SymbolPalette::Item &symbol : quil::SymbolPalette::items()) {
        auto *item = new QListWidgetItem(symbol.shown, list);
        item->setData(BytesRole, symbol.stored);
        item->setToolTip(QString(symbol.typedGlyph));
    }
    list->fitItems();
    return list;
}

QByteArray symbolItemBytes(const QListWidgetItem *item)
{
    return item ? item->data(BytesRole).toByteArray() : QByteArray();
}
