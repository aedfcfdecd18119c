// The main window as a whole: start-up, opening libraries, the wheel, "SizeTable", closing,
// the keyboard indicator, the about box and what assistive technology reads.
#include "AppFixture.h"
#include "PaintCounter.h"

#include "app/TAboutBox.h"
#include "platform/Shell.h"
#include "widgets/DBGrid.h"

#include <QAccessible>
#include <QGroupBox>
#include <QInputMethod>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

const QString StartCaption = QStringLiteral("QUIL - Reference Library 2006");

QStringList enabledMenuItems()
{
    QStringList names;
    for (QAction *item : running().Form1->menuBar()->actions())
        if (item->isEnabled())
            names << item->objectName();
    return names;
}

QStringList visiblePanes()
{
    QStringList names;
    for (QWidget *pane : std::initializer_list<QWidget *>{
             running().Form1->DBCtrlGrid, running().Form1->sbTool, running().Form1->RxDBedView,
             running().Form1->meInfo, running().Form1->meTerms, running().Form1->DBGrid,
             running().Form1->gbFind, running().Form1->gbSelect, running().Form1->DBgrQuery})
        if (pane->isVisible())
            names << pane->objectName();
    return names;
}

QString accessibleName(QObject *object)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

void turnWheel(int distance)
{
    QWidget *viewport = running().Form1->DBGrid->viewport();
    const QPointF at = viewport->rect().center();
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, distance), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

const QStringList AllMenuItems = {
    "SelectLibrary",  "mmAbstract",       "mmNewBook", "mmSave",      "mmSearch", "mmSelect",
    "mmImportString", "mmImportAbstract", "mmDelete",  "mmSizeTable", "mmInfo",   "mmTerms",
    "About1"};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpState();
    void keyboardIndicator();
    void openLibrary();
    void failedPick_data();
    void failedPick();
    void cancelledPickChangesNothing();
    void wheelMovesOneRecord();
    void sizeTableToggles();
    void menuHintsLeaveStatusPanels();
    void positionPanels();
    void closeStoresCurrentRecord();
    void closeWhenPostFailsKeepsWindowWorking();
    void aboutBox();
    void accessibleNames();
};

void TestMainWindow::startUpState()
{
    AppFixture app;
    app.start();

    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("QUIL.Lib"));
    QCOMPARE(running().Form1->windowTitle(), StartCaption);
    QCOMPARE(running().Form1->programFolder(), app.folder.path());
    QCOMPARE(running().Form1->libraryFileName(), QString());
    QCOMPARE(enabledMenuItems(), QStringList({"SelectLibrary", "About1"}));
    QStringList captions;
    for (QAction *item : running().Form1->menuBar()->actions())
        captions << item->text();
    QCOMPARE(captions, QStringList({"Библиотека", "Абстракт", "Новая книга", "Сохранить", "Поиск",
                                    "Выборка", "Экспорт", "Импорт", "Удалить", "SizeTable",
                                    "Сокращения", "Термины", "About"}));
    QStringList exportItems;
    for (QAction *item : running().Form1->mmImportStringMenu->actions())
        exportItems << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(exportItems,
             QStringList({"Reference", "-", "R.Abstract", "Copy as BibTeX", "-", "Samlpe In File",
                          "-", "Sample In HTML", "-", "Sample In BibTeX", "Sample In RIS"}));
    QStringList importItems;
    for (QAction *item : running().Form1->mmImportAbstractMenu->actions())
        importItems << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(importItems, QStringList({"Reference", "-", "R.Abstract", "-", "BibTeX, RIS"}));

    QCOMPARE(visiblePanes(), QStringList());
    QVERIFY(running().Form1->StatusBar1->isVisible());
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("Номер книги"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Информация"));
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
    QVERIFY(running().Form1->pmGetBookMark->isEnabled());
    QVERIFY(!running().Form1->pmGotoBookMark->isEnabled());
    QCOMPARE(running().Form1->pmGetBookMark->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    QCOMPARE(running().Form1->pmGotoBookMark->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    QVERIFY(!running().FormEdit->isVisible());
    QVERIFY(!running().AboutBox->isVisible());
    QCOMPARE(app.dialogs.shown.size(), 0);

    // Closing without a library stores nothing and lets the window go.
    QVERIFY(running().Form1->close());
    QVERIFY(!running().Form1->isVisible());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestMainWindow::keyboardIndicator()
{
    {
        AppFixture app;
        app.keyboard.language = quil::LanguageEnglish;
        app.start();
        QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("English"));
    }
    AppFixture app;
    app.start();
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
    // A switch away from Russian shows "English", and back again "Русский".
    app.keyboard.switchTo(quil::LanguageEnglish);
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("English"));
    app.keyboard.switchTo(quil::LanguageRussian);
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
    // The indicator alternates: it does not read where a switch went. From a layout other than
    // Russian any switch shows "Русский", from Russian "English".
    app.keyboard.switchTo(quil::LanguageRussian);
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("English"));
    app.keyboard.switchTo(quil::LanguageEnglish);
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("English"));
    app.keyboard.switchTo(quil::LanguageEnglish);
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
    // The indicator overwrites whatever the panel showed.
    running().Form1->setStatusPanel(2, QStringLiteral("2 из 7"));
    app.keyboard.switchTo(quil::LanguageEnglish);
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
}

