#pragma once

#include <QString>

namespace quil {

// A count with its noun in the Russian form the count asks for: countOf(21, "строка",
// "строки", "строк") is "21 строка", 2 gives "2 строки", 5, 11 and 12 give "строк". Nouns
// translated into English ("line", "lines", "lines") take one for 1 and many for the rest.
QString countOf(qint64 count, const QString &one, const QString &few, const QString &many);

} // namespace quil
