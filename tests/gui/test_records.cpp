// The record commands (new, save, delete), moving through the table with the tool bar and its
// auto-repeat, ordering by a grid title, the stored bookmark, and the editor window's toggle.
#include "AppFixture.h"
#include "PaintCounter.h"

#include "editor/gui/TFormEdit.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/DBMemo.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTextEdit>
#include <QToolButton>

namespace {

QStringList namesInOrder(quil::Table &table)
{
    QStringList names;
    table.First();
    while (!table.Eof()) {
        names << table.FieldByName("Name").AsString();
        table.Next();
    }
    return names;
}

QString lastQuestion(const quil::ScriptedDialogs &dialogs)
{
    for (auto it = dialogs.shown.crbegin(); it != dialogs.shown.crend(); ++it)
        if (it->kind == "question")
            return it->caption + ": " + it->text;
    return {};
}

int tagOf(QObject *item) { return item->property("Tag").toInt(); }

const QList<Entry> FiveBooks = {{"А1", "Т1", "2001"},
                                {"А2", "Т2", "2002"},
                                {"А3", "Т3", "2003"},
                                {"А4", "Т4", "2004"},
                                {"А5", "Т5", "2005"}};

} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void newBook_data();
    void newBook();
    void save();
    void saveWhenPostFails();
    void deleteRecord();
    void navigationButtons();
    void moveRepaintsWhatChanged();
    void autoRepeat();
    void titleClickOrders();
    void bookmarks();
    void abstractEditorToggle();
    void closeSelectGrid();
};

void TestRecords::newBook_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty library stores two")
        << QList<Entry>() << QStringList({"New|New||||", "New|New|New|New|New|"});
    QTest::newRow("library with records")
        << QList<Entry>({{"Иванов", "Физика", "1980"}})
        << QStringList({"Иванов|Физика|1980|||Иванов", "New|New|New|New|New|"});
}

void TestRecords::newBook()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QStringList, expected);
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", entries);

    trigger(running().Form1->mmNewBook);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(storedRows(path), expected);
    QCOMPARE(app.table().FieldByName("City").AsString(), QStringLiteral("New"));
    QCOMPARE(running().Form1->focusWidget(), running().Form1->DBmeName);
    QVERIFY(running().FormEdit->isVisible());
    QCOMPARE(tagOf(running().Form1->mmAbstract), 1);

    // With the editor already shown it stays shown.
    trigger(running().Form1->mmNewBook);
    QVERIFY(running().FormEdit->isVisible());
    QCOMPARE(tagOf(running().Form1->mmAbstract), 1);
    QCOMPARE(storedRows(path).size(), expected.size() + 1);
}

void TestRecords::save()
{
    {
        AppFixture app;
        const QString path = app.startWithLibrary("Empty.mdb");
        trigger(running().Form1->mmSave);
        QCOMPARE(storedRows(path), QStringList({"New|New||||"}));
    }
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Иванов", "Физика", "1980"}});

    typeInto(running().Form1->DBmeName, "Petrov");
    running().Form1->siSaveInDB->click();
    QCOMPARE(storedRows(path), QStringList({"Petrov|Физика|1980|||Petrov"}));
    // A save does not refresh the status bar.
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("Иванов    Физика"));
    QCOMPARE(running().Form1->DBGrid->dataSource(), &running().DataModule1->DataSource);
    QVERIFY(running().DataModule1->dataChangeAttached());

    // An empty author memo stores the placeholder in Name.
    running().Form1->DBmeName->selectAll();
    QTest::keyClick(running().Form1->DBmeName, Qt::Key_Delete);
    trigger(running().Form1->mmSave);
    QCOMPARE(storedRows(path), QStringList({"New|Физика|1980|||"}));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestRecords::saveWhenPostFails()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"А", "1", "1"}, {"Б", "2", "2"}});
    execOn(path, {"CREATE TRIGGER NoUpdate BEFORE UPDATE ON Books "
                  "BEGIN SELECT RAISE(ABORT, 'write refused'); END"});

    trigger(running().Form1->mmSave);
    QCOMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(running().Form1->DBGrid->dataSource(), &running().DataModule1->DataSource);
    QVERIFY(running().DataModule1->dataChangeAttached());
    QCOMPARE(storedRows(path), QStringList({"А|1|1|||А", "Б|2|2|||Б"}));
}

