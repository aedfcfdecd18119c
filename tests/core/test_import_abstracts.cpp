// Abstract files: roles by line position, the notice shift, the bracket layout, the year,
// and a folder imported into a library with short files passed over.
#include "LibraryFixture.h"
#include "PipeWatchdog.h"
#include "TestSupport.h"

#include "import/AbstractText.h"
#include "import/Import.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QElapsedTimer>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray numbered(int count, const QByteArray &end = "\r\n")
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "L" + QByteArray::number(i) + end;
    return text;
}

QByteArray withLine(QByteArray text, int line, const QByteArray &value)
{
    QList<QByteArray> lines = text.split('\n');
    lines[line] = value + "\r";
    return lines.join('\n');
}

QString show(const quil::AbstractEntry &e)
{
    return QStringList{e.publisher, e.title, e.authors, e.pages, e.resume, e.year}.join('|');
}

} // namespace

class TestImportAbstracts : public QObject {
    Q_OBJECT
private slots:
    void roles_data();
    void roles();
    void folderIntoTheLibrary();
    void everyFileImportedOrListed();
};

void TestImportAbstracts::roles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // empty: passed over

    const QByteArray worked = "Acta Fict Med. 2001 Mar;56(3):310-4.\r\n\r\n\r\n"
                              "Heart rate variability during sleep.\r\n\r\n"
                              "Orlov AB, Lee C.\r\n\r\n"
                              "Laboratory of Physiology, Institute of Medicine.\r\n\r\n"
                              "Twenty subjects were recorded over two nights.";
    QTest::newRow("worked example")
        << worked
        << "Acta Fict Med. 2001 Mar;56(3):310-4.|Heart rate variability during sleep.|"
           "Orlov AB, Lee C.|Laboratory of Physiology, Institute of Medicine.|"
           "Twenty subjects were recorded over two nights.|2001";
    QTest::newRow("LF and CR line ends")
        << numbered(10, "\n") + numbered(3, "\r") << "L0|L3|L5|L7|L9|2222";
    QTest::newRow("notice in the middle of line 3")
        << withLine(numbered(13), 3, "x Erratum in: y") << "L0|L6|L8|L10|L12|2222";
    QTest::newRow("each notice marker")
        << withLine(numbered(13), 3, "Corrected and republished from: z")
        << "L0|L6|L8|L10|L12|2222";
    QTest::newRow("marker case as written")
        << withLine(numbered(13), 3, "comment in: z") << "L0|comment in: z|L5|L7|L9|2222";
    QTest::newRow("bracket layout")
        << withLine(numbered(12), 5, "[Affil]") << "L0|L3|L7|[Affil] L9|L11|2222";
    QTest::newRow("bracket layout with the shift")
        << withLine(withLine(numbered(12), 3, "Comment on: a"), 5, "a [b")
        << "L0|L6|L7|a [b L9|L11|2222";
    QTest::newRow("year cut at the end of line 0")
        << withLine(numbered(10), 0, "Journal. 19") << "Journal. 19|L3|L5|L7|L9|19";
    QTest::newRow("full stop last on line 0")
        << withLine(numbered(10), 0, "Journal.") << "Journal.|L3|L5|L7|L9|";
    QTest::newRow("no full stop on line 0") << numbered(10) << "L0|L3|L5|L7|L9|2222";
    QTest::newRow("spaces kept") << withLine(numbered(10), 3, "  T  ") << "L0|  T  |L5|L7|L9|2222";
    QTest::newRow("NUL ends the text")
        << numbered(9) + QByteArray("L9\0tail\r\n", 9) << "L0|L3|L5|L7|L9|2222";
    QTest::newRow("too short") << numbered(9) << "";
    QTest::newRow("too short for the shift") << withLine(numbered(12), 3, "Comment in:") << "";
    QTest::newRow("too short for brackets") << withLine(numbered(11), 5, "[") << "";
    QTest::newRow("NUL before line 9") << numbered(5) + QByteArray(1, '\0') + numbered(10) << "";
    QTest::newRow("empty file") << QByteArray() << "";
}

void TestImportAbstracts::roles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    quil::AbstractEntry entry;
    QString why;
    const bool read = quil::AbstractTextReader::read(QByteArrayView(bytes), entry, &why);
    QCOMPARE(read ? show(entry) : QString(), expected);
    QCOMPARE(why.isEmpty(), read);
}

void TestImportAbstracts::folderIntoTheLibrary()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "abs.mdb";
    library::create(path);
    writeBytes(folder.file("Abstract/b.txt"), numbered(10));
    writeBytes(folder.file("Abstract/a.txt"), withLine(numbered(10), 5, "") + "\xC0\xFF");
    writeBytes(folder.file("Abstract/c.rtf"), "{\\rtf1 x}\r\n");
    QDir(folder.path()).mkpath("Abstract/sub");
    quil::ImportResult result;
    {
        TDataModule1 dm;
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
        result = quil::importAbstractFolder(dm, folder.file("Abstract"));
        QCOMPARE(dm.ADOTable.RecordCount(), 3);
    }
    QCOMPARE(result.stored, 2);
    QCOMPARE(result.passedOver.size(), 1);
    QCOMPARE(result.passedOver[0].file, QStringLiteral("c.rtf"));
    QCOMPARE(storedRows(path, "Name, WName, Title, WPublisher, Pages, Resume, City, Location"),
             QStringList({"New||New|||||", "New||L3|L0|L7|L9|2222|Key Words",
                          "L5|L5|L3|L0|L7|L9|2222|Key Words"}));
}

void TestImportAbstracts::everyFileImportedOrListed()
{
    TempProgramFolder folder;
    const QString path = library::folder(folder.path()) + "abs.mdb";
    library::create(path);
    const QString abstracts = folder.file("Abstract");
    QDir().mkpath(abstracts);
    const QByteArray dir = QFile::encodeName(abstracts) + '/';
    // A name from a Windows archive: "Автор.txt" in Windows-1251, not valid UTF-8.
    {
        const int fd =
            ::open((dir + "\xC0\xE2\xF2\xEE\xF0.txt").constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        const QByteArray text = numbered(10);
        QCOMPARE(::write(fd, text.constData(), size_t(text.size())), ssize_t(text.size()));
        ::close(fd);
    }
    QCOMPARE(::mkfifo((dir + "pipe").constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", abstracts + "/zero"));
    writeBytes(abstracts + "/long.txt", QByteArray(5 * 1024 * 1024, 'x'));
    writeBytes(abstracts + "/short.txt", numbered(2));

    const PipeWatchdog watchdog(abstracts + "/pipe");
    quil::ImportResult result;
    QElapsedTimer clock;
    clock.start();
    {
        TDataModule1 dm;
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
        result = quil::importAbstractFolder(dm, abstracts);
    }
    QVERIFY2(clock.elapsed() < 5000, "the import waited on a file");
    QCOMPARE(result.stored, 1);
    QStringList listed;
    for (const auto &problem : result.passedOver)
        listed << problem.file + ": " + problem.why.section(';', 0, 0);
    QCOMPARE(listed,
             QStringList({"long.txt: строка 1 длиннее 4 МБ",
                          "pipe: это не обычный файл (папка, канал, устройство или сокет)",
                          "short.txt: в файле 2 строки, а нужно не меньше 10",
                          "zero: это не обычный файл (папка, канал, устройство или сокет)"}));
    QCOMPARE(storedRows(path, "Title, WPublisher"), QStringList({"New|", "L3|L0"}));
}

QTEST_GUILESS_MAIN(TestImportAbstracts)
#include "test_import_abstracts.moc"
