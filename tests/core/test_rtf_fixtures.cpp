// RTF written by real programs (LibreOffice, pandoc) and RichEdit and Word forms written by
// hand: the text each holds, and the formats that matter in it.
#include "RtfTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTextBlock>
#include <QTextList>
#include <QtTest>

namespace {

const QString kFolder = QStringLiteral(QUIL_TEST_DATA "/rtf/");

QByteArray fileBytes(const QString &name)
{
    QFile file(kFolder + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The expected text, kept in UTF-8 with LF line ends.
QString expectedText(const QString &name)
{
    QString text = QString::fromUtf8(fileBytes(name));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

QTextBlock blockWith(const QTextDocument &document, const QString &probe)
{
    return document.find(probe, 0, QTextDocument::FindCaseSensitively).block();
}

} // namespace

class TestRtfFixtures : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void formats_data();
    void formats();
};

void TestRtfFixtures::text_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files = QDir(kFolder).entryList({"*.rtf"}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 6);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << file.chopped(4);
}

void TestRtfFixtures::text()
{
    QFETCH(QString, name);
    const QByteArray rtf = fileBytes(name + ".rtf");
    const QString expected = expectedText(name + ".txt");
    QVERIFY(!expected.isEmpty());
    rtftest::compareText(rtf, expected);
}

void TestRtfFixtures::formats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("check");

    for (const char *lo : {"libreoffice_writer", "libreoffice_html"}) {
        const QString n = QString::fromLatin1(lo);
        const auto row = [&n](const char *probe, const char *check) {
            QTest::addRow("%s: %s %s", qPrintable(n), probe, check)
                << n << QString::fromUtf8(probe) << QString::fromLatin1(check);
        };
        row("тонких", "bold");
        row("оксида", "italic");
        row("Центр", "centre");
        row("подчёркнуто", "underline");
        row("зачёркнуто", "strike");
        row("H2", "sub");
        row("x2", "super");
        row("статья", "href http://example.org/paper");
        row("Красный", "colour #ff0000");
        row("Первый пункт", "bullet");
        row("Второй пункт", "bullet");
        row("Один", "numbered");
    }
    const auto add = [](const char *name, const char *probe, const char *check) {
        QTest::addRow("%s: %s %s", name, probe, check)
            << QString::fromLatin1(name) << QString::fromUtf8(probe) << QString::fromLatin1(check);
    };
    add("pandoc", "магнитных", "bold");
    add("pandoc", "тонких", "italic");
    add("pandoc", "сайт", "href http://example.com/x");
    add("libreoffice_docx", "магнитных", "bold");
    add("libreoffice_docx", "сайт", "href http://example.com/x");
    add("libreoffice_docx", "пункт один", "bullet");
    add("richedit_wordpad", "тонких", "bold");
    add("richedit_wordpad", "плёнок", "plain");
    add("richedit_wordpad", "α", "family Symbol");
    add("richedit_wordpad", "Центр", "centre");
    add("richedit_wordpad", "Центр", "italic");
    add("richedit_wordpad", "Первый", "bullet");
    add("richedit_wordpad", "Два", "numbered");
    add("richedit_wordpad", "example", "colour #0000ff");
    add("richedit_wordpad", "фон", "background #ffff00");
    add("richedit_wordpad", "H2", "sub");
    add("richedit_wordpad", "Arial 10", "family Arial");
    add("richedit_wordpad", "Arial 10", "size 10");
    add("unicode_symbols", "≤", "family Symbol");
}

void TestRtfFixtures::formats()
{
    QFETCH(QString, name);
    QFETCH(QString, probe);
    QFETCH(QString, check);
    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(fileBytes(name + ".rtf"), &document));
    const QTextCharFormat f = rtftest::formatOf(document, probe);
    QVERIFY2(f.isValid(), qPrintable("no text " + probe));
    const QString kind = check.section(' ', 0, 0);
    const QString value = check.section(' ', 1);
    const QTextBlock block = blockWith(document, probe);
    if (kind == "bold")
        QCOMPARE(f.fontWeight(), int(QFont::Bold));
    else if (kind == "plain")
        QVERIFY(f.fontWeight() < QFont::Bold && !f.fontItalic() && !f.fontUnderline());
    else if (kind == "italic")
        QVERIFY(f.fontItalic());
    else if (kind == "underline")
        QVERIFY(f.fontUnderline());
    else if (kind == "strike")
        QVERIFY(f.fontStrikeOut());
    else if (kind == "sub")
        QCOMPARE(f.verticalAlignment(), QTextCharFormat::AlignSubScript);
    else if (kind == "super")
        QCOMPARE(f.verticalAlignment(), QTextCharFormat::AlignSuperScript);
    else if (kind == "href")
        QCOMPARE(f.anchorHref(), value);
    else if (kind == "colour")
        QCOMPARE(f.foreground().color().name(), value);
    else if (kind == "background")
        QCOMPARE(f.background().color().name(), value);
    else if (kind == "family")
        QCOMPARE(f.fontFamilies().toStringList().value(0), value);
    else if (kind == "size")
        QCOMPARE(f.fontPointSize(), value.toDouble());
    else if (kind == "centre")
        QCOMPARE(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    else if (kind == "bullet" || kind == "numbered") {
        QVERIFY(block.textList());
        const auto style = block.textList()->format().style();
        const bool bullet = style == QTextListFormat::ListDisc ||
                            style == QTextListFormat::ListCircle ||
                            style == QTextListFormat::ListSquare;
        QCOMPARE(bullet, kind == "bullet");
    } else {
        QFAIL(qPrintable("unknown check " + check));
    }
}

QTEST_MAIN(TestRtfFixtures)
#include "test_rtf_fixtures.moc"
