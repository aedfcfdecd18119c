// Entries whose sort columns are all equal keep the order in which they were stored, in every
// order the grid titles choose; so the grid, the record number and a walk agree from run to run.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QtTest>

class TestOrderTies : public QObject {
    Q_OBJECT
private slots:
    void equalEntriesKeepStoredOrder_data();
    void equalEntriesKeepStoredOrder();
};

void TestOrderTies::equalEntriesKeepStoredOrder_data()
{
    QTest::addColumn<QString>("sort");
    QTest::newRow("authors") << "Name, City, Title ASC";
    QTest::newRow("titles") << "Title, City, Name ASC";
    QTest::newRow("year (default)") << "City, Name, Title ASC";
    QTest::newRow("year only") << "City";
}

void TestOrderTies::equalEntriesKeepStoredOrder()
{
    QFETCH(QString, sort);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "Ties.mdb";
    library::create(path);
    // Three groups of equal entries, stored interleaved: enough rows that a sort which does not
    // keep ties in place would shuffle them.
    const QStringList names = {"Васильев", "Алексеев", "Борисов"};
    QList<Entry> entries;
    for (int i = 0; i < 90; ++i)
        entries.append({names[i % 3], "Одна книга", "2000"});
    execOn(path, {}, entries);

    TDataModule1 dm;
    dm.OpenLibrary(folder.path(), "Ties.mdb");
    dm.ADOTable.setSort(sort);
    QStringList walked;
    for (dm.ADOTable.First(); !dm.ADOTable.Eof(); dm.ADOTable.Next())
        walked << dm.ADOTableName->AsString() + "|" + dm.ADOTable.FieldByName("key").AsString();

    // Expected: the groups by author where authors take part in the order, each group in the
    // order of storing.
    const QStringList stored = storedRows(path, "Name, key");
    QStringList groups = names;
    if (sort.contains("Name"))
        std::sort(groups.begin(), groups.end());
    else
        groups = QStringList({QString()}); // all ninety are one tie
    QStringList expected;
    for (const QString &group : groups)
        for (const QString &row : stored)
            if (group.isEmpty() || row.section('|', 0, 0) == group)
                expected << row;
    QCOMPARE(walked.size(), 90);
    QCOMPARE(walked, expected);
}

QTEST_MAIN(TestOrderTies)
#include "test_order_ties.moc"
