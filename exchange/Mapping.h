#pragma once

#include "exchange/Reference.h"

namespace quil::exchange {

// What a reference gives the fields of an entry; Name and Title follow from WName and WTitle
// by the update step.
struct BookFields {
    QString authors;   // WName
    QString title;     // WTitle
    QString publisher; // WPublisher
    QString year;      // City
    QString keywords;  // Location
    QString info;      // Pages
    QString abstract;  // Resume, as RTF; empty when there is none
};

// A reference in Cyrillic is written the Russian way ("т. 5, № 3, с. 12–20"), any other the
// English way ("vol. 5, no. 3, pp. 12–20").
bool isCyrillic(const Reference &reference);
// "Ландау Л.Д., Лифшиц Е.М.": surname, then initials, names joined by ", ".
QString authorsLine(const QList<PersonName> &names, bool etAl, bool cyrillic);
BookFields bookFields(const Reference &reference);
// Plain text as the RTF the editor reads: one paragraph a line.
QString plainTextRtf(const QString &text);

} // namespace quil::exchange
