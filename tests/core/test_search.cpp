// Find and select without a screen: the match test's edges, the walk from the first and from
// the next entry, the selection's meaning on known rows, and the case-folding LIKE.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "db/RussianCollation.h"
#include "search/Finder.h"
#include "search/Selection.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QtTest>

namespace {

// The status bar as the data module told it.
struct RecordingView {
    QString panels[3];
};

struct Module {
    TDataModule1 dm;
    RecordingView view;
    explicit Module(const QString &path)
    {
        QObject::connect(&dm, &TDataModule1::statusChanged,
                         [this](int panel, const QString &text) { view.panels[panel] = text; });
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.setSort(book::DefaultSort);
        dm.ADOTable.Open();
    }
    QString name() const { return dm.ADOTableName->AsString(); }
};

// Name, Title, City, Location, Resume; "NULL" stores no value.
QString makeLibrary(const TempProgramFolder &folder, const QList<QStringList> &rows)
{
    const QString path = library::folder(folder.path()) + "search.mdb";
    library::create(path);
    QStringList statements;
    for (const QStringList &r : rows) {
        QStringList values;
        for (const QString &v : r)
            values << (v == "NULL" ? v : "'" + QString(v).replace("'", "''") + "'");
        statements << "INSERT INTO Books (Name, Title, City, Location, Resume) VALUES (" +
                          values.join(',') + ")";
    }
    execOn(path, statements);
    return path;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void matchTest_data();
    void matchTest();
    void like_data();
    void like();
    void findFirstAndNext();
    void findInAbstractIgnoresWrapping();
    void selection_data();
    void selection();
};

void TestSearch::matchTest_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("city");
    QTest::addColumn<bool>("matches");
    QTest::newRow("substring") << "Иванов И.И."
                               << "ванов"
                               << ""
                               << "1995" << true;
    QTest::newRow("case matters") << "Иванов"
                                  << "иванов"
                                  << ""
                                  << "" << false;
    QTest::newRow("ё is not е") << "Ёлкин"
                                << "Елкин"
                                << ""
                                << "" << false;
    QTest::newRow("leading blank absent") << "Иванов"
                                          << " Иванов"
                                          << ""
                                          << "" << false;
    QTest::newRow("trailing blank present") << "Иванов, Петров"
                                            << "Иванов,"
                                            << ""
                                            << "" << true;
    QTest::newRow("trailing blank absent") << "Иванов"
                                           << "Иванов "
                                           << ""
                                           << "" << false;
    QTest::newRow("year 199 in 1995") << "Иванов"
                                      << "Ив"
                                      << "199"
                                      << "1995" << true;
    QTest::newRow("year 5 in 1995") << "Иванов"
                                    << "Ив"
                                    << "5"
                                    << "1995" << true;
    QTest::newRow("year 5 not in 1990") << "Иванов"
                                        << "Ив"
                                        << "5"
                                        << "1990" << false;
    QTest::newRow("lone blank, none in city") << "Иванов"
                                              << "Ив"
                                              << " "
                                              << "1995" << false;
    QTest::newRow("lone blank in city") << "Иванов"
                                        << "Ив"
                                        << " "
                                        << "1995 г." << true;
    QTest::newRow("empty city in year mode") << "Иванов"
                                             << "Ив"
                                             << "1"
                                             << "" << false;
    QTest::newRow("year cannot save a field miss") << "Петров"
                                                   << "Ив"
                                                   << "1995"
                                                   << "1995" << false;
}

void TestSearch::matchTest()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, year);
    QFETCH(QString, city);
    QFETCH(bool, matches);
    const search::EntryMatcher matcher({search::FindAuthor, text, year, search::FindFrom::First});
    // Stored fields are matched on their bytes, an abstract's made text as characters.
    QCOMPARE(matcher.matches(QByteArrayView(field.toUtf8()), city.toUtf8()), matches);
    QCOMPARE(matcher.matches(QStringView(field), city.toUtf8()), matches);
}

void TestSearch::like_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::newRow("Cyrillic lower finds upper") << "%иванов%"
                                                << "Иванов А.Б." << true;
    QTest::newRow("Ё upper finds ё") << "%ЁЛКИН%"
                                     << "Ёлкин" << true;
    QTest::newRow("ё is not е") << "%елкин%"
                                << "Ёлкин" << false;
    QTest::newRow("Latin") << "%SMITH%"
                           << "smith" << true;
    QTest::newRow("Greek") << "%ΣΟΦΙΑ%"
                           << "σοφια" << true;
    QTest::newRow("percent inside") << "%ив%ов%"
                                    << "Иванов" << true;
    QTest::newRow("underscore is one") << "и_анов"
                                       << "Иванов" << true;
    QTest::newRow("anchored without percent") << "иван"
                                              << "Иванов" << false;
    QTest::newRow("backtracking") << "%aab%"
                                  << "aaab" << true;
    QTest::newRow("empty pattern, empty text") << ""
                                               << "" << true;
    QTest::newRow("two percent, empty text") << "%%"
                                             << "" << true;
    QTest::newRow("quote is a character") << "%\"%"
                                          << "say \"hi\"" << true;
    QTest::newRow("quote absent") << "%\"%"
                                  << "say hi" << false;
}

void TestSearch::like()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(quil::likeMatches(pattern, text), matches);
}

