// BibTeX and RIS read as a careful reader reads them: the hand-checked Cyrillic records, the
// RIS and BibTeX pairs that must describe the same works, the syntax corners of BibTeX and the
// broken records passed over with their lines; and the mapping into the entry's fields.
#include "exchange/BibTeX.h"
#include "exchange/ExchangeImport.h"
#include "exchange/Latex.h"
#include "exchange/Mapping.h"
#include "exchange/Ris.h"
#include "import/TextEncoding.h"
#include "rtf/RtfTextExtractor.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace quil;
using namespace quil::exchange;

namespace {

const QString Fixtures = QStringLiteral(QUIL_SOURCE_DIR "/tests/data/exchange/");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

ReadResult readPath(const QString &path)
{
    const QByteArray bytes = readFile(path);
    return readBibliography(decodeText(bytes, guessEncoding(bytes)), formatOf(path));
}

QString names(const QList<PersonName> &list)
{
    QStringList out;
    for (const PersonName &n : list)
        out << (n.literal.isEmpty() ? n.family + QLatin1Char('/') + n.given.simplified()
                                    : QStringLiteral("{") + n.literal + '}');
    return out.join(QStringLiteral("; "));
}

QString jsonNames(const QJsonArray &list)
{
    QStringList out;
    for (const QJsonValue &v : list) {
        const QJsonObject n = v.toObject();
        out << (n.contains(QLatin1String("literal"))
                    ? QStringLiteral("{") + n.value(QLatin1String("literal")).toString() + '}'
                    : n.value(QLatin1String("family")).toString() + QLatin1Char('/') +
                          n.value(QLatin1String("given")).toString().simplified());
    }
    return out.join(QStringLiteral("; "));
}

QString dashed(QString text)
{
    return text.replace(QChar(0x2013), QLatin1Char('-')).replace(QChar(0x2014), QLatin1Char('-'));
}

bool skipFixtures() { return !QDir(Fixtures).exists(); }

} // namespace

class TestExchangeRead : public QObject {
    Q_OBJECT
private slots:
    void cyrillicRecords_data();
    void cyrillicRecords();
    void risMatchesItsBibTeX_data();
    void risMatchesItsBibTeX();
    void bibtexSyntax_data();
    void bibtexSyntax();
    void brokenRecordsArePassedOver();
    void readInPieces_data();
    void readInPieces();
    void jabrefBibTeXFiles_data();
    void jabrefBibTeXFiles();
    void fields_data();
    void fields();
    void abstractAsRtf();
};

void TestExchangeRead::cyrillicRecords_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    if (skipFixtures())
        return;
    for (const char *file : {"own/bibtex/all.bib", "own/ris/all.ris", "own/bibtex/all.cp1251.bib",
                             "own/ris/all.cp1251.ris"})
        for (int i = 0; i < 6; ++i)
            QTest::addRow("%s %d", file, i + 1) << QString::fromLatin1(file) << i;
}

