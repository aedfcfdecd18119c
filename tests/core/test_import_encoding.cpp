// Which encoding an imported text is taken to be, and that every import reads it so: the
// guess on short and long lines of each encoding, on the files the program has always read,
// and a reference list and an abstract file read through the guess.
#include "import/AbstractText.h"
#include "import/Import.h"
#include "import/ReferenceList.h"
#include "import/TextEncoding.h"
#include "store/TDataModule1.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QStringEncoder>
#include <QtTest>

using namespace quil;

namespace {

QByteArray encode(const QString &text, const QString &name, bool bom = false)
{
    QStringEncoder encoder(name.toLatin1().constData(),
                           bom ? QStringEncoder::Flag::WriteBom : QStringEncoder::Flag::Default);
    return encoder(text);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

const QString Short[] = {
    QStringLiteral("Ёж"),
    QStringLiteral("Мир"),
    QStringLiteral("ЛАНДАУ Л.Д."),
    QStringLiteral("Ландау Л.Д., Лифшиц Е.М.\tТеория поля\tМ.: Наука\t1988\tтеория поля"),
    QStringLiteral("Їжак і ґава, № 5 — «Світ»"),
    QStringLiteral("Ў Беларусі"),
    QStringLiteral("ФИЗИКА ТВЁРДОГО ТЕЛА"),
    QStringLiteral("Яю"),
};

const QString Sentence =
    QStringLiteral("Иванов И.И., Петров П.П.\tОптические свойства тонких плёнок\tЖурнал прикладной "
                   "физики, 1987, т. 5, вып. 3, с. 12-20\t1987\tоптика; плёнки");

} // namespace

class TestImportEncoding : public QObject {
    Q_OBJECT
private slots:
    void guess_data();
    void guess();
    void windowsFilesStayWindows();
    void listsAndAbstractsReadThroughTheGuess_data();
    void listsAndAbstractsReadThroughTheGuess();
    void utf8InPieces_data();
    void utf8InPieces();
};

void TestImportEncoding::guess_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    // Every short Cyrillic line written by the old program stays Windows-1251, and so does
    // text of ASCII only.
    int n = 0;
    for (const QString &line : Short) {
        QTest::addRow("1251 short %d", n)
            << encode(line, encoding::Windows1251) << encoding::Windows1251;
        QTest::addRow("utf-8 short %d", n) << encode(line, encoding::Utf8) << encoding::Utf8;
        ++n;
    }
    QTest::newRow("ascii") << QByteArray("Orlov A.B.\tOn films\tJ. Appl.\t1999\tflow\r\n")
                           << encoding::Windows1251;
    QTest::newRow("empty") << QByteArray() << encoding::Windows1251;
    QTest::newRow("1251 sentence")
        << encode(Sentence, encoding::Windows1251) << encoding::Windows1251;
    QTest::newRow("koi8-r sentence") << encode(Sentence, encoding::Koi8R) << encoding::Koi8R;
    QTest::newRow("cp866 sentence") << encode(Sentence, encoding::Cp866) << encoding::Cp866;
    QTest::newRow("cp866 upper") << encode(Sentence.toUpper(), encoding::Cp866) << encoding::Cp866;
    QTest::newRow("koi8-r upper") << encode(Sentence.toUpper(), encoding::Koi8R) << encoding::Koi8R;
    QTest::newRow("utf-8 bom") << encode(Sentence, encoding::Utf8, true) << encoding::Utf8;
    QTest::newRow("utf-16le bom") << encode(Sentence, encoding::Utf16LE, true) << encoding::Utf16LE;
    QTest::newRow("utf-16be bom") << encode(Sentence, encoding::Utf16BE, true) << encoding::Utf16BE;
    QTest::newRow("utf-16le bare") << encode(Sentence, encoding::Utf16LE) << encoding::Utf16LE;
    QTest::newRow("utf-16be bare") << encode(Sentence, encoding::Utf16BE) << encoding::Utf16BE;
    // "яю" in Windows-1251 are the bytes of a UTF-16 mark; the text after them decides.
    QTest::newRow("1251 begins with the mark")
        << encode(QStringLiteral("яюКина Ф.\tСказки\tМосква\t2001\tсказки"), encoding::Windows1251)
        << encoding::Windows1251;
    // A UTF-8 text cut by the end of the sample in the middle of a letter.
    const QByteArray utf8 = encode(Sentence.repeated(400), encoding::Utf8);
    qsizetype cut = EncodingSampleBytes - 1;
    while (static_cast<unsigned char>(utf8[cut]) < 0xC0)
        --cut;
    QTest::newRow("utf-8 cut") << utf8.first(cut + 1) << encoding::Utf8;
    const QString fixtures = QStringLiteral(QUIL_SOURCE_DIR "/tests/data/exchange/");
    const struct {
        const char *file;
        QString expected;
    } files[] = {
        {"own/bibtex/all.bib", encoding::Utf8},
        {"own/bibtex/all.cp1251.bib", encoding::Windows1251},
        {"own/ris/all.cp1251.ris", encoding::Windows1251},
        {"own/ris/ru04-abstract.ris", encoding::Utf8},
        {"jabref/bibtex/tiny-LE-withBOM.bib", encoding::Utf16LE},
        {"jabref/bibtex/tiny-BE-noBOM.bib", encoding::Utf16BE},
        {"jabref/bibtex/encoding-utf-16BE-with-header.bib", encoding::Utf16BE},
    };
    for (const auto &f : files)
        if (QFile::exists(fixtures + QLatin1String(f.file)))
            QTest::newRow(f.file) << readFile(fixtures + QLatin1String(f.file)) << f.expected;
}

