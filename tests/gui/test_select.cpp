// The selection panel and grid in the running window: the menu's Tag state table, the panel's
// buttons, the grid's columns and full texts, the main table following the grid's current row,
// Enter pressing Select while the panel shows, and a selection the engine refuses.
#include "AppFixture.h"

#include "search/gui/SelectPanel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

search::SelectPanel *panel() { return running().Form1->gbSelect; }
quil::Query &query() { return running().DataModule1->ADOQuery; }
int tagOf(QObject *item) { return item->property("Tag").toInt(); }

// Name, Title, City, Location; "NULL" stores no value.
QString makeLibrary(AppFixture &app, const QList<QStringList> &rows)
{
    const QString path = app.library("Select.mdb");
    library::create(path);
    QStringList statements;
    for (const QStringList &r : rows) {
        QStringList values;
        for (const QString &v : r)
            values << (v == "NULL" ? v : "'" + QString(v).replace("'", "''") + "'");
        statements << "INSERT INTO Books (Name, Title, City, Location, WName, WTitle) VALUES (" +
                          values.join(',') + "," + values[0] + "," + values[1] + ")";
    }
    execOn(path, statements);
    return path;
}

const QString LongAuthor = QStringLiteral("Иванов А.Б., Петров В.Г., Сидоров Д.Е., Кузнецов Ж.З.");

// In the table's default order (City, Name, Title) and in the selection's: the same order.
const QList<QStringList> Rows = {
    {"Петров", "Металлы", "1990", "металл"},      {LongAuthor, "Плёнки", "1995", "плёнка, металл"},
    {"Ёлкин", "Сплавы", "2001", "сплав; металл"}, {"Без ключей", "Т", "2002", "NULL"},
    {"Иванов", "Плёнки", "2005", "плёнка"},
};

// What shows: the Tag, the panel, the grid.
QString state()
{
    return QStringLiteral("%1 %2 %3")
        .arg(tagOf(running().Form1->mmSelect))
        .arg(panel()->isVisible() ? "panel" : "-")
        .arg(running().Form1->DBgrQuery->isVisible() ? "grid" : "-");
}

QStringList gridNames()
{
    QStringList names;
    QAbstractItemModel *model = running().Form1->DBgrQuery->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

} // namespace

class TestSelect : public QObject {
    Q_OBJECT
private slots:
    void tagStateTable();
    void panelAndGrid();
    void selectionFollowedByKey();
    void enterPressesSelect();
    void refusedSelection();
    void bothPanelsShowWhole();
};

void TestSelect::tagStateTable()
{
    AppFixture app;
    app.start();
    app.pick(makeLibrary(app, Rows));
    QCOMPARE(state(), QStringLiteral("0 - -"));

    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("1 panel -"));
    // The menu while the panel shows and nothing was selected: the panel stays either way.
    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("0 panel -"));
    running().Form1->siSelectData->click();
    QCOMPARE(state(), QStringLiteral("1 panel -"));

    panel()->bbOKSelect->click();
    QCOMPARE(state(), QStringLiteral("1 - grid"));
    // "Close Select" hides the grid and leaves the Tag: the next menu command shows nothing
    // and the one after it opens the panel.
    trigger(running().Form1->CloseSelectGrid);
    QCOMPARE(state(), QStringLiteral("1 - -"));
    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("0 - -"));
    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("1 panel -"));

    // A selection from any Tag ends at 1 with the grid in the panel's place.
    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("0 panel -"));
    panel()->bbOKSelect->click();
    QCOMPARE(state(), QStringLiteral("1 - grid"));
    // The menu hides the grid; the query keeps its result.
    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("0 - -"));
    QVERIFY(query().Active());

    trigger(running().Form1->mmSelect);
    typeText(panel()->edAuthor, "ов");
    typeText(panel()->edKeyW2, "металл");
    panel()->bbClearSelect->click();
    QCOMPARE(state(), QStringLiteral("1 panel -"));
    const search::SelectionTexts texts = panel()->texts();
    QCOMPARE(QStringList({texts.author, texts.title, texts.keyword1, texts.keyword2}),
             QStringList({"", "", "", ""}));
    panel()->bbCloseSelect->click();
    QCOMPARE(state(), QStringLiteral("0 - -"));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestSelect::panelAndGrid()
{
    AppFixture app;
    app.start();
    app.pick(makeLibrary(app, Rows));
    trigger(running().Form1->mmSelect);
    QCOMPARE(panel()->bbClearSelect->text(), QStringLiteral("  Clear"));
    QCOMPARE(panel()->bbCloseSelect->text(), QStringLiteral("  Close"));
    QCOMPARE(panel()->bbOKSelect->text(), QStringLiteral("   Select"));
    // Left to right, each a default button with the same hint.
    int left = -1;
    for (QPushButton *button :
         {panel()->bbClearSelect, panel()->bbCloseSelect, panel()->bbOKSelect}) {
        QCOMPARE(button->toolTip(), QStringLiteral("Закончить поиск"));
        QVERIFY(button->isDefault());
        QVERIFY(button->x() > left);
        left = button->x() + button->width();
    }

    // Clear, then Select: every entry whose author, title and keywords hold a value.
    panel()->bbClearSelect->click();
    panel()->bbOKSelect->click();
    QCOMPARE(gridNames(), QStringList({"Петров", LongAuthor, "Ёлкин", "Иванов"}));
    QCOMPARE(query().Sort(), QStringLiteral("City, Name, Title ASC"));

    QHeaderView *titles = running().Form1->DBgrQuery->horizontalHeader();
    QStringList columns;
    for (int c = 0; c < titles->count(); ++c)
        columns << QStringLiteral("%1 %2")
                       .arg(titles->model()->headerData(c, Qt::Horizontal).toString())
                       .arg(titles->sectionSize(c));
    QCOMPARE(columns, QStringList({"Выборка - Автор 401", "Выборка - Название 530", "Год 56"}));
    QVERIFY(titles->font().bold());
    QCOMPARE(titles->palette().color(QPalette::ButtonText), QColor(0x80, 0x00, 0x00));
    // The selection shows whole what the main grid shortens.
    QCOMPARE(running().Form1->DBGrid->model()->index(1, 0).data().toString(),
             LongAuthor.left(40) + " ...");
    QCOMPARE(running().Form1->DBgrQuery->model()->index(1, 0).data().toString(), LongAuthor);
}

