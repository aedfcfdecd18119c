#include "editor/gui/TFormEdit.h"

#include "editor/AbstractFolder.h"
#include "editor/gui/TListBoxForever.h"
#include "platform/Error.h"
#include "platform/TClipboardMonitor.h"
#include "platform/gui/WaitCursor.h"
#include "store/TDataModule1.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using quil::DBRichEdit;
using quil::TextAttributes;

const QString kQuestionCaption = QStringLiteral("Attention!!!");
// Files larger than this load with a notice of what holds the window.
constexpr qint64 kBusyFileBytes = 512 * 1024;

// Raises a flag for a command and puts it back when the command ends, also when it fails.
class Lock {
public:
    explicit Lock(bool &flag) : FFlag(flag), FWas(flag) { FFlag = true; }
    ~Lock() { FFlag = FWas; }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    bool &FFlag;
    bool FWas;
};

using quil::WaitCursor;

// A button picture drawn from a few characters, where the style has no standard one.
QIcon glyph(const QString &text, QFont::Weight weight = QFont::Normal, bool italic = false,
            bool underline = false, QColor background = QColor())
{
    QPixmap pixmap(32, 32);
    pixmap.fill(background.isValid() ? background : QColor(Qt::transparent));
    QPainter painter(&pixmap);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(text.size() > 2 ? 13 : 20);
    font.setWeight(weight);
    font.setItalic(italic);
    font.setUnderline(underline);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

// A button picture drawn in outline on a 32 x 32 grid, for pictures no font here carries.
QIcon drawn(const std::function<void(QPainter &)> &draw)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2.5));
    draw(painter);
    return QIcon(pixmap);
}

// Four lines of text set to one side, or centred.
QIcon alignmentIcon(Qt::Alignment alignment)
{
    return drawn([alignment](QPainter &p) {
        const int widths[] = {24, 16, 24, 12};
        for (int i = 0; i < 4; ++i) {
            const int w = widths[i];
            const int x = alignment & Qt::AlignRight     ? 28 - w
                          : alignment & Qt::AlignHCenter ? 16 - w / 2
                                                         : 4;
            p.drawLine(x, 6 + i * 7, x + w, 6 + i * 7);
        }
    });
}

int tagOf(const QObject *object) { return object->property("Tag").toInt(); }
int groupOf(const QObject *object) { return object->property("GroupIndex").toInt(); }

} // namespace

TFormEdit::TFormEdit(TDataModule1 *dataModule, const QString &programFolder, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), FDataModule(dataModule),
      FProgramFolder(programFolder)
{
    setObjectName(QStringLiteral("FormEdit"));
    setWindowTitle(tr("Редактирование абстрактов"));
    setAccessibleName(windowTitle());
    // Closing the main window ends the program even while the editor is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    // The buttons show only pictures: their hints are wanted while the main window is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    resize(1023, 448);

    PaEditor = new QFrame(this);
    PaEditor->setObjectName(QStringLiteral("PaEditor"));
    PaEditor->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Editor = new DBRichEdit(PaEditor);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setAccessibleName(tr("Абстракт"));
    Editor->setFrameShape(QFrame::NoFrame);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Editor->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont editorFont(QStringLiteral("Times New Roman"));
    editorFont.setPointSize(12);
    Editor->setFont(editorFont);
    Editor->document()->setDefaultFont(editorFont);

    createSpeedBar();
    createPopupMenu();
    createTools();

    auto *inner = new QVBoxLayout(PaEditor);
    inner->setContentsMargins(1, 1, 1, 1);
    inner->setSpacing(0);
    inner->addWidget(Editor);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(SpeedBar);
    layout->addWidget(PaEditor, 1);

    connect(Editor, &DBRichEdit::changed, this,
            [this] { quil::guarded([this] { RichEditChange(); }); });
    for (auto signal : {&QTextEdit::selectionChanged, &QTextEdit::cursorPositionChanged})
        connect(Editor, signal, this, [this] { quil::guarded([this] { SelectionChange(); }); });
    connect(Editor, &DBRichEdit::historyStepped, this, [this] {
        quil::guarded([this] {
            RichEditChange();
            SelectionChange();
        });
    });
    connect(Editor, &DBRichEdit::readOnlyChanged, this,
            [this] { quil::guarded([this] { UpdateChangingCommands(); }); });
    connect(Editor, &DBRichEdit::textNotFound, this, [this](const QString &text) {
        quil::guarded([this, &text] { Editor1TextNotFound(text); });
    });

    // Bound to the data source only while shown, and so laid out at its real width: one never
    // shown is a few pixels wide, where a long paragraph takes a line per letter.
    Editor->setDataField(QStringLiteral("Resume"));

    quil::guarded([this] { FormCreate(); });
}