// Every value a careful reader finds in the six works, in UTF-8 and in Windows-1251.
void TestExchangeRead::cyrillicRecords()
{
    QFETCH(QString, file);
    QFETCH(int, index);
    const ReadResult result = readPath(Fixtures + file);
    QCOMPARE(result.problems.size(), 0);
    QCOMPARE(result.references.size(), 6);
    const Reference &r = result.references[index];
    const QString folder = file.section(QLatin1Char('/'), 0, 1);
    const QJsonObject expected =
        QJsonDocument::fromJson(readFile(Fixtures + folder + QStringLiteral("/all.expected.json")))
            .array()[index]
            .toObject();
    const auto text = [&](const char *name) {
        const QJsonValue v = expected.value(QLatin1String(name));
        return v.isNull() || v.isUndefined() ? QString()
               : v.isDouble()                ? QString::number(v.toInt())
                                             : v.toString().simplified();
    };
    QCOMPARE(r.key, text("id"));
    QCOMPARE(names(r.authors), jsonNames(expected.value(QLatin1String("authors")).toArray()));
    QCOMPARE(r.etAl, expected.value(QLatin1String("et_al")).toBool());
    QCOMPARE(r.title, text("title"));
    QCOMPARE(r.year, text("year"));
    QCOMPARE(r.container, text("container"));
    QCOMPARE(r.volume, text("volume"));
    QCOMPARE(r.issue, text("issue"));
    QCOMPARE(dashed(r.pages.isEmpty() ? QString() : r.pages),
             text("pages").isEmpty() ? text("pagetotal") : text("pages"));
    QCOMPARE(r.publisher, text("publisher"));
    QCOMPARE(r.address, text("address"));
    QCOMPARE(r.abstract.simplified(), text("abstract"));
    QStringList keywords;
    for (const QJsonValue &k : expected.value(QLatin1String("keywords")).toArray())
        keywords << k.toString();
    QCOMPARE(r.keywords, keywords);
    if (expected.contains(QLatin1String("editors")))
        QCOMPARE(names(r.editors), jsonNames(expected.value(QLatin1String("editors")).toArray()));
    if (expected.contains(QLatin1String("month")))
        QCOMPARE(r.month, text("month"));
    if (expected.contains(QLatin1String("note")))
        QCOMPARE(r.note, text("note"));
    if (expected.contains(QLatin1String("number")))
        QCOMPARE(r.number, text("number"));
}

void TestExchangeRead::risMatchesItsBibTeX_data()
{
    QTest::addColumn<QString>("ris");
    if (skipFixtures())
        return;
    QDir pairs(Fixtures + QStringLiteral("jabref/ris-pairs"));
    for (const QString &name : pairs.entryList({QStringLiteral("*.ris")}))
        if (QFile::exists(pairs.filePath(QString(name).replace(QLatin1String(".ris"), ".bib"))))
            QTest::newRow(qPrintable(name)) << pairs.filePath(name);
}

// JabRef's own reading of each RIS file, given as BibTeX: the two readers must agree on what
// matters to an entry.
void TestExchangeRead::risMatchesItsBibTeX()
{
    QFETCH(QString, ris);
    const ReadResult fromRis = readPath(ris);
    const ReadResult fromBib = readPath(QString(ris).replace(QLatin1String(".ris"), ".bib"));
    QCOMPARE(fromBib.problems.size(), 0);
    QCOMPARE(fromRis.references.size(), fromBib.references.size());
    for (qsizetype i = 0; i < fromRis.references.size(); ++i) {
        const Reference &a = fromRis.references[i];
        const Reference &b = fromBib.references[i];
        QCOMPARE(dashed(a.title), dashed(b.title));
        QCOMPARE(a.year, b.year);
        // JabRef counts a book's secondary authors (A2) among its authors; they are editors.
        const QList<PersonName> people = a.authors + a.editors;
        QCOMPARE(people.size(), b.authors.size() + b.editors.size());
        for (qsizetype n = 0; n < b.authors.size(); ++n)
            QCOMPARE(people[n].family + people[n].literal,
                     b.authors[n].family + b.authors[n].literal);
        QCOMPARE(a.volume, b.volume);
        QCOMPARE(a.doi, b.doi);
    }
}

