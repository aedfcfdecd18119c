#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>

namespace quil::rtf {

// A Windows code page as RTF names it (\ansicpgN, \cpgN, or through \fcharsetN). Decoding
// goes through QStringDecoder; single-byte pages keep the 256 decoded characters so that
// text is decoded a byte at a time without a decoder call per byte.
class CodePage {
public:
    // The code page with this number; an unknown number gives Windows-1252. Never null;
    // the object lives until the program ends.
    static const CodePage *get(int number);

    // The code page that \fcharsetN selects; 1 (default) and unknown charsets give the
    // document's code page. The Symbol charset (2) has no code page: answers 0.
    static int forCharset(int charset, int documentCodePage);

    int number() const { return FNumber; }
    bool isSingleByte() const { return FSingleByte; }
    // Single-byte pages only.
    char16_t byteToChar(unsigned char b) const { return FChars[b]; }
    QString decode(const QByteArray &bytes) const;

    // Single-byte pages only: the byte that encodes c, or -1.
    int charToByte(char16_t c) const;

private:
    explicit CodePage(int number);

    int FNumber;
    QByteArray FCodecName;
    bool FSingleByte = true;
    std::array<char16_t, 256> FChars{};
    QHash<char16_t, unsigned char> FBytes;
};

} // namespace quil::rtf
