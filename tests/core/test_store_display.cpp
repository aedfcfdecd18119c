// What a display is given of a long value: a bounded head, and whether a memo must wrap it
// anywhere because it has no blank to wrap at.
#include "db/DisplayText.h"

#include <QtTest>

class TestStoreDisplay : public QObject {
    Q_OBJECT
private slots:
    void oneLineDisplayIsCut_data();
    void oneLineDisplayIsCut();
    void unbreakableRuns_data();
    void unbreakableRuns();
    void editedHeadRejoinsTheRest_data();
    void editedHeadRejoinsTheRest();
};

void TestStoreDisplay::oneLineDisplayIsCut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const int limit = quil::DisplayLimit;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("at the limit") << QString(limit, QChar(u'ж')) << QString(limit, QChar(u'ж'));
    QTest::newRow("one past") << QString(limit, 'a') + "b" << QString(limit, 'a') + " ...";
    QTest::newRow("five megabytes") << QString(5 << 20, 'c') << QString(limit, 'c') + " ...";
}

void TestStoreDisplay::oneLineDisplayIsCut()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(quil::cutForDisplay(text), shown);
}

void TestStoreDisplay::unbreakableRuns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("unbreakable");
    const int run = quil::LongestWrappedWord;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("run at the limit") << QString(run, 'a') << false;
    QTest::newRow("run one past") << QString(run + 1, 'a') << true;
    QTest::newRow("long text, short words") << QStringLiteral("слово ").repeated(10000) << false;
    QTest::newRow("runs parted by a line break")
        << QString(run, 'a') + "\n" + QString(run, 'b') << false;
    QTest::newRow("runs parted by a tab") << QString(run, 'a') + "\t" + QString(run, 'b') << false;
    QTest::newRow("long run after words")
        << QStringLiteral("Иванов И.И., ") + QString(run + 1, QChar(u'ё')) << true;
}

void TestStoreDisplay::unbreakableRuns()
{
    QFETCH(QString, text);
    QFETCH(bool, unbreakable);
    QCOMPARE(quil::hasUnbreakableRun(text), unbreakable);
}

void TestStoreDisplay::editedHeadRejoinsTheRest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shown");
    const int limit = 8;
    QTest::newRow("short: all of it") << QStringLiteral("abc") << 3;
    QTest::newRow("at the limit") << QString(limit, 'a') << limit;
    QTest::newRow("one past") << QString(limit + 1, 'a') << limit;
    QTest::newRow("CR LF across the cut") << QString(limit - 1, 'a') + "\r\nb" << limit - 1;
    QTest::newRow("CR LF just before the cut") << QString(limit - 2, 'a') + "\r\nb" << limit;
    QTest::newRow("lone CR at the cut") << QString(limit - 1, 'a') + "\rb" << limit;
    QTest::newRow("surrogate pair across the cut")
        << QString(limit - 1, 'a') + QStringLiteral("\U0001F600b") << limit - 1;
}

void TestStoreDisplay::editedHeadRejoinsTheRest()
{
    QFETCH(QString, text);
    QFETCH(int, shown);
    const qsizetype head = quil::shownHeadLength(text, 8);
    QCOMPARE(head, qsizetype(shown));
    QCOMPARE(quil::shownHeadHint(head, text.size()).isEmpty(), head == text.size());
    // The head as shown, with no pair parted, and the rest make the value again.
    const QString shownText = text.left(head);
    QVERIFY(shownText.isEmpty() || !shownText.back().isHighSurrogate());
    QVERIFY(shownText.isEmpty() || shownText.back() != u'\r' || text.mid(head, 1) != "\n");
}

QTEST_GUILESS_MAIN(TestStoreDisplay)
#include "test_store_display.moc"