void TestMainWindow::openLibrary()
{
    AppFixture app;
    app.makeLibrary("Books.mdb", {{"Яковлев", "Оптика", "2001"},
                                  {"Абрамов", "Механика", "1999"},
                                  {"Борисов", "Акустика", "2001"}});
    app.start();
    // A file picked elsewhere is looked for under the same name in the library folder.
    app.pick("/somewhere/else/Books.mdb");

    QCOMPARE(app.dialogs.errors(), QStringList());
    const auto request = app.dialogs.shown.first().request;
    QCOMPARE(request.title, QStringLiteral("Выбрать библиотеку для редактивроания и просмотра"));
    QCOMPARE(request.filter, QStringLiteral("Библиотеки (*.mdb; *.pglib)|*.mdb;*.pglib"));
    QCOMPARE(request.initialFolder, app.folder.path() + "DBase");
    QCOMPARE(request.fileName, QString());

    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Books.mdb"));
    QCOMPARE(running().Form1->libraryFileName(), QStringLiteral("Books.mdb"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(enabledMenuItems(), AllMenuItems);
    QCOMPARE(visiblePanes(), QStringList({"DBCtrlGrid", "sbTool", "RxDBedView", "DBGrid"}));
    QCOMPARE(app.table().Sort(), QStringLiteral("City, Name, Title ASC"));
    // The first entry of the default order is current; the panels show it at once.
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("1 из 3"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Абрамов    Механика"));
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("Абрамов"));
    QCOMPARE(app.currentName(), QStringLiteral("Абрамов"));

    // Picking the open library again brings back the default order.
    app.table().setSort(QStringLiteral("Title, City, Name ASC"));
    app.pick(app.library("Books.mdb"));
    QCOMPARE(app.table().Sort(), QStringLiteral("City, Name, Title ASC"));
    app.table().First();
    QCOMPARE(app.currentName(), QStringLiteral("Абрамов"));

    // An empty library opens without error.
    app.makeLibrary("Empty.mdb");
    app.pick(app.library("Empty.mdb"));
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Empty.mdb"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("Нет записей"));
}

void TestMainWindow::failedPick_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<bool>("libraryOpenBefore");
    QTest::addColumn<QString>("said");
    const QString missing = "Библиотека Broken.mdb отсутствует!\n";
    const QString damaged =
        "Библиотека Broken.mdb повреждена или не является библиотекой\nfile is not a database";
    // A database file past saving: its salvage is tried, and fails, and there is no backup.
    const QByteArray head = QByteArray("SQLite format 3", 16) + QByteArray(4080, '\xff');
    QTest::newRow("missing file") << QByteArray() << false << missing;
    QTest::newRow("missing file, another library open") << QByteArray() << true << missing;
    QTest::newRow("text file named .mdb") << QByteArray("not a database\r\n") << false << damaged;
    QTest::newRow("text file, another library open")
        << QByteArray("not a database\r\n") << true << damaged;
    QTest::newRow("damaged past saving, another library open")
        << head << true
        << "Библиотека Broken.mdb повреждена и не открывается\nfile is not a database\n\n"
           "Собрать из неё новую библиотеку не удалось";
}

void TestMainWindow::failedPick()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, libraryOpenBefore);
    QFETCH(QString, said);
    AppFixture app;
    app.makeLibrary("Good.mdb", {{"Автор", "Книга", "2000"}});
    if (!content.isEmpty())
        writeBytes(app.library("Broken.mdb"), content);
    app.start();
    if (libraryOpenBefore) {
        app.pick(app.library("Good.mdb"));
        trigger(running().Form1->pmGetBookMark);
    }
    const QString captionBefore = running().Form1->windowTitle();
    const QStringList menusBefore = enabledMenuItems();

    app.pick(app.library("Broken.mdb"));

    QCOMPARE(app.dialogs.errors().size(), 1);
    // The engine's reason follows on a new line.
    QVERIFY2(app.dialogs.errors().first().startsWith(said),
             qPrintable(app.dialogs.errors().first()));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(running().Form1->windowTitle(), captionBefore);
    QCOMPARE(enabledMenuItems(), menusBefore);
    // The library open before stays open and named.
    QCOMPARE(running().Form1->libraryFileName(),
             libraryOpenBefore ? QStringLiteral("Good.mdb") : QString());
    QCOMPARE(app.table().Active(), libraryOpenBefore);
    if (libraryOpenBefore)
        QCOMPARE(app.currentName(), QStringLiteral("Автор"));
    if (!content.isEmpty())
        QCOMPARE(readBytes(app.library("Broken.mdb")), content);
    QCOMPARE(running().Form1->pmGotoBookMark->isEnabled(), libraryOpenBefore);

    // Picking a good library again is the way on.
    app.pick(app.library("Good.mdb"));
    QCOMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Good.mdb"));
    QVERIFY(!running().Form1->pmGotoBookMark->isEnabled());
    QVERIFY(running().Form1->pmGetBookMark->isEnabled());
}

