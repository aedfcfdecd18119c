// The window's side of a store that must not lose data: notebooks on a full disk and with
// characters their code page lacks, leaving a library whose store is refused, a library that
// may not be written, Esc in the record pane, values too long to lay out whole, choosing a
// library with an edit pending, and another program's changes.
#include "AppFixture.h"
#include "ScopedTmpfs.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>

#include "app/NoteFile.h"
#include "db/DisplayText.h"
#include "platform/Error.h"
#include "widgets/DBRichEdit.h"

class TestStoreWindow : public QObject {
    Q_OBJECT
private slots:
    void notebookRefusesWhatItCannotHold();
    void notebookOnFullDiskKeepsOldFile();
    void refusedStoreStillLetsTheUserLeave();
    void readOnlyLibraryRefusesEveryWrite();
    void escapeDropsTheEdit();
    void longValueIsShownCut();
    void choosingALibraryKeepsTheEdit();
    void activationShowsOtherProgramsChanges();
};

void TestStoreWindow::notebookRefusesWhatItCannotHold()
{
    AppFixture app;
    writeBytes(app.folder.file("Info.txt"), "ab");
    app.start();
    running().Form1->meInfo->moveCursor(QTextCursor::End);
    running().Form1->meInfo->insertPlainText(QStringLiteral("Ω"));
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY2(app.dialogs.errors().first().contains(QStringLiteral("«Ω»")),
             qPrintable(app.dialogs.errors().first()));
    QCOMPARE(running().Form1->meInfo->toPlainText(), QStringLiteral("ab"));
    QCOMPARE(readBytes(app.folder.file("Info.txt")), QByteArray("ab"));
    running().Form1->meInfo->insertPlainText(QStringLiteral("ж"));
    QCOMPARE(readBytes(app.folder.file("Info.txt")), QByteArray("ab\xe6"));
}

void TestStoreWindow::notebookOnFullDiskKeepsOldFile()
{
    TempProgramFolder disk;
    const QString mount = disk.file("full");
    ScopedTmpfs medium(mount, "size=64k");
    if (!medium.mounted())
        QSKIP("this test may not mount a file system");
    const QString info = mount + "/Info.txt";
    const QByteArray shipped(338, 'i');
    writeBytes(info, shipped);
    medium.fill();
    QString error;
    try {
        notefile::write(info, QString(200, QLatin1Char('j')));
    } catch (const quil::Error &e) {
        error = e.message();
    }
    const QByteArray after = readBytes(info);
    QVERIFY2(error.startsWith("Cannot create file"), qPrintable(error));
    QCOMPARE(after, shipped);
}

void TestStoreWindow::refusedStoreStillLetsTheUserLeave()
{
    AppFixture app;
    const QString path = app.startWithLibrary("Books.mdb", {{"А", "Б", "1"}});
    running().Form1->DBmeName->selectAll();
    running().Form1->DBmeName->insertPlainText("typed");
    // Another program takes the entry away: the store at closing is refused.
    execOn(path, {"DELETE FROM Books"});
    QVERIFY(!running().Form1->close());
    QCOMPARE(app.dialogs.errors().size(), 1);
    // Closing again asks; No keeps the window, Yes leaves without storing.
    app.dialogs.nextAnswers.enqueue(false);
    QVERIFY(!running().Form1->close());
    app.dialogs.nextAnswers.enqueue(true);
    QVERIFY(running().Form1->close());
    QCOMPARE(app.dialogs.shown.last().text, QStringLiteral("Закрыть без сохранения?"));
    QCOMPARE(storedRows(path, "Name"), QStringList());
}

