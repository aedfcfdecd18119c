// The writer: the RichEdit form of its output, and round trips through the reader that
// keep text and formatting; unrtf, another reader, must find the same text.
#include "RtfTestUtil.h"

#include "rtf/RtfQtFormat.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QtTest>

using quil::rtf::RichText;
using quil::rtf::RtfQtFormat;
using quil::rtf::RtfReader;
using quil::rtf::RtfWriter;

namespace {

QTextCharFormat charFormat(const QString &family = QString(), double points = 0)
{
    QTextCharFormat f;
    if (!family.isEmpty())
        f.setFontFamilies(QStringList{family});
    if (points > 0)
        f.setFontPointSize(points);
    return f;
}

// A document that uses every format that the editor offers.
void buildFormatted(QTextDocument &document)
{
    document.setDefaultFont(RichText::defaultFont());
    QTextCursor c(&document);
    QTextCharFormat plain = charFormat("Times New Roman", 12);
    c.insertText(QString::fromUtf8("Исследование "), plain);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QString::fromUtf8("тонких"), bold);
    QTextCharFormat italic = plain;
    italic.setFontItalic(true);
    c.insertText(QString::fromUtf8(" плёнок"), italic);
    QTextCharFormat all = plain;
    all.setFontUnderline(true);
    all.setFontStrikeOut(true);
    all.setFontWeight(QFont::Bold);
    c.insertText(" {x}\\", all);
    QTextCharFormat sub = plain;
    sub.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    c.insertText("H", plain);
    c.insertText("2", sub);
    QTextCharFormat sup = plain;
    sup.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.insertText("O x", plain);
    c.insertText("3", sup);

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setTopMargin(8);
    centred.setBottomMargin(4);
    centred.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    c.insertBlock(centred, plain);
    QTextCharFormat arial = charFormat("Arial", 10.5);
    arial.setForeground(QColor(255, 0, 0));
    c.insertText(QString::fromUtf8("Красный Arial"), arial);
    QTextCharFormat marked = charFormat("Courier New", 14);
    marked.setBackground(QColor(255, 255, 0));
    c.insertText(QString::fromUtf8(" фон\tтаб\u00A0nbsp\u2028строка"), marked);

    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignJustify);
    indented.setLeftMargin(48);
    indented.setRightMargin(24);
    indented.setTextIndent(-24);
    indented.setLineHeight(20, QTextBlockFormat::MinimumHeight);
    c.insertBlock(indented, plain);
    c.insertText(QString::fromUtf8("中 😀 ē « » № ё Ё € — "), plain);
    QTextCharFormat symbol = charFormat("Symbol", 12);
    c.insertText(QString::fromUtf8("αβ≤→≈∑"), symbol);
    QTextCharFormat link = plain;
    link.setAnchor(true);
    link.setAnchorHref("http://example.org/q?a=1&b=%D0%B0");
    link.setFontUnderline(true);
    link.setForeground(QColor(0, 0, 255));
    c.insertText(" ", plain);
    c.insertText(QString::fromUtf8("ссылка"), link);
    c.insertText(".", plain);

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    right.setLineHeight(20, QTextBlockFormat::FixedHeight);
    c.insertBlock(right, plain);

    c.insertBlock(QTextBlockFormat(), plain);
    c.insertText(QString::fromUtf8("Первый"), plain);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    c.createList(bullets);
    c.insertBlock();
    c.insertText(QString::fromUtf8("Второй"), plain);

    QTextBlockFormat normal;
    c.insertBlock(normal, plain);
    c.insertText(QString::fromUtf8("Три"), plain);
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    numbers.setIndent(1);
    numbers.setProperty(RtfQtFormat::kListStart, 3);
    numbers.setNumberSuffix(")");
    c.createList(numbers);
    c.insertBlock();
    c.insertText(QString::fromUtf8("Четыре"), plain);

    c.insertBlock(normal, plain);
    c.insertText("roman", plain);
    QTextListFormat roman;
    roman.setStyle(QTextListFormat::ListUpperRoman);
    roman.setIndent(1);
    c.createList(roman);
    c.insertBlock(normal, plain);
    c.insertBlock(normal, plain);
}

