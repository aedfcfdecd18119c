// BibTeX and RIS out of a library: what is exported reads back as the same entries, keys are
// unique and stay with their entries, and the characters TeX treats specially are escaped so
// that other readers (bibtool, bibtex) take the file without a complaint.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include "exchange/ExchangeExport.h"
#include "exchange/ExchangeImport.h"
#include "exchange/Latex.h"
#include "exchange/Mapping.h"
#include "platform/Error.h"
#include "rtf/RtfTextExtractor.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"
#include "store/TextIndex.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace quil::exchange;

namespace {

const QString Fixtures = QStringLiteral(QUIL_SOURCE_DIR "/tests/data/exchange/");
const QString Columns = QStringLiteral("WName, WTitle, WPublisher, City, Location, Pages");

struct Module {
    TDataModule1 dm;
    explicit Module(const QString &path)
    {
        dm.ADOConnection.setConnectionString(QStringLiteral("Data Source=") + path);
        dm.ADOConnection.Open();
        dm.ADOTable.Open();
    }
};

QString newLibrary(const TempProgramFolder &folder, const QString &name)
{
    const QString path = library::folder(folder.path()) + name;
    library::create(path);
    return path;
}

QByteArray exported(TDataModule1 &dm, Format format)
{
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    const ExportResult result = exportBibliography(dm.ADOTable, device, format);
    if (!result.ok())
        qWarning() << result.error;
    return device.data();
}

// What each entry holds, the abstract as its text.
QStringList entries(const QString &path)
{
    QStringList rows = storedRows(path, Columns);
    const QStringList abstracts = storedRows(path, QStringLiteral("Resume"));
    for (qsizetype i = 0; i < rows.size() && i < abstracts.size(); ++i)
        rows[i] +=
            QLatin1Char('|') + quil::rtf::RtfTextExtractor::plainText(abstracts[i]).simplified();
    return rows;
}

// Problems that a reader of BibTeX reports on a file, or why it cannot be asked.
QString outsideReaderComplaints(const QString &program, const QString &file, bool *ran)
{
    *ran = false;
    const QString exe = QStandardPaths::findExecutable(program);
    if (exe.isEmpty())
        return {};
    QProcess process;
    process.setWorkingDirectory(QFileInfo(file).path());
    if (program == QLatin1String("bibtool")) {
        process.start(
            exe, {QStringLiteral("-q"), QStringLiteral("-o"), QStringLiteral("/dev/null"), file});
    } else {
        // bibtex over an .aux that cites every entry in the plain style.
        writeBytes(QFileInfo(file).path() + QStringLiteral("/cite.aux"),
                   "\\citation{*}\n\\bibdata{" + QFileInfo(file).completeBaseName().toUtf8() +
                       "}\n\\bibstyle{plain}\n");
        process.start(exe, {QStringLiteral("-terse"), QStringLiteral("cite")});
    }
    if (!process.waitForFinished(60000))
        return QStringLiteral("did not finish");
    *ran = true;
    const QString output = QString::fromUtf8(process.readAllStandardOutput()) +
                           QString::fromUtf8(process.readAllStandardError());
    if (process.exitCode() != 0 || output.contains(QLatin1String("arning")) ||
        output.contains(QLatin1String("rror")))
        return QStringLiteral("exit %1: %2").arg(process.exitCode()).arg(output);
    return {};
}

} // namespace

class TestExchangeExport : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void keysAreUniqueAndStay();
    void recordsComeBackAsTheyCameUntilEdited();
    void specialCharactersReadBack();
    void abstractsGoOutAsText_data();
    void abstractsGoOutAsText();
    void namesSplitIntoSurnameAndInitials_data();
    void namesSplitIntoSurnameAndInitials();
    void progressAndCancel_data();
    void progressAndCancel();
    void importsStopAfterTheEntriesBefore_data();
    void importsStopAfterTheEntriesBefore();
    void rowsWriteAsTheirFields_data();
    void rowsWriteAsTheirFields();
};

