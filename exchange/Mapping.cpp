#include "exchange/Mapping.h"

#include "rtf/CodePage.h"

#include <QRegularExpression>

namespace quil::exchange {
namespace {

bool hasCyrillic(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x400 && c.unicode() <= 0x4FF)
            return true;
    return false;
}

// "Лев Давидович" -> "Л.Д.", "Jean-Paul" and "J.-P." -> "J.-P."
QString initials(const QString &given)
{
    static const QRegularExpression word(QStringLiteral("\\p{L}+"));
    QString out;
    qsizetype previousEnd = 0;
    for (const QRegularExpressionMatch &m : word.globalMatch(given)) {
        if (given.mid(previousEnd, m.capturedStart() - previousEnd).contains(QLatin1Char('-')) &&
            !out.isEmpty())
            out += QLatin1Char('-');
        out += m.captured().left(1) + QLatin1Char('.');
        previousEnd = m.capturedEnd();
    }
    return out;
}

QString dashes(const QString &pages)
{
    static const QRegularExpression range(QStringLiteral("\\s*(-+|–|—)\\s*"));
    return QString(pages).replace(range, QStringLiteral("–"));
}

// "1359-6454": eight digits (the last may be X) are a serial's number, not a book's.
bool isIssn(const QString &number)
{
    static const QRegularExpression issn(QStringLiteral("^\\d{4}-?\\d{3}[\\dXx]$"));
    return issn.match(number.trimmed()).hasMatch();
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
        : isRange(pages) || !pages.contains(QRegularExpression(QStringLiteral("^\\d+$")))
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
    QStringList out;
    for (const PersonName &name : names) {
        if (!name.literal.isEmpty())
            out << name.literal;
        else
            out << joined({name.family, initials(name.given)}, QStringLiteral(" "));
    }
    QString line = out.join(QStringLiteral(", "));
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
    const rtf::CodePage *page = rtf::CodePage::get(1251);
    QString rtf =
        QStringLiteral("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil"
                       "\\fcharset204 Times New Roman;}}\r\n\\pard\\f0\\fs24 ");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            rtf += QLatin1Char('\\');
            rtf += c;
        } else if (u == '\n') {
            rtf += QStringLiteral("\\par\r\n");
        } else if (u == '\r') {
            continue;
        } else if (u < 0x80) {
            rtf += c;
        } else if (const int byte = page->charToByte(u); byte >= 0) {
            rtf += QStringLiteral("\\'%1").arg(byte, 2, 16, QLatin1Char('0'));
        } else {
            rtf += QStringLiteral("\\u%1?").arg(qint16(u));
        }
    }
    rtf += QStringLiteral("\\par\r\n}\r\n");
    return rtf;
}

} // namespace quil::exchange
