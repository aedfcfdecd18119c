#include "export/Reference.h"

namespace {

bool isBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

} // namespace

QString Reference::join(const QString &name, const QString &title, const QString &publisher)
{
    return withCrLf(name) + QLatin1Char(' ') + withCrLf(title) + QLatin1Char(' ') +
           withCrLf(publisher);
}

bool Reference::hasLineBreak(const QString &text)
{
    for (const QChar c : text)
        if (isBreak(c))
            return true;
    return false;
}

QString Reference::withCrLf(const QString &text)
{
    if (!hasLineBreak(text))
        return text;
    QString result;
    result.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isBreak(c)) {
            result += c;
            continue;
        }
        result += QStringLiteral("\r\n");
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
    }
    return result;
}
