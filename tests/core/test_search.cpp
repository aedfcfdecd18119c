// Find and select without a screen: the match test's edges, the walk from the first and from
// the next entry, the selection's meaning on known rows, and the case-folding LIKE.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "db/RussianCollation.h"
#include "platform/ScriptedDialogs.h"
#include "search/Finder.h"
#include "search/Selection.h"
#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "store/TextIndex.h"

#include <QtTest>
#include <set>

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
    void nextSeesStores_data();
    void nextSeesStores();
    void findInAbstractIgnoresWrapping();
    void indexAgreesWithWalk_data();
    void indexAgreesWithWalk();
    void indexNamesWhatHoldsTheText();
    void indexBuildCanBeStopped();
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

void TestSearch::nextSeesStores_data()
{
    QTest::addColumn<QString>("by");
    QTest::newRow("this program") << "this program";
    QTest::newRow("another program") << "another program";
    QTest::newRow("another library") << "another library";
}

// Every entry holds the name in another case, so the index names them all and each "Далее"
// rules them out; a store between two presses that makes one entry hold it as typed (past
// what find reads before it asks the index) must be found by the next press.
void TestSearch::nextSeesStores()
{
    QFETCH(QString, by);
    TempProgramFolder folder;
    QList<QStringList> rows;
    for (int i = 1; i <= 120; ++i)
        rows << QStringList{"Иванов", "Т", QString::number(1800 + i), "k", "New"};
    const QString path = makeLibrary(folder, rows);
    const QString store = "UPDATE Books SET Name = 'иванов' WHERE key = 100";
    // Both libraries indexed whole, so that opening either changes nothing.
    const QString other = library::folder(folder.path()) + "other.mdb";
    {
        Module indexed(path);
    }
    QVERIFY(QFile::copy(path, other));
    execOn(other, {store});
    {
        Module indexed(other);
    }
    Module m(path);
    QVERIFY(textindex::inStep(m.dm.ADOConnection.engine()));
    search::FindRequest r{search::FindAuthor, "иванов", "", search::FindFrom::First};
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::NotFound);
    r.from = search::FindFrom::Next;
    m.dm.ADOTable.First();
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::NotFound);

    if (by == "this program") {
        m.dm.ADOTable.setRecNo(100);
        m.dm.ADOTable.Edit();
        // The record pane's full name, from which a store makes the name.
        m.dm.ADOTableWName->setAsString("иванов");
        m.dm.ADOTable.Post();
    } else if (by == "another program") {
        execOn(path, {store});
    } else {
        m.dm.ADOConnection.Close();
        m.dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + other);
        m.dm.ADOConnection.Open();
        m.dm.ADOTable.Open();
    }
    m.dm.ADOTable.First();
    QCOMPARE(search::findInTable(m.dm.ADOTable, r, &m.dm), search::FindOutcome::Found);
    QCOMPARE(m.dm.ADOTable.RecNo(), 100);
    QCOMPARE(m.name(), QString("иванов"));
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

