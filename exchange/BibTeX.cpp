#include "exchange/BibTeX.h"

#include "exchange/Latex.h"

#include <QCoreApplication>
#include <QHash>
#include <algorithm>

namespace quil::exchange {
namespace {

// Reads entries from a window of the text: an entry ends, at the latest, at the next "@" that
// begins a line, so the window reaches past that before an entry is read; an entry that runs
// to the window's end after all is read again with more text. Text before the line of the
// entry being read is let go.
class Parser {
public:
    Parser(TextPieces &source, QList<ReadProblem> *problems) : FSource(source), FProblems(problems)
    {
        const char *months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                "jul", "aug", "sep", "oct", "nov", "dec"};
        for (int m = 0; m < 12; ++m)
            FMacros.insert(QLatin1String(months[m]), QString::number(m + 1));
    }

    void run(const std::function<void(BibTeXEntry &&)> &take)
    {
        while (seekEntry()) {
            const qsizetype start = FAt;
            const int line = lineAt(start);
            qsizetype next = entryLineAfter(start + 1);
            BibTeXEntry entry;
            QString why;
            bool read = false;
            while (true) {
                FPos = start + 1; // '@'
                entry = BibTeXEntry();
                why.clear();
                read = readEntry(entry, why);
                if (FPos < FText.size() || !more())
                    break;
            }
            if (read) {
                if (!entry.type.isEmpty()) {
                    entry.line = line;
                    entry.source = FText.mid(start, FPos - start);
                    take(std::move(entry));
                }
            } else {
                // An "@" inside running text (an address) starts no entry.
                const bool junk = why.isEmpty();
                if (FProblems && !junk)
                    FProblems->append({line, why});
                // Go on at the next entry that begins a line.
                if (next < 0)
                    next = entryLineAfter(start + 1);
                FPos = next < 0 ? FText.size() : next;
            }
        }
    }

private:
    // Reads a piece more of the text into the window; false at its end.
    bool more()
    {
        if (FEnd)
            return false;
        if (!FSource.readInto(FText))
            FEnd = true;
        return !FEnd;
    }

    // The first "@" from a position on that begins a line (after blanks), reading on as far
    // as that takes; -1 when the text has none.
    qsizetype entryLineAfter(qsizetype from)
    {
        qsizetype i = from;
        while (true) {
            for (i = FText.indexOf(QLatin1Char('\n'), i); i >= 0;
                 i = FText.indexOf(QLatin1Char('\n'), i + 1)) {
                qsizetype j = i + 1;
                while (j < FText.size() &&
                       (FText[j] == QLatin1Char(' ') || FText[j] == QLatin1Char('\t')))
                    ++j;
                if (j == FText.size())
                    break; // the window ends in the blanks; look again with more
                if (FText[j] == QLatin1Char('@'))
                    return j;
            }
            if (i < 0)
                i = std::max(from, FText.lastIndexOf(QLatin1Char('\n')));
            if (!more())
                return -1;
        }
    }

    // Lets go of the text before the line a position stands on, keeping the line break
    // before it, by which startsLine() knows a line's first "@".
    void dropBefore(qsizetype pos)
    {
        const qsizetype cut = pos > 0 ? FText.lastIndexOf(QLatin1Char('\n'), pos - 1) : -1;
        if (cut < KeptText)
            return;
        lineAt(cut);
        FText.remove(0, cut);
        FPos -= cut;
        FAt -= cut;
        FCountedTo -= cut;
    }

    int lineAt(qsizetype pos)
    {
        // Lines are counted forward only: entries come in order.
        for (; FCountedTo < pos && FCountedTo < FText.size(); ++FCountedTo)
            if (FText[FCountedTo] == QLatin1Char('\n'))
                ++FLine;
        return FLine;
    }

    // Whether the "@" read last stands first on its line.
    bool startsLine() const
    {
        for (qsizetype i = FAt - 1; i >= 0; --i) {
            if (FText[i] == QLatin1Char('\n'))
                return true;
            if (!FText[i].isSpace())
                return false;
        }
        return true;
    }

    bool seekEntry()
    {
        qsizetype at = FText.indexOf(QLatin1Char('@'), FPos);
        while (at < 0) {
            FPos = FText.size();
            dropBefore(FPos);
            if (!more())
                return false;
            at = FText.indexOf(QLatin1Char('@'), FPos);
        }
        FPos = at;
        FAt = at;
        dropBefore(FAt);
        return true;
    }

