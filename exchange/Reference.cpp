#include "exchange/Reference.h"

#include <QRegularExpression>

namespace quil::exchange {

QString collapsedBlanks(const QString &text)
{
    const auto blankAt = [&text](qsizetype i) {
        const char16_t c = text[i].unicode();
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    };
    bool collapsed = text.isEmpty() || (!blankAt(0) && !blankAt(text.size() - 1));
    for (qsizetype i = 0; collapsed && i < text.size(); ++i)
        collapsed = !blankAt(i) || (text[i] == QLatin1Char(' ') && !blankAt(i + 1));
    if (collapsed)
        return text;
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r')) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
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
