#include "exchange/ExchangeExport.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "exchange/Latex.h"
#include "exchange/Mapping.h"
#include "exchange/Originals.h"
#include "export/ListExport.h"
#include "rtf/RtfTextExtractor.h"
#include "store/Book.h"

#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <map>

namespace quil::exchange {
namespace {

// Keys bound per statement, well below the engine's limit on parameters.
constexpr int PageRows = 256;
constexpr qsizetype PieceSize = 256 * 1024;

QString valueOf(const QString &text)
{
    return text.trimmed() == book::NewText ? QString() : text.trimmed();
}

QString columnText(const quil::Statement &statement, int column)
{
    const QByteArrayView text = statement.utf8(column);
    return text.isNull() ? QString() : QString::fromUtf8(text);
}

// Surname then initials: "Ландау Л.Д.", "Smith J.-P."; anything else is a corporate name.
PersonName personOf(const QString &text)
{
    static const QRegularExpression initials(
        QStringLiteral("^(.+?)\\s+((?:\\p{Lu}\\p{Ll}?\\.\\s*-?\\s*)+)$"));
    PersonName name;
    const QRegularExpressionMatch m = initials.match(text);
    if (m.hasMatch()) {
        name.family = m.captured(1).trimmed();
        name.given = m.captured(2).remove(QLatin1Char(' '));
    } else if (!text.contains(QLatin1Char(' '))) {
        name.family = text;
    } else {
        name.literal = text;
    }
    return name;
}

// The names of an authors' line: one to a line, or several joined by commas or semicolons.
QStringList authorParts(const QString &authors)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= authors.size(); ++i) {
        if (i < authors.size()) {
            const char16_t c = authors[i].unicode();
            if (c != u',' && c != u';' && c != u'\r' && c != u'\n')
                continue;
        }
        const QString part = collapsedBlanks(authors.mid(start, i - start));
        if (!part.isEmpty())
            parts << part;
        start = i + 1;
    }
    return parts;
}