void TestMainWindow::cancelledPickChangesNothing()
{
    AppFixture app;
    app.makeLibrary("Books.mdb", {{"А", "Б", "1"}, {"В", "Г", "2"}});
    app.start();
    app.pick(QString());
    QCOMPARE(app.dialogs.shown.size(), 1);
    QCOMPARE(running().Form1->windowTitle(), StartCaption);
    QCOMPARE(enabledMenuItems(), QStringList({"SelectLibrary", "About1"}));

    app.pick(app.library("Books.mdb"));
    running().Form1->siNext->click();
    trigger(running().Form1->pmGetBookMark);
    app.pick(QString());
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Books.mdb"));
    QCOMPARE(app.table().RecNo(), 2);
    QVERIFY(running().Form1->pmGotoBookMark->isEnabled());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestMainWindow::wheelMovesOneRecord()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb",
                         {{"А", "1", "1"}, {"Б", "2", "2"}, {"В", "3", "3"}, {"Г", "4", "4"}});

    turnWheel(-120); // towards the user: next
    QCOMPARE(app.table().RecNo(), 2);
    turnWheel(-1200); // one record whatever the distance
    QCOMPARE(app.table().RecNo(), 3);
    turnWheel(120);
    QCOMPARE(app.table().RecNo(), 2);
    turnWheel(480);
    QCOMPARE(app.table().RecNo(), 1);
    turnWheel(120); // at the first record nothing moves
    QCOMPARE(app.table().RecNo(), 1);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("1 из 4"));
    app.table().Last();
    turnWheel(-120);
    QCOMPARE(app.table().RecNo(), 4);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("4 из 4"));
    QCOMPARE(app.dialogs.shown.size(), 1); // only the open dialog
}