    void skipBlanks()
    {
        while (FPos < FText.size()) {
            if (FText[FPos].isSpace()) {
                ++FPos;
            } else if (FText[FPos] == QLatin1Char('%')) {
                // A comment inside an entry, as biber reads it, runs to the end of the line.
                while (FPos < FText.size() && FText[FPos] != QLatin1Char('\n'))
                    ++FPos;
            } else {
                break;
            }
        }
    }

    static bool isDelimiter(char16_t c)
    {
        switch (c) {
        case u'{':
        case u'}':
        case u'(':
        case u')':
        case u',':
        case u'=':
        case u'#':
        case u'"':
        case u'%': return true;
        default: return false;
        }
    }

    QString identifier()
    {
        const qsizetype start = FPos;
        while (FPos < FText.size()) {
            const QChar c = FText[FPos];
            if (c.isSpace() || isDelimiter(c.unicode()))
                break;
            ++FPos;
        }
        return FText.mid(start, FPos - start);
    }

    // A braced value from just after its "{" to its "}", which is passed; false when the file
    // ends first.
    // An "@" first on a line inside a value: the value ran away into the next entry.
    bool runaway() const
    {
        qsizetype i = FPos + 1;
        while (i < FText.size() && (FText[i] == QLatin1Char(' ') || FText[i] == QLatin1Char('\t')))
            ++i;
        return i < FText.size() && FText[i] == QLatin1Char('@');
    }

    bool braced(QString &out)
    {
        int depth = 1;
        const qsizetype start = FPos;
        for (; FPos < FText.size(); ++FPos) {
            const QChar c = FText[FPos];
            if (c == QLatin1Char('\n') && runaway()) {
                return false;
            } else if (c == QLatin1Char('\\')) {
                ++FPos;
            } else if (c == QLatin1Char('{')) {
                ++depth;
            } else if (c == QLatin1Char('}') && --depth == 0) {
                out += QStringView(FText).sliced(start, FPos - start);
                ++FPos;
                return true;
            }
        }
        return false;
    }

    bool quoted(QString &out)
    {
        int depth = 0;
        const qsizetype start = FPos;
        for (; FPos < FText.size(); ++FPos) {
            const QChar c = FText[FPos];
            if (c == QLatin1Char('\n') && runaway())
                return false;
            if (c == QLatin1Char('\\'))
                ++FPos;
            else if (c == QLatin1Char('{'))
                ++depth;
            else if (c == QLatin1Char('}'))
                --depth;
            else if (c == QLatin1Char('"') && depth <= 0) {
                out += QStringView(FText).sliced(start, FPos - start);
                ++FPos;
                return true;
            }
        }
        return false;
    }

    // value = part { "#" part }
    bool value(QString &out, QString &why)
    {
        while (true) {
            skipBlanks();
            if (FPos >= FText.size()) {
                why = QCoreApplication::translate("BibTeX", "файл кончился внутри значения");
                return false;
            }
            const QChar c = FText[FPos];
            if (c == QLatin1Char('{')) {
                ++FPos;
                if (!braced(out)) {
                    why = QCoreApplication::translate("BibTeX", "не закрыта фигурная скобка");
                    return false;
                }
            } else if (c == QLatin1Char('"')) {
                ++FPos;
                if (!quoted(out)) {
                    why = QCoreApplication::translate("BibTeX", "не закрыты кавычки");
                    return false;
                }
            } else {
                const QString word = identifier();
                if (word.isEmpty()) {
                    why =
                        QCoreApplication::translate("BibTeX", "вместо значения стоит «%1»").arg(c);
                    return false;
                }
                bool number = false;
                word.toLongLong(&number);
                // An undefined macro stands for its own name, as bibtex warns and goes on.
                const QString name = word.toLower();
                if (!number && FMacroSource.contains(name) && !FUsed.contains(name))
                    FUsed << name;
                if (!number && !FMacros.contains(name))
                    FUndefined = true;
                out += number ? word : FMacros.value(name, word);
            }
            skipBlanks();
            if (FPos < FText.size() && FText[FPos] == QLatin1Char('#')) {
                ++FPos;
                continue;
            }
            return true;
        }
    }

