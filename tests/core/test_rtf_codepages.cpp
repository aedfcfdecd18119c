// Code pages and escapes: the characters that RTF text, \'hh, \uN and the Symbol font
// stand for, through both the document reader and the plain-text extractor.
#include "RtfTestUtil.h"

#include <QtTest>

class TestRtfCodePages : public QObject {
    Q_OBJECT

private slots:
    void characters_data();
    void characters();
    void rawEightBitBytes();
    void stringInputWithUnicode();
};

void TestRtfCodePages::characters_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    const QByteArray cyr =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}"
        "{\\f1\\fnil\\fcharset2 Symbol;}{\\f2\\fswiss\\fcharset0 Arial;}"
        "{\\f3\\fnil\\fcharset2 Wingdings;}{\\f4\\fnil Symbol;}}\\f0 ";

    QTest::newRow("cyrillic in 1251")
        << cyr + "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}" << QString::fromUtf8("Привет");
    QTest::newRow("hex digits in either case")
        << cyr + "\\'CF\\'f0\\'A8\\'b8\\'b9}" << QString::fromUtf8("ПрЁё№");
    QTest::newRow("1251 punctuation") << cyr + "\\'ab\\'97\\'bb\\'88}" << QString::fromUtf8("«—»€");
    QTest::newRow("document code page without a font table")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'e0\\'e1\\'e2}") << QString::fromUtf8("абв");
    QTest::newRow("western font in a Russian document")
        << cyr + "{\\f2 caf\\'e9 na\\'efve}}" << QString::fromUtf8("café naïve");
    QTest::newRow("default code page is 1252")
        << QByteArray("{\\rtf1 \\'e9\\'fc}") << QString::fromUtf8("éü");
    QTest::newRow("eastern european 238")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset238 Arial CE;}}\\f0 \\'b9\\'9a\\'e8}")
        << QString::fromUtf8("ąšč");
    QTest::newRow("greek 161")
        << QByteArray(
               "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset161 Arial Greek;}}\\f0 \\'e1\\'e2\\'d3}")
        << QString::fromUtf8("αβΣ");
    QTest::newRow("turkish 162")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset162 Arial TUR;}}\\f0 \\'fd\\'f0}")
        << QString::fromUtf8("ığ");
    QTest::newRow("oem 255 is 866")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset255 Terminal;}}\\f0 \\'80\\'a0}")
        << QString::fromUtf8("Аа");
    QTest::newRow("cpg wins over fcharset")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg1251 Arial;}}\\f0 \\'c0}")
        << QString::fromUtf8("А");
    QTest::newRow("fcharset 1 follows ansicpg")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 Arial;}}\\f0 \\'c0}")
        << QString::fromUtf8("А");
    QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e\\'a5}") << QString::fromUtf8("é•");
    QTest::newRow("shift-jis pair")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'82\\'a0}")
        << QString::fromUtf8("あ");
    QTest::newRow("font switch mid-word")
        << cyr + "\\'c0{\\f2 \\'c0}\\'c0}" << QString::fromUtf8("АÀА");

    QTest::newRow("symbol font signs") << cyr + "{\\f1 "
                                                "a\\'62\\'b3\\'bb\\'ac\\'ae\\'b0\\'b1\\'b4\\'b7\\'"
                                                "b8\\'b9\\'ba\\'40\\'53\\'7e\\'a6\\'a3}}"
                                       << QString::fromUtf8("αβ≥≈←→°±×•÷≠≡≅Σ∼ƒ≤");
    QTest::newRow("symbol font greek letters")
        << cyr + "{\\f1 abcdeglmpqwW}}" << QString::fromUtf8("αβχδεγλμπθωΩ");
    QTest::newRow("symbol font digits and space")
        << cyr + "{\\f1 1 2}}" << QString::fromUtf8("1 2");
    QTest::newRow("symbol named but no charset 2")
        << cyr + "{\\f4 p\\'b9}}" << QString::fromUtf8("π≠");
    QTest::newRow("symbol \\u in F0xx")
        << cyr + "{\\f1\\u61537?\\u-3999?}}" << QString::fromUtf8("αα");
    QTest::newRow("F0xx outside a symbol font stays")
        << cyr + "\\u61537?}" << QString(QChar(0xF061));
    QTest::newRow("other symbol fonts are not mapped")
        << cyr + "{\\f3 J}}" << QString(QChar(0xF04A));

    QTest::newRow("\\u skips one fallback") << cyr + "\\u1046?x}" << QString::fromUtf8("Жx");
    QTest::newRow("\\u space delimiter") << cyr + "\\u1046 ?x}" << QString::fromUtf8("Жx");
    QTest::newRow("\\uc0 skips nothing") << cyr + "\\uc0\\u1046 x}" << QString::fromUtf8("Жx");
    QTest::newRow("\\uc2 counts hex escapes")
        << cyr + "\\uc2\\u1046\\'c6\\'c6y}" << QString::fromUtf8("Жy");
    QTest::newRow("\\uc is scoped to its group")
        << cyr + "{\\uc2\\u1046\\'c6\\'c6}\\u1046?z}" << QString::fromUtf8("ЖЖz");
    QTest::newRow("a brace ends the fallback")
        << cyr + "\\uc3\\u1046?{x}y}" << QString::fromUtf8("Жxy");
    QTest::newRow("a control word counts as one")
        << cyr + "\\uc1\\u1046\\par x}" << QString::fromUtf8("Жx");
    QTest::newRow("negative \\u") << cyr + "\\u-20?}" << QString(QChar(0xFFEC));
    QTest::newRow("surrogate pair") << cyr + "\\u-10179?\\u-8704?}" << QString::fromUtf8("😀");
    QTest::newRow("unpaired high surrogate")
        << cyr + "\\u55357?x}" << QString::fromUtf8("\xEF\xBF\xBDx");
    QTest::newRow("unpaired low surrogate")
        << cyr + "\\u-8704?x}" << QString::fromUtf8("\xEF\xBF\xBDx");
    QTest::newRow("\\u beyond 16 bits") << cyr + "\\u70000?a}"
                                        << QString::fromUtf8("\xEF\xBF\xBD"
                                                             "a");

    QTest::newRow("control symbols")
        << cyr + "a\\~b\\-c\\_d\\\\e\\{f\\}}" << QString::fromUtf8("a\u00A0b\u00ADc\u2011d\\e{f}");
    QTest::newRow("quote and dash words")
        << cyr + "\\lquote\\rquote\\ldblquote\\rdblquote\\emdash\\endash\\bullet}"
        << QString::fromUtf8("‘’“”—–•");
    QTest::newRow("tab character and \\tab")
        << cyr + "a\tb\\tab c}" << QString::fromUtf8("a\tb\tc");
    QTest::newRow("CR and LF in the file are ignored")
        << cyr + "ab\r\ncd\ref}" << QString::fromUtf8("abcdef");
    QTest::newRow("backslash newline is \\par")
        << cyr + "ab\\\ncd}" << QString::fromUtf8("ab\r\ncd");
    QTest::newRow("space after a control symbol is text")
        << cyr + "\\'c0 \\'c1}" << QString::fromUtf8("А Б");
    QTest::newRow("word delimiter space is not text")
        << cyr + "\\b x\\b0  y}" << QString::fromUtf8("x y");
    // Text, escapes and escaped braces in a row are read as one run of bytes.
    QTest::newRow("fallback skipped inside a run of text and escapes")
        << cyr + "\\uc3\\u1046a\\'c0\\\\b\\'c1}" << QString::fromUtf8("ЖbБ");
    QTest::newRow("bad escapes inside a run")
        << cyr + "\\'c0\\'zz\\'c1\\'cx\\'c2}" << QString::fromUtf8("АzzБxВ");
    QByteArray longRun;
    QString longText;
    for (int i = 0; i < 1500; ++i) {
        longRun += i % 7 ? "\\'e0 \r\n\\{" : "\\'e0\\'f\\}";
        longText += QString::fromUtf8(i % 7 ? "а {" : "а}");
    }
    QTest::newRow("run longer than a token") << cyr + longRun + "}" << longText;
    QTest::newRow("hyphen ends a word without a number")
        << cyr + "\\b-x}" << QString::fromUtf8("-x");
}