void TestMainWindow::sizeTableToggles()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", {{"А", "1", "1"}});
    QCoreApplication::processEvents();
    quil::DBGrid *grid = running().Form1->DBGrid;
    const int top = grid->y();
    const QFont designCells = grid->gridModel()->cellFont;
    const QFont designGrid = grid->font();
    QCOMPARE(grid->height(), 324);
    QCOMPARE(designCells.pixelSize(), 15);
    QCOMPARE(designGrid.pixelSize(), 13);

    trigger(running().Form1->mmSizeTable);
    QCoreApplication::processEvents();
    QCOMPARE(running().Form1->mmSizeTable->property("Tag").toInt(), 1);
    QCOMPARE(grid->height(), 445);
    QCOMPARE(grid->y(), top);
    QCOMPARE(grid->gridModel()->cellFont.pointSize(), 12);
    QCOMPARE(grid->font().pointSize(), 12);

    trigger(running().Form1->mmSizeTable);
    QCoreApplication::processEvents();
    QCOMPARE(running().Form1->mmSizeTable->property("Tag").toInt(), 0);
    QCOMPARE(grid->height(), 324);
    QCOMPARE(grid->y(), top);
    QCOMPARE(grid->gridModel()->cellFont, designCells);
    QCOMPARE(grid->font(), designGrid);

    // At a real screen size the grid takes the height above the lower strip, and enlarged it
    // covers the strip down to its bottom; the status bar stays inside the window throughout.
    running().Form1->resize(1366, 768 - 30);
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        // Grid and strip share the central area; the status bar is placed in the window.
        const QRect strip = running().Form1->LowerStrip->geometry();
        const QRect gridRect = grid->geometry();
        const QRect status = running().Form1->StatusBar1->geometry();
        const int stripBottomInWindow =
            running().Form1->LowerStrip->mapTo(running().Form1, QPoint(0, 113)).y();
        const bool enlarged = running().Form1->mmSizeTable->property("Tag").toInt() == 1;
        QCOMPARE(gridRect.top(), top);
        QCOMPARE(strip.height(), 114);
        QCOMPARE(gridRect.bottom() + 1, enlarged ? strip.bottom() + 2 : strip.top() - 6);
        QCOMPARE(status.bottom(), running().Form1->rect().bottom());
        QVERIFY2(stripBottomInWindow < status.top(), qPrintable(QString::number(status.top())));
        trigger(running().Form1->mmSizeTable);
    }
}

void TestMainWindow::menuHintsLeaveStatusPanels()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", {{"Автор", "Книга", "2000"}});
    const QStringList before = {running().Form1->statusPanel(0), running().Form1->statusPanel(1),
                                running().Form1->statusPanel(2)};
    // A menu item under the pointer reports its hint as a status tip through its menu.
    QStatusTipEvent tip(QStringLiteral("Запись данных в файл"));
    QApplication::sendEvent(running().Form1->mmImportStringMenu, &tip);
    running().Form1->mmImDBSelnFile->showStatusText(running().Form1->menuBar());
    QCOMPARE(running().Form1->StatusBar1->currentMessage(), QString());
    QCOMPARE(QStringList({running().Form1->statusPanel(0), running().Form1->statusPanel(1),
                          running().Form1->statusPanel(2)}),
             before);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(running()
                     .Form1->StatusBar1->findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(i))
                     ->isVisible(),
                 qPrintable(QString::number(i)));
    // The hint is shown as the item's tool tip instead.
    QCOMPARE(running().Form1->mmImDBSelnFile->toolTip(), QStringLiteral("Запись данных в файл"));
    QVERIFY(running().Form1->mmImportStringMenu->toolTipsVisible());
}

