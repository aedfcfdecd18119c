// A library survives its program being killed at any moment: a writer process is killed in
// the middle of its stores, again and again; afterwards the file is intact and holds every
// record the writer had reported stored.
#include "TestSupport.h"

#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <cstdio>
#include <cstring>

namespace {

// The writer: stores new and edited records until killed, printing the count after each post.
int runWriter(const QString &path)
{
    TDataModule1 dm;
    dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
    dm.ADOConnection.Open();
    dm.ADOTable.Open();
    for (int i = 0;; ++i) {
        dm.ADOTable.Insert();
        dm.ADOTableWName->setAsString(QStringLiteral("Автор %1").arg(i));
        dm.ADOTableResume->setAsString(QString(2000, QChar(u'ж')));
        dm.ADOTable.Post();
        dm.ADOTable.Edit();
        dm.ADOTableWTitle->setAsString(QStringLiteral("Название %1").arg(i));
        dm.ADOTable.Post();
        std::printf("%d\n", i + 1);
        std::fflush(stdout);
    }
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLosesNothingStored();
};

void TestCrashSafety::killedWriterLosesNothingStored()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "crash.mdb";
    library::create(path);
    int reported = 0;
    for (int round = 0; round < 6; ++round) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {"--writer", path});
        QVERIFY(writer.waitForStarted());
        QTest::qWait(150 + QRandomGenerator::global()->bounded(250));
        writer.kill();
        writer.waitForFinished();
        const QStringList lines =
            QString::fromLatin1(writer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            reported += lines.last().toInt();
    }
    QVERIFY2(reported > 0, "the writer never got to store anything");

    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec("PRAGMA integrity_check") && q.next());
    QCOMPARE(q.value(0).toString(), QString("ok"));
    // Every reported record is there with its title: both of its posts reached the file.
    QVERIFY(q.exec("SELECT count(*) FROM Books WHERE Title LIKE 'Название %'") && q.next());
    QVERIFY2(q.value(0).toInt() >= reported,
             qPrintable(QString("%1 stored, %2 reported").arg(q.value(0).toInt()).arg(reported)));
    q.finish();
    db.close();
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return runWriter(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crash_safety.moc"
