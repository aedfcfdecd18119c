#pragma once

#include "platform/Dialogs.h"
#include "store/Abstract.h"
#include "widgets/DBRichEdit.h"

#include <QWidget>

class QAction;
class QIcon;
class QFrame;
class QMenu;
class QToolButton;
class TClipboardMonitor;
class TDataModule1;
class TListBoxForever;

// The abstract editor window: stay-on-top, hidden until "Абстракт" shows it. While it is shown
// its rich-text control Editor is bound to the abstract of the current entry and holds it; the
// button bar and the pop-up menu store, load, save and print it and format and search its text.
class TFormEdit : public QWidget, private Abstract::Holder {
    Q_OBJECT
public:
    // programFolder ends with the separator: abstract files and file links are found from it.
    explicit TFormEdit(TDataModule1 *dataModule = nullptr, const QString &programFolder = {},
                       QWidget *parent = nullptr);

    // --- window and storage
    void FormCreate();
    void FormClose();
    void siCloseFormClick();
    void FileOpen();
    void SaveTableBtnClick();
    void FileSaveAs();
    void SaveInRTFileBtnClick();
    void FilePrint();
    void RichEditChange();
    void FocusEditor();
    quil::TextAttributes ActiveAttributes();
    // Runs on every record change: acts on what is typed next, never on stored text.
    void ResetTextAttributes();

    // --- formatting and editing
    void SelectionChange();
    void BoldButtonClick();
    void ItalicButtonClick();
    void UnderlineButtonClick();
    void SubscriptClick();
    void AlignButtonClick(QToolButton *sender);
    void siSpacingRuleClick(QToolButton *sender);
    void BulletsButtonClick();
    void siNumberingClick();
    void siMyStyleClick();
    void siSizePlusClick();
    void siSizeMinusClick();
    void siBlackColorClick();
    void siBackColorClick();
    void SelectFont();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void EditUndo();
    void EditRedo();
    void EditSelectAll();
    void EditFindClick();
    void EditFindNextItemClick();
    void EditReplaceClick();
    void Editor1TextNotFound(const QString &text);
    void UpdateCutCopyButtons();
    // The commands that change the abstract are offered only where it can be stored.
    void UpdateChangingCommands();

    // --- symbols, links, the dictionary hand-off
    void siSimbolClick();
    void lbSymbol1DblClick();
    void siLinkFontClick();
    void Editor1URLClick(const QString &link, Qt::MouseButton button);
    void EditorMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &at);
    void siLingvoClick();

    QFrame *PaEditor;
    QWidget *SpeedBar;
    quil::DBRichEdit *Editor;
    QMenu *pmEdit;
    TListBoxForever *lbSymbol;

    QToolButton *siCloseForm;
    QToolButton *OpenBtn;
    QToolButton *SaveTableBtn;
    QToolButton *SaveAsBtn;
    QToolButton *SaveInRTFileBtn;
    QToolButton *PrintBtn;
    QToolButton *FindBtn;
    QToolButton *CutBtn;
    QToolButton *CopyBtn;
    QToolButton *PasteBtn;
    QToolButton *UndoBtn;
    QToolButton *RedoBtn;
    QToolButton *BoldBtn;
    QToolButton *ItalicBtn;
    QToolButton *UnderlineBtn;
    QToolButton *LeftBtn;
    QToolButton *CenterBtn;
    QToolButton *RightBtn;
    QToolButton *SubscriptBtn;
    QToolButton *SuperscriptBtn;
    QToolButton *siNumbering;
    QToolButton *BulletsBtn;
    QToolButton *siSpaceSingle;
    QToolButton *siSpaceOneAndHalf;
    QToolButton *siSpaceDouble;
    QToolButton *siSizePlus;
    QToolButton *siSizeMinus;
    QToolButton *siBlackColor;
    QToolButton *siBackColor;
    QToolButton *siMyStyle;
    QToolButton *siLinkFont;
    QToolButton *siLingvo;
    QToolButton *siSimbol;

    QAction *pmEditCut;
    QAction *pmEditCopy;
    QAction *Paste1;
    QAction *SelectAllItem;
    QAction *FindItem;
    QAction *FindNextItem;
    QAction *ReplaceItem;
    QAction *NewFontItem;
    QAction *FontLinkItem;
    QAction *pmalfa;

public slots:
    void UpdatePasteButton();

signals:
    // Closed by the user with the close box: the window is hidden now.
    void closed();
    // The hide button: the main window's toggle hides the window.
    void hideRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // A hidden window holds no abstract: a move then reads none into a document.
    void bindAbstract();
    void releaseAbstract();
    bool holdsChanges() const override;
    QString heldRtf() const override;
    QString heldText() const override;

    void createSpeedBar();
    void createPopupMenu();
    QToolButton *addButton(const QString &name, const QString &caption, const QString &hint,
                           const QString &section, int group, int tag, void (TFormEdit::*handler)(),
                           const QIcon &icon);
    // A group button was clicked: the group's rules first, then the handler reads the state.
    void groupClicked(QToolButton *button);
    // Sets a toggle's down state as the text says, releasing the others of its group.
    void setDown(QToolButton *button, bool down);
    // Runs a compound format: single line spacing, then the change, as one undo step.
    void compound(const std::function<void()> &change);
    // The symbol palette, the link, hand-off and palette buttons and the editor's mouse.
    void createTools();
    // Sends the editor a typed character code, read in the character set of what is typed.
    void typeCode(unsigned char code);

    TDataModule1 *FDataModule;
    QString FProgramFolder;
    bool FSyncLock = false;
    TClipboardMonitor *FClipboardMonitor = nullptr;
    QString FAbstractFolder;               // where the open and save dialogs start
    quil::Dialogs::PrintSettings FPrinter; // the printer chosen last
};
