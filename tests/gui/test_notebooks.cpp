// The two notebooks: loading at start, writing the whole file on every change, what a missing
// or unwritable file does, and which of the three panes is in front.
#include "AppFixture.h"

#include "widgets/DBRichView.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStringEncoder>

namespace {

QByteArray cp1251(const QString &text)
{
    QStringEncoder encode("windows-1251");
    return encode(text);
}

// The pane seen in the notebooks' rectangle: whichever of the three is under its centre.
QString frontPane()
{
    QWidget *area = running().Form1->RxDBedView->parentWidget();
    QWidget *seen = area->childAt(area->rect().center());
    for (QWidget *pane : std::initializer_list<QWidget *>{
             running().Form1->RxDBedView, running().Form1->meInfo, running().Form1->meTerms})
        if (pane == seen || pane->isAncestorOf(seen))
            return pane->objectName();
    return QStringLiteral("<none>");
}

QString tags()
{
    return QStringLiteral("%1%2")
        .arg(running().Form1->mmInfo->property("Tag").toInt())
        .arg(running().Form1->mmTerms->property("Tag").toInt());
}

} // namespace

class TestNotebooks : public QObject {
    Q_OBJECT
private slots:
    void loadAndWrite_data();
    void loadAndWrite();
    void failedWriteKeepsText();
    void missingNotebook_data();
    void missingNotebook();
    void frontToBack();
};

void TestNotebooks::loadAndWrite_data()
{
    QTest::addColumn<QByteArray>("onDisk");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("afterTyping"); // one "x" typed at the end
    QTest::newRow("empty") << QByteArray() << QString() << QByteArray("x");
    QTest::newRow("CR LF, no break at the end")
        << cp1251("ГОСТ — стандарт\r\nт. е. — то есть")
        << QStringLiteral("ГОСТ — стандарт\nт. е. — то есть")
        << cp1251("ГОСТ — стандарт\r\nт. е. — то есть") + "x";
    QTest::newRow("break at the end kept")
        << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n") << QByteArray("a\r\nb\r\nx");
    QTest::newRow("lone LF") << QByteArray("a\nb") << QStringLiteral("a\nb")
                             << QByteArray("a\r\nbx");
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringLiteral("a\nb\n")
                             << QByteArray("a\r\nb\r\nx");
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << QStringLiteral("\n\n")
                                 << QByteArray("\r\n\r\nx");
}

void TestNotebooks::loadAndWrite()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(QString, shown);
    QFETCH(QByteArray, afterTyping);
    AppFixture app;
    const QString info = app.folder.file("Info.txt");
    const QString terms = app.folder.file("Terms.txt");
    writeBytes(info, onDisk);
    writeBytes(terms, onDisk);
    const QDateTime infoTime = QFileInfo(info).lastModified();
    app.start();

    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(running().Form1->meInfo->toPlainText(), shown);
    QCOMPARE(running().Form1->meTerms->toPlainText(), shown);
    // Loading writes nothing back.
    QCOMPARE(readBytes(info), onDisk);
    QCOMPARE(readBytes(terms), onDisk);
    QCOMPARE(QFileInfo(info).lastModified(), infoTime);

    running().Form1->meInfo->moveCursor(QTextCursor::End);
    QTest::keyClicks(running().Form1->meInfo, "x");
    QCOMPARE(readBytes(info), afterTyping);
    QCOMPARE(readBytes(terms), onDisk);

    running().Form1->meTerms->moveCursor(QTextCursor::End);
    QTest::keyClicks(running().Form1->meTerms, "x");
    QCOMPARE(readBytes(terms), afterTyping);

    // Every change rewrites the whole file, a deletion too; no temporary file is left behind.
    QTest::keyClick(running().Form1->meTerms, Qt::Key_Backspace);
    QCOMPARE(readBytes(terms), afterTyping.chopped(1));
    running().Form1->meTerms->insertPlainText(QStringLiteral("ж\u00a0\n"));
    QCOMPARE(readBytes(terms), afterTyping.chopped(1) + cp1251("ж\u00a0\r\n"));
    QCOMPARE(QDir(app.folder.path()).entryList({"*Terms*"}, QDir::Files),
             QStringList({"Terms.txt"}));
    QCOMPARE(app.dialogs.errors(), QStringList());
}

void TestNotebooks::failedWriteKeepsText()
{
    AppFixture app;
    const QString info = app.folder.file("Info.txt");
    writeBytes(info, "old");
    app.start();
    // A folder where the file should be: the write cannot replace it.
    QVERIFY(QFile::remove(info));
    QVERIFY(QDir(app.folder.path()).mkdir("Info.txt"));

    running().Form1->meInfo->moveCursor(QTextCursor::End);
    QTest::keyClicks(running().Form1->meInfo, "1");
    QCOMPARE(app.dialogs.errors().size(), 1);
    QVERIFY2(app.dialogs.errors().first().startsWith(
                 QStringLiteral("Cannot create file \"%1\"").arg(QDir::toNativeSeparators(info))),
             qPrintable(app.dialogs.errors().first()));
    QCOMPARE(running().Form1->meInfo->toPlainText(), QStringLiteral("old1"));

    // The next change tries again.
    QVERIFY(QDir(app.folder.path()).rmdir("Info.txt"));
    QTest::keyClicks(running().Form1->meInfo, "2");
    QCOMPARE(readBytes(info), QByteArray("old12"));
    QCOMPARE(app.dialogs.errors().size(), 1);

    // A read-only file is not replaced.
    QVERIFY(QFile::setPermissions(info, QFile::ReadOwner | QFile::ReadUser));
    if (QFileInfo(info).isWritable())
        QSKIP("file permissions do not bind this user");
    QTest::keyClicks(running().Form1->meInfo, "3");
    QCOMPARE(app.dialogs.errors().size(), 2);
    QCOMPARE(readBytes(info), QByteArray("old12"));
}

