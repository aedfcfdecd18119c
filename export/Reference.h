#pragma once

#include <QString>

// The reference of an entry as every export writes it: authors, title and publisher joined by
// single blanks, an empty part still giving its blank, line breaks inside a part as CR LF.
class Reference {
public:
    static QString join(const QString &name, const QString &title, const QString &publisher);

    // Line breaks of every kind (CR LF, lone LF or CR, U+2028, U+2029) as CR LF.
    static QString withCrLf(const QString &text);
    static bool hasLineBreak(const QString &text);
};
