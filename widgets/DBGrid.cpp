#include "widgets/DBGrid.h"

#include "db/DataSource.h"
#include "db/DisplayText.h"
#include "platform/Dialogs.h"
#include "widgets/QuietScrollBar.h"
#include "widgets/ShapedText.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace quil {

// ------------------------------------------------------------------------------- model

DBGridModel::DBGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void DBGridModel::setColumns(std::vector<GridColumn> columns)
{
    beginResetModel();
    FColumns = std::move(columns);
    endResetModel();
}

int DBGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FRowCount;
}

int DBGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant DBGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.column()) >= FColumns.size())
        return {};
    const GridColumn &column = FColumns[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole: {
        DataSet *ds = dataSet();
        if (!ds || !ds->Active() || index.row() >= ds->RecordCount())
            return {};
        Field *field = ds->FindField(column.fieldName);
        if (!field)
            return {};
        try {
            // Painting must never raise; a row that cannot be read shows empty.
            return cutForDisplay(ds->displayTextAt(index.row(), *field));
        } catch (...) {
            return {};
        }
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(column.alignment);
    case Qt::FontRole: return cellFont;
    default: return {};
    }
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant(); // no row numbers
    if (size_t(section) >= FColumns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return FColumns[size_t(section)].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

void DBGridModel::activeChanged() { dataSetChanged(); }

void DBGridModel::dataSetChanged()
{
    const DataSet *ds = dataSet();
    const int rows = ds && ds->Active() ? ds->RecordCount() : 0;
    if (rows != FRowCount) {
        beginResetModel();
        FRowCount = rows;
        endResetModel();
    } else if (rows > 0) {
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
    }
    emit currentRowChanged(ds && ds->Active() ? ds->currentRow() : -1);
}

void DBGridModel::dataSetScrolled()
{
    const DataSet *ds = dataSet();
    emit currentRowChanged(ds ? ds->currentRow() : -1);
}

void DBGridModel::recordChanged(Field *)
{
    const DataSet *ds = dataSet();
    const int row = ds && ds->Active() ? ds->currentRow() : -1;
    if (row >= 0 && row < FRowCount)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

// ---------------------------------------------------------------------------- delegate

namespace {
constexpr int TextInset = 2; // between the style's text rectangle and the text, each side
} // namespace

namespace {
// The style's margin around an item's text, as QCommonStyle lays it out, and our own inset.
int textMargin(const QWidget *widget)
{
    const QStyle *style = widget ? widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1 + TextInset;
}

// The cell's background where it is a plain fill, as the style's item panel makes it; false
// where the style has more to draw. The style's whole item drawing, which only the focused
// cell needs for its frame, lays every cell out anew before it fills it.
bool paintedBackground(QPainter *painter, const QStyleOptionViewItem &opt)
{
    if (opt.state & QStyle::State_HasFocus || !opt.showDecorationSelected ||
        opt.backgroundBrush.style() != Qt::NoBrush)
        return false;
    const bool enabled =
        opt.widget ? opt.widget->isEnabled() : bool(opt.state & QStyle::State_Enabled);
    QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    // Alternate rows are the view's to fill, under the cell.
    if (opt.state & QStyle::State_Selected)
        painter->fillRect(opt.rect, opt.palette.brush(group, QPalette::Highlight));
    return true;
}

} // namespace

int DBGridDelegate::horizontalPadding(const QWidget *widget)
{
    constexpr int GridLine = 1; // a cell gives its right pixel to the grid line
    return 2 * textMargin(widget) + GridLine;
}

void DBGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    if (!paintedBackground(painter, opt))
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (text.isEmpty())
        return;

    constexpr int CacheLimit = 2048;
    if (FCache.size() > CacheLimit)
        FCache.clear();
    const int margin = textMargin(widget);
    const QRect cell = opt.rect.adjusted(margin, 0, -margin, 0);
    // Laid out as far as a cell shows it: a title that scrolls in is mostly clipped. A wider
    // cell lays it out again.
    auto it = FCache.find(text);
    if (it == FCache.end() ||
        it->reach < neededReach(cell.width(), opt.displayAlignment, opt.direction)) {
        LaidOut laidOut;
        laidOut.text.setTextFormat(Qt::PlainText);
        laidOut.text.setPerformanceHint(QStaticText::AggressiveCaching);
        laidOut.reach = prepareVisibleLine(laidOut.text, text, opt.font, cell.width(),
                                           opt.displayAlignment, opt.direction);
        it = FCache.insert(text, laidOut);
    }
    const QSizeF size = it->text.size();
    qreal x = cell.left();
    if (opt.displayAlignment & Qt::AlignHCenter)
        x = cell.left() + (cell.width() - size.width()) / 2;
    else if (opt.displayAlignment & Qt::AlignRight)
        x = cell.right() - size.width();
    const qreal y = cell.top() + (cell.height() - size.height()) / 2;
    const bool selected = opt.state & QStyle::State_Selected;
    painter->save();
    painter->setClipRect(cell, Qt::IntersectClip);
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawStaticText(QPointF(x, y), it->text);
    painter->restore();
}

// ---------------------------------------------------------------------------- indicator

DBGridIndicator::DBGridIndicator(QWidget *parent) : QHeaderView(Qt::Vertical, parent) {}

void DBGridIndicator::setCurrentRow(int row)
{
    if (row == FCurrentRow)
        return;
    // Only the two sections change; telling the model instead would make the grid re-measure
    // its header and repaint every cell on each move.
    const int previous = FCurrentRow;
    FCurrentRow = row;
    for (int r : {previous, row})
        if (r >= 0)
            viewport()->update(0, sectionViewportPosition(r), viewport()->width(), sectionSize(r));
}

void DBGridIndicator::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (logicalIndex != FCurrentRow)
        return;
    painter->save();
    painter->setClipRect(rect); // the style leaves a clip of its own behind
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::WindowText));
    const QPointF c = QRectF(rect).center();
    const qreal h = std::min<qreal>(rect.height(), rect.width()) / 3.0;
    painter->drawPolygon(
        QPolygonF({QPointF(c.x() - h / 2, c.y() - h), QPointF(c.x() + h / 2, c.y()),
                   QPointF(c.x() - h / 2, c.y() + h)}));
    painter->restore();
}

