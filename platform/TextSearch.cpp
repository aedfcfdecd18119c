#include "platform/TextSearch.h"

namespace quil {

namespace {
bool wordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
} // namespace

bool TextSearch::isWholeWord(const QString &haystack, int at, int length)
{
    const bool startOk = at == 0 || !wordChar(haystack.at(at - 1));
    const int end = at + length;
    const bool endOk = end >= haystack.size() || !wordChar(haystack.at(end));
    return startOk && endOk;
}

int TextSearch::find(const QString &haystack, int from, const SearchRequest &request)
{
    const QString &needle = request.text;
    if (needle.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs = request.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int n = int(needle.size());
    if (request.down) {
        int at = std::max(0, from);
        while ((at = int(haystack.indexOf(needle, at, cs))) >= 0) {
            if (!request.wholeWord || isWholeWord(haystack, at, n))
                return at;
            ++at;
        }
        return -1;
    }
    int at = std::min(from, int(haystack.size())) - n;
    while (at >= 0) {
        at = int(haystack.lastIndexOf(needle, at, cs));
        if (at < 0)
            break;
        if (!request.wholeWord || isWholeWord(haystack, at, n))
            return at;
        --at;
    }
    return -1;
}

} // namespace quil