void TestExchangeExport::roundTrip_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("format");
    for (const char *source :
         {"own/bibtex/all.bib", "own/ris/all.ris", "jabref/bibtex/CitaviXmlImporterTest2.bib"})
        for (const Format format : {Format::BibTeX, Format::Ris})
            QTest::addRow("%s to %s", source, format == Format::BibTeX ? "bib" : "ris")
                << QString::fromLatin1(source) << int(format);
}

// Imported, exported, and the export imported into a second library: the same entries.
void TestExchangeExport::roundTrip()
{
    QFETCH(QString, source);
    QFETCH(int, format);
    QVERIFY2(QFile::exists(Fixtures + source), qPrintable(Fixtures + source));
    TempProgramFolder folder;
    const QString first = newLibrary(folder, QStringLiteral("first.mdb"));
    const QString second = newLibrary(folder, QStringLiteral("second.mdb"));
    QByteArray text;
    {
        Module m(first);
        QVERIFY(importBibliography(m.dm, Fixtures + source).stored > 0);
        text = exported(m.dm, Format(format));
    }
    const QString file = folder.file(format == int(Format::BibTeX) ? "out.bib" : "out.ris");
    writeBytes(file, text);
    {
        Module m(second);
        const quil::ImportResult result = importBibliography(m.dm, file);
        QCOMPARE(result.passedOver.size(), 0);
    }
    const QStringList before = entries(first);
    const QStringList after = entries(second);
    QCOMPARE(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        QVERIFY2(after[i] == before[i], qPrintable(after[i] + "\n  instead of\n" + before[i]));
}

// Keys are surname, year and a letter in the order the entries were stored, the same whatever
// is exported; the current entry's BibTeX carries its key.
void TestExchangeExport::keysAreUniqueAndStay()
{
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("keys.mdb"));
    execOn(path, {},
           {{"Ландау Л.Д., Лифшиц Е.М.", "A", "1937"},
            {"Müller J.", "B", "2001"},
            {"Ландау Л.Д.", "C", "1937"},
            {"Институт физики", "D", ""},
            {"New", "E", "New"}});
    Module m(path);
    const QString bib = QString::fromUtf8(exported(m.dm, Format::BibTeX));
    QStringList keys;
    for (const QString &line : bib.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1Char('@')))
            keys << line.section(QLatin1Char('{'), 1).chopped(1);
    QCOMPARE(keys, (QStringList{"landau1937a", "muller2001a", "landau1937b",
                                "institut"
                                "a",
                                "anona"}));
    m.dm.ADOTable.setRecNo(3);
    const QString current = currentAsBibTeX(m.dm.ADOTable);
    QVERIFY2(current.startsWith(QStringLiteral("@misc{landau1937b,\n  author = {Ландау, Л.Д.},")),
             qPrintable(current));
    QVERIFY2(bib.contains(QStringLiteral("author = {{Институт физики}}")), qPrintable(bib));

    // Keys records came in with are theirs: made keys pass over them, in any case, and a key
    // two records came in with goes out once.
    writeBytes(folder.file("keys.bib"),
               "@article{landau1937a, author = {Ландау, Л.Д.}, title = {X}, year = 1937}\n"
               "@article{Landau1937C, author = {Ландау, Л.Д.}, title = {Y}, year = 1937}\n"
               "@article{landau1937a, author = {Ландау, Л.Д.}, title = {Z}, year = 1937}\n");
    QCOMPARE(importBibliography(m.dm, folder.file("keys.bib")).stored, 3);
    QStringList withKept;
    for (const QString &line :
         QString::fromUtf8(exported(m.dm, Format::BibTeX)).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1Char('@')))
            withKept << line.section(QLatin1Char('{'), 1)
                            .section(QLatin1Char(','), 0, 0)
                            .trimmed()
                            .toCaseFolded();
    QCOMPARE(withKept.size(), 8);
    QCOMPARE(QSet<QString>(withKept.begin(), withKept.end()).size(), 8);
    for (const char *key : {"landau1937a", "landau1937c", "landau1937b", "landau1937d"})
        QVERIFY2(withKept.contains(QLatin1String(key)), qPrintable(withKept.join(u' ')));
    QVERIFY2(withKept.count(QStringLiteral("landau1937a")) == 1, qPrintable(withKept.join(u' ')));

    // The letters run on over thousands of entries sharing a stem, read and written in parts.
    const QString manyPath = newLibrary(folder, QStringLiteral("many-keys.mdb"));
    execOn(manyPath, {QStringLiteral(
                         "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < "
                         "4099) INSERT INTO Books (Name, Title, City, WName, WTitle) SELECT "
                         "'Ландау Л.Д.', printf('T%04d', i), '1937', 'Ландау Л.Д.', "
                         "printf('T%04d', i) FROM n")});
    Module manyKeys(manyPath);
    QStringList all;
    for (const QString &line :
         QString::fromUtf8(exported(manyKeys.dm, Format::BibTeX)).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1Char('@')))
            all << line.section(QLatin1Char('{'), 1).chopped(1);
    QCOMPARE(all.size(), 4100);
    QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 4100);
    QCOMPARE(all.mid(4094), (QStringList{"landau1937fam", "landau1937fan", "landau1937fao",
                                         "landau1937fap", "landau1937faq", "landau1937far"}));
}

