#include "app/TForm1.h"

#include "app/Handler.h"
#include "app/NoteFile.h"
#include "app/TAboutBox.h"
#include "db/DisplayText.h"
#include "editor/gui/TFormEdit.h"
#include "export/gui/ExportCommands.h"
#include "import/gui/ImportCommands.h"
#include "jet/gui/MigrationOffer.h"
#include "platform/Error.h"
#include "platform/KeyboardLayout.h"
#include "platform/gui/Tag.h"
#include "platform/gui/WaitCursor.h"
#include "search/gui/SelectionGrid.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/DBMemo.h"
#include "widgets/DBRichView.h"
#include "widgets/StatusPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

namespace {

const QString InfoFile = QStringLiteral("Info.txt");
const QString TermsFile = QStringLiteral("Terms.txt");
const char Russian[] = QT_TRANSLATE_NOOP("TForm1", "Русский");
const char English[] = "English";

// Grid sizes: design (normal) and enlarged by "SizeTable".
constexpr int GridHeight = 324;
constexpr int LowerStripGap = 6;
constexpr int LowerStripHeight = 114;
constexpr int EnlargedColumnPoints = 12;
constexpr int EnlargedGridPoints = 12;
// The design width of the position and keyboard panels of the status bar.
constexpr int StatusPanelWidth = 100;

QFont pixelFont(const QString &family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont designColumnFont() { return pixelFont(QStringLiteral("Courier New"), 15); }
QFont designGridFont() { return pixelFont(QStringLiteral("Times New Roman"), 13); }
QFont paneFont() { return pixelFont(QStringLiteral("MS Sans Serif"), 13); }

QFont withPoints(QFont font, int points)
{
    font.setPointSize(points);
    return font;
}

QAction *menuItem(QObject *parent, const QString &name, const QString &caption)
{
    auto *item = new QAction(caption, parent);
    item->setObjectName(name);
    return item;
}

QAction *separator(QObject *parent, const QString &name)
{
    auto *item = new QAction(parent);
    item->setObjectName(name);
    item->setSeparator(true);
    return item;
}

using quil::WaitCursor;

// A notebook's text with its line ends as "\n", non-breaking spaces kept.
QString noteText(const QPlainTextEdit *memo)
{
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

TForm1::TForm1(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), FProgramFolder(programFolder)
{
    setObjectName(QStringLiteral("Form1"));
    // The accessible name of a window is its caption, so a screen reader hears the library.
    setWindowTitle(QStringLiteral("QUIL - Reference Library 2006"));

    createMainMenu();
    createExportMenu();
    createImportMenu();
    createGridMenu();
    createToolBar();
    createRecordPane();
    createGrids();
    createStatusBar();
    layOutPanes();
    updateActionState();

    quil::guarded([this] { FormCreate(); });
}

// ------------------------------------------------------------------------------ building

void TForm1::createMainMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setAccessibleName(tr("Главное меню"));

    SelectLibraryMenu = new QMenu(tr("Библиотека"), this);
    SelectLibraryMenu->setObjectName(QStringLiteral("SelectLibrary"));
    SelectLibraryMenu->setAccessibleName(SelectLibraryMenu->title());
    SelectLibrary = SelectLibraryMenu->menuAction();
    SelectLibrary->setObjectName(QStringLiteral("SelectLibrary"));
    mmOpenLibrary = menuItem(this, QStringLiteral("mmOpenLibrary"), tr("Выбрать библиотеку…"));
    mmRestoreBackup =
        menuItem(this, QStringLiteral("mmRestoreBackup"), tr("Восстановить из копии…"));
    mmRestoreDeleted =
        menuItem(this, QStringLiteral("mmRestoreDeleted"), tr("Вернуть удалённые записи…"));
    SelectLibraryMenu->addActions(
        {mmOpenLibrary, separator(this, QStringLiteral("N9")), mmRestoreBackup, mmRestoreDeleted});
    mmAbstract = menuItem(this, QStringLiteral("mmAbstract"), tr("Абстракт"));
    mmNewBook = menuItem(this, QStringLiteral("mmNewBook"), tr("Новая книга"));
    mmSave = menuItem(this, QStringLiteral("mmSave"), tr("Сохранить"));
    mmSearch = menuItem(this, QStringLiteral("mmSearch"), tr("Поиск"));
    mmSelect = menuItem(this, QStringLiteral("mmSelect"), tr("Выборка"));
    // The export menu is the item named mmImportString, the import menu mmImportAbstract.
    mmImportStringMenu = new QMenu(tr("Экспорт"), this);
    mmImportString = mmImportStringMenu->menuAction();
    mmImportAbstractMenu = new QMenu(tr("Импорт"), this);
    mmImportAbstract = mmImportAbstractMenu->menuAction();
    for (QMenu *menu : {mmImportStringMenu, mmImportAbstractMenu}) {
        menu->setAccessibleName(menu->title());
        // Hints of the items show as tool tips; the status bar keeps its panels.
        menu->setToolTipsVisible(true);
    }
    mmImportStringMenu->setObjectName(QStringLiteral("mmImportString"));
    mmImportString->setObjectName(QStringLiteral("mmImportString"));
    mmImportAbstractMenu->setObjectName(QStringLiteral("mmImportAbstract"));
    mmImportAbstract->setObjectName(QStringLiteral("mmImportAbstract"));
    mmDelete = menuItem(this, QStringLiteral("mmDelete"), tr("Удалить"));
    mmSizeTable = menuItem(this, QStringLiteral("mmSizeTable"), QStringLiteral("SizeTable"));
    mmInfo = menuItem(this, QStringLiteral("mmInfo"), tr("Сокращения"));
    mmTerms = menuItem(this, QStringLiteral("mmTerms"), tr("Термины"));
    About1 = menuItem(this, QStringLiteral("About1"), QStringLiteral("About"));

    bar->addActions({SelectLibrary, mmAbstract, mmNewBook, mmSave, mmSearch, mmSelect,
                     mmImportString, mmImportAbstract, mmDelete, mmSizeTable, mmInfo, mmTerms,
                     About1});
    for (QAction *item : {mmAbstract, mmSizeTable, mmSearch, mmSelect, mmInfo, mmTerms})
        setTag(item, 0);

    connectHandler(SelectLibrary, &QAction::triggered, this, [this] { SelectLibraryClick(); });
    connectHandler(mmOpenLibrary, &QAction::triggered, this, [this] { SelectLibraryClick(); });
    connectHandler(mmRestoreBackup, &QAction::triggered, this,
                   [this] { FDataModule->RestoreFromBackup(); });
    connectHandler(mmRestoreDeleted, &QAction::triggered, this,
                   [this] { FDataModule->RestoreDeletedEntries(); });
    connectHandler(mmAbstract, &QAction::triggered, this, [this] { mmAbstractClick(); });
    connectHandler(mmNewBook, &QAction::triggered, this, [this] { btInsertBookClick(); });
    connectHandler(mmSave, &QAction::triggered, this, [this] { bbSaveClick(); });
    connectHandler(mmDelete, &QAction::triggered, this, [this] { bbDeleteClick(); });
    connectHandler(mmSearch, &QAction::triggered, this, [this] { FindClick(); });
    connectHandler(mmSelect, &QAction::triggered, this, [this] { mmSelectClick(); });
    connectHandler(mmSizeTable, &QAction::triggered, this, [this] { mmSizeTableClick(); });
    connectHandler(mmInfo, &QAction::triggered, this, [this] { mmInfoClick(); });
    connectHandler(mmTerms, &QAction::triggered, this, [this] { mmTermsClick(); });
    connectHandler(About1, &QAction::triggered, this, [this] { About1Click(); });
}

void TForm1::createExportMenu()
{
    mmBufReference = menuItem(this, QStringLiteral("mmBufReference"), QStringLiteral("Reference"));
    mmBufAbstract = menuItem(this, QStringLiteral("mmBufAbstract"), QStringLiteral("R.Abstract"));
    mmImDBSelnFile =
        menuItem(this, QStringLiteral("mmImDBSelnFile"), QStringLiteral("Samlpe In File"));
    mmImDBSelnFile->setToolTip(tr("Запись данных в файл"));
    SampleInHTML1 =
        menuItem(this, QStringLiteral("SampleInHTML1"), QStringLiteral("Sample In HTML"));
    mmBufBibTeX = menuItem(this, QStringLiteral("mmBufBibTeX"), QStringLiteral("Copy as BibTeX"));
    SampleInBibTeX =
        menuItem(this, QStringLiteral("SampleInBibTeX"), QStringLiteral("Sample In BibTeX"));
    SampleInRis = menuItem(this, QStringLiteral("SampleInRis"), QStringLiteral("Sample In RIS"));
    mmImportStringMenu->addActions(
        {mmBufReference, separator(this, QStringLiteral("N2")), mmBufAbstract, mmBufBibTeX,
         separator(this, QStringLiteral("N4")), mmImDBSelnFile,
         separator(this, QStringLiteral("N6")), SampleInHTML1,
         separator(this, QStringLiteral("N8")), SampleInBibTeX, SampleInRis});
    connectHandler(mmBufReference, &QAction::triggered, this, [this] { mmBufReferenceClick(); });
    connectHandler(mmBufAbstract, &QAction::triggered, this, [this] { mmBufAbstractClick(); });
    connectHandler(mmImDBSelnFile, &QAction::triggered, this, [this] { mmSaveInFileClick(); });
    connectHandler(SampleInHTML1, &QAction::triggered, this, [this] { SampleInHTML1Click(); });
    connectHandler(mmBufBibTeX, &QAction::triggered, this,
                   [this] { ExportCommands::copyBibTeX(*FDataModule); });
    connectHandler(SampleInBibTeX, &QAction::triggered, this, [this] {
        ExportCommands::saveBibliography(*FDataModule, quil::exchange::Format::BibTeX,
                                         selectionGridShown(), FProgramFolder);
    });
    connectHandler(SampleInRis, &QAction::triggered, this, [this] {
        ExportCommands::saveBibliography(*FDataModule, quil::exchange::Format::Ris,
                                         selectionGridShown(), FProgramFolder);
    });
}

void TForm1::createImportMenu()
{
    mmImReference = menuItem(this, QStringLiteral("mmImReference"), QStringLiteral("Reference"));
    mmImAbstract = menuItem(this, QStringLiteral("mmImAbstract"), QStringLiteral("R.Abstract"));
    mmImBibliography =
        menuItem(this, QStringLiteral("mmImBibliography"), QStringLiteral("BibTeX, RIS"));
    mmImportAbstractMenu->addActions({mmImReference, separator(this, QStringLiteral("N3")),
                                      mmImAbstract, separator(this, QStringLiteral("N7")),
                                      mmImBibliography});
    connectHandler(mmImReference, &QAction::triggered, this, [this] { mmImportStringClick(); });
    connectHandler(mmImAbstract, &QAction::triggered, this, [this] { mmImportAbstractClick(); });
    connectHandler(mmImBibliography, &QAction::triggered, this,
                   [this] { mmImportBibliographyClick(); });
}

void TForm1::createGridMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->setAccessibleName(tr("Закладки и выборка"));
    pmGetBookMark = menuItem(this, QStringLiteral("pmGetBookMark"), QStringLiteral("GetBookMark"));
    pmGetBookMark->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    pmGotoBookMark =
        menuItem(this, QStringLiteral("pmGotoBookMark"), QStringLiteral("GotoBookMark"));
    pmGotoBookMark->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    ppSaveinFileQuery =
        menuItem(this, QStringLiteral("ppSaveinFileQuery"), QStringLiteral("Save in File"));
    CloseSelectGrid =
        menuItem(this, QStringLiteral("CloseSelectGrid"), QStringLiteral("Close Select"));
    // The short-cuts act while either grid has the focus.
    for (QAction *item : {pmGetBookMark, pmGotoBookMark})
        item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    PopupMenu1->addActions({pmGetBookMark, pmGotoBookMark, separator(this, QStringLiteral("N5")),
                            ppSaveinFileQuery, separator(this, QStringLiteral("N1")),
                            CloseSelectGrid});

    connectHandler(pmGetBookMark, &QAction::triggered, this, [this] { pmGetBookMarkClick(); });
    connectHandler(pmGotoBookMark, &QAction::triggered, this, [this] { pmGotoBookMarkClick(); });
    connectHandler(CloseSelectGrid, &QAction::triggered, this, [this] { CloseSelectGridClick(); });
    connectHandler(ppSaveinFileQuery, &QAction::triggered, this, [this] { mmSaveInFileClick(); });
}

void TForm1::createToolBar()
{
    sbTool = new QWidget(this);
    sbTool->setObjectName(QStringLiteral("sbTool"));
    sbTool->setAccessibleName(QStringLiteral("ToolBarNav"));
    sbTool->setFixedSize(29, 261);
    auto *column = new QVBoxLayout(sbTool);
    column->setContentsMargins(2, 2, 3, 2);
    column->setSpacing(0);

    const auto button = [this, column](const QString &name, const QString &hint,
                                       QStyle::StandardPixmap picture) {
        auto *result = new QToolButton(sbTool);
        result->setObjectName(name);
        result->setToolTip(hint);
        result->setAccessibleName(hint);
        result->setIcon(style()->standardIcon(picture));
        result->setIconSize(QSize(16, 16));
        result->setFixedSize(24, 23);
        result->setAutoRaise(true);
        result->setFocusPolicy(Qt::NoFocus);
        column->addWidget(result);
        return result;
    };
    siFirst = button(QStringLiteral("siFirst"), QStringLiteral("First Record"),
                     QStyle::SP_MediaSkipBackward);
    siPrior =
        button(QStringLiteral("siPrior"), QStringLiteral("Prior Record"), QStyle::SP_ArrowLeft);
    siNext = button(QStringLiteral("siNext"), QStringLiteral("Next Record"), QStyle::SP_ArrowRight);
    siLast = button(QStringLiteral("siLast"), QStringLiteral("Last Record"),
                    QStyle::SP_MediaSkipForward);
    siTableAbstract = button(QStringLiteral("siTableAbstract"), QStringLiteral("Abstract Editor"),
                             QStyle::SP_FileDialogDetailedView);
    siSaveInDB = button(QStringLiteral("siSaveInDB"), QStringLiteral("Save in DB"),
                        QStyle::SP_DialogSaveButton);
    siImportData = button(QStringLiteral("siImportData"), QStringLiteral("ImportData"),
                          QStyle::SP_DirOpenIcon);
    siTableFind = button(QStringLiteral("siTableFind"), QStringLiteral("Find in Table"),
                         QStyle::SP_FileDialogContentsView);
    siSelectData = button(QStringLiteral("siSelectData"), QStringLiteral("Select Data"),
                          QStyle::SP_FileDialogListView);
    siDelete =
        button(QStringLiteral("siDelete"), QStringLiteral("Delete Record"), QStyle::SP_TrashIcon);
    siExit = button(QStringLiteral("siExit"), QStringLiteral("Exit"), QStyle::SP_DialogCloseButton);
    column->addStretch();

    // First tick 500 ms after the press, then every 100 ms; release over the button clicks once
    // more.
    for (QToolButton *repeating : {siPrior, siNext}) {
        repeating->setAutoRepeat(true);
        repeating->setAutoRepeatDelay(500);
        repeating->setAutoRepeatInterval(100);
    }

    connectHandler(siFirst, &QToolButton::clicked, this, [this] { siFirstClick(); });
    connectHandler(siPrior, &QToolButton::clicked, this, [this] { siPriorClick(); });
    connectHandler(siNext, &QToolButton::clicked, this, [this] { siNextClick(); });
    connectHandler(siLast, &QToolButton::clicked, this, [this] { siLastClick(); });
    connectHandler(siTableAbstract, &QToolButton::clicked, this, [this] { mmAbstractClick(); });
    connectHandler(siSaveInDB, &QToolButton::clicked, this, [this] { bbSaveClick(); });
    connectHandler(siImportData, &QToolButton::clicked, this, [this] { mmImportStringClick(); });
    connectHandler(siDelete, &QToolButton::clicked, this, [this] { bbDeleteClick(); });
    connectHandler(siTableFind, &QToolButton::clicked, this, [this] { FindClick(); });
    connectHandler(siSelectData, &QToolButton::clicked, this, [this] { mmSelectClick(); });
    connectHandler(siExit, &QToolButton::clicked, this, [this] { siExitClick(); });
}

void TForm1::createRecordPane()
{
    DBCtrlGrid = new QFrame(this);
    DBCtrlGrid->setObjectName(QStringLiteral("DBCtrlGrid"));
    DBCtrlGrid->setAccessibleName(tr("Запись"));
    DBCtrlGrid->setFixedSize(548, 259);

    const QString saveHint = tr("При изменении необходимо \n\"Сохранить\" информацию");
    const auto caption = [this](const QString &name, const QString &text, int top, int left,
                                int width) {
        auto *result = new QLabel(text, DBCtrlGrid);
        result->setObjectName(name);
        result->setGeometry(left, top + 3, width, 17);
        result->setFont(paneFont());
        return result;
    };
    const auto place = [this](QWidget *control, const QString &name, QLabel *label,
                              const QRect &geometry) {
        control->setObjectName(name);
        control->setAccessibleName(label->text());
        control->setGeometry(geometry);
        control->setFont(paneFont());
        label->setBuddy(control);
    };
    const auto memo = [this, &place](const QString &name, const QString &field, QLabel *label,
                                     const QRect &geometry) {
        auto *result = new quil::DBMemo(DBCtrlGrid);
        result->setDataField(field);
        result->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        place(result, name, label, geometry);
        return result;
    };
    const auto edit = [this, &place](const QString &name, const QString &field, QLabel *label,
                                     const QRect &geometry) {
        auto *result = new quil::DBEdit(DBCtrlGrid);
        result->setDataField(field);
        place(result, name, label, geometry);
        return result;
    };

    StaticText1 = caption(QStringLiteral("StaticText1"), QStringLiteral("Author"), 8, 4, 48);
    StaticText2 = caption(QStringLiteral("StaticText2"), QStringLiteral("Title"), 88, 4, 48);
    for (QLabel *label : {StaticText1, StaticText2}) {
        label->setStyleSheet(QStringLiteral("color: maroon;"));
        label->setToolTip(saveHint);
    }
    StaticText5 = caption(QStringLiteral("StaticText5"), QStringLiteral("Publ"), 154, 4, 48);
    StaticText7 = caption(QStringLiteral("StaticText7"), QStringLiteral("KeyW"), 202, 4, 48);
    StaticText6 = caption(QStringLiteral("StaticText6"), QStringLiteral("Year"), 230, 4, 48);
    StaticText3 = caption(QStringLiteral("StaticText3"), QStringLiteral("Info"), 230, 178, 34);

    DBmeName = memo(QStringLiteral("DBmeName"), book::WName, StaticText1, {56, 8, 489, 72});
    DBmeTitle = memo(QStringLiteral("DBmeTitle"), book::WTitle, StaticText2, {55, 88, 490, 57});
    DBmePub = memo(QStringLiteral("DBmePub"), book::WPublisher, StaticText5, {55, 154, 490, 41});
    DBedLocation =
        edit(QStringLiteral("DBedLocation"), book::Location, StaticText7, {56, 202, 489, 24});
    DBedCityYear =
        edit(QStringLiteral("DBedCityYear"), book::City, StaticText6, {56, 230, 110, 24});
    DBmeComment =
        memo(QStringLiteral("DBmeComment"), book::Pages, StaticText3, {216, 230, 329, 24});

    RxDBedView = new quil::DBRichView(this);
    RxDBedView->setObjectName(QStringLiteral("RxDBedView"));
    RxDBedView->setAccessibleName(tr("Абстракт"));
    RxDBedView->setFont(pixelFont(QStringLiteral("Times New Roman"), 16));

    meInfo = new QPlainTextEdit(this);
    meInfo->setObjectName(QStringLiteral("meInfo"));
    meInfo->setAccessibleName(tr("Сокращения"));
    meInfo->setFont(pixelFont(QStringLiteral("Courier New"), 15));
    meTerms = new QPlainTextEdit(this);
    meTerms->setObjectName(QStringLiteral("meTerms"));
    meTerms->setAccessibleName(tr("Термины"));
    meTerms->setFont(pixelFont(QStringLiteral("Times New Roman"), 16));
    for (QPlainTextEdit *note : {meInfo, meTerms}) {
        note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        note->viewport()->installEventFilter(this);
    }

    for (QWidget *pane :
         {static_cast<QWidget *>(DBCtrlGrid), sbTool, static_cast<QWidget *>(RxDBedView),
          static_cast<QWidget *>(meInfo), static_cast<QWidget *>(meTerms)})
        pane->hide();
}

void TForm1::createGrids()
{
    DBGrid = new quil::DBGrid(this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->setAccessibleName(tr("Библиотека"));
    // The shortened author and title (40 and 55 characters and " ...") show whole at both
    // font sizes.
    DBGrid->setColumns({
        {book::Name, tr("Автор(ы)"), 401, Qt::AlignLeft | Qt::AlignVCenter, 44},
        {book::Title, tr("Название статьи (книги)"), 530, Qt::AlignLeft | Qt::AlignVCenter, 59,
         true},
        {book::City, tr("Год"), 56, Qt::AlignCenter, 4},
    });
    DBGrid->setFont(designGridFont());
    DBGrid->setCellFont(designColumnFont());
    DBGrid->horizontalHeader()->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 13, true));
    DBGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    DBgrQuery = new quil::DBGrid(this);
    DBgrQuery->setObjectName(QStringLiteral("DBgrQuery"));
    DBgrQuery->setAccessibleName(tr("Выборка"));
    search::setUpSelectionGrid(*DBgrQuery);

