#include "exchange/Mapping.h"

#include "rtf/CodePage.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace quil::exchange {
namespace {

bool hasCyrillic(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x400 && c.unicode() <= 0x4FF)
            return true;
    return false;
}

// The code point at i and how many code units it takes.
char32_t codePoint(QStringView text, qsizetype i, qsizetype &width)
{
    width = 1;
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        width = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    return c.unicode();
}

// "Лев Давидович" -> "Л.Д.", "Jean-Paul" and "J.-P." -> "J.-P."
void appendInitials(QStringView given, QString &out)
{
    const qsizetype start = out.size();
    bool hyphen = false; // a hyphen since the last word
    qsizetype width = 1;
    for (qsizetype i = 0; i < given.size();) {
        const char32_t c = codePoint(given, i, width);
        if (!QChar::isLetter(c)) {
            hyphen = hyphen || c == u'-';
            i += width;
            continue;
        }
        if (hyphen && out.size() > start)
            out += QLatin1Char('-');
        hyphen = false;
        out.append(given.mid(i, width));
        out += QLatin1Char('.');
        for (i += width; i < given.size() && QChar::isLetter(codePoint(given, i, width));)
            i += width;
    }
}

bool digits(QStringView text)
{
    for (const QChar c : text)
        if (!c.isDigit())
            return false;
    return !text.isEmpty();
}

QString dashes(const QString &pages)
{
    // Most entries have no pages, or pages without a dash to mend.
    const auto dash = [](QChar c) { return c == u'-' || c == u'\u2013' || c == u'\u2014'; };
    if (std::none_of(pages.begin(), pages.end(), dash))
        return pages;
    static const QRegularExpression range(QStringLiteral("\\s*(-+|–|—)\\s*"));
    return QString(pages).replace(range, QStringLiteral("–"));
}

// "1359-6454": eight digits (the last may be X) are a serial's number, not a book's.
bool isIssn(const QString &number)
{
    const QStringView n = QStringView(number).trimmed();
    const qsizetype hyphen = n.size() == 9 && n[4] == u'-' ? 1 : 0;
    if (n.size() != 8 + hyphen)
        return false;
    const QChar last = n.back();
    return digits(n.left(4)) && digits(n.mid(4 + hyphen, 3)) &&
           (last.isDigit() || last == u'X' || last == u'x');
}

bool isRange(const QString &pages) { return pages.contains(QChar(0x2013)); }

QString joined(const QStringList &parts, const QString &separator)
{
    QStringList kept;
    for (const QString &part : parts)
        if (!part.isEmpty())
            kept << part;
    return kept.join(separator);
}

QString prefixed(const QString &prefix, const QString &value)
{
    return value.isEmpty() ? QString() : prefix + value;
}