// An entry unchanged since it came in is written as its file had it (with the @string it
// needs); once edited, its fields are laid over the record, which keeps the rest; a library
// without the side table exports by the mapping.
void TestExchangeExport::recordsComeBackAsTheyCameUntilEdited()
{
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("originals.mdb"));
    const QString bib = QStringLiteral("% a comment\n@string{ j = {Журнал {П}рикладной} }\n\n"
                                       "@Article{ yolkin1987 ,\n  author = {Ёлкин, П. С.},\n"
                                       "  title  = {Волны},\n  journal = j # { физики},\n"
                                       "  year = 1987, volume = {5},\n  doi = {10.1/x}\n}\n");
    const QString ris = QStringLiteral("TY  - JOUR\nAU  - Ли, В.\nTI  - Шум\nJO  - ЖЭТФ\n"
                                       "PY  - 2001\nVL  - 3\nID  - li2001\nER  - \n");
    writeBytes(folder.file("in.bib"), bib.toUtf8());
    writeBytes(folder.file("in.ris"), ris.toUtf8());
    Module m(path);
    QCOMPARE(importBibliography(m.dm, folder.file("in.bib")).stored, 1);
    QCOMPARE(importBibliography(m.dm, folder.file("in.ris")).stored, 1);
    // Making the side table moved the schema, and with it the stamp the index of texts checks.
    QVERIFY(textindex::inStep(m.dm.ADOConnection.engine()));
    const QString entry = bib.mid(bib.indexOf(QLatin1String("@Article")));
    QCOMPARE(QString::fromUtf8(exported(m.dm, Format::BibTeX)),
             QStringLiteral("@string{ j = {Журнал {П}рикладной} }\n\n") + entry +
                 QStringLiteral("\n@article{li2001,\n  author = {Ли, В.},\n  title = {{Шум}},\n"
                                "  journal = {ЖЭТФ},\n  year = {2001},\n  volume = {3},\n}\n\n"));
    QCOMPARE(QString::fromUtf8(exported(m.dm, Format::Ris)).section(QLatin1String("ER  - \n\n"), 1),
             ris + QLatin1Char('\n'));

    execOn(path,
           {QStringLiteral("UPDATE Books SET WTitle = 'Ударные волны' WHERE WTitle = 'Волны'")});
    m.dm.ADOTable.Refresh();
    QCOMPARE(
        QString::fromUtf8(exported(m.dm, Format::BibTeX)).section(QLatin1String("\n\n"), 0, 0),
        QStringLiteral("@article{yolkin1987,\n  author = {Ёлкин, П. С.},\n"
                       "  title = {{Ударные волны}},\n  journal = {Журнал Прикладной физики},\n"
                       "  year = {1987},\n  volume = {5},\n  doi = {10.1/x},\n}"));

    execOn(path, {QStringLiteral("DROP TABLE Originals")});
    QVERIFY(QString::fromUtf8(exported(m.dm, Format::BibTeX))
                .startsWith(QStringLiteral("@misc{elkin1987a,\n  author = {Ёлкин, П.С.},\n")));
}

