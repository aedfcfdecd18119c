// The text list and HTML page written from a dataset: exact bytes, numbering, line breaks,
// escaping and character references, the walk's effect on the dataset, and failing writes.
#include "FailDevice.h"
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "db/DataSource.h"
#include "export/AnsiEncoder.h"
#include "export/ListExport.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QBuffer>
#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>
#include <functional>

namespace {

struct Row {
    QString name;
    QString title;
    QString publisher;
    QString city;
};

// Rows in the table's default order when the cities rise.
QString makeLibrary(const TempProgramFolder &folder, const QList<Row> &rows)
{
    const QString path = library::folder(folder.path()) + "export.mdb";
    library::create(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rows");
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.prepare("INSERT INTO Books (Name, Title, City, WName, WTitle, WPublisher) "
                  "VALUES (?,?,?,?,?,?)");
        for (const Row &r : rows) {
            for (const QString &v : {r.name, r.title, r.city, r.name, r.title, r.publisher})
                q.addBindValue(v);
            if (!q.exec())
                qWarning() << q.lastError().text();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase("rows");
    return path;
}

struct Module {
    TDataModule1 dm;
    explicit Module(const QString &path)
    {
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.setSort(book::DefaultSort);
        dm.ADOTable.Open();
    }
};

QByteArray cp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QList<Row> numbered(int count)
{
    QList<Row> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({QStringLiteral("Автор %1").arg(i), QStringLiteral("T%1").arg(i),
                     QStringLiteral("P%1").arg(i), QString::number(1000 + i)});
    return rows;
}

QByteArray exported(ListExport::Format format, bool selection, quil::DataSet &data,
                    ListExport::Result *result = nullptr)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const ListExport::Result r = ListExport(format, selection).write(data, buffer);
    if (result)
        *result = r;
    return buffer.data();
}

const QString HtmlHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\r\n"
    "<HTML lang=\"ru\">\r\n"
    "<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
    "<title>%1</title>\r\n"
    "</head>\r\n"
    "<BODY TEXT=\"#000000\" BGCOLOR=\"#FFFFFF\" LINK=\"#FF0000\" VLINK=\"#800080\" "
    "ALINK=\"#0000FF\">\r\n";

} // namespace

Q_DECLARE_METATYPE(Row)

class TestExportFiles : public QObject {
    Q_OBJECT
private slots:
    void textFile_data();
    void textFile();
    void htmlFile_data();
    void htmlFile();
    void unencodableCharacters_data();
    void unencodableCharacters();
    void selectionIsWrittenInItsOrder();
    void manyRowsInTableOrder();
    void walkSuspendsDisplayAndEndsOnFirstRow();
    void saveRequest_data();
    void saveRequest();
    void failedWritesLeaveNothing();
    void deviceFillingUpMidway();
    void utf8FieldsAsDecodedText_data();
    void utf8FieldsAsDecodedText();
};

void TestExportFiles::textFile_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QString>("expected");
    const QString whole = "QUIL 3.02 - Запись всей информации из БД\r\n";
    QTest::newRow("empty table: header only") << QList<Row>() << whole;
    QTest::newRow("one entry") << QList<Row>{{"Ландау Л.Д.", "Механика", "М.: Наука", "1988"}}
                               << whole + "1. Ландау Л.Д. Механика М.: Наука\r\n";
    QString ten = whole;
    for (int i = 1; i <= 10; ++i)
        ten += QStringLiteral("%1. Автор %1 T%1 P%1\r\n").arg(i);
    QTest::newRow("numbers 1 to 10, no padding") << numbered(10) << ten;
    QTest::newRow("two-line author: number before the first line only")
        << QList<Row>{{"Иванов И.\r\nПетров П.", "Т", "П", "1"}, {"Б", "", "", "2"}}
        << whole + "1. Иванов И.\r\nПетров П. Т П\r\n2. Б  \r\n";
    QTest::newRow("lone LF and CR become CR LF")
        << QList<Row>{{"a\nb", "c\rd", "e\r\n", "1"}} << whole + "1. a\r\nb c\r\nd e\r\n\r\n";
    QTest::newRow("line and paragraph separators become CR LF")
        << QList<Row>{{QString("a") + QChar::LineSeparator + "b",
                       QString("c") + QChar::ParagraphSeparator, "", "1"}}
        << whole + "1. a\r\nb c\r\n \r\n";
    QTest::newRow("empty parts keep their blanks")
        << QList<Row>{{"", "", "", "1"}} << whole + "1.   \r\n";
    QTest::newRow("markup is plain text here")
        << QList<Row>{{"<b>", "&amp;", "\"q\"", "1"}} << whole + "1. <b> &amp; \"q\"\r\n";
}