void TestRecords::deleteRecord()
{
    AppFixture app;
    const QString path =
        app.startWithLibrary("Books.mdb", {{"А", "1", "1"}, {"Б", "2", "2"}, {"В", "3", "3"}});
    app.makeLibrary("Empty.mdb");
    running().Form1->siNext->click();

    app.dialogs.nextAnswers.enqueue(false);
    trigger(running().Form1->mmDelete);
    QCOMPARE(lastQuestion(app.dialogs),
             QStringLiteral("Внимание!!!: Вы действительно хотите удалить текущую информацию?"));
    QCOMPARE(storedRows(path).size(), 3);
    QCOMPARE(app.currentName(), QStringLiteral("Б"));

    // Yes removes the current record; the following one becomes current.
    app.dialogs.nextAnswers.enqueue(true);
    running().Form1->siDelete->click();
    QCOMPARE(storedRows(path), QStringList({"А|1|1|||А", "В|3|3|||В"}));
    QCOMPARE(app.currentName(), QStringLiteral("В"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 2"));

    // Deleting the last records leaves "Нет записей" and the deleted record's text.
    app.dialogs.nextAnswers << true << true;
    trigger(running().Form1->mmDelete);
    QCOMPARE(app.currentName(), QStringLiteral("А"));
    trigger(running().Form1->mmDelete);
    QCOMPARE(storedRows(path), QStringList());
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("Нет записей"));
    QCOMPARE(running().Form1->statusPanel(1), QStringLiteral("А    1"));

    // On an empty library Yes changes nothing.
    app.pick(app.library("Empty.mdb"));
    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmDelete);
    QCOMPARE(storedRows(app.library("Empty.mdb")), QStringList());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestRecords::navigationButtons()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", FiveBooks);

    QTest::mouseClick(running().Form1->siLast, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 5);
    QTest::mouseClick(running().Form1->siNext, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 5);
    QTest::mouseClick(running().Form1->siPrior, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 4);
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("4 из 5"));
    QTest::mouseClick(running().Form1->siFirst, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 1);
    QTest::mouseClick(running().Form1->siPrior, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 1);
    QCOMPARE(running().Form1->DBGrid->currentIndex().row(), 0);

    // A move stores what was typed into the record pane.
    typeInto(running().Form1->DBmeName, "Moved");
    QTest::mouseClick(running().Form1->siNext, Qt::LeftButton);
    QCOMPARE(storedRows(path).first(), QStringLiteral("Moved|Т1|2001|||Moved"));
    QCOMPARE(app.dialogs.errors(), QStringList());
    // The next record's text is loaded as new: nothing typed before can be undone into it, the
    // caret is at its start, and the record is not taken for edited.
    quil::DBMemo *name = running().Form1->DBmeName;
    QVERIFY(!name->toPlainText().contains(QStringLiteral("Moved")));
    QVERIFY(!name->document()->isUndoAvailable());
    QVERIFY(!name->document()->isModified());
    QCOMPARE(name->textCursor().position(), 0);
    QVERIFY(!name->link().Modified());
}

void TestRecords::moveRepaintsWhatChanged()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", {{"А1", "Т1", "2001"}, {"А2\r\nБ2", "Т2", "2002"}});
    quil::DBEdit *city = running().Form1->DBedCityYear;
    QScrollBar *nameBar = running().Form1->DBmeName->verticalScrollBar();
    QMap<QObject *, int> paints;
    PaintCounter counter(paints);
    city->installEventFilter(&counter);
    nameBar->installEventFilter(&counter);
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    paints.clear();
    counter.painted.clear();
    QTest::mouseClick(running().Form1->siNext, Qt::LeftButton);
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    QCOMPARE(city->text(), QStringLiteral("2002"));
    QCOMPARE(running().Form1->DBmeName->document()->blockCount(), 2);

    // A line's new text repaints the text, not the frame around it, which stays as it was.
    QStyleOptionFrame frame;
    frame.initFrom(city);
    frame.lineWidth = city->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, city);
    const QRect inside = city->style()->subElementRect(QStyle::SE_LineEditContents, &frame, city);
    QVERIFY(!counter.painted.value(city).isEmpty());
    QVERIFY(inside.contains(counter.painted.value(city).boundingRect()));
    // A memo whose lines all fit keeps a scroll bar with nothing to scroll, whatever their count.
    QCOMPARE(nameBar->maximum(), 0);
    QCOMPARE(paints.value(nameBar), 0);
}

