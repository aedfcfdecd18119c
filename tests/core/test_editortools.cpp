// The editor's tools without a screen: the symbol palette's items, link detection, file-link
// resolution under the program folder, and the dictionary hand-off's key sequence.
#include "TestSupport.h"

#include "editor/LinkFinder.h"
#include "editor/SymbolPalette.h"
#include "platform/KeySynthesizer.h"
#include "rtf/SymbolFont.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using quil::LinkFinder;
using quil::SymbolPalette;

class TestEditorTools : public QObject {
    Q_OBJECT

private slots:
    void paletteItems_data();
    void paletteItems();
    void paletteOrderAndCount();
    void findLinks_data();
    void findLinks();
    void linkAtPosition();
    void fileLinkLine_data();
    void fileLinkLine();
    void refusedPaths_data();
    void refusedPaths();
    void symbolicLinkOutOfTheFolder();
    void doubleCopyKeys();
};

void TestEditorTools::paletteItems_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("typed");
    QTest::addColumn<QString>("typedGlyph");

    QTest::newRow("1 congruent") << 0 << QByteArray("\x40") << u"≅"_qs << 0x40 << u"≅"_qs;
    QTest::newRow("2 Sigma") << 1 << QByteArray("\x53") << u"Σ"_qs << 0x53 << u"Σ"_qs;
    QTest::newRow("3 alpha") << 2 << QByteArray("\x61") << u"α"_qs << 0x61 << u"α"_qs;
    QTest::newRow("5 chi") << 4 << QByteArray("\x63") << u"χ"_qs << 0x63 << u"χ"_qs;
    QTest::newRow("10 omega") << 9 << QByteArray("\x77") << u"ω"_qs << 0x77 << u"ω"_qs;
    QTest::newRow("11 tilde operator") << 10 << QByteArray("\x7E") << u"∼"_qs << 0x7E << u"∼"_qs;
    QTest::newRow("12 florin") << 11 << QByteArray("\xA6") << u"ƒ"_qs << 0xA6 << u"ƒ"_qs;
    QTest::newRow("13 less or equal") << 12 << QByteArray("\xA3") << u"≤"_qs << 0xA3 << u"≤"_qs;
    QTest::newRow("14 <- types a left arrow")
        << 13 << QByteArray("<-") << u"<−"_qs << 0xAC << u"←"_qs;
    QTest::newRow("15 right arrow") << 14 << QByteArray("\xAE") << u"→"_qs << 0xAE << u"→"_qs;
    QTest::newRow("16 degree") << 15 << QByteArray("\xB0") << u"°"_qs << 0xB0 << u"°"_qs;
    QTest::newRow("19 times") << 18 << QByteArray("\xB4") << u"×"_qs << 0xB4 << u"×"_qs;
    QTest::newRow("22 identical") << 21 << QByteArray("\xBA") << u"≡"_qs << 0xBA << u"≡"_qs;
    QTest::newRow("23 = types almost equal") << 22 << QByteArray("=") << u"="_qs << 0xBB << u"≈"_qs;
    QTest::newRow("24 bullet") << 23 << QByteArray("\xB7") << u"•"_qs << 0xB7 << u"•"_qs;
    QTest::newRow("25 space") << 24 << QByteArray(" ") << u" "_qs << 0x20 << u" "_qs;
}

void TestEditorTools::paletteItems()
{
    QFETCH(int, index);
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QFETCH(int, typed);
    QFETCH(QString, typedGlyph);

    const SymbolPalette::Item &item = SymbolPalette::items().at(index);
    QCOMPARE(item.stored, stored);
    QCOMPARE(item.shown, shown);
    QCOMPARE(int(item.typed), typed);
    QCOMPARE(QString(item.typedGlyph), typedGlyph);
    QCOMPARE(int(SymbolPalette::typedCode(stored)), typed);
}

void TestEditorTools::paletteOrderAndCount()
{
    // Every item but "<-" and "=" types its own byte; the whole list, in order.
    const QByteArray expected("\x40\x53\x61\x62\x63\x65\x6C\x6D\x70\x77\x7E\xA6\xA3\xAC\xAE\xB0"
                              "\xB1\xB3\xB4\xB8\xB9\xBA\xBB\xB7\x20");
    QByteArray typed;
    QString glyphs;
    for (const SymbolPalette::Item &item : SymbolPalette::items()) {
        typed += char(item.typed);
        glyphs += item.typedGlyph;
    }
    QCOMPARE(SymbolPalette::items().size(), 25);
    QCOMPARE(typed, expected);
    QCOMPARE(glyphs, u"≅Σαβχελμπω∼ƒ≤←→°±≥×÷≠≡≈• "_qs);
    // Only whole texts are exceptions: a longer text starting with them types its first byte.
    QCOMPARE(int(SymbolPalette::typedCode("<--")), int('<'));
    QCOMPARE(int(SymbolPalette::typedCode("==")), int('='));
    QCOMPARE(int(SymbolPalette::typedCode({})), 0);
}

