#pragma once

#include "search/Selection.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;

class TDataModule1;

namespace search {

// The selection panel gbSelect: the author, title and two keyword texts, and Clear, Close and
// Select, which are the window's default buttons while the panel shows (Enter in any control
// of the window that does not take Enter itself presses Select). Runs the selection into the
// data module's query and shows the selection grid in the panel's place. Its on/off state is
// the Tag of the window's menu item.
class SelectPanel : public QGroupBox {
    Q_OBJECT
public:
    // The data module the panel searches; handed over once it exists.
    void setDataModule(TDataModule1 *dataModule) { FDataModule = dataModule; }

    // tagHolder keeps the state in its Tag (the menu item mmSelect); grid is DBgrQuery.
    SelectPanel(QObject *tagHolder, QWidget *grid, QWidget *parent = nullptr);

    QLabel *StaticText8;
    QLineEdit *edAuthor;
    QLabel *StaticText9;
    QLineEdit *edTitle;
    QLabel *StaticText10;
    QLineEdit *edResume; // the first keyword
    QLabel *StaticText11;
    QLineEdit *edKeyW2;
    QPushButton *bbClearSelect;
    QPushButton *bbCloseSelect;
    QPushButton *bbOKSelect;

    // Tag 0: shows the panel with the keys in the author text; Tag 1: hides the grid (the
    // panel is not touched).
    void mmSelectClick();
    // Runs the selection; once the query is open, the grid shows in place of the panel. When
    // the engine refuses, the error is raised with panel, grid and Tag as they were.
    void bbOKSelectClick();
    void bbClearSelectClick();
    void bbCloseSelectClick();
    SelectionTexts texts() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QObject *FTagHolder;
    QWidget *FGrid;
    TDataModule1 *FDataModule = nullptr;
};

} // namespace search
