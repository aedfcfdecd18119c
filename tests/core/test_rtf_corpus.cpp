// Bad input: the reader and the extractor survive it, give text, and agree. The fuzzing
// corpus is replayed here, with hand-made damage whose text is known.
#include "RtfTestUtil.h"

#include "rtf/RtfInterpreter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

namespace {

const QByteArray kRichEdit =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204{\\*\\fname "
    "Times New Roman;}Times New Roman CYR;}"
    "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
    "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs24\\'c8\\'f1\\'f1\\'eb \\b\\'f2\\'ee\\b0  "
    "\\f1\\'61\\f0  \\u1046?\\u-10179?\\u-8704?\\par\r\n"
    "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-"
    "360\\li720 x\\line y\\par\r\n"
    "{\\field{\\*\\fldinst{HYPERLINK \"http://x/\"}}{\\fldrslt{link}}}{\\pict\\bin4 "
    "}}{}\\par\r\n}\r\n";

// Both paths must find the same text; the document must not be left half-built. An
// extractor used for one text after another finds what a fresh one finds: nothing of the
// texts before it (fonts, groups left open, a paragraph end pending) carries over. The
// extractor's general route finds it too.
void checkAgree(const QByteArray &input, quil::rtf::RtfTextExtractor &reused)
{
    bool isRtf = false;
    const QString extracted = quil::rtf::RtfTextExtractor::plainText(input, &isRtf);
    static quil::rtf::RtfTextExtractor general(quil::rtf::RtfTextExtractor::Route::General);
    QCOMPARE(general.text(input).toString(), extracted);
    bool reusedIsRtf = !isRtf;
    QCOMPARE(reused.text(input, &reusedIsRtf).toString(), extracted);
    QCOMPARE(reusedIsRtf, isRtf);
    QTextDocument document;
    QCOMPARE(quil::rtf::RtfReader::read(input, &document), isRtf);
    if (isRtf)
        QCOMPARE(quil::rtf::RichText::plainText(document), extracted);
    else
        QVERIFY(extracted.isEmpty());
}

// A literal that may hold NUL bytes.
template <size_t N>
QByteArray withNul(const char (&bytes)[N])
{
    return QByteArray(bytes, qsizetype(N - 1));
}

} // namespace

class TestRtfCorpus : public QObject {
    Q_OBJECT

private slots:
    void fuzzCorpus();
    void damaged_data();
    void damaged();
    void everyTruncation();
    void randomBytes();
    void fastRouteAgrees_data();
    void fastRouteAgrees();
};

void TestRtfCorpus::fuzzCorpus()
{
    QDir dir(QStringLiteral(QUIL_SOURCE_DIR "/fuzz/corpus"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 20, "the fuzzing corpus is missing");
    quil::rtf::RtfTextExtractor reused;
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        // Each file also cut in half, so that the next one follows a text left unfinished.
        checkAgree(input.left(input.size() / 2), reused);
        checkAgree(input, reused);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable("corpus file " + name));
    }
}

