// The dataset layer over real SQLite files: moves, order, editing with the update step,
// bookmarks, notifications, and the connection's refusal of files that are not libraries.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "db/Connection.h"
#include "db/DataLink.h"
#include "db/DataSet.h"
#include "db/DataSource.h"
#include "platform/Error.h"
#include "store/Book.h"
#include "store/LibraryFile.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace quil;

namespace {

// Creates a library in the folder's DBase with the given entries.
QString makeLibrary(const TempProgramFolder &folder, const QString &file,
                    const QList<Entry> &entries)
{
    const QString path = library::folder(folder.path()) + file;
    library::create(path);
    execOn(path, {}, entries);
    return path;
}

// Rows of Books as "Name|Title|City" in key order.
QStringList rowsOnDisk(const QString &path) { return storedRows(path, "Name, Title, City"); }

// A stand-in for a data-aware control: remembers what it showed, and writes `typed` at the
// update step when the user "typed" something.
struct FakeControl {
    FieldDataLink link;
    QString shown;
    QString typed;
    int reloads = 0;
    FakeControl(DataSource &source, const QString &field)
    {
        link.FieldName = field;
        link.OnDataChange = [this] {
            ++reloads;
            shown = link.field() && link.active() ? link.field()->AsString() : QString();
        };
        link.OnUpdateData = [this] { link.field()->setAsString(typed); };
        link.setDataSource(&source);
    }
    void type(const QString &text)
    {
        typed = text;
        link.Modify();
    }
};

struct Library {
    Connection connection;
    Table table{connection, book::TableName, book::fieldDefs(), book::Key};
    DataSource source;
    int dataChanges = 0;
    int updates = 0;
    explicit Library(const QString &path)
    {
        connection.setConnectionString("Provider=QSQLITE;Data Source=" + path + ";");
        connection.OnValidate = [](Engine &engine) { library::validate(engine); };
        connection.OnConnect = [](Engine &engine) { library::prepare(engine); };
        table.BrowseIndex = book::BrowseIndex;
        source.setDataSet(&table);
        source.OnDataChange = [this](DataSource *, Field *) { ++dataChanges; };
        source.OnUpdateData = [this](DataSource *) {
            ++updates;
            // The derivation the program makes on every store.
            const QString wname = table.FieldByName(book::WName).AsString();
            table.FieldByName(book::Name).setAsString(wname.isEmpty() ? book::NewText : wname);
            const QString wtitle = table.FieldByName(book::WTitle).AsString();
            table.FieldByName(book::Title).setAsString(wtitle.isEmpty() ? book::NewText : wtitle);
        };
        connection.Open();
        table.Open();
    }
    QString name() const { return table.FieldByName(book::Name).AsString(); }
};

const QList<Entry> threeEntries = {
    {"Петров", "Второй", "2001"}, {"Иванов", "Первый", "1999"}, {"Сидоров", "Третий", "2005"}};

} // namespace

class TestDataSet : public QObject {
    Q_OBJECT
private slots:
    void movesAndFlags();
    void sortOrderWithCyrillic();
    void editInsertPostDeleteWithUpdateStep();
    void requiredFieldsAndFailedPost();
    void bookmarks();
    void disableEnableAndNotifications();
    void typedTextSurvivesWalkWithControlsDisabled();
    void fieldsByNameAndNull();
    void connectionRefusesWhatIsNotALibrary();
    void libraryWithoutBrowseIndex();
    void secondConnectionSeesStoredRecords();
    void queryOverSelectedKeys();
    void doubleQuotesNameColumnsOnly();
};

