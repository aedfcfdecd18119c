#pragma once

#include <QByteArray>
#include <QStringEncoder>
#include <QStringView>

// Appends text to a byte buffer in Windows-1251. A character the code page cannot hold
// becomes "?" in plain text, or a numeric character reference ("&#945;") in HTML, and is
// counted; a surrogate pair is one character.
class AnsiEncoder {
public:
    enum class Unencodable { QuestionMark, CharacterReference };

    explicit AnsiEncoder(Unencodable policy);

    void append(QByteArray &out, QStringView text);
    // Characters written as "?" or as a reference so far.
    int replaced() const { return FReplaced; }

private:
    // Appends what the encoder gives; false (and nothing appended) when it could not encode.
    bool tryAppend(QByteArray &out, QStringView text);
    void appendOneByOne(QByteArray &out, QStringView text);
    void appendReplacement(QByteArray &out, char32_t codePoint);

    QStringEncoder FEncoder;
    Unencodable FPolicy;
    int FReplaced = 0;
};