    bool readEntry(BibTeXEntry &entry, QString &why)
    {
        const QString type = identifier().toLower();
        skipBlanks();
        if (type.isEmpty() || FPos >= FText.size() ||
            (FText[FPos] != QLatin1Char('{') && FText[FPos] != QLatin1Char('('))) {
            if (type == QLatin1String("comment"))
                return true; // "@comment" as a word in running text
            if (startsLine())
                why = QCoreApplication::translate("BibTeX", "после «@%1» нет ни «{», ни «(»")
                          .arg(type);
            return false;
        }
        const QChar close = FText[FPos] == QLatin1Char('{') ? QLatin1Char('}') : QLatin1Char(')');
        ++FPos;
        if (type == QLatin1String("comment") || type == QLatin1String("preamble")) {
            QString skipped;
            if (!braced(skipped)) {
                why = QCoreApplication::translate("BibTeX", "не закрыта скобка @%1").arg(type);
                return false;
            }
            return true;
        }
        if (type == QLatin1String("string")) {
            skipBlanks();
            const QString name = identifier().toLower();
            skipBlanks();
            if (name.isEmpty() || FPos >= FText.size() || FText[FPos] != QLatin1Char('=')) {
                why = QCoreApplication::translate("BibTeX", "в @string нет «имя = значение»");
                return false;
            }
            ++FPos;
            QString text;
            if (!value(text, why))
                return false;
            skipBlanks();
            if (FPos >= FText.size() || FText[FPos] != close) {
                why = QCoreApplication::translate("BibTeX", "@string не закрыт");
                return false;
            }
            ++FPos;
            FMacros.insert(name, text);
            FMacroSource.insert(name, FText.mid(FAt, FPos - FAt));
            return true;
        }
        entry.type = type;
        FUsed.clear();
        FUndefined = false;
        skipBlanks();
        const qsizetype keyStart = FPos;
        while (FPos < FText.size() && FText[FPos] != QLatin1Char(',') && FText[FPos] != close &&
               FText[FPos] != QLatin1Char('\n'))
            ++FPos;
        entry.key = FText.mid(keyStart, FPos - keyStart).trimmed();
        if (entry.key.contains(QLatin1Char('='))) {
            why = QCoreApplication::translate("BibTeX", "у записи @%1 нет ключа").arg(type);
            return false;
        }
        while (true) {
            skipBlanks();
            if (FPos >= FText.size()) {
                why = QCoreApplication::translate("BibTeX", "запись @%1{%2 не закрыта")
                          .arg(type, entry.key);
                return false;
            }
            if (FText[FPos] == close) {
                ++FPos;
                for (const QString &name : FUsed)
                    entry.strings << FMacroSource.value(name);
                entry.undefinedMacro = FUndefined;
                return true;
            }
            if (FText[FPos] == QLatin1Char(',')) {
                ++FPos;
                continue;
            }
            if (FText[FPos] == QLatin1Char('@')) {
                why = QCoreApplication::translate("BibTeX", "запись @%1{%2 не закрыта")
                          .arg(type, entry.key);
                return false;
            }
            const QString name = identifier().toLower();
            skipBlanks();
            if (name.isEmpty() || FPos >= FText.size() || FText[FPos] != QLatin1Char('=')) {
                why = QCoreApplication::translate("BibTeX", "в записи @%1{%2 поле «%3» без «=»")
                          .arg(type, entry.key, name.isEmpty() ? QString(FText[FPos]) : name);
                return false;
            }
            ++FPos;
            QString text;
            if (!value(text, why)) {
                why = QCoreApplication::translate("BibTeX", "в записи @%1{%2, поле %3: %4")
                          .arg(type, entry.key, name, why);
                return false;
            }
            entry.fields.append({name, text});
        }
    }

    // Text let go of at a time, in characters: a window of about this much is moved down.
    static constexpr qsizetype KeptText = 256 * 1024;

    TextPieces &FSource;
    QString FText; // the window
    bool FEnd = false;
    QList<ReadProblem> *FProblems;
    QHash<QString, QString> FMacros;
    QHash<QString, QString> FMacroSource; // the text of each @string
    QStringList FUsed;                    // the macros the entry being read uses
    bool FUndefined = false;              // it uses one that no @string defines
    qsizetype FPos = 0;
    qsizetype FAt = 0;
    qsizetype FCountedTo = 0;
    int FLine = 1;
};

// Splits at " and " standing at brace depth 0.
QStringList splitNames(const QString &value)
{
    QStringList parts;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('{'))
            ++depth;
        else if (c == QLatin1Char('}'))
            --depth;
        else if (depth == 0 && c.isSpace() &&
                 QStringView(value).mid(i + 1, 4).compare(QLatin1String("and "),
                                                          Qt::CaseInsensitive) == 0) {
            parts << value.mid(start, i - start);
            i += 4;
            start = i + 1;
        }
    }
    parts << value.mid(start);
    for (QString &part : parts)
        part = part.simplified();
    parts.removeAll(QString());
    return parts;
}