    for (quil::DBGrid *grid : {DBGrid, DBgrQuery}) {
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // Long texts are cut at the cell's edge; the shortened names bring their own " ...".
        grid->setTextElideMode(Qt::ElideNone);
        grid->addActions({pmGetBookMark, pmGotoBookMark});
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint &at) {
            PopupMenu1->popup(grid->viewport()->mapToGlobal(at));
        });
        connectHandler(grid, &quil::DBGrid::recordDoubleClicked, this,
                       [this] { DBGridDblClick(); });
        grid->hide();
    }
    connect(DBGrid, &quil::DBGrid::titleClick, this,
            [this](int column) { quil::guarded([this, column] { DBGridTitleClick(column); }); });

    // Made after the selection panel, the find panel lies above it.
    gbSelect = new search::SelectPanel(mmSelect, DBgrQuery, this);
    connectHandler(gbSelect->bbOKSelect, &QPushButton::clicked, this,
                   [this] { bbOKSelectClick(); });
    connectHandler(gbSelect->bbClearSelect, &QPushButton::clicked, this,
                   [this] { bbClearSelectClick(); });
    connectHandler(gbSelect->bbCloseSelect, &QPushButton::clicked, this,
                   [this] { bbCloseSelectClick(); });
    gbFind = new search::FindPanel(mmSearch, this);
    connectHandler(gbFind, &search::FindPanel::doubleClicked, this, [this] { gbFindDblClick(); });
    connectHandler(gbFind, &search::FindPanel::enterPressed, this, [this] { EditFindKeyDown(); });
    connectHandler(gbFind->ButtonFind, &QPushButton::clicked, this, [this] { ButtonFindClick(); });
    connectHandler(gbFind->ButtonFindNext, &QPushButton::clicked, this,
                   [this] { ButtonFindNextClick(); });
}

