#pragma once

#include <QtEndian>
#include <QtGlobal>
#include <cstdint>

namespace quil::rtf {

class CodePage;

// Control words that the interpreter acts on; every other word is Unknown.
enum class RtfWord : uint16_t {
    Unknown,
    // document and tables
    Rtf,
    Urtf,
    Ansi,
    Mac,
    Pc,
    Pca,
    Ansicpg,
    Deff,
    Fonttbl,
    F,
    Fcharset,
    Cpg,
    Fname,
    Colortbl,
    Red,
    Green,
    Blue,
    // character formatting
    Plain,
    B,
    I,
    Ul,
    UlOther,
    Ulnone,
    Strike,
    Sub,
    Super,
    Nosupersub,
    Up,
    Dn,
    Fs,
    Cf,
    Highlight,
    Cb,
    Chcbpat,
    U,
    Uc,
    // paragraphs
    Pard,
    Par,
    Line,
    Tab,
    Ql,
    Qr,
    Qc,
    Qj,
    Fi,
    Li,
    Ri,
    Sb,
    Sa,
    Sl,
    Slmult,
    Cell,
    Row,
    Sect,
    Page,
    Column,
    // hidden text, footnote marks, Unicode alternatives
    V,
    Chftn,
    Upr,
    Ud,
    // special characters
    Emdash,
    Endash,
    Bullet,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Emspace,
    Enspace,
    Qmspace,
    Zwj,
    Zwnj,
    Zwbo,
    Zwnbo,
    // RichEdit lists
    Pn,
    Pntext,
    Pnlvlblt,
    Pnlvlbody,
    Pnlvlcont,
    Pnlvl,
    Pndec,
    Pnlcltr,
    Pnucltr,
    Pnlcrm,
    Pnucrm,
    Pnstart,
    Pntxtb,
    Pntxta,
    Pnf,
    // Word lists
    Listtable,
    List,
    Listlevel,
    Levelnfc,
    Levelstartat,
    Listid,
    Listoverridetable,
    Listoverride,
    Ls,
    Ilvl,
    Listtext,
    // fields
    Field,
    Fldinst,
    Fldrslt,
    // destinations skipped whole
    SkipDestination,
    // known words without an effect of their own; known, so that \* does not hide their group
    Ignored,
};

// Words that change only how characters look: neither what is visible nor how bytes decode.
inline bool changesLooksOnly(RtfWord word)
{
    using W = RtfWord;
    switch (word) {
    case W::B:
    case W::I:
    case W::Ul:
    case W::UlOther:
    case W::Ulnone:
    case W::Strike:
    case W::Sub:
    case W::Super:
    case W::Nosupersub:
    case W::Up:
    case W::Dn:
    case W::Fs:
    case W::Cf:
    case W::Highlight:
    case W::Cb:
    case W::Chcbpat: return true;
    default: return false;
    }
}

struct RtfToken {
    enum Type : uint8_t { End, GroupOpen, GroupClose, Word, Symbol, Hex, Text, Binary };
    Type type = End;
    RtfWord word = RtfWord::Unknown;
    bool hasParam = false;
    char symbol = 0; // Symbol: the character after the backslash
    int param = 0;   // Word: clamped to the int range
    // Text: raw bytes, none of them special; Hex: the bytes of consecutive \'hh escapes.
    const char *text = nullptr;
    qsizetype length = 0;
};

// Splits RTF bytes into tokens. Never reads past the end; \binN data is skipped here, so
// that no caller sees its bytes as braces or text.
class RtfTokenizer {
public:
    RtfTokenizer(const char *data, qsizetype size) : FPos(data), FEnd(data + size) {}
    void next(RtfToken &token);
    bool atEnd() const { return FPos >= FEnd; }
    // Where the next token begins, and the end of the bytes; moveTo() goes on from elsewhere.
    const char *position() const { return FPos; }
    const char *end() const { return FEnd; }
    void moveTo(const char *position)
    {
        FPos = position;
        FHeld = false;
    }

    // For a reader to whom a byte is a byte however it was written (text not read as UTF-8):
    // text, \'hh escapes, the escaped \\ { } and the line ends between them come as one Hex
    // token of their bytes, rather than a token for each word of a Cyrillic text.
    void setJoinBytes(bool join) { FJoin = join; }

    // Words that decodeText() may pass over: those that change only how characters look, and
    // with them those that do nothing at all (unknown, or known to have no effect).
    enum class PassOver : uint8_t { Nothing, Looks, LooksAndIdle };

    // The character that each byte of text in one font gives, as running text takes it.
    struct ByteChars {
        const char16_t *chars;   // 256 of them; 0 = the byte gives none
        const char16_t *escapes; // the same for \'hh escapes, as CodePage::escapeChars()
        bool keepsAscii;         // 0x20..0x7F give themselves
    };
    static ByteChars byteChars(const CodePage &page);

    // Text in a single-byte code page or font as a reader of characters takes it, decoded
    // straight from the bytes: text, \'hh escapes and the escaped \\ { } through the table, a
    // tab as itself, line ends and NUL passed over, and the words that pass says. Reads no
    // more than room bytes and writes no more than room characters; stops before anything
    // else (a word read to tell is kept for next()).
    struct Decoded {
        char16_t *end;
        bool took; // passed something that next() would have made a token of
        bool more; // stopped for room alone
    };
    Decoded decodeText(const ByteChars &table, PassOver pass, char16_t *out, qsizetype room);
    // Whether decodeText() stopped at a word that next() gives.
    bool holdsWord() const { return FHeld; }

    // Words that decodeText() passed over lately, by their bytes, so that a word met again is
    // passed without reading it; kept by the caller from one text to the next.
    class PassedWords {
    public:
        // The length of the word at p that was passed before, or 0; p has 16 bytes after it.
        qsizetype find(const char *p, PassOver pass) const;
        // The word of `length` bytes at p, which ends with its space or before the byte after it.
        void remember(const char *p, qsizetype length, bool looksOnly);

    private:
        enum class End : uint8_t { Space, Digits, Letters };
        struct Entry {
            quint64 head = 0;
            quint64 tail = 0;
            quint64 headMask = 0;
            quint64 tailMask = 0;
            uint8_t length = 0; // 0 = empty
            End end = End::Space;
            bool looksOnly = false;
        };
        // By the two bytes after the backslash, which every word has.
        static size_t slotOf(const char *p)
        {
            return (qFromLittleEndian<quint16>(p + 1) * 0x9E3779B1u) >> 27;
        }
        Entry FEntries[32];
    };
    void setPassedWords(PassedWords *words) { FPassed = words; }

private:
    void readWord(RtfToken &token);

    bool readHexRun(RtfToken &token);
    bool readHex(int &value);
    bool readBytes(RtfToken &token);
    bool bufferToken(RtfToken &token, qsizetype count);

    const char *FPos;
    const char *FEnd;
    bool FJoin = false;
    PassedWords *FPassed = nullptr;
    bool FHeld = false; // FHeldToken is the next token
    RtfToken FHeldToken;
    char FHex[2048];
};

} // namespace quil::rtf