QString effectiveFamily(const QTextDocument &d, const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? d.defaultFont().family() : families.first();
}

double effectivePoints(const QTextDocument &d, const QTextCharFormat &f)
{
    return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                     : d.defaultFont().pointSizeF();
}

QString brushName(const QTextCharFormat &f, int property)
{
    return f.hasProperty(property) && f.brushProperty(property).style() != Qt::NoBrush
               ? f.brushProperty(property).color().name()
               : QString();
}

// Everything the editor shows of a character, as one comparable line.
QString describeChar(const QTextDocument &d, const QTextCharFormat &f)
{
    return QStringLiteral("b%1 i%2 u%3 s%4 v%5 %6 %7pt fg%8 bg%9 a%10")
        .arg(f.fontWeight() >= QFont::Bold)
        .arg(f.fontItalic())
        .arg(f.fontUnderline())
        .arg(f.fontStrikeOut())
        .arg(int(f.verticalAlignment()))
        .arg(effectiveFamily(d, f))
        .arg(effectivePoints(d, f))
        .arg(brushName(f, QTextFormat::ForegroundBrush))
        .arg(brushName(f, QTextFormat::BackgroundBrush))
        .arg(f.anchorHref());
}

QString describeBlock(const QTextBlock &b)
{
    const QTextBlockFormat f = b.blockFormat();
    QString list = QStringLiteral("none");
    if (QTextList *l = b.textList()) {
        const QTextListFormat lf = l->format();
        list = QStringLiteral("%1 from %2 '%3' item %4")
                   .arg(int(lf.style()))
                   .arg(lf.hasProperty(RtfQtFormat::kListStart)
                            ? lf.intProperty(RtfQtFormat::kListStart)
                            : 1)
                   .arg(lf.numberSuffix())
                   .arg(l->itemNumber(b));
    }
    return QStringLiteral("align %1 l%2 r%3 fi%4 t%5 b%6 h%7/%8 list %9")
        .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
        .arg(f.leftMargin())
        .arg(f.rightMargin())
        .arg(f.textIndent())
        .arg(f.topMargin())
        .arg(f.bottomMargin())
        .arg(f.lineHeightType())
        .arg(f.lineHeight())
        .arg(list);
}

// Block by block and character by character, what the two documents show.
void compareDocuments(const QTextDocument &expected, const QTextDocument &actual)
{
    QCOMPARE(actual.blockCount(), expected.blockCount());
    QTextBlock e = expected.begin();
    QTextBlock a = actual.begin();
    for (; e.isValid() && a.isValid(); e = e.next(), a = a.next()) {
        QCOMPARE(a.text(), e.text());
        QCOMPARE(describeBlock(a), describeBlock(e));
        for (int i = 0; i < e.length() - 1; ++i) {
            QTextCursor ce(e);
            ce.setPosition(e.position() + i + 1);
            QTextCursor ca(a);
            ca.setPosition(a.position() + i + 1);
            QCOMPARE(describeChar(actual, ca.charFormat()),
                     describeChar(expected, ce.charFormat()));
        }
    }
}

QTextDocument *documentFromText(const QString &text, QObject *parent)
{
    auto *d = new QTextDocument(parent);
    d->setDefaultFont(RichText::defaultFont());
    d->setPlainText(text);
    return d;
}

} // namespace

class TestRtfRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void writtenForm_data();
    void writtenForm();
    void sevenBitAndOneParPerBlock();
    void quoteInALinkTarget();
    void formattedDocument();
    void symbolSignsInATextFont();
    void readWriteRead_data();
    void readWriteRead();
    void unrtfFindsTheSameText_data();
    void unrtfFindsTheSameText();
};

