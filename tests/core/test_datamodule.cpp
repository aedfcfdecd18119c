// The data module's handlers: display-text shortening, the Name/Title derivation, status
// panels, the selection following the right entry, and the stored bookmark.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "platform/Error.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

// What the data module told a window.
struct RecordingView {
    QString panels[3] = {"Номер книги", "Информация", "Выборка"};
    int resets = 0;
    bool bookmarkStored = false;
};

// A library whose rows are (WName, WTitle, City); Name and Title are copies.
QString makeLibrary(const TempProgramFolder &folder, const QList<QStringList> &rows)
{
    const QString path = library::folder(folder.path()) + "dm.mdb";
    library::create(path);
    QList<Entry> entries;
    for (const QStringList &r : rows)
        entries.append({r[0], r[1], r[2]});
    execOn(path, {}, entries);
    return path;
}

QString storedName(const QString &path, qint64 key)
{
    QString name;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "read");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.prepare("SELECT Name || '|' || Title FROM Books WHERE key = ?");
        q.addBindValue(key);
        q.exec();
        if (q.next())
            name = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase("read");
    return name;
}

struct Module {
    TDataModule1 dm;
    RecordingView view;
    explicit Module(const QString &path)
    {
        QObject::connect(&dm, &TDataModule1::statusChanged,
                         [this](int panel, const QString &text) { view.panels[panel] = text; });
        QObject::connect(&dm, &TDataModule1::bookmarkStoredChanged,
                         [this](bool stored) { view.bookmarkStored = stored; });
        QObject::connect(&dm, &TDataModule1::currentRecordChanged, [this] { ++view.resets; });
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
    }
};

} // namespace

class TestDataModule : public QObject {
    Q_OBJECT
private slots:
    void displayTextIsShortened_data();
    void displayTextIsShortened();
    void derivationOnPost();
    void statusPanels();
    void selectionFollowsTheRightEntry();
    void bookmarkTakeAndReturn();
};

void TestDataModule::displayTextIsShortened_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<QString>("shownTitle");
    const QString n40 = QString(40, QChar(u'Ж'));
    const QString t55 = QString(55, QChar(u't'));
    QTest::newRow("at the limits") << n40 << t55 << n40 << t55;
    QTest::newRow("one past") << n40 + "Z" << t55 + "Z" << n40 + " ..." << t55 + " ...";
    QTest::newRow("short") << "Ли"
                           << "О"
                           << "Ли"
                           << "О";
    // One line: each break shows as one blank, counted as one character.
    QTest::newRow("CR LF at the limit") << QString(39, 'a') + "\r\nb"
                                        << "x\ny" << QString(39, 'a') + "  ..."
                                        << "x y";
    // Only the head of a value is made one line: the cut must still fall where it would.
    const QString crlf = QStringLiteral("\r\n");
    QTest::newRow("breaks up to the limits")
        << crlf.repeated(40) << crlf.repeated(55) << QString(40, ' ') << QString(55, ' ');
    QTest::newRow("breaks one past the limits")
        << crlf.repeated(41) + "z" << crlf.repeated(56) << QString(40, ' ') + " ..."
        << QString(55, ' ') + " ...";
    QTest::newRow("a megabyte without blanks")
        << QString(1 << 20, 'm') << QString(1 << 20, 'n') << QString(40, 'm') + " ..."
        << QString(55, 'n') + " ...";
    QTest::newRow("lone CR and LF") << "a\rb\nc"
                                    << "t\r\n\r\nu"
                                    << "a b c"
                                    << "t  u";
}

void TestDataModule::displayTextIsShortened()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, shownName);
    QFETCH(QString, shownTitle);
    TempProgramFolder folder;
    Module m(makeLibrary(folder, {{"first", "first", "1000"}, {name, title, "2000"}}));
    m.dm.ADOTable.setSort(book::DefaultSort);
    // The grid asks for rows other than the current one; the hook must read that row.
    QCOMPARE(m.dm.ADOTable.displayTextAt(1, *m.dm.ADOTableName), shownName);
    QCOMPARE(m.dm.ADOTable.displayTextAt(1, *m.dm.ADOTableTitle), shownTitle);
    m.dm.ADOTable.Last();
    QCOMPARE(m.dm.ADOTableName->DisplayText(), shownName);
    QCOMPARE(m.dm.ADOTableTitle->DisplayText(), shownTitle);
    QCOMPARE(m.dm.ADOTableName->AsString(), name);                      // the value itself is whole
    QCOMPARE(m.dm.ShortFieldText(*m.dm.ADOTableYear, true), QString()); // null
}

void TestDataModule::derivationOnPost()
{
    TempProgramFolder folder;
    const QString path = makeLibrary(folder, {{"Автор", "Название", "2000"}});
    Module m(path);
    const qint64 key = m.dm.ADOTablekey->Value().toLongLong();
    m.dm.ADOTable.Edit();
    m.dm.ADOTableWName->setAsString("Первый автор\r\nВторой автор");
    m.dm.ADOTableWTitle->setAsString(QString());
    m.dm.ADOTable.Post();
    QCOMPARE(storedName(path, key), QString("Первый автор\r\nВторой автор|New"));
    // Name and Title longer than 255 characters are kept whole.
    m.dm.ADOTable.Edit();
    m.dm.ADOTableWTitle->setAsString(QString(300, 'x'));
    m.dm.ADOTable.Post();
    QCOMPARE(storedName(path, key).size(), QString("Первый автор\r\nВторой автор|").size() + 300);
}

