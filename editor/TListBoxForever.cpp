#include "editor/TListBoxForever.h"

#include <QResizeEvent>
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
}

void TListBoxForever::updateGrid()
{
    const int width = std::max(1, viewport()->width() / FColumns);
    setGridSize(QSize(width, FItemHeight));
}