void TestExchangeRead::bibtexSyntax_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *text, const char *field,
                        const char *expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromLatin1(field)
                            << QString::fromUtf8(expected);
    };
    row("accents",
        R"(@article{k, title = {{\"U}ber M{\"o}bius \'etude \c{c}a na\"{\i}ve \ss{} \l{}ód\'z}})",
        "title", "Über Möbius étude ça naïve ß łódź");
    row("escapes and dashes", R"(@book{k, title = {A \& B 50\% --- 1--2 ``q'' a~b \$x\_y}})",
        "title", "A & B 50% — 1–2 “q” a\u00A0b $x_y");
    row("emph and math", R"(@book{k, title = {The \emph{weak} $\alpha$ {DNA} \textbf{x}}})",
        "title", "The weak α DNA x");
    row("macros and #", "@string{j = \"Журн\"}\n@article{k, journal = j # \" физ.\", title = t}",
        "container", "Журн физ.");
    row("month macro", "@article{k, title={T}, month = mar}", "month", "3");
    row("parentheses", "@article(k, title = \"A {\"}B\")", "title", "A \"B");
    row("percent comment", "%@no\n@article{k,\n% title = {No},\n title = {Yes}}", "title", "Yes");
    row("crossref",
        "@inproceedings{c, crossref = {p}, title = {Child}}\n"
        "@proceedings{p, title = {Parent}, year = 1999, publisher = {P}}",
        "container", "Parent");
    row("crossref year",
        "@inproceedings{c, crossref = {P}, title = {Child}}\n"
        "@proceedings{p, title = {Parent}, year = 1999}",
        "year", "1999");
    row("biblatex date",
        "@article{k, title = {T}, date = {2019-04-05}, journaltitle = {J}, "
        "location = {Berlin}}",
        "year", "2019");
    row("biblatex place", "@book{k, title = {T}, location = {Berlin}}", "address", "Berlin");
    row("von and jr",
        "@book{k, title={T}, author = {de la Fontaine, Jr, Jean and Ludwig van "
        "Beethoven and {Barnes and Noble}}}",
        "authors", "de la Fontaine/Jean; van Beethoven/Ludwig; {Barnes and Noble}");
    row("preamble and comment",
        "@preamble{\"\\newcommand{\\x}{}\"}\n@comment{@article{no}}\n"
        "@article{k, title={T}}",
        "key", "k");
    row("keywords", "@book{k, title = {T}, keywords = { a-b ;c,, ; d`e' x--y}}", "keywords",
        "a-b|c|d`e' x–y");
    row("email in text", "write to a@b.org\n@article{k, title={T}}", "key", "k");
}

void TestExchangeRead::bibtexSyntax()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const ReadResult result = BibTeXReader::read(text);
    QCOMPARE(result.problems.size(), 0);
    QVERIFY(!result.references.isEmpty());
    const Reference &r = result.references.first();
    const QString got = field == QLatin1String("title")       ? r.title
                        : field == QLatin1String("container") ? r.container
                        : field == QLatin1String("month")     ? r.month
                        : field == QLatin1String("year")      ? r.year
                        : field == QLatin1String("address")   ? r.address
                        : field == QLatin1String("key")       ? r.key
                        : field == QLatin1String("keywords")  ? r.keywords.join(QLatin1Char('|'))
                                                              : names(r.authors);
    QCOMPARE(got, expected);
}

// A broken record is reported with its line; the records around it still come in.
void TestExchangeRead::brokenRecordsArePassedOver()
{
    const ReadResult bib = BibTeXReader::read(QStringLiteral(
        "@article{a, title = {One}}\n\n@article{b, title = {Two\n\n@article{c, title = {Three}}\n"
        "@article{d, title = \"Four}\n@book{e, author = {X}, title = {Five}}\n"
        "@misc{f, howpublished = {no title}}\n@article, (broken\n@article{g, title = {Six}}\n"));
    QStringList titles;
    for (const Reference &r : bib.references)
        titles << r.title;
    QCOMPARE(titles, (QStringList{"One", "Three", "Five", "Six"}));
    QStringList lines;
    for (const ReadProblem &p : bib.problems)
        lines << QString::number(p.line);
    QCOMPARE(lines, (QStringList{"3", "6", "8", "9"}));

    const ReadResult ris = RisReader::read(QStringLiteral(
        "junk before\nTY  - JOUR\nTI  - A\nER  - \nTY  - JOUR\nPY  - 2001\nER  - \n"
        "TY  - BOOK\nAU  - Иванов, И. И.\nAB  - first line\n  second line\nER  - \n"));
    QCOMPARE(ris.references.size(), 2);
    QCOMPARE(ris.problems.size(), 1);
    QCOMPARE(ris.problems[0].line, 5);
    QCOMPARE(ris.references[1].abstract, QStringLiteral("first line second line"));
}

