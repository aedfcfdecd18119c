#pragma once

#include <QListWidget>

// A list box whose items flow down a column and on into the next, in a fixed number of equal
// columns across its width, and which never shows a horizontal scroll bar (items beyond the
// last visible column are reached with the keyboard).
class TListBoxForever : public QListWidget {
    Q_OBJECT
public:
    explicit TListBoxForever(QWidget *parent = nullptr);

    int Columns() const { return FColumns; }
    void setColumns(int columns);
    int ItemHeight() const { return FItemHeight; }
    void setItemHeight(int height);

    // Grows, never shrinks, until every item shows whole in the columns at the list's font.
    void fitItems();

    // 0 and 1, as the other on/off states of the program.
    int Tag = 0;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateGrid();

    int FColumns = 1;
    int FItemHeight = 16;
};
