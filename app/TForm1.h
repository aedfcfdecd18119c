#pragma once

#include "search/gui/FindPanel.h"
#include "search/gui/SelectPanel.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>

class QAction;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class TDataModule1;
class TFormEdit;
class TAboutBox;

namespace quil {
class DBEdit;
class DBGrid;
class DBMemo;
class DBRichView;
class StatusPanel;
} // namespace quil

// The main window: menus, tool bar, record pane, grids, notebooks and status bar, and the
// commands that open a library, move through it and change its records.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate; programFolder ends with the separator.
    explicit TForm1(const QString &programFolder, QWidget *parent = nullptr);
    // The folder of the program file with its trailing separator; every side path starts here.
    const QString &programFolder() const { return FProgramFolder; }
    // The open library's file name with extension and without folder; empty until one is picked.
    const QString &libraryFileName() const { return FLibraryFileName; }

    // Binds the data-aware controls to the data module's data sources and follows what the
    // data module tells: the status bar, the stored bookmark, the table's state.
    void attachDataModule(TDataModule1 &dataModule);
    // Follows the abstract editor's close box and hide button.
    void attachEditor(TFormEdit &editor);
    void attachAboutBox(TAboutBox &aboutBox) { FAboutBox = &aboutBox; }

    // What the enabled states of the menus, the tool bar and the pop-up menu follow.
    struct ActionConditions {
        bool libraryOpen = false;    // a library has been opened; nothing closes the commands again
        bool bookmarkStored = false; // "GotoBookMark" has somewhere to go
        bool editorShown = false; // the abstract editor window is shown ("Абстракт", Tag 1)
        bool selectionOpen = false; // the selection query holds a result
    };
    ActionConditions actionConditions() const;
    // The one place that enables and disables actions; runs after every change of a condition.
    void updateActionState();

    // The status bar's panels: 0 the position, 1 information, 2 the keyboard layout or the
    // position in the selection.
    void setStatusPanel(int panel, const QString &text);
    QString statusPanel(int panel) const;

    // Window
    void FormCreate();
    void FormClose();
    void ApplicationMessage();
    void About1Click();
    void mmSizeTableClick();
    // Library
    void SelectLibraryClick();
    // False when the library picked was found damaged and not recovered (the user told).
    bool OpenLibrary();
    // Records
    void btInsertBookClick();
    void bbSaveClick();
    void bbDeleteClick();
    // Navigation, order, bookmark
    void siFirstClick();
    void siPriorClick();
    void siNextClick();
    void siLastClick();
    void siExitClick();
    void DBGridTitleClick(int column);
    void DBGridDblClick();
    void gbFindDblClick();
    void mmAbstractClick();
    // The editor window was closed by its own title-bar button.
    void editorClosed();
    void pmGetBookMarkClick();
    void pmGotoBookMarkClick();
    void CloseSelectGridClick();
    // Find and select
    void FindClick();
    void EditFindKeyDown();
    void ButtonFindClick();
    void ButtonFindNextClick();
    void mmSelectClick();
    void bbOKSelectClick();
    void bbClearSelectClick();
    void bbCloseSelectClick();
    // Export
    void mmBufReferenceClick();
    void mmBufAbstractClick();
    void mmSaveInFileClick();
    void SampleInHTML1Click();
    // Whether the selection grid DBgrQuery is showing: the exports then write the selection.
    bool selectionGridShown() const;
    // Import
    void mmImportStringClick();
    void ImportNameTitle(const QString &path);
    void mmImportAbstractClick();
    void mmImportBibliographyClick();
    // Notebooks
    void mmInfoClick();
    void mmTermsClick();
    void meInfoDblClick();
    void meInfoChange();
    void meTermsChange();

    // Main menu MainMenu1
    QMenu *SelectLibraryMenu; // "Библиотека": choosing one, and its backups
    QAction *SelectLibrary;   // its item in the menu bar; triggered, it chooses a library
    QAction *mmOpenLibrary;
    QAction *mmRestoreBackup;
    QAction *mmRestoreDeleted;
    QAction *mmAbstract;
    QAction *mmNewBook;
    QAction *mmSave;
    QAction *mmSearch;
    QAction *mmSelect;
    QMenu *mmImportStringMenu; // "Экспорт"
    QAction *mmImportString;   // its item in the menu bar
    QAction *mmBufReference;
    QAction *mmBufAbstract;
    QAction *mmImDBSelnFile;
    QAction *SampleInHTML1;
    QAction *mmBufBibTeX;
    QAction *SampleInBibTeX;
    QAction *SampleInRis;
    QMenu *mmImportAbstractMenu; // "Импорт"
    QAction *mmImportAbstract;
    QAction *mmImReference;
    QAction *mmImAbstract;
    QAction *mmImBibliography;
    QAction *mmDelete;
    QAction *mmSizeTable;
    QAction *mmInfo;
    QAction *mmTerms;
    QAction *About1;

    // Pop-up menu of both grids
    QMenu *PopupMenu1;
    QAction *pmGetBookMark;
    QAction *pmGotoBookMark;
    QAction *ppSaveinFileQuery;
    QAction *CloseSelectGrid;

    // Tool bar
    QWidget *sbTool;
    QToolButton *siFirst;
    QToolButton *siPrior;
    QToolButton *siNext;
    QToolButton *siLast;
    QToolButton *siTableAbstract;
    QToolButton *siSaveInDB;
    QToolButton *siImportData;
    QToolButton *siTableFind;
    QToolButton *siSelectData;
    QToolButton *siDelete;
    QToolButton *siExit;

    // Record pane
    QFrame *DBCtrlGrid;
    quil::DBMemo *DBmeName;
    quil::DBMemo *DBmeTitle;
    quil::DBMemo *DBmePub;
    quil::DBEdit *DBedLocation;
    quil::DBEdit *DBedCityYear;
    quil::DBMemo *DBmeComment;
    QLabel *StaticText1;
    QLabel *StaticText2;
    QLabel *StaticText5;
    QLabel *StaticText7;
    QLabel *StaticText6;
    QLabel *StaticText3;

    // Abstract view and notebooks, one rectangle
    quil::DBRichView *RxDBedView;
    QPlainTextEdit *meInfo;
    QPlainTextEdit *meTerms;

    // Grids and the lower panels. LowerStrip is the region below the grid, of the panels' design
    // height, where gbSelect and DBgrQuery lie one over the other; gbFind stands above them and
    // the strip grows to hold both when both show. "SizeTable" lets the grid cover it.
    quil::DBGrid *DBGrid;
    QWidget *LowerStrip;
    search::FindPanel *gbFind;
    search::SelectPanel *gbSelect;
    quil::DBGrid *DBgrQuery;

    // Status bar
    QStatusBar *StatusBar1;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMainMenu();
    void createExportMenu();
    void createImportMenu();
    void createGridMenu();
    void createToolBar();
    void createRecordPane();
    void createGrids();
    void createStatusBar();
    void layOutPanes();
    // Places the grid in the layout: above the lower strip, or over it when enlarged.
    void placeGrid(bool enlarged);
    void showLibraryPanes();
    // The lower strip holds the find panel above the selection panel or grid when both show.
    void fitLowerStrip();
    // A panel of the lower strip that hides while it holds the keys would pass them on to the
    // next control in the chain, the record pane, where typing changes the entry: the grid
    // below takes them instead.
    void keepKeysOffRecordPane(const std::function<void()> &command);
    // Panels 0 and 2 are as wide as the largest position of the count they show.
    void fitPositionPanel(int panel, const QString &text);

    void loadNote(QPlainTextEdit *memo, QMetaObject::Connection &change, const QString &file,
                  void (TForm1::*handler)());
    // Writes a notebook's file; a character its code page lacks is taken out and reported.
    void saveNote(QPlainTextEdit *memo, const QString &file);
    void showNoteInFront(QAction *item, QPlainTextEdit *memo, QAction *otherItem);
    // Raises one of the abstract view and the notebooks; the focus leaves the ones behind.
    void bringToFront(QWidget *pane);
    // Runs a store with the grid unbound and the data-change handler detached; both come back
    // when the store fails, and also after success unless it closes the program.
    // The grid does not follow the program's own stores; it is bound again afterwards unless
    // the store succeeded and keepUnboundOnSuccess.
    void storeWithoutGrid(const std::function<void()> &store, bool keepUnboundOnSuccess);

    quil::StatusPanel *FPanels[3];
    QGridLayout *FCentralLayout = nullptr;
    bool FLibraryOpened = false;
    QMetaObject::Connection FInfoChange;
    QMetaObject::Connection FTermsChange;
    // The input language before the latest switch: Qt reports a switch only after it happened.
    int FLanguageBeforeSwitch = 0;
    QString FProgramFolder;
    QString FLibraryFileName;
    // The modules and windows handed over at start-up; none before.
    TDataModule1 *FDataModule = nullptr;
    TFormEdit *FFormEdit = nullptr;
    TAboutBox *FAboutBox = nullptr;
    quil::DataSet &table() const;
    bool FCloseStoreFailed = false; // the latest store at closing was refused
    bool FRecordEditing = false;    // the table is in edit or insert state
    QStringList FStartupReports;    // start-up failures, reported once the window is shown
};
