#include "editor/gui/TListBoxForever.h"

#include <QResizeEvent>
#include <QStyle>
#include <algorithm>

TListBoxForever::TListBoxForever(QWidget *parent) : QListWidget(parent)
{
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTextElideMode(Qt::ElideNone);
    updateGrid();
}

void TListBoxForever::setColumns(int columns)
{
    FColumns = std::max(1, columns);
    updateGrid();
}

void TListBoxForever::setItemHeight(int height)
{
    FItemHeight = std::max(1, height);
    updateGrid();
}

void TListBoxForever::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    updateGrid();
    // At once rather than on Qt's delayed layout: the columns follow the new height now.
    doItemsLayout();
}

void TListBoxForever::updateGrid()
{
    const int width = std::max(1, viewport()->width() / FColumns);
    const QSize cell(width, FItemHeight);
    setGridSize(cell);
    // An item is drawn, and clipped, in a rectangle of its own size: the whole cell.
    for (int i = 0; i < count(); ++i)
        item(i)->setSizeHint(cell);
}

void TListBoxForever::fitItems()
{
    // The item's text stands inside the margins that the style draws it with; a glyph's ink
    // may reach past its advance and past the font's ascent and descent.
    const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const QFontMetrics metrics(font());
    int widest = 0, tallest = 0;
    for (int i = 0; i < count(); ++i) {
        const QString text = item(i)->text();
        const QRect ink = metrics.boundingRect(text);
        widest = std::max({widest, metrics.horizontalAdvance(text), ink.width()});
        tallest = std::max(tallest, ink.height());
    }
    FItemHeight = std::max(FItemHeight, tallest + 2);
    const int frame = 2 * frameWidth();
    const int cell = std::max((width() - frame) / FColumns, widest + 2 * textMargin + 2);
    const int rows = std::max(1, (count() + FColumns - 1) / FColumns);
    // Qt wraps a column when an item would reach the viewport's last pixel row.
    resize(std::max(width(), cell * FColumns + frame),
           std::max(height(), rows * FItemHeight + 1 + frame));
    updateGrid();
}
