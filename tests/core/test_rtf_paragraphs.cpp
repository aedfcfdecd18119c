// Paragraphs read from RTF: where blocks begin and end, alignment, indents, spacing, and
// RichEdit and Word lists.
#include "RtfTestUtil.h"

#include "rtf/RtfQtFormat.h"

#include <QTextBlock>
#include <QTextList>
#include <QtTest>

using quil::rtf::RtfQtFormat;

namespace {

const QByteArray kHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}"
    "{\\f1\\fnil\\fcharset2 Symbol;}}\\viewkind4\\uc1 ";

QStringList blockTexts(const QTextDocument &document)
{
    QStringList texts;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        texts << b.text();
    return texts;
}

QTextBlock blockAt(const QTextDocument &document, int n) { return document.findBlockByNumber(n); }

} // namespace

class TestRtfParagraphs : public QObject {
    Q_OBJECT

private slots:
    void blocks_data();
    void blocks();
    void paragraphFormat_data();
    void paragraphFormat();
    void propertiesPersistUntilPard();
    void richEditLists();
    void richEditListStyles_data();
    void richEditListStyles();
    void wordLists();
    void tables();
};

void TestRtfParagraphs::blocks_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("blocks");
    QTest::addColumn<QString>("text");

    QTest::newRow("final \\par adds no paragraph")
        << QByteArray("a\\par}") << QStringList{"a"} << "a";
    QTest::newRow("second \\par is an empty paragraph")
        << QByteArray("a\\par\\par}") << QStringList{"a", ""} << "a\r\n";
    QTest::newRow("text without \\par") << QByteArray("a}") << QStringList{"a"} << "a";
    QTest::newRow("two paragraphs") << QByteArray("a\\par b}") << QStringList{"a", "b"} << "a\r\nb";
    QTest::newRow("two paragraphs, both ended")
        << QByteArray("a\\par b\\par}") << QStringList{"a", "b"} << "a\r\nb";
    QTest::newRow("empty document") << QByteArray("}") << QStringList{""} << "";
    QTest::newRow("only \\par") << QByteArray("\\par}") << QStringList{""} << "";
    QTest::newRow("leading empty paragraph")
        << QByteArray("\\par a\\par}") << QStringList{"", "a"} << "\r\na";
    QTest::newRow("properties after the last \\par")
        << QByteArray("a\\par\\pard\\plain\\f0 }") << QStringList{"a"} << "a";
    QTest::newRow("line break inside a paragraph")
        << QByteArray("a\\line b\\par}") << QStringList{QString::fromUtf8("a\u2028b")} << "a\r\nb";
    QTest::newRow("line break at the end")
        << QByteArray("a\\line\\par}") << QStringList{QString::fromUtf8("a\u2028")} << "a\r\n";
    QTest::newRow("\\par inside a group")
        << QByteArray("{a\\par}b\\par}") << QStringList{"a", "b"} << "a\r\nb";
}

void TestRtfParagraphs::blocks()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, blocks);
    QFETCH(QString, text);
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + body, &document));
    QCOMPARE(blockTexts(document), blocks);
    QCOMPARE(quil::rtf::RichText::plainText(document), text);
    QCOMPARE(rtftest::extractText(kHeader + body), text);
}

void TestRtfParagraphs::paragraphFormat_data()
{
    QTest::addColumn<QByteArray>("props");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    QTest::addColumn<double>("indent");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<int>("heightType");
    QTest::addColumn<double>("height");

    const int L = Qt::AlignLeft;
    const int single = QTextBlockFormat::SingleHeight;
    QTest::newRow("defaults") << QByteArray("") << L << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << single
                              << 0.0;
    QTest::newRow("centred") << QByteArray("\\qc") << int(Qt::AlignHCenter) << 0.0 << 0.0 << 0.0
                             << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("right") << QByteArray("\\qr") << int(Qt::AlignRight) << 0.0 << 0.0 << 0.0 << 0.0
                           << 0.0 << single << 0.0;
    QTest::newRow("justified") << QByteArray("\\qj") << int(Qt::AlignJustify) << 0.0 << 0.0 << 0.0
                               << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("left after centred")
        << QByteArray("\\qc\\ql") << L << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << single << 0.0;
    // 15 twips to the pixel at 96 dpi.
    QTest::newRow("indents") << QByteArray("\\li720\\ri1440\\fi-360") << L << 48.0 << 96.0 << -24.0
                             << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("first-line indent")
        << QByteArray("\\fi567") << L << 0.0 << 0.0 << 37.8 << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("space before and after")
        << QByteArray("\\sb120\\sa240") << L << 0.0 << 0.0 << 0.0 << 8.0 << 16.0 << single << 0.0;
    QTest::newRow("one and a half lines")
        << QByteArray("\\sl360\\slmult1") << L << 0.0 << 0.0 << 0.0 << 0.0 << 0.0
        << int(QTextBlockFormat::ProportionalHeight) << 150.0;
    QTest::newRow("double") << QByteArray("\\sl480\\slmult1") << L << 0.0 << 0.0 << 0.0 << 0.0
                            << 0.0 << int(QTextBlockFormat::ProportionalHeight) << 200.0;
    QTest::newRow("negative multiple")
        << QByteArray("\\sl-360\\slmult1") << L << 0.0 << 0.0 << 0.0 << 0.0 << 0.0
        << int(QTextBlockFormat::ProportionalHeight) << 150.0;
    QTest::newRow("at least") << QByteArray("\\sl300\\slmult0") << L << 0.0 << 0.0 << 0.0 << 0.0
                              << 0.0 << int(QTextBlockFormat::MinimumHeight) << 20.0;
    QTest::newRow("exactly") << QByteArray("\\sl-300\\slmult0") << L << 0.0 << 0.0 << 0.0 << 0.0
                             << 0.0 << int(QTextBlockFormat::FixedHeight) << 20.0;
    QTest::newRow("\\sl0 is single")
        << QByteArray("\\sl0\\slmult1") << L << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("huge indent is clamped")
        << QByteArray("\\li99999999") << L << 2112.0 << 0.0 << 0.0 << 0.0 << 0.0 << single << 0.0;
}

