#include "exchange/Reference.h"

#include <QRegularExpression>

namespace quil::exchange {

QString collapsedBlanks(const QString &text)
{
    QString out;
    return appendCollapsedBlanks(text, out) ? out : text;
}

bool appendCollapsedBlanks(QStringView text, QString &into)
{
    // Every value of every exported record passes here, abstracts included: raw characters.
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    };
    const char16_t *in = text.utf16();
    const qsizetype size = text.size();
    bool collapsed = size == 0 || (!blank(in[0]) && !blank(in[size - 1]));
    for (qsizetype i = 0; collapsed && i < size; ++i)
        collapsed = !blank(in[i]) || (in[i] == u' ' && !blank(in[i + 1]));
    if (collapsed)
        return false;
    const qsizetype at = into.size();
    into.resize(at + size);
    char16_t *const first = reinterpret_cast<char16_t *>(into.data()) + at;
    char16_t *next = first;
    bool pending = false;
    for (qsizetype i = 0; i < size; ++i) {
        if (blank(in[i])) {
            pending = next != first;
            continue;
        }
        if (pending)
            *next++ = u' ';
        pending = false;
        *next++ = in[i];
    }
    into.truncate(at + (next - first));
    return true;
}

QString bareDoi(const QString &doi)
{
    // Most DOIs come bare ("10.1000/182"): only "http…" and "doi:" have a prefix to drop.
    if (doi.isEmpty() || !QStringView(u"hHdD").contains(doi.front()))
        return doi;
    static const QRegularExpression prefix(
        QStringLiteral("^(?:https?://(?:dx\\.)?doi\\.org/|doi:\\s*)"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(doi).remove(prefix);
}

} // namespace quil::exchange