QToolButton *TFormEdit::addButton(const QString &name, const QString &caption, const QString &hint,
                                  const QString &section, int group, int tag,
                                  void (TFormEdit::*handler)(), const QIcon &icon)
{
    auto *button = new QToolButton(SpeedBar);
    button->setIcon(icon);
    button->setObjectName(name);
    button->setText(caption);
    button->setAccessibleName(caption);
    button->setToolTip(QString(hint).replace(QStringLiteral(" / "), QStringLiteral("\n")));
    button->setAutoRaise(true);
    button->setFixedSize(23, 22);
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::NoFocus);
    button->setProperty("Section", section);
    button->setProperty("GroupIndex", group);
    button->setProperty("Tag", tag);
    button->setCheckable(group != 0);
    auto *layout = static_cast<QHBoxLayout *>(SpeedBar->layout());
    if (layout->count() > 0) {
        const QWidget *previous = layout->itemAt(layout->count() - 1)->widget();
        if (previous && previous->property("Section") != section) {
            auto *line = new QFrame(SpeedBar);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setProperty("Section", section);
            layout->addWidget(line);
        }
    }
    layout->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, button, handler] {
        if (groupOf(button) != 0)
            groupClicked(button);
        if (handler)
            quil::guarded([this, handler] { (this->*handler)(); });
    });
    return button;
}