bool oneOf(const QString &type, std::initializer_list<const char *> types)
{
    for (const char *t : types)
        if (type.compare(QLatin1String(t), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString publisherLine(const Reference &r, bool ru)
{
    const QString pages = dashes(r.pages);
    const QString pagesPart =
        pages.isEmpty() ? QString()
        : isRange(pages) ||
                !digits(pages.endsWith(u'\n') ? QStringView(pages).chopped(1) : QStringView(pages))
            ? (ru ? QStringLiteral("с. ")
                  : (isRange(pages) ? QStringLiteral("pp. ") : QStringLiteral("p. "))) +
                  pages
            : pages + (ru ? QStringLiteral(" с.") : QStringLiteral(" p."));
    const QString imprint = joined({joined({r.address, r.publisher}, QStringLiteral(": ")), r.year},
                                   QStringLiteral(", "));
    const bool inBook = oneOf(r.type, {"incollection", "inproceedings", "inbook", "conference",
                                       "CHAP", "CONF", "CPAPER", "SER"});
    const bool report = oneOf(
        r.type, {"techreport", "report", "RPRT", "phdthesis", "mastersthesis", "thesis", "THES"});
    // A work of no particular kind names its source in words of its own, as an entry's
    // publisher line written out by this program does.
    if (oneOf(r.type, {"misc", "GEN", "online", "ELEC"}) && r.volume.isEmpty() &&
        r.issue.isEmpty() && r.pages.isEmpty() && r.publisher.isEmpty())
        return r.container;
    if (inBook && !r.container.isEmpty()) {
        const QString editors = r.editors.isEmpty() ? QString()
                                                    : (ru ? QStringLiteral(" / под ред. ")
                                                          : QStringLiteral(" / ed. by ")) +
                                                          authorsLine(r.editors, false, ru);
        return joined(
            {(ru ? QStringLiteral("В кн.: ") : QStringLiteral("In: ")) + r.container + editors,
             imprint, pagesPart},
            QStringLiteral(", "));
    }
    if (!r.container.isEmpty()) {
        return joined({r.container, r.year,
                       prefixed(ru ? QStringLiteral("т. ") : QStringLiteral("vol. "), r.volume),
                       prefixed(ru ? QStringLiteral("№ ") : QStringLiteral("no. "), r.issue),
                       pagesPart},
                      QStringLiteral(", "));
    }
    if (report)
        return joined({imprint, joined({r.genre, r.number}, QStringLiteral(" "))},
                      QStringLiteral(", "));
    const QString series = r.series.isEmpty() ? QString() : QStringLiteral("(") + r.series + ')';
    return joined({imprint, r.edition, pagesPart, series}, QStringLiteral(", "));
}

} // namespace

bool isCyrillic(const Reference &reference)
{
    if (hasCyrillic(reference.title))
        return true;
    for (const PersonName &name : reference.authors)
        if (hasCyrillic(name.family + name.literal))
            return true;
    return false;
}

QString authorsLine(const QList<PersonName> &names, bool etAl, bool cyrillic)
{
    QString line;
    for (const PersonName &name : names) {
        if (&name != &names.front())
            line += QStringLiteral(", ");
        if (!name.literal.isEmpty()) {
            line += name.literal;
            continue;
        }
        line += name.family;
        const qsizetype given = line.size();
        appendInitials(name.given, line);
        if (!name.family.isEmpty() && line.size() > given)
            line.insert(given, QLatin1Char(' '));
    }
    if (etAl)
        line += cyrillic ? QStringLiteral(" и др.") : QStringLiteral(" et al.");
    return line;
}

BookFields bookFields(const Reference &r)
{
    const bool ru = isCyrillic(r);
    BookFields f;
    if (!r.authors.isEmpty())
        f.authors = authorsLine(r.authors, r.etAl, ru);
    else if (!r.editors.isEmpty())
        f.authors = authorsLine(r.editors, false, ru) +
                    (ru ? QStringLiteral(" (ред.)") : QStringLiteral(" (ed.)"));
    f.title = r.title;
    f.publisher = publisherLine(r, ru);
    f.year = r.year;
    f.keywords = r.keywords.join(QStringLiteral("; "));
    const bool bookPages = f.publisher.contains(dashes(r.pages)) && !r.pages.isEmpty();
    f.info = joined(
        {prefixed(QStringLiteral("DOI: "), r.doi), prefixed(QStringLiteral("URL: "), r.url),
         prefixed(isIssn(r.isbn) ? QStringLiteral("ISSN ") : QStringLiteral("ISBN "), r.isbn),
         r.note, bookPages ? QString() : r.pages},
        QStringLiteral("; "));
    if (!r.abstract.isEmpty())
        f.abstract = plainTextRtf(r.abstract);
    return f;
}

QString plainTextRtf(const QString &text)
{
    // Abstracts are mostly Cyrillic, Latin and punctuation: their bytes are looked up in a
    // table made once rather than in the code page's hash a character at a time.
    static constexpr char16_t Tabled = 0x2200;
    static const std::array<qint16, Tabled> bytes = [] {
        const rtf::CodePage *page = rtf::CodePage::get(1251);
        std::array<qint16, Tabled> table{};
        for (char16_t u = 0; u < Tabled; ++u)
            table[u] = qint16(page->charToByte(u));
        return table;
    }();
    static constexpr char hex[] = "0123456789abcdef";
    const auto byteOf = [](char16_t u) {
        return u < Tabled ? bytes[u] : rtf::CodePage::get(1251)->charToByte(u);
    };
    QString rtf =
        QStringLiteral("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil"
                       "\\fcharset204 Times New Roman;}}\r\n\\pard\\f0\\fs24 ");
    // Written in place: a character becomes at most nine (the escape of U+8000).
    const qsizetype at = rtf.size();
    rtf.resize(at + text.size() * 9);
    char16_t *const first = reinterpret_cast<char16_t *>(rtf.data()) + at;
    char16_t *out = first;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            *out++ = u'\\';
            *out++ = u;
        } else if (u == '\n') {
            for (const char16_t p : u"\\par\r\n")
                if (p)
                    *out++ = p;
        } else if (u == '\r') {
            continue;
        } else if (u < 0x80) {
            *out++ = u;
        } else if (const int byte = byteOf(u); byte >= 0) {
            *out++ = u'\\';
            *out++ = u'\'';
            *out++ = char16_t(hex[byte >> 4]);
            *out++ = char16_t(hex[byte & 15]);
        } else {
            *out++ = u'\\';
            *out++ = u'u';
            for (const char d : QByteArray::number(qint16(u)))
                *out++ = char16_t(d);
            *out++ = u'?';
        }
    }
    rtf.truncate(at + (out - first));
    rtf += QStringLiteral("\\par\r\n}\r\n");
    rtf.squeeze();
    return rtf;
}

} // namespace quil::exchange