void TestEditorTools::findLinks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("links");

    QTest::newRow("none") << u"Обычный текст без ссылок, www и http"_qs << QStringList();
    QTest::newRow("web address ends at a blank")
        << u"См. http://example.org/a?b=1 и далее"_qs << QStringList{"http://example.org/a?b=1"};
    QTest::newRow("sentence punctuation is not part of it")
        << u"Сайт https://example.org/x. Далее"_qs << QStringList{"https://example.org/x"};
    QTest::newRow("closing bracket without an opening one")
        << u"(см. www.example.org/p)"_qs << QStringList{"www.example.org/p"};
    QTest::newRow("bracket inside the address kept")
        << u"http://en.wikipedia.org/wiki/Pi_(letter)"_qs
        << QStringList{"http://en.wikipedia.org/wiki/Pi_(letter)"};
    QTest::newRow("mail and ftp") << u"mailto:author@example.org; ftp://ftp.example.org/pub"_qs
                                  << QStringList{"mailto:author@example.org",
                                                 "ftp://ftp.example.org/pub"};
    QTest::newRow("scheme in any case")
        << u"HTTP://EXAMPLE.ORG"_qs << QStringList{"HTTP://EXAMPLE.ORG"};
    QTest::newRow("prefix inside a word is no link")
        << u"xhttp://example.org awww.example.org"_qs << QStringList();
    QTest::newRow("bare prefix is no link") << u"http:// mailto: www."_qs << QStringList();
    QTest::newRow("file link with blanks runs to its >")
        << u"Таблица file:<Docs\\My Tables.doc> здесь"_qs
        << QStringList{"file:<Docs\\My Tables.doc>"};
    QTest::newRow("two file links on a line")
        << u"file:<a.txt> и file:<b.txt>"_qs << QStringList{"file:<a.txt>", "file:<b.txt>"};
    QTest::newRow("file link without > ends at a blank")
        << u"file:<Docs\\x.doc и текст"_qs << QStringList{"file:<Docs\\x.doc"};
    QTest::newRow("empty file link") << u"file:<>"_qs << QStringList{"file:<>"};
    QTest::newRow("file link stops at a line break")
        << u"file:<a b\u2028c>"_qs << QStringList{"file:<a"};
}

void TestEditorTools::findLinks()
{
    QFETCH(QString, text);
    QFETCH(QStringList, links);

    QStringList found;
    for (const LinkFinder::Link &link : LinkFinder::find(text)) {
        QCOMPARE(text.mid(link.start, link.length), link.text);
        found << link.text;
    }
    QCOMPARE(found, links);
}

void TestEditorTools::linkAtPosition()
{
    const QString text = u"См. www.example.org и file:<a b.txt>."_qs;
    const int web = int(text.indexOf(u"www"));
    const int file = int(text.indexOf(u"file"));
    QCOMPARE(LinkFinder::at(text, web).text, u"www.example.org"_qs);
    QCOMPARE(LinkFinder::at(text, web + 14).text, u"www.example.org"_qs);
    QCOMPARE(LinkFinder::at(text, web + 15).length, 0);
    QCOMPARE(LinkFinder::at(text, file + 8).text, u"file:<a b.txt>"_qs);
    QCOMPARE(LinkFinder::at(text, 0).length, 0);
    QCOMPARE(LinkFinder::address(u"www.example.org"_qs), u"http://www.example.org"_qs);
    QCOMPARE(LinkFinder::address(u"mailto:a@b.org"_qs), u"mailto:a@b.org"_qs);
}