// A file is read a piece at a time: wherever a piece ends (inside a value, an entry, a line
// break or a character), the records, their text and lines are as the whole text gives them,
// crossref and @string included.
void TestExchangeRead::readInPieces_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("cut"); // the piece ends where this text begins
    QTest::addColumn<int>("shift");   // or so many bytes into it (inside a UTF-8 letter)

    const QString bib = QStringLiteral(
        "@string{jr = \"Журнал\"}\n@inproceedings{child, author = {Иванов, И.}, title = {Доклад "
        "о {вложенных} скобках}, crossref = {proc}, year = 1990}\n  @article{b, journal = jr # "
        "{ A}, title = \"Two\", abstract = {Long\n  text}}\n@article{broken, title = {Three\n"
        "@proceedings{proc, title = {Труды}, publisher = {Наука}}\n");
    const QString ris = QStringLiteral(
        "TY  - JOUR\r\nAU  - Петров, П.\r\nTI  - Статья\r\nAB  - first line\r\n  second "
        "line\r\nER  - \r\nTY  - BOOK\r\nPY  - 2001\r\nER  - \r\nTY  - BOOK\r\nTI  - "
        "Книга\r\nER  - \r\n");
    for (const QString &encoding : {encoding::Utf8, encoding::Windows1251}) {
        for (const char *cut : {"скобках", "кобках", "\n  @article", "  @article", "@article{b",
                                "text}}", "\n@proceedings", "Наука"})
            for (const int shift : {0, 1})
                QTest::addRow("bib %s at %s+%d", qPrintable(encoding),
                              QByteArray(cut).replace('\n', "\\n").constData(), shift)
                    << "bib" << encoding << bib << QString::fromUtf8(cut) << shift;
        for (const char *cut : {"\nAU  - П", "етров", "  second", "\nTY  - BOOK", "ER  - \r\n"})
            for (const int shift : {0, 1})
                QTest::addRow("ris %s at %s+%d", qPrintable(encoding),
                              QByteArray(cut).replace('\n', "\\n").replace('\r', "\\r").constData(),
                              shift)
                    << "ris" << encoding << ris << QString::fromUtf8(cut) << shift;
    }
}

void TestExchangeRead::readInPieces()
{
    QFETCH(QString, format);
    QFETCH(QString, encoding);
    QFETCH(QString, records);
    QFETCH(QString, cut);
    QFETCH(int, shift);
    const bool utf8 = encoding == encoding::Utf8;
    const auto encoded = [&](const QString &text) {
        return utf8 ? text.toUtf8() : QStringEncoder("windows-1251")(text);
    };
    // Text before the records that fills the first piece up to the place of the cut; the
    // records come twice more after it, so that the window moves on.
    const qsizetype at = records.indexOf(cut);
    QVERIFY(at >= 0);
    const qsizetype head = encoded(records.left(at)).size() + shift;
    const QByteArray filler = format == QLatin1String("bib") ? "% filler\n" : "filler\n";
    QByteArray bytes;
    while (bytes.size() + filler.size() + head < TextPieces::PieceBytes)
        bytes += filler;
    bytes += QByteArray(TextPieces::PieceBytes - bytes.size() - head - 1, 'x') + '\n';
    QCOMPARE(bytes.size() + head, TextPieces::PieceBytes);
    bytes += encoded(records + records + records);

    QList<ReadProblem> problems;
    QList<Reference> references;
    QBuffer device(&bytes);
    QVERIFY(device.open(QIODevice::ReadOnly));
    TextPieces pieces(device, encoding);
    const auto take = [&](Reference &&r) { references << std::move(r); };
    if (format == QLatin1String("bib"))
        BibTeXReader::read(pieces, problems, take);
    else
        RisReader::read(pieces, problems, take);
    const ReadResult whole = readBibliography(
        decodeText(bytes, encoding), format == QLatin1String("bib") ? Format::BibTeX : Format::Ris);
    const auto described = [](const QList<Reference> &list, const QList<ReadProblem> &passedOver) {
        QStringList out;
        for (const Reference &r : list)
            out << QStringLiteral("%1 %2 [%3] %4 / %5 / %6 / %7")
                       .arg(r.line)
                       .arg(r.key, r.source, names(r.authors), r.title, r.container, r.abstract);
        for (const ReadProblem &p : passedOver)
            out << QStringLiteral("%1 %2").arg(p.line).arg(p.why);
        return out;
    };
    QCOMPARE(references.size(), format == QLatin1String("bib") ? 9 : 6);
    QCOMPARE(described(references, problems), described(whole.references, whole.problems));
    if (format == QLatin1String("bib"))
        QCOMPARE(references[0].container, QStringLiteral("Труды"));
}