// Every character that means something to TeX comes back as it was stored, and the outside
// readers that are installed find nothing to complain about.
void TestExchangeExport::specialCharactersReadBack()
{
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("special.mdb"));
    const QString title = QStringLiteral("50% of $5 & #1_a {x} ~y^2 \\z @home — «ёж»");
    execOn(path, {QStringLiteral("UPDATE Books SET WPublisher = 'x'")},
           {{"O'Brien P., Smith-Jones A.-B.", title, "1999"}});
    execOn(path, {QStringLiteral("UPDATE Books SET WPublisher = 'J. {Phys} 5%', Location = "
                                 "'a_b; c&d', Pages = 'see @other'")});
    Module m(path);
    const QByteArray bib = exported(m.dm, Format::BibTeX);
    const ReadResult back = readBibliography(QString::fromUtf8(bib), Format::BibTeX);
    QCOMPARE(back.problems.size(), 0);
    QCOMPARE(back.references.size(), 1);
    const BookFields f = bookFields(back.references.first());
    QCOMPARE((QStringList{f.authors, f.title, f.publisher, f.keywords, f.info}),
             (QStringList{"O'Brien P., Smith-Jones A.-B.", title, "J. {Phys} 5%", "a_b; c&d",
                          "see @other"}));
    const QString file = folder.file("special.bib");
    writeBytes(file, bib);
    for (const char *program : {"bibtool", "bibtex"}) {
        bool ran = false;
        const QString complaints = outsideReaderComplaints(QLatin1String(program), file, &ran);
        QVERIFY2(complaints.isEmpty(), qPrintable(QLatin1String(program) + ": " + complaints));
        if (!ran)
            qInfo("%s is not installed", program);
    }
}

void TestExchangeExport::abstractsGoOutAsText_data()
{
    QTest::addColumn<QString>("resume");
    QTest::addColumn<QString>("bibtex"); // the abstract line, empty for none
    QTest::addColumn<QString>("ris");
    QTest::newRow("rtf ending in a line end")
        << QStringLiteral(
               "{\\rtf1\\ansi\\ansicpg1251 Hello \\b world\\b0\\par\r\nNext 5%\\par\r\n}\r\n")
        << QStringLiteral("  abstract = {Hello world Next 5\\%},")
        << QStringLiteral("AB  - Hello world Next 5%");
    QTest::newRow("rtf with raw Cyrillic")
        << QStringLiteral(" {\\rtf1 Ёж & ~ий}")
        << QStringLiteral("  abstract = {Ёж \\& \\textasciitilde{}ий},")
        << QStringLiteral("AB  - Ёж & ~ий");
    QTest::newRow("plain text, old line ends")
        << QStringLiteral("Текст\rвторая строка_1\r\n")
        << QStringLiteral("  abstract = {Текст вторая строка\\_1},")
        << QStringLiteral("AB  - Текст вторая строка_1");
    QTest::newRow("placeholder") << QStringLiteral(" New\r\n") << QString() << QString();
    QTest::newRow("empty rtf") << QStringLiteral("{\\rtf1 \\par }") << QString() << QString();
}