void TestStoreWindow::readOnlyLibraryRefusesEveryWrite()
{
    AppFixture app;
    const ReadOnlyLibrary library(app, "Demo.mdb",
                                  {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}});
    if (!library.mounted)
        QSKIP("this test may not mount a file system");
    QVERIFY(library.readOnly);
    const QString &path = library.path;
    const QByteArray &before = library.bytes;
    app.start();
    app.pick(path);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Demo.mdb (только чтение)"));
    QCOMPARE(app.table().RecordCount(), 2);
    QVERIFY(running().Form1->DBmeName->isReadOnly());
    QVERIFY(running().Form1->DBedLocation->isReadOnly());
    QVERIFY(running().FormEdit->Editor->isReadOnly());

    // Each writing command answers one message that says why, and asks nothing first.
    const QString refused =
        QStringLiteral("Библиотека открыта только для чтения: изменения в ней не сохраняются.");
    for (QAction *command :
         {running().Form1->mmNewBook, running().Form1->mmSave, running().Form1->mmDelete}) {
        const qsizetype shown = app.dialogs.shown.size();
        app.dialogs.nextAnswers.enqueue(true);
        trigger(command);
        QCOMPARE(app.dialogs.shown.size(), shown + 1);
        QCOMPARE(app.dialogs.errors().last(), refused);
        app.dialogs.nextAnswers.clear();
        QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    }
    QTest::keyClicks(running().Form1->DBmeName, "x");
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("А"));
    // Nothing to store at closing, so nothing is asked or reported.
    const qsizetype reported = app.dialogs.errors().size();
    QVERIFY(running().Form1->close());
    QCOMPARE(app.dialogs.errors().size(), reported);
    QCOMPARE(readBytes(path), before);
}