void TestDataModule::statusPanels()
{
    TempProgramFolder folder;
    const QString longName = QString(300, QChar(u'Щ'));
    Module m(makeLibrary(folder, {{"Б", "Второй", "2001"}, {longName, "Первый", "1999"}}));
    m.dm.ADOTable.setSort(book::DefaultSort);
    QCOMPARE(m.view.panels[0], QString("2 из 2")); // the sort keeps the record current
    m.dm.ADOTable.First();
    QCOMPARE(m.view.panels[0], QString("1 из 2"));
    QCOMPARE(m.view.panels[1], longName + "    Первый"); // whole values, four spaces
    m.dm.ADOTable.Next();
    QCOMPARE(m.view.panels[0], QString("2 из 2"));
    QCOMPARE(m.view.panels[1], QString("Б    Второй"));
    // Authors and titles of several lines show as one line.
    m.dm.ADOTable.Edit();
    m.dm.ADOTableWName->setAsString("Первый\r\nВторой");
    m.dm.ADOTableWTitle->setAsString("Том 1\nТом 2");
    m.dm.ADOTable.Post();
    QCOMPARE(m.view.panels[1], QString("Первый Второй    Том 1 Том 2"));
    QVERIFY(m.view.resets > 0);

    m.dm.ADOTable.Delete();
    m.dm.ADOTable.Delete();
    QCOMPARE(m.view.panels[0], QString("Нет записей"));
    QCOMPARE(m.view.panels[1], longName + "    Первый"); // left as it was
    QCOMPARE(m.view.panels[2], QString("Выборка"));      // the query never reported

    // Detached, the handler writes nothing.
    m.dm.detachDataChange();
    m.dm.ADOTable.Edit();
    m.dm.ADOTable.Post();
    QCOMPARE(m.view.panels[0], QString("Нет записей"));
    m.dm.attachDataChange();
    m.dm.ADOTable.Refresh();
    QCOMPARE(m.view.panels[0], QString("1 из 1"));
}

void TestDataModule::selectionFollowsTheRightEntry()
{
    TempProgramFolder folder;
    // The second entry's author and title occur inside the first one's; an empty title too.
    const QString path =
        makeLibrary(folder, {{"Иванов И.И., Петров П.П.", "Теория поля и частиц", "1990"},
                             {"Петров П.П.", "Теория поля", "2000"},
                             {"Сидоров", "", "2010"}});
    Module m(path);
    m.dm.ADOTable.setSort(book::DefaultSort);
    m.dm.ADOQuery.SQL.clear();
    m.dm.ADOQuery.SQL << "select * from Books"
                      << "where City >= ?";
    m.dm.ADOQuery.Parameters << QString("2000");
    m.dm.ADOQuery.setSort(book::DefaultSort);
    m.dm.ADOQuery.Open();
    QCOMPARE(m.view.panels[2], QString("1 из 2"));
    QCOMPARE(m.dm.ADOTableWName->AsString(), QString("Петров П.П."));
    QCOMPARE(m.view.panels[0], QString("2 из 3"));
    QCOMPARE(m.view.panels[1], QString("Петров П.П.    Теория поля"));
    m.dm.ADOQuery.Next();
    QCOMPARE(m.view.panels[2], QString("2 из 2"));
    QCOMPARE(m.dm.ADOTableWName->AsString(), QString("Сидоров"));
    QCOMPARE(m.view.panels[0], QString("3 из 3"));

    // Text typed into the record pane is stored, not dropped, when the selection moves.
    m.dm.ADOTable.Edit();
    m.dm.ADOTableWName->setAsString("Сидоров С.С.");
    const qint64 key = m.dm.ADOTablekey->Value().toLongLong();
    m.dm.ADOQuery.Prior();
    QCOMPARE(storedName(path, key), QString("Сидоров С.С.|New"));
    QCOMPARE(m.dm.ADOTableWName->AsString(), QString("Петров П.П."));
}

void TestDataModule::bookmarkTakeAndReturn()
{
    TempProgramFolder folder;
    Module m(makeLibrary(folder, {{"А", "1", "1"}, {"Б", "2", "2"}, {"В", "3", "3"}}));
    m.dm.ADOTable.setSort(book::DefaultSort);
    m.dm.ADOTable.Next();
    m.dm.TakeBookMark();
    QVERIFY(m.view.bookmarkStored);
    m.dm.ADOTable.Last();
    m.dm.ReturnToBookMark();
    QVERIFY(!m.view.bookmarkStored);
    QCOMPARE(m.dm.ADOTableWName->AsString(), QString("Б"));
    QVERIFY(!m.dm.bookmarkStored());

    // Reopening the library (as a new pick does) and releasing the old bookmark is harmless.
    m.dm.TakeBookMark();
    m.dm.ADOConnection.Close();
    m.dm.ADOConnection.Open();
    m.dm.ADOTable.Open();
    m.dm.releaseBookMark();
    QVERIFY(!m.view.bookmarkStored);
    QVERIFY(!m.dm.bookmarkStored());
}

QTEST_GUILESS_MAIN(TestDataModule)
#include "test_datamodule.moc"
