// The program folder that the build lays out: the demo library shows a new user real
// abstracts, and laying the folder out again keeps the user's library and notebooks.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "export/ListExport.h"
#include "rtf/RichText.h"
#include "store/TDataModule1.h"

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>

namespace {

// Runs the layout tool over the project's data into a program folder.
void layOut(const QString &programFolder)
{
    QProcess tool;
    tool.start(QStringLiteral(QUIL_LAYOUT_PROGRAM),
               {QStringLiteral(QUIL_SOURCE_DIR "/data"), programFolder});
    QVERIFY(tool.waitForFinished(60000));
    QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0,
             tool.readAllStandardError().constData());
}

bool hasGreek(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.script() == QChar::Script_Greek; });
}

} // namespace

class TestDemoLibrary : public QObject {
    Q_OBJECT
private slots:
    void everyEntryHasAnAbstract();
    void referencesFitTheExportCodePage();
    void layingOutAgainKeepsWhatIsThere();
};

void TestDemoLibrary::everyEntryHasAnAbstract()
{
    TempProgramFolder folder;
    layOut(folder.path());
    const QString demo = folder.file("DBase/Demo.mdb");
    const QStringList rows = storedRows(demo, "WName, Resume");
    QCOMPARE(rows.size(), 30);

    int formatted = 0;
    for (const QString &row : rows) {
        const QString author = row.section(QLatin1Char('|'), 0, 0);
        const QString rtf = row.section(QLatin1Char('|'), 1);
        QVERIFY2(rtf.startsWith(QStringLiteral("{\\rtf1")), qPrintable(author));
        const QString text = quil::rtf::RichText::plainTextOf(rtf).simplified();
        // A few sentences of its own, not the placeholder.
        const int sentences = int(text.count(QRegularExpression(QStringLiteral("[.!?](\\s|$)"))));
        QVERIFY2(sentences >= 2 && text.size() >= 150,
                 qPrintable(QStringLiteral("%1: %2").arg(author, text)));
        const bool scripts =
            rtf.contains(QStringLiteral("\\sub")) || rtf.contains(QStringLiteral("\\super"));
        if (scripts && hasGreek(text))
            ++formatted;
    }
    // A third of them show what the editor's formatting is for.
    QVERIFY2(formatted >= rows.size() / 3, qPrintable(QString::number(formatted)));
}

void TestDemoLibrary::referencesFitTheExportCodePage()
{
    TempProgramFolder folder;
    layOut(folder.path());
    TDataModule1 dm;
    dm.OpenLibrary(folder.path(), QStringLiteral("Demo.mdb"));
    // The text list writes "?" for what Windows-1251 lacks: the demo's references need none.
    for (const auto format : {ListExport::Format::Text, ListExport::Format::Html}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const ListExport::Result result = ListExport(format, false).write(dm.ADOTable, buffer);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.rows, 30);
        QCOMPARE(result.replaced, 0);
    }
}

void TestDemoLibrary::layingOutAgainKeepsWhatIsThere()
{
    TempProgramFolder folder;
    layOut(folder.path());
    const QString demo = folder.file("DBase/Demo.mdb");
    execOn(demo, {"DELETE FROM Books WHERE key = (SELECT min(key) FROM Books)",
                  "UPDATE Books SET WName = 'Мой автор' WHERE key = (SELECT max(key) FROM Books)"});
    writeBytes(folder.file("Info.txt"), "my notes\r\n");
    const QStringList before = storedRows(demo, "key, WName, Resume");

    layOut(folder.path());
    QCOMPARE(storedRows(demo, "key, WName, Resume"), before);
    QCOMPARE(before.size(), 29);
    QCOMPARE(readBytes(folder.file("Info.txt")), QByteArray("my notes\r\n"));
    QVERIFY(QFile::exists(folder.file("Terms.txt")));
    QVERIFY(QFile::exists(folder.file("Import Data/Sample.txt")));
}

QTEST_MAIN(TestDemoLibrary)
#include "test_demo_library.moc"
