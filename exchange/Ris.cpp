#include "exchange/Ris.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace quil::exchange {
namespace {

// An initial such as "И.", "A", "Ж.-П." or "Yu.".
bool initial(const QString &word)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\p{Lu}\\p{Ll}?\\.?)(-\\p{Lu}\\p{Ll}?\\.?)*$"));
    return pattern.match(word).hasMatch() && (word.size() <= 2 || word.contains(QLatin1Char('.')));
}

void finish(Reference &r, QList<ReadProblem> &problems,
            const std::function<void(Reference &&)> &take)
{
    for (QString *text : {&r.title, &r.container, &r.abstract, &r.note})
        *text = collapsedBlanks(*text);
    if (r.title.isEmpty() && r.authors.isEmpty() && r.editors.isEmpty()) {
        problems.append({r.line, QCoreApplication::translate(
                                     "Ris", "в записи TY %1 нет ни авторов, ни названия")
                                     .arg(r.type)});
        return;
    }
    // A report's SN is its number, not an ISBN.
    if (r.type == QLatin1String("RPRT") && r.number.isEmpty()) {
        r.number = r.isbn;
        r.isbn.clear();
    }
    take(std::move(r));
}

// The lines of a text read a piece at a time; they end at CR LF, CR or LF.
class Lines {
public:
    explicit Lines(TextPieces &source) : FSource(source) {}

    // The view holds until the next call.
    bool next(QStringView &line)
    {
        while (!FDone) {
            qsizetype end = FPos;
            while (end < FText.size() && FText[end] != QLatin1Char('\n') &&
                   FText[end] != QLatin1Char('\r'))
                ++end;
            // A CR at the window's end may be the first half of CR LF.
            if (end + 1 >= FText.size() && !FEnd &&
                (end == FText.size() || FText[end] == QLatin1Char('\r'))) {
                FText.remove(0, FPos);
                FPos = 0;
                FEnd = !FSource.readInto(FText);
                continue;
            }
            line = QStringView(FText).sliced(FPos, end - FPos);
            // The text after the last line break is a line too, empty or not.
            FDone = end == FText.size();
            FPos = end + 1;
            if (end + 1 < FText.size() && FText[end] == QLatin1Char('\r') &&
                FText[end + 1] == QLatin1Char('\n'))
                ++FPos;
            return true;
        }
        return false;
    }

private:
    TextPieces &FSource;
    QString FText;
    qsizetype FPos = 0;
    bool FEnd = false;
    bool FDone = false;
};

// Whether the text has no blanks at its ends and single spaces between its words already.
bool simplified(const QString &text)
{
    bool space = true; // the text may not begin with a blank
    for (const QChar c : text) {
        const bool blank = c.isSpace();
        if (blank && (space || c != u' '))
            return false;
        space = blank;
    }
    return !space || text.isEmpty();
}

// A tag's two ASCII characters as one number to compare.
constexpr char16_t tagCode(char16_t first, char16_t second)
{
    return char16_t(first << 8 | second);
}
constexpr char16_t tagCode(const char16_t (&tag)[3]) { return tagCode(tag[0], tag[1]); }

// "XX  - value": two capitals or a capital and a digit, two blanks, a hyphen, and the value
// after a blank.
bool tagged(QStringView line)
{
    const auto capital = [](QChar c) { return c >= u'A' && c <= u'Z'; };
    return line.size() >= 5 && capital(line[0]) && (capital(line[1]) || line[1].isDigit()) &&
           line[1].unicode() < 0x80 && line[2] == u' ' && line[3] == u' ' && line[4] == u'-' &&
           (line.size() == 5 || line[5] == u' ');
}

} // namespace