void TestSelect::selectionFollowedByKey()
{
    AppFixture app;
    app.start();
    // The second entry's author and title lie inside the first's: the key, not the texts,
    // decides which entry follows.
    app.pick(makeLibrary(app, {{"Иванов, Петров", "Плёнки и сплавы", "1990", "плёнка"},
                               {"Петров", "Плёнки", "1995", "плёнка"},
                               {"Сидоров", "Сплавы", "2000", "сплав"}}));
    trigger(running().Form1->mmSelect);
    // Case is folded for Cyrillic: "ПЛЁНКА" selects "плёнка".
    typeText(panel()->edResume, "ПЛЁНКА");
    // The hourglass shows while the query opens and the main table follows it, and not after.
    QList<int> cursors;
    const auto noteCursor = [&cursors](quil::DataSet &) {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        cursors << (cursor ? int(cursor->shape()) : -1);
    };
    query().AfterScroll = noteCursor;
    const auto tableScroll = app.table().AfterScroll;
    app.table().AfterScroll = [&](quil::DataSet &ds) {
        noteCursor(ds);
        tableScroll(ds);
    };
    panel()->bbOKSelect->click();
    query().AfterScroll = nullptr;
    app.table().AfterScroll = tableScroll;
    QVERIFY(!cursors.isEmpty());
    QCOMPARE(cursors, QList<int>(cursors.size(), int(Qt::WaitCursor)));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(gridNames(), QStringList({"Иванов, Петров", "Петров"}));
    QCOMPARE(app.currentName(), QStringLiteral("Иванов, Петров"));
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("1 из 2"));

    // A move in the grid moves the main table and its record pane.
    running().Form1->DBgrQuery->setFocus();
    QTest::keyClick(running().Form1->DBgrQuery, Qt::Key_Down);
    QCOMPARE(query().RecNo(), 2);
    QCOMPARE(app.currentName(), QStringLiteral("Петров"));
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(running().Form1->DBGrid->currentIndex().row(), 1);
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("Петров"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 3"));
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("2 из 2"));

    // Another library closes the selection, and its position goes with it.
    app.pick(app.makeLibrary("Other.mdb", {{"Петров", "Плёнки", "1995"}}));
    QCOMPARE(gridNames(), QStringList());
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Нет записей"));

    // An empty result: an empty grid, panel 2 says so, the main table as it was.
    trigger(running().Form1->mmSelect);
    trigger(running().Form1->mmSelect);
    typeText(panel()->edAuthor, "Нет такого");
    panel()->bbOKSelect->click();
    QCOMPARE(gridNames(), QStringList());
    QVERIFY(running().Form1->DBgrQuery->isVisible());
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Нет записей"));
    QCOMPARE(app.currentName(), QStringLiteral("Петров"));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestSelect::enterPressesSelect()
{
    AppFixture app;
    app.start();
    app.pick(makeLibrary(app, Rows));
    trigger(running().Form1->mmSearch);
    QTest::keyClick(running().Form1->gbFind->ComboBoxFind, Qt::Key_Down);
    typeText(running().Form1->gbFind->EditFind, "Иванов");

    // While the panel is hidden Enter in the search text searches.
    QTest::keyClick(running().Form1->gbFind->EditFind, Qt::Key_Return);
    QCOMPARE(app.currentName(), LongAuthor);
    QVERIFY(running().Form1->gbFind->ButtonFindNext->isVisible());
    QCOMPARE(state(), QStringLiteral("0 - -"));
    QTest::keyClick(running().Form1->gbFind->EditFind, Qt::Key_Backspace);

    // While it shows, Enter in the search text, the panel's edits and the main grid selects.
    const auto enterSelects = [](QWidget *target) {
        trigger(running().Form1->mmSelect);
        QCOMPARE(state(), QStringLiteral("1 panel -"));
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(state(), QStringLiteral("1 - grid"));
        trigger(running().Form1->mmSelect);
    };
    typeText(panel()->edAuthor, "ов");
    enterSelects(running().Form1->gbFind->EditFind);
    QCOMPARE(gridNames(), QStringList({"Петров", LongAuthor, "Иванов"}));
    QCOMPARE(app.currentName(), QStringLiteral("Петров"));
    // No search ran: it would have found "Ивано" and shown "Далее".
    QVERIFY(!running().Form1->gbFind->ButtonFindNext->isVisible());
    enterSelects(panel()->edKeyW2);
    enterSelects(running().Form1->DBGrid);

    // The author memo takes Enter itself: a line break, no selection.
    trigger(running().Form1->mmSelect);
    running().Form1->DBmeName->moveCursor(QTextCursor::End);
    QTest::keyClick(running().Form1->DBmeName, Qt::Key_Return);
    QCOMPARE(state(), QStringLiteral("1 panel -"));
    QVERIFY(running().Form1->DBmeName->toPlainText().endsWith(QLatin1Char('\n')));

    // Hidden again, the panel's buttons take no Enter.
    panel()->bbCloseSelect->click();
    query().Close();
    QTest::keyClick(running().Form1->DBGrid, Qt::Key_Return);
    QCOMPARE(state(), QStringLiteral("0 - -"));
    QVERIFY(!query().Active());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestSelect::refusedSelection()
{
    AppFixture app;
    app.start();
    const QString path = makeLibrary(app, Rows);
    app.pick(path);
    trigger(running().Form1->mmSelect);
    trigger(running().Form1->mmSelect);
    // Quotes, apostrophes and semicolons are characters to look for, nothing more.
    typeText(panel()->edTitle, "\"); DROP TABLE Books; --'");
    panel()->bbOKSelect->click();
    QCOMPARE(gridNames(), QStringList());
    QCOMPARE(state(), QStringLiteral("1 - grid"));
    QCOMPARE(storedRows(path, "Name").size(), Rows.size());

    // The engine refuses (another program took the keyword column away): the error is
    // reported, the query stays closed, panel, grid and Tag stay as they were.
    trigger(running().Form1->mmSelect);
    trigger(running().Form1->mmSelect);
    trigger(running().Form1->mmSelect);
    QCOMPARE(state(), QStringLiteral("0 panel -"));
    execOn(path, {"ALTER TABLE Books RENAME COLUMN Location TO Gone"});
    panel()->bbOKSelect->click();
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY(!query().Active());
    QCOMPARE(state(), QStringLiteral("0 panel -"));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestSelect::bothPanelsShowWhole()
{
    AppFixture app;
    app.start();
    app.pick(makeLibrary(app, Rows));
    running().Form1->resize(1366, 768 - 30);
    const auto inWindow = [](QWidget *w) {
        return QRect(w->mapTo(running().Form1, QPoint()), w->size());
    };
    // With the find panel and the selection panel or grid open, neither covers the other, and
    // all of both lies above the status bar; the grid gives up the room.
    for (const char *second : {"panel", "grid"}) {
        trigger(running().Form1->mmSearch);
        trigger(running().Form1->mmSelect);
        if (QByteArray(second) == "grid")
            panel()->bbOKSelect->click();
        QCoreApplication::processEvents();
        QWidget *lower = QByteArray(second) == "grid"
                             ? static_cast<QWidget *>(running().Form1->DBgrQuery)
                             : static_cast<QWidget *>(panel());
        QVERIFY(lower->isVisible());
        const QRect find = inWindow(running().Form1->gbFind);
        QVERIFY2(!find.intersects(inWindow(lower)), second);
        QVERIFY2(inWindow(lower).height() >= 100, second);
        QVERIFY(inWindow(running().Form1->DBGrid).bottom() < find.top());
        QVERIFY(inWindow(lower).bottom() < running().Form1->StatusBar1->geometry().top());
        trigger(running().Form1->mmSearch);
        if (lower == panel())
            panel()->bbCloseSelect->click();
        else
            trigger(running().Form1->mmSelect);
    }
    // One of them alone takes the strip's design height again.
    QCOMPARE(state(), QStringLiteral("0 - -"));
    trigger(running().Form1->mmSearch);
    QCoreApplication::processEvents();
    QCOMPARE(running().Form1->LowerStrip->height(), 114);
    QCOMPARE(running().Form1->gbFind->y(), 0);
}

QUIL_APP_TEST_MAIN(TestSelect)
#include "test_select.moc"