// The abstract goes out as its text, whether it is stored as RTF or as the plain text the
// abstract import stores.
void TestExchangeExport::abstractsGoOutAsText()
{
    QFETCH(QString, resume);
    QFETCH(QString, bibtex);
    QFETCH(QString, ris);
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("abstracts.mdb"));
    execOn(path, {}, {{"Ландау Л.Д.", "Волны", "1937"}});
    execOn(path, {QStringLiteral("UPDATE Books SET Resume = '%1'")
                      .arg(QString(resume).replace(QLatin1Char('\''), QLatin1String("''")))});
    Module m(path);
    const auto lineOf = [](const QByteArray &text, const QString &start) {
        for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n')))
            if (line.startsWith(start))
                return line;
        return QString();
    };
    QCOMPARE(lineOf(exported(m.dm, Format::BibTeX), QStringLiteral("  abstract =")), bibtex);
    QCOMPARE(lineOf(exported(m.dm, Format::Ris), QStringLiteral("AB  -")), ris);
}

void TestExchangeExport::namesSplitIntoSurnameAndInitials_data()
{
    QTest::addColumn<QString>("authors");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("first");   // family|given|literal
    QTest::addColumn<QString>("written"); // in BibTeX
    QTest::addColumn<QString>("key");
    const auto row = [](const char *name, const char *authors, const char *year, const char *first,
                        const char *written, const char *key) {
        QTest::newRow(name) << QString::fromUtf8(authors) << QString::fromUtf8(year)
                            << QString::fromUtf8(first) << QString::fromUtf8(written)
                            << QString::fromUtf8(key);
    };
    row("russian", "Ёлкин Ё.Ё., Ли В.", "1987", "Ёлкин|Ё.Ё.|", "Ёлкин, Ё.Ё. and Ли, В.",
        "elkin1987");
    row("hyphen and blanks", "Smith  J. - P.", "в 2001 г.", "Smith|J.-P.|", "Smith, J.-P.",
        "smith2001");
    row("two-letter initial", "Шмидт Дж. Ю.", "19871", "Шмидт|Дж.Ю.|", "Шмидт, Дж.Ю.",
        "shmidt1987");
    row("surname of words", "van der Waals J.D.", "1873", "van der Waals|J.D.|",
        "van der Waals, J.D.", "vanderwaals1873");
    row("first split wins", "J. K. L.", "", "J.|K.L.|", "J., K.L.", "j");
    row("no-break space ties", "Müller\u00a0H.", "12 1999", "Müller\u00a0H.||", "Müller\u00a0H.",
        "mullerh1999");
    row("other digits", "Ли В.", "١٩٨٧ 2001", "Ли|В.|", "Ли, В.", "li2001");
    row("no final dot", "Smith J.P", "1999", "||Smith J.P", "{Smith J.P}", "smith1999");
    row("lower-case initial", "Smith j.", "1999", "||Smith j.", "{Smith j.}", "smith1999");
    row("three letters", "Smith Abc.", "1999", "||Smith Abc.", "{Smith Abc.}", "smith1999");
    row("one word", "Müller", "199", "Müller||", "Müller", "muller");
    row("corporate", "Институт физики", "", "||Институт физики", "{Институт физики}", "institut");
    row("initials only", "Л.Д.", "1937", "Л.Д.||", "Л.Д.", "ld1937");
}

// The first author's surname and initials as the export writes them and builds the key from.
void TestExchangeExport::namesSplitIntoSurnameAndInitials()
{
    QFETCH(QString, authors);
    QFETCH(QString, year);
    QFETCH(QString, first);
    QFETCH(QString, written);
    QFETCH(QString, key);
    StoredBook book;
    book.authors = authors;
    book.title = QStringLiteral("T");
    const Reference reference = referenceOf(book);
    QVERIFY(!reference.authors.isEmpty());
    const PersonName &name = reference.authors.first();
    QCOMPARE(QStringList({name.family, name.given, name.literal}).join(QLatin1Char('|')), first);
    const QString entry = bibtexEntry(reference, QStringLiteral("k"));
    QVERIFY2(entry.contains(QStringLiteral("  author = {") + written + QStringLiteral("},\n")),
             qPrintable(entry));
    QCOMPARE(CitationKeys::base(authors, year), key);
}

