// The catalogue's text order: the comparison SQLite calls and the sort keys the dataset sorts
// by must agree, on Russian, Latin and odd text alike.
#include "db/RussianCollation.h"

#include <QtTest>
#include <algorithm>

class TestCollation : public QObject {
    Q_OBJECT
private slots:
    void russianOrder();
    void keysAgreeWithComparison();
};

void TestCollation::russianOrder()
{
    const QStringList expected = {"",   "1999", "apple", "Apple b", "Zebra", "банан",
                                  "Еж", "ёж",   "Ёлка",  "жук",     "Яков",  "яковлев"};
    QStringList shuffled = expected;
    std::reverse(shuffled.begin(), shuffled.end());
    std::stable_sort(shuffled.begin(), shuffled.end(), [](const QString &a, const QString &b) {
        return quil::compareRussian(a, b) < 0;
    });
    QCOMPARE(shuffled, expected);
    QCOMPARE(quil::compareRussian(u"Банан", u"банан"), 0); // case is ignored
    QCOMPARE(quil::compareRussian(u"ЁЖ", u"ёж"), 0);
    QVERIFY(quil::compareRussian(u"е", u"ё") < 0);
    QVERIFY(quil::compareRussian(u"ё", u"ж") < 0);
    QVERIFY(quil::compareRussian(u"ИВАН", u"иванов") < 0); // a prefix sorts first
}

void TestCollation::keysAgreeWithComparison()
{
    // Every ASCII byte in runs longer than a machine word, and every two-byte character, each
    // after a run of ASCII of another length: the key from UTF-8 takes those on short cuts.
    QString ascii, twoByte;
    for (char16_t c = 1; c < 0x80; ++c)
        ascii += QChar(c);
    for (char16_t c = 0x80; c < 0x800; ++c)
        twoByte += QChar(c) + QString(c % 11, QChar(u"@AZ[`az{Mm"[c % 10]));
    const QStringList texts = {ascii,
                               twoByte,
                               ascii.toUpper(),
                               "",
                               "a",
                               "A",
                               "ab",
                               "b",
                               "é",
                               "z",
                               "а",
                               "Б",
                               "б",
                               "е",
                               "Е",
                               "ё",
                               "Ё",
                               "ж",
                               "я",
                               "Я",
                               "ѐ",
                               "ђ",
                               "№",
                               "—",
                               "0",
                               "9",
                               "Ω",
                               "ω",
                               "😀",
                               QString(QChar(0xFFFD)),
                               "ёлка",
                               "елка",
                               "жёлтый",
                               "желтый",
                               "Müller",
                               "Muller",
                               "Иванов И.И.",
                               "Иванов, И."};
    for (const QString &a : texts) {
        for (const QString &b : texts) {
            std::string ka, kb;
            quil::appendRussianSortKey(a, ka);
            quil::appendRussianSortKey(b, kb);
            const int byKey = ka.compare(kb);
            const int byCompare = quil::compareRussian(a, b);
            const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
            // The key made from the engine's bytes is the very key made from the text.
            std::string fromUtf8;
            quil::appendRussianSortKeyUtf8(ua, fromUtf8);
            if (fromUtf8 != ka)
                QFAIL(qPrintable(QString("the key of '%1' differs when made from UTF-8").arg(a)));
            const int byUtf8 = quil::compareRussianUtf8(ua.constData(), int(ua.size()),
                                                        ub.constData(), int(ub.size()));
            if ((byKey < 0) != (byCompare < 0) || (byKey == 0) != (byCompare == 0) ||
                byUtf8 != byCompare)
                QFAIL(qPrintable(QString("disagree on '%1' vs '%2': key %3, compare %4, utf8 %5")
                                     .arg(a, b)
                                     .arg(byKey)
                                     .arg(byCompare)
                                     .arg(byUtf8)));
        }
    }
}

QTEST_GUILESS_MAIN(TestCollation)
#include "test_collation.moc"