void TFormEdit::createSpeedBar()
{
    SpeedBar = new QFrame(this);
    SpeedBar->setObjectName(QStringLiteral("SpeedBar"));
    static_cast<QFrame *>(SpeedBar)->setFrameShape(QFrame::StyledPanel);
    SpeedBar->setFixedHeight(26);
    auto *layout = new QHBoxLayout(SpeedBar);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(0);

    const QString file = QStringLiteral("File"), edit = QStringLiteral("Edit"),
                  format = QStringLiteral("Format"), lingvo = QStringLiteral("Lingvo");
    QStyle *st = style();
    using F = TFormEdit;
    siCloseForm =
        addButton("siCloseForm", "siCloseForm", tr("Скрыть / абстракт"), "CloseForm", 0, 0,
                  &F::siCloseFormClick, st->standardIcon(QStyle::SP_TitleBarCloseButton));
    OpenBtn = addButton("OpenBtn", "Open", "Open", file, 0, 0, &F::FileOpen,
                        st->standardIcon(QStyle::SP_DialogOpenButton));
    SaveTableBtn = addButton("SaveTableBtn", "Save in Table", "Save in Table", file, 0, 0,
                             &F::SaveTableBtnClick, st->standardIcon(QStyle::SP_DialogSaveButton));
    SaveAsBtn = addButton("SaveAsBtn", "Save As", "Save As ", file, 0, 0, &F::FileSaveAs,
                          glyph(QStringLiteral("As")));
    SaveInRTFileBtn = addButton("SaveInRTFileBtn", "Save in RTF File", "Save in RTF File", file, 0,
                                0, &F::SaveInRTFileBtnClick, glyph(QStringLiteral("RTF")));
    PrintBtn =
        addButton("PrintBtn", "Print", "Print", file, 0, 0, &F::FilePrint, drawn([](QPainter &p) {
                      p.drawRect(4, 12, 24, 12); // the body
                      p.drawRect(9, 4, 14, 8);   // the paper fed in
                      p.drawRect(9, 20, 14, 8);  // and the sheet out
                  }));
    FindBtn =
        addButton("FindBtn", "Find", "Find", edit, 0, 0, &F::EditFindClick, drawn([](QPainter &p) {
                      p.drawEllipse(4, 4, 16, 16);
                      p.setPen(QPen(Qt::black, 4));
                      p.drawLine(18, 18, 28, 28);
                  }));
    CutBtn = addButton("CutBtn", "Cut", "Cut", edit, 0, 0, &F::EditCut, glyph(QStringLiteral("✂")));
    CopyBtn = addButton("CopyBtn", "Copy", "Copy", edit, 0, 0, &F::EditCopy, drawn([](QPainter &p) {
                            p.drawRect(4, 4, 16, 18);
                            p.fillRect(12, 10, 16, 18, Qt::white);
                            p.drawRect(12, 10, 16, 18);
                        }));
    PasteBtn =
        addButton("PasteBtn", "Paste", "Paste", edit, 0, 0, &F::EditPaste, drawn([](QPainter &p) {
                      p.drawRect(6, 6, 20, 23);
                      p.fillRect(11, 3, 10, 6, Qt::black);
                      for (int y : {15, 20, 25})
                          p.drawLine(10, y, 22, y);
                  }));
    UndoBtn =
        addButton("UndoBtn", "Undo", "Undo", edit, 0, 0, &F::EditUndo, glyph(QStringLiteral("↶")));
    RedoBtn =
        addButton("RedoBtn", "Redo", "Redo", edit, 0, 0, &F::EditRedo, glyph(QStringLiteral("↷")));
    BoldBtn = addButton("BoldBtn", "Bold", "Bold", format, 5, 0, &F::BoldButtonClick,
                        glyph(QStringLiteral("B"), QFont::Bold));
    ItalicBtn = addButton("ItalicBtn", "Italic", "Italic", format, 6, 0, &F::ItalicButtonClick,
                          glyph(QStringLiteral("I"), QFont::Normal, true));
    UnderlineBtn =
        addButton("UnderlineBtn", "Underline", "Underline", format, 7, 0, &F::UnderlineButtonClick,
                  glyph(QStringLiteral("U"), QFont::Normal, false, true));
    // The alignment buttons pass themselves: their tag is the alignment.
    LeftBtn = addButton("LeftBtn", "Align Left", "Align Left", format, 2, 0, nullptr,
                        alignmentIcon(Qt::AlignLeft));
    CenterBtn = addButton("CenterBtn", "Align Center", "Align Center", format, 2, 2, nullptr,
                          alignmentIcon(Qt::AlignHCenter));
    RightBtn = addButton("RightBtn", "Align Right", "Align Right", format, 2, 1, nullptr,
                         alignmentIcon(Qt::AlignRight));
    SubscriptBtn = addButton("SubscriptBtn", "Subscript", "Subscript", format, 3, 0,
                             &F::SubscriptClick, glyph(QStringLiteral("x₂")));
    SuperscriptBtn = addButton("SuperscriptBtn", "Superscript", "Superscript", format, 3, 0,
                               &F::SubscriptClick, glyph(QStringLiteral("x²")));
    siNumbering = addButton("siNumbering", "Numbering", tr("Список - нумерация"), format, 4, 2,
                            &F::siNumberingClick, glyph(QStringLiteral("1.")));
    BulletsBtn = addButton("BulletsBtn", "Bullets", tr("Список - точки"), format, 4, 1,
                           &F::BulletsButtonClick, glyph(QStringLiteral("•")));
    siSpaceSingle = addButton("siSpaceSingle", "Single Space", "Single Space", format, 0, 0,
                              nullptr, glyph(QStringLiteral("1")));
    siSpaceOneAndHalf = addButton("siSpaceOneAndHalf", "One&Half Space", "One&Half Space", format,
                                  0, 1, nullptr, glyph(QStringLiteral("1½")));
    siSpaceDouble = addButton("siSpaceDouble", "Double Space", "Double Space", format, 0, 2,
                              nullptr, glyph(QStringLiteral("2")));
    siSizePlus = addButton("siSizePlus", "siSizePlus", tr("Увеличить на 1 / размер шрифта"), format,
                           0, 0, &F::siSizePlusClick, glyph(QStringLiteral("A+")));
    siSizeMinus = addButton("siSizeMinus", "siSizeMinus", tr("Уменьшить на 1 / размер шрифта"),
                            format, 0, 0, &F::siSizeMinusClick, glyph(QStringLiteral("A-")));
    siBlackColor =
        addButton("siBlackColor", "siBlackColor", tr("Установить черный / цвет шрифта"), format, 0,
                  0, &F::siBlackColorClick, glyph(QStringLiteral("A"), QFont::Bold));
    siBackColor = addButton(
        "siBackColor", "siBackColor", tr("Желтый маркер"), format, 0, 0, &F::siBackColorClick,
        glyph(QStringLiteral("ab"), QFont::Normal, false, false, QColor(255, 255, 200)));
    siMyStyle = addButton("siMyStyle", "siMyStyle", tr("Стандартный шрифт / Times New Roman 12"),
                          format, 0, 0, &F::siMyStyleClick, glyph(QStringLiteral("T")));
    siLinkFont = addButton("siLinkFont", "siLinkFont", tr("Создать гиперссылку"), lingvo, 0, 0,
                           nullptr, glyph(QStringLiteral("⚯")));
    siLingvo = addButton("siLingvo", "Lingvo", tr("Перевод в Lingvo 10 / Ctr-C-C"), lingvo, 0, 0,
                         nullptr, glyph(QStringLiteral("L")));
    siSimbol = addButton("siSimbol", "siSimbol", "siSimbol", lingvo, 0, 0, nullptr,
                         glyph(QStringLiteral("α")));
    layout->addStretch(1);

    for (QToolButton *b : {LeftBtn, CenterBtn, RightBtn})
        connect(b, &QToolButton::clicked, this,
                [this, b] { quil::guarded([this, b] { AlignButtonClick(b); }); });
    for (QToolButton *b : {siSpaceSingle, siSpaceOneAndHalf, siSpaceDouble})
        connect(b, &QToolButton::clicked, this,
                [this, b] { quil::guarded([this, b] { siSpacingRuleClick(b); }); });
}