// Progress is told page by page up to the whole count; a cancel at any page leaves the file
// that was there as it was and nothing beside it.
void TestExchangeExport::progressAndCancel_data()
{
    QTest::addColumn<int>("cancelAt"); // the call that answers false; 0: none does
    QTest::addColumn<int>("calls");
    QTest::newRow("runs through") << 0 << 3;
    QTest::newRow("cancelled on the first page") << 1 << 1;
    QTest::newRow("cancelled on the last page") << 3 << 3;
}

void TestExchangeExport::progressAndCancel()
{
    QFETCH(int, cancelAt);
    QFETCH(int, calls);
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("many.mdb"));
    QList<Entry> many;
    for (int i = 0; i < 600; ++i)
        many.append({QStringLiteral("Автор %1").arg(i), QStringLiteral("Title %1").arg(i),
                     QStringLiteral("1999")});
    execOn(path, {}, many);
    Module m(path);
    const QString target = folder.file(QStringLiteral("Result/out.bib"));
    writeBytes(target, "the old file");
    QList<QPair<int, int>> told;
    const ExportResult result =
        exportBibliography(m.dm.ADOTable, target, Format::BibTeX, [&](int done, int total) {
            told.append({done, total});
            return told.size() != cancelAt;
        });
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(told.size(), calls);
    for (int i = 0; i < told.size(); ++i)
        QCOMPARE(told[i], qMakePair(std::min(600, 256 * (i + 1)), 600));
    QCOMPARE(result.cancelled, cancelAt != 0);
    const QByteArray written = readBytes(target);
    if (cancelAt != 0)
        QCOMPARE(written, QByteArray("the old file"));
    else
        QCOMPARE(written.count("\n@"), 599);
    QCOMPARE(QDir(folder.file(QStringLiteral("Result"))).entryList(QDir::Files),
             QStringList{QStringLiteral("out.bib")});
}

// A long file is read ahead of the entries stored; a cancel, or an entry the library refuses,
// still stops at that entry: every entry before it is stored in the file's order, told one by
// one, and none after it.
void TestExchangeExport::importsStopAfterTheEntriesBefore_data()
{
    QTest::addColumn<int>("cancelAt");  // the report that answers false; 0: none does
    QTest::addColumn<int>("refusedAt"); // the entry the library refuses; 0: none
    QTest::newRow("runs through") << 0 << 0;
    QTest::newRow("cancelled early") << 3 << 0;
    QTest::newRow("cancelled late") << 1900 << 0;
    QTest::newRow("refused") << 0 << 1500;
}