void TestRtfRoundTrip::writtenForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("body"); // what follows \viewkind4\uc1, up to the closing brace

    QTest::newRow("cyrillic") << QString::fromUtf8("Жук")
                              << QByteArray("\\pard\\lang1049\\f0\\fs24\\'c6\\'f3\\'ea\\par\r\n");
    QTest::newRow("two paragraphs")
        << QString::fromUtf8("a\nb")
        << QByteArray("\\pard\\lang1049\\f0\\fs24 a\\par\r\nb\\par\r\n");
    QTest::newRow("empty document")
        << QString() << QByteArray("\\pard\\lang1049\\f0\\fs24\\par\r\n");
    QTest::newRow("trailing empty paragraph")
        << QString("a\n") << QByteArray("\\pard\\lang1049\\f0\\fs24 a\\par\r\n\\par\r\n");
    QTest::newRow("outside the code page")
        << QString::fromUtf8("中ē😀")
        << QByteArray("\\pard\\lang1049\\f0\\fs24\\u20013?\\u275?\\u-10179?\\u-8704?\\par\r\n");
    QTest::newRow("braces and backslash")
        << QString("{a}\\") << QByteArray("\\pard\\lang1049\\f0\\fs24\\{a\\}\\\\\\par\r\n");
    QTest::newRow("tab, no-break space, soft hyphen")
        << QString::fromUtf8("a\tb\u00A0c\u00ADd")
        << QByteArray("\\pard\\lang1049\\f0\\fs24 a\\tab b\\~c\\-d\\par\r\n");
    QTest::newRow("1251 signs")
        << QString::fromUtf8("№«»€±°")
        << QByteArray("\\pard\\lang1049\\f0\\fs24\\'b9\\'ab\\'bb\\'88\\'b1\\'b0\\par\r\n");
}

void TestRtfRoundTrip::writtenForm()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, body);
    QTextDocument *document = documentFromText(text, this);
    const QByteArray expected = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl"
                                "{\\f0\\fnil\\fcharset204 Times New Roman;}}\r\n\\viewkind4\\uc1" +
                                body + "}\r\n";
    QCOMPARE(RtfWriter::write(*document), expected);
}

void TestRtfRoundTrip::sevenBitAndOneParPerBlock()
{
    QTextDocument document;
    buildFormatted(document);
    const QByteArray rtf = RtfWriter::write(document);
    for (char c : rtf)
        QVERIFY2((unsigned char)c < 0x80, "8-bit byte in the output");
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{"
                           "\\f0\\fnil\\fcharset204 Times New Roman;}"));
    QCOMPARE(rtf.count("\\par\r\n"), qsizetype(document.blockCount()));
    QVERIFY(rtf.contains("\\fnil\\fcharset2 Symbol;}"));
    QVERIFY(rtf.contains("{\\colortbl ;"));
    QVERIFY(rtf.contains(
        "{\\field{\\*\\fldinst{HYPERLINK \"http://example.org/q?a=1&b=%D0%B0\"}}{\\fldrslt{"));
    QVERIFY(rtf.contains("{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart3\\pndec{\\pntxta )}}"));
    QVERIFY(rtf.contains("{\\pntext\\f0 4)\\tab}"));
}

void TestRtfRoundTrip::quoteInALinkTarget()
{
    QTextDocument document;
    QTextCursor c(&document);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref("http://e.org/?q=\"x\"");
    c.insertText("q", link);
    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY(rtf.contains("HYPERLINK \"http://e.org/?q=%22x%22\""));
    QTextDocument back;
    QVERIFY(RtfReader::read(rtf, &back));
    QCOMPARE(
        QTextCursor(back.findBlockByNumber(0)).block().begin().fragment().charFormat().anchorHref(),
        QString("http://e.org/?q=%22x%22"));
}

void TestRtfRoundTrip::formattedDocument()
{
    QTextDocument document;
    buildFormatted(document);
    QTextDocument back;
    back.setDefaultFont(RichText::defaultFont());
    QVERIFY(RtfReader::read(RtfWriter::write(document), &back));
    compareDocuments(document, back);
    QCOMPARE(RichText::plainText(back), RichText::plainText(document));
}

