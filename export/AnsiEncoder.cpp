#include "export/AnsiEncoder.h"

#include <cstring>

namespace {
constexpr char Substitute = 0x1A;
}

AnsiEncoder::AnsiEncoder(Unencodable policy) : FEncoder("windows-1251"), FPolicy(policy) {}

void AnsiEncoder::append(QByteArray &out, QStringView text)
{
    if (text.isEmpty())
        return;
    if (!tryAppend(out, text))
        appendOneByOne(out, text);
}

bool AnsiEncoder::tryAppend(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + FEncoder.requiredSpace(text.size()));
    char *end = FEncoder.appendToBuffer(out.data() + start, text);
    // The converter marks a character it cannot map with the substitute byte SUB, and raises
    // its error flag only for some of them; a SUB of the text's own is rare enough to take
    // the slow way too.
    const bool failed = FEncoder.hasError() || std::memchr(out.constData() + start, Substitute,
                                                           end - (out.data() + start));
    if (failed) {
        if (FEncoder.hasError()) // the flag does not clear with resetState()
            FEncoder = QStringEncoder("windows-1251");
        out.truncate(start);
        return false;
    }
    out.truncate(end - out.constData());
    return true;
}

void AnsiEncoder::appendOneByOne(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool pair =
            c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pair) {
            appendReplacement(out, QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else if (c.isSurrogate()) {
            appendReplacement(out, QChar::ReplacementCharacter);
        } else if (c.unicode() == Substitute) {
            out += char(Substitute);
        } else if (!tryAppend(out, text.mid(i, 1))) {
            appendReplacement(out, c.unicode());
        }
    }
}

void AnsiEncoder::appendReplacement(QByteArray &out, char32_t codePoint)
{
    ++FReplaced;
    if (FPolicy == Unencodable::QuestionMark) {
        out += '?';
        return;
    }
    out += "&#";
    out += QByteArray::number(uint(codePoint));
    out += ';';
}
