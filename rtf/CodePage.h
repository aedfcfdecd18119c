#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

namespace quil::rtf {

// A code page as RTF names it (\ansicpgN, \cpgN, or through \fcharsetN): Windows, Mac, ISO
// and East Asian pages, whatever ICU can decode. Decoding goes through QStringDecoder; single-byte
// pages keep the 256 decoded characters so that text is decoded a byte at a time without a decoder
// call per byte.
class CodePage {
public:
    // The code page with this number, or the nearest one that ICU decodes (Mac Japanese as
    // Shift-JIS); a number that names no code page gives Windows-1252. Never null;
    // the object lives until the program ends.
    static const CodePage *get(int number);

    // The code page that \fcharsetN selects; 1 (default) and unknown charsets give the
    // document's code page. The Symbol charset (2) has no code page: answers 0.
    static int forCharset(int charset, int documentCodePage);

    int number() const { return FNumber; }
    bool isSingleByte() const { return FSingleByte; }
    // Single-byte pages only.
    char16_t byteToChar(unsigned char b) const { return FChars[b]; }
    // As byteToChar, as running text takes it: 0 for a control character other than tab, which
    // would break lines or blocks on its own, and a paragraph separator as a line separator.
    const char16_t *textChars() const { return FTextChars.data(); }
    // Whether textChars() leaves 0x20..0x7F as they are, as nearly every page does.
    bool keepsAscii() const { return FKeepsAscii; }
    // Single-byte pages only: escapeChars() of textChars(), made when first asked for.
    const char16_t *escapeChars() const;
    // For each \'hh escape, indexed by its two digits read as a little-endian 16-bit number,
    // the character that chars gives its byte; 0 where the digits are not both hex.
    static std::unique_ptr<char16_t[]> escapeChars(const char16_t *chars);
    QString decode(const QByteArray &bytes) const;

    // Single-byte pages only: the byte that encodes c, or -1.
    int charToByte(char16_t c) const;

private:
    CodePage(int number, const QByteArray &codec);
    static const CodePage *lookUp(int number);

    int FNumber;
    QByteArray FCodecName;
    bool FSingleByte = true;
    bool FKeepsAscii = false;
    std::array<char16_t, 256> FChars{};
    std::array<char16_t, 256> FTextChars{};
    mutable std::once_flag FEscapeCharsMade;
    mutable std::unique_ptr<char16_t[]> FEscapeChars;
    mutable std::atomic<const char16_t *> FEscapeCharsMadeAt{nullptr}; // once made

    QHash<char16_t, unsigned char> FBytes;
};

} // namespace quil::rtf