// ------------------------------------------------------------------------------- titles

DBGridTitles::DBGridTitles(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
}

void DBGridTitles::selectionChanged(const QItemSelection &selected,
                                    const QItemSelection &deselected)
{
    if (highlightSections())
        QHeaderView::selectionChanged(selected, deselected);
}

// -------------------------------------------------------------------------------- view

DBGrid::DBGrid(QWidget *parent)
    : QTableView(parent), FModel(new DBGridModel(this)), FDelegate(new DBGridDelegate(this))
{
    FIndicator = new DBGridIndicator(this);
    setVerticalHeader(FIndicator);
    setHorizontalHeader(new DBGridTitles(this));
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setModel(FModel);
    setItemDelegate(FDelegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(12);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DBGrid::titleClick);
    // The scroll bar and the headers would take the wheel and the double click for themselves.
    for (QWidget *part : {static_cast<QWidget *>(verticalScrollBar()),
                          horizontalHeader()->viewport(), verticalHeader()->viewport()})
        part->installEventFilter(this);
    connect(FModel, &DBGridModel::currentRowChanged, this, &DBGrid::followDataSet);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { currentChangedByUser(current); });
}

void DBGrid::setDataSource(DataSource *source) { FModel->setDataSource(source); }

void DBGrid::setColumns(std::vector<GridColumn> columns)
{
    FModel->setColumns(std::move(columns));
    fitColumns();
}

void DBGrid::setCellFont(const QFont &font)
{
    FModel->cellFont = font;
    FDelegate->clearCache();
    fitRows();
    fitColumns();
    viewport()->update();
}

int DBGrid::widthForCharacters(int characters) const
{
    // The cell font is monospaced; the widest of a few letters covers a face that is not.
    const QFontMetrics metrics(FModel->cellFont);
    int text = 0;
    for (const QChar sample : {QChar(u'0'), QChar(u'W'), QChar(u'Ш'), QChar(u'ж')})
        text = std::max(text, metrics.horizontalAdvance(QString(characters, sample)));
    return text + DBGridDelegate::horizontalPadding(this);
}

void DBGrid::fitColumns()
{
    const std::vector<GridColumn> &columns = FModel->columns();
    std::vector<int> widths;
    int total = 0;
    for (const GridColumn &c : columns) {
        const int fit = c.fitCharacters > 0 ? widthForCharacters(c.fitCharacters) : 0;
        widths.push_back(std::max(c.width, fit));
        total += widths.back();
    }
    const int spare = viewport()->width() - total;
    for (size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(int(i), widths[i] + (columns[i].fills && spare > 0 ? spare : 0));
}

void DBGrid::fitRows()
{
    verticalHeader()->setDefaultSectionSize(QFontMetrics(FModel->cellFont).height() + 4);
}

void DBGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    // The indicator measures its rows anew for the grid's font.
    if (event->type() == QEvent::FontChange)
        fitRows();
}

bool DBGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize)
        fitColumns();
    return QTableView::viewportEvent(event);
}

void DBGrid::followDataSet(int row)
{
    FIndicator->setCurrentRow(row);
    FSyncing = true;
    if (row < 0 || row >= FModel->rowCount()) {
        selectionModel()->clearCurrentIndex();
    } else {
        const int column = std::max(0, currentIndex().column());
        const QModelIndex target = FModel->index(row, column);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
        scrollTo(target);
    }
    FSyncing = false;
}

void DBGrid::currentChangedByUser(const QModelIndex &current)
{
    if (FSyncing || !current.isValid())
        return;
    DataSet *ds = FModel->dataSet();
    if (!ds || !ds->Active())
        return;
    if (!guarded([&] { ds->setRecNo(current.row() + 1); }))
        followDataSet(ds->currentRow()); // the move failed (a store was refused): stay put
}

void DBGrid::moveByWheel(const QWheelEvent &event)
{
    DataSet *ds = FModel->dataSet();
    // One record per wheel message, whatever the distance.
    const int distance = event.angleDelta().y();
    guarded([&] {
        if (distance > 0)
            ds->Prior();
        else
            ds->Next();
    });
}

void DBGrid::wheelEvent(QWheelEvent *event)
{
    const DataSet *ds = FModel->dataSet();
    if (!wheelMovesRecord || !ds || !ds->Active()) {
        QTableView::wheelEvent(event);
        return;
    }
    moveByWheel(*event);
    event->accept(); // the grid does not scroll by itself
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit recordDoubleClicked(); // on a row or on the empty area below the rows alike
}

bool DBGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        const DataSet *ds = FModel->dataSet();
        if (wheelMovesRecord && ds && ds->Active()) {
            moveByWheel(*static_cast<QWheelEvent *>(event));
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick && watched != verticalScrollBar()) {
        emit recordDoubleClicked();
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace quil
