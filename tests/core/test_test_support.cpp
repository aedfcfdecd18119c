// The helpers that tests read libraries with: a library they cannot read fails the test
// instead of looking like one without rows.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "store/LibraryFile.h"

#include <QtTest>

class TestTestSupport : public QObject {
    Q_OBJECT
private slots:
    void storedRowsFailsOnUnreadableLibrary_data();
    void storedRowsFailsOnUnreadableLibrary();
    void storedRowsReadsInKeyOrder();
};

void TestTestSupport::storedRowsFailsOnUnreadableLibrary_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("columns");
    QTest::newRow("no file") << QByteArray() << "Name";
    QTest::newRow("not a database") << QByteArray("plain text\r\n") << "Name";
    QTest::newRow("no such column") << QByteArray("library") << "Name, Nonsense";
}

void TestTestSupport::storedRowsFailsOnUnreadableLibrary()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, columns);
    TempProgramFolder folder;
    const QString path = folder.file("DBase/x.mdb");
    if (content == "library")
        library::create(path);
    else if (!content.isEmpty())
        writeBytes(path, content);

    QEXPECT_FAIL("", "the helper reports what it could not read", Continue);
    const QStringList rows = storedRows(path, columns);
    QCOMPARE(rows.size(), 1);
    QVERIFY2(rows.first().startsWith("<"), qPrintable(rows.first()));
    // Looking does not make a library where there was none.
    QCOMPARE(QFile::exists(path), !content.isEmpty());
}

void TestTestSupport::storedRowsReadsInKeyOrder()
{
    TempProgramFolder folder;
    const QString path = folder.file("DBase/x.mdb");
    library::create(path);
    QCOMPARE(storedRows(path, "Name"), QStringList());
    execOn(path, {}, {{"Яков", "Т1", "2001"}, {"Абрам", "Т2", "1999"}});
    QCOMPARE(storedRows(path, "Name, City"), QStringList({"Яков|2001", "Абрам|1999"}));
}

QTEST_MAIN(TestTestSupport)
#include "test_test_support.moc"