void TFormEdit::createPopupMenu()
{
    pmEdit = new QMenu(this);
    pmEdit->setObjectName(QStringLiteral("pmEdit"));
    const auto item = [this](const char *name, const QString &caption, const QString &hint,
                             const QKeySequence &keys, void (TFormEdit::*handler)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setStatusTip(hint);
        action->setShortcut(keys);
        if (handler)
            connect(action, &QAction::triggered, this,
                    [this, handler] { quil::guarded([this, handler] { (this->*handler)(); }); });
        // Short-cuts act while the window has the focus, with the menu closed too.
        addAction(action);
        pmEdit->addAction(action);
        return action;
    };
    const auto separator = [this](const char *name) {
        QAction *s = pmEdit->addSeparator();
        s->setObjectName(QLatin1String(name));
    };
    pmEditCut = item("pmEditCut", "Cut", {}, {}, &TFormEdit::EditCut);
    pmEditCopy = item("pmEditCopy", "Copy", {}, {}, &TFormEdit::EditCopy);
    Paste1 = item("Paste1", "Paste", {}, {}, &TFormEdit::EditPaste);
    separator("N1");
    SelectAllItem = item("SelectAllItem", "Select All", "Select All Text",
                         QKeySequence(Qt::CTRL | Qt::Key_A), &TFormEdit::EditSelectAll);
    separator("N4");
    FindItem = item("FindItem", "Find Text", "Find Text", QKeySequence(Qt::CTRL | Qt::Key_F),
                    &TFormEdit::EditFindClick);
    FindNextItem = item("FindNextItem", "Find Next", "Find Next",
                        QKeySequence(Qt::CTRL | Qt::Key_F3), &TFormEdit::EditFindNextItemClick);
    ReplaceItem = item("ReplaceItem", "Replace ...", "Replace ...",
                       QKeySequence(Qt::CTRL | Qt::Key_H), &TFormEdit::EditReplaceClick);
    separator("N5");
    NewFontItem = item("NewFontItem", "New Font", "New Font", QKeySequence(Qt::CTRL | Qt::Key_N),
                       &TFormEdit::SelectFont);
    separator("N2");
    FontLinkItem = item("FontLinkItem", "Font Link", {}, {}, nullptr);
    separator("N3");
    pmalfa = item("pmalfa", "alfa", {}, {}, nullptr);

    PaEditor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PaEditor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmEdit->popup(PaEditor->mapToGlobal(at)); });
}

