// The data grid on its own: rows follow the dataset's count and order, the current row and
// its indicator follow moves both ways, and a refused move leaves the grid where the data is.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "db/DataSource.h"
#include "platform/Error.h"
#include "platform/ScriptedDialogs.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "widgets/DBGrid.h"

#include <QtTest>

class TestGrid : public QObject {
    Q_OBJECT
private slots:
    void followsTheDataSet();
};

void TestGrid::followsTheDataSet()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "g.mdb";
    library::create(path);
    execOn(path, {},
           {{"Борисов", "Б", "2002"}, {"Алексеев", "А", "2001"}, {"Васильев", "В", "2003"}});
    quil::ScopedScriptedDialogs dialogs;
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString("Data Source=" + path);
    dm.ADOConnection.Open();
    dm.ADOTable.setSort(book::DefaultSort);
    dm.ADOTable.Open();

    quil::DBGrid grid;
    grid.setColumns({{book::Name, "Автор(ы)", 200}, {book::City, "Год", 50}});
    grid.setDataSource(&dm.DataSource);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    auto *model = grid.gridModel();
    auto *indicator = qobject_cast<quil::DBGridIndicator *>(grid.verticalHeader());
    QVERIFY(indicator);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(0, 0).data().toString(), QString("Алексеев"));
    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Автор(ы)"));
    QCOMPARE(grid.currentIndex().row(), 0);

    dm.ADOTable.Last();
    QCOMPARE(grid.currentIndex().row(), 2);
    QCOMPARE(indicator->currentRow(), 2);

    // The user picks a row: the dataset moves there.
    grid.setCurrentIndex(model->index(1, 0));
    QCOMPARE(dm.ADOTable.RecNo(), 2);
    QCOMPARE(indicator->currentRow(), 1);

    // A new record and a deletion change the rows.
    dm.ADOTable.Insert();
    dm.ADOTableWName->setAsString("Григорьев");
    dm.ADOTable.Post();
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->index(grid.currentIndex().row(), 0).data().toString(), QString("Григорьев"));
    dm.ADOTable.Delete();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(grid.currentIndex().row(), dm.ADOTable.RecNo() - 1);

    // A move that cannot store the record being edited is reported; the grid stays on it.
    execOn(
        path,
        {"CREATE TRIGGER refuse BEFORE UPDATE ON Books BEGIN SELECT RAISE(ABORT, 'refused'); END"});
    dm.ADOTable.Edit();
    dm.ADOTableWName->setAsString("изменён");
    const int before = dm.ADOTable.RecNo();
    grid.setCurrentIndex(model->index(before == 1 ? 2 : 0, 0));
    QCOMPARE(dialogs.errors().size(), 1);
    QCOMPARE(dm.ADOTable.RecNo(), before);
    QCOMPARE(grid.currentIndex().row(), before - 1);
    dm.ADOTable.Cancel();

    // Closing the dataset empties the grid.
    dm.ADOConnection.Close();
    QCOMPARE(model->rowCount(), 0);
}

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