void TestExchangeRead::jabrefBibTeXFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("problems");
    if (skipFixtures())
        return;
    const struct {
        const char *file;
        int entries;
        int problems;
    } rows[] = {
        {"BiblioscapeImporterTestComments.bib", 1, 0},
        // two of the four are @set entries, which name others and have no title
        {"BibtexImporter.examples.bib", 2, 2},
        {"CitaviXmlImporterTest2.bib", 58, 0},
        {"CitaviXmlImporterTest5.bib", 4, 0},
        {"CopacImporterTest2.bib", 2, 0},
        {"EndnoteXmlImporterTestLabelAndMultiTitle.bib", 3, 0},
        {"MarcXmlParserTestBookSeries.bib", 1, 0},
        {"MarcXmlParserTestNotes.bib", 0, 1},
        {"MedlineImporterTestArticleItalics.bib", 1, 0},
        {"MedlineImporterTestMathML.bib", 1, 0},
        {"MedlineImporterTestMinimalEntry.bib", 0, 0},
        {"MsBibImporterInvalidMonth.bib", 1, 0},
        {"MsBibImporterTest7.bib", 1, 0},
        {"MsBibImporterTestTranslator.bib", 1, 0},
        {"encoding-utf-16BE-with-header.bib", 1, 0},
        {"encoding-utf-8-with-header-with-databasetypecomment.bib", 1, 0},
        {"encoding-windows-1252-with-header.bib", 0, 1}, // an abstract alone is no entry
        {"tiny-BE-noBOM.bib", 1, 0},
        {"tiny-LE-withBOM.bib", 1, 0},
    };
    for (const auto &row : rows)
        QTest::newRow(row.file) << Fixtures + QStringLiteral("jabref/bibtex/") + row.file
                                << row.entries << row.problems;
}

// Files of odd syntax from another program: how many entries come in and how many are
// passed over, every entry with a title.
void TestExchangeRead::jabrefBibTeXFiles()
{
    QFETCH(QString, file);
    QFETCH(int, entries);
    QFETCH(int, problems);
    const ReadResult result = readPath(file);
    QStringList why;
    for (const ReadProblem &p : result.problems)
        why << QString::number(p.line) + QLatin1Char(' ') + p.why;
    QVERIFY2(result.problems.size() == problems, qPrintable(why.join('\n')));
    QCOMPARE(result.references.size(), entries);
    for (const Reference &r : result.references)
        QVERIFY2(!r.title.isEmpty() && !r.title.contains(QLatin1Char('{')), qPrintable(r.title));
}