// ------------------------------------------------------------------------------ window

void TFormEdit::FormCreate()
{
    FAbstractFolder = quil::AbstractFolder::folder(FProgramFolder);
    SelectionChange();
    // The bar's Paste follows the clipboard.
    FClipboardMonitor = new TClipboardMonitor(this);
    FClipboardMonitor->OnChange = [this] { UpdatePasteButton(); };
    UpdateChangingCommands();
}

void TFormEdit::FormClose() { emit closed(); }

void TFormEdit::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window brought back from the task bar never let go.
    if (!event->spontaneous())
        bindAbstract();
}

void TFormEdit::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        releaseAbstract();
    QWidget::hideEvent(event);
}

void TFormEdit::bindAbstract()
{
    if (!FDataModule || Editor->dataSource())
        return;
    Editor->setDataSource(&FDataModule->DataSource);
    FDataModule->abstract().setHolder(this);
}

void TFormEdit::releaseAbstract()
{
    if (!FDataModule || !Editor->dataSource())
        return;
    FDataModule->abstract().setHolder(nullptr);
    Editor->releaseDataSource();
}

bool TFormEdit::holdsChanges() const { return Editor->link().Modified(); }

QString TFormEdit::heldRtf() const { return Editor->Rtf(); }

QString TFormEdit::heldText() const { return Editor->Text(); }

void TFormEdit::closeEvent(QCloseEvent *event)
{
    event->accept();
    quil::guarded([this] { FormClose(); });
}

void TFormEdit::siCloseFormClick() { emit hideRequested(); }

void TFormEdit::FileOpen()
{
    quil::Dialogs::FileRequest request;
    request.title = tr("Загрузить Абстракт из TXT&RTF файла");
    request.filter = QStringLiteral("TXT&RTF Files (*.txt,*.rtf)|*.TXT;*.RTF");
    request.initialFolder = FAbstractFolder;
    if (!FDataModule->ADOTableResume->IsNull() &&
        !quil::dialogs().askYesNo(
            kQuestionCaption,
            tr("После загрузки файла данные Заключения будут потеряны. Продолжить?")))
        return;
    const QString path = quil::dialogs().openFileName(request);
    if (path.isEmpty())
        return;
    {
        const quil::WaitCursor wait;
        // Half a megabyte of abstract takes the better part of a second to read, lay out and
        // store; a larger file says what holds the window, on every path out.
        const bool large = QFileInfo(path).size() > kBusyFileBytes;
        if (large)
            quil::dialogs().showBusy(
                tr("Загрузка абстракта из файла %1 ...").arg(QFileInfo(path).fileName()));
        const auto endBusy = qScopeGuard([large] {
            if (large)
                quil::dialogs().showBusy(QString());
        });
        FDataModule->LoadAbstract([this, &path] { Editor->LoadFromFile(path); });
    }
    FocusEditor();
    Editor->setModified(false);
    RichEditChange();
}

void TFormEdit::SaveTableBtnClick()
{
    if (!Editor->Modified())
        return;
    const WaitCursor wait;
    const int start = Editor->SelStart();
    const int line = Editor->LineFromChar(start);
    const int column = start - Editor->LineIndex(line);
    const int firstVisible = Editor->FirstVisibleLine();
    FDataModule->SaveRecord();
    Editor->setModified(false);
    RichEditChange();
    const int lineStart = Editor->LineIndex(line);
    Editor->setSelStart((lineStart < 0 ? 0 : lineStart) + column);
    Editor->ScrollLines(firstVisible - Editor->FirstVisibleLine());
}