void TestExportFiles::textFile()
{
    QFETCH(QList<Row>, rows);
    QFETCH(QString, expected);
    TempProgramFolder folder;
    Module m(makeLibrary(folder, rows));
    ListExport::Result result;
    const QByteArray bytes = exported(ListExport::Format::Text, false, m.dm.ADOTable, &result);
    QCOMPARE(bytes, cp1251(expected));
    QCOMPARE(result.rows, int(rows.size()));
    QCOMPARE(result.replaced, 0);
    QCOMPARE(result.error, QString());
}

void TestExportFiles::htmlFile_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<bool>("selection");
    QTest::addColumn<QString>("expected");
    const QString whole = HtmlHead.arg("QUIL 3.02 - Запись всей информации из БД");
    QTest::newRow("empty table") << QList<Row>() << false << whole + "</HTML>\r\n";
    QTest::newRow("empty selection")
        << QList<Row>() << true << HtmlHead.arg("QUIL 3.02 - Запись выборки из БД") + "</HTML>\r\n";
    QTest::newRow("two entries, no numbers")
        << QList<Row>{{"Гинзбург В.Л.", "О сверхпроводимости", "УФН", "1997"},
                      {"Kittel C.", "Solid State", "Wiley", "2005"}}
        << false
        << whole + "Гинзбург В.Л. О сверхпроводимости УФН\r\n<BR><BR>\r\n"
                   "Kittel C. Solid State Wiley\r\n<BR><BR>\r\n</HTML>\r\n";
    QTest::newRow("markup and script shown as text")
        << QList<Row>{{"<b>Bold", "<script>alert(\"x\")</script>", "A & B > C", "1"}} << false
        << whole + "&lt;b&gt;Bold &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; "
                   "A &amp; B &gt; C\r\n<BR><BR>\r\n</HTML>\r\n";
    QTest::newRow("an entity already in a field is escaped once")
        << QList<Row>{{"&amp;", "", "", "1"}} << false
        << whole + "&amp;amp;  \r\n<BR><BR>\r\n</HTML>\r\n";
    QTest::newRow("two-line title") << QList<Row>{{"A", "x\r\ny", "P", "1"}} << false
                                    << whole + "A x\r\ny P\r\n<BR><BR>\r\n</HTML>\r\n";
}

void TestExportFiles::htmlFile()
{
    QFETCH(QList<Row>, rows);
    QFETCH(bool, selection);
    QFETCH(QString, expected);
    TempProgramFolder folder;
    Module m(makeLibrary(folder, rows));
    const QByteArray bytes = exported(ListExport::Format::Html, selection, m.dm.ADOTable);
    QCOMPARE(bytes, cp1251(expected));
}

void TestExportFiles::unencodableCharacters_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("replaced");
    const int text = int(ListExport::Format::Text);
    const int html = int(ListExport::Format::Html);
    QTest::newRow("text: Greek letter") << text << "α-распад" << cp1251("?-распад") << 1;
    QTest::newRow("text: a question mark of its own is not counted")
        << text << "Why? β" << QByteArray("Why? ?") << 1;
    QTest::newRow("text: a sign outside the BMP is one character")
        << text << "x😀y" << QByteArray("x?y") << 1;
    QTest::newRow("text: Windows-1251 signs kept") << text << "№ «» — €" << cp1251("№ «» — €") << 0;
    QTest::newRow("text: a SUB control of its own is kept")
        << text << QString("a") + QChar(0x1A) + "b"
        << QByteArray("a\x1A"
                      "b")
        << 0;
    QTest::newRow("text: replacements among Cyrillic")
        << text << "αя β" + QString(300, QChar(0x0436)) + "γ"
        << QByteArray("?") + cp1251("я ") + "?" + cp1251(QString(300, QChar(0x0436))) + "?" << 3;
    QTest::newRow("html: Greek letter as a reference")
        << html << "α-распад" << QByteArray("&#945;-") + cp1251("распад") << 1;
    QTest::newRow("html: outside the BMP") << html << "😀" << QByteArray("&#128512;") << 1;
    QTest::newRow("html: several") << html << "≤ ∞ ħ" << QByteArray("&#8804; &#8734; &#295;") << 3;
    QTest::newRow("html: references and entities side by side")
        << html << "α<β>&γ\"" << QByteArray("&#945;&lt;&#946;&gt;&amp;&#947;&quot;") << 3;
}

