// Where the program keeps its folder: beside itself when it may write there, else the user's
// data folder, laid out once from the installed first versions and never overwritten.
#include "ScopedTmpfs.h"

#include "app/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const QStringList subfolders{"DBase", "Abstract", "Import Data", "Result"};

} // namespace

class TestProgramFolder : public QObject {
    Q_OBJECT
private slots:
    void locate_data();
    void locate();
};

void TestProgramFolder::locate_data()
{
    QTest::addColumn<bool>("installed"); // share/quil-lib beside the bin folder
    QTest::addColumn<bool>("readOnly");  // the bin folder on a read-only medium
    QTest::addColumn<bool>("inUserFolder");
    QTest::newRow("build folder or unpacked archive") << false << false << false;
    QTest::newRow("installed under a prefix") << true << false << true;
    QTest::newRow("installed, read-only medium") << true << true << true;
    QTest::newRow("read-only medium, nothing installed") << false << true << true;
}

void TestProgramFolder::locate()
{
    QFETCH(bool, installed);
    QFETCH(bool, readOnly);
    QFETCH(bool, inUserFolder);
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    const QString bin = prefix + QStringLiteral("/bin");
    const QString share = prefix + QStringLiteral("/share/quil-lib");
    ScopedTmpfs medium(prefix, QStringLiteral("size=4m"));
    if (readOnly && !medium.mounted())
        QSKIP("no read-only medium can be mounted here");
    QDir().mkpath(bin);
    if (installed) {
        write(share + QStringLiteral("/DBase/Demo.mdb"), "demo library");
        write(share + QStringLiteral("/Info.txt"), "abbreviations");
        write(share + QStringLiteral("/Import Data/Sample.txt"), "a\tb\tc\td\te\r\n");
        QDir().mkpath(share + QStringLiteral("/Result"));
        QFile::setPermissions(share + QStringLiteral("/Info.txt"), QFileDevice::ReadOwner);
    }
    if (readOnly)
        QVERIFY(medium.remountReadOnly());
    const QString data = root.filePath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    const QString user = data + QStringLiteral("/QUIL.Lib/");

    const QString folder = programfolder::locate(bin);
    QCOMPARE(folder, inUserFolder ? user : bin + QLatin1Char('/'));
    QCOMPARE(QFileInfo::exists(user), inUserFolder);
    if (!inUserFolder)
        return;
    for (const QString &sub : subfolders)
        QVERIFY2(QFileInfo(folder + sub).isDir(), qPrintable(sub));
    QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("QUIL.Lib")});
    if (!installed)
        return;
    QCOMPARE(read(folder + QStringLiteral("DBase/Demo.mdb")), QByteArray("demo library"));
    QCOMPARE(read(folder + QStringLiteral("Import Data/Sample.txt")),
             QByteArray("a\tb\tc\td\te\r\n"));
    QVERIFY(QFile::permissions(folder + QStringLiteral("Info.txt")) & QFileDevice::WriteOwner);

    // The user's changes stand at the next start; what they removed of the folders is remade.
    write(folder + QStringLiteral("Info.txt"), "my notes");
    write(folder + QStringLiteral("DBase/Demo.mdb"), "my library");
    QVERIFY(QDir(folder + QStringLiteral("Result")).removeRecursively());
    QCOMPARE(programfolder::locate(bin), folder);
    QCOMPARE(read(folder + QStringLiteral("Info.txt")), QByteArray("my notes"));
    QCOMPARE(read(folder + QStringLiteral("DBase/Demo.mdb")), QByteArray("my library"));
    QVERIFY(QFileInfo(folder + QStringLiteral("Result")).isDir());
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
