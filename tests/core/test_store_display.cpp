// What a display is given of a long value: a bounded head, and whether a memo must wrap it
// anywhere because it has no blank to wrap at.
#include "platform/DisplayText.h"

#include <QtTest>

class TestStoreDisplay : public QObject {
    Q_OBJECT
private slots:
    void oneLineDisplayIsCut_data();
    void oneLineDisplayIsCut();
    void unbreakableRuns_data();
    void unbreakableRuns();
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

QTEST_GUILESS_MAIN(TestStoreDisplay)
#include "test_store_display.moc"
