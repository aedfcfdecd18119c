// RTF written by word processors and RTF libraries' own test suites: the text each file
// gives through both readers, and, where LibreOffice is installed, that the files it reads
// the same way still read the same.
#include "RtfTestUtil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kFolder = QStringLiteral(QUIL_TEST_DATA "/rtf/corpus/");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Text files keep LF; the readers give CR LF.
QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

} // namespace

class TestRtfRealCorpus : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void sameAsLibreOffice();
};

void TestRtfRealCorpus::text_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files = QDir(kFolder).entryList({"*.rtf"}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 10);
    const QByteArray sources = fileBytes(kFolder + "SOURCES");
    for (const QString &file : files) {
        QVERIFY2(sources.contains((file + " |").toUtf8()), qPrintable(file + " has no source"));
        QTest::newRow(qPrintable(file)) << file.chopped(4);
    }
}

void TestRtfRealCorpus::text()
{
    QFETCH(QString, name);
    const QByteArray rtf = fileBytes(kFolder + name + ".rtf");
    QVERIFY(!rtf.isEmpty());
    rtftest::compareText(rtf, withCrLf(QString::fromUtf8(fileBytes(kFolder + name + ".txt"))));
}

void TestRtfRealCorpus::sameAsLibreOffice()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("LibreOffice is not installed");
    const QStringList names =
        QString::fromUtf8(fileBytes(kFolder + "LIBREOFFICE")).split('\n', Qt::SkipEmptyParts);
    QVERIFY(!names.isEmpty());
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QStringList args{"-env:UserInstallation=file://" + out.path() + "/profile",
                     "--headless",
                     "--convert-to",
                     "txt:Text (encoded):UTF8",
                     "--outdir",
                     out.path()};
    for (const QString &name : names)
        args << kFolder + name + ".rtf";
    QProcess process;
    process.start(soffice, args);
    QVERIFY(process.waitForFinished(300000));
    for (const QString &name : names) {
        QString theirs = QString::fromUtf8(fileBytes(out.filePath(name + ".txt")));
        if (theirs.startsWith(QChar(0xFEFF)))
            theirs.remove(0, 1);
        while (theirs.endsWith('\n') || theirs.endsWith('\r'))
            theirs.chop(1);
        QCOMPARE(rtftest::extractText(fileBytes(kFolder + name + ".rtf")), withCrLf(theirs));
    }
}

QTEST_MAIN(TestRtfRealCorpus)
#include "test_rtf_realcorpus.moc"