void TestImportEncoding::guess()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(guessEncoding(bytes), expected);
}

// The reference lists and abstracts the program has always read, as it wrote them: the demo
// list and abstracts in Windows-1251, and the readers' fuzzing corpora, whatever bytes they
// hold. None may be read as anything else.
void TestImportEncoding::windowsFilesStayWindows()
{
    QList<QPair<QString, QByteArray>> files;
    const QString source = QStringLiteral(QUIL_SOURCE_DIR);
    for (const char *text : {"data/sample-import.txt", "data/Info.txt", "data/Terms.txt"})
        files.append({QLatin1String(text),
                      encode(QString::fromUtf8(readFile(source + QLatin1Char('/') + text)),
                             encoding::Windows1251)});
    QDirIterator abstracts(source + QStringLiteral("/data/demo/abstracts"), QDir::Files);
    while (abstracts.hasNext()) {
        const QString path = abstracts.next();
        files.append({path, encode(QString::fromUtf8(readFile(path)), encoding::Windows1251)});
    }
    for (const char *corpus : {"fuzz/corpus-reference-list", "fuzz/corpus-abstract"}) {
        QDirIterator it(source + QLatin1Char('/') + corpus, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            files.append({path, readFile(path)});
        }
    }
    QVERIFY(files.size() > 20);
    for (const auto &[name, bytes] : files)
        QVERIFY2(guessEncoding(bytes) == encoding::Windows1251,
                 qPrintable(name + QStringLiteral(" read as ") + guessEncoding(bytes)));
}

void TestImportEncoding::listsAndAbstractsReadThroughTheGuess_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : {encoding::Windows1251, encoding::Utf8, encoding::Utf16LE,
                                encoding::Utf16BE, encoding::Koi8R, encoding::Cp866})
        QTest::newRow(qPrintable(name)) << name;
}