void TestStoreWindow::escapeDropsTheEdit()
{
    AppFixture app;
    const QString path =
        app.startWithLibrary("Books.mdb", {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}});
    const QStringList stored = storedRows(path);
    const QList<QWidget *> controls = {running().Form1->DBmeName, running().Form1->DBmeTitle,
                                       running().Form1->DBedLocation};
    for (QWidget *control : controls) {
        control->setFocus();
        QTest::keyClick(control, Qt::Key_End);
        QTest::keyClicks(control, "typed");
        QCOMPARE(app.table().State(), quil::DataSetState::Edit);
        QTest::keyClick(control, Qt::Key_Escape);
        QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    }
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("А"));
    QCOMPARE(running().Form1->DBmeTitle->toPlainText(), QStringLiteral("Первая"));
    QCOMPARE(running().Form1->DBedLocation->text(), QString());
    // A move or a close afterwards stores nothing that was typed.
    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QCOMPARE(storedRows(path), stored);
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestStoreWindow::longValueIsShownCut()
{
    AppFixture app;
    QString author;
    for (int i = 0; i < (1 << 20); ++i)
        author += QChar(u'a' + i % 26);
    const QString path =
        app.makeLibrary("Long.mdb", {{author, "Длинная", "1990"}, {"Б", "Короткая", "2000"}});
    // Keywords of 100,000 characters without a blank, and a line break across the memo's cut.
    const int headBreak = quil::MemoDisplayLimit - 1;
    execOn(path, {"UPDATE Books SET Location = replace(hex(zeroblob(50000)), '00', 'жы') "
                  "WHERE City = '1990'",
                  QStringLiteral("UPDATE Books SET WPublisher = substr(WName, 1, %1) || "
                                 "char(13, 10) || substr(WName, %2) WHERE City = '1990'")
                      .arg(headBreak)
                      .arg(headBreak + 1),
                  "UPDATE Books SET Resume = replace(hex(zeroblob(10000)), '00', 'ab') "
                  "WHERE City = '1990'"});
    const QString keywords = QStringLiteral("жы").repeated(50000);
    const QString publisher = author.left(headBreak) + "\r\n" + author.mid(headBreak);
    app.start();
    app.pick(path);
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(app.currentName().size(), author.size());

    // The grid, the status bar, the memos and the edit show the head of the value; a CR LF is
    // not parted at the cut.
    QCOMPARE(running().Form1->DBGrid->model()->index(0, 0).data().toString(),
             author.left(40) + " ...");
    QCOMPARE(running().Form1->statusPanel(1), author.left(quil::DisplayLimit) + " ...");
    QCOMPARE(running().Form1->DBmeName->toPlainText(), author.left(quil::MemoDisplayLimit));
    QCOMPARE(running().Form1->DBmePub->toPlainText(), author.left(headBreak));
    QCOMPARE(running().Form1->DBedLocation->text(), keywords.left(quil::DisplayLimit));
    // An abstract of 20,000 characters without a blank: the view shows its head, the editor
    // all of it, wrapped anywhere (word wrapping it costs the square of its length).
    const QString abstract = QStringLiteral("ab").repeated(10000);
    QCOMPARE(running().Form1->RxDBedView->toPlainText(),
             abstract.left(quil::RichViewDisplayLimit) + QStringLiteral(" ..."));
    QCOMPARE(running().Form1->RxDBedView->wordWrapMode(), QTextOption::WrapAnywhere);
    running().Form1->mmAbstractClick(); // the editor holds the abstract while it is shown
    QCOMPARE(running().FormEdit->Editor->toPlainText(), abstract);
    QCOMPARE(running().FormEdit->Editor->wordWrapMode(), QTextOption::WrapAnywhere);
    QVERIFY(!running().Form1->DBmeName->toolTip().isEmpty());
    QVERIFY(!running().Form1->DBmeName->isReadOnly());
    QVERIFY(!running().Form1->DBedLocation->isReadOnly());

    // A move without typing stores nothing.
    running().Form1->siNextClick();
    running().Form1->siPriorClick();
    QCOMPARE(storedRows(path, "WName || Location").first(), author + keywords);

    // Typing changes the head shown; the rest of each value is stored behind it, whole.
    running().Form1->DBmeName->setFocus();
    QTest::keyClick(running().Form1->DBmeName, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(running().Form1->DBmeName, "!");
    running().Form1->DBmePub->setFocus();
    QTest::keyClick(running().Form1->DBmePub, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(running().Form1->DBmePub, "?");
    running().Form1->DBedLocation->setFocus();
    QTest::keyClick(running().Form1->DBedLocation, Qt::Key_Home);
    QTest::keyClicks(running().Form1->DBedLocation, "#");
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    running().Form1->siNextClick();
    const QString edited =
        author.left(quil::MemoDisplayLimit) + "!" + author.mid(quil::MemoDisplayLimit);
    QCOMPARE(storedRows(path, "WName").first(), edited);
    QCOMPARE(storedRows(path, "Name").first(), edited);
    QCOMPARE(storedRows(path, "WPublisher").first(),
             author.left(headBreak) + "?\r\n" + author.mid(headBreak));
    QCOMPARE(storedRows(path, "Location").first(), "#" + keywords);
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("Б"));
    QCOMPARE(running().Form1->RxDBedView->wordWrapMode(),
             QTextOption::WrapAtWordBoundaryOrAnywhere);
    QCOMPARE(running().FormEdit->Editor->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    QCOMPARE(running().Form1->DBmeName->toolTip(), QString());
    QCOMPARE(running().Form1->DBedLocation->toolTip(), QString());
    QCOMPARE(app.dialogs.shown.size(), 1); // the library's dialog: nothing was asked
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestStoreWindow::choosingALibraryKeepsTheEdit()
{
    AppFixture app;
    const QString books = app.makeLibrary("Books.mdb", {{"А", "Первая", "2001"}});
    const QString other = app.makeLibrary("Other.mdb", {{"В", "Другая", "2002"}});
    writeBytes(app.library("Broken.mdb"), "not a database\r\n");
    app.start();
    app.pick(books);
    running().Form1->DBmeName->selectAll();
    typeKeys(running().Form1->DBmeName, QStringLiteral("набрано"));

    // A file that is no library is refused before anything else: the typed text stays in the
    // pane, still to be stored, and the library stays open.
    app.pick(app.library("Broken.mdb"));
    QCOMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("набрано"));
    QCOMPARE(storedRows(books, "WName"), QStringList({"А"}));

    // Another library: the edit is stored first, as a move would store it.
    app.pick(other);
    QCOMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Other.mdb"));
    QCOMPARE(storedRows(books, "Name || '|' || WName"), QStringList({"набрано|набрано"}));
    QCOMPARE(running().Form1->DBmeName->toPlainText(), QStringLiteral("В"));
}

void TestStoreWindow::activationShowsOtherProgramsChanges()
{
    AppFixture app;
    const QString path =
        app.startWithLibrary("Books.mdb", {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}});
    QWidget other;
    other.show();
    running().Form1->siNextClick();
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 2"));
    // While the user is in another window, another program adds an entry before the current one.
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    execOn(path, {}, {{"Аа", "Новая", "2000"}});
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("2 из 2"));
    running().Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(running().Form1));
    QCOMPARE(app.table().RecordCount(), 3);
    QCOMPARE(app.currentName(), QStringLiteral("Б"));
    QCOMPARE(running().Form1->statusPanel(0), QStringLiteral("3 из 3"));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

QUIL_APP_TEST_MAIN(TestStoreWindow)
#include "test_store_window.moc"