void TestMainWindow::positionPanels()
{
    AppFixture app;
    app.makeLibrary("Empty.mdb");
    app.makeLibrary("Empty2.mdb");
    app.start();
    // The first entry of an empty library, stored by "Сохранить" or by the editor, shows.
    app.pick(app.library("Empty.mdb"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("Нет записей"));
    trigger(running().Form1->mmSave);
    QCOMPARE(app.table().RecordCount(), 1);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("1 из 1"));
    app.pick(app.library("Empty2.mdb"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("Нет записей"));
    trigger(running().Form1->mmAbstract);
    running().FormEdit->Editor->setFocus();
    QTest::keyClicks(running().FormEdit->Editor, "abc");
    running().FormEdit->SaveTableBtnClick();
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(app.table().RecordCount(), 1);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("1 из 1"));

    // The position and selection panels hold the largest position of their count whole, and
    // keep one width while the position moves.
    for (int i : {0, 2}) {
        auto *label = running().Form1->StatusBar1->findChild<QLabel *>(
            QStringLiteral("StatusPanel%1").arg(i));
        QVERIFY(label);
        const QString widest = QStringLiteral("100000 из 100000");
        running().Form1->setStatusPanel(i, QStringLiteral("1 из 100000"));
        const int width = label->width();
        running().Form1->setStatusPanel(i, widest);
        QCOMPARE(running().Form1->statusPanel(i), widest);
        QCOMPARE(label->width(), width);
        QVERIFY2(label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(widest),
                 qPrintable(QString::number(width)));
        // A small count gives the design width back.
        running().Form1->setStatusPanel(i, QStringLiteral("3 из 12"));
        QCOMPARE(label->width(), 100);
    }

    // A new text repaints its own panel only (the bar under it shows through): the other panels
    // stay as they were.
    QMap<QObject *, int> paints;
    PaintCounter counter(paints);
    const QList<QLabel *> panels = running().Form1->StatusBar1->findChildren<QLabel *>();
    for (QLabel *panel : panels)
        panel->installEventFilter(&counter);
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    paints.clear();
    running().Form1->setStatusPanel(1, QStringLiteral("Другой автор    Другая книга"));
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    QCOMPARE(paints.value(panels[1]), 1);
    QCOMPARE(paints.value(panels[0]) + paints.value(panels[2]), 0);
}

void TestMainWindow::closeStoresCurrentRecord()
{
    {
        // An empty table gets one record, its author and title "New".
        AppFixture app;
        const QString path = app.startWithLibrary("Empty.mdb");
        QVERIFY(running().Form1->close());
        QCOMPARE(app.dialogs.errors(), QStringList());
        QCOMPARE(storedRows(path), QStringList({"New|New||||"}));
    }
    // What the record pane holds is stored, author copied into Name.
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Старый", "Книга", "1990"}});
    typeInto(running().Form1->DBmeName, "Zed");
    running().Form1->siExit->click();
    QVERIFY(!running().Form1->isVisible());
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path), QStringList({"Zed|Книга|1990|||Zed"}));
}

void TestMainWindow::closeWhenPostFailsKeepsWindowWorking()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"А", "1", "1"}, {"Б", "2", "2"}});
    execOn(path, {"CREATE TRIGGER NoUpdate BEFORE UPDATE ON Books "
                  "BEGIN SELECT RAISE(ABORT, 'write refused'); END"});

    QVERIFY(!running().Form1->close());
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY2(app.dialogs.errors().first().contains("write refused"),
             qPrintable(app.dialogs.errors().first()));
    QVERIFY(running().Form1->isVisible());
    QCOMPARE(running().Form1->DBGrid->dataSource(), &running().DataModule1->DataSource);
    QVERIFY(running().DataModule1->dataChangeAttached());

    // The grid and the status bar still follow the table.
    execOn(path, {"DROP TRIGGER NoUpdate"});
    turnWheel(-120);
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 2"));
    QCOMPARE(running().Form1->DBGrid->currentIndex().row(), 1);

    QVERIFY(running().Form1->close());
    QCOMPARE(app.dialogs.errors().size(), 1);
}

