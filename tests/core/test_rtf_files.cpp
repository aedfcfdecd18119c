// Stored values and abstract files: telling RTF from text, setting a document from either,
// loading and saving by extension with the fallback to the other format, and the errors.
#include "RtfTestUtil.h"

#include "platform/Error.h"
#include "rtf/AbstractFile.h"
#include "rtf/RtfInterpreter.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using quil::rtf::AbstractFile;
using quil::rtf::RichText;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const quil::Error &e) {
        return e.message();
    }
    return QString();
}

// A reader that has all it needs with the first text it is given.
class FirstTextOnly final : public quil::rtf::RtfSink {
public:
    explicit FirstTextOnly(quil::rtf::RtfInterpreter &in) : FIn(in) {}
    void text(QStringView text, const quil::rtf::RtfCharFormat &) override
    {
        received += text.size();
        FIn.stop();
    }
    void paragraphEnd(const quil::rtf::RtfParagraphFormat &) override {}
    void finish(const quil::rtf::RtfParagraphFormat &) override {}
    qsizetype received = 0;

private:
    quil::rtf::RtfInterpreter &FIn;
};

// "Привет" and "мир" in Windows-1251.
const QByteArray kPrivet = "\xcf\xf0\xe8\xe2\xe5\xf2";
const QByteArray kMir = "\xec\xe8\xf0";

} // namespace

class TestRtfFiles : public QObject {
    Q_OBJECT

private slots:
    void detection_data();
    void detection();
    void storedValues_data();
    void storedValues();
    void plainContentKeepsTheDefaultFont();
    void headOfAValue_data();
    void headOfAValue();
    void formatByExtension_data();
    void formatByExtension();
    void saveText();
    void loadText();
    void saveAndLoadRtf();
    void fallbackToTheOtherFormat_data();
    void fallbackToTheOtherFormat();
    void errors();
};

void TestRtfFiles::detection_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("rtf");
    QTest::newRow("rtf") << "{\\rtf1\\ansi x}" << true;
    QTest::newRow("leading whitespace") << " \r\n\t{\\rtf1 x}" << true;
    QTest::newRow("bare {\\rtf") << "{\\rtf" << true;
    QTest::newRow("byte-order mark") << QString::fromUtf8("\uFEFF{\\rtf1}") << true;
    QTest::newRow("New") << "New" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("only whitespace") << "  \r\n" << false;
    QTest::newRow("cut short") << "{\\rt" << false;
    QTest::newRow("text before") << "x{\\rtf1}" << false;
    QTest::newRow("upper case") << "{\\RTF1}" << false;
    QTest::newRow("no brace") << "\\rtf1 x" << false;
    QTest::newRow("no-break space before") << QString::fromUtf8("\u00A0{\\rtf1}") << false;
}

void TestRtfFiles::detection()
{
    QFETCH(QString, value);
    QFETCH(bool, rtf);
    QCOMPARE(RichText::isRtf(value), rtf);
    QCOMPARE(RichText::isRtf(value.toUtf8()), rtf);
}

void TestRtfFiles::storedValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("New") << "New"
                         << "New";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("imported text with CR LF") << QString::fromUtf8("Строка 1\r\nСтрока 2\r\n")
                                              << QString::fromUtf8("Строка 1\r\nСтрока 2\r\n");
    QTest::newRow("LF and lone CR") << "a\nb\rc"
                                    << "a\r\nb\r\nc";
    QTest::newRow("text that mentions rtf") << "see {\\rtf1 later}"
                                            << "see {\\rtf1 later}";
    QTest::newRow("rtf") << "{\\rtf1\\ansi\\ansicpg1251 \\'c0\\par \\'c1\\line c\\par}"
                         << QString::fromUtf8("А\r\nБ\r\nc");
    QTest::newRow("rtf with unicode held in the string")
        << QString::fromUtf8("{\\rtf1 Ёж\\par}") << QString::fromUtf8("Ёж");
}

void TestRtfFiles::storedValues()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    QTextDocument document;
    RichText::setContent(&document, value);
    QCOMPARE(RichText::plainText(document), text);
    QCOMPARE(RichText::plainTextOf(value), text);
    QVERIFY(!document.isModified());
    QVERIFY(!document.isUndoAvailable());
}