void TestExchangeExport::importsStopAfterTheEntriesBefore()
{
    QFETCH(int, cancelAt);
    QFETCH(int, refusedAt);
    const int count = 2000;
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("stops.mdb"));
    execOn(path, {QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Books WHEN NEW.WName "
                                 "LIKE 'bad%' BEGIN SELECT RAISE(ABORT, 'value refused'); END")});
    QByteArray text;
    QStringList titles;
    for (int i = 1; i <= count; ++i) {
        titles << QStringLiteral("Title %1").arg(i);
        text +=
            QStringLiteral("@article{k%1, author = {%2, A.}, title = {Title %1}, year = 2001}\n")
                .arg(i)
                .arg(i == refusedAt ? QStringLiteral("Bad") : QStringLiteral("Good"))
                .toUtf8();
    }
    writeBytes(folder.file("long.bib"), text);
    const QStringList before = storedRows(path, QStringLiteral("WTitle"));
    Module m(path);
    QList<int> told;
    QString error;
    quil::ImportResult result;
    try {
        result = importBibliography(m.dm, folder.file("long.bib"), {}, [&](int done, int, auto) {
            told << done;
            return told.size() != cancelAt;
        });
    } catch (const quil::Error &e) {
        error = e.message();
    }
    const int stored = refusedAt ? refusedAt - 1 : cancelAt ? 0 : count;
    const int reports = refusedAt ? refusedAt - 1 : cancelAt ? cancelAt : count;
    QCOMPARE(result.cancelled, cancelAt != 0);
    QVERIFY2(refusedAt ? error.startsWith(
                             QStringLiteral("Запись в строке %1 не сохранена").arg(refusedAt))
                       : error.isEmpty(),
             qPrintable(error));
    QCOMPARE(told.size(), reports);
    for (int i = 0; i < told.size(); ++i)
        QCOMPARE(told[i], i + 1);
    const QStringList after = storedRows(path, QStringLiteral("WTitle"));
    QCOMPARE(after.mid(0, before.size()), before);
    QCOMPARE(after.mid(before.size()).filter(QStringLiteral(" ")), titles.mid(0, stored));
    const auto originals = m.dm.ADOConnection.engine().prepareOrThrow(
        QStringLiteral("SELECT count(*) FROM Originals"));
    QVERIFY(originals->exec() && originals->next());
    QCOMPARE(int(originals->integer(0)), stored);
}

void TestExchangeExport::rowsWriteAsTheirFields_data()
{
    // The stored bytes of WName, WTitle, WPublisher, City, Location, Pages and Resume.
    QTest::addColumn<QByteArrayList>("columns");
    // Nine bytes from one special character to the next: each lands on every place of a word.
    QByteArray specials;
    for (const char c : QByteArray("\\{}&%$#_~^\t\n\r ;"))
        for (int k = 0; k < 9; ++k)
            specials += c + QByteArray(k % 2 ? "aж bжc" : "ab  жcd");
    QTest::newRow("every escape at every place of a word")
        << QByteArrayList{"Smith J. " + specials,
                          specials,
                          specials,
                          specials,
                          specials,
                          specials,
                          "{\\rtf1 a&b%c$d#e_f~g^h\\\\i\\{j\\}k\\tab l}"};
    QTest::newRow("blanks of other scripts at the ends")
        << QByteArrayList{"\u00a0 Ландау Л.Д., Лифшиц Е.М. и др.\u2003",
                          "\u3000 Заглавие\u00a0 с\u00a0 тем\t\u2009",
                          "\u2028Журнал\u00a0 \u00a0",
                          "\u2002 1999\n\u3000",
                          "\u00a0a; ;\u2009б\u00a0;  ;\u1680;c\u00a0d;\u0085",
                          "\u200a note \u202f",
                          "\u00a0{\\rtf1 Текст}"};
    QTest::newRow("marks, pairs and a lone half of a pair")
        << QByteArrayList{"Mu\u0308ller H.-J., \U0001F600 A.",
                          "e\u0301te\u0301 \U0001D400\U0001F600",
                          "\u0301x\u0301",
                          "2001\u0308",
                          "\U0001F600;\u0301",
                          "\U0001D400",
                          "{\\rtf1 x\\u-10240?y \\u55357?\\u56832? z\\u-8192?}"};
    QTest::newRow("editors and others, blank runs")
        << QByteArrayList{"  Иванов И.И.,\tПетров П.П. (ред.)",
                          "  a \t\n b  \r\n c ",
                          "x\u00a0 y  \t z",
                          "\t1999\n2000 ",
                          "  ; a\tb ;\n; c  ",
                          "DOI\r\n 10.1/x",
                          " New\r\n"};
    QTest::newRow("placeholders: nothing to cite")
        << QByteArrayList{" New\t", "New", "New", "New", "New", "New", "New"};
    QTest::newRow("byte order mark first") << QByteArrayList{"\xef\xbb\xbfLi V.",
                                                             "\xef\xbb\xbf"
                                                             "Заглавие",
                                                             "",
                                                             "1999\xef\xbb\xbf",
                                                             "",
                                                             "",
                                                             ""};
    // One fault a row: a row with any is written as its fields read as text.
    const std::pair<int, const char *> faults[] = {{0, "M\xfcller H."},
                                                   {1, "Caf\xe9"},
                                                   {2, "\xc0\x80"},
                                                   {3, "1999\xd0"},
                                                   {4, "a;\xed\xa0\x80;b"},
                                                   {4, "\xed\xbf\xbf"},
                                                   {5, "\xf4\x90\x80\x80"},
                                                   {5, "\xe0\x80\xaf"},
                                                   {1, "\xf0\x80\x80\x80"},
                                                   {1, "x\xf8\x88\x80\x80\x80"},
                                                   {2, "\xbf"},
                                                   {6, "{\\rtf1 \xe9t\xe9}"}};
    for (const auto &[column, bytes] : faults) {
        QByteArrayList columns{"Ли В.", "Заглавие", "Журнал", "1999", "a; b", "note", ""};
        columns[column] = bytes;
        QTest::addRow("not UTF-8: %s in column %d", QByteArray(bytes).toHex().constData(), column)
            << columns;
    }
}

