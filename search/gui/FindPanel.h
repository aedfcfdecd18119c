#pragma once

#include "search/Finder.h"

#include <QGroupBox>
#include <QPointer>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TDataModule1;

namespace search {

// The find panel gbFind: the field chooser, the search and year texts and the two buttons,
// their visibility rules, and the search over the main table with the display suspended and
// the hourglass shown. Shown and hidden by the Tag of the window's menu item.
class FindPanel : public QGroupBox {
    Q_OBJECT
public:
    // The data module the panel searches; handed over once it exists.
    void setDataModule(TDataModule1 *dataModule) { FDataModule = dataModule; }

    // tagHolder keeps the panel's on/off state in its Tag (the menu item mmSearch).
    explicit FindPanel(QObject *tagHolder, QWidget *parent = nullptr);

    QComboBox *ComboBoxFind;
    QGroupBox *GroupBoxEdit;
    QLineEdit *EditFind;
    QGroupBox *GroupBox1;
    QLineEdit *cedFindYear;
    QPushButton *ButtonFind;
    QPushButton *ButtonFindNext;
    QLabel *Image4;

    // Shows the panel (emptying the year) with the keys in the search text, or hides it, by
    // the Tag.
    void FindClick();
    // The search from the first entry, or from the one after the current one. An "Автор"
    // match gives authorControl the focus: always from the first entry, in year mode only
    // when continuing. Enter in authorControl then goes on with the search, not into the
    // authors, until the user presses another key there, clicks into it or leaves it.
    void find(FindFrom from, QWidget *authorControl);
    // Enter in the search or year text continues a search while "Далее" shows, else starts
    // one.
    bool continuesOnEnter() const;
    // Whether Enter in the author control still belongs to the search.
    bool enterContinuesIn(const QWidget *authorControl) const;
    // The item of the list that is chosen; -1 when none is (typing a text that is no item's
    // text chooses none).
    int chosenItem() const { return FItem; }

signals:
    // Enter was pressed in EditFind or cedFindYear, or in the author control right after a
    // find (whatever shift keys were held).
    void enterPressed();
    // The panel's own background was double-clicked.
    void doubleClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void ComboBoxFindChange();
    void EditFindChange();
    void keepEnterFor(QWidget *authorControl);

    QObject *FTagHolder;
    int FItem = -1;
    // The author control while Enter in it belongs to the search; null otherwise.
    QPointer<QWidget> FEnterContinues;
    TDataModule1 *FDataModule = nullptr;
};

} // namespace search