PersonName RisReader::name(const QString &value)
{
    PersonName n;
    const QString text = simplified(value) ? value : value.simplified();
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma > 0) {
        n.family = QStringView(text).left(comma).trimmed().toString();
        // "Family, Given, Suffix": the suffix is not kept.
        const QStringView rest = QStringView(text).sliced(comma + 1);
        n.given = rest.left(rest.indexOf(QLatin1Char(','))).trimmed().toString();
        return n;
    }
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 1) {
        n.family = words[0];
        return n;
    }
    bool initials = true;
    bool lowerCase = false; // "Институт физики": a word in lower case is no personal name
    for (qsizetype i = 0; i < words.size(); ++i) {
        initials = initials && (i + 1 == words.size() || initial(words[i]));
        lowerCase = lowerCase || words[i][0].isLower();
    }
    if (initials && !initial(words.last())) {
        n.family = words.last();
        n.given = words.mid(0, words.size() - 1).join(QLatin1Char(' '));
    } else if (!lowerCase && words.size() <= 3 && !initial(words.last())) {
        // "Catarina Barata": given names first, as the record's author wrote them.
        n.family = words.last();
        n.given = words.mid(0, words.size() - 1).join(QLatin1Char(' '));
    } else if (words.size() >= 2 && initial(words.last())) {
        // "Фамилия И. О." without the comma.
        qsizetype first = words.size();
        while (first > 1 && initial(words[first - 1]))
            --first;
        n.family = words.mid(0, first).join(QLatin1Char(' '));
        n.given = words.mid(first).join(QLatin1Char(' '));
    } else {
        n.literal = text;
    }
    return n;
}

ReadResult RisReader::read(const QString &text)
{
    ReadResult result;
    TextPieces pieces(text);
    read(pieces, result.problems,
         [&result](Reference &&reference) { result.references << std::move(reference); });
    return result;
}

