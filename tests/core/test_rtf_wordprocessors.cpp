// Constructs that word processors write and RichEdit itself never does: inserted symbols,
// section and page breaks, \upr, nested tables, footnote marks, hidden text, and the code
// pages of other systems. Both the document reader and the extractor must read them.
#include "RtfTestUtil.h"

#include <QtTest>

namespace {

const QByteArray kFonts =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1\\fcharset2 Symbol;}}\\f0 ";

QByteArray symbolField(const char *instruction, const char *result = "{\\fldrslt\\f1\\fs24}")
{
    return kFonts + "a {\\field{\\*\\fldinst " + instruction + "}" + result + "} b\\par}";
}

} // namespace

class TestRtfWordProcessors : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void symbolFieldTakesItsSize();
};

void TestRtfWordProcessors::text_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    const QString ab = QStringLiteral("a %1 b");
    QTest::newRow("symbol field, decimal, empty result")
        << symbolField("SYMBOL 97 \\\\f \"Symbol\" \\\\s 12") << ab.arg(QChar(0x03B1));
    QTest::newRow("symbol field, hexadecimal")
        << symbolField("SYMBOL 0x61 \\\\f \"Symbol\"") << ab.arg(QChar(0x03B1));
    QTest::newRow("symbol field, private-use code")
        << symbolField("SYMBOL 61628 \\\\f \"Symbol\" \\\\h") << ab.arg(QChar(0x2026));
    QTest::newRow("symbol field, result not doubled")
        << symbolField("SYMBOL 183 \\\\f \"Symbol\" \\\\s 10 \\\\h", "{\\fldrslt\\f1 \\'b7}")
        << ab.arg(QChar(0x2022));
    QTest::newRow("symbol field without a result")
        << symbolField("SYMBOL 222 \\\\f \"Symbol\" \\\\s 12", "") << ab.arg(QChar(0x21D2));
    QTest::newRow("symbol field, instruction in a group")
        << symbolField("{SYMBOL 112 \\\\f \"Symbol\"}") << ab.arg(QChar(0x03C0));
    QTest::newRow("symbol field, unquoted font")
        << symbolField("SYMBOL 179 \\\\f Symbol") << ab.arg(QChar(0x2265));
    QTest::newRow("symbol field, text font")
        << symbolField("SYMBOL 233 \\\\f \"Times New Roman\"") << ab.arg(QChar(0x00E9));
    QTest::newRow("symbol field, unicode")
        << symbolField("SYMBOL 937 \\\\f \"Arial\" \\\\u") << ab.arg(QChar(0x03A9));
    QTest::newRow("symbol field, shift-jis")
        << symbolField("SYMBOL 33440 \\\\j") << ab.arg(QChar(0x3042));
    QTest::newRow("symbol field, no code keeps the result")
        << symbolField("SYMBOL \\\\f \"Symbol\"", "{\\fldrslt x}") << ab.arg(QChar('x'));

    QTest::newRow("\\sect ends the paragraph")
        << QByteArray("{\\rtf1\\ansi one\\sect two\\par}") << "one\r\ntwo";
    QTest::newRow("\\page ends the paragraph")
        << QByteArray("{\\rtf1\\ansi one\\page two\\par}") << "one\r\ntwo";
    QTest::newRow("\\column ends the paragraph")
        << QByteArray("{\\rtf1\\ansi one{\\column }two\\par}") << "one\r\ntwo";
    QTest::newRow("break after \\par adds no paragraph")
        << QByteArray("{\\rtf1\\ansi one\\par\\page two\\par\\sect\\sectd three\\par}")
        << "one\r\ntwo\r\nthree";

    QTest::newRow("\\* inside a group before a formatting word")
        << QByteArray("{\\rtf1\\ansi{\\b\\*\\cs7 quick fox}\\par}") << "quick fox";
    QTest::newRow("\\* before a character style")
        << QByteArray("{\\rtf1\\ansi{\\*\\cs7 quick} fox\\par}") << "quick fox";
    QTest::newRow("\\* before a known formatting word")
        << QByteArray("{\\rtf1\\ansi{\\*\\b quick} fox\\par}") << "quick fox";
    QTest::newRow("\\* still hides an unknown destination")
        << QByteArray("{\\rtf1\\ansi a{\\*\\unknowndest gone}b\\par}") << "ab";

    QTest::newRow("\\upr takes the unicode side")
        << QByteArray("{\\rtf1\\ansi{\\upr{A?B}{\\*\\ud{A\\u945 B}}}\\par}")
        << QString::fromUtf8("AαB");
    QTest::newRow("lone \\ud") << QByteArray("{\\rtf1\\ansi{\\*\\ud{A\\u945 B}}\\par}")
                               << QString::fromUtf8("AαB");
    QTest::newRow("\\ud with a fallback count of its own")
        << QByteArray("{\\rtf1\\ansi x{\\upr{?}{\\*\\ud\\uc1\\u946?}}y\\par}")
        << QString::fromUtf8("xβy");

    QTest::newRow("\\nonesttables is skipped")
        << QByteArray("{\\rtf1\\ansi a\\nestcell{\\*\\nesttableprops\\trowd\\cellx100\\nestrow}"
                      "{\\nonesttables fallback\\par}b\\par}")
        << "a\t\r\nb";
    QTest::newRow("text in \\nesttableprops is kept")
        << QByteArray("{\\rtf1\\ansi{\\*\\nesttableprops\\trowd cell text}\\par}") << "cell text";

    QTest::newRow("footnote marks are numbered")
        << QByteArray("{\\rtf1\\ansi a{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} Note.}"
                      " b{\\super\\chftn}{\\*\\footnote{\\chftn} x} c\\par}")
        << "a1 b2 c";

    QTest::newRow("hidden group") << QByteArray("{\\rtf1\\ansi a{\\v hidden }b\\par}") << "ab";
    QTest::newRow("hidden run ended by \\v0")
        << QByteArray("{\\rtf1\\ansi a\\v hidden\\v0  b\\par}") << "a b";
    QTest::newRow("\\plain shows text again")
        << QByteArray("{\\rtf1\\ansi\\v x\\plain y\\par}") << "y";
    QTest::newRow("hidden field code")
        << QByteArray("{\\rtf1\\ansi see {\\v PAGEREF x }page\\par}") << "see page";

    const auto bytes = [](const char *header, const char *text) {
        return QByteArray("{\\rtf1") + header + " " + text + "}";
    };
    const auto font = [](int charset) {
        return QByteArray("\\ansi{\\fonttbl{\\f0\\fcharset") + QByteArray::number(charset) +
               " X;}}\\f0";
    };
    QTest::newRow("mac japanese code page")
        << bytes("\\ansi\\ansicpg10001", "\\'82\\'a0") << QString(QChar(0x3042));
    QTest::newRow("mac cyrillic code page")
        << bytes("\\ansi\\ansicpg10007", "\\'80\\'e0") << QString::fromUtf8("Аа");
    QTest::newRow("mac central european code page")
        << bytes("\\ansi\\ansicpg10029", "\\'82") << QString::fromUtf8("ā");
    QTest::newRow("mac roman charset 77")
        << bytes(font(77), "\\'8e\\'a5") << QString::fromUtf8("é•");
    QTest::newRow("mac shift-jis charset 78")
        << bytes(font(78), "\\'82\\'a0") << QString(QChar(0x3042));
    QTest::newRow("mac hangul charset 79")
        << bytes(font(79), "\\'b0\\'a1") << QString(QChar(0xAC00));
    QTest::newRow("mac gb2312 charset 80")
        << bytes(font(80), "\\'c4\\'e3") << QString(QChar(0x4F60));
    QTest::newRow("mac big5 charset 81") << bytes(font(81), "\\'a7\\'41") << QString(QChar(0x4F60));
    QTest::newRow("mac greek charset 85") << bytes(font(85), "\\'82") << QString::fromUtf8("²");
    QTest::newRow("mac russian charset 89")
        << bytes(font(89), "\\'80\\'e0") << QString::fromUtf8("Аа");
    QTest::newRow("pc 437 charset 254") << bytes(font(254), "\\'82") << QString::fromUtf8("é");
    QTest::newRow("euc-kr") << bytes("\\ansi\\ansicpg51949", "\\'b0\\'a1")
                            << QString(QChar(0xAC00));
    QTest::newRow("euc-jp") << bytes("\\ansi\\ansicpg51932", "\\'a4\\'a2")
                            << QString(QChar(0x3042));
    QTest::newRow("koi8-r") << bytes("\\ansi\\ansicpg20866", "\\'e1") << QString::fromUtf8("А");
    QTest::newRow("iso-8859-5") << bytes("\\ansi\\ansicpg28595", "\\'b0") << QString::fromUtf8("А");
    QTest::newRow("gb18030 beyond 16 bits")
        << bytes("\\ansi\\ansicpg54936", "\\'95\\'32\\'82\\'36") << QString::fromUtf8("𠀀");
}

void TestRtfWordProcessors::text()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    rtftest::compareText(input, expected);
}

void TestRtfWordProcessors::symbolFieldTakesItsSize()
{
    QTextDocument document;
    QVERIFY(
        quil::rtf::RtfReader::read(symbolField("SYMBOL 97 \\\\f \"Symbol\" \\\\s 9"), &document));
    QCOMPARE(rtftest::formatOf(document, QString(QChar(0x03B1))).fontPointSize(), 9.0);
    QCOMPARE(rtftest::formatOf(document, QStringLiteral("b")).fontPointSize(), 12.0);
}

QTEST_MAIN(TestRtfWordProcessors)
#include "test_rtf_wordprocessors.moc"