void TestRtfCodePages::characters()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    rtftest::compareText(input, expected);
}

void TestRtfCodePages::rawEightBitBytes()
{
    // Some writers put 8-bit bytes in the text instead of \'hh; they are in the font's code page.
    const QByteArray input = "{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8 {\\f0 x}}";
    const QString expected = QString::fromUtf8("При x");
    rtftest::compareText(input, expected);
}

void TestRtfCodePages::stringInputWithUnicode()
{
    // RTF kept in a string that already holds Unicode text, as a database may hand it over.
    const QString rtf =
        QString::fromUtf8("{\\rtf1\\ansi\\ansicpg1251 Привет \\'e0 {\\b мир}\\par}");
    QCOMPARE(quil::rtf::RtfTextExtractor::plainText(rtf), QString::fromUtf8("Привет а мир"));
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(rtf, &document));
    QCOMPARE(quil::rtf::RichText::plainText(document), QString::fromUtf8("Привет а мир"));
    const QByteArray utf8Rtf = QString::fromUtf8("{\\urtf1 Ёлка \\u945?}").toUtf8();
    QCOMPARE(rtftest::extractText(utf8Rtf), QString::fromUtf8("Ёлка α"));
}

QTEST_MAIN(TestRtfCodePages)
#include "test_rtf_codepages.moc"