void TestRtfCorpus::damaged_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("only the opening") << QByteArray("{\\rtf") << "";
    QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << "a";
    QTest::newRow("hex escape cut short") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 a\\'c") << "a";
    QTest::newRow("truncated file") << QByteArray("{\\rtf1 abc\\par de") << "abc\r\nde";
    QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 a{\\b b{\\i c") << "abc";
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}}b") << "a";
    QTest::newRow("text after the root") << QByteArray("{\\rtf1 a}{\\rtf1 b}") << "a";
    QTest::newRow("deep nesting") << QByteArray("{\\rtf1 ") + QByteArray(200000, '{') + "x" +
                                         QByteArray(200000, '}') + "y}"
                                  << "xy";
    QTest::newRow("deep nesting, never closed")
        << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "z"
        << "z";
    QTest::newRow("deep skipped group")
        << QByteArray("{\\rtf1 a{\\*\\x") + QByteArray(100000, '{') + QByteArray(100000, '}') +
               "}b}"
        << "ab";
    QTest::newRow("huge parameters")
        << QByteArray(
               "{\\rtf1\\fs99999999999999999999\\li-99999999999\\uc99999999 a\\u2147483648?b}")
        << QString::fromUtf8("a\uFFFD");
    QTest::newRow("huge font and colour numbers")
        << QByteArray("{\\rtf1{\\fonttbl{\\f2147483647\\fcharset2147483647 X;}}"
                      "{\\colortbl;\\red999\\green-5\\blue0;}\\f2147483647\\cf2147483647 a}")
        << "a";
    QTest::newRow("code page numbers that do not exist")
        << QByteArray("{\\rtf1\\ansicpg99999{\\fonttbl{\\f0\\cpg-7 X;}}\\f0\\'e9}")
        << QString::fromUtf8("é");
    QTest::newRow("invalid hex escapes") << QByteArray("{\\rtf1 a\\'zzb\\'\\'4}") << "azzb";
    QTest::newRow("negative \\u") << QByteArray("{\\rtf1\\u-32768?\\u-99999?x}")
                                  << QString::fromUtf8("\u8000\uFFFDx");
    QTest::newRow("enormous \\bin") << QByteArray("{\\rtf1 a\\bin2147483647 {}}}}b") << "a";
    QTest::newRow("negative \\bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << "ab";
    QTest::newRow("\\bin holding braces") << QByteArray("{\\rtf1 a{\\pict\\bin3 }{}}b}") << "ab";
    QTest::newRow("\\bin in a skipped group")
        << QByteArray("{\\rtf1 a{\\*\\blob\\bin2 }}b}c}") << "ac";
    QTest::newRow("word longer than 32 letters")
        << QByteArray("{\\rtf1 \\") + QByteArray(40, 'b') + " a}"
        << "a";
    QTest::newRow("very long word") << QByteArray("{\\rtf1 \\") + QByteArray(1000000, 'p') + "1 a}"
                                    << "a";
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b}\0", 10) << "ab";
    QTest::newRow("control characters")
        << QByteArray("{\\rtf1 a\x01\x1f\\'0a\\'0d\\u8233?b\\u65532?}")
        << QString::fromUtf8("a\r\nb");
    QTest::newRow("field without instruction")
        << QByteArray("{\\rtf1{\\field{\\fldrslt x}}{\\fldinst y}}") << "x";
    QTest::newRow("list words outside their tables")
        << QByteArray("{\\rtf1\\ls5\\ilvl99\\levelnfc23\\listid3\\pnlvlblt a\\par}") << "a";
    QTest::newRow("destination at the root") << QByteArray("{\\rtf1\\pict abc}") << "";
    // Sizes at which work that grows faster than the input would not finish.
    QTest::newRow("many font tables")
        << QByteArray("{\\rtf1") + QByteArray("{\\fonttbl{\\f1\\fcharset204 A;}}").repeated(20000) +
               "\\f1\\'c0}"
        << QString::fromUtf8("А");
    QTest::newRow("many line breaks")
        << QByteArray("{\\rtf1 a") + QByteArray("\\line").repeated(200000) + "}"
        << "a" + QString("\r\n").repeated(200000);
    QByteArray lists = "{\\rtf1{\\*\\listtable";
    for (int id = 1; id <= 5000; ++id)
        lists += "{\\list{\\listlevel\\levelnfc23}\\listid" + QByteArray::number(id) + "}";
    lists += "}{\\*\\listoverridetable{\\listoverride\\listid5000\\ls1}}";
    QTest::newRow("many word lists")
        << lists + QByteArray("\\pard\\ls1 x\\par").repeated(5000) + "}"
        << QString("x\r\n").repeated(4999) + "x";
    QTest::newRow("binary garbage after the header")
        << QByteArray("{\\rtf1 \xff\xfe\x80\x00\x7f}", 13) << QString::fromUtf8("ÿþ€\u007f");
}