void TestEditorTools::fileLinkLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("relative");

    QTest::newRow("one link") << u"См. file:<Docs\\Tables.doc> тут"_qs
                              << int(LinkFinder::FileLink::File) << u"Docs/Tables.doc"_qs;
    QTest::newRow("two links: the first one on the line")
        << u"file:<first.txt> и file:<second.txt>"_qs << int(LinkFinder::FileLink::File)
        << u"first.txt"_qs;
    QTest::newRow("first :< is not a link")
        << u"a :< b file:<x.txt>"_qs << int(LinkFinder::FileLink::File) << u" b file:<x.txt"_qs;
    QTest::newRow("blanks in the path") << u"file:<My Docs\\a b.txt>"_qs
                                        << int(LinkFinder::FileLink::File) << u"My Docs/a b.txt"_qs;
    QTest::newRow("empty path is the folder")
        << u"file:<>"_qs << int(LinkFinder::FileLink::File) << QString();
    QTest::newRow("missing >") << u"file:<Docs\\Tables.doc и дальше"_qs
                               << int(LinkFinder::FileLink::None) << QString();
    QTest::newRow("> only before :<")
        << u"a > file:<Docs"_qs << int(LinkFinder::FileLink::None) << QString();
    QTest::newRow("no :<") << u"http://example.org"_qs << int(LinkFinder::FileLink::None)
                           << QString();
    QTest::newRow("dot steps that stay inside")
        << u"file:<./Docs/./a.txt>"_qs << int(LinkFinder::FileLink::File) << u"Docs/a.txt"_qs;
}

void TestEditorTools::fileLinkLine()
{
    QFETCH(QString, line);
    QFETCH(int, kind);
    QFETCH(QString, relative);

    TempProgramFolder folder;
    const LinkFinder::FileLink link = LinkFinder::resolveFileLink(line, folder.path());
    QCOMPARE(int(link.kind), kind);
    if (kind == LinkFinder::FileLink::File) {
        const QString expected = QDir::cleanPath(folder.path() + relative);
        QCOMPARE(link.path, expected);
    } else {
        QCOMPARE(link.path, QString());
    }
}

void TestEditorTools::refusedPaths_data()
{
    QTest::addColumn<QString>("line");

    QTest::newRow("parent step") << u"file:<..\\secret.txt>"_qs;
    QTest::newRow("parent step in the middle") << u"file:<Docs\\..\\..\\x>"_qs;
    QTest::newRow("parent step that would come back") << u"file:<Docs/../Docs/a.txt>"_qs;
    QTest::newRow("absolute unix path") << u"file:</etc/passwd>"_qs;
    QTest::newRow("absolute windows path") << u"file:<C:\\Windows\\win.ini>"_qs;
    QTest::newRow("drive-relative windows path") << u"file:<c:boot.ini>"_qs;
    QTest::newRow("network path") << u"file:<\\\\server\\share\\x>"_qs;
}

void TestEditorTools::refusedPaths()
{
    QFETCH(QString, line);

    TempProgramFolder folder;
    const LinkFinder::FileLink link = LinkFinder::resolveFileLink(line, folder.path());
    QCOMPARE(int(link.kind), int(LinkFinder::FileLink::Refused));
    QCOMPARE(link.path, QString());
    QVERIFY2(link.message.startsWith(u"Ссылка ведёт за пределы папки программы"_qs),
             qPrintable(link.message));
}

void TestEditorTools::symbolicLinkOutOfTheFolder()
{
    TempProgramFolder folder;
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    QVERIFY(QFile::link(outside.path(), folder.file(u"Out"_qs)));
    QVERIFY(QDir().mkpath(folder.file(u"Docs"_qs)));

    const auto out = LinkFinder::resolveFileLink(u"file:<Out\\x.txt>"_qs, folder.path());
    QCOMPARE(int(out.kind), int(LinkFinder::FileLink::Refused));
    QFile inside(folder.file(u"Docs/in.txt"_qs));
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.close();
    const auto in = LinkFinder::resolveFileLink(u"file:<Docs\\in.txt>"_qs, folder.path());
    QCOMPARE(int(in.kind), int(LinkFinder::FileLink::File));
    QCOMPARE(in.path, QDir::cleanPath(folder.file(u"Docs/in.txt"_qs)));
}

void TestEditorTools::doubleCopyKeys()
{
    using quil::KeyStroke;
    quil::ScopedScriptedKeySynthesizer keys;
    keys.controlScanCode = 29;
    const QList<KeyStroke> expected{{17, 29, false}, {67, 67, false}, {67, 67, true},
                                    {67, 67, false}, {67, 67, true},  {17, 29, true}};
    QVERIFY(quil::synthesizeDoubleCopy(quil::keySynthesizer()));
    QCOMPARE(keys.sent.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(keys.sent[i].virtualKey, expected[i].virtualKey);
        QCOMPARE(keys.sent[i].scanByte, expected[i].scanByte);
        QCOMPARE(keys.sent[i].keyUp, expected[i].keyUp);
    }

    // Where keys cannot be synthesised, nothing is sent and the caller is told.
    keys.sent.clear();
    keys.isAvailable = false;
    QVERIFY(!quil::synthesizeDoubleCopy(quil::keySynthesizer()));
    QCOMPARE(keys.sent.size(), 0);
}

QTEST_GUILESS_MAIN(TestEditorTools)
#include "test_editortools.moc"