void TestExchangeRead::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // WName, WTitle, WPublisher, City, Location, Pages
    QTest::newRow("russian article")
        << QStringLiteral("@article{k, author = {Ландау, Лев Давидович and Е. М. Лифшиц}, title = "
                          "{Т}, journal = {Журнал}, year = 1987, volume = 5, number = 3, pages = "
                          "{12--20}, keywords = {а, б}, doi = {10.1/x}}")
        << QStringList{"Ландау Л.Д., Лифшиц Е.М.",
                       "Т",
                       "Журнал, 1987, т. 5, № 3, с. 12–20",
                       "1987",
                       "а; б",
                       "DOI: 10.1/x"};
    QTest::newRow("latin article")
        << QStringLiteral("@article{k, author = {Smith, Jean-Paul and others}, title = {T}, "
                          "journal = {J. Appl. Phys.}, year = 1987, volume = 5, number = 3, pages "
                          "= {12-20}, url = {http://x}, note = {N}, issn = {1359-6454}}")
        << QStringList{"Smith J.-P. et al.",
                       "T",
                       "J. Appl. Phys., 1987, vol. 5, no. 3, pp. 12–20",
                       "1987",
                       "",
                       "URL: http://x; ISSN 1359-6454; N"};
    QTest::newRow("russian book")
        << QStringLiteral("TY  - BOOK\nAU  - А. С. Фёдоров\nTI  - Теория\nT2  - Серия\nPB  - "
                          "Наука\nCY  - М.\nPY  - 1976\nSP  - 584\nET  - 2-е изд.\nSN  - "
                          "978-5\nER  - \n")
        << QStringList{"Фёдоров А.С.", "Теория", "М.: Наука, 1976, 2-е изд., 584 с., (Серия)",
                       "1976",         "",       "ISBN 978-5"};
    QTest::newRow("chapter with editor")
        << QStringLiteral("@incollection{k, author = {Ли, В.}, title = {Глава}, booktitle = "
                          "{Сборник}, editor = {Ильин, В. П.}, publisher = {Изд}, address = "
                          "{Новосибирск}, year = 2003, pages = {101--134}}")
        << QStringList{"Ли В.",
                       "Глава",
                       "В кн.: Сборник / под ред. Ильин В.П., Новосибирск: Изд, 2003, с. 101–134",
                       "2003",
                       "",
                       ""};
    QTest::newRow("corporate report")
        << QStringLiteral("@techreport{k, author = {{Институт физики}}, title = {Отчёт}, "
                          "institution = {НАН}, address = {Минск}, type = {Препринт}, number = "
                          "{№ 12}, year = 1995}")
        << QStringList{
               "Институт физики", "Отчёт", "Минск: НАН, 1995, Препринт № 12", "1995", "", ""};
    // Lines that only look like tags continue the value before them; a name's blanks close up;
    // a given name may begin with a letter outside the BMP; eight digits are an ISSN with or
    // without the hyphen.
    QStringList record{QStringLiteral("TY  - JOUR"),
                       QStringLiteral("AU  - Müller von\tRoth, \U00020000ans-peter"),
                       QStringLiteral("AU  - Smith  Jones, A."),
                       QStringLiteral("AU  -"),
                       QStringLiteral("TI  - Why?"),
                       QStringLiteral("TI  - Because"),
                       QStringLiteral("T2  - Journal"),
                       QStringLiteral("A1  -x"),
                       QStringLiteral("a2  - y"),
                       QStringLiteral("PY  - 2004/05/01"),
                       QStringLiteral("SN  - 13596454"),
                       QStringLiteral("VL  - 7"),
                       QStringLiteral("SP  - 12"),
                       QStringLiteral("N1  - One"),
                       QStringLiteral("N1  - Two"),
                       QStringLiteral("N1  - One"),
                       QStringLiteral("ER  - ")};
    QTest::newRow("ris edges") << record.join(QLatin1Char('\n'))
                               << QStringList{QStringLiteral(
                                                  "Müller von Roth \U00020000.-p., Smith Jones A."),
                                              "Why? Because",
                                              "Journal A1 -x a2 - y, 2004, vol. 7, 12 p.",
                                              "2004",
                                              "",
                                              "ISSN 13596454; One; Two"};
}

void TestExchangeRead::fields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    const ReadResult result =
        readBibliography(text, text.startsWith(QLatin1String("TY")) ? Format::Ris : Format::BibTeX);
    QCOMPARE(result.references.size(), 1);
    const BookFields f = bookFields(result.references.first());
    QCOMPARE((QStringList{f.authors, f.title, f.publisher, f.year, f.keywords, f.info}), expected);
}

void TestExchangeRead::abstractAsRtf()
{
    // Windows-1251 where it has the character, a signed Unicode escape where it has not, a
    // paragraph a line, the three RTF specials escaped.
    QCOMPARE(plainTextRtf(QStringLiteral("Ёж – №{a}\\\r\nα\uFB01 ™")),
             QStringLiteral(
                 "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil"
                 "\\fcharset204 Times New Roman;}}\r\n\\pard\\f0\\fs24 "
                 "\\'a8\\'e6 \\'96 \\'b9\\{a\\}\\\\\\par\r\n\\u945?\\u-1279? \\'99\\par\r\n}\r\n"));
}

QTEST_GUILESS_MAIN(TestExchangeRead)
#include "test_exchange_read.moc"