void TestExportFiles::unencodableCharacters()
{
    QFETCH(int, format);
    QFETCH(QString, title);
    QFETCH(QByteArray, written);
    QFETCH(int, replaced);
    TempProgramFolder folder;
    Module m(makeLibrary(folder, {{"A", title, "P", "1"}}));
    ListExport::Result result;
    const QByteArray bytes = exported(ListExport::Format(format), false, m.dm.ADOTable, &result);
    const QList<QByteArray> lines = bytes.split('\n');
    const int row = format == int(ListExport::Format::Text) ? 1 : 7;
    QCOMPARE(lines.value(row),
             (format == int(ListExport::Format::Text) ? "1. A " : "A ") + written + " P\r");
    QCOMPARE(result.replaced, replaced);
}

void TestExportFiles::selectionIsWrittenInItsOrder()
{
    TempProgramFolder folder;
    Module m(makeLibrary(folder, numbered(12)));
    quil::Query &query = m.dm.ADOQuery;
    query.SQL.clear();
    query.SQL << "SELECT * FROM Books WHERE City >= ?";
    query.Parameters = {"1009"};
    query.setSort("City, Name, Title ASC");
    query.Open();
    const QByteArray bytes = exported(ListExport::Format::Text, true, query);
    QCOMPARE(bytes, cp1251("QUIL 3.02 - Запись выборки из БД\r\n"
                           "1. Автор 9 T9 P9\r\n"
                           "2. Автор 10 T10 P10\r\n"
                           "3. Автор 11 T11 P11\r\n"
                           "4. Автор 12 T12 P12\r\n"));
}

// More rows than one read brings, in an order unlike the order of their keys, one of them
// deleted by another program after the dataset was opened: the whole table and a selection
// that holds most of the keys between its first and last (read in one pass over the table),
// and a selection of every tenth entry (read by key).
void TestExportFiles::manyRowsInTableOrder()
{
    TempProgramFolder folder;
    const int count = 700;
    QList<Row> rows;
    for (int i = 0; i < count; ++i) // later entries sort first; entry i has key i + 1
        rows.append({QStringLiteral("Автор %1").arg(i), QStringLiteral("T%1").arg(i),
                     QStringLiteral("P%1").arg(i), QString::number(9000 - i)});
    const QString path = makeLibrary(folder, rows);
    Module m(path);
    execOn(path, {"DELETE FROM Books WHERE WName = 'Автор 300'"});

    enum Written { Table, DenseSelection, SparseSelection };
    QList<int> deletedBeforeOpening;
    int gone = 300; // the entry deleted since the dataset being written was opened
    for (const Written written : {Table, DenseSelection, SparseSelection}) {
        quil::DataSet *data = &m.dm.ADOTable;
        std::function<bool(int)> holds = [](int) { return true; };
        if (written != Table) {
            quil::Query &query = m.dm.ADOQuery;
            query.Close();
            query.SQL.clear();
            if (written == DenseSelection) {
                query.SQL << "SELECT * FROM Books WHERE City < ?";
                query.Parameters = {"8500"}; // entries 501 to 699
                holds = [](int i) { return i >= 501; };
            } else {
                query.SQL << "SELECT * FROM Books WHERE key % 10 = 1";
                query.Parameters = {};
                holds = [](int i) { return i % 10 == 0; };
            }
            query.setSort("City, Name, Title ASC");
            query.Open();
            data = &query;
            deletedBeforeOpening.append(gone);
            gone = written == DenseSelection ? 600 : 310;
            execOn(path, {QStringLiteral("DELETE FROM Books WHERE WName = 'Автор %1'").arg(gone)});
        }
        const bool selection = written != Table;
        QString expected = selection ? "QUIL 3.02 - Запись выборки из БД\r\n"
                                     : "QUIL 3.02 - Запись всей информации из БД\r\n";
        int number = 0;
        for (int i = count - 1; i >= 0; --i) {
            if (!holds(i) || deletedBeforeOpening.contains(i))
                continue;
            expected += i == gone ? QStringLiteral("%1.   \r\n").arg(++number)
                                  : QStringLiteral("%1. Автор %2 T%2 P%2\r\n").arg(++number).arg(i);
        }
        ListExport::Result result;
        const QByteArray bytes = exported(ListExport::Format::Text, selection, *data, &result);
        QCOMPARE(bytes, cp1251(expected));
        QCOMPARE(result.rows, number);
        QCOMPARE(data->RecNo(), 1);
    }
}