void TFormEdit::FileSaveAs()
{
    quil::Dialogs::FileRequest request;
    request.filter = QStringLiteral("Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT");
    request.initialFolder = FAbstractFolder;
    // A title that would put the file elsewhere is refused, as "Save in RTF File" refuses it.
    request.fileName =
        quil::AbstractFolder::pathFor(FProgramFolder, FDataModule->ADOTableTitle->AsString());
    request.confirmOverwrite = true;
    const QString path = quil::dialogs().saveFileName(request);
    if (!path.isEmpty()) {
        Editor->SaveToFile(path);
        Editor->setModified(false);
        RichEditChange();
    }
    FocusEditor();
}

void TFormEdit::SaveInRTFileBtnClick()
{
    const QString name = FDataModule->ADOTableName->AsString();
    if (!quil::dialogs().askYesNo(QStringLiteral("Confirm"),
                                  QStringLiteral("Save Conclusion in file ") +
                                      quil::AbstractFolder::fileName(name)))
        return;
    const WaitCursor wait;
    const int column = Editor->CaretColumn();
    Editor->SaveToFile(quil::AbstractFolder::pathFor(FProgramFolder, name));
    Editor->setSelStart(Editor->LineIndex(-1) + column);
    Editor->ScrollCaret();
}

void TFormEdit::FilePrint()
{
    if (!quil::dialogs().choosePrinter(FPrinter))
        return;
    const QString title = FDataModule->ADOTableTitle->AsString();
    Editor->print(FPrinter, title.isEmpty() ? QStringLiteral("Abstract") : title);
}

void TFormEdit::RichEditChange()
{
    const bool writable = !Editor->isReadOnly();
    UndoBtn->setEnabled(writable && Editor->CanUndo());
    RedoBtn->setEnabled(writable && Editor->CanRedo());
}

void TFormEdit::FocusEditor()
{
    if (Editor->CanFocus())
        Editor->setFocus();
}

TextAttributes TFormEdit::ActiveAttributes()
{
    return Editor->SelLength() > 0 ? Editor->SelAttributes() : Editor->WordAttributes();
}

void TFormEdit::ResetTextAttributes()
{
    // Only what is typed next: a record change never reformats or edits the stored abstract,
    // and text being typed keeps its format while the record enters edit state. A hidden
    // window holds nothing to reset.
    if (!Editor->dataSource() || Editor->textCursor().hasSelection() || Editor->link().Modified())
        return;
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Normal);
    plain.setFontItalic(false);
    plain.setFontUnderline(false);
    plain.setFontStrikeOut(false);
    plain.setVerticalAlignment(QTextCharFormat::AlignNormal);
    plain.setForeground(QColor(0, 0, 0));
    Editor->mergeCurrentCharFormat(plain);
}

// ------------------------------------------------------------------------------ formatting

void TFormEdit::setDown(QToolButton *button, bool down)
{
    if (down)
        for (QToolButton *other : SpeedBar->findChildren<QToolButton *>())
            if (other != button && groupOf(other) == groupOf(button))
                other->setChecked(false);
    button->setChecked(down);
}

void TFormEdit::groupClicked(QToolButton *button)
{
    // The alignment group always keeps one button down.
    if (!button->isChecked() && groupOf(button) == groupOf(LeftBtn))
        button->setChecked(true);
    setDown(button, button->isChecked());
}