void TestDataSet::movesAndFlags()
{
    TempProgramFolder folder;
    Library lib(makeLibrary(folder, "m.mdb", threeEntries));
    QCOMPARE(lib.table.RecordCount(), 3);
    QCOMPARE(lib.table.RecNo(), 1);
    QVERIFY(lib.table.Bof());
    QVERIFY(!lib.table.Eof());
    QCOMPARE(lib.name(), QString("Петров")); // natural order before any sort

    int scrolls = 0;
    lib.table.AfterScroll = [&](DataSet &) { ++scrolls; };
    lib.table.Prior(); // at the first record: flag only
    QVERIFY(lib.table.Bof());
    QCOMPARE(scrolls, 0);
    lib.table.Next();
    QVERIFY(!lib.table.Bof());
    QCOMPARE(lib.table.RecNo(), 2);
    lib.table.Last();
    QVERIFY(lib.table.Eof());
    QCOMPARE(lib.table.RecNo(), 3);
    QCOMPARE(lib.name(), QString("Сидоров"));
    lib.table.Next(); // past the end: no move
    QCOMPARE(lib.table.RecNo(), 3);
    QCOMPARE(scrolls, 2);

    // A walk First ... while !Eof reads every record once.
    QStringList seen;
    lib.table.First();
    while (!lib.table.Eof()) {
        seen << lib.name();
        lib.table.Next();
    }
    QCOMPARE(seen, QStringList({"Петров", "Иванов", "Сидоров"}));

    TempProgramFolder emptyFolder;
    Library empty(makeLibrary(emptyFolder, "e.mdb", {}));
    QVERIFY(empty.table.IsEmpty());
    QVERIFY(empty.table.Bof());
    QVERIFY(empty.table.Eof());
    QCOMPARE(empty.table.RecordCount(), 0);
    empty.table.Next();
    empty.table.Last();
    QVERIFY(empty.table.Eof());
    QCOMPARE(empty.name(), QString());
}

void TestDataSet::sortOrderWithCyrillic()
{
    TempProgramFolder folder;
    const QList<Entry> entries = {{"жук", "a", "2000"},   {"ёж", "b", "2000"},
                                  {"Еж", "c", "2000"},    {"банан", "d", "1990"},
                                  {"Банан", "e", "2010"}, {"Zebra", "f", "2000"},
                                  {"apple", "g", "2000"}, {"Ёлка", "h", "2000"}};
    Library lib(makeLibrary(folder, "s.mdb", entries));
    auto names = [&] {
        QStringList out;
        lib.table.First();
        while (!lib.table.Eof()) {
            out << lib.name();
            lib.table.Next();
        }
        return out;
    };
    lib.table.setSort("Name, City, Title ASC");
    // Latin before Cyrillic, case ignored (ties by exact text, lower case first), е < ё < ж.
    QCOMPARE(names(), QStringList({"apple", "Zebra", "банан", "Банан", "Еж", "ёж", "Ёлка", "жук"}));

    lib.table.setSort(book::DefaultSort);
    QCOMPARE(names().first(), QString("банан")); // 1990 first
    QCOMPARE(names().last(), QString("Банан"));  // 2010 last

    // A re-sort keeps the current record current.
    lib.table.First();
    lib.table.Next();
    const QString current = lib.name();
    lib.table.setSort("Title, City, Name ASC");
    QCOMPARE(lib.name(), current);

    QVERIFY_THROWS_EXCEPTION(Error, lib.table.setSort("Nope, Name ASC"));
    QCOMPARE(lib.table.Sort(), QString("Title, City, Name ASC"));
}