namespace {

// Texts made of pieces that the patterns below cut across: both alphabets in both cases, Ё and
// ё, digits, punctuation, the LIKE signs and quotes.
QString pieceText(quint32 &seed, int pieces)
{
    static const QStringList Pieces{"плёнок", "Плёнка", "ЁЛКА",   "ёлка", "елка",  "Films",
                                    "films",  "FILMS",  "x-ray",  "2,5%", "50_50", "O'Hara",
                                    "\"кв\"", "тонких", "ТОНКИХ", "ab",   "№ 11",  "т. 23"};
    QStringList words;
    for (int i = 0; i < pieces; ++i) {
        seed = seed * 1103515245u + 12345u;
        words << Pieces[int((seed >> 16) % quint32(Pieces.size()))];
    }
    return words.join(seed % 3 == 0 ? QStringLiteral(", ") : QStringLiteral(" "));
}

// An abstract as the editor stores it (cp1251 escapes), or as plain text.
QString abstractOf(const QString &text, bool rtf)
{
    if (!rtf)
        return text;
    QString body;
    const QByteArray bytes = QStringEncoder("windows-1251").encode(text);
    for (const char c : bytes) {
        const uchar u = uchar(c);
        if (u >= 0x80 || c == '\\' || c == '{' || c == '}')
            body += QStringLiteral("\\'%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            body += QLatin1Char(c);
    }
    return "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times;}}\\f0 " + body +
           "\\par " + body.left(body.size() / 2) + "\\par}";
}

// Each find in turn: "Поиск", then "Далее" until nothing more is found, then "Далее" from a few
// other entries; what each said and where it stood.
QStringList findSequence(Module &m, int item, const QString &text, const QString &year)
{
    QStringList steps;
    quil::Table &table = m.dm.ADOTable;
    search::FindRequest r{item, text, year, search::FindFrom::First};
    const auto run = [&] {
        const auto outcome = search::findInTable(table, r, &m.dm);
        steps << QString("%1@%2").arg(int(outcome)).arg(table.RecNo());
        return outcome == search::FindOutcome::Found;
    };
    table.First();
    run();
    r.from = search::FindFrom::Next;
    for (int i = 0; i < 12 && steps.back().startsWith('1'); ++i)
        run();
    for (const int recNo : {17, table.RecordCount() / 2, table.RecordCount()}) {
        table.setRecNo(recNo);
        run();
        run();
    }
    return steps;
}

} // namespace

void TestSearch::indexAgreesWithWalk_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Cyrillic word") << "плёнок";
    QTest::newRow("Cyrillic capital") << "Плёнк";
    QTest::newRow("upper case only") << "ТОНКИХ";
    QTest::newRow("lower of an upper") << "лка";
    QTest::newRow("Ё") << "ЁЛК";
    QTest::newRow("ё, not е") << "ёлка";
    QTest::newRow("е, not ё") << "елка";
    QTest::newRow("Latin") << "Films";
    QTest::newRow("Latin lower") << "ilms";
    QTest::newRow("across a blank") << "s x-r";
    QTest::newRow("across a comma") << "ка, ";
    QTest::newRow("digits") << "2,5";
    QTest::newRow("percent") << "5%";
    QTest::newRow("percent inside") << "2,5% ";
    QTest::newRow("underscore") << "50_5";
    QTest::newRow("apostrophe") << "O'H";
    QTest::newRow("double quotes") << "\"кв\"";
    QTest::newRow("quote and letter") << "в\" ";
    QTest::newRow("number sign") << "№ 1";
    QTest::newRow("punctuation") << "т. 2";
    QTest::newRow("one letter") << "ё";
    QTest::newRow("two letters") << "ab";
    QTest::newRow("two letters in case") << "AB";
    QTest::newRow("nowhere") << "плёнокплёнок";
}

void TestSearch::indexAgreesWithWalk()
{
    QFETCH(QString, text);
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "search.mdb";
    library::create(path);
    QStringList statements{"BEGIN"};
    quint32 seed = 7;
    for (int i = 0; i < 150; ++i) {
        QStringList values;
        for (const QString &v :
             {pieceText(seed, 2), pieceText(seed, 3), QString::number(1950 + i % 60),
              pieceText(seed, 2), abstractOf(pieceText(seed, 12), i % 3 != 0), pieceText(seed, 2)})
            values << "'" + QString(v).replace("'", "''") + "'";
        if (i % 23 == 0)
            values[4] = "NULL";
        statements
            << "INSERT INTO Books (Name, Title, City, Location, Resume, WPublisher) VALUES (" +
                   values.join(',') + ")";
    }
    execOn(path, statements << "COMMIT");
    Module m(path);
    quil::Engine &engine = m.dm.ADOConnection.engine();
    QVERIFY(textindex::inStep(engine));
    QCOMPARE(text.toUcs4().size() >= 3,
             textindex::candidates(engine, book::Resume, text).has_value());

    // The same finds, answered by the index and then, its stamp taken away behind the
    // program's back, by the walk.
    const auto everyFind = [&] {
        QStringList all;
        for (int item = 0; item < search::FindItemCount; ++item)
            for (const QString &year : {QString(), QString("5")})
                all << QString("%1/%2: ").arg(item).arg(year) +
                           findSequence(m, item, text, year).join(' ');
        return all;
    };
    // Entries changed by another program are noted and still found right (of the last year,
    // so last in the table's order, beyond what find reads before it asks the index).
    execOn(path, {"UPDATE Books SET Name = 'плёнок " + QString(text).replace("'", "''") +
                      "' WHERE key IN (60, 120)",
                  "UPDATE Books SET Resume = 'New' WHERE key IN (58, 118)",
                  "DELETE FROM Books WHERE key = 119"});
    m.dm.ADOTable.Refresh();
    const QStringList indexed = everyFind();
    QVERIFY(textindex::inStep(engine));
    execOn(path, {"DELETE FROM BooksTextState"});
    QVERIFY(!textindex::inStep(engine));
    QCOMPARE(indexed, everyFind());

    // Opened again the index is whole; a store through the program leaves nothing noted.
    m.dm.ADOConnection.Close();
    Module again(path);
    quil::Engine &fresh = again.dm.ADOConnection.engine();
    QVERIFY(textindex::inStep(fresh));
    again.dm.ADOTable.setRecNo(3);
    again.dm.ADOTable.Edit();
    again.dm.ADOTableName->setAsString("Новый " + text);
    again.dm.ADOTable.Post();
    again.dm.ADOTable.setRecNo(4);
    again.dm.ADOTable.Delete();
    auto noted = fresh.prepareOrThrow("SELECT count(*) FROM BooksTextChanged");
    quil::execOrThrow(*noted);
    QVERIFY(noted->next());
    QCOMPARE(noted->integer(0), 0);
    noted.reset();
    QVERIFY(textindex::inStep(fresh));
    QStringList afterStores;
    for (int item = 0; item < search::FindItemCount; ++item)
        afterStores << findSequence(again, item, text, QString()).join(' ');
    execOn(path, {"DELETE FROM BooksTextState"});
    QStringList walked;
    for (int item = 0; item < search::FindItemCount; ++item)
        walked << findSequence(again, item, text, QString()).join(' ');
    QCOMPARE(afterStores, walked);
}