void TestRtfParagraphs::paragraphFormat()
{
    QFETCH(QByteArray, props);
    QFETCH(int, alignment);
    QFETCH(double, left);
    QFETCH(double, right);
    QFETCH(double, indent);
    QFETCH(double, top);
    QFETCH(double, bottom);
    QFETCH(int, heightType);
    QFETCH(double, height);
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + "\\pard" + props + " text\\par}", &document));
    const QTextBlockFormat f = document.begin().blockFormat();
    QCOMPARE(int(f.alignment() & Qt::AlignHorizontal_Mask), alignment);
    QCOMPARE(f.leftMargin(), left);
    QCOMPARE(f.rightMargin(), right);
    QCOMPARE(f.textIndent(), indent);
    QCOMPARE(f.topMargin(), top);
    QCOMPARE(f.bottomMargin(), bottom);
    QCOMPARE(f.lineHeightType(), heightType);
    QCOMPARE(f.lineHeight(), height);
}

void TestRtfParagraphs::propertiesPersistUntilPard()
{
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + "\\pard\\qc a\\par b\\par\\pard c\\par\\qr d}",
                                       &document));
    QCOMPARE(blockTexts(document), (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(blockAt(document, 0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    QCOMPARE(blockAt(document, 1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    QCOMPARE(blockAt(document, 2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
    // The properties in force when the paragraph ends are the ones it takes.
    QCOMPARE(blockAt(document, 3).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
}

void TestRtfParagraphs::richEditLists()
{
    const QByteArray body = "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{"
                            "\\pntxtb\\'B7}}\\fi-360\\li720 First bullet\\par\n"
                            "{\\pntext\\f1\\'B7\\tab}Second bullet\\par\n"
                            "\\pard{\\pntext\\f0 "
                            "1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{"
                            "\\pntxta.}}\\fi-360\\li720 One\\par\n"
                            "{\\pntext\\f0 2.\\tab}Two\\par\n"
                            "\\pard After\\par\n}";
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + body, &document));
    QCOMPARE(blockTexts(document),
             (QStringList{"First bullet", "Second bullet", "One", "Two", "After"}));
    QCOMPARE(rtftest::extractText(kHeader + body),
             QString("First bullet\r\nSecond bullet\r\nOne\r\nTwo\r\nAfter"));

    QTextList *bullets = blockAt(document, 0).textList();
    QVERIFY(bullets);
    QCOMPARE(blockAt(document, 1).textList(), bullets);
    QCOMPARE(bullets->format().style(), QTextListFormat::ListDisc);
    QCOMPARE(bullets->count(), 2);

    QTextList *numbers = blockAt(document, 2).textList();
    QVERIFY(numbers);
    QCOMPARE(bullets->itemNumber(blockAt(document, 2)), -1); // a list of its own
    QCOMPARE(blockAt(document, 3).textList(), numbers);
    QCOMPARE(numbers->format().style(), QTextListFormat::ListDecimal);
    QCOMPARE(numbers->format().numberSuffix(), QString("."));
    QCOMPARE(numbers->itemText(blockAt(document, 3)), QString("2."));
    QVERIFY(!blockAt(document, 4).textList());

    // \li720 less Qt's list indent of one level; \fi is kept for writing back.
    const QTextBlockFormat f = blockAt(document, 0).blockFormat();
    QCOMPARE(f.leftMargin(), 48.0 - document.indentWidth());
    QCOMPARE(f.intProperty(RtfQtFormat::kListHanging), -360);
}

void TestRtfParagraphs::richEditListStyles_data()
{
    QTest::addColumn<QByteArray>("pn");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("suffix"); // empty: Qt's own "."

    QTest::newRow("decimal from 3") << QByteArray("\\pnlvlbody\\pndec\\pnstart3{\\pntxta)}")
                                    << int(QTextListFormat::ListDecimal) << 3 << ")";
    QTest::newRow("body defaults to decimal")
        << QByteArray("\\pnlvlbody") << int(QTextListFormat::ListDecimal) << 1 << "";
    QTest::newRow("lower letters")
        << QByteArray("\\pnlvlbody\\pnlcltr") << int(QTextListFormat::ListLowerAlpha) << 1 << "";
    QTest::newRow("upper letters")
        << QByteArray("\\pnlvlbody\\pnucltr") << int(QTextListFormat::ListUpperAlpha) << 1 << "";
    QTest::newRow("lower roman") << QByteArray("\\pnlvlbody\\pnlcrm")
                                 << int(QTextListFormat::ListLowerRoman) << 1 << "";
    QTest::newRow("upper roman") << QByteArray("\\pnlvlbody\\pnucrm")
                                 << int(QTextListFormat::ListUpperRoman) << 1 << "";
    QTest::newRow("bullet") << QByteArray("\\pnlvlblt\\pnf1{\\pntxtb\\'B7}")
                            << int(QTextListFormat::ListDisc) << 1 << "";
    QTest::newRow("continuation is no list") << QByteArray("\\pnlvlcont") << 0 << 0 << "";
}

void TestRtfParagraphs::richEditListStyles()
{
    QFETCH(QByteArray, pn);
    QFETCH(int, style);
    QFETCH(int, start);
    QFETCH(QString, suffix);
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + "\\pard{\\*\\pn" + pn + "}\\fi-360\\li720 x\\par}",
                                       &document));
    QTextList *list = document.begin().textList();
    if (style == 0) { // Qt list styles are negative; 0 means none
        QVERIFY(!list);
        return;
    }
    QVERIFY(list);
    QCOMPARE(int(list->format().style()), style);
    const int stored = list->format().hasProperty(RtfQtFormat::kListStart)
                           ? list->format().intProperty(RtfQtFormat::kListStart)
                           : 1;
    QCOMPARE(stored, start);
    QCOMPARE(list->format().numberSuffix(), suffix);
}

void TestRtfParagraphs::wordLists()
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}"
        "{\\*\\listtable{\\list\\listtemplateid1\\listhybrid{\\listlevel\\levelnfc23\\levelstartat1"
        "{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\fi-360\\li720}\\listid11}"
        "{\\list\\listtemplateid2{\\listlevel\\levelnfc0\\levelstartat5{\\leveltext\\'02\\'00.;}{"
        "\\levelnumbers\\'01;}}"
        "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}}"
        "\\listid22}}"
        "{\\*\\listoverridetable{\\listoverride\\listid11\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid22\\listoverridecount0\\ls2}}"
        "\\pard\\ls1{\\listtext\\'b7\\tab}Dot one\\par"
        "{\\listtext\\'b7\\tab}Dot two\\par"
        "\\pard\\ls2\\ilvl0{\\listtext 5.\\tab}Five\\par"
        "\\pard Between\\par"
        "\\pard\\ls2\\ilvl0{\\listtext 6.\\tab}Six\\par"
        "\\pard\\ls2\\ilvl1{\\listtext a)\\tab}Sub\\par"
        "\\pard\\ls99 Unknown override\\par}";
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(rtf, &document));
    QCOMPARE(blockTexts(document), (QStringList{"Dot one", "Dot two", "Five", "Between", "Six",
                                                "Sub", "Unknown override"}));

    QTextList *dots = blockAt(document, 0).textList();
    QVERIFY(dots);
    QCOMPARE(dots->format().style(), QTextListFormat::ListDisc);
    QCOMPARE(blockAt(document, 1).textList(), dots);

    QTextList *numbers = blockAt(document, 2).textList();
    QVERIFY(numbers);
    QCOMPARE(numbers->format().style(), QTextListFormat::ListDecimal);
    QCOMPARE(numbers->format().intProperty(RtfQtFormat::kListStart), 5);
    QVERIFY(!blockAt(document, 3).textList());
    // Word numbers an override's paragraphs on across the paragraphs between them.
    QCOMPARE(blockAt(document, 4).textList(), numbers);
    QTextList *letters = blockAt(document, 5).textList();
    QVERIFY(letters);
    QCOMPARE(numbers->itemNumber(blockAt(document, 5)), -1); // a list of its own
    QCOMPARE(letters->format().style(), QTextListFormat::ListLowerAlpha);
    QVERIFY(!blockAt(document, 6).textList());
}

void TestRtfParagraphs::tables()
{
    // Table cells are not kept as a table: a cell ends with a tab, a row with a paragraph.
    const QByteArray body =
        "\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row\\pard After\\par}";
    QCOMPARE(rtftest::readText(kHeader + body), QString("A\tB\t\r\nAfter"));
    QCOMPARE(rtftest::extractText(kHeader + body), QString("A\tB\t\r\nAfter"));
}

QTEST_MAIN(TestRtfParagraphs)
#include "test_rtf_paragraphs.moc"