void TestRtfFiles::plainContentKeepsTheDefaultFont()
{
    QTextDocument document;
    document.setDefaultFont(RichText::defaultFont());
    RichText::setContent(&document, "{\\rtf1 \\b x}");
    RichText::setContent(&document, "New");
    const QTextCharFormat f = rtftest::formatOf(document, "New");
    QVERIFY(f.fontWeight() < QFont::Bold);
    QVERIFY(f.fontFamilies().toStringList().isEmpty());
    QCOMPARE(document.defaultFont().family(), QString("Times New Roman"));
    QCOMPARE(document.defaultFont().pointSize(), 12);
    // Stored back, the plain value becomes RTF.
    QVERIFY(RichText::isRtf(RichText::toRtf(document)));
    QCOMPARE(RichText::plainTextOf(RichText::toRtf(document)), QString("New"));
}

void TestRtfFiles::headOfAValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text"); // the whole text
    const QString many = QString(30000, 'a');
    QTest::newRow("rtf, one paragraph") << "{\\rtf1 " + many + "\\par}" << many;
    QTest::newRow("rtf, many paragraphs") << "{\\rtf1 " + QString("ab\\par ").repeated(10000) + "}"
                                          << QString("ab\r\n").repeated(9999) + "ab";
    QTest::newRow("rtf, runs") << "{\\rtf1 " + QString("{\\b x}y").repeated(15000) + "}"
                               << QString("xy").repeated(15000);
    QTest::newRow("plain, CR LF") << QString("a\r\n").repeated(15000)
                                  << QString("a\r\n").repeated(14999) + "a\r\n";
    QTest::newRow("rtf, shorter than the limit") << "{\\rtf1 abc\\par de}"
                                                 << "abc\r\nde";
    QTest::newRow("rtf, one paragraph of escapes")
        << "{\\rtf1\\ansi\\ansicpg1251 " + QString("\\'e6x").repeated(15000) + "}"
        << QString::fromUtf8("жx").repeated(15000);
    // The text begins past the head of the RTF that is read first.
    const QString picture = "{\\*\\pict " + QString(200000, '0') + "}";
    QTest::newRow("rtf, text after a large picture")
        << "{\\rtf1 " + picture + QString("\\\\").repeated(20) + many + "}"
        << QString(20, '\\') + many;
}

// Read with a limit, a value gives its head: at least the limit's characters, in full where it
// has no more, and far from all of a long one.
void TestRtfFiles::headOfAValue()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    constexpr int limit = 1000;
    QTextDocument document;
    RichText::setContent(&document, value, limit);
    const QString head = RichText::plainText(document);
    if (text.size() <= limit) {
        QCOMPARE(head, text);
        return;
    }
    QVERIFY2(head.size() > limit && head.size() < text.size() / 4,
             qPrintable(QString::number(head.size())));
    QCOMPARE(head, text.left(head.size()));
    // A reader that stops is not made to wait for the end of a long paragraph.
    quil::rtf::RtfInterpreter interpreter;
    FirstTextOnly first(interpreter);
    interpreter.run(value.toLatin1(), first);
    QVERIFY2(first.received < text.size() / 4, qPrintable(QString::number(first.received)));
}

void TestRtfFiles::formatByExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("text");
    QTest::newRow("txt") << "/a/b.txt" << true;
    QTest::newRow("TXT") << "/a/B.TXT" << true;
    QTest::newRow("Txt") << "c.Txt" << true;
    QTest::newRow("rtf") << "/a/Name.Abstract.rtf" << false;
    QTest::newRow("RTF") << "x.RTF" << false;
    QTest::newRow("other extension") << "x.doc" << false;
    QTest::newRow("no extension") << "x" << false;
    QTest::newRow("txt inside the name") << "x.txt.rtf" << false;
    QTest::newRow("dot folder") << "/a.txt/x" << false;
}

void TestRtfFiles::formatByExtension()
{
    QFETCH(QString, path);
    QFETCH(bool, text);
    QCOMPARE(AbstractFile::formatFor(path) == AbstractFile::Format::Text, text);
}

void TestRtfFiles::saveText()
{
    QTemporaryDir dir;
    QTextDocument document;
    RichText::setContent(
        &document,
        QString::fromUtf8("{\\rtf1\\ansi\\ansicpg1251 \\b \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\b0\\par "
                          "\\'ec\\'e8\\'f0 \\u945?\\line z\\par}"));
    const QString path = dir.filePath("a.TXT");
    AbstractFile::save(path, document);
    // 1251 bytes, CR LF, no formatting; α has no byte in 1251.
    QCOMPARE(readFile(path), kPrivet + "\r\n" + kMir + " ?\r\nz");
}