void TestNotebooks::missingNotebook_data()
{
    QTest::addColumn<bool>("infoThere");
    QTest::addColumn<QString>("missingFile");
    QTest::newRow("no Info.txt: Terms.txt loads all the same") << false << "Info.txt";
    QTest::newRow("no Terms.txt") << true << "Terms.txt";
}

void TestNotebooks::missingNotebook()
{
    QFETCH(bool, infoThere);
    QFETCH(QString, missingFile);
    AppFixture app(false);
    if (infoThere)
        writeBytes(app.folder.file("Info.txt"), "info");
    else
        writeBytes(app.folder.file("Terms.txt"), "terms");
    // Nothing is said before the window is there to say it over.
    app.program = std::make_unique<Program>(app.folder.path());
    QCoreApplication::processEvents();
    QCOMPARE(app.dialogs.errors(), QStringList());
    running().Form1->show();

    const QString missing = app.folder.file(missingFile);
    QTRY_COMPARE(app.dialogs.errors().size(), 1);
    QCOMPARE(app.dialogs.errors().first(),
             QStringLiteral("Файл заметок %1 не найден; он будет создан при первой правке "
                            "заметок.")
                 .arg(QDir::toNativeSeparators(missing)));
    QVERIFY(running().Form1->isVisible());
    QCOMPARE(running().Form1->meInfo->toPlainText(),
             infoThere ? QStringLiteral("info") : QString());
    QCOMPARE(running().Form1->meTerms->toPlainText(),
             infoThere ? QString() : QStringLiteral("terms"));
    // Start-up went on to the keyboard indicator.
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
    // The missing notebook is created on its first change, and the other one is written too.
    QPlainTextEdit *failed = infoThere ? running().Form1->meTerms : running().Form1->meInfo;
    QTest::keyClicks(failed, "z");
    QCOMPARE(readBytes(missing), QByteArray("z"));
    QPlainTextEdit *loaded = infoThere ? running().Form1->meInfo : running().Form1->meTerms;
    loaded->moveCursor(QTextCursor::End);
    QTest::keyClicks(loaded, "y");
    QCOMPARE(readBytes(app.folder.file(infoThere ? "Info.txt" : "Terms.txt")),
             infoThere ? QByteArray("infoy") : QByteArray("termsy"));
    // The window works: a library opens.
    app.makeLibrary("Books.mdb", {{"А", "Б", "1"}});
    app.pick(app.library("Books.mdb"));
    QCOMPARE(running().Form1->windowTitle(), QStringLiteral("Library Books.mdb"));
    QCOMPARE(app.dialogs.errors().size(), 1);
}

void TestNotebooks::frontToBack()
{
    AppFixture app;
    writeBytes(app.folder.file("Info.txt"), cp1251("ГОСТ"));
    app.makeLibrary("Books.mdb", {{"А", "Б", "1"}});
    app.makeLibrary("Other.mdb", {{"В", "Г", "2"}});
    app.start();
    app.pick(app.library("Books.mdb"));
    QCoreApplication::processEvents();
    QVERIFY(!running().Form1->meInfo->isVisible());
    QVERIFY(!running().Form1->meTerms->isVisible());
    QCOMPARE(frontPane(), QStringLiteral("RxDBedView"));
    QCOMPARE(tags(), QStringLiteral("00"));

    trigger(running().Form1->mmInfo);
    QCOMPARE(frontPane(), QStringLiteral("meInfo"));
    QCOMPARE(tags(), QStringLiteral("10"));
    trigger(running().Form1->mmInfo); // already in front: nothing happens
    QCOMPARE(frontPane(), QStringLiteral("meInfo"));
    QCOMPARE(tags(), QStringLiteral("10"));
    trigger(running().Form1->mmTerms);
    QCOMPARE(frontPane(), QStringLiteral("meTerms"));
    QCOMPARE(tags(), QStringLiteral("01"));
    trigger(running().Form1->mmInfo);
    QCOMPARE(frontPane(), QStringLiteral("meInfo"));
    QCOMPARE(tags(), QStringLiteral("10"));

    QTest::mouseDClick(running().Form1->meInfo->viewport(), Qt::LeftButton);
    QCOMPARE(frontPane(), QStringLiteral("RxDBedView"));
    QCOMPARE(tags(), QStringLiteral("00"));
    QVERIFY(running().Form1->meInfo->isVisible()); // still there, behind the abstract
    QCOMPARE(running().Form1->meInfo->toPlainText(), QStringLiteral("ГОСТ"));

    trigger(running().Form1->mmTerms);
    QCOMPARE(frontPane(), QStringLiteral("meTerms"));
    // Another library leaves the notebooks as they are.
    app.pick(app.library("Other.mdb"));
    QCOMPARE(frontPane(), QStringLiteral("meTerms"));
    QCOMPARE(tags(), QStringLiteral("01"));
    QTest::mouseDClick(running().Form1->meTerms->viewport(), Qt::LeftButton);
    QCOMPARE(frontPane(), QStringLiteral("RxDBedView"));
    QCOMPARE(tags(), QStringLiteral("00"));
    trigger(running().Form1->mmInfo);
    QCOMPARE(frontPane(), QStringLiteral("meInfo"));
    QCOMPARE(app.dialogs.errors(), QStringList());
    QCOMPARE(readBytes(app.folder.file("Info.txt")), cp1251("ГОСТ"));
}

QUIL_APP_TEST_MAIN(TestNotebooks)
#include "test_notebooks.moc"
