// The find panel in the running window: showing and hiding it, the buttons' visibility, find
// versus find-next (start entry, focus, what the status bar ends with), Enter in the search
// text, and a walk that fails half-way.
#include "AppFixture.h"

#include "search/gui/FindPanel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

search::FindPanel *panel() { return running().Form1->gbFind; }

// Picks an item of the chooser with the keyboard, as a user can.
void choose(int item)
{
    QComboBox *chooser = panel()->ComboBoxFind;
    while (chooser->currentIndex() < item)
        QTest::keyClick(chooser, Qt::Key_Down);
    while (chooser->currentIndex() > item)
        QTest::keyClick(chooser, Qt::Key_Up);
}

int tagOf(QObject *item) { return item->property("Tag").toInt(); }

// In the default order (City, Name, Title).
const QList<Entry> Authors = {{"Петров", "Т1", "1990"},
                              {"Иванов", "Т2", "1995"},
                              {"Иванова", "Т3", "2005"},
                              {"иванов", "Т4", "2010"},
                              {"Сидоров", "Т5", "2015"}};

} // namespace

class TestFind : public QObject {
    Q_OBJECT
private slots:
    void panelToggles();
    void buttonVisibility();
    void findAndFindNext();
    void yearModeAndFocus_data();
    void yearModeAndFocus();
    void enterInSearchText();
    void keysGoWhereTheUserMeansThem();
    void emptyTable();
    void emptyTextInEditorFind();
    void failedWalkRestoresCursorAndDisplay();
};

void TestFind::panelToggles()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    QVERIFY(!panel()->isVisible());
    QCOMPARE(panel()->ComboBoxFind->currentText(), QStringLiteral(" Поле для поиска"));
    QCOMPARE(panel()->chosenItem(), -1);
    QStringList items;
    for (int i = 0; i < panel()->ComboBoxFind->count(); ++i)
        items << panel()->ComboBoxFind->itemText(i);
    QCOMPARE(items, QStringList({"Автор", "Название ", "KeyWord", "Абстракт", "Издатель"}));

    trigger(running().Form1->mmSearch);
    QVERIFY(panel()->isVisible());
    QCOMPARE(tagOf(running().Form1->mmSearch), 1);
    choose(1);
    typeText(panel()->EditFind, "Т3");
    typeText(panel()->cedFindYear, "2005");
    panel()->ButtonFind->click();
    QVERIFY(panel()->ButtonFindNext->isVisible());

    // Hiding and showing empties the year and keeps the chooser, the text and the buttons.
    running().Form1->siTableFind->click();
    QVERIFY(!panel()->isVisible());
    QCOMPARE(tagOf(running().Form1->mmSearch), 0);
    trigger(running().Form1->mmSearch);
    QVERIFY(panel()->isVisible());
    QCOMPARE(panel()->cedFindYear->text(), QString());
    QCOMPARE(panel()->chosenItem(), 1);
    QCOMPARE(panel()->EditFind->text(), QStringLiteral("Т3"));
    QVERIFY(panel()->ButtonFind->isVisible());
    QVERIFY(panel()->ButtonFindNext->isVisible());

    // A double click on the panel's background hides it, as the menu does.
    QTest::mouseDClick(panel(), Qt::LeftButton, {}, QPoint(6, panel()->height() - 6));
    QVERIFY(!panel()->isVisible());
    QCOMPARE(tagOf(running().Form1->mmSearch), 0);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestFind::buttonVisibility()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    trigger(running().Form1->mmSearch);
    QVERIFY(!panel()->ButtonFind->isVisible());
    QVERIFY(!panel()->ButtonFindNext->isVisible());

    // Typing into the chooser shows "Поиск" as choosing does; a text that is no item's text
    // chooses nothing, and a search then does nothing.
    QTest::keyClicks(panel()->ComboBoxFind->lineEdit(), "x");
    QVERIFY(panel()->ButtonFind->isVisible());
    QCOMPARE(panel()->chosenItem(), -1);
    typeText(panel()->EditFind, "Иванов");
    app.table().Last();
    panel()->ButtonFind->click();
    QCOMPARE(app.table().RecNo(), 5);
    QVERIFY(!panel()->ButtonFindNext->isVisible());
    // Typing an item's text exactly chooses it.
    QComboBox *chooser = panel()->ComboBoxFind;
    typeText(chooser->lineEdit(), "Автор");
    QCOMPARE(panel()->chosenItem(), 0);

    panel()->ButtonFind->click();
    QVERIFY(panel()->ButtonFindNext->isVisible());
    // Changing the chooser or the year leaves "Далее"; one character of search text hides it.
    choose(1);
    typeText(panel()->cedFindYear, "19");
    QVERIFY(panel()->ButtonFindNext->isVisible());
    QTest::keyClick(panel()->EditFind, Qt::Key_A);
    QVERIFY(!panel()->ButtonFindNext->isVisible());
    QVERIFY(panel()->ButtonFind->isVisible());
}

