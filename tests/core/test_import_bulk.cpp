// Entries stored in bulk, as the imports store them, land in the file exactly as single stores
// put them: NULL stays NULL, empty text stays text, numbers stay numbers, and a short value
// after a long one carries nothing of it.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "platform/Error.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QtTest>
#include <sqlite3.h>

namespace {

struct Values {
    QVariant publisher;
    QVariant pages;
};

const QList<Values> Rows = {
    {QString(500, QChar(u'Ж')) + QStringLiteral("конец"), QStringLiteral("С. 1–2")},
    {QStringLiteral("x"), QString()},
    {QString(), QStringLiteral("")},
    {QStringLiteral(""), qint64(42)},
    {QByteArray("\x01\x02", 2), 2.5},
    {QStringLiteral("Ёлкин, Müller 日本 😀"), QStringLiteral("y")},
};

// Stores the rows through the data module's table, in bulk or one post each.
void store(const QString &path, bool bulk)
{
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    if (bulk)
        dm.ADOTable.BeginBulk();
    for (const Values &row : Rows) {
        dm.ADOTable.Insert();
        dm.ADOTableWName->setAsString(QStringLiteral("a"));
        dm.ADOTableWPublisher->setValue(row.publisher);
        dm.ADOTablePages->setValue(row.pages);
        dm.ADOTable.Post();
    }
    if (bulk)
        dm.ADOTable.EndBulk(true);
}

} // namespace

class TestImportBulk : public QObject {
    Q_OBJECT
private slots:
    void sameRowsAsSingleStores();
    void refusedRowInBulk();
    void oneTextInSeveralColumns();
};

void TestImportBulk::sameRowsAsSingleStores()
{
    TempProgramFolder folder;
    const QString single = library::folder(folder.path()) + "single.mdb";
    const QString bulk = library::folder(folder.path()) + "bulk.mdb";
    library::create(single);
    library::create(bulk);
    store(single, false);
    store(bulk, true);
    const QString columns =
        QStringLiteral("Name, typeof(WPublisher), quote(WPublisher), typeof(Pages), quote(Pages)");
    const QStringList expected = storedRows(single, columns);
    QCOMPARE(expected.size(), Rows.size());
    QCOMPARE(expected[2], QStringLiteral("a|null|NULL|text|''"));
    QCOMPARE(storedRows(bulk, columns), expected);
}

void TestImportBulk::refusedRowInBulk()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "refused.mdb";
    library::create(path);
    execOn(path, {"CREATE TRIGGER refuse BEFORE INSERT ON Books WHEN NEW.WName = 'bad' "
                  "BEGIN SELECT RAISE(ABORT, 'value refused'); END"});
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    dm.ADOTable.BeginBulk();
    QString message;
    for (const QString &name : {QStringLiteral("good"), QStringLiteral("bad")}) {
        dm.ADOTable.Insert();
        dm.ADOTableWName->setAsString(name);
        try {
            dm.ADOTable.Post();
        } catch (const quil::Error &e) {
            message = e.message();
        }
    }
    QCOMPARE(message, quil::engineErrorText(SQLITE_CONSTRAINT, QStringLiteral("value refused")));
    // The statement is ready again after the refusal: the next row goes in.
    dm.ADOTable.Cancel();
    dm.ADOTable.Insert();
    dm.ADOTableWName->setAsString(QStringLiteral("after"));
    dm.ADOTable.Post();
    dm.ADOTable.EndBulk(true);
    QCOMPARE(storedRows(path, "WName"), QStringList({"good", "after"}));
}

// A text bound to several columns is made into bytes once: each column keeps its own value
// however the others are bound anew or left bound from the run before.
void TestImportBulk::oneTextInSeveralColumns()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "shared.mdb";
    library::create(path);
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    const auto q = dm.ADOConnection.engine().prepareOrThrow(
        "INSERT INTO Books (Name, Title, WName) VALUES (?, ?, ?)");
    // Texts of the heap, as read from a file: literals have no shared data to recognise.
    const QString s = QString::fromUtf8("Ёлкин"), u = QString::fromUtf8("u"),
                  v = QString::fromUtf8("v");
    const auto run = [&](std::initializer_list<std::pair<int, QVariant>> binds) {
        for (const auto &[slot, value] : binds)
            q->bind(slot, value);
        QVERIFY(q->exec());
        q->reset();
    };
    run({{0, s}, {1, s}, {2, s}});
    run({{0, u}}); // the two that shared the first's bytes keep them
    run({{1, v}});
    run({{2, QString(s).append(u)}, {1, v}, {0, 7}});
    run({{1, u}, {0, u}, {2, u}});
    run({{1, s}});
    QCOMPARE(storedRows(path, "Name, Title, WName"),
             QStringList({"Ёлкин|Ёлкин|Ёлкин", "u|Ёлкин|Ёлкин", "u|v|Ёлкин", "7|v|Ёлкинu", "u|u|u",
                          "u|Ёлкин|u"}));
}

QTEST_GUILESS_MAIN(TestImportBulk)
#include "test_import_bulk.moc"