void TForm1::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAccessibleName(tr("Строка состояния"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(21);
    setStatusBar(StatusBar1);

    struct Panel {
        int width;
        Qt::Alignment alignment;
        QString text;
        QString role;
    };
    const Panel panels[3] = {
        {StatusPanelWidth, Qt::AlignCenter, tr("Номер книги"), tr("Номер книги")},
        {845, Qt::AlignLeft | Qt::AlignVCenter, tr("Информация"), tr("Информация")},
        {StatusPanelWidth, Qt::AlignCenter, tr("Выборка"), tr("Раскладка клавиатуры или выборка")},
    };
    for (int i = 0; i < 3; ++i) {
        auto *panel = new quil::StatusPanel(panels[i].text, StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setAlignment(panels[i].alignment);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The name read out is the panel's current text; the description tells what it is.
        panel->setAccessibleDescription(panels[i].role);
        if (i == 1) {
            // The information panel takes the width the window has: a long title must neither
            // widen the window nor leave the keyboard panel off its right edge.
            panel->setMinimumWidth(panels[0].width);
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            StatusBar1->addWidget(panel, 1);
        } else {
            panel->setFixedWidth(panels[i].width);
            StatusBar1->addWidget(panel);
        }
        FPanels[i] = panel;
    }
}

void TForm1::layOutPanes()
{
    // The abstract view and the notebooks share one rectangle; raising one brings it to the front.
    auto *notes = new QWidget(this);
    notes->setFixedHeight(259);
    auto *notesLayout = new QGridLayout(notes);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *pane : {static_cast<QWidget *>(RxDBedView), static_cast<QWidget *>(meInfo),
                          static_cast<QWidget *>(meTerms)})
        notesLayout->addWidget(pane, 0, 0);
    RxDBedView->raise();

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(DBCtrlGrid, 0, Qt::AlignTop);
    top->addWidget(sbTool, 0, Qt::AlignTop);
    top->addSpacing(3);
    top->addWidget(notes, 1);

    // The selection panel and the selection grid lie one over the other in the lower strip; the
    // find panel stands above them, the strip growing to hold both when both show, so that
    // neither hides the other's fields.
    LowerStrip = new QWidget(this);
    LowerStrip->setObjectName(QStringLiteral("LowerStrip"));
    LowerStrip->setAccessibleName(tr("Поиск и выборка"));
    LowerStrip->setFixedHeight(LowerStripHeight);
    auto *lowerLayout = new QVBoxLayout(LowerStrip);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(LowerStripGap);
    lowerLayout->addWidget(gbFind, 0, Qt::AlignTop | Qt::AlignHCenter);
    auto *selection = new QGridLayout;
    selection->addWidget(DBgrQuery, 0, 0);
    selection->addWidget(gbSelect, 0, 0, Qt::AlignTop);
    lowerLayout->addLayout(selection, 1);
    for (QWidget *panel : {static_cast<QWidget *>(gbFind), static_cast<QWidget *>(gbSelect),
                           static_cast<QWidget *>(DBgrQuery)})
        panel->installEventFilter(this);

    // Rows: panes (the tool bar is the tallest), grid (takes what the window gives), gap, lower
    // strip, bottom edge.
    auto *central = new QWidget(this);
    FCentralLayout = new QGridLayout(central);
    FCentralLayout->setContentsMargins(0, 4, 0, 0);
    FCentralLayout->setSpacing(0);
    FCentralLayout->setHorizontalSpacing(0);
    FCentralLayout->addLayout(top, 0, 0);
    FCentralLayout->setRowStretch(2, 1);
    FCentralLayout->setRowMinimumHeight(3, LowerStripGap);
    FCentralLayout->addWidget(LowerStrip, 4, 0);
    FCentralLayout->setRowMinimumHeight(5, 1);
    placeGrid(false);
    setCentralWidget(central);

    // The design size: the grid at its design height above the lower strip.
    const int bar = std::max(menuBar()->heightForWidth(1022), menuBar()->sizeHint().height());
    resize(1022, bar + 4 + sbTool->height() + GridHeight + LowerStripGap + LowerStripHeight + 1 +
                     StatusBar1->height());
}

void TForm1::placeGrid(bool enlarged)
{
    FCentralLayout->removeWidget(DBGrid);
    // Enlarged, the grid keeps its top edge and covers the lower strip down to the bottom edge.
    FCentralLayout->addWidget(DBGrid, 2, 0, enlarged ? 4 : 1, 1);
    if (enlarged)
        DBGrid->raise();
    else
        LowerStrip->raise();
}

quil::DataSet &TForm1::table() const { return FDataModule->ADOTable; }

void TForm1::attachDataModule(TDataModule1 &dataModule)
{
    FDataModule = &dataModule;
    gbFind->setDataModule(&dataModule);
    gbSelect->setDataModule(&dataModule);
    DBGrid->setDataSource(&dataModule.DataSource);
    for (quil::DBMemo *memo : {DBmeName, DBmeTitle, DBmePub, DBmeComment})
        memo->setDataSource(&dataModule.DataSource);
    DBedLocation->setDataSource(&dataModule.DataSource);
    DBedCityYear->setDataSource(&dataModule.DataSource);
    RxDBedView->setAbstract(&dataModule.abstract());
    DBgrQuery->setDataSource(&dataModule.DataSourceQuery);
    connect(&dataModule, &TDataModule1::statusChanged, this, &TForm1::setStatusPanel);
    // Whether a bookmark is stored is read back from the data module.
    connect(&dataModule, &TDataModule1::bookmarkStoredChanged, this, &TForm1::updateActionState);
    connect(&dataModule, &TDataModule1::stateChanged, this, [this](quil::DataSetState state) {
        FRecordEditing = state == quil::DataSetState::Edit || state == quil::DataSetState::Insert;
    });
}

void TForm1::attachEditor(TFormEdit &editor)
{
    FFormEdit = &editor;
    connect(&editor, &TFormEdit::closed, this, [this] { editorClosed(); });
    connectHandler(&editor, &TFormEdit::hideRequested, this, [this] { mmAbstractClick(); });
}

// ---------------------------------------------------------------------------- status bar

void TForm1::setStatusPanel(int panel, const QString &text)
{
    if (panel != 1)
        fitPositionPanel(panel, text);
    FPanels[panel]->setPanelText(quil::cutForDisplay(text));
}

void TForm1::fitPositionPanel(int panel, const QString &text)
{
    // "1 из 100000" (or "1 of 100000") takes the width of "100000 из 100000", so moving keeps the
    // width.
    static const QRegularExpression position(QStringLiteral("^\\d+(\\D+(\\d+))$"));
    const QRegularExpressionMatch match = position.match(text);
    const QString widest = match.hasMatch() ? match.captured(2) + match.captured(1) : text;
    QLabel *label = FPanels[panel];
    const int frame = label->width() - label->contentsRect().width();
    const int room = label->fontMetrics().horizontalAdvance(widest) + frame + 8;
    label->setFixedWidth(std::max(StatusPanelWidth, room));
}

QString TForm1::statusPanel(int panel) const { return FPanels[panel]->panelText(); }

TForm1::ActionConditions TForm1::actionConditions() const
{
    ActionConditions is;
    is.libraryOpen = FLibraryOpened;
    is.bookmarkStored = FDataModule && FDataModule->bookmarkStored();
    is.editorShown = tag(mmAbstract) == 1;
    is.selectionOpen = FDataModule && FDataModule->ADOQuery.Active();
    return is;
}

void TForm1::updateActionState()
{
    const ActionConditions is = actionConditions();
    for (QAction *item : {SelectLibrary, mmOpenLibrary, About1})
        item->setEnabled(true);
    for (QAction *item : {mmRestoreBackup, mmRestoreDeleted})
        item->setEnabled(is.libraryOpen);
    for (QAction *item : {mmAbstract, mmNewBook, mmSave, mmSearch, mmSelect, mmImportString,
                          mmImportAbstract, mmDelete, mmSizeTable, mmInfo, mmTerms})
        item->setEnabled(is.libraryOpen);
    // The items of the two sub-menus are reached only through their enabled menus.
    for (QAction *item : {mmBufReference, mmBufAbstract, mmImDBSelnFile, SampleInHTML1,
                          mmImReference, mmImAbstract})
        item->setEnabled(true);
    pmGetBookMark->setEnabled(!is.bookmarkStored);
    pmGotoBookMark->setEnabled(is.bookmarkStored);
    for (QAction *item : {ppSaveinFileQuery, CloseSelectGrid})
        item->setEnabled(true);
}

// ------------------------------------------------------------------------------ window

void TForm1::FormCreate()
{
    // Qt offers no per-window system menu on X11: "О программе" is reached through "About".
    DBGrid->wheelMovesRecord = true;
    DBmeComment->clear();
    DBGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DBgrQuery->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    FLanguageBeforeSwitch = quil::keyboardLayout().currentLanguage();
    connectHandler(&quil::keyboardLayout(), &quil::KeyboardLayout::switched, this,
                   [this] { ApplicationMessage(); });

    // Each notebook is reported on its own: one that cannot be read does not stop the other.
    // The report waits for the window, so that the user sees what it is about.
    const auto loadOrKeep = [this](QPlainTextEdit *memo, QMetaObject::Connection &change,
                                   const QString &file, void (TForm1::*handler)()) {
        try {
            loadNote(memo, change, file, handler);
        } catch (const std::exception &e) {
            FStartupReports << quil::messageOf(e);
        }
    };
    loadOrKeep(meInfo, FInfoChange, InfoFile, &TForm1::meInfoChange);
    loadOrKeep(meTerms, FTermsChange, TermsFile, &TForm1::meTermsChange);

    const int language = quil::keyboardLayout().currentLanguage();
    setStatusPanel(2, tr(language == quil::LanguageRussian ? Russian : English));
}

void TForm1::ApplicationMessage()
{
    // Shown as it would be read before the switch: the opposite of the language left behind.
    setStatusPanel(2, tr(FLanguageBeforeSwitch == quil::LanguageRussian ? English : Russian));
    FLanguageBeforeSwitch = quil::keyboardLayout().currentLanguage();
}

bool TForm1::event(QEvent *event)
{
    // Hints are tool tips: a status tip would hide the three panels while a menu is open.
    if (event->type() == QEvent::StatusTip)
        return true;
    if (event->type() == QEvent::Show && !FStartupReports.isEmpty()) {
        // After the window has been painted, once.
        QTimer::singleShot(0, this, [this, reports = std::exchange(FStartupReports, {})] {
            for (const QString &report : reports)
                quil::reportError(report);
        });
    }
    return QMainWindow::event(event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Once a store at closing has been refused, the user may leave without it.
    if (FCloseStoreFailed && FRecordEditing) {
        if (quil::dialogs().askYesNo(tr("Внимание!!!"), tr("Закрыть без сохранения?"))) {
            table().Cancel();
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    FCloseStoreFailed = !quil::guarded([this] { FormClose(); });
    if (FCloseStoreFailed)
        event->ignore();
    else
        event->accept();
}

void TForm1::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && FDataModule)
        quil::guarded([this] { FDataModule->CheckForChanges(); });
    QMainWindow::changeEvent(event);
}

void TForm1::FormClose()
{
    if (!FDataModule || !FDataModule->storesOnClose())
        return;
    storeWithoutGrid([this] { FDataModule->StoreOnClose(); }, true);
}

void TForm1::storeWithoutGrid(const std::function<void()> &store, bool keepUnboundOnSuccess)
{
    DBGrid->setDataSource(nullptr);
    const auto bindAgain = [this] { DBGrid->setDataSource(&FDataModule->DataSource); };
    try {
        store();
    } catch (...) {
        bindAgain();
        throw;
    }
    if (!keepUnboundOnSuccess)
        bindAgain();
}

void TForm1::About1Click()
{
    FAboutBox->show();
    FAboutBox->raise();
}

void TForm1::mmSizeTableClick()
{
    if (tag(mmSizeTable) == 0) {
        DBGrid->setCellFont(withPoints(designColumnFont(), EnlargedColumnPoints));
        DBGrid->setFont(withPoints(designGridFont(), EnlargedGridPoints));
        setTag(mmSizeTable, 1);
        placeGrid(true);
    } else {
        DBGrid->setCellFont(designColumnFont());
        DBGrid->setFont(designGridFont());
        setTag(mmSizeTable, 0);
        placeGrid(false);
    }
}

// ------------------------------------------------------------------------------ library

void TForm1::SelectLibraryClick()
{
    quil::Dialogs::FileRequest request;
    request.title = tr("Выбрать библиотеку для редактивроания и просмотра");
    request.filter = tr("Библиотеки (*.mdb; *.pglib)|*.mdb;*.pglib");
    request.initialFolder = FProgramFolder + QStringLiteral("DBase");
    const QString picked = quil::dialogs().openFileName(request);
    if (picked.isEmpty() ||
        !jet::offerMigration(library::folder(FProgramFolder) + QFileInfo(picked).fileName(), this))
        return;

    const WaitCursor wait;
    const QString previous = FLibraryFileName;
    FLibraryFileName = QFileInfo(picked).fileName();
    bool opened = false;
    try {
        opened = OpenLibrary();
    } catch (...) {
        // The library open before is still the one shown and worked on.
        FLibraryFileName = previous;
        throw;
    }
    // Damaged and not recovered: the user was told, and the library open before stays.
    if (!opened) {
        FLibraryFileName = previous;
        return;
    }
    setWindowTitle(QStringLiteral("Library ") + FLibraryFileName +
                   (FDataModule->libraryReadOnly() ? tr(" (только чтение)") : QString()));
    showLibraryPanes();
    if (FDataModule->bookmarkStored())
        FDataModule->releaseBookMark();
}

void TForm1::showLibraryPanes()
{
    FLibraryOpened = true;
    for (QWidget *pane : {static_cast<QWidget *>(RxDBedView), static_cast<QWidget *>(DBCtrlGrid),
                          sbTool, static_cast<QWidget *>(DBGrid)})
        pane->show();
    updateActionState();
}

bool TForm1::OpenLibrary() { return FDataModule->OpenLibrary(FProgramFolder, FLibraryFileName); }

// ------------------------------------------------------------------------------ records

void TForm1::btInsertBookClick()
{
    FDataModule->InsertBook();
    DBmeName->setFocus();
    if (tag(mmAbstract) == 0)
        mmAbstractClick();
}

void TForm1::bbSaveClick()
{
    storeWithoutGrid([this] { FDataModule->SaveRecord(); }, false);
}

void TForm1::bbDeleteClick()
{
    table().checkWritable(); // refused before asking, not after
    if (!quil::dialogs().askYesNo(tr("Внимание!!!"),
                                  tr("Вы действительно хотите удалить текущую информацию?")))
        return;
    FDataModule->DeleteRecord();
}

// ------------------------------------------------------------------------------ navigation

void TForm1::siFirstClick() { table().First(); }

void TForm1::siPriorClick() { table().Prior(); }

void TForm1::siNextClick() { table().Next(); }

void TForm1::siLastClick() { table().Last(); }

void TForm1::siExitClick() { close(); }

void TForm1::DBGridTitleClick(int column)
{
    static const QString sorts[] = {QStringLiteral("Name, City, Title ASC"),
                                    QStringLiteral("Title, City, Name ASC"), book::DefaultSort};
    if (column < 0 || column >= int(std::size(sorts)))
        return;
    table().setSort(sorts[column]);
}

void TForm1::DBGridDblClick() { mmAbstractClick(); }

void TForm1::gbFindDblClick() { FindClick(); }

void TForm1::mmAbstractClick()
{
    // A minimised editor is brought back rather than hidden out of sight.
    const bool minimised = FFormEdit->isMinimized();
    FFormEdit->setWindowState(FFormEdit->windowState() & ~Qt::WindowMinimized);
    if (tag(mmAbstract) == 1 && minimised) {
        FFormEdit->raise();
        FFormEdit->activateWindow();
    } else if (tag(mmAbstract) == 0) {
        setTag(mmAbstract, 1);
        FFormEdit->move(0, 301);
        FFormEdit->resize(1023, 448);
        FFormEdit->show();
        FFormEdit->UpdateCutCopyButtons();
        FFormEdit->RichEditChange();
        FFormEdit->Editor->setModified(false);
    } else {
        FFormEdit->hide();
        setTag(mmAbstract, 0);
    }
    updateActionState();
}

void TForm1::editorClosed()
{
    setTag(mmAbstract, 0);
    updateActionState();
}

void TForm1::pmGetBookMarkClick() { FDataModule->TakeBookMark(); }

void TForm1::pmGotoBookMarkClick() { FDataModule->ReturnToBookMark(); }

void TForm1::CloseSelectGridClick()
{
    keepKeysOffRecordPane([this] { DBgrQuery->hide(); });
}

// ------------------------------------------------------------------------------ find, select

void TForm1::FindClick()
{
    keepKeysOffRecordPane([this] { gbFind->FindClick(); });
}

void TForm1::EditFindKeyDown()
{
    gbFind->continuesOnEnter() ? ButtonFindNextClick() : ButtonFindClick();
}

void TForm1::ButtonFindClick() { gbFind->find(search::FindFrom::First, DBmeName); }

void TForm1::ButtonFindNextClick() { gbFind->find(search::FindFrom::Next, DBmeName); }

void TForm1::mmSelectClick()
{
    keepKeysOffRecordPane([this] { gbSelect->mmSelectClick(); });
}

void TForm1::bbOKSelectClick()
{
    keepKeysOffRecordPane([this] { gbSelect->bbOKSelectClick(); });
    updateActionState();
}

void TForm1::bbClearSelectClick() { gbSelect->bbClearSelectClick(); }

void TForm1::bbCloseSelectClick()
{
    keepKeysOffRecordPane([this] { gbSelect->bbCloseSelectClick(); });
}

void TForm1::keepKeysOffRecordPane(const std::function<void()> &command)
{
    const QPointer<QWidget> focus = focusWidget();
    const bool inStrip = focus && LowerStrip->isAncestorOf(focus);
    command();
    if (!inStrip || (focus && focus->isVisible()))
        return;
    (DBgrQuery->isVisible() ? DBgrQuery : DBGrid)->setFocus(Qt::OtherFocusReason);
}

// ------------------------------------------------------------------------------ export

void TForm1::mmBufReferenceClick()
{
    ExportCommands::copyReference(*DBmeName, *DBmeTitle, *DBmePub);
}

void TForm1::mmBufAbstractClick()
{
    ExportCommands::copyReferenceAndAbstract(*DBmeName, *DBmeTitle, *DBmePub,
                                             ExportCommands::currentAbstract(*FDataModule));
}

void TForm1::mmSaveInFileClick()
{
    ExportCommands::saveList(*FDataModule, ListExport::Format::Text, selectionGridShown(),
                             FProgramFolder);
}

void TForm1::SampleInHTML1Click()
{
    ExportCommands::saveList(*FDataModule, ListExport::Format::Html, selectionGridShown(),
                             FProgramFolder);
}

bool TForm1::selectionGridShown() const { return !DBgrQuery->isHidden(); }

// ------------------------------------------------------------------------------ import

void TForm1::mmImportStringClick()
{
    ImportCommands::chooseReferenceList(FProgramFolder, FLibraryFileName,
                                        [this](const QString &path) { ImportNameTitle(path); });
}

void TForm1::ImportNameTitle(const QString &path)
{
    ImportCommands::importReferenceList(*FDataModule, path, *this, *DBmeName);
}

void TForm1::mmImportAbstractClick()
{
    ImportCommands::importAbstractFolder(*FDataModule, *this, FProgramFolder);
}

void TForm1::mmImportBibliographyClick()
{
    ImportCommands::importBibliography(*FDataModule, *this, *DBmeName, FProgramFolder,
                                       FLibraryFileName);
}

// ------------------------------------------------------------------------------ notebooks

void TForm1::loadNote(QPlainTextEdit *memo, QMetaObject::Connection &change, const QString &file,
                      void (TForm1::*handler)())
{
    QObject::disconnect(change);
    // The handler comes back whatever the load does: a notebook whose file could not be read
    // is written on its first change.
    const auto attachAgain = qScopeGuard([&] {
        change = connectHandler(memo, &QPlainTextEdit::textChanged, this,
                                [this, handler] { (this->*handler)(); });
    });
    memo->setPlainText(notefile::read(FProgramFolder + file));
}

void TForm1::saveNote(QPlainTextEdit *memo, const QString &file)
{
    const QString text = noteText(memo);
    const auto refused = notefile::unencodable(text);
    if (refused.empty()) {
        notefile::write(FProgramFolder + file, text);
        return;
    }
    // The file keeps its code page: what it cannot hold is taken out again as it is typed.
    {
        const QSignalBlocker quiet(memo);
        QTextCursor cursor(memo->document());
        for (auto it = refused.rbegin(); it != refused.rend(); ++it) {
            cursor.setPosition(int(it->first));
            cursor.setPosition(int(it->first + it->second), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    // What came with the refused character (a paste) is kept.
    notefile::write(FProgramFolder + file, noteText(memo));
    throw quil::Error(tr("Символ «%1» нельзя сохранить в заметках: в кодировке "
                         "Windows-1251 его нет")
                          .arg(text.mid(refused.front().first, refused.front().second)));
}

void TForm1::meInfoChange() { saveNote(meInfo, InfoFile); }

void TForm1::meTermsChange() { saveNote(meTerms, TermsFile); }

void TForm1::showNoteInFront(QAction *item, QPlainTextEdit *memo, QAction *otherItem)
{
    if (tag(item) == 1)
        return;
    setTag(item, 1);
    memo->show();
    bringToFront(memo);
    setTag(otherItem, 0);
}

void TForm1::bringToFront(QWidget *pane)
{
    pane->raise();
    // A pane left behind must not keep the keys: they would change a text nobody sees.
    QWidget *focus = QApplication::focusWidget();
    for (QWidget *behind : {static_cast<QWidget *>(RxDBedView), static_cast<QWidget *>(meInfo),
                            static_cast<QWidget *>(meTerms)}) {
        if (behind == pane || !focus || (focus != behind && !behind->isAncestorOf(focus)))
            continue;
        pane->setFocus(Qt::OtherFocusReason);
        if (QApplication::focusWidget() == focus)
            focus->clearFocus();
    }
}

void TForm1::mmInfoClick() { showNoteInFront(mmInfo, meInfo, mmTerms); }

void TForm1::mmTermsClick() { showNoteInFront(mmTerms, meTerms, mmInfo); }

void TForm1::meInfoDblClick()
{
    bringToFront(RxDBedView);
    setTag(mmInfo, 0);
    setTag(mmTerms, 0);
}

void TForm1::fitLowerStrip()
{
    const bool stacked = !gbFind->isHidden() && (!gbSelect->isHidden() || !DBgrQuery->isHidden());
    LowerStrip->setFixedHeight(stacked ? 2 * LowerStripHeight + LowerStripGap : LowerStripHeight);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) &&
        (watched == gbFind || watched == gbSelect || watched == DBgrQuery))
        fitLowerStrip();
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == meInfo->viewport() || watched == meTerms->viewport())
            quil::guarded([this] { meInfoDblClick(); });
    }
    return QMainWindow::eventFilter(watched, event);
}
