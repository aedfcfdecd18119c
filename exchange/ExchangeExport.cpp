#include "exchange/ExchangeExport.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "exchange/Latex.h"
#include "exchange/Mapping.h"
#include "exchange/Originals.h"
#include "export/ListExport.h"
#include "rtf/RichText.h"
#include "rtf/RtfTextExtractor.h"
#include "store/Book.h"

#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringEncoder>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <exception>
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

// The text in UTF-8 at the end of the buffer, as QString::toUtf8 gives it.
void appendUtf8(QByteArray &out, QStringView text)
{
    if (text.isEmpty())
        return;
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype size = out.size();
    out.resize(size + encoder.requiredSpace(text.size()));
    char *const end = encoder.appendToBuffer(out.data() + size, text);
    out.truncate(end - out.constData());
}

// unicodeToLatex(text) in UTF-8, the runs between special characters converted whole.
void appendLatex(QByteArray &out, QStringView text)
{
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char *escape = latexEscape(text[i].unicode());
        if (!escape)
            continue;
        appendUtf8(out, text.sliced(plain, i - plain));
        out += escape;
        plain = i + 1;
    }
    appendUtf8(out, text.sliced(plain));
}

// collapsedBlanks(text) in UTF-8: the stretches that keep their single blanks go whole.
void appendCollapsed(QByteArray &out, QStringView text)
{
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    };
    const qsizetype size = text.size();
    qsizetype i = 0;
    bool written = false;
    for (;;) {
        while (i < size && blank(text[i].unicode()))
            ++i;
        if (i == size)
            return;
        qsizetype end = i;
        while (end < size) {
            if (!blank(text[end].unicode()))
                ++end;
            else if (text[end] == u' ' && end + 1 < size && !blank(text[end + 1].unicode()))
                end += 2;
            else
                break;
        }
        if (written)
            out += ' ';
        appendUtf8(out, text.sliced(i, end - i));
        written = true;
        i = end;
    }
}

// "  name = {value},\n", left out when the value comes to nothing.
template <typename Write>
void field(QByteArray &out, const char *name, Write &&value)
{
    const qsizetype start = out.size();
    out += "  ";
    out += name;
    out += " = {";
    const qsizetype first = out.size();
    value();
    if (out.size() == first)
        out.truncate(start);
    else
        out += "},\n";
}

void latexField(QByteArray &out, const char *name, const QString &value)
{
    field(out, name, [&] { appendLatex(out, value); });
}

void appendBibtexName(QByteArray &out, const PersonName &name)
{
    if (!name.literal.isEmpty()) {
        out += '{';
        appendLatex(out, name.literal);
        out += '}';
        return;
    }
    appendLatex(out, name.family);
    if (!name.given.isEmpty()) {
        out += ", ";
        appendLatex(out, name.given);
    }
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
            b.resume = FStatement->utf8(7).toByteArray();
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
                             book.info, QString::fromUtf8(book.resume)) == book.digest;
}

