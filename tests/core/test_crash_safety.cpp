// A library survives its program being killed at any moment: a writer process is killed in
// the middle of its stores, again and again; afterwards the file is intact and holds every
// record the writer had reported stored.
//
// "test_crash_safety --kills N [folder]" runs a longer campaign of N kills and prints its
// figures: kills, integrity failures (checks after a kill that did not answer "ok") and entries
// lost (reported stored, then missing), each checked after every kill.
#include "TestSupport.h"

#include "store/Book.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// One writer started, left to store for a while, and killed with SIGKILL; returns how many
// records it reported stored.
int killOneWriter(const QString &path)
{
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), {"--writer", path});
    if (!writer.waitForStarted())
        return 0;
    QThread::msleep(150 + QRandomGenerator::global()->bounded(250));
    writer.kill();
    writer.waitForFinished();
    const QStringList lines =
        QString::fromLatin1(writer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? 0 : lines.last().toInt();
}

struct FileState {
    QString integrity;
    int complete = 0; // records whose both posts reached the file
};

// Opens the file as the next program would (a journal left behind is rolled back) and checks it.
FileState checkFile(const QString &path)
{
    FileState state;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("PRAGMA integrity_check") && q.next())
                state.integrity = q.value(0).toString();
            if (q.exec("SELECT count(*) FROM Books WHERE Title LIKE 'Название %'") && q.next())
                state.complete = q.value(0).toInt();
        } else {
            state.integrity = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase("check");
    return state;
}

int runCampaign(int kills, const QString &folder)
{
    QDir().mkpath(folder);
    const QString path = folder + "/crash-campaign.mdb";
    QFile::remove(path);
    library::create(path);
    int reported = 0;
    int integrityFailures = 0;
    int lost = 0;
    for (int round = 0; round < kills; ++round) {
        reported += killOneWriter(path);
        const FileState state = checkFile(path);
        if (state.integrity != QLatin1String("ok"))
            ++integrityFailures;
        lost = std::max(lost, reported - state.complete);
    }
    std::printf("kills %d\nintegrity_failures %d\nentries_lost %d\nentries_reported %d\n", kills,
                integrityFailures, lost, reported);
    return integrityFailures == 0 && lost == 0 ? 0 : 1;
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
        reported += killOneWriter(path);
        const FileState state = checkFile(path);
        QCOMPARE(state.integrity, QString("ok"));
        // Every reported record is there with its title: both of its posts reached the file.
        QVERIFY2(state.complete >= reported,
                 qPrintable(QString("%1 stored, %2 reported").arg(state.complete).arg(reported)));
    }
    QVERIFY2(reported > 0, "the writer never got to store anything");
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return runWriter(QString::fromLocal8Bit(argv[2]));
    }
    if (argc >= 3 && std::strcmp(argv[1], "--kills") == 0) {
        QCoreApplication app(argc, argv);
        return runCampaign(std::atoi(argv[2]), argc >= 4 ? QString::fromLocal8Bit(argv[3])
                                                         : QDir::tempPath() + "/quil-kills");
    }
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crash_safety.moc"
