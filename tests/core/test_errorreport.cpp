// The one error report: what a handler raises is shown once, with a full stop added only when
// the message's last character sorts after ".", and the program goes on.
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/ScriptedDialogs.h"

#include <QtTest>
#include <stdexcept>

class TestErrorReport : public QObject {
    Q_OBJECT
private slots:
    void fullStopRule_data();
    void fullStopRule();
    void everythingRaisedIsReported();
};

void TestErrorReport::fullStopRule_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Cannot open file"
                            << "Cannot open file.";
    QTest::newRow("cyrillic") << "Нет записей"
                              << "Нет записей.";
    QTest::newRow("digit sorts after") << "Код 5"
                                       << "Код 5.";
    QTest::newRow("exclamation") << "Библиотека A.mdb отсутствует!"
                                 << "Библиотека A.mdb отсутствует!";
    QTest::newRow("full stop") << "Готово."
                               << "Готово.";
    QTest::newRow("closing bracket sorts before") << "ошибка (42)"
                                                  << "ошибка (42)";
    QTest::newRow("hyphen sorts before") << "a -"
                                         << "a -";
    QTest::newRow("slash sorts after") << "C:/"
                                       << "C:/.";
    QTest::newRow("empty") << ""
                           << "";
}

void TestErrorReport::fullStopRule()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    quil::ScopedScriptedDialogs dialogs;
    QVERIFY(!quil::guarded([&] { throw quil::Error(message); }));
    QCOMPARE(dialogs.errors(), QStringList{shown});
    QCOMPARE(dialogs.shown.first().caption, QString("QUIL.Lib"));
}

void TestErrorReport::everythingRaisedIsReported()
{
    quil::ScopedScriptedDialogs dialogs;
    QVERIFY(quil::guarded([] {}));
    QVERIFY(!quil::guarded([] { throw std::runtime_error("disk full"); }));
    QVERIFY(!quil::guarded([] { throw 42; }));
    QCOMPARE(dialogs.errors(), QStringList({"disk full.", "Неизвестная ошибка."}));
}

QTEST_GUILESS_MAIN(TestErrorReport)
#include "test_errorreport.moc"