// The index's answer to a find is what the find then reads entry by entry: an entry holding
// the same words in another order, or the text's letters in other words, is not in it.
void TestSearch::indexNamesWhatHoldsTheText()
{
    TempProgramFolder folder;
    Module m(makeLibrary(folder, {{"А", "модель films thin", "1990", "k", "New"},
                                  {"Б", "films модель thin films", "1990", "k", "New"},
                                  {"В", "ель, fit, lms, the", "1990", "k", "New"},
                                  {"Г", "МОДЕЛЬ FILMS THIN", "1990", "k", "New"}}));
    const auto named =
        textindex::candidates(m.dm.ADOConnection.engine(), book::Title, "ель films th");
    QVERIFY(named.has_value());
    QCOMPARE(std::set<qint64>(named->begin(), named->end()), std::set<qint64>({1, 4}));
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
    QTest::newRow("typed underscore between runs")
        << QStringList{"", "ЛЁН_И", "", ""} << QStringList{"Иванов"};
    QTest::newRow("Latin case, runs of three")
        << QStringList{"o'BRI", "", "", ""} << QStringList{"O'Brien"};
    QTest::newRow("author and title met in two indexes")
        << QStringList{"ВАН", "лёнк", "", ""} << QStringList{"Иванов"};
    QTest::newRow("keyword runs of three")
        << QStringList{"", "", "ЛЁНКА", "таЛЛ"} << QStringList{"Ёлкин", "Иванов"};
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

// A library big enough to show the index's first build may have it stopped: the library opens
// whole, find walks the table, and the next open builds the index.
void TestSearch::indexBuildCanBeStopped()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "big.mdb";
    library::create(path);
    execOn(path, {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 12000) "
                  "INSERT INTO Books (Name, Title, City) SELECT 'Автор ' || i, 'Книга', '1990' "
                  "FROM n"});
    const QStringList before = storedRows(path, "key, Name");
    QStringList walked;
    for (const int stopAt : {0, 1, -1}) {
        quil::ScopedScriptedDialogs dialogs;
        dialogs.stopProgressAt = stopAt;
        Module m(path);
        QCOMPARE(m.dm.ADOTable.RecordCount(), 12000);
        QVERIFY(dialogs.count("busy") > (stopAt < 0 ? 2 : stopAt));
        QCOMPARE(textindex::inStep(m.dm.ADOConnection.engine()), stopAt < 0);
        const QStringList found = findSequence(m, search::FindAuthor, "Автор 1199", QString());
        if (walked.isEmpty())
            walked = found;
        QCOMPARE(found, walked);
    }
    QCOMPARE(storedRows(path, "key, Name"), before);
}

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