void RisReader::read(TextPieces &text, QList<ReadProblem> &problems,
                     const std::function<void(Reference &&)> &take)
{
    Lines lines(text);
    bool open = false;
    bool onlyType = false; // the record has had nothing but TY lines so far
    Reference r;
    QString *last = nullptr; // the value a line without a tag continues
    QString startPage;
    QString endPage;
    const auto close = [&] {
        if (!startPage.isEmpty() && !endPage.isEmpty() && startPage != endPage)
            r.pages = startPage + QChar(0x2013) + endPage;
        else if (!startPage.isEmpty())
            r.pages = startPage;
        finish(r, problems, take);
        r = Reference();
        startPage.clear();
        endPage.clear();
        last = nullptr;
        open = false;
    };
    // The record as it came in, a line at a time.
    const auto keep = [&r](QStringView line) {
        r.source += line;
        r.source += QLatin1Char('\n');
    };
    QStringView line;
    for (int i = 0; lines.next(line); ++i) {
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line = line.sliced(1);
        if (!tagged(line)) {
            if (open) {
                keep(line);
                if (last && !line.trimmed().isEmpty()) {
                    *last += QLatin1Char(' ');
                    *last += line.trimmed();
                }
            }
            continue;
        }
        const char16_t tag = tagCode(line[0].unicode(), line[1].unicode());
        const QString value = line.size() > 6 ? line.sliced(6).trimmed().toString() : QString();
        if (tag == tagCode(u"TY")) {
            // A TY straight after another only retypes the record.
            if (open && !onlyType)
                close();
            if (open) {
                r.type = value;
                keep(line);
                continue;
            }
            open = true;
            onlyType = true;
            r.type = value;
            r.line = i + 1;
            keep(line);
            continue;
        }
        if (!open)
            continue;
        keep(line);
        onlyType = false;
        if (tag == tagCode(u"ER")) {
            close();
            continue;
        }
        last = nullptr;
        const auto set = [&](QString &field) {
            if (field.isEmpty())
                field = value;
            last = &field;
        };
        // Notes and abstracts may come in several lines of their tag (AB and N2 often give the
        // same text): each one new is kept.
        const auto gather = [&](QString &field, QLatin1String separator) {
            if (field.isEmpty())
                field = value;
            else if (!field.split(separator).contains(value))
                field += separator + value;
            last = &field;
        };
        if (value.isEmpty())
            continue;
        if (tag == tagCode(u"AU") || tag == tagCode(u"A1")) {
            // RIS has no "and others"; an author "et al." stands for it.
            if (value == QLatin1String("et al.") || value == QLatin1String("и др."))
                r.etAl = true;
            else
                r.authors << name(value);
        } else if (tag == tagCode(u"A2") || tag == tagCode(u"ED")) {
            r.editors << name(value);
        } else if (tag == tagCode(u"TI") || tag == tagCode(u"T1")) {
            // A second title line is a subtitle.
            if (!r.title.isEmpty())
                r.title += QStringView(u".:?!").contains(r.title.back()) ? QStringLiteral(" ")
                                                                         : QStringLiteral(": ");
            r.title += value;
            last = &r.title;
        } else if (tag == tagCode(u"T2") || tag == tagCode(u"JF") || tag == tagCode(u"JO") ||
                   tag == tagCode(u"BT") || tag == tagCode(u"JA") || tag == tagCode(u"J2")) {
            const bool book = r.type == QLatin1String("BOOK");
            if (book && tag == tagCode(u"T2"))
                set(r.series);
            else
                set(r.container);
        } else if (tag == tagCode(u"T3")) {
            set(r.series);
        } else if (tag == tagCode(u"PY") || tag == tagCode(u"Y1") || tag == tagCode(u"DA")) {
            // "2004", "2004/05", "2004-5-1"
            qsizetype digits = 0;
            while (digits < value.size() && digits < 4 && value[digits].isDigit())
                ++digits;
            if (digits == 4) {
                if (r.year.isEmpty())
                    r.year = value.left(4);
                qsizetype end = 5;
                while (end < value.size() && end < 7 && value[end].isDigit())
                    ++end;
                const bool month = end > 5 && (value[4] == u'/' || value[4] == u'-');
                if (r.month.isEmpty() && month && value.mid(5, end - 5).toInt() > 0)
                    r.month = QString::number(value.mid(5, end - 5).toInt());
            }
        } else if (tag == tagCode(u"SP")) {
            if (startPage.isEmpty()) {
                startPage = value;
                // "12-20" in SP alone
                static const QRegularExpression range(
                    QStringLiteral("^(\\S+?)\\s*[-–]+\\s*(\\S+)$"));
                const QRegularExpressionMatch m = range.match(value);
                if (m.hasMatch()) {
                    startPage = m.captured(1);
                    endPage = m.captured(2);
                }
            }
        } else if (tag == tagCode(u"EP")) {
            if (endPage.isEmpty())
                endPage = value;
        } else if (tag == tagCode(u"VL")) {
            set(r.volume);
        } else if (tag == tagCode(u"IS")) {
            set(r.issue);
        } else if (tag == tagCode(u"PB")) {
            set(r.publisher);
        } else if (tag == tagCode(u"CY") || tag == tagCode(u"PP")) {
            set(r.address);
        } else if (tag == tagCode(u"KW")) {
            r.keywords << value;
        } else if (tag == tagCode(u"AB") || tag == tagCode(u"N2")) {
            gather(r.abstract, QLatin1String("\n"));
        } else if (tag == tagCode(u"N1")) {
            gather(r.note, QLatin1String("; "));
        } else if (tag == tagCode(u"DO")) {
            set(r.doi);
            r.doi = bareDoi(r.doi);
        } else if (tag == tagCode(u"UR") || tag == tagCode(u"L2")) {
            set(r.url);
        } else if (tag == tagCode(u"SN")) {
            set(r.isbn);
        } else if (tag == tagCode(u"ID")) {
            set(r.key);
        } else if (tag == tagCode(u"ET")) {
            set(r.edition);
        } else if (tag == tagCode(u"M3")) {
            set(r.genre);
        } else if (tag == tagCode(u"LA")) {
            set(r.language);
        }
    }
    if (open)
        close();
}

} // namespace quil::exchange