void TestRtfCorpus::damaged()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    rtftest::compareText(input, text);
}

void TestRtfCorpus::everyTruncation()
{
    quil::rtf::RtfTextExtractor reused;
    for (qsizetype n = 0; n <= kRichEdit.size(); ++n) {
        checkAgree(kRichEdit.left(n), reused);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("cut at %1").arg(n)));
    }
}

void TestRtfCorpus::randomBytes()
{
    QRandomGenerator random(20261207);
    quil::rtf::RtfTextExtractor reused;
    const QByteArray alphabet = "{}\\'abcdefu0123456789- ;*\r\n\t\x80\xff";
    for (int round = 0; round < 300; ++round) {
        QByteArray input = "{\\rtf1 ";
        const int length = random.bounded(1, 600);
        for (int i = 0; i < length; ++i)
            input += random.bounded(4) == 0 ? char(random.bounded(256))
                                            : alphabet.at(random.bounded(alphabet.size()));
        checkAgree(input, reused);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable("input " + input.toHex()));
    }
}

QTEST_MAIN(TestRtfCorpus)
// Runs of text decoded straight from the bytes, and a font table taken again from the text
// before, give what the tokens give, byte for byte, whichever way the raw text is read.
void TestRtfCorpus::fastRouteAgrees_data()
{
    QTest::addColumn<QByteArray>("input");
    int files = 0;
    for (const char *folder : {QUIL_TEST_DATA, QUIL_SOURCE_DIR "/fuzz/corpus"}) {
        const QDir root(QString::fromUtf8(folder));
        QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            if (!quil::rtf::RtfInterpreter::isRtf(bytes.constData(), bytes.size()))
                continue;
            QTest::newRow(qPrintable(root.dirName() + u'/' + root.relativeFilePath(path))) << bytes;
            ++files;
        }
    }
    QVERIFY2(files >= 40, "the RTF files to compare are missing");
    const QByteArray head = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Times;}"
                            "{\\f1\\fnil\\fcharset2 Symbol;}{\\f2\\fcharset0 Arial;}}\\f0 ";
    QTest::newRow("escape mark at the very end") << head + "ab\\'";
    QTest::newRow("one digit at the end") << head + "ab\\'e";
    QTest::newRow("one digit") << head + "a\\'e b\\'E\\'e0\\'F";
    QTest::newRow("control characters as escapes")
        << head + "\\'e0\\'01\\'e1\\'0d\\'0A\\'09\\'e2 \\'00\\'1f\\'7f\\'98x";
    QTest::newRow("no digits") << head + "a\\'zz b\\'\\'e0\\'g1";
    QTest::newRow("a run across group ends")
        << head + "\\'e0 \\'e1{\\'e2 x\\b\\'e3}\\'e4 y}{\\f2\\'e5}\\'e6";
    QTest::newRow("fallbacks")
        << head + "\\uc2\\u1046\\'e6\\'e6 rest\\u1047 ab cd{\\uc0\\u1046\\'e6 x}"
                  "\\u1048\\'e8 z\\uc1\\u-10179\\'3f\\u-8704\\'3f w\\u55357 \\'e0";
    QTest::newRow("font groups")
        << head + "a{\\f1}b{\\f1 }c{\\f1  d}{\\f2\\'e0}{\\f1\\b\\'61\\b0 x\\'01\\\\}{\\f1-2}{\\f2x}"
                  "{\\f1\\'61{\\b y}}{\\f99\\'e0}{\\f123456\\'e0}{\\f00001\\'61}{\\f1\\u945?}"
                  "{\\f1\\'61\\par}{\\f1\\*\\x y}{\\f1\\'6}{\\f1\\'61\\v z}{\\f1\\'61";
    // A word passed over is known again by its bytes, and by the byte after them.
    QTest::newRow("words met again")
        << head + "a\\foo\\'e0 b\\fooq c\\foo-1 d\\foo x\\foo\\'e0 e\\i0\\'e1 f\\i05 g\\i0 h\\i0x"
                  "\\i0-\\b0\\'e2 \\b01 k\\b0 \\b0  l\\*\\foo m                }";
    QTest::newRow("a font group too deep") << head + QByteArray(600, '{') + "{\\f1\\'61}x";
    QTest::newRow("hidden runs") << head + "a{\\v hidden \\'e0}b\\v c\\'e1\\v0 d";
    QTest::newRow("symbol font") << head + "x{\\f1\\'61\\'b1 a}y\\f1 b\\'61\\f0 \\'61";
    QByteArray otherTable = head;
    otherTable.replace("Symbol;", "Symbos;");
    QTest::newRow("a table as long as the one before") << otherTable + "x{\\f1\\'61}y";
    QTest::newRow("a table that reaches beyond itself")
        << "{\\rtf1\\ansi{\\fonttbl\\deff1{\\f0 Times;}{\\f1\\fcharset2 Symbol;}}" +
               QByteArray("\\plain a\\'61 b\\par").repeated(8) + "}";
    QTest::newRow("ignorable after text")
        << head + "{\\'\\*\\foo skip}x{\\r\\n\\*\\bar skip}y{ \\*\\baz shown}"
                  "{\\'e0\\*\\qux shown}{\\\\\\*\\zap shown}{\\b\\*\\quux shown}"
                  "{\\'0d\\*\\quuz shown}{\\'a\\*\\corge shown}";
    QTest::newRow("binary data") << head + "a\\bin3 {}}b\\'e0\\bin2 \\'c";
    QTest::newRow("escaped specials, tabs, line ends")
        << head + withNul("a\\\\b\\{c\\}\td\r\ne\0f\x01g\\\r\nh\x7f\x98\xe0");
    QTest::newRow("a page that moves ASCII") << QByteArray("{\\rtf1\\ansi\\ansicpg37 abc\\'c1 x}");
    QTest::newRow("a multi-byte page") << QByteArray("{\\rtf1\\ansicpg932 a\\'82\\'a0 b\\'e0 c}");
    QByteArray longRun = head;
    for (int i = 0; i < 700; ++i)
        longRun += i % 7 ? "abc \\'e0\\'e1 " : "spectroscopy growth of thin films ";
    QTest::newRow("a run longer than a piece") << longRun + "\\par}";
    // Texts that begin alike up to a word that the byte after it ends in one and goes on in
    // the other: the second may not take the first one's head.
    const QByteArray alike = "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset204 " + QByteArray(80, 'N') +
                             ";}{\\f10\\fcharset0 B;}}\\f1";
    QTest::newRow("a head, then text") << alike + "\\'e0 x}";
    QTest::newRow("the same head, its last word going on") << alike + "0\\'e0 x}";
    QTest::newRow("the same head, then other text") << alike + " \\'e1\\f10 y}";
}

void TestRtfCorpus::fastRouteAgrees()
{
    QFETCH(QByteArray, input);
    using quil::rtf::RtfTextExtractor;
    // Kept from row to row, as a pass over many abstracts keeps them.
    static RtfTextExtractor fast;
    static RtfTextExtractor general(RtfTextExtractor::Route::General);
    for (const bool utf8 : {false, true}) {
        // Cut in half too, so that a run ends with the input.
        for (const QByteArray &part : {input, input.left(input.size() / 2)}) {
            bool fastRtf = false;
            bool generalRtf = true;
            const QString expected = general.text(part, &generalRtf, utf8).toString();
            QCOMPARE(fast.text(part, &fastRtf, utf8).toString(), expected);
            QCOMPARE(fastRtf, generalRtf);
        }
    }
}

#include "test_rtf_corpus.moc"
