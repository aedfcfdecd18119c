// The window's side of a store that must not lose data: notebooks on a full disk and with
// characters their code page lacks, and leaving a library whose store is refused.
#include "AppFixture.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>

#include "app/NoteFile.h"
#include "platform/Error.h"

class TestStoreWindow : public QObject {
    Q_OBJECT
private slots:
    void notebookRefusesWhatItCannotHold();
    void notebookOnFullDiskKeepsOldFile();
    void refusedStoreStillLetsTheUserLeave();
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
    QDir().mkpath(mount);
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) != 0)
        QSKIP("this test may not mount a file system");
    const QString info = mount + "/Info.txt";
    const QByteArray shipped(338, 'i');
    writeBytes(info, shipped);
    {
        QFile filler(mount + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    QString error;
    try {
        notefile::write(info, QString(200, QLatin1Char('j')));
    } catch (const quil::Error &e) {
        error = e.message();
    }
    const QByteArray after = readBytes(info);
    QProcess::execute("umount", {mount});
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

QUIL_APP_TEST_MAIN(TestStoreWindow)
#include "test_store_window.moc"
