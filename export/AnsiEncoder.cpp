#include "export/AnsiEncoder.h"

#include <array>

namespace {

constexpr char Substitute = 0x1A;

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
            const short byte = byteOf(unit);
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

void AnsiEncoder::appendFieldUtf8(QByteArray &out, QByteArrayView utf8, bool escapeMarkup)
{
    const Mode mode = escapeMarkup ? FieldMarkup : Field;
    const qsizetype start = out.size();
    const int replacedBefore = FReplaced;
    if (encodeUtf8(out, utf8, mode))
        return;
    out.truncate(start);
    FReplaced = replacedBefore;
    encode(out, QString::fromUtf8(utf8), mode);
}

bool AnsiEncoder::encodeUtf8(QByteArray &out, QByteArrayView utf8, Mode mode)
{
    const auto *in = reinterpret_cast<const unsigned char *>(utf8.data());
    const qsizetype size = utf8.size();
    // A byte-order mark and non-characters are left to the decoder's own rules.
    if (size >= 3 && in[0] == 0xEF && in[1] == 0xBB && in[2] == 0xBF)
        return false;
    // Never more bytes out than in, but for what put() writes, which makes its own room.
    qsizetype at = out.size();
    out.resize(at + size);
    char *bytes = out.data();
    qsizetype i = 0;
    const auto put = [&](QByteArrayView what) {
        out.truncate(at);
        out.append(what);
        at = out.size();
        out.resize(at + size - i);
        bytes = out.data();
    };
    while (i < size) {
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            ++i;
            const unsigned char role = AsciiRole[lead];
            if (role == 0 || (role == 2 && mode != FieldMarkup)) {
                bytes[at++] = char(lead);
            } else if (role == 2) {
                put(entity(lead));
            } else {
                if (lead == '\r' && i < size && in[i] == '\n')
                    ++i;
                put("\r\n");
            }
            continue;
        }
        int length;
        char32_t codePoint;
        if ((lead & 0xE0) == 0xC0 && lead >= 0xC2) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (size - i < length)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((in[i + k] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (in[i + k] & 0x3F);
        }
        const bool wellFormed = length == 2 ||
                                (length == 3 && codePoint >= 0x800 &&
                                 !QChar::isSurrogate(codePoint) && codePoint < 0xFDD0) ||
                                (length == 3 && codePoint > 0xFDEF && codePoint < 0xFFFE) ||
                                (length == 4 && codePoint >= 0x10000 && codePoint <= 0x10FFFF &&
                                 (codePoint & 0xFFFE) != 0xFFFE);
        if (!wellFormed)
            return false;
        i += length;
        if (codePoint == QChar::LineSeparator || codePoint == QChar::ParagraphSeparator) {
            put("\r\n");
            continue;
        }
        if (codePoint < 0x10000) {
            const auto unit = char16_t(codePoint);
            const short byte = byteOf(unit);
            if (byte >= 0) {
                bytes[at++] = char(byte);
                continue;
            }
        }
        put(replacement(codePoint));
    }
    out.truncate(at);
    return true;
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