void TestFind::findAndFindNext()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    trigger(running().Form1->mmSearch);
    choose(0);
    typeText(panel()->EditFind, "Иванов");

    // From the first entry: the first match, whatever entry was current.
    app.table().Last();
    panel()->ButtonFind->click();
    QCOMPARE(app.currentName(), QStringLiteral("Иванов"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 5"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Иванов    Т2"));
    QVERIFY(panel()->ButtonFindNext->isVisible());

    // From the entry after the current one, also when the user has moved since.
    app.table().First();
    panel()->ButtonFindNext->click();
    QCOMPARE(app.currentName(), QStringLiteral("Иванов"));
    panel()->ButtonFindNext->click();
    QCOMPARE(app.currentName(), QStringLiteral("Иванова"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Иванова    Т3"));
    QVERIFY(panel()->ButtonFindNext->isVisible());

    // Exact case: "иванов" is no match; nothing after it: the entry stays, the status says
    // so, "Далее" hidden.
    panel()->ButtonFindNext->click();
    QCOMPARE(app.table().RecNo(), 3);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("3 из 5"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Информация отсутствует"));
    QVERIFY(!panel()->ButtonFindNext->isVisible());
    // The next move shows its entry again.
    app.table().Next();
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("иванов    Т4"));

    // A continued search from the last entry never tests the last entry itself.
    typeText(panel()->EditFind, "Сидоров");
    panel()->ButtonFind->click();
    QCOMPARE(app.table().RecNo(), 5);
    panel()->ButtonFindNext->click();
    QCOMPARE(app.table().RecNo(), 5);
    QVERIFY(!panel()->ButtonFindNext->isVisible());

    // A search that finds nothing from the first entry leaves "Далее" as it was: no title
    // holds the author.
    panel()->ButtonFind->click();
    QVERIFY(panel()->ButtonFindNext->isVisible());
    app.table().setRecNo(2);
    choose(1);
    panel()->ButtonFind->click();
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 5"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Информация отсутствует"));
    QVERIFY(panel()->ButtonFindNext->isVisible());
    QVERIFY(!app.table().ControlsDisabled());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestFind::yearModeAndFocus_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("first"); // "Поиск", else "Далее"
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("found");
    QTest::addColumn<bool>("authorFocus");
    // "ов" is in every author; the years are 1990, 1995, 2005, 2010, 2015.
    QTest::newRow("author from the first: focus") << 0 << "" << true << 4 << 1 << true;
    QTest::newRow("author continued: no focus") << 0 << "" << false << 1 << 2 << false;
    QTest::newRow("author continued in year mode: focus") << 0 << "20" << false << 1 << 3 << true;
    QTest::newRow("year 199 holds for 1995") << 0 << "199" << false << 1 << 2 << true;
    QTest::newRow("year 5: the first year with a 5") << 0 << "5" << true << 5 << 2 << true;
    QTest::newRow("lone blank: no year holds one, the entry stays")
        << 0 << " " << true << 3 << 3 << false;
    QTest::newRow("title never moves the focus") << 1 << "" << true << 4 << 1 << false;
}

void TestFind::yearModeAndFocus()
{
    QFETCH(int, item);
    QFETCH(QString, year);
    QFETCH(bool, first);
    QFETCH(int, start);
    QFETCH(int, found);
    QFETCH(bool, authorFocus);
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    trigger(running().Form1->mmSearch);
    choose(item);
    typeText(panel()->EditFind, item == 0 ? "ов" : "Т");
    typeText(panel()->cedFindYear, year);
    app.table().setRecNo(start);
    running().Form1->DBGrid->setFocus();
    (first ? panel()->ButtonFind : panel()->ButtonFindNext)->click();
    QCOMPARE(app.table().RecNo(), found);
    QCOMPARE(running().Form1->focusWidget() == running().Form1->DBmeName, authorFocus);
}

