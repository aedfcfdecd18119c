// Picking an old Access library: the question, No changing nothing, Yes migrating and
// opening, a file that is no library refused with the open library kept.
#include "AppFixture.h"

#include <QDir>

class TestJetMigration : public QObject {
    Q_OBJECT
private slots:
    void pickingAnOldLibrary_data();
    void pickingAnOldLibrary();
};

void TestJetMigration::pickingAnOldLibrary_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QString>("error"); // empty: none
    QTest::addColumn<bool>("migrated");
    QTest::newRow("No") << "Books.mdb" << QList<bool>{false} << "" << false;
    QTest::newRow("Yes") << "Books.mdb" << QList<bool>{true} << "" << true;
    QTest::newRow("no Books") << "NotALibrary.mdb" << QList<bool>{} << "нет таблицы Books" << false;
}

void TestJetMigration::pickingAnOldLibrary()
{
    QFETCH(QString, fixture);
    QFETCH(QList<bool>, answers);
    QFETCH(QString, error);
    QFETCH(bool, migrated);
    AppFixture app;
    // A migration killed before it ended left its unfinished library; the start takes it away.
    const QString left = app.makeLibrary("Open.mdb", {{"Автор", "Название", "2001"}});
    writeBytes(left + ".migrating", "half");
    app.start();
    QVERIFY(!QFileInfo::exists(left + ".migrating"));
    app.pick(left);
    const QByteArray original = readBytes(QStringLiteral(QUIL_TEST_DATA "/jet/") + fixture);
    const QString old = app.library(fixture);
    writeBytes(old, original);
    for (bool answer : answers)
        app.dialogs.nextAnswers.enqueue(answer);
    const QString caption = running().Form1->windowTitle();

    app.pick(old);

    QCOMPARE(app.dialogs.errors().join('\n').contains(error), true);
    QCOMPARE(app.dialogs.errors().isEmpty(), error.isEmpty());
    QCOMPARE(app.dialogs.count("question"), answers.size());
    if (!answers.isEmpty()) {
        const auto question = *std::find_if(app.dialogs.shown.begin(), app.dialogs.shown.end(),
                                            [](const auto &s) { return s.kind == "question"; });
        QCOMPARE(question.caption, QString("Внимание!!!"));
        QVERIFY2(question.text.contains(fixture) && question.text.contains("14"),
                 qPrintable(question.text));
    }
    const QString moved = app.folder.file("DBase/Access/") + fixture;
    if (migrated) {
        QCOMPARE(readBytes(moved), original);
        QCOMPARE(running().Form1->libraryFileName(), fixture);
        QCOMPARE(running().Form1->windowTitle(), "Library " + fixture);
        QCOMPARE(app.table().RecordCount(), 14);
    } else {
        // Nothing changed: the file where it was, the library open before still open.
        QCOMPARE(readBytes(old), original);
        QVERIFY(!QFileInfo::exists(moved));
        QCOMPARE(running().Form1->windowTitle(), caption);
        QCOMPARE(running().Form1->libraryFileName(), QString("Open.mdb"));
        QCOMPARE(app.table().RecordCount(), 1);
        QCOMPARE(app.currentName(), QString("Автор"));
    }
    QCOMPARE(QDir(app.folder.file("DBase")).entryList(QDir::Files).size(), 2);
}

QUIL_APP_TEST_MAIN(TestJetMigration)
#include "test_jet_migration.moc"