// Commas at brace depth 0.
QStringList splitCommas(const QString &name)
{
    QStringList parts;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == QLatin1Char('{'))
            ++depth;
        else if (name[i] == QLatin1Char('}'))
            --depth;
        else if (depth == 0 && name[i] == QLatin1Char(',')) {
            parts << name.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    parts << name.mid(start).trimmed();
    return parts;
}

// Words at brace depth 0.
QStringList splitWords(const QString &name)
{
    QStringList words;
    int depth = 0;
    QString word;
    for (const QChar c : name) {
        if (c == QLatin1Char('{'))
            ++depth;
        else if (c == QLatin1Char('}'))
            --depth;
        if (depth == 0 && c.isSpace()) {
            if (!word.isEmpty())
                words << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

bool wholeGroup(const QString &text)
{
    if (!text.startsWith(QLatin1Char('{')) || !text.endsWith(QLatin1Char('}')))
        return false;
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('{'))
            ++depth;
        else if (text[i] == QLatin1Char('}') && --depth == 0 && i + 1 < text.size())
            return false;
    }
    return true;
}

// Keywords parted by commas or semicolons.
QStringList keywordList(const QString &value)
{
    QStringList out;
    const QStringView text(value);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u',' && text[i] != u';')
            continue;
        const QStringView word = text.sliced(start, i - start).trimmed();
        if (!word.isEmpty())
            out << word.toString();
        start = i + 1;
    }
    return out;
}

} // namespace

QString BibTeXEntry::value(QAnyStringView name) const
{
    for (const auto &field : fields)
        if (QAnyStringView::equal(field.first, name))
            return field.second;
    return {};
}

QList<PersonName> BibTeXReader::names(const QString &value, bool *etAl)
{
    QList<PersonName> result;
    if (etAl)
        *etAl = false;
    for (const QString &part : splitNames(value)) {
        if (part.compare(QLatin1String("others"), Qt::CaseInsensitive) == 0) {
            if (etAl)
                *etAl = true;
            continue;
        }
        PersonName name;
        if (wholeGroup(part)) {
            name.literal = latexToUnicode(part);
            result << name;
            continue;
        }
        const QStringList commas = splitCommas(part);
        if (commas.size() >= 2) {
            // "von Last, Jr, First" or "Last, First"
            name.family = latexToUnicode(commas[0]);
            name.given = latexToUnicode(commas.size() == 2 ? commas[1] : commas[2]);
        } else {
            const QStringList words = splitWords(part);
            // "First von Last": the family name begins at the first word in lower case
            // before the last word, else it is the last word.
            qsizetype familyStart = words.size() - 1;
            for (qsizetype i = 0; i + 1 < words.size(); ++i)
                if (words[i][0].isLower()) {
                    familyStart = i;
                    break;
                }
            name.family = latexToUnicode(words.mid(familyStart).join(QLatin1Char(' ')));
            name.given = latexToUnicode(words.mid(0, familyStart).join(QLatin1Char(' ')));
        }
        result << name;
    }
    return result;
}