void TestDataSet::editInsertPostDeleteWithUpdateStep()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, "e.mdb", threeEntries);
    Library lib(path);
    FakeControl author(lib.source, book::WName);
    QCOMPARE(author.shown, QString("Петров"));

    // Typing puts the record into edit state; a move stores it through the update step.
    author.type("Петров-Водкин");
    QCOMPARE(lib.table.State(), DataSetState::Edit);
    lib.table.Next();
    QCOMPARE(lib.table.State(), DataSetState::Browse);
    QCOMPARE(rowsOnDisk(path).first(), QString("Петров-Водкин|Второй|2001"));
    QCOMPARE(author.shown, QString("Иванов"));

    // Insert stores the record being edited first, then starts an empty one at the cursor.
    author.type("Иванов И.");
    lib.table.Insert();
    QCOMPARE(rowsOnDisk(path).at(1), QString("Иванов И.|Первый|1999"));
    QCOMPARE(lib.table.State(), DataSetState::Insert);
    QCOMPARE(lib.name(), QString());
    lib.table.FieldByName(book::City).setAsString("New");
    author.typed.clear();
    lib.table.Post(); // the derivation supplies "New" for the empty author and title
    QCOMPARE(lib.table.RecordCount(), 4);
    QCOMPARE(lib.table.RecNo(), 2);
    QCOMPARE(rowsOnDisk(path).last(), QString("New|New|New"));

    // Edit on a dataset with no records starts a new record.
    TempProgramFolder emptyFolder;
    const QString emptyPath = makeLibrary(emptyFolder, "x.mdb", {});
    Library empty(emptyPath);
    empty.table.Edit();
    QCOMPARE(empty.table.State(), DataSetState::Insert);
    empty.table.Post();
    QCOMPARE(rowsOnDisk(emptyPath), QStringList({"New|New|"}));

    // Delete in insert state drops the new record; otherwise it removes the current one and
    // the following record becomes current, or the new last one.
    lib.table.Insert();
    lib.table.Delete();
    QCOMPARE(lib.table.RecordCount(), 4);
    QCOMPARE(rowsOnDisk(path).size(), 4);
    lib.table.First();
    lib.table.Delete();
    QCOMPARE(lib.table.RecordCount(), 3);
    QCOMPARE(lib.name(), QString("New"));
    lib.table.Last();
    lib.table.Delete();
    QCOMPARE(lib.table.RecNo(), 2);
    QCOMPARE(lib.name(), QString("Иванов И."));
    const QStringList left = {"Иванов И.|Первый|1999", "New|New|New"};
    QCOMPARE(rowsOnDisk(path), left);

    // An edit that set nothing is dropped by a move rather than written.
    lib.source.OnUpdateData = nullptr;
    lib.table.First();
    lib.table.Edit();
    lib.table.Next();
    QCOMPARE(lib.table.State(), DataSetState::Browse);
    QCOMPARE(rowsOnDisk(path), left);
}

void TestDataSet::requiredFieldsAndFailedPost()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, "r.mdb", threeEntries);
    Library lib(path);
    lib.source.OnUpdateData = nullptr; // no derivation: the required test must catch it
    lib.table.Insert();
    lib.table.FieldByName(book::City).setAsString("1000");
    QVERIFY_THROWS_EXCEPTION(Error, lib.table.Post());
    QCOMPARE(lib.table.State(), DataSetState::Insert); // still editing, nothing written
    QCOMPARE(rowsOnDisk(path).size(), 3);
    lib.table.FieldByName(book::Name).setAsString("A");
    lib.table.FieldByName(book::Title).setAsString("B");
    lib.table.Post();
    QCOMPARE(rowsOnDisk(path).last(), QString("A|B|1000"));

    // A write refused by the file leaves the record in edit state with its text.
    lib.table.Edit();
    lib.table.FieldByName(book::Name).setAsString("changed");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "trigger");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Books BEGIN "
                       "SELECT RAISE(ABORT, 'refused'); END"));
    }
    QSqlDatabase::removeDatabase("trigger");
    QVERIFY_THROWS_EXCEPTION(Error, lib.table.Post());
    QCOMPARE(lib.table.State(), DataSetState::Edit);
    QCOMPARE(lib.name(), QString("changed"));
    lib.table.Cancel();
    QCOMPARE(lib.name(), QString("A"));
}

void TestDataSet::bookmarks()
{
    TempProgramFolder folder;
    Library lib(makeLibrary(folder, "b.mdb", threeEntries));
    lib.table.Next();
    Bookmark mark = lib.table.GetBookmark();
    QVERIFY(lib.table.BookmarkValid(mark));
    lib.table.Last();
    lib.table.setSort("Name, City, Title ASC"); // bookmarks survive a re-sort
    lib.table.First();
    lib.table.GotoBookmark(mark);
    QCOMPARE(lib.name(), QString("Иванов"));
    Bookmark copy = mark;
    lib.table.FreeBookmark(mark);
    QVERIFY(!mark.isValid());
    QVERIFY_THROWS_EXCEPTION(Error, lib.table.GotoBookmark(copy)); // freed: unusable

    // The bookmarked record deleted: going to it leaves the cursor where it is.
    Bookmark doomed = lib.table.GetBookmark();
    lib.table.Delete();
    lib.table.Last();
    const QString before = lib.name();
    lib.table.GotoBookmark(doomed);
    QCOMPARE(lib.name(), before);
    lib.table.FreeBookmark(doomed);
}