void TestSearch::findFirstAndNext()
{
    TempProgramFolder folder;
    // Default order: City, Name, Title.
    Module m(makeLibrary(folder, {{"Петров", "Т1", "1990", "k", "New"},
                                  {"Иванов", "Т2", "1995", "k", "New"},
                                  {"Иванова", "Т3", "2005", "k", "New"},
                                  {"иванов", "Т4", "2010", "k", "New"}}));
    search::FindRequest r{search::FindAuthor, "Иванов", "", search::FindFrom::First};
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    QCOMPARE(m.dm.ADOTable.RecNo(), 2);
    // Resuming the display writes the current entry over what the search wrote.
    QCOMPARE(m.view.panels[1], QString("Иванов    Т2"));

    r.from = search::FindFrom::Next;
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    QCOMPARE(m.name(), QString("Иванова"));
    // The lower-case entry is not matched; past the last there is nothing: the entry stays
    // and the status says so.
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::NotFound);
    QCOMPARE(m.dm.ADOTable.RecNo(), 3);
    QCOMPARE(m.view.panels[1], QString("Информация отсутствует"));

    // A continued search from the last entry never tests the last entry itself.
    m.dm.ADOTable.Last();
    r.text = "иванов";
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::NotFound);
    QCOMPARE(m.dm.ADOTable.RecNo(), 4);

    // Year mode, the year tested after the field.
    r = {search::FindAuthor, "Иванов", "200", search::FindFrom::First};
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    QCOMPARE(m.name(), QString("Иванова"));

    // No item chosen, or no text: nothing moves.
    m.dm.ADOTable.Last();
    QCOMPARE(search::findInTable(m.dm.ADOTable, {-1, "Иванов", "", search::FindFrom::First}, &m.dm),
             search::FindOutcome::NotRun);
    QCOMPARE(search::findInTable(m.dm.ADOTable,
                                 {search::FindTitle, "", "", search::FindFrom::First}, &m.dm),
             search::FindOutcome::NotRun);
    QCOMPARE(m.dm.ADOTable.RecNo(), 4);
    QVERIFY(!m.dm.ADOTable.ControlsDisabled());
}

void TestSearch::findInAbstractIgnoresWrapping()
{
    TempProgramFolder folder;
    // A phrase far longer than any display line, in the second paragraph.
    const QString phrase = "сверхпроводимость в тонких плёнках при высоких давлениях и "
                           "температурах, измеренная методом рентгеновской дифракции";
    const QString rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times;}}\\f0 "
                        "Первый абзац.\\par " +
                        phrase + "\\par}";
    Module m(makeLibrary(folder, {{"А", "Т", "1990", "k", "New"}, {"Б", "Т", "1991", "k", rtf}}));
    search::FindRequest r{search::FindAbstract, phrase, "", search::FindFrom::First};
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    QCOMPARE(m.name(), QString("Б"));
    // Paragraphs are joined by CR LF; a phrase across them is not found.
    r.text = "абзац. сверх";
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::NotFound);
    r.text = "абзац.\r\nсверх";
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    // A plain value is its own text; RTF control words are not text.
    r.text = "New";
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    QCOMPARE(m.name(), QString("А"));
    r.text = "fcharset";
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::NotFound);
}

void TestSearch::selection_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("all empty: every entry with values, sorted")
        << QStringList{"", "", "", ""} << QStringList{"Сидоров", "Ёлкин", "Иванов", "O'Brien"};
    QTest::newRow("Cyrillic case") << QStringList{"иванов", "", "", ""} << QStringList{"Иванов"};
    QTest::newRow("Ё upper") << QStringList{"ЁЛКИН", "", "", ""} << QStringList{"Ёлкин"};
    QTest::newRow("keywords in either order")
        << QStringList{"", "", "металл", "плёнка"} << QStringList{"Ёлкин", "Иванов"};
    QTest::newRow("keywords swapped")
        << QStringList{"", "", "плёнка", "металл"} << QStringList{"Ёлкин", "Иванов"};
    QTest::newRow("same keyword twice")
        << QStringList{"", "", "металл", "металл"} << QStringList{"Сидоров", "Ёлкин", "Иванов"};
    QTest::newRow("apostrophe") << QStringList{"o'b", "", "", ""} << QStringList{"O'Brien"};
    QTest::newRow("quote and semicolon")
        << QStringList{"", "\"; DROP TABLE Books; --", "", ""} << QStringList{};
    QTest::newRow("quote in title")
        << QStringList{"", "\"кванты\"", "", ""} << QStringList{"O'Brien"};
    QTest::newRow("typed percent is a pattern")
        << QStringList{"и%в", "", "", ""} << QStringList{"Сидоров", "Иванов"};
}

void TestSearch::selection()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, names);
    TempProgramFolder folder;
    Module m(makeLibrary(folder, {{"Иванов", "Плёнки", "1995", "плёнка, металл", "New"},
                                  {"Ёлкин", "Металлы", "1990", "металл; плёнка", "New"},
                                  {"Сидоров", "Сплавы", "1980", "металл", "New"},
                                  {"O'Brien", "О \"кванты\"", "2001", "", "New"},
                                  {"Безключей", "Т", "1970", "NULL", "New"}}));
    search::runSelection(m.dm.ADOQuery, {texts[0], texts[1], texts[2], texts[3]});
    QStringList selected;
    for (m.dm.ADOQuery.First(); !m.dm.ADOQuery.Eof(); m.dm.ADOQuery.Next())
        selected << m.dm.ADOQuery.FieldByName(book::Name).AsString();
    QCOMPARE(selected, names);
    QCOMPARE(m.dm.ADOQuery.Sort(), search::SelectionSort);
    // The table stays whole whatever the texts held.
    QCOMPARE(m.dm.ADOTable.RecordCount(), 5);
    if (!names.isEmpty()) {
        // The main table follows the selection's current row by key.
        m.dm.ADOQuery.Last();
        QCOMPARE(m.name(), names.last());
        QCOMPARE(m.view.panels[2], QString("%1 из %1").arg(names.size()));
    }
}

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