void TestExportFiles::walkSuspendsDisplayAndEndsOnFirstRow()
{
    TempProgramFolder folder;
    Module m(makeLibrary(folder, numbered(5)));
    quil::Table &table = m.dm.ADOTable;
    table.Last();
    QList<int> changesAt;
    quil::DataSource watcher;
    watcher.setDataSet(&table);
    watcher.OnDataChange = [&](quil::DataSource *, quil::Field *) { changesAt << table.RecNo(); };
    exported(ListExport::Format::Html, false, table);
    QCOMPARE(table.RecNo(), 1);
    QCOMPARE(table.ControlsDisabled(), false);
    // Nothing is shown during the walk; the display hears of the first row once at the end.
    QCOMPARE(changesAt, QList<int>{1});
}

void TestExportFiles::saveRequest_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("selection");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("suffix");
    const int text = int(ListExport::Format::Text);
    const int html = int(ListExport::Format::Html);
    QTest::newRow("text, selection") << text << true << "Запись выборки в TXT файл"
                                     << "File Result (*.txt)|*.TXT"
                                     << "txt";
    QTest::newRow("text, whole") << text << false << "Запись всей информации в TXT файл"
                                 << "File Result (*.txt)|*.TXT"
                                 << "txt";
    QTest::newRow("html, selection") << html << true << "Запись выборки в HTML файл"
                                     << "File Result (*.html)|*.html"
                                     << "html";
    QTest::newRow("html, whole") << html << false << "Запись всей информации в HTML файл"
                                 << "File Result (*.html)|*.html"
                                 << "html";
}

void TestExportFiles::saveRequest()
{
    QFETCH(int, format);
    QFETCH(bool, selection);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QString, suffix);
    const quil::Dialogs::FileRequest request =
        ListExport(ListExport::Format(format), selection).saveRequest("/prog/");
    QCOMPARE(request.title, title);
    QCOMPARE(request.filter, filter);
    QCOMPARE(request.defaultSuffix, suffix);
    QCOMPARE(request.initialFolder, QString("/prog/Result"));
    QCOMPARE(request.fileName, QString());
    QCOMPARE(request.confirmOverwrite, true);
}

void TestExportFiles::failedWritesLeaveNothing()
{
    TempProgramFolder folder;
    Module m(makeLibrary(folder, numbered(3)));
    const ListExport text(ListExport::Format::Text, false);

    // A device that refuses every byte: its reason comes back, and the walk still ends on row 1.
    FailDevice full(0);
    m.dm.ADOTable.Last();
    QCOMPARE(text.write(m.dm.ADOTable, full).error, QString("No space left on device"));
    QCOMPARE(m.dm.ADOTable.RecNo(), 1);

    // A folder that does not exist: nothing is created, and the table ends on its first row
    // all the same.
    const QString missing = folder.file("Nowhere/list.txt");
    m.dm.ADOTable.Last();
    QCOMPARE(text.write(m.dm.ADOTable, missing).error, "Cannot create file " + missing);
    QVERIFY(!QFileInfo::exists(folder.file("Nowhere")));
    QCOMPARE(m.dm.ADOTable.RecNo(), 1);
    QCOMPARE(m.dm.ADOTable.ControlsDisabled(), false);

    // An old file whose temporary neighbour cannot be made stays whole, and no part is left.
    const QString longName = folder.file(QString(250, 'n'));
    writeBytes(longName, "old content");
    QCOMPARE(text.write(m.dm.ADOTable, longName).error, "Cannot create file " + longName);
    QCOMPARE(readBytes(longName), QByteArray("old content"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QString(250, 'n')});

    // The same file written properly replaces the old content at once.
    const QString good = folder.file("list.txt");
    writeBytes(good, "old content");
    QCOMPARE(text.write(m.dm.ADOTable, good).error, QString());
    QCOMPARE(readBytes(good),
             cp1251("QUIL 3.02 - Запись всей информации из БД\r\n"
                    "1. Автор 1 T1 P1\r\n2. Автор 2 T2 P2\r\n3. Автор 3 T3 P3\r\n"));
}

