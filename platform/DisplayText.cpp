#include "platform/DisplayText.h"

namespace quil {

QString cutForDisplay(const QString &text)
{
    if (text.size() <= DisplayLimit)
        return text;
    return text.left(DisplayLimit) + QStringLiteral(" ...");
}

bool hasUnbreakableRun(QStringView text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > LongestWrappedWord)
            return true;
    }
    return false;
}

} // namespace quil
