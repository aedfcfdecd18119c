#include "platform/Plural.h"

#include <algorithm>

namespace quil {

QString countOf(qint64 count, const QString &one, const QString &few, const QString &many)
{
    const qint64 n = count < 0 ? -count : count;
    // Nouns translated out of Russian take the English rule: one, or many.
    const bool russian = std::any_of(one.begin(), one.end(),
                                     [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
    const qint64 lastTwo = n % 100;
    const qint64 last = n % 10;
    const QString &noun = !russian                           ? (n == 1 ? one : many)
                          : (lastTwo >= 11 && lastTwo <= 14) ? many
                          : last == 1                        ? one
                          : (last >= 2 && last <= 4)         ? few
                                                             : many;
    return QString::number(count) + QLatin1Char(' ') + noun;
}

} // namespace quil
