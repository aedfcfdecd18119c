// The one error report: what a handler raises is shown once, with a full stop added only when
// the message's last character sorts after ".", and the program goes on.
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Plural.h"
#include "platform/ScriptedDialogs.h"

#include <QRegularExpression>
#include <QtTest>
#include <new>
#include <sqlite3.h>
#include <stdexcept>

class TestErrorReport : public QObject {
    Q_OBJECT
private slots:
    void fullStopRule_data();
    void fullStopRule();
    void everythingRaisedIsReported();
    void engineFailures_data();
    void engineFailures();
    void russianPlurals();
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
    QVERIFY(!quil::guarded([] { throw std::bad_alloc(); }));
    QCOMPARE(dialogs.errors(),
             QStringList({"disk full.", "Неизвестная ошибка.",
                          "Не хватило памяти; закройте другие программы и повторите."}));
}

void TestErrorReport::engineFailures_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("saying");
    QTest::addColumn<bool>("busy");
    QTest::newRow("busy") << SQLITE_BUSY << "database is locked"
                          << "занята другой программой" << true;
    QTest::newRow("locked table") << SQLITE_LOCKED << "database table is locked"
                                  << "занята другой программой" << true;
    QTest::newRow("I/O error, extended code") << SQLITE_IOERR_READ << "disk I/O error"
                                              << "сбоя носителя" << false;
    QTest::newRow("damaged") << SQLITE_CORRUPT << "database disk image is malformed"
                             << "повреждён" << false;
    QTest::newRow("not a database") << SQLITE_NOTADB << "file is not a database"
                                    << "повреждён" << false;
    QTest::newRow("full disk") << SQLITE_FULL << "database or disk is full"
                               << "не хватило места" << false;
    QTest::newRow("read-only") << SQLITE_READONLY_DBMOVED << "attempt to write a readonly database"
                               << "только для чтения" << false;
    QTest::newRow("cannot open") << SQLITE_CANTOPEN << "unable to open database file"
                                 << "не удаётся открыть" << false;
    QTest::newRow("refused value") << SQLITE_CONSTRAINT_TRIGGER << "value refused"
                                   << "не приняла запись" << false;
    QTest::newRow("out of memory") << SQLITE_NOMEM << "out of memory"
                                   << "памяти" << false;
    QTest::newRow("any other") << SQLITE_ERROR << "cannot commit - no transaction is active"
                               << "не удалась" << false;
}

void TestErrorReport::engineFailures()
{
    QFETCH(int, code);
    QFETCH(QString, engineText);
    QFETCH(QString, saying);
    QFETCH(bool, busy);
    const QStringList lines = quil::engineErrorText(code, engineText).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    // One Russian sentence that says what happened and, after ";", what to do.
    const QString sentence = lines.first();
    QVERIFY2(sentence.contains(saying), qPrintable(sentence));
    QVERIFY2(sentence.contains(QStringLiteral("; ")) && sentence.endsWith(QLatin1Char('.')),
             qPrintable(sentence));
    QVERIFY2(!sentence.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
             qPrintable(sentence));
    QCOMPARE(lines.last(), engineText);

    // Raised, it is the one error report's text, the engine's words once.
    quil::ScopedScriptedDialogs dialogs;
    bool wasBusy = false;
    QVERIFY(!quil::guarded([&] {
        try {
            quil::throwEngineError(code, engineText);
        } catch (const quil::BusyError &) {
            wasBusy = true;
            throw;
        }
    }));
    QCOMPARE(wasBusy, busy);
    QCOMPARE(dialogs.errors(), QStringList{sentence + "\n" + engineText + "."});

    // Put into what was being done, it stays one sentence with the engine's words below.
    const quil::Error where =
        quil::explained("Строка 5 не сохранена", quil::EngineError(code, engineText));
    QCOMPARE(where.message().count(engineText), 1);
    QVERIFY2(where.message().startsWith("Строка 5 не сохранена: " + sentence.left(1).toLower()),
             qPrintable(where.message()));
    QVERIFY(where.message().endsWith("\n" + engineText));
}

void TestErrorReport::russianPlurals()
{
    const auto lines = [](qint64 n) {
        return quil::countOf(n, QStringLiteral("строка"), QStringLiteral("строки"),
                             QStringLiteral("строк"));
    };
    const QList<std::pair<qint64, QString>> cases = {
        {0, "0 строк"},     {1, "1 строка"},    {2, "2 строки"},       {4, "4 строки"},
        {5, "5 строк"},     {11, "11 строк"},   {12, "12 строк"},      {14, "14 строк"},
        {21, "21 строка"},  {22, "22 строки"},  {25, "25 строк"},      {101, "101 строка"},
        {111, "111 строк"}, {112, "112 строк"}, {1001, "1001 строка"}, {-1, "-1 строка"}};
    for (const auto &[n, text] : cases)
        QCOMPARE(lines(n), text);

    // Nouns translated into English take its rule: one for 1, many for every other count.
    const QList<std::pair<qint64, QString>> english = {
        {0, "0 lines"},   {1, "1 line"},    {2, "2 lines"},     {5, "5 lines"},
        {21, "21 lines"}, {22, "22 lines"}, {101, "101 lines"}, {-1, "-1 line"}};
    for (const auto &[n, text] : english)
        QCOMPARE(quil::countOf(n, QStringLiteral("line"), QStringLiteral("lines"),
                               QStringLiteral("lines")),
                 text);
}

QTEST_GUILESS_MAIN(TestErrorReport)
#include "test_errorreport.moc"
