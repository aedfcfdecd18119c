#include "exchange/ExchangeExport.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "exchange/Latex.h"
#include "export/ListExport.h"
#include "rtf/RtfTextExtractor.h"
#include "store/Book.h"

#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
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
    static const QRegularExpression separators(QStringLiteral("[,;\\r\\n]"));
    QStringList parts;
    for (const QString &part : authors.split(separators, Qt::SkipEmptyParts))
        if (!collapsedBlanks(part).isEmpty())
            parts << collapsedBlanks(part);
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
    for (const QChar c : text.toLower().normalized(QString::NormalizationForm_D)) {
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

// Reads the rows of a dataset, in its order, a page of keys at a time.
class StoredBooks {
public:
    explicit StoredBooks(quil::DataSet &data) : FData(data)
    {
        if (!data.connection().Connected())
            throw quil::Error(QStringLiteral("Соединение с библиотекой не открыто"));
        QStringList marks;
        for (int i = 0; i < PageRows; ++i)
            marks << QStringLiteral("?");
        FStatement = data.connection().engine().prepareOrThrow(
            QStringLiteral("SELECT \"%1\", \"%2\", \"%3\", \"%4\", \"%5\", \"%6\", \"%7\", \"%8\" "
                           "FROM \"%9\" WHERE \"%1\" IN (%10)")
                .arg(book::Key, book::WName, book::WTitle, book::WPublisher, book::City,
                     book::Location, book::Pages, book::Resume, book::TableName)
                .arg(marks.join(QLatin1Char(','))));
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
};

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
    std::unique_ptr<quil::Statement> statement = data.connection().engine().prepareOrThrow(
        QStringLiteral("SELECT \"%1\", \"%2\", \"%3\" FROM \"%4\" ORDER BY \"%1\"")
            .arg(book::Key, book::WName, book::City, book::TableName));
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
    QString out = QLatin1Char('@') + (r.type.isEmpty() ? QStringLiteral("misc") : r.type) +
                  QLatin1Char('{') + citationKey + QLatin1String(",\n");
    QStringList names;
    for (const PersonName &name : r.authors)
        names << bibtexName(name);
    if (r.etAl)
        names << QStringLiteral("others");
    add(out, "author", names.join(QLatin1String(" and ")));
    QStringList editors;
    for (const PersonName &name : r.editors)
        editors << bibtexName(name);
    add(out, "editor", editors.join(QLatin1String(" and ")));
    // Inner braces keep the title's capitals from the style's lower-casing.
    if (!r.title.isEmpty())
        add(out, "title", QLatin1Char('{') + unicodeToLatex(r.title) + QLatin1Char('}'));
    add(out, "howpublished", unicodeToLatex(r.container));
    add(out, "year", unicodeToLatex(r.year));
    add(out, "keywords", unicodeToLatex(r.keywords.join(QLatin1String(", "))));
    add(out, "note", unicodeToLatex(r.note));
    add(out, "abstract", unicodeToLatex(r.abstract));
    out += QLatin1String("}\n");
    return out;
}

QString risRecord(const Reference &r)
{
    QString out = QStringLiteral("TY  - GEN\n");
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
    line("T2", r.container);
    line("PY", r.year);
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
    for (int first = 0; first < data.RecordCount() && result.ok(); first += PageRows) {
        for (const StoredBook &book : books.page(first)) {
            const Reference r = referenceOf(book);
            // An entry with neither authors nor title (the placeholder an import into an empty
            // library stores) is nothing to cite.
            if (r.authors.isEmpty() && r.editors.isEmpty() && r.title.isEmpty()) {
                ++result.skipped;
                continue;
            }
            if (format == Format::BibTeX) {
                bytes += bibtexEntry(r, keys->key(book.key)).toUtf8();
                bytes += '\n';
            } else {
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
    return bibtexEntry(referenceOf(page.front()), CitationKeys(data).key(page.front().key));
}

} // namespace quil::exchange
