// Hyperlink fields: the result text carries the link; the instruction is never text.
#include "RtfTestUtil.h"

#include <QTextCursor>
#include <QtTest>

namespace {

const QByteArray kHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}}\\f0 ";

} // namespace

class TestRtfLinks : public QObject {
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void formattingInsideTheResult();
};

void TestRtfLinks::fields_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("href"); // empty: not a link

    QTest::newRow("word hyperlink")
        << QByteArray("See {\\field{\\*\\fldinst{HYPERLINK "
                      "\"http://example.org/a?b=1\"}}{\\fldrslt{link}}} now}")
        << "See link now"
        << "link"
        << "http://example.org/a?b=1";
    QTest::newRow("text after the field is no link")
        << QByteArray("See {\\field{\\*\\fldinst{HYPERLINK "
                      "\"http://example.org/\"}}{\\fldrslt{link}}} now}")
        << "See link now"
        << "now"
        << "";
    QTest::newRow("instruction without inner group")
        << QByteArray("{\\field{\\*\\fldinst HYPERLINK \"mailto:a@b.ru\" }{\\fldrslt "
                      "\\'ef\\'e8\\'f8\\'e8}}}")
        << QString::fromUtf8("пиши") << QString::fromUtf8("пиши") << "mailto:a@b.ru";
    QTest::newRow("unquoted target")
        << QByteArray("{\\field{\\*\\fldinst{HYPERLINK http://x.ru/ }}{\\fldrslt{x}}}}") << "x"
        << "x"
        << "http://x.ru/";
    QTest::newRow("bookmark target")
        << QByteArray("{\\field{\\*\\fldinst{HYPERLINK \\\\l \"part2\"}}{\\fldrslt{go}}}}") << "go"
        << "go"
        << "#part2";
    QTest::newRow("cyrillic in the target")
        << QByteArray("{\\field{\\*\\fldinst{HYPERLINK "
                      "\"file:///C:/\\'c4\\'ee\\'ea.doc\"}}{\\fldrslt{d}}}}")
        << "d"
        << "d" << QString::fromUtf8("file:///C:/Док.doc");
    QTest::newRow("other fields show their result")
        << QByteArray("Page {\\field{\\*\\fldinst{ PAGE }}{\\fldrslt{7}}}}") << "Page 7"
        << "7"
        << "";
    QTest::newRow("field without result shows nothing")
        << QByteArray("a{\\field{\\*\\fldinst{HYPERLINK \"http://x/\"}}}b}") << "ab"
        << "b"
        << "";
    QTest::newRow("file link typed as text stays text")
        << QByteArray("file:<Docs\\\\Tables.doc>}") << "file:<Docs\\Tables.doc>"
        << "Tables"
        << "";
}

void TestRtfLinks::fields()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QFETCH(QString, probe);
    QFETCH(QString, href);
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + body, &document));
    QCOMPARE(quil::rtf::RichText::plainText(document), text);
    QCOMPARE(rtftest::extractText(kHeader + body), text);
    const QTextCharFormat f = rtftest::formatOf(document, probe);
    QCOMPARE(f.isAnchor(), !href.isEmpty());
    QCOMPARE(f.anchorHref(), href);
}

void TestRtfLinks::formattingInsideTheResult()
{
    const QByteArray body = "{\\field{\\*\\fldinst{HYPERLINK \"http://e.org/\"}}"
                            "{\\fldrslt{\\ul\\cf1 under}{\\b bold}}} after}";
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(kHeader + body, &document));
    const QTextCharFormat under = rtftest::formatOf(document, "under");
    const QTextCharFormat bold = rtftest::formatOf(document, "bold");
    QCOMPARE(under.anchorHref(), QString("http://e.org/"));
    QVERIFY(under.fontUnderline());
    QCOMPARE(bold.anchorHref(), QString("http://e.org/"));
    QCOMPARE(bold.fontWeight(), int(QFont::Bold));
    QVERIFY(!rtftest::formatOf(document, "after").isAnchor());
    QVERIFY(!rtftest::formatOf(document, "after").fontUnderline());
}

QTEST_MAIN(TestRtfLinks)
#include "test_rtf_links.moc"