// The plain text of a stored abstract, RTF or plain text (as the abstract import stores it);
// the placeholder is none. Every entry of an export passes here: the stored bytes go to the
// extractor as they are when trimming takes only ASCII blanks and the text is sound UTF-8, as
// nearly every abstract is.
QString abstractOf(const QByteArray &stored)
{
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype from = 0;
    qsizetype to = stored.size();
    while (from < to && space(stored[from]))
        ++from;
    while (to > from && space(stored[to - 1]))
        --to;
    if (from == to)
        return {};
    // A byte above ASCII at either end may begin or end a space of its own.
    const bool wide =
        std::any_of(stored.begin() + from, stored.begin() + to, [](char c) { return c < 0; });
    if (stored[from] < 0 || stored[to - 1] < 0 ||
        (wide && !QByteArrayView(stored).sliced(from, to - from).isValidUtf8()))
        return valueOf(quil::rtf::RichText::plainTextOf(valueOf(QString::fromUtf8(stored))));
    const QByteArray value = QByteArray::fromRawData(stored.constData() + from, to - from);
    static const QByteArray placeholder = book::NewText.toLatin1();
    if (value == placeholder)
        return {};
    thread_local quil::rtf::RtfTextExtractor extractor;
    bool isRtf = false;
    const QStringView text = extractor.text(value, &isRtf, wide).trimmed();
    if (!isRtf)
        return valueOf(quil::rtf::RichText::plainTextOf(QString::fromUtf8(value)));
    return text == book::NewText ? QString() : text.toString();
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
    r.abstract = abstractOf(book.resume);
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

namespace {

void writeBibtex(QByteArray &out, const Reference &r, const QString &citationKey)
{
    const QString type = bibtexType(r.type);
    out += '@';
    appendUtf8(out, type);
    out += '{';
    appendUtf8(out, citationKey);
    out += ",\n";
    const auto names = [&out](const QList<PersonName> &list, bool etAl) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i > 0)
                out += " and ";
            appendBibtexName(out, list[i]);
        }
        if (etAl)
            out += list.isEmpty() ? "others" : " and others";
    };
    field(out, "author", [&] { names(r.authors, r.etAl); });
    field(out, "editor", [&] { names(r.editors, false); });
    // Inner braces keep the title's capitals from the style's lower-casing.
    if (!r.title.isEmpty())
        field(out, "title", [&] {
            out += '{';
            appendLatex(out, r.title);
            out += '}';
        });
    // A book's own container is its series.
    const bool book = type == QLatin1String("book");
    const char *container = type == QLatin1String("article") ? "journal"
                            : oneOfTypes(type, {"incollection", "inproceedings", "inbook"})
                                ? "booktitle"
                                : "howpublished";
    if (!book)
        latexField(out, container, r.container);
    latexField(out, "series", book && r.series.isEmpty() ? r.container : r.series);
    const bool report = type == QLatin1String("techreport");
    latexField(out, "publisher", report ? QString() : r.publisher);
    latexField(out, "institution", report ? r.publisher : QString());
    latexField(out, "address", r.address);
    latexField(out, "year", r.year);
    latexField(out, "month", r.month);
    latexField(out, "volume", r.volume);
    latexField(out, "number", r.issue.isEmpty() ? r.number : r.issue);
    field(out, "pages", [&] {
        appendUtf8(out, unicodeToLatex(r.pages).replace(QChar(0x2013), QLatin1String("--")));
    });
    latexField(out, "edition", r.edition);
    latexField(out, "type", r.genre);
    latexField(out, "doi", r.doi);
    latexField(out, "url", r.url);
    latexField(out, "isbn", r.isbn);
    latexField(out, "langid", r.language);
    latexField(out, "keywords", r.keywords.join(QLatin1String(", ")));
    latexField(out, "note", r.note);
    latexField(out, "abstract", r.abstract);
    out += "}\n";
}

void writeRis(QByteArray &out, const Reference &r)
{
    const QString type = risType(r.type);
    out += "TY  - ";
    appendUtf8(out, type);
    out += '\n';
    const auto line = [&out](const char *tag, const QString &value) {
        if (value.isEmpty())
            return;
        out += tag;
        out += "  - ";
        appendCollapsed(out, value);
        out += '\n';
    };
    for (const PersonName &name : r.authors)
        line("AU", risName(name));
    if (r.etAl)
        line("AU", QStringLiteral("et al."));
    for (const PersonName &name : r.editors)
        line("A2", risName(name));
    line("TI", r.title);
    line(type == QLatin1String("BOOK") ? "T3" : "T2", r.container);
    if (type != QLatin1String("BOOK"))
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
    out += "ER  - \n\n";
}

} // namespace

QString bibtexEntry(const Reference &r, const QString &citationKey)
{
    QByteArray out;
    writeBibtex(out, r, citationKey);
    return QString::fromUtf8(out);
}

QString risRecord(const Reference &r)
{
    QByteArray out;
    writeRis(out, r);
    return QString::fromUtf8(out);
}

namespace {

// Runs work(i) for every i below count, shared with the pool's thread when there is one: each
// takes the next row in turn, so a thread the machine gives less time does less. This thread
// first runs `meanwhile`, which must not touch what work does. An error raised in either is
// raised here once both are done.
void shared(QThreadPool *pool, int count, const std::function<void(int)> &work,
            const std::function<void()> &meanwhile = {})
{
    std::atomic<int> next{0};
    const auto run = [&](std::exception_ptr &error) {
        try {
            for (int i = next++; i < count; i = next++)
                work(i);
        } catch (...) {
            error = std::current_exception();
            next = count;
        }
    };
    std::exception_ptr mine;
    std::exception_ptr theirs;
    if (pool)
        pool->start([&] { run(theirs); });
    if (meanwhile) {
        try {
            meanwhile();
        } catch (...) {
            mine = std::current_exception();
            next = count;
        }
    }
    if (!mine)
        run(mine);
    if (pool)
        pool->waitForDone();
    for (const std::exception_ptr &error : {mine, theirs})
        if (error)
            std::rethrow_exception(error);
}

// One row of a page on its way out.
struct Outgoing {
    bool same = false;
    bool asItCame = false;
    bool skipped = false;
    Reference reference;
    QString citation;
    QByteArray text;
};

} // namespace

