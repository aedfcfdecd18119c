// The window's side of a store that must not lose data: notebooks on a full disk and with
// characters their code page lacks, leaving a library whose store is refused, a library that
// may not be written, Esc in the record pane, and values too long to lay out whole.
#include "AppFixture.h"
#include "ScopedTmpfs.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>

#include "app/NoteFile.h"
#include "platform/DisplayText.h"
#include "platform/Error.h"

class TestStoreWindow : public QObject {
    Q_OBJECT
private slots:
    void notebookRefusesWhatItCannotHold();
    void notebookOnFullDiskKeepsOldFile();
    void refusedStoreStillLetsTheUserLeave();
    void readOnlyLibraryRefusesEveryWrite();
    void escapeDropsTheEdit();
    void longValueIsShownCut();
};

void TestStoreWindow::notebookRefusesWhatItCannotHold()
{
    AppFixture app;
    writeBytes(app.folder.file("Info.txt"), "ab");
    app.start();
    Form1->meInfo->moveCursor(QTextCursor::End);
    Form1->meInfo->insertPlainText(QStringLiteral("Ω"));
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY2(app.dialogs.errors().first().contains(QStringLiteral("«Ω»")),
             qPrintable(app.dialogs.errors().first()));
    QCOMPARE(Form1->meInfo->toPlainText(), QStringLiteral("ab"));
    QCOMPARE(readBytes(app.folder.file("Info.txt")), QByteArray("ab"));
    Form1->meInfo->insertPlainText(QStringLiteral("ж"));
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
    Form1->DBmeName->selectAll();
    Form1->DBmeName->insertPlainText("typed");
    // Another program takes the entry away: the store at closing is refused.
    execOn(path, {"DELETE FROM Books"});
    QVERIFY(!Form1->close());
    QCOMPARE(app.dialogs.errors().size(), 1);
    // Closing again asks; No keeps the window, Yes leaves without storing.
    app.dialogs.nextAnswers.enqueue(false);
    QVERIFY(!Form1->close());
    app.dialogs.nextAnswers.enqueue(true);
    QVERIFY(Form1->close());
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
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Library Demo.mdb (только чтение)"));
    QCOMPARE(app.table().RecordCount(), 2);
    QVERIFY(Form1->DBmeName->isReadOnly());
    QVERIFY(Form1->DBedLocation->isReadOnly());
    QVERIFY(FormEdit->Editor->isReadOnly());

    // Each writing command answers one message that says why, and asks nothing first.
    const QString refused =
        QStringLiteral("Библиотека открыта только для чтения: изменения в ней не сохраняются.");
    for (QAction *command : {Form1->mmNewBook, Form1->mmSave, Form1->mmDelete}) {
        const qsizetype shown = app.dialogs.shown.size();
        app.dialogs.nextAnswers.enqueue(true);
        trigger(command);
        QCOMPARE(app.dialogs.shown.size(), shown + 1);
        QCOMPARE(app.dialogs.errors().last(), refused);
        app.dialogs.nextAnswers.clear();
        QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    }
    QTest::keyClicks(Form1->DBmeName, "x");
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    QCOMPARE(Form1->DBmeName->toPlainText(), QStringLiteral("А"));
    // Nothing to store at closing, so nothing is asked or reported.
    const qsizetype reported = app.dialogs.errors().size();
    QVERIFY(Form1->close());
    QCOMPARE(app.dialogs.errors().size(), reported);
    QCOMPARE(readBytes(path), before);
}

void TestStoreWindow::escapeDropsTheEdit()
{
    AppFixture app;
    const QString path =
        app.startWithLibrary("Books.mdb", {{"А", "Первая", "2001"}, {"Б", "Вторая", "2002"}});
    const QStringList stored = storedRows(path);
    const QList<QWidget *> controls = {Form1->DBmeName, Form1->DBmeTitle, Form1->DBedLocation};
    for (QWidget *control : controls) {
        control->setFocus();
        QTest::keyClick(control, Qt::Key_End);
        QTest::keyClicks(control, "typed");
        QCOMPARE(app.table().State(), quil::DataSetState::Edit);
        QTest::keyClick(control, Qt::Key_Escape);
        QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    }
    QCOMPARE(Form1->DBmeName->toPlainText(), QStringLiteral("А"));
    QCOMPARE(Form1->DBmeTitle->toPlainText(), QStringLiteral("Первая"));
    QCOMPARE(Form1->DBedLocation->text(), QString());
    // A move or a close afterwards stores nothing that was typed.
    Form1->siNextClick();
    Form1->siPriorClick();
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
        app.startWithLibrary("Long.mdb", {{author, "Длинная", "1990"}, {"Б", "Короткая", "2000"}});
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(app.currentName().size(), author.size());

    // The grid, the status bar and the memo show the head of the value.
    QCOMPARE(Form1->DBGrid->model()->index(0, 0).data().toString(), author.left(40) + " ...");
    QCOMPARE(Form1->statusPanel(1), author.left(quil::DisplayLimit) + " ...");
    QCOMPARE(Form1->DBmeName->toPlainText(), author.left(quil::MemoDisplayLimit));
    QVERIFY(Form1->DBmeName->isReadOnly());

    // Typing asks first: No keeps the value whole and the record unedited.
    Form1->DBmeName->setFocus();
    app.dialogs.nextAnswers.enqueue(false);
    QTest::keyClick(Form1->DBmeName, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(Form1->DBmeName, "!");
    QCOMPARE(app.dialogs.count("question"), 1);
    QCOMPARE(app.table().State(), quil::DataSetState::Browse);
    Form1->siNextClick();
    QCOMPARE(storedRows(path, "length(WName)").first(), QString::number(author.size()));

    // Yes: what is shown, with what was typed, is stored; the next record is shown whole again.
    Form1->siPriorClick();
    app.dialogs.nextAnswers.enqueue(true);
    QTest::keyClick(Form1->DBmeName, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(Form1->DBmeName, "!");
    QCOMPARE(app.table().State(), quil::DataSetState::Edit);
    Form1->siNextClick();
    QCOMPARE(storedRows(path, "WName").first(), author.left(quil::MemoDisplayLimit) + "!");
    QVERIFY(!Form1->DBmeName->isReadOnly());
    QCOMPARE(Form1->DBmeName->toPlainText(), QStringLiteral("Б"));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

QUIL_APP_TEST_MAIN(TestStoreWindow)
#include "test_store_window.moc"
