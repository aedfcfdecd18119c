#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringEncoder>
#include <QStringView>
#include <vector>

// Appends text to a byte buffer in Windows-1251. A character the code page cannot hold
// becomes "?" in plain text, or a numeric character reference ("&#945;") in HTML, and is
// counted; a surrogate pair is one character. Field text can have its line breaks made CR LF
// and its markup characters escaped in the same pass.
class AnsiEncoder {
public:
    enum class Unencodable { QuestionMark, CharacterReference };

    explicit AnsiEncoder(Unencodable policy);

    void append(QByteArray &out, QStringView text);
    // Line breaks of every kind (CR LF, lone CR or LF, U+2028, U+2029) as CR LF; with
    // escapeMarkup also & < > " as entities, so that a field shows as text in a page.
    void appendField(QByteArray &out, QStringView text, bool escapeMarkup);
    // The same for field text in UTF-8, as the database engine keeps it, with the bytes that
    // the text decoded by QString::fromUtf8 would give.
    void appendFieldUtf8(QByteArray &out, QByteArrayView utf8, bool escapeMarkup);
    // Characters written as "?" or as a reference so far.
    int replaced() const { return FReplaced; }

private:
    enum Mode { Plain, Field, FieldMarkup };
    static constexpr short NotAsked = -2;
    void encode(QByteArray &out, QStringView text, Mode mode);
    // Straight from UTF-8, skipping the UTF-16 copy; false, with out partly written, for text
    // that is not plainly well-formed (which goes through QString then).
    bool encodeUtf8(QByteArray &out, QByteArrayView utf8, Mode mode);
    // The byte of a UTF-16 unit that is not a surrogate, or -1 when the code page has none.
    // The code page's converter answers once per unit; an export asks for millions.
    short learn(char16_t unit);
    // learn()'s answer, kept after the first time.
    short byteOf(char16_t unit)
    {
        const short byte = FLearnt[unit];
        return byte == NotAsked ? learn(unit) : byte;
    }
    QByteArray replacement(char32_t codePoint);

    QStringEncoder FEncoder;
    Unencodable FPolicy;
    int FReplaced = 0;
    std::vector<short> FLearnt; // per UTF-16 unit: its byte, -1 none, -2 not asked yet
};