ExportResult exportBibliography(quil::DataSet &data, QIODevice &device, Format format,
                                const ExportProgress &progress)
{
    ExportResult result;
    StoredBooks books(data);
    std::unique_ptr<CitationKeys> keys;
    if (format == Format::BibTeX)
        keys = std::make_unique<CitationKeys>(data);
    // Turning abstracts into text and records into UTF-8 is most of the work: a page of rows
    // is shared with a second thread, and written out in its order.
    std::unique_ptr<QThreadPool> pool;
    if (QThread::idealThreadCount() > 1) {
        pool = std::make_unique<QThreadPool>();
        pool->setMaxThreadCount(1);
    }
    QByteArray bytes;
    bytes.reserve(PieceSize + PieceSize / 2);
    const auto spill = [&] {
        if (result.ok() && !bytes.isEmpty() && device.write(bytes) != bytes.size())
            result.error = device.errorString().isEmpty() ? QStringLiteral("Ошибка записи")
                                                          : device.errorString();
        bytes.resize(0);
    };
    const auto asItCame = [format](const StoredBook &book, bool same) {
        return !book.citation.isEmpty() && same && formatNamed(book.originalFormat) == format;
    };
    QSet<QString> citations;
    QSet<QString> strings;
    std::vector<Outgoing> out;
    std::vector<StoredBook> page;
    std::vector<StoredBook> following = books.page(0);
    for (int first = 0; first < data.RecordCount() && result.ok() && !result.cancelled;
         first += PageRows) {
        page = std::move(following);
        out.assign(page.size(), Outgoing());
        // A record that may go out as it came in needs no reference; one whose key another
        // entry takes first is given its reference below.
        shared(pool.get(), int(page.size()), [&](int i) {
            out[size_t(i)].same = unchanged(page[size_t(i)]);
            if (!asItCame(page[size_t(i)], out[size_t(i)].same))
                out[size_t(i)].reference = merged(page[size_t(i)], out[size_t(i)].same);
        });
        for (size_t i = 0; i < page.size(); ++i) {
            const StoredBook &book = page[i];
            Outgoing &o = out[i];
            const bool ownKey = !book.citation.isEmpty() && !citations.contains(book.citation);
            // An unchanged record is written as it came in: it had authors or a title then.
            o.asItCame = ownKey && asItCame(book, o.same);
            if (!o.asItCame && asItCame(book, o.same))
                o.reference = merged(book, o.same);
            const Reference &r = o.reference;
            // An entry with neither authors nor title (the placeholder an import into an empty
            // library stores) is nothing to cite.
            if (!o.asItCame && r.authors.isEmpty() && r.editors.isEmpty() && r.title.isEmpty()) {
                o.skipped = true;
                ++result.skipped;
                continue;
            }
            o.citation = ownKey                     ? book.citation
                         : format == Format::BibTeX ? keys->key(book.key)
                                                    : QString();
            citations.insert(o.citation);
            if (o.asItCame)
                // The macros the record uses stand once before the first record that needs them.
                for (const QString &definition : stringsOf(book))
                    if (!strings.contains(definition)) {
                        strings.insert(definition);
                        o.text += definition.toUtf8() + "\n\n";
                    }
            ++result.written;
        }
        // The next page is read while the pool's thread begins on this one.
        const auto readFollowing = [&] {
            following = first + PageRows < data.RecordCount() ? books.page(first + PageRows)
                                                              : std::vector<StoredBook>();
        };
        shared(
            pool.get(), int(page.size()),
            [&](int i) {
                const StoredBook &book = page[size_t(i)];
                Outgoing &o = out[size_t(i)];
                if (o.skipped)
                    return;
                if (o.asItCame) {
                    o.text += book.record.toUtf8();
                    if (!book.record.endsWith(QLatin1Char('\n')))
                        o.text += '\n';
                    o.text += '\n';
                } else if (format == Format::BibTeX) {
                    writeBibtex(o.text, o.reference, o.citation);
                    o.text += '\n';
                } else {
                    o.reference.key = o.citation;
                    writeRis(o.text, o.reference);
                }
            },
            readFollowing);
        for (const Outgoing &o : out)
            bytes += o.text;
        if (bytes.size() >= PieceSize)
            spill();
        if (progress && !progress(first + int(page.size()), data.RecordCount()))
            result.cancelled = true;
    }
    if (!result.cancelled)
        spill();
    return result;
}

ExportResult exportBibliography(quil::DataSet &data, const QString &path, Format format,
                                const ExportProgress &progress)
{
    QSaveFile file(path);
    ExportResult result;
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = ListExport::cannotCreateFile(path);
        return result;
    }
    result = exportBibliography(data, file, format, progress);
    if (!result.ok() || result.cancelled)
        file.cancelWriting();
    if (result.cancelled)
        return result;
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
