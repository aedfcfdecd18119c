// Character formatting read from RTF: toggles, scripts, sizes, fonts, colours, \plain and
// group scope.
#include "RtfTestUtil.h"

#include <QColor>
#include <QTextCursor>
#include <QtTest>

namespace {

const char *const kHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}"
    "{\\f1\\fswiss\\fcharset204{\\*\\fname Arial;}Arial CYR;}{\\f2\\fnil\\fcharset2 Symbol;}"
    "{\\f3\\fmodern Courier New;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\f0\\fs24 ";

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

} // namespace

class TestRtfCharFormat : public QObject {
    Q_OBJECT

private slots:
    void format_data();
    void format();
};

void TestRtfCharFormat::format_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("flags"); // b i u s: bold, italic, underline, strike-out
    QTest::addColumn<int>("script");    // QTextCharFormat::VerticalAlignment
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("foreground"); // empty: automatic
    QTest::addColumn<QString>("background"); // empty: none

    const int N = QTextCharFormat::AlignNormal;
    const int Sub = QTextCharFormat::AlignSubScript;
    const int Sup = QTextCharFormat::AlignSuperScript;
    const QString tnr = QStringLiteral("Times New Roman");

    QTest::newRow("plain text") << QByteArray("x}") << "x"
                                << "" << N << 12.0 << tnr << ""
                                << "";
    QTest::newRow("bold on") << QByteArray("\\b x\\b0 y}") << "x"
                             << "b" << N << 12.0 << tnr << ""
                             << "";
    QTest::newRow("bold off with \\b0") << QByteArray("\\b x\\b0 y}") << "y"
                                        << "" << N << 12.0 << tnr << ""
                                        << "";
    QTest::newRow("\\b1 is on") << QByteArray("\\b1 x}") << "x"
                                << "b" << N << 12.0 << tnr << ""
                                << "";
    QTest::newRow("italic") << QByteArray("\\i x\\i0 y}") << "x"
                            << "i" << N << 12.0 << tnr << ""
                            << "";
    QTest::newRow("underline") << QByteArray("\\ul x\\ulnone y}") << "x"
                               << "u" << N << 12.0 << tnr << ""
                               << "";
    QTest::newRow("\\ulnone ends it") << QByteArray("\\ul x\\ulnone y}") << "y"
                                      << "" << N << 12.0 << tnr << ""
                                      << "";
    QTest::newRow("\\ul0 ends it") << QByteArray("\\ul x\\ul0 y}") << "y"
                                   << "" << N << 12.0 << tnr << ""
                                   << "";
    QTest::newRow("word underline") << QByteArray("\\ulw x}") << "x"
                                    << "u" << N << 12.0 << tnr << ""
                                    << "";
    QTest::newRow("double underline") << QByteArray("\\uldb x}") << "x"
                                      << "u" << N << 12.0 << tnr << ""
                                      << "";
    QTest::newRow("strike-out") << QByteArray("\\strike x\\strike0 y}") << "x"
                                << "s" << N << 12.0 << tnr << ""
                                << "";
    QTest::newRow("double strike-out") << QByteArray("\\striked1 x}") << "x"
                                       << "s" << N << 12.0 << tnr << ""
                                       << "";
    QTest::newRow("all four") << QByteArray("\\b\\i\\ul\\strike x}") << "x"
                              << "bius" << N << 12.0 << tnr << ""
                              << "";
    QTest::newRow("subscript") << QByteArray("H\\sub 2\\nosupersub O}") << "2"
                               << "" << Sub << 12.0 << tnr << ""
                               << "";
    QTest::newRow("superscript") << QByteArray("x\\super 2\\nosupersub}") << "2"
                                 << "" << Sup << 12.0 << tnr << ""
                                 << "";
    QTest::newRow("\\nosupersub ends a script") << QByteArray("\\super x\\nosupersub y}") << "y"
                                                << "" << N << 12.0 << tnr << ""
                                                << "";
    QTest::newRow("\\up raises") << QByteArray("\\up6 x\\up0 y}") << "x"
                                 << "" << Sup << 12.0 << tnr << ""
                                 << "";
    QTest::newRow("\\up0 ends it") << QByteArray("\\up6 x\\up0 y}") << "y"
                                   << "" << N << 12.0 << tnr << ""
                                   << "";
    QTest::newRow("\\dn lowers") << QByteArray("\\dn4 x}") << "x"
                                 << "" << Sub << 12.0 << tnr << ""
                                 << "";
    QTest::newRow("size in half-points") << QByteArray("\\fs17 x}") << "x"
                                         << "" << N << 8.5 << tnr << ""
                                         << "";
    QTest::newRow("large size") << QByteArray("\\fs72 x}") << "x"
                                << "" << N << 36.0 << tnr << ""
                                << "";
    QTest::newRow("\\fs0 keeps a usable size") << QByteArray("\\fs0 x}") << "x"
                                               << "" << N << 12.0 << tnr << ""
                                               << "";
    QTest::newRow("font by index") << QByteArray("\\f3 x}") << "x"
                                   << "" << N << 12.0 << "Courier New"
                                   << ""
                                   << "";
    QTest::newRow("fname gives the real face") << QByteArray("\\f1 x}") << "x"
                                               << "" << N << 12.0 << "Arial"
                                               << ""
                                               << "";
    QTest::newRow("unknown font index") << QByteArray("\\f9 x}") << "x"
                                        << "" << N << 12.0 << ""
                                        << ""
                                        << "";
    QTest::newRow("text colour") << QByteArray("\\cf1 x\\cf0 y}") << "x"
                                 << "" << N << 12.0 << tnr << "#ff0000"
                                 << "";
    QTest::newRow("\\cf0 is automatic") << QByteArray("\\cf1 x\\cf0 y}") << "y"
                                        << "" << N << 12.0 << tnr << ""
                                        << "";
    QTest::newRow("unknown colour is automatic") << QByteArray("\\cf7 x}") << "x"
                                                 << "" << N << 12.0 << tnr << ""
                                                 << "";
    QTest::newRow("highlight") << QByteArray("\\highlight2 x\\highlight0 y}") << "x"
                               << "" << N << 12.0 << tnr << ""
                               << "#0000ff";
    QTest::newRow("\\highlight0 is none") << QByteArray("\\highlight2 x\\highlight0 y}") << "y"
                                          << "" << N << 12.0 << tnr << ""
                                          << "";
    QTest::newRow("character background") << QByteArray("\\cb1 x}") << "x"
                                          << "" << N << 12.0 << tnr << ""
                                          << "#ff0000";
    QTest::newRow("shading pattern colour") << QByteArray("\\chcbpat2 x}") << "x"
                                            << "" << N << 12.0 << tnr << ""
                                            << "#0000ff";
    QTest::newRow("\\plain resets") << QByteArray("\\b\\i\\fs40\\cf1\\f3\\super x\\plain y}") << "y"
                                    << "" << N << 12.0 << tnr << ""
                                    << "";
    QTest::newRow("a group's format ends with it") << QByteArray("{\\b\\fs40\\cf2 x}y}") << "y"
                                                   << "" << N << 12.0 << tnr << ""
                                                   << "";
    QTest::newRow("inside the group") << QByteArray("{\\b\\fs40\\cf2 x}y}") << "x"
                                      << "b" << N << 20.0 << tnr << "#0000ff"
                                      << "";
    QTest::newRow("symbol font keeps its face")
        << QByteArray("\\b{\\f2 a}}") << QString::fromUtf8("α") << "b" << N << 12.0 << "Symbol"
        << ""
        << "";
}

