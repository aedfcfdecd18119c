#include "export/AnsiEncoder.h"

#include <array>

namespace {

constexpr char Substitute = 0x1A;
constexpr short NotAsked = -2;

// What a unit below 0x80 means for field text: 1 a line break, 2 a markup character.
constexpr std::array<unsigned char, 0x80> AsciiRole = [] {
    std::array<unsigned char, 0x80> role{};
    role['\r'] = role['\n'] = 1;
    role['&'] = role['<'] = role['>'] = role['"'] = 2;
    return role;
}();

QByteArrayView entity(char16_t unit)
{
    switch (unit) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return "&quot;";
    }
}

} // namespace

AnsiEncoder::AnsiEncoder(Unencodable policy)
    : FEncoder("windows-1251"), FPolicy(policy), FLearnt(0x10000, NotAsked)
{
}

void AnsiEncoder::append(QByteArray &out, QStringView text) { encode(out, text, Plain); }

void AnsiEncoder::appendField(QByteArray &out, QStringView text, bool escapeMarkup)
{
    encode(out, text, escapeMarkup ? FieldMarkup : Field);
}

void AnsiEncoder::encode(QByteArray &out, QStringView text, Mode mode)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    // One byte per unit is reserved ahead; a unit written as several bytes makes room for
    // itself and for what is still to come.
    qsizetype at = out.size();
    out.resize(at + size);
    char *bytes = out.data();
    const auto put = [&](QByteArrayView what, qsizetype i) {
        out.truncate(at);
        out.append(what);
        at = out.size();
        out.resize(at + size - i - 1);
        bytes = out.data();
    };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            const unsigned char role = mode == Plain ? 0 : AsciiRole[unit];
            if (role == 0 || (role == 2 && mode != FieldMarkup)) {
                bytes[at++] = char(unit);
            } else if (role == 2) {
                put(entity(unit), i);
            } else {
                if (unit == '\r' && i + 1 < size && units[i + 1] == '\n')
                    ++i;
                put("\r\n", i);
            }
            continue;
        }
        if (mode != Plain && (unit == QChar::LineSeparator || unit == QChar::ParagraphSeparator)) {
            put("\r\n", i);
            continue;
        }
        if (!QChar::isSurrogate(unit)) {
            short byte = FLearnt[unit];
            if (byte == NotAsked)
                byte = learn(unit);
            if (byte >= 0) {
                bytes[at++] = char(byte);
                continue;
            }
            put(replacement(unit), i);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1])) {
            ++i;
            put(replacement(QChar::surrogateToUcs4(unit, units[i])), i);
        } else {
            put(replacement(QChar::ReplacementCharacter), i);
        }
    }
    out.truncate(at);
}

short AnsiEncoder::learn(char16_t unit)
{
    const QChar c(unit);
    const QByteArray encoded = FEncoder.encode(QStringView(&c, 1));
    // The converter marks a character it cannot map with the substitute byte SUB, and raises
    // its error flag only for some of them.
    const bool failed = FEncoder.hasError() || encoded.size() != 1 || encoded[0] == Substitute;
    if (FEncoder.hasError()) // the flag does not clear with resetState()
        FEncoder = QStringEncoder("windows-1251");
    FLearnt[unit] = failed ? -1 : short(static_cast<unsigned char>(encoded[0]));
    return FLearnt[unit];
}

QByteArray AnsiEncoder::replacement(char32_t codePoint)
{
    ++FReplaced;
    if (FPolicy == Unencodable::QuestionMark)
        return QByteArrayLiteral("?");
    return "&#" + QByteArray::number(uint(codePoint)) + ';';
}