QString transliterated(const QString &text)
{
    static const QHash<QChar, QString> cyrillic = [] {
        const char16_t from[] = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюяіїєґў";
        const char *to[] = {"a", "b",  "v",  "g",  "d",  "e",  "e",    "zh", "z", "i",
                            "y", "k",  "l",  "m",  "n",  "o",  "p",    "r",  "s", "t",
                            "u", "f",  "kh", "ts", "ch", "sh", "shch", "",   "y", "",
                            "e", "yu", "ya", "i",  "yi", "ye", "g",    "u"};
        QHash<QChar, QString> table;
        for (size_t i = 0; from[i]; ++i)
            table.insert(QChar(from[i]), QLatin1String(to[i]));
        return table;
    }();
    QString out;
    const QString lower = text.toLower();
    // Accented Latin letters lose their accents; Cyrillic is looked up whole.
    const bool accents = std::any_of(lower.begin(), lower.end(), [](QChar c) {
        return c.unicode() >= 0x80 && (c.unicode() < 0x400 || c.unicode() > 0x4FF);
    });
    for (const QChar c : accents ? lower.normalized(QString::NormalizationForm_D) : lower) {
        if (const auto it = cyrillic.constFind(c); it != cyrillic.constEnd())
            out += *it;
        else if (c == QChar(0x00DF))
            out += QLatin1String("ss");
        else if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                 (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            out += c;
    }
    return out;
}

QString letters(int index)
{
    QString out;
    do {
        out.prepend(QChar(u'a' + index % 26));
        index = index / 26 - 1;
    } while (index >= 0);
    return out;
}

void add(QString &out, const char *name, const QString &value)
{
    if (value.isEmpty())
        return;
    out += QLatin1String("  ") + QLatin1String(name) + QLatin1String(" = {") + value +
           QLatin1String("},\n");
}

QString bibtexName(const PersonName &name)
{
    if (!name.literal.isEmpty())
        return QLatin1Char('{') + unicodeToLatex(name.literal) + QLatin1Char('}');
    if (name.given.isEmpty())
        return unicodeToLatex(name.family);
    return unicodeToLatex(name.family) + QLatin1String(", ") + unicodeToLatex(name.given);
}

QString risName(const PersonName &name)
{
    if (!name.literal.isEmpty())
        return name.literal;
    return name.given.isEmpty() ? name.family : name.family + QLatin1String(", ") + name.given;
}

bool oneOfTypes(const QString &type, std::initializer_list<const char *> types)
{
    for (const char *t : types)
        if (type.compare(QLatin1String(t), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The BibTeX type of a reference read from either format.
QString bibtexType(const QString &type)
{
    static const QHash<QString, QString> fromRis = {
        {QStringLiteral("JOUR"), QStringLiteral("article")},
        {QStringLiteral("MGZN"), QStringLiteral("article")},
        {QStringLiteral("NEWS"), QStringLiteral("article")},
        {QStringLiteral("BOOK"), QStringLiteral("book")},
        {QStringLiteral("EBOOK"), QStringLiteral("book")},
        {QStringLiteral("CHAP"), QStringLiteral("incollection")},
        {QStringLiteral("CONF"), QStringLiteral("inproceedings")},
        {QStringLiteral("CPAPER"), QStringLiteral("inproceedings")},
        {QStringLiteral("RPRT"), QStringLiteral("techreport")},
        {QStringLiteral("THES"), QStringLiteral("phdthesis")},
    };
    if (type.isEmpty())
        return QStringLiteral("misc");
    if (type.front().isLower())
        return type == QLatin1String("report") ? QStringLiteral("techreport") : type;
    return fromRis.value(type, QStringLiteral("misc"));
}

QString risType(const QString &type)
{
    static const QHash<QString, QString> fromBibTeX = {
        {QStringLiteral("article"), QStringLiteral("JOUR")},
        {QStringLiteral("book"), QStringLiteral("BOOK")},
        {QStringLiteral("incollection"), QStringLiteral("CHAP")},
        {QStringLiteral("inbook"), QStringLiteral("CHAP")},
        {QStringLiteral("inproceedings"), QStringLiteral("CPAPER")},
        {QStringLiteral("conference"), QStringLiteral("CPAPER")},
        {QStringLiteral("techreport"), QStringLiteral("RPRT")},
        {QStringLiteral("report"), QStringLiteral("RPRT")},
        {QStringLiteral("phdthesis"), QStringLiteral("THES")},
        {QStringLiteral("mastersthesis"), QStringLiteral("THES")},
        {QStringLiteral("thesis"), QStringLiteral("THES")},
    };
    if (!type.isEmpty() && type.front().isUpper())
        return type;
    return fromBibTeX.value(type, QStringLiteral("GEN"));
}

// Reads the rows of a dataset, in its order, a page of keys at a time.
class StoredBooks {
public:
    explicit StoredBooks(quil::DataSet &data) : FData(data)
    {
        if (!data.connection().Connected())
            throw quil::Error(QStringLiteral("Соединение с библиотекой не открыто"));
        quil::Engine &engine = data.connection().engine();
        QStringList marks;
        for (int i = 0; i < PageRows; ++i)
            marks << QStringLiteral("?");
        QStringList columns;
        for (const QString &column : {book::Key, book::WName, book::WTitle, book::WPublisher,
                                      book::City, book::Location, book::Pages, book::Resume})
            columns << QStringLiteral("b.\"%1\"").arg(column);
        // A library that keeps the records as they came in gives them beside the entries.
        const bool originals = !engine.columns(Originals::TableName).isEmpty();
        if (originals)
            columns << QStringLiteral("o.format, o.citation, o.record, o.digest, o.strings");
        FStatement = engine.prepareOrThrow(
            QStringLiteral("SELECT %1 FROM \"%2\" b %3 WHERE b.\"%4\" IN (%5)")
                .arg(columns.join(QStringLiteral(", ")), book::TableName,
                     originals ? QStringLiteral("LEFT JOIN \"%1\" o ON o.key = b.\"%2\"")
                                     .arg(Originals::TableName, book::Key)
                               : QString(),
                     book::Key, marks.join(QLatin1Char(','))));
        FOriginals = originals;
    }

    // Every row of the page that begins at a position, in the dataset's order; rows no longer
    // in the file are left out.
    std::vector<StoredBook> page(int first)
    {
        const int count = std::max(0, std::min(PageRows, FData.RecordCount() - first));
        QHash<qint64, int> positions;
        for (int i = 0; i < PageRows; ++i) {
            const qint64 key = i < count ? FData.keyAt(first + i) : qint64(-1);
            FStatement->bindInteger(i, key);
            if (i < count)
                positions.insert(key, i);
        }
        std::vector<StoredBook> rows(static_cast<size_t>(count));
        std::vector<bool> found(static_cast<size_t>(count));
        quil::execOrThrow(*FStatement);
        while (FStatement->next()) {
            const auto slot = positions.constFind(FStatement->integer(0));
            if (slot == positions.constEnd())
                continue;
            StoredBook &b = rows[size_t(*slot)];
            b.key = FStatement->integer(0);
            b.authors = columnText(*FStatement, 1);
            b.title = columnText(*FStatement, 2);
            b.publisher = columnText(*FStatement, 3);
            b.year = columnText(*FStatement, 4);
            b.keywords = columnText(*FStatement, 5);
            b.info = columnText(*FStatement, 6);
            b.resume = columnText(*FStatement, 7);
            if (FOriginals) {
                b.originalFormat = columnText(*FStatement, 8);
                b.citation = columnText(*FStatement, 9);
                b.record = columnText(*FStatement, 10);
                b.digest = columnText(*FStatement, 11);
                b.strings = columnText(*FStatement, 12);
            }
            found[size_t(*slot)] = true;
        }
        quil::checkFinished(*FStatement);
        FStatement->reset();
        std::vector<StoredBook> kept;
        kept.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            if (found[i])
                kept.push_back(std::move(rows[i]));
        return kept;
    }

private:
    quil::DataSet &FData;
    std::unique_ptr<quil::Statement> FStatement;
    bool FOriginals = false;
};

bool unchanged(const StoredBook &book)
{
    return !book.record.isEmpty() &&
           Originals::digest(book.authors, book.title, book.publisher, book.year, book.keywords,
                             book.info, book.resume) == book.digest;
}

QStringList stringsOf(const StoredBook &book)
{
    return book.strings.split(Originals::StringSeparator, Qt::SkipEmptyParts);
}

Format formatNamed(const QString &name)
{
    return name == QLatin1String("ris") ? Format::Ris : Format::BibTeX;
}

} // namespace

Reference referenceOf(const StoredBook &book)
{
    Reference r;
    QString authors = valueOf(book.authors);
    bool editors = false;
    for (const QString &suffix : {QStringLiteral(" (ред.)"), QStringLiteral(" (ed.)")})
        if (authors.endsWith(suffix)) {
            editors = true;
            authors.chop(suffix.size());
        }
    for (const QString &suffix : {QStringLiteral(" и др."), QStringLiteral(" et al.")})
        if (authors.endsWith(suffix)) {
            r.etAl = true;
            authors.chop(suffix.size());
        }
    for (const QString &part : authorParts(authors))
        (editors ? r.editors : r.authors) << personOf(part);
    r.title = collapsedBlanks(valueOf(book.title));
    r.container = collapsedBlanks(valueOf(book.publisher));
    r.year = valueOf(book.year);
    for (const QString &word : valueOf(book.keywords).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!word.trimmed().isEmpty())
            r.keywords << word.trimmed();
    r.note = collapsedBlanks(valueOf(book.info));
    const QString abstract = valueOf(book.resume);
    if (!abstract.isEmpty())
        r.abstract = valueOf(quil::rtf::RtfTextExtractor::plainText(abstract));
    r.type = QStringLiteral("misc");
    return r;
}

namespace {

// As mergedReference, told whether the entry is unchanged; the entry's own fields (its
// abstract's plain text above all) are read only where they are laid over the record.
Reference merged(const StoredBook &book, bool same)
{
    if (book.record.isEmpty())
        return referenceOf(book);
    const ReadResult read =
        readBibliography(stringsOf(book).join(QLatin1Char('\n')) + QLatin1Char('\n') + book.record,
                         formatNamed(book.originalFormat));
    if (read.references.size() != 1)
        return referenceOf(book);
    Reference merged = read.references.first();
    if (same)
        return merged;
    const Reference now = referenceOf(book);
    const BookFields was = bookFields(merged);
    // Fields the entry no longer has as they came in are the entry's; the rest of the record
    // (journal, volume, DOI, ...) stays.
    if (book.authors != was.authors) {
        merged.authors = now.authors;
        merged.editors = now.editors;
        merged.etAl = now.etAl;
    }
    if (book.title != was.title)
        merged.title = now.title;
    if (book.publisher != was.publisher) {
        for (QString *field : {&merged.container, &merged.publisher, &merged.address,
                               &merged.volume, &merged.issue, &merged.pages, &merged.edition,
                               &merged.series, &merged.number, &merged.genre, &merged.institution})
            field->clear();
        merged.container = now.container;
        merged.type =
            merged.type.front().isLower() ? QStringLiteral("misc") : QStringLiteral("GEN");
    }
    if (book.year != was.year) {
        merged.year = now.year;
        merged.month.clear();
    }
    if (book.keywords != was.keywords)
        merged.keywords = now.keywords;
    if (book.info != was.info) {
        for (QString *field : {&merged.doi, &merged.url, &merged.isbn})
            field->clear();
        merged.note = now.note;
    }
    if (collapsedBlanks(merged.abstract) != collapsedBlanks(now.abstract))
        merged.abstract = now.abstract;
    return merged;
}

} // namespace

Reference mergedReference(const StoredBook &book) { return merged(book, unchanged(book)); }

QString CitationKeys::base(const QString &authors, const QString &year)
{
    const QStringList parts = authorParts(valueOf(authors));
    const QString first = parts.isEmpty() ? QString() : parts.first();
    const PersonName name = personOf(first);
    QString surname = transliterated(
        name.literal.isEmpty() ? name.family : name.literal.section(QLatin1Char(' '), 0, 0));
    if (surname.isEmpty())
        surname = QStringLiteral("anon");
    static const QRegularExpression digits(QStringLiteral("\\d{4}"));
    return surname + digits.match(year).captured(0);
}

CitationKeys::CitationKeys(quil::DataSet &data)
{
    // Name, the one-line copy of the authors, lies in the browse index with the year: the keys
    // are read without the rows and their abstracts.
    std::unique_ptr<quil::Statement> statement = data.connection().engine().prepareOrThrow(
        QStringLiteral("SELECT \"%1\", \"%2\", \"%3\" FROM \"%4\" ORDER BY \"%1\"")
            .arg(book::Key, book::Name, book::City, book::TableName));
    quil::execOrThrow(*statement);
    QHash<QString, int> used;
    while (statement->next()) {
        const QString stem = base(columnText(*statement, 1), columnText(*statement, 2));
        int &n = used[stem];
        FKeys.insert(statement->integer(0), stem + letters(n++));
    }
    quil::checkFinished(*statement);
}

QString bibtexEntry(const Reference &r, const QString &citationKey)
{
    const QString type = bibtexType(r.type);
    QString out;
    out.reserve(512 + r.abstract.size() + r.title.size());
    out += QLatin1Char('@') + type + QLatin1Char('{') + citationKey + QLatin1String(",\n");
    const auto names = [](const QList<PersonName> &list, bool etAl) {
        QStringList joined;
        for (const PersonName &name : list)
            joined << bibtexName(name);
        if (etAl)
            joined << QStringLiteral("others");
        return joined.join(QLatin1String(" and "));
    };
    add(out, "author", names(r.authors, r.etAl));
    add(out, "editor", names(r.editors, false));
    // Inner braces keep the title's capitals from the style's lower-casing.
    if (!r.title.isEmpty())
        add(out, "title", QLatin1Char('{') + unicodeToLatex(r.title) + QLatin1Char('}'));
    // A book's own container is its series.
    const bool book = type == QLatin1String("book");
    const char *container = type == QLatin1String("article") ? "journal"
                            : oneOfTypes(type, {"incollection", "inproceedings", "inbook"})
                                ? "booktitle"
                                : "howpublished";
    if (!book)
        add(out, container, unicodeToLatex(r.container));
    add(out, "series", unicodeToLatex(book && r.series.isEmpty() ? r.container : r.series));
    add(out, "publisher",
        unicodeToLatex(type == QLatin1String("techreport") ? QString() : r.publisher));
    add(out, "institution",
        unicodeToLatex(type == QLatin1String("techreport") ? r.publisher : QString()));
    add(out, "address", unicodeToLatex(r.address));
    add(out, "year", unicodeToLatex(r.year));
    add(out, "month", unicodeToLatex(r.month));
    add(out, "volume", unicodeToLatex(r.volume));
    add(out, "number", unicodeToLatex(r.issue.isEmpty() ? r.number : r.issue));
    add(out, "pages", unicodeToLatex(r.pages).replace(QChar(0x2013), QLatin1String("--")));
    add(out, "edition", unicodeToLatex(r.edition));
    add(out, "type", unicodeToLatex(r.genre));
    add(out, "doi", unicodeToLatex(r.doi));
    add(out, "url", unicodeToLatex(r.url));
    add(out, "isbn", unicodeToLatex(r.isbn));
    add(out, "langid", unicodeToLatex(r.language));
    add(out, "keywords", unicodeToLatex(r.keywords.join(QLatin1String(", "))));
    add(out, "note", unicodeToLatex(r.note));
    add(out, "abstract", unicodeToLatex(r.abstract));
    out += QLatin1String("}\n");
    return out;
}

QString risRecord(const Reference &r)
{
    QString out = QStringLiteral("TY  - ") + risType(r.type) + QLatin1Char('\n');
    const auto line = [&out](const char *tag, const QString &value) {
        if (!value.isEmpty())
            out += QLatin1String(tag) + QLatin1String("  - ") + collapsedBlanks(value) +
                   QLatin1Char('\n');
    };
    for (const PersonName &name : r.authors)
        line("AU", risName(name));
    if (r.etAl)
        line("AU", QStringLiteral("et al."));
    for (const PersonName &name : r.editors)
        line("A2", risName(name));
    line("TI", r.title);
    line(risType(r.type) == QLatin1String("BOOK") ? "T3" : "T2", r.container);
    if (risType(r.type) != QLatin1String("BOOK"))
        line("T3", r.series);
    else if (r.container.isEmpty())
        line("T2", r.series);
    line("PB", r.publisher);
    line("CY", r.address);
    line("PY", r.year);
    if (!r.year.isEmpty() && !r.month.isEmpty())
        line("DA", r.year + QLatin1Char('/') + r.month.rightJustified(2, QLatin1Char('0')) + "//");
    line("VL", r.volume);
    line("IS", r.issue);
    const QStringList pages = r.pages.split(QChar(0x2013));
    line("SP", pages.value(0));
    line("EP", pages.value(1));
    line("ET", r.edition);
    line("M3", r.genre);
    line("SN", r.isbn.isEmpty() ? r.number : r.isbn);
    line("DO", r.doi);
    line("UR", r.url);
    line("LA", r.language);
    for (const QString &word : r.keywords)
        line("KW", word);
    line("N1", r.note);
    line("AB", r.abstract);
    line("ID", r.key);
    out += QLatin1String("ER  - \n\n");
    return out;
}

ExportResult exportBibliography(quil::DataSet &data, QIODevice &device, Format format)
{
    ExportResult result;
    StoredBooks books(data);
    std::unique_ptr<CitationKeys> keys;
    if (format == Format::BibTeX)
        keys = std::make_unique<CitationKeys>(data);
    QByteArray bytes;
    const auto spill = [&] {
        if (result.ok() && !bytes.isEmpty() && device.write(bytes) != bytes.size())
            result.error = device.errorString().isEmpty() ? QStringLiteral("Ошибка записи")
                                                          : device.errorString();
        bytes.resize(0);
    };
    QSet<QString> citations;
    QSet<QString> strings;
    for (int first = 0; first < data.RecordCount() && result.ok(); first += PageRows) {
        for (const StoredBook &book : books.page(first)) {
            const bool same = unchanged(book);
            const bool ownKey = !book.citation.isEmpty() && !citations.contains(book.citation);
            // An unchanged record is written as it came in: it had authors or a title then.
            const bool asItCame = ownKey && same && formatNamed(book.originalFormat) == format;
            Reference r = asItCame ? Reference() : merged(book, same);
            // An entry with neither authors nor title (the placeholder an import into an empty
            // library stores) is nothing to cite.
            if (!asItCame && r.authors.isEmpty() && r.editors.isEmpty() && r.title.isEmpty()) {
                ++result.skipped;
                continue;
            }
            QString citation = ownKey                     ? book.citation
                               : format == Format::BibTeX ? keys->key(book.key)
                                                          : QString();
            citations.insert(citation);
            if (asItCame) {
                // The macros the record uses stand once before the first record that needs them.
                for (const QString &definition : stringsOf(book))
                    if (!strings.contains(definition)) {
                        strings.insert(definition);
                        bytes += definition.toUtf8() + "\n\n";
                    }
                bytes += book.record.toUtf8();
                if (!book.record.endsWith(QLatin1Char('\n')))
                    bytes += '\n';
                bytes += '\n';
            } else if (format == Format::BibTeX) {
                bytes += bibtexEntry(r, citation).toUtf8();
                bytes += '\n';
            } else {
                r.key = citation;
                bytes += risRecord(r).toUtf8();
            }
            ++result.written;
        }
        if (bytes.size() >= PieceSize)
            spill();
    }
    spill();
    return result;
}

ExportResult exportBibliography(quil::DataSet &data, const QString &path, Format format)
{
    QSaveFile file(path);
    ExportResult result;
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = ListExport::cannotCreateFile(path);
        return result;
    }
    result = exportBibliography(data, file, format);
    if (!result.ok())
        file.cancelWriting();
    if (!result.ok() || !file.flush() || !file.commit())
        result.error = ListExport::cannotCreateFile(path);
    return result;
}

QString currentAsBibTeX(quil::DataSet &data)
{
    if (data.IsEmpty())
        return {};
    StoredBooks books(data);
    const std::vector<StoredBook> page = books.page(data.RecNo() - 1);
    if (page.empty())
        return {};
    const StoredBook &book = page.front();
    if (!book.citation.isEmpty() && unchanged(book) &&
        formatNamed(book.originalFormat) == Format::BibTeX) {
        QStringList text = stringsOf(book);
        text << book.record;
        return text.join(QStringLiteral("\n\n"));
    }
    return bibtexEntry(mergedReference(book),
                       book.citation.isEmpty() ? CitationKeys(data).key(book.key) : book.citation);
}

} // namespace quil::exchange