void TestRtfCharFormat::format()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, probe);
    QFETCH(QString, flags);
    QFETCH(int, script);
    QFETCH(double, points);
    QFETCH(QString, family);
    QFETCH(QString, foreground);
    QFETCH(QString, background);

    QTextDocument document;
    QVERIFY(quil::rtf::RtfReader::read(QByteArray(kHeader) + body, &document));
    const QTextCharFormat f = rtftest::formatOf(document, probe);
    QVERIFY2(f.isValid(), qPrintable(QStringLiteral("no text ") + probe));
    QCOMPARE(f.fontWeight() >= QFont::Bold, flags.contains(QLatin1Char('b')));
    QCOMPARE(f.fontItalic(), flags.contains(QLatin1Char('i')));
    QCOMPARE(f.fontUnderline(), flags.contains(QLatin1Char('u')));
    QCOMPARE(f.fontStrikeOut(), flags.contains(QLatin1Char('s')));
    QCOMPARE(int(f.verticalAlignment()), script);
    QCOMPARE(f.fontPointSize(), points);
    QCOMPARE(familyOf(f), family);
    QCOMPARE(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name()
                                                         : QString(),
             foreground);
    QCOMPARE(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name()
                                                         : QString(),
             background);
}

QTEST_MAIN(TestRtfCharFormat)
#include "test_rtf_charformat.moc"