void TestRecords::autoRepeat()
{
    QList<Entry> many;
    for (int i = 0; i < 40; ++i)
        many << Entry{QStringLiteral("Автор %1").arg(i, 2, 10, QLatin1Char('0')), "T", "2000"};
    AppFixture app;
    app.startWithLibrary("Books.mdb", many);
    QToolButton *next = running().Form1->siNext;

    // Pressing alone moves nothing; the first repeat comes no sooner than 500 ms later.
    QElapsedTimer clock;
    clock.start();
    QTest::mousePress(next, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(app.table().RecNo() > 1, 3000);
    QVERIFY2(clock.elapsed() >= 470, qPrintable(QString::number(clock.elapsed())));
    // Then it keeps going while held; release over the button counts one more click.
    QTRY_VERIFY_WITH_TIMEOUT(app.table().RecNo() >= 4, 3000);
    const int beforeRelease = app.table().RecNo();
    QTest::mouseRelease(next, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), beforeRelease + 1);
    QTest::qWait(250);
    QCOMPARE(app.table().RecNo(), beforeRelease + 1); // the repeat has stopped

    // Release away from the button adds nothing.
    QTest::mousePress(next, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(app.table().RecNo() > beforeRelease + 1, 3000);
    const int held = app.table().RecNo();
    QTest::mouseRelease(next, Qt::LeftButton, {}, QPoint(-10, -10));
    QCOMPARE(app.table().RecNo(), held);
    QTest::qWait(250);
    QCOMPARE(app.table().RecNo(), held);

    // Prior repeats the same way; at the first record it stops without a word.
    QTest::mousePress(running().Form1->siPrior, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(app.table().RecNo(), 1, 10000);
    QTest::qWait(250);
    QTest::mouseRelease(running().Form1->siPrior, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 1);
    QCOMPARE(app.dialogs.errors(), QStringList());

    // A plain click on a repeating button is one move.
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(app.table().RecNo(), 2);
}

void TestRecords::titleClickOrders()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"Яковлев", "Бета", "2001"},
                                                            {"Абрамов", "Гамма", "2003"},
                                                            {"Абрамов", "Альфа", "2003"},
                                                            {"Борисов", "Альфа", "1999"},
                                                            {"Абрамов", "Дельта", "1998"}});
    const QStringList byYear = {"Абрамов", "Борисов", "Яковлев", "Абрамов", "Абрамов"};
    QCOMPARE(namesInOrder(app.table()), byYear);

    emit running().Form1->DBGrid->titleClick(0); // authors, then year, then title
    QCOMPARE(app.table().Sort(), QStringLiteral("Name, City, Title ASC"));
    QCOMPARE(namesInOrder(app.table()),
             QStringList({"Абрамов", "Абрамов", "Абрамов", "Борисов", "Яковлев"}));
    app.table().First();
    QCOMPARE(app.table().FieldByName("City").AsString(), QStringLiteral("1998"));
    app.table().Next();
    QCOMPARE(app.table().FieldByName("Title").AsString(), QStringLiteral("Альфа"));

    emit running().Form1->DBGrid->titleClick(1);
    QCOMPARE(app.table().Sort(), QStringLiteral("Title, City, Name ASC"));
    QCOMPARE(namesInOrder(app.table()),
             QStringList({"Борисов", "Абрамов", "Яковлев", "Абрамов", "Абрамов"}));

    emit running().Form1->DBGrid->titleClick(3); // no such column: the order stays
    QCOMPARE(app.table().Sort(), QStringLiteral("Title, City, Name ASC"));

    emit running().Form1->DBGrid->titleClick(2);
    QCOMPARE(app.table().Sort(), QStringLiteral("City, Name, Title ASC"));
    QCOMPARE(namesInOrder(app.table()), byYear);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestRecords::bookmarks()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", FiveBooks);
    QApplication::setActiveWindow(running().Form1);
    QVERIFY(QTest::qWaitForWindowActive(running().Form1));
    // The short-cuts belong to the grids' pop-up menu: elsewhere Ctrl+G does nothing.
    running().Form1->DBmeName->setFocus();
    QTest::keyClick(running().Form1->DBmeName, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(running().Form1->pmGetBookMark->isEnabled());
    emit running().Form1->DBGrid->customContextMenuRequested(QPoint(5, 5));
    QTRY_VERIFY(running().Form1->PopupMenu1->isVisible());
    running().Form1->PopupMenu1->hide();
    running().Form1->DBGrid->setFocus();

    running().Form1->siNext->click();
    QTest::keyClick(running().Form1->DBGrid, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(!running().Form1->pmGetBookMark->isEnabled());
    QVERIFY(running().Form1->pmGotoBookMark->isEnabled());
    running().Form1->siNext->click();
    running().Form1->siNext->click();
    QCOMPARE(app.currentName(), QStringLiteral("А4"));
    QTest::keyClick(running().Form1->DBGrid, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(app.currentName(), QStringLiteral("А2"));
    QVERIFY(running().Form1->pmGetBookMark->isEnabled());
    QVERIFY(!running().Form1->pmGotoBookMark->isEnabled());
    // Used once: a second Ctrl+B does nothing.
    running().Form1->siLast->click();
    QTest::keyClick(running().Form1->DBGrid, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(app.currentName(), QStringLiteral("А5"));

    // A bookmarked entry deleted since leaves the current entry where it is.
    running().Form1->siFirst->click();
    QTest::keyClick(running().Form1->DBGrid, Qt::Key_G, Qt::ControlModifier);
    app.dialogs.nextAnswers.enqueue(true);
    trigger(running().Form1->mmDelete);
    running().Form1->siLast->click();
    trigger(running().Form1->pmGotoBookMark);
    QCOMPARE(app.currentName(), QStringLiteral("А5"));
    QVERIFY(running().Form1->pmGetBookMark->isEnabled());

    // Picking a library releases a stored bookmark.
    trigger(running().Form1->pmGetBookMark);
    QVERIFY(running().Form1->pmGotoBookMark->isEnabled());
    app.pick(path);
    QVERIFY(running().Form1->pmGetBookMark->isEnabled());
    QVERIFY(!running().Form1->pmGotoBookMark->isEnabled());
    QVERIFY(!running().DataModule1->bookmarkStored());
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestRecords::abstractEditorToggle()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", FiveBooks);
    QCoreApplication::processEvents();

    const QPoint row =
        running().Form1->DBGrid->visualRect(running().Form1->DBGrid->model()->index(1, 0)).center();
    QTest::mouseDClick(running().Form1->DBGrid->viewport(), Qt::LeftButton, {}, row);
    QVERIFY(running().FormEdit->isVisible());
    QCOMPARE(tagOf(running().Form1->mmAbstract), 1);
    QCOMPARE(running().FormEdit->pos(), QPoint(0, 301));
    QCOMPARE(running().FormEdit->size(), QSize(1023, 448));
    QVERIFY(running().FormEdit->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(running().FormEdit->windowTitle(), QStringLiteral("Редактирование абстрактов"));
    QVERIFY(!running().FormEdit->Editor->document()->isModified());

    QTest::mouseDClick(running().Form1->DBGrid->viewport(), Qt::LeftButton, {}, row);
    QVERIFY(!running().FormEdit->isVisible());
    QCOMPARE(tagOf(running().Form1->mmAbstract), 0);

    // Closing the editor by its title-bar button lets the next toggle show it again.
    running().Form1->siTableAbstract->click();
    QVERIFY(running().FormEdit->isVisible());
    running().FormEdit->close();
    QCOMPARE(tagOf(running().Form1->mmAbstract), 0);
    trigger(running().Form1->mmAbstract);
    QVERIFY(running().FormEdit->isVisible());
    QCOMPARE(tagOf(running().Form1->mmAbstract), 1);
}

void TestRecords::closeSelectGrid()
{
    AppFixture app;
    app.startWithLibrary("Books.mdb", FiveBooks);
    running().Form1->DBgrQuery->show();
    running().Form1->setStatusPanel(2, QStringLiteral("1 из 3"));
    trigger(running().Form1->CloseSelectGrid);
    QVERIFY(!running().Form1->DBgrQuery->isVisible());
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("1 из 3"));
}

QUIL_APP_TEST_MAIN(TestRecords)
#include "test_records.moc"