// An entry is written from its stored bytes just as from its fields read as text, whatever the
// bytes hold; the abstract's text goes out in the UTF-8 that Qt's encoder gives.
void TestExchangeExport::rowsWriteAsTheirFields()
{
    QFETCH(QByteArrayList, columns);
    TempProgramFolder folder;
    const QString path = newLibrary(folder, QStringLiteral("rows.mdb"));
    QStringList set;
    const QStringList names = Columns.split(QStringLiteral(", ")) << QStringLiteral("Resume");
    for (qsizetype i = 0; i < names.size(); ++i)
        set << QStringLiteral("%1 = CAST(X'%2' AS TEXT)")
                   .arg(names[i], QString::fromLatin1(columns[i].toHex()));
    execOn(path, {}, {{"x", "x", "x"}});
    execOn(path, {QStringLiteral("UPDATE Books SET ") + set.join(QStringLiteral(", "))});
    QCOMPARE(storedRows(path, QStringLiteral("hex(WTitle)")).value(0),
             QString::fromLatin1(columns[1].toHex().toUpper()));
    StoredBook book;
    QString *const fields[] = {&book.authors, &book.title,    &book.publisher,
                               &book.year,    &book.keywords, &book.info};
    for (int i = 0; i < 6; ++i)
        *fields[i] = QString::fromUtf8(columns[i]);
    book.resume = columns[6];
    const Reference reference = referenceOf(book);
    const bool cited =
        !reference.authors.isEmpty() || !reference.editors.isEmpty() || !reference.title.isEmpty();
    Module m(path);
    const QByteArray bib = exported(m.dm, Format::BibTeX);
    const QString key = QString::fromUtf8(bib).section(QLatin1Char('{'), 1, 1).section(',', 0, 0);
    QCOMPARE(bib,
             cited ? (bibtexEntry(reference, key) + QLatin1Char('\n')).toUtf8() : QByteArray());
    QCOMPARE(exported(m.dm, Format::Ris), cited ? risRecord(reference).toUtf8() : QByteArray());
    const QString abstract =
        quil::rtf::RtfTextExtractor::plainText(QString::fromUtf8(columns[6])).trimmed();
    if (cited && !abstract.isEmpty() && abstract != QLatin1String("New"))
        QVERIFY2(bib.contains("  abstract = {" + unicodeToLatex(abstract).toUtf8() + "},\n"),
                 bib.constData());
}

QTEST_GUILESS_MAIN(TestExchangeExport)
#include "test_exchange_export.moc"