Reference BibTeXReader::reference(const BibTeXEntry &entry)
{
    Reference r;
    r.type = entry.type;
    r.key = entry.key;
    r.line = entry.line;
    // A record that names a macro its file never defines is not given back as it came: bibtex
    // would warn of it. It is written out anew from its values.
    if (!entry.undefinedMacro) {
        r.source = entry.source;
        r.strings = entry.strings;
    }
    const auto text = [&](const char *name) {
        const QString value = entry.value(QLatin1String(name));
        return value.isEmpty() ? value : latexToUnicode(value);
    };
    const auto first = [&](std::initializer_list<const char *> names) {
        for (const char *name : names) {
            const QString v = text(name);
            if (!v.isEmpty())
                return v;
        }
        return QString();
    };
    bool etAl = false;
    r.authors = names(entry.value(QStringLiteral("author")), &etAl);
    r.etAl = etAl;
    r.editors = names(entry.value(QStringLiteral("editor")));
    r.title = text("title");
    r.container = first({"journal", "journaltitle", "booktitle", "howpublished"});
    r.publisher = first({"publisher", "institution", "school", "organization"});
    r.institution = first({"institution", "school"});
    r.address = first({"address", "location"});
    const QString date = text("date");
    r.year = first({"year"});
    if (r.year.isEmpty() && date.size() >= 4)
        r.year = date.left(4);
    r.month = text("month");
    if (r.month.isEmpty() && date.size() >= 7)
        r.month = QString::number(date.mid(5, 2).toInt());
    r.volume = text("volume");
    r.issue = first({"number", "issue"});
    r.pages = first({"pages"});
    if (r.pages.isEmpty())
        r.pages = text("pagetotal");
    r.edition = text("edition");
    r.series = text("series");
    r.genre = text("type");
    r.note = text("note");
    r.doi = bareDoi(entry.value(QStringLiteral("doi")).trimmed());
    r.url = entry.value(QStringLiteral("url")).trimmed();
    r.isbn = first({"isbn", "issn"});
    r.language = first({"langid", "language"});
    r.keywords = keywordList(text("keywords"));
    r.abstract = text("abstract");
    const bool report = r.type == QLatin1String("techreport") || r.type == QLatin1String("report");
    if (report) {
        // A report's number is its own; the issue of a journal it is not.
        r.number = r.issue;
        r.issue.clear();
    }
    return r;
}

void BibTeXReader::entries(TextPieces &text, QList<ReadProblem> *problems,
                           const std::function<void(BibTeXEntry &&)> &take)
{
    // crossref: fields the entry lacks come from the entry it names; the parent's title is
    // the child's book title. A parent may stand before or after its children, so a text that
    // names one at all is first looked through for the keys named, then for those entries'
    // fields, and only those are kept.
    QHash<QString, QList<QPair<QString, QString>>> parents;
    QString piece;
    bool crossref = false;
    const QLatin1String word("crossref");
    for (QString tail; !crossref && text.readInto(piece); piece.clear()) {
        crossref = piece.contains(word, Qt::CaseInsensitive) ||
                   (tail + piece.left(word.size() - 1)).contains(word, Qt::CaseInsensitive);
        tail = piece.right(word.size() - 1);
    }
    if (crossref) {
        const auto parentKey = [](const BibTeXEntry &entry) {
            return entry.value(QStringLiteral("crossref")).trimmed().toLower();
        };
        text.rewind();
        Parser(text, nullptr).run([&](BibTeXEntry &&entry) {
            if (const QString key = parentKey(entry); !key.isEmpty())
                parents.insert(key, {});
        });
        text.rewind();
        Parser(text, nullptr).run([&](BibTeXEntry &&entry) {
            const auto parent = parents.find(entry.key.toLower());
            if (parent != parents.end())
                *parent = std::move(entry.fields);
        });
    }
    text.rewind();
    Parser(text, problems).run([&](BibTeXEntry &&entry) {
        const auto parent =
            parents.constFind(entry.value(QStringLiteral("crossref")).trimmed().toLower());
        if (parent != parents.constEnd())
            for (const auto &field : *parent) {
                QString name = field.first;
                if (name == QLatin1String("title"))
                    name = QStringLiteral("booktitle");
                if (entry.value(name).isEmpty())
                    entry.fields.append({name, field.second});
            }
        take(std::move(entry));
    });
}

QList<BibTeXEntry> BibTeXReader::entries(const QString &text, QList<ReadProblem> *problems)
{
    TextPieces pieces(text);
    QList<BibTeXEntry> list;
    entries(pieces, problems, [&list](BibTeXEntry &&entry) { list << std::move(entry); });
    return list;
}

void BibTeXReader::read(TextPieces &text, QList<ReadProblem> &problems,
                        const std::function<void(Reference &&)> &take)
{
    entries(text, &problems, [&](BibTeXEntry &&entry) {
        Reference r = reference(entry);
        if (r.title.isEmpty() && r.authors.isEmpty() && r.editors.isEmpty())
            problems.append(
                {entry.line, QCoreApplication::translate(
                                 "BibTeX", "в записи @%1{%2 нет ни авторов, ни названия")
                                 .arg(entry.type, entry.key)});
        else
            take(std::move(r));
    });
}

ReadResult BibTeXReader::read(const QString &text)
{
    ReadResult result;
    TextPieces pieces(text);
    read(pieces, result.problems,
         [&result](Reference &&reference) { result.references << std::move(reference); });
    return result;
}

} // namespace quil::exchange
