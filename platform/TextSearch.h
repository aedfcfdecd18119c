#pragma once

#include <QString>

namespace quil {

// What a find or replace dialog asks for.
struct SearchRequest {
    QString text;
    QString replacement;
    bool down = true;
    bool matchCase = false;
    bool wholeWord = false;
};

// Plain search over a text whose positions are those of the document it came from
// (QTextDocument::toRawText), so that a hit can be selected in the document.
class TextSearch {
public:
    // The first hit that starts at or after `from` (down), or that ends at or before `from`
    // (up); -1 when there is none or the search text is empty.
    static int find(const QString &haystack, int from, const SearchRequest &request);
    // Whether the hit at `at` is a whole word: no letter, digit or '_' just before or after.
    static bool isWholeWord(const QString &haystack, int at, int length);
};

} // namespace quil
