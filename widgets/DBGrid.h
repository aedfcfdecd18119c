#pragma once

#include "db/DataLink.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QHeaderView>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTableView>
#include <limits>
#include <vector>

namespace quil {

class DataSource;

// One column of a data grid.
struct GridColumn {
    QString fieldName;
    QString title;
    int width = 100;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // The longest text the column shows whole, in characters of the cell font (0: none). The
    // column is widened to it whenever the cell font changes.
    int fitCharacters = 0;
    // The column takes whatever width the grid has beyond its columns, so they reach its edge.
    bool fills = false;
};

// The grid's model over a dataset: one row per record in the current order. Cells are read
// through the dataset's page cache and the fields' display-text hooks, so only the rows on
// screen are ever fetched.
class DBGridModel : public QAbstractTableModel, public DataLink {
    Q_OBJECT
public:
    explicit DBGridModel(QObject *parent = nullptr);
    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn> &columns() const { return FColumns; }
    QFont cellFont;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The dataset's current record changed (row -1 when there is none).
    void currentRowChanged(int row);

protected:
    void activeChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled() override;
    void recordChanged(Field *field) override;

private:
    std::vector<GridColumn> FColumns;
    int FRowCount = 0;
};

// Paints grid cells from laid-out text kept between paints. Holding "next" scrolls the grid by
// one row per move and repaints every cell; shaping each cell's text anew cost several
// milliseconds a move, while almost all cells show a text painted just before.
class DBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    void clearCache() { FCache.clear(); }
    // What a cell's width takes beyond its text: the style's item margins and our own inset.
    static int horizontalPadding(const QWidget *widget);

private:
    struct LaidOut {
        QStaticText text;
        qreal reach = std::numeric_limits<qreal>::infinity(); // from the left, in pixels
    };
    mutable QHash<QString, LaidOut> FCache;
};

// The row indicator: a mark beside the current record.
class DBGridIndicator : public QHeaderView {
    Q_OBJECT
public:
    explicit DBGridIndicator(QWidget *parent = nullptr);
    void setCurrentRow(int row);
    int currentRow() const { return FCurrentRow; }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    int FCurrentRow = -1;
};

// The title row. Titles that show no selection are not repainted whole when a row is selected,
// which a header does for any selection that spans its sections.
class DBGridTitles : public QHeaderView {
    Q_OBJECT
public:
    explicit DBGridTitles(QWidget *parent = nullptr);

protected:
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
};

// A read-only grid bound to a data source. Selecting a row moves the dataset; moves of the
// dataset select the row. Title clicks and double clicks anywhere in the grid (cells, title row,
// indicator, the empty area below the rows) are signalled for the window.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget *parent = nullptr);
    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return FModel->dataSource(); }
    void setColumns(std::vector<GridColumn> columns);
    DBGridModel *gridModel() const { return FModel; }
    // Sets the font of the cells; columns with fitCharacters grow to hold their longest text.
    void setCellFont(const QFont &font);
    // The width a column needs to show a text of that many characters of the cell font whole.
    int widthForCharacters(int characters) const;
    // When set, a wheel turn anywhere over the grid (cells, scroll bar, titles) moves the
    // dataset by one record instead of scrolling.
    bool wheelMovesRecord = false;

signals:
    void titleClick(int column);
    void recordDoubleClicked();

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followDataSet(int row);
    void currentChangedByUser(const QModelIndex &current);
    // One record back for a turn away from the user, else one forward.
    void moveByWheel(const QWheelEvent &event);
    void fitColumns();
    // Rows as high as the cell font needs, whatever font the headers were given.
    void fitRows();

    DBGridModel *FModel;
    DBGridDelegate *FDelegate;
    DBGridIndicator *FIndicator;
    bool FSyncing = false;
};

} // namespace quil