void TestFind::enterInSearchText()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    trigger(running().Form1->mmSearch);
    choose(0);
    typeText(panel()->EditFind, "Иванов");
    // Enter starts a search while "Далее" is hidden, with any shift key, and continues it
    // while "Далее" shows.
    QTest::keyClick(panel()->EditFind, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(app.table().RecNo(), 2);
    QTest::keyClick(panel()->EditFind, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(app.table().RecNo(), 3);
    // One more character hides "Далее": Enter then searches from the first entry again.
    QTest::keyClick(panel()->EditFind, Qt::Key_Backspace);
    QTest::keyClick(panel()->EditFind, Qt::Key_Return);
    QCOMPARE(app.table().RecNo(), 2);
    // Other keys are the edit's own.
    QTest::keyClick(panel()->EditFind, Qt::Key_A);
    QCOMPARE(panel()->EditFind->text(), QStringLiteral("Иваноa"));
    QCOMPARE(app.table().RecNo(), 2);
}

void TestFind::keysGoWhereTheUserMeansThem()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    running().Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(running().Form1));
    QPlainTextEdit *author = running().Form1->DBmeName;
    author->setFocus();

    // Opening the panel gives its search text the keys; the entry shown is not typed into.
    trigger(running().Form1->mmSearch);
    QCOMPARE(running().Form1->focusWidget(), panel()->EditFind);
    typeKeys(running().Form1->focusWidget(), "Иванов");
    QCOMPARE(panel()->EditFind->text(), QStringLiteral("Иванов"));
    QCOMPARE(author->toPlainText(), QStringLiteral("Петров"));
    choose(0);

    // Enter in the year text searches as in the search text.
    QTest::keyClick(panel()->cedFindYear, Qt::Key_Return);
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(running().Form1->focusWidget(), author);

    // Enter in the author memo right after a find goes on with it: no line break.
    QTest::keyClick(author, Qt::Key_Return);
    QCOMPARE(app.table().RecNo(), 3);
    QCOMPARE(author->toPlainText(), QStringLiteral("Иванова"));
    // Nothing further: the entry stays, and the next Enter starts again from the first.
    QTest::keyClick(author, Qt::Key_Return);
    QCOMPARE(app.table().RecNo(), 3);
    QVERIFY(!panel()->ButtonFindNext->isVisible());
    QTest::keyClick(author, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);

    // Once the user types something else there, Enter is the memo's own again.
    author->moveCursor(QTextCursor::End);
    QTest::keyClick(author, Qt::Key_Period);
    QTest::keyClick(author, Qt::Key_Return);
    QCOMPARE(app.table().RecNo(), 2);
    QCOMPARE(author->toPlainText(), QStringLiteral("Иванов.\n"));
    app.table().Cancel();
    // Leaving the memo ends it too.
    panel()->ButtonFind->click();
    QCOMPARE(running().Form1->focusWidget(), author);
    panel()->EditFind->setFocus();
    author->setFocus();
    author->moveCursor(QTextCursor::End);
    QTest::keyClick(author, Qt::Key_Return);
    QCOMPARE(author->toPlainText(), QStringLiteral("Иванов\n"));
    app.table().Cancel();

    // Closing the panel that holds the keys hands them to the grid, not to the record pane;
    // so does a selection that hides its panel.
    panel()->EditFind->setFocus();
    trigger(running().Form1->mmSearch);
    QCOMPARE(running().Form1->focusWidget(), running().Form1->DBGrid);
    trigger(running().Form1->mmSelect);
    QCOMPARE(running().Form1->focusWidget(), running().Form1->gbSelect->edAuthor);
    typeKeys(running().Form1->focusWidget(), "Ив");
    QTest::keyClick(running().Form1->gbSelect->edAuthor, Qt::Key_Return);
    QVERIFY(running().Form1->DBgrQuery->isVisible());
    QCOMPARE(running().Form1->focusWidget(), running().Form1->DBgrQuery);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestFind::emptyTable()
{
    AppFixture app;
    app.startWithLibrary("Empty.mdb");
    trigger(running().Form1->mmSearch);
    choose(0);
    typeText(panel()->EditFind, "А");
    panel()->ButtonFind->click();
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("Нет записей"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Информация отсутствует"));
    QVERIFY(!panel()->ButtonFindNext->isVisible());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestFind::failedWalkRestoresCursorAndDisplay()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", Authors);
    trigger(running().Form1->mmSearch);
    choose(2);
    typeText(panel()->EditFind, "k");
    // Another program takes the keyword column away under the open library.
    execOn(path, {"ALTER TABLE Books RENAME COLUMN Location TO Gone"});
    panel()->ButtonFind->click();
    QCOMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(!app.table().ControlsDisabled());
    QVERIFY(!panel()->ButtonFindNext->isVisible());
}

void TestFind::emptyTextInEditorFind()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", Authors);
    trigger(running().Form1->mmAbstract);
    running().FormEdit->EditFindClick();
    QVERIFY(app.dialogs.searchTarget);
    // Find, Replace and Replace All with nothing to look for say so, in the program's words.
    const quil::SearchRequest nothing;
    const auto says = [&app] {
        QCOMPARE(app.dialogs.shown.last().caption, QStringLiteral("QUIL.Lib"));
        QCOMPARE(app.dialogs.shown.last().text,
                 QStringLiteral("Нечего искать: введите текст для поиска."));
    };
    QVERIFY(!app.dialogs.searchTarget->findNext(nothing));
    says();
    QVERIFY(!app.dialogs.searchTarget->replaceNext(nothing));
    says();
    QCOMPARE(app.dialogs.searchTarget->replaceAll(nothing), 0);
    says();
    QCOMPARE(app.dialogs.errors(), QStringList());
}

QUIL_APP_TEST_MAIN(TestFind)
#include "test_find.moc"