void TestRtfRoundTrip::symbolSignsInATextFont()
{
    QTextDocument *document = documentFromText(QString::fromUtf8("a α b ≤"), this);
    const QByteArray rtf = RtfWriter::write(*document);
    QVERIFY(
        rtf.contains("{\\f0\\fnil\\fcharset204 Times New Roman;}{\\f1\\fnil\\fcharset2 Symbol;}}"));
    QVERIFY(rtf.contains("\\f0\\fs24 a \\f1 a\\f0  b \\f1\\'a3\\par"));
    QTextDocument back;
    QVERIFY(RtfReader::read(rtf, &back));
    QCOMPARE(RichText::plainText(back), QString::fromUtf8("a α b ≤"));
    QCOMPARE(rtftest::extractText(rtf), QString::fromUtf8("a α b ≤"));
}

void TestRtfRoundTrip::readWriteRead_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("richedit abstract") << QByteArray(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204{\\*"
        "\\fname Times New Roman;}Times New Roman CYR;}"
        "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
        "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs24\\'c8\\'f1\\'f1\\'eb\\'e5\\'e4\\'ee\\'e2\\'e0\\'"
        "ed\\'e8\\'e5 \\b\\'f2\\'ee\\'ed\\'ea\\'e8\\'f5\\b0  "
        "\\f1\\'61\\f0  = 5\\f1\\'b0\\f0 , \\cf1\\ul http://x.ru\\cf0\\ulnone\\par\r\n"
        "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-"
        "360\\li720 \\'ee\\'e4\\'e8\\'ed\\par\r\n"
        "{\\pntext\\f1\\'B7\\tab}\\'e4\\'e2\\'e0\\par\r\n\\pard\\qc\\sl360\\slmult1\\i\\fs28 "
        "\\'ea\\'ee\\'ed\\'e5\\'f6\\par\r\n}\r\n");
    QTest::newRow("word-like") << QByteArray(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset204 Times New "
        "Roman;}{\\f1\\fswiss\\fcharset0 Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}{\\*\\listtable{\\list{"
        "\\listlevel\\levelnfc0\\levelstartat2}\\listid5}}"
        "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}"
        "\\pard\\plain\\sa200\\sl276\\slmult1\\f0\\fs22 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 "
        "{\\f1\\cf1\\super x}\\par"
        "\\pard\\ls1\\li720\\fi-360 {\\listtext 2.\\tab}one\\par\\pard\\ls1\\li720\\fi-360 "
        "two\\par}");
}

void TestRtfRoundTrip::readWriteRead()
{
    QFETCH(QByteArray, rtf);
    QTextDocument first;
    first.setDefaultFont(RichText::defaultFont());
    QVERIFY(RtfReader::read(rtf, &first));
    QTextDocument second;
    second.setDefaultFont(RichText::defaultFont());
    QVERIFY(RtfReader::read(RtfWriter::write(first), &second));
    compareDocuments(first, second);
}

void TestRtfRoundTrip::unrtfFindsTheSameText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("cyrillic paragraphs")
        << QString::fromUtf8("Исследование тонких плёнок.\nВторой абзац: «цитата» — №5.");
    QTest::newRow("symbols") << QString::fromUtf8("α + β ≤ γ, 5 ± 1 °C, x ≈ y, a → b");
    // unrtf takes the rest of a word after \uN? for the fallback, so these stand at word ends.
    QTest::newRow("outside the code page") << QString::fromUtf8("café ē 中文 ü");
    QTest::newRow("ascii with braces") << QString("Plain {braces} and back\\slash.");
}

void TestRtfRoundTrip::unrtfFindsTheSameText()
{
    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (unrtf.isEmpty())
        QSKIP("unrtf is not installed");
    QFETCH(QString, text);
    QTextDocument *document = documentFromText(text, this);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("doc.rtf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(RtfWriter::write(*document));
    file.close();
    QProcess process;
    process.start(unrtf, {"--html", file.fileName()});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    // unrtf writes HTML with character references; Qt's HTML reader turns it back into text.
    QTextDocument html;
    html.setHtml(QString::fromUtf8(process.readAllStandardOutput()));
    QString theirs = html.toPlainText().trimmed();
    theirs.replace(QChar(0x2028), QLatin1Char('\n'));
    QCOMPARE(theirs, text);
}

QTEST_MAIN(TestRtfRoundTrip)
#include "test_rtf_roundtrip.moc"
