// The plain search behind the editor's find and replace: direction, case, whole words and the
// ends of the text.
#include "platform/TextSearch.h"

#include <QtTest>

class TestTextSearch : public QObject {
    Q_OBJECT
private slots:
    void find_data();
    void find();
};

void TestTextSearch::find_data()
{
    QTest::addColumn<QString>("haystack");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("down");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<int>("expected");

    const QString ru = QStringLiteral("Плёнка ПЛЁНКИ плёнка");
    QTest::newRow("cyrillic, any case") << ru << "плёнки" << 0 << true << false << false << 7;
    QTest::newRow("cyrillic, case") << ru << "плёнк" << 1 << true << true << false << 14;
    QTest::newRow("cyrillic, whole word") << ru << "плёнк" << 0 << true << false << true << -1;
    QTest::newRow("hit starting at from") << "abc abc"
                                          << "abc" << 4 << true << false << false << 4;
    QTest::newRow("down past the last hit") << "abc abc"
                                            << "abc" << 5 << true << false << false << -1;
    QTest::newRow("down from before the start") << "abc"
                                                << "abc" << -3 << true << false << false << 0;
    QTest::newRow("up: hit ending at from") << "abc abc"
                                            << "abc" << 7 << false << false << false << 4;
    QTest::newRow("up: hit crossing from is skipped") << "abc abc"
                                                      << "abc" << 6 << false << false << false << 0;
    QTest::newRow("up from beyond the end") << "abc abc"
                                            << "abc" << 100 << false << false << false << 4;
    QTest::newRow("up from the start") << "abc"
                                       << "abc" << 0 << false << false << false << -1;
    QTest::newRow("whole word: digit joins") << "2x x2 x"
                                             << "x" << 0 << true << false << true << 6;
    QTest::newRow("whole word: underscore joins") << "a_b b"
                                                  << "b" << 0 << true << false << true << 4;
    QTest::newRow("whole word: punctuation parts") << "(b)"
                                                   << "b" << 0 << true << false << true << 1;
    QTest::newRow("whole word, up, skips a part") << "b ab"
                                                  << "b" << 4 << false << false << true << 0;
    QTest::newRow("empty needle") << "abc"
                                  << "" << 0 << true << false << false << -1;
    QTest::newRow("needle longer than the text") << "ab"
                                                 << "abc" << 0 << false << false << false << -1;
}

void TestTextSearch::find()
{
    QFETCH(QString, haystack);
    QFETCH(QString, needle);
    QFETCH(int, from);
    QFETCH(bool, down);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(int, expected);
    quil::SearchRequest request;
    request.text = needle;
    request.down = down;
    request.matchCase = matchCase;
    request.wholeWord = wholeWord;
    QCOMPARE(quil::TextSearch::find(haystack, from, request), expected);
}

QTEST_GUILESS_MAIN(TestTextSearch)
#include "test_textsearch.moc"