void TestImportEncoding::listsAndAbstractsReadThroughTheGuess()
{
    QFETCH(QString, name);
    const bool bom = name.startsWith(QLatin1String("UTF-16"));
    const QString list =
        Sentence + QStringLiteral("\r\n") + QStringLiteral("Ёлкин Ё.\t Шум\tКиев\t2001\tа\tб\r\n");
    QBuffer device;
    device.setData(encode(list, name, bom));
    device.open(QIODevice::ReadOnly);
    const QString guessed = guessEncoding(device);
    QCOMPARE(guessed, name);
    ReferenceListReader reader(device, guessed);
    ReferenceLine line;
    QStringList read;
    while (reader.next(line))
        read << QStringList{line.authors, line.title, line.publisher, line.year, line.keywords}
                    .join(QLatin1Char('|'));
    QCOMPARE(read, (QStringList{Sentence.split(QLatin1Char('\t')).join(QLatin1Char('|')),
                                QStringLiteral("Ёлкин Ё.|Шум|Киев|2001|аб")}));

    // An abstract file: roles by line position, the year from the source line.
    const QString abstract =
        QStringLiteral("Журн физ. 1987 Мар;5(3):12-20.\n\n\nОптика плёнок\n\nИванов И.И.\n\n"
                       "Институт физики\n\nПлёнки изучены в трёх опытах; всё сходится.\n");
    QBuffer file;
    file.setData(encode(abstract, name, bom));
    file.open(QIODevice::ReadOnly);
    AbstractEntry entry;
    QString why;
    QVERIFY2(AbstractTextReader::read(file, entry, &why, guessEncoding(file)), qPrintable(why));
    QCOMPARE(entry.publisher, QStringLiteral("Журн физ. 1987 Мар;5(3):12-20."));
    QCOMPARE(entry.title, QStringLiteral("Оптика плёнок"));
    QCOMPARE(entry.authors, QStringLiteral("Иванов И.И."));
    QCOMPARE(entry.resume, QStringLiteral("Плёнки изучены в трёх опытах; всё сходится."));
    QCOMPARE(entry.year, QStringLiteral("1987"));
}

void TestImportEncoding::utf8InPieces_data()
{
    QTest::addColumn<QByteArray>("tail"); // the bytes from a few before the end of a piece on
    QTest::addColumn<int>("before");      // how many of them the first piece holds; -1: the
                                          // tail alone, twice
    const QByteArray letters = "\xD0\xB6\xE2\x80\x94\xF0\x9F\x98\x80z";
    for (int before = 0; before <= 4; ++before)
        QTest::addRow("letters cut at %d", before) << letters << before;
    QTest::newRow("mark at the start") << QByteArray("\xEF\xBB\xBF") << -1;
    QTest::newRow("mark later") << QByteArray("\xEF\xBB\xBF"
                                              "a\xEF\xBB\xBF")
                                << 1;
    QTest::newRow("stray byte") << QByteArray("\xD0\xB6\xFF\xD0\xB6") << 3;
    QTest::newRow("stray byte, then a mark") << QByteArray("a\xFF\xEF\xBB\xBF") << 0;
    QTest::newRow("stray byte at the end") << QByteArray("ab\xFF") << 1;
    QTest::newRow("stray byte later") << QByteArray("\xD0\xB6\xD0\xB6\x80"
                                                    "ab\xD0\xB6")
                                      << 0;
    QTest::newRow("overlong") << QByteArray("a\xC0\xAF"
                                            "b\xE0\x80\xAF")
                              << 1;
    QTest::newRow("surrogate") << QByteArray("a\xED\xA0\x80"
                                             "b")
                               << 2;
    QTest::newRow("noncharacter") << QByteArray("a\xEF\xBF\xBF"
                                                "b")
                                  << 2;
    QTest::newRow("cut at the end") << QByteArray("a\xE2\x80") << 2;
    QTest::newRow("cut lead then ASCII") << QByteArray("\xE2\x80"
                                                       "ab\xD0\xB6")
                                         << 2;
}

// UTF-8 read a piece at a time gives what the decoder gives for the whole text, well formed
// or not, wherever a piece ends.
void TestImportEncoding::utf8InPieces()
{
    QFETCH(QByteArray, tail);
    QFETCH(int, before);
    QByteArray bytes =
        before < 0 ? tail + tail : QByteArray(TextPieces::PieceBytes - before, 'x') + tail;
    QBuffer device(&bytes);
    QVERIFY(device.open(QIODevice::ReadOnly));
    TextPieces pieces(device, encoding::Utf8);
    QString text;
    while (pieces.readInto(text)) {
    }
    const QString whole = decodeText(bytes, encoding::Utf8);
    QCOMPARE(text.size(), whole.size());
    QVERIFY(text == whole);
    pieces.rewind();
    QString again;
    while (pieces.readInto(again)) {
    }
    QVERIFY(again == whole);
}

QTEST_GUILESS_MAIN(TestImportEncoding)
#include "test_import_encoding.moc"