void TFormEdit::SelectionChange()
{
    const Lock lock(FSyncLock);
    const auto styleHas = [this](TextAttributes::StyleFlag flag) {
        return bool(ActiveAttributes().style() & flag);
    };
    BoldBtn->setChecked(styleHas(TextAttributes::Bold));
    ItalicBtn->setChecked(styleHas(TextAttributes::Italic));
    UnderlineBtn->setChecked(styleHas(TextAttributes::Underline));
    switch (Editor->numbering()) {
    case DBRichEdit::Numbering::None:
        BulletsBtn->setChecked(false);
        siNumbering->setChecked(false);
        break;
    case DBRichEdit::Numbering::Bullet: setDown(BulletsBtn, true); break;
    case DBRichEdit::Numbering::Arabic: setDown(siNumbering, true); break;
    case DBRichEdit::Numbering::Other: break;
    }
    SuperscriptBtn->setChecked(ActiveAttributes().script() == TextAttributes::Script::Super);
    if (!SuperscriptBtn->isChecked())
        SubscriptBtn->setChecked(ActiveAttributes().script() == TextAttributes::Script::Sub);
    else
        SubscriptBtn->setChecked(false);
    switch (Editor->paragraphAlignment()) {
    case DBRichEdit::Alignment::Left: setDown(LeftBtn, true); break;
    case DBRichEdit::Alignment::Right: setDown(RightBtn, true); break;
    case DBRichEdit::Alignment::Center: setDown(CenterBtn, true); break;
    case DBRichEdit::Alignment::Justify: break;
    }
    UpdateCutCopyButtons();
}

namespace {
void toggleStyle(TextAttributes attributes, TextAttributes::StyleFlag flag, bool on)
{
    TextAttributes::Styles styles = attributes.style();
    styles.setFlag(flag, on);
    attributes.setStyle(styles);
}
} // namespace

void TFormEdit::BoldButtonClick()
{
    if (!FSyncLock)
        toggleStyle(ActiveAttributes(), TextAttributes::Bold, BoldBtn->isChecked());
}

void TFormEdit::ItalicButtonClick()
{
    if (!FSyncLock)
        toggleStyle(ActiveAttributes(), TextAttributes::Italic, ItalicBtn->isChecked());
}

void TFormEdit::UnderlineButtonClick()
{
    if (!FSyncLock)
        toggleStyle(ActiveAttributes(), TextAttributes::Underline, UnderlineBtn->isChecked());
}

void TFormEdit::SubscriptClick()
{
    if (FSyncLock)
        return;
    ActiveAttributes().setScript(SuperscriptBtn->isChecked() ? TextAttributes::Script::Super
                                 : SubscriptBtn->isChecked() ? TextAttributes::Script::Sub
                                                             : TextAttributes::Script::None);
}

void TFormEdit::AlignButtonClick(QToolButton *sender)
{
    if (FSyncLock)
        return;
    static const DBRichEdit::Alignment byTag[] = {
        DBRichEdit::Alignment::Left, DBRichEdit::Alignment::Right, DBRichEdit::Alignment::Center};
    Editor->setParagraphAlignment(byTag[std::clamp(tagOf(sender), 0, 2)]);
}

void TFormEdit::siSpacingRuleClick(QToolButton *sender)
{
    if (FSyncLock)
        return;
    static const DBRichEdit::LineSpacing byTag[] = {DBRichEdit::LineSpacing::Single,
                                                    DBRichEdit::LineSpacing::OneAndHalf,
                                                    DBRichEdit::LineSpacing::Double};
    Editor->setLineSpacingRule(byTag[std::clamp(tagOf(sender), 0, 2)]);
}

void TFormEdit::BulletsButtonClick()
{
    if (!FSyncLock)
        Editor->setNumbering(BulletsBtn->isChecked() ? DBRichEdit::Numbering::Bullet
                                                     : DBRichEdit::Numbering::None);
}

void TFormEdit::siNumberingClick()
{
    if (!FSyncLock)
        Editor->setNumbering(siNumbering->isChecked() ? DBRichEdit::Numbering::Arabic
                                                      : DBRichEdit::Numbering::None);
}

void TFormEdit::compound(const std::function<void()> &change)
{
    const Lock lock(FSyncLock);
    Editor->editStep([this, &change] {
        Editor->setLineSpacingRule(DBRichEdit::LineSpacing::Single);
        change();
    });
    UpdateCutCopyButtons();
}

