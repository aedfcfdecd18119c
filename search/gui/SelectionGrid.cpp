#include "search/gui/SelectionGrid.h"

#include "store/Book.h"
#include "widgets/DBGrid.h"

#include <QCoreApplication>
#include <QHeaderView>

namespace search {

void setUpSelectionGrid(quil::DBGrid &grid)
{
    grid.setColumns({
        {book::Name, QCoreApplication::translate("SelectionGrid", "Выборка - Автор"), 401,
         Qt::AlignLeft | Qt::AlignVCenter},
        {book::Title, QCoreApplication::translate("SelectionGrid", "Выборка - Название"), 530,
         Qt::AlignLeft | Qt::AlignVCenter},
        {book::City, QCoreApplication::translate("SelectionGrid", "Год"), 56, Qt::AlignCenter},
    });
    QHeaderView *titles = grid.horizontalHeader();
    QFont bold = titles->font();
    bold.setBold(true);
    titles->setFont(bold);
    // Header labels are drawn in the palette's button text.
    QPalette maroon = titles->palette();
    maroon.setColor(QPalette::ButtonText, QColor(0x80, 0x00, 0x00));
    titles->setPalette(maroon);
}

} // namespace search