// A file of several pieces on a device that fills up after the first: the error comes back,
// nothing after the failed piece is written, and the table is on its first row again.
void TestExportFiles::deviceFillingUpMidway()
{
    TempProgramFolder folder;
    QList<Row> rows;
    const QString title(400, QChar(0x0416));
    for (int i = 1; i <= 2000; ++i)
        rows.append({QStringLiteral("A%1").arg(i), title, "P", QString::number(1000 + i)});
    Module m(makeLibrary(folder, rows));
    const ListExport text(ListExport::Format::Text, false);

    QBuffer whole;
    whole.open(QIODevice::WriteOnly);
    QVERIFY(text.write(m.dm.ADOTable, whole).ok());
    const qint64 room = whole.size() / 2;

    FailDevice filling(room);
    m.dm.ADOTable.Last();
    const ListExport::Result result = text.write(m.dm.ADOTable, filling);
    QCOMPARE(result.error, QString("No space left on device"));
    QVERIFY2(!filling.taken.isEmpty() && filling.taken.size() <= room,
             qPrintable(QString::number(filling.taken.size())));
    QVERIFY(whole.data().startsWith(filling.taken));
    QVERIFY(result.rows < 2000);
    QCOMPARE(m.dm.ADOTable.RecNo(), 1);
    QCOMPARE(m.dm.ADOTable.ControlsDisabled(), false);
}

void TestExportFiles::utf8FieldsAsDecodedText_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("Cyrillic and Latin") << QByteArray("Ёлкин А.Б., Smith J. — «Наука»");
    QTest::newRow("line breaks") << QByteArray("a\r\nb\rc\nd\r\r\n\xe2\x80\xa8"
                                               "e\xe2\x80\xa9");
    QTest::newRow("markup") << QByteArray("<b>\"a\" & 'b'</b>");
    QTest::newRow("not in the code page") << QByteArray("αβγ Müller 中 \xf0\x9f\x98\x80 end");
    QTest::newRow("ends inside a character") << QByteArray("ab\xd0");
    QTest::newRow("stray continuation byte") << QByteArray("a\x80"
                                                           "b\xbf");
    QTest::newRow("overlong") << QByteArray("a\xc0\xaf"
                                            "b\xe0\x80\xaf"
                                            "c");
    QTest::newRow("encoded surrogate") << QByteArray("a\xed\xa0\x80"
                                                     "b");
    QTest::newRow("byte-order mark first") << QByteArray("\xef\xbb\xbf"
                                                         "a");
    QTest::newRow("byte-order mark inside") << QByteArray("a\xef\xbb\xbf"
                                                          "b");
    QTest::newRow("non-characters") << QByteArray("\xef\xbf\xbe\xef\xb7\x90\xf4\x8f\xbf\xbf");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80\xf8\x88\x80\x80\x80");
    QTest::newRow("NUL and controls") << QByteArray("a\0b\x01\x1a", 5);
}

// A pass over the table encodes the engine's UTF-8 directly: the same bytes and the same count
// of replacements as the text decoded first, in both files.
void TestExportFiles::utf8FieldsAsDecodedText()
{
    QFETCH(QByteArray, utf8);
    for (const bool html : {false, true}) {
        const auto policy = html ? AnsiEncoder::Unencodable::CharacterReference
                                 : AnsiEncoder::Unencodable::QuestionMark;
        AnsiEncoder direct(policy);
        AnsiEncoder decoded(policy);
        QByteArray fromUtf8 = "x";
        QByteArray fromText = "x";
        direct.appendFieldUtf8(fromUtf8, utf8, html);
        decoded.appendField(fromText, QString::fromUtf8(utf8), html);
        QCOMPARE(fromUtf8, fromText);
        QCOMPARE(direct.replaced(), decoded.replaced());
    }
}

QTEST_GUILESS_MAIN(TestExportFiles)
#include "test_export_files.moc"