void TestDataSet::disableEnableAndNotifications()
{
    TempProgramFolder folder;
    Library lib(makeLibrary(folder, "n.mdb", threeEntries));
    FakeControl author(lib.source, book::WName);
    lib.dataChanges = 0;
    author.reloads = 0;

    lib.table.Next();
    QCOMPARE(lib.dataChanges, 1);
    QCOMPARE(author.reloads, 1);

    int scrolls = 0;
    lib.table.AfterScroll = [&](DataSet &) { ++scrolls; };
    lib.table.DisableControls();
    lib.table.DisableControls();
    lib.table.First();
    lib.table.Last();
    QCOMPARE(scrolls, 2); // after-scroll still runs while disabled
    lib.table.EnableControls();
    QCOMPARE(lib.dataChanges, 1); // still disabled once
    QCOMPARE(author.shown, QString("Иванов"));
    lib.table.EnableControls();
    QCOMPARE(lib.dataChanges, 2); // one notification for the record now current
    QCOMPARE(author.shown, QString("Сидоров"));

    // A field set by the program reaches its control and the handler, with the field.
    Field *changed = nullptr;
    lib.source.OnDataChange = [&](DataSource *, Field *f) { changed = f; };
    lib.table.Edit();
    lib.table.FieldByName(book::WName).setAsString("set by program");
    QCOMPARE(changed, &lib.table.FieldByName(book::WName));
    QCOMPARE(author.shown, QString("set by program"));

    // Detaching the handler at run time stops it; the controls still follow.
    lib.source.OnDataChange = nullptr;
    lib.table.Post();
    QCOMPARE(author.shown, QString("set by program"));
}

void TestDataSet::typedTextSurvivesWalkWithControlsDisabled()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, "w.mdb", threeEntries);
    Library lib(path);
    FakeControl author(lib.source, book::WName);
    author.type("typed, not yet stored");
    lib.table.DisableControls(); // stored here, as a move would store it
    QCOMPARE(lib.updates, 1);
    lib.table.First();
    while (!lib.table.Eof())
        lib.table.Next();
    lib.table.EnableControls();
    QCOMPARE(rowsOnDisk(path).first(), QString("typed, not yet stored|Второй|2001"));
}

void TestDataSet::fieldsByNameAndNull()
{
    TempProgramFolder folder;
    Library lib(makeLibrary(folder, "f.mdb", threeEntries));
    QVERIFY_THROWS_EXCEPTION(Error, lib.table.FieldByName("Publisher"));
    QCOMPARE(lib.table.FieldByName("name").FieldName(), QString("Name")); // names ignore case
    Field &pages = lib.table.FieldByName(book::Pages);
    QVERIFY(pages.IsNull());
    QCOMPARE(pages.AsString(), QString());
    QVERIFY_THROWS_EXCEPTION(Error, pages.setAsString("x")); // not editing
    lib.table.Edit();
    pages.setAsString(QString(""));
    lib.table.Post();
    QVERIFY(!pages.IsNull()); // an empty text is a value
    QCOMPARE(pages.AsString(), QString());
}

void TestDataSet::connectionRefusesWhatIsNotALibrary()
{
    TempProgramFolder folder;
    Connection c;
    c.OnValidate = [](Engine &engine) { library::validate(engine); };
    c.OnConnect = [](Engine &engine) { library::prepare(engine); };
    c.setConnectionString("Provider=QSQLITE;Data Source=" + folder.file("DBase/missing.mdb") + ";");
    QVERIFY_THROWS_EXCEPTION(Error, c.Open());
    QVERIFY(!QFile::exists(folder.file("DBase/missing.mdb"))); // never created by opening

    QFile text(folder.file("DBase/text.mdb"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("This is not a database at all, just some words.\n");
    text.close();
    c.setConnectionString("Data Source=" + folder.file("DBase/text.mdb"));
    QVERIFY_THROWS_EXCEPTION(Error, c.Open());
    QVERIFY(!c.Connected());
    QFile check(folder.file("DBase/text.mdb"));
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("This is not a database at all, just some words.\n"));

    const QString other = folder.file("DBase/other.mdb");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName(other);
        db.open();
        QSqlQuery("CREATE TABLE Notes (x TEXT)", db);
        QSqlQuery("CREATE TABLE Books (Name TEXT, Title TEXT)", db); // too few fields
    }
    QSqlDatabase::removeDatabase("other");
    c.setConnectionString("Data Source=" + other);
    QVERIFY_THROWS_EXCEPTION(Error, c.Open());

    c.setConnectionString("Data Source=" + makeLibrary(folder, "ok.mdb", threeEntries));
    c.Open();
    QVERIFY(c.Connected());
    c.Open(); // already open: nothing happens
    Table t(c, book::TableName, book::fieldDefs(), book::Key);
    t.Open();
    c.Close();
    QVERIFY(!t.Active()); // closing the connection closes its datasets
    QVERIFY_THROWS_EXCEPTION(Error, t.Next());
}

