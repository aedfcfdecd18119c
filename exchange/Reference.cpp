#include "exchange/Reference.h"

#include <QRegularExpression>

namespace quil::exchange {

QString collapsedBlanks(const QString &text)
{
    // Every value of every exported record passes here, abstracts included: raw characters.
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    };
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    bool collapsed = size == 0 || (!blank(in[0]) && !blank(in[size - 1]));
    for (qsizetype i = 0; collapsed && i < size; ++i)
        collapsed = !blank(in[i]) || (in[i] == u' ' && !blank(in[i + 1]));
    if (collapsed)
        return text;
    QString out(size, Qt::Uninitialized);
    char16_t *const first = reinterpret_cast<char16_t *>(out.data());
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
    out.truncate(next - first);
    return out;
}

QString bareDoi(const QString &doi)
{
    static const QRegularExpression prefix(
        QStringLiteral("^(?:https?://(?:dx\\.)?doi\\.org/|doi:\\s*)"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(doi).remove(prefix);
}

} // namespace quil::exchange