void TFormEdit::siMyStyleClick()
{
    compound([this] {
        ActiveAttributes().setName(QStringLiteral("Times New Roman"));
        ActiveAttributes().setSize(12);
    });
}

void TFormEdit::siSizePlusClick()
{
    compound([this] { ActiveAttributes().setSize(ActiveAttributes().size() + 1); });
}

void TFormEdit::siSizeMinusClick()
{
    compound([this] { ActiveAttributes().setSize(ActiveAttributes().size() - 1); });
}

void TFormEdit::siBlackColorClick()
{
    compound([this] { ActiveAttributes().setColor(QColor(0, 0, 0)); });
}

void TFormEdit::siBackColorClick()
{
    compound([this] {
        // Any background of its own, yellow or not, is taken off; one in the window colour
        // shows as none and takes the marker.
        const QColor back = ActiveAttributes().backColor();
        const bool none = !back.isValid() || back == Editor->palette().color(QPalette::Base);
        ActiveAttributes().setBackColor(none ? QColor(255, 255, 200) : QColor());
    });
}

void TFormEdit::SelectFont()
{
    const quil::Dialogs::FontChoice shown{Editor->SelAttributes().font(),
                                          Editor->SelAttributes().color()};
    quil::Dialogs::FontChoice choice = shown;
    if (quil::dialogs().chooseFont(choice))
        ActiveAttributes().assignChanges(shown, choice);
    FocusEditor();
}

// ------------------------------------------------------------------------------ editing

void TFormEdit::EditCut() { Editor->cut(); }

void TFormEdit::EditCopy() { Editor->copy(); }

void TFormEdit::EditPaste() { Editor->paste(); }

void TFormEdit::EditUndo()
{
    Editor->Undo();
    RichEditChange();
    SelectionChange();
}

void TFormEdit::EditRedo()
{
    Editor->Redo();
    RichEditChange();
    SelectionChange();
}

void TFormEdit::EditSelectAll() { Editor->selectAll(); }

void TFormEdit::EditFindClick() { Editor->showFindDialog(Editor->textCursor().selectedText()); }

void TFormEdit::EditReplaceClick()
{
    Editor->showReplaceDialog(Editor->textCursor().selectedText(), QString());
}

void TFormEdit::EditFindNextItemClick()
{
    if (!Editor->FindNext())
        quil::dialogs().beep();
    Editor->setFocus();
}

void TFormEdit::Editor1TextNotFound(const QString &text)
{
    if (text.isEmpty()) {
        quil::dialogs().showInformation(QStringLiteral("QUIL.Lib"),
                                        tr("Нечего искать: введите текст для поиска."));
        return;
    }
    quil::dialogs().showWarning(QStringLiteral("Text \"%1\" not found.").arg(text));
}

void TFormEdit::UpdateCutCopyButtons()
{
    CopyBtn->setEnabled(Editor->SelLength() > 0);
    pmEditCopy->setEnabled(CopyBtn->isEnabled());
    CutBtn->setEnabled(CopyBtn->isEnabled() && !Editor->isReadOnly());
    pmEditCut->setEnabled(CutBtn->isEnabled());
}

void TFormEdit::UpdatePasteButton()
{
    PasteBtn->setEnabled(!Editor->isReadOnly() && Editor->CanPaste());
}

void TFormEdit::UpdateChangingCommands()
{
    // A library open to read only would drop every change at the next move, without a word.
    const bool writable = !Editor->isReadOnly();
    for (QToolButton *button : SpeedBar->findChildren<QToolButton *>())
        if (button->property("Section") == QLatin1String("Format"))
            button->setEnabled(writable);
    SuperscriptBtn->setEnabled(writable);
    SubscriptBtn->setEnabled(writable);
    for (QToolButton *button : {OpenBtn, SaveTableBtn, siLinkFont})
        button->setEnabled(writable);
    for (QAction *item : {Paste1, ReplaceItem, NewFontItem, FontLinkItem})
        item->setEnabled(writable);
    lbSymbol->setEnabled(writable);
    RichEditChange();
    UpdateCutCopyButtons();
    UpdatePasteButton();
}