void TestDataSet::libraryWithoutBrowseIndex()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, "i.mdb", threeEntries);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "drop");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery("DROP INDEX BooksBrowse", db);
    }
    QSqlDatabase::removeDatabase("drop");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    {
        Library readOnly(path); // cannot add the index: reads the table itself
        readOnly.table.setSort("Name, City, Title ASC");
        QCOMPARE(readOnly.name(), QString("Петров"));
        readOnly.table.First();
        QCOMPARE(readOnly.name(), QString("Иванов"));
        QCOMPARE(readOnly.table.FieldByName(book::WName).AsString(), QString("Иванов"));
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    Library writable(path);
    const auto q = writable.connection.engine().prepare(
        "SELECT count(*) FROM sqlite_master WHERE name='BooksBrowse'");
    QVERIFY(q && q->exec() && q->next());
    QCOMPARE(q->value(0).toInt(), 1);
}

void TestDataSet::secondConnectionSeesStoredRecords()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, "c.mdb", threeEntries);
    Library first(path);
    Library second(path);
    first.table.Edit();
    first.table.FieldByName(book::WName).setAsString("from the first");
    first.table.Post();
    second.table.Edit();
    second.table.FieldByName(book::WName).setAsString("from the second");
    second.table.Next(); // a move stores it while the first still holds the file open
    second.table.Refresh();
    QCOMPARE(rowsOnDisk(path).first(), QString("from the second|Второй|2001"));
    first.table.Refresh();
    QCOMPARE(first.name(), QString("from the second"));
}

void TestDataSet::queryOverSelectedKeys()
{
    TempProgramFolder folder;
    Library lib(makeLibrary(folder, "q.mdb", threeEntries));
    Query query(lib.connection, book::TableName, book::fieldDefs(), book::Key);
    query.SQL << "select * from Books"
              << "where City < ?";
    query.Parameters << QString("2002");
    query.setSort("Name, City, Title ASC");
    query.Open();
    QCOMPARE(query.RecordCount(), 2);
    QCOMPARE(query.FieldByName(book::Name).AsString(), QString("Иванов"));
    query.Next();
    QCOMPARE(query.FieldByName(book::Name).AsString(), QString("Петров"));
    QVERIFY(query.FieldByName(book::Key).Value().toLongLong() > 0);
}

void TestDataSet::doubleQuotesNameColumnsOnly()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, "dq.mdb", threeEntries);
    Library lib(path);
    // A double-quoted text is a column name, never a string: the engine's fallback would
    // select every entry's text "%ов%" instead of raising the error.
    Query query(lib.connection, book::TableName, book::fieldDefs(), book::Key);
    query.SQL << "select * from Books where Name like \"%ов%\"";
    QVERIFY_THROWS_EXCEPTION(Error, query.Open());
    QVERIFY(!query.Active());
    // Quotes, apostrophes and semicolons in a bound value are plain characters.
    query.SQL = QStringList{"select * from Books where Name like ? or Title = ?"};
    query.Parameters = {QString("%ан%"), QString("\"; DROP TABLE Books; --'")};
    query.Open();
    QCOMPARE(query.RecordCount(), 1);
    QCOMPARE(query.FieldByName(book::Name).AsString(), QString("Иванов"));
    query.Close();

    // Another program renames the year column under the open table: ordering by it again is
    // an error, not an order by the constant text "City", and the order stays as it was.
    lib.table.setSort(book::DefaultSort);
    execOn(path, {"ALTER TABLE Books RENAME COLUMN City TO Gone"});
    QVERIFY_THROWS_EXCEPTION(Error, lib.table.setSort("City, Title ASC"));
    QCOMPARE(lib.table.Sort(), book::DefaultSort);
    QCOMPARE(storedRows(path, "Name").size(), 3);
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "test_dataset.moc"