void TestMainWindow::aboutBox()
{
    AppFixture app;
    quil::ScopedScriptedShell shell;
    app.start();

    trigger(running().Form1->About1);
    QVERIFY(running().AboutBox->isVisible());
    QVERIFY(!running().AboutBox->isModal());
    trigger(running().Form1->About1);
    QCOMPARE(running().AboutBox->isVisible(), true);
    QCOMPARE(QApplication::topLevelWidgets().count(running().AboutBox), 1);
    QCOMPARE(running().AboutBox->windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(running().AboutBox->size(), QSize(298, 225));
    QCOMPARE(running().AboutBox->Label1->text(), QStringLiteral(" Version 4.01"));
    QVERIFY(running().AboutBox->OKButton->isDefault());

    QTest::mouseClick(running().AboutBox->Label5, Qt::LeftButton);
    QTest::mouseClick(running().AboutBox->Label6, Qt::LeftButton);
    QCOMPARE(shell.opened,
             QStringList({TAboutBox::WebAddress, "mailto:" + TAboutBox::MailAddress}));
    QVERIFY(running().AboutBox->Label5->text().endsWith(TAboutBox::WebAddress));

    QTest::mouseClick(running().AboutBox->OKButton, Qt::LeftButton);
    QVERIFY(!running().AboutBox->isVisible());
    // Closing by the title-bar button hides it too; it is shown again on request.
    trigger(running().Form1->About1);
    running().AboutBox->close();
    QVERIFY(!running().AboutBox->isVisible());
    trigger(running().Form1->About1);
    QVERIFY(running().AboutBox->isVisible());
}

void TestMainWindow::accessibleNames()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", {{"Автор", "Книга", "2000"}});

    QStringList menuNames;
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(running().Form1->menuBar());
    QVERIFY(bar);
    for (int i = 0; i < bar->childCount(); ++i)
        menuNames << bar->child(i)->text(QAccessible::Name);
    QCOMPARE(menuNames.size(), 13);
    QCOMPARE(menuNames.first(), QStringLiteral("Библиотека"));
    QCOMPARE(menuNames.last(), QStringLiteral("About"));

    QStringList buttons;
    for (QToolButton *button : running().Form1->sbTool->findChildren<QToolButton *>())
        buttons << accessibleName(button);
    QCOMPARE(buttons, QStringList({"First Record", "Prior Record", "Next Record", "Last Record",
                                   "Abstract Editor", "Save in DB", "ImportData", "Find in Table",
                                   "Select Data", "Delete Record", "Exit"}));

    QCOMPARE(accessibleName(running().Form1->DBmeName), QStringLiteral("Author"));
    QCOMPARE(accessibleName(running().Form1->DBmeTitle), QStringLiteral("Title"));
    QCOMPARE(accessibleName(running().Form1->DBmePub), QStringLiteral("Publ"));
    QCOMPARE(accessibleName(running().Form1->DBedLocation), QStringLiteral("KeyW"));
    QCOMPARE(accessibleName(running().Form1->DBedCityYear), QStringLiteral("Year"));
    QCOMPARE(accessibleName(running().Form1->DBmeComment), QStringLiteral("Info"));
    QCOMPARE(accessibleName(running().Form1->meInfo), QStringLiteral("Сокращения"));
    QCOMPARE(accessibleName(running().Form1->meTerms), QStringLiteral("Термины"));
    QCOMPARE(accessibleName(running().AboutBox), QStringLiteral("О программе"));
    QCOMPARE(accessibleName(running().FormEdit), QStringLiteral("Редактирование абстрактов"));

    // The status panels read out what they show.
    const QList<QLabel *> panels = running().Form1->StatusBar1->findChildren<QLabel *>();
    QCOMPARE(panels.size(), 3);
    QCOMPARE(accessibleName(panels[0]), QStringLiteral("1 из 1"));
    QCOMPARE(accessibleName(panels[1]), QStringLiteral("Автор    Книга"));
    QCOMPARE(accessibleName(panels[2]), QStringLiteral("Русский"));

    // Every named action and widget of the window has something to read.
    for (QWidget *widget : running().Form1->findChildren<QWidget *>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_"))
            continue;
        QVERIFY2(!accessibleName(widget).isEmpty(), qPrintable(widget->objectName()));
    }
}

QUIL_APP_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