void TestRtfFiles::loadText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("in.txt");
    writeFile(path, kPrivet + "\r\n" + kMir + "\r\n\r\n\xab\x97\xbb");
    QTextDocument document;
    document.setDefaultFont(RichText::defaultFont());
    AbstractFile::load(path, &document);
    QCOMPARE(document.blockCount(), 4);
    QCOMPARE(RichText::plainText(document), QString::fromUtf8("Привет\r\nмир\r\n\r\n«—»"));
    QVERIFY(!rtftest::formatOf(document, QString::fromUtf8("мир"))
                 .hasProperty(QTextFormat::FontWeight));
}

void TestRtfFiles::saveAndLoadRtf()
{
    QTemporaryDir dir;
    QTextDocument document;
    RichText::setContent(&document, "{\\rtf1\\ansi\\ansicpg1251 \\i \\'c0\\'e1\\par}");
    const QString path = dir.filePath(QString::fromUtf8("Иванов И.И..Abstract.rtf"));
    AbstractFile::save(path, document);
    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
    QVERIFY(bytes.contains("\\i\\f0\\fs24\\'c0\\'e1\\par"));
    QTextDocument back;
    AbstractFile::load(path, &back);
    QCOMPARE(RichText::plainText(back), QString::fromUtf8("Аб"));
    QVERIFY(rtftest::formatOf(back, QString::fromUtf8("б")).fontItalic());
}

void TestRtfFiles::fallbackToTheOtherFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("text in an .rtf file")
        << "a.rtf" << kPrivet + "\r\n" + kMir << QString::fromUtf8("Привет\r\nмир");
    QTest::newRow("text in a file of another extension") << "a.doc" << QByteArray("x") << "x";
    QTest::newRow("rtf source in a .txt file is text")
        << "a.txt" << QByteArray("{\\rtf1 \\b x}") << "{\\rtf1 \\b x}";
    QTest::newRow("rtf in a .txt file with NUL bytes is rtf")
        << "a.txt" << QByteArray("{\\rtf1 x}\0", 10) << "x";
    QTest::newRow("empty .rtf file is empty text") << "a.rtf" << QByteArray() << "";
}

void TestRtfFiles::fallbackToTheOtherFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    writeFile(dir.filePath(name), bytes);
    QTextDocument document;
    AbstractFile::load(dir.filePath(name), &document);
    QCOMPARE(RichText::plainText(document), text);
}

void TestRtfFiles::errors()
{
    QTemporaryDir dir;
    QTextDocument document;
    RichText::setContent(&document, "kept");

    // Binary data is neither RTF nor text.
    writeFile(dir.filePath("bin.rtf"), QByteArray("\x01\x00\x02\xff", 4));
    QCOMPARE(errorOf([&] { AbstractFile::load(dir.filePath("bin.rtf"), &document); }),
             QString("Failed to Load Stream"));
    writeFile(dir.filePath("bin.txt"), QByteArray("ab\0cd", 5));
    QCOMPARE(errorOf([&] { AbstractFile::load(dir.filePath("bin.txt"), &document); }),
             QString("Failed to Load Stream"));
    QCOMPARE(RichText::plainText(document), QString("kept"));

    // A file that is not there: the platform's message.
    const QString missing =
        errorOf([&] { AbstractFile::load(dir.filePath("none.rtf"), &document); });
    QFile absent(dir.filePath("none.rtf"));
    QVERIFY(!absent.open(QIODevice::ReadOnly));
    QCOMPARE(missing, absent.errorString());

    // A file that cannot be created: the platform's message.
    const QString create =
        errorOf([&] { AbstractFile::save(dir.filePath("no/such/folder/x.rtf"), document); });
    QSaveFile uncreatable(dir.filePath("no/such/folder/x.rtf"));
    QVERIFY(!uncreatable.open(QIODevice::WriteOnly));
    QCOMPARE(create, uncreatable.errorString());

    // A device that takes no bytes.
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QCOMPARE(errorOf([&] { AbstractFile::save(readOnly, AbstractFile::Format::Rtf, document); }),
             QString("Failed to Save Stream"));
    QBuffer writeOnly;
    writeOnly.open(QIODevice::WriteOnly);
    QCOMPARE(errorOf([&] { AbstractFile::load(writeOnly, AbstractFile::Format::Rtf, &document); }),
             QString("Failed to Load Stream"));

    if (QFile::exists("/dev/full")) {
        // Opens, but every write fails.
        QCOMPARE(errorOf([&] { AbstractFile::save("/dev/full", document); }),
                 QString("Failed to Save Stream"));
    }
}

QTEST_MAIN(TestRtfFiles)
#include "test_rtf_files.moc"
