#pragma once

#include "rtf/RtfSink.h"
#include "rtf/RtfTokenizer.h"

#include <QByteArray>
#include <QHash>
#include <QRgb>
#include <QString>
#include <string>
#include <vector>

namespace quil::rtf {

class CodePage;

// Walks RTF bytes once, keeping the group states on the heap, and tells a sink the visible
// text with its formats. The document reader and the plain-text extractor share it, so
// that both find the same text.
class RtfInterpreter {
public:
    RtfInterpreter();
    ~RtfInterpreter();
    RtfInterpreter(const RtfInterpreter &) = delete;
    RtfInterpreter &operator=(const RtfInterpreter &) = delete;

    // Whether the bytes begin, after optional whitespace, with "{\rtf" (or "{\urtf").
    static bool isRtf(const char *data, qsizetype size);

    // The bytes of RTF held in a string: 7-bit text as it is, anything else as UTF-8 with
    // rawTextIsUtf8 set, to be passed on to run().
    static QByteArray bytesOf(const QString &rtf, bool *rawTextIsUtf8);

    // Runs over the bytes; false (and nothing sent) when they are not RTF. When
    // rawTextIsUtf8 is set, bytes of 0x80 and above outside escapes are UTF-8 (RTF held in
    // a Unicode string); \'hh escapes keep their code pages.
    bool run(const QByteArray &bytes, RtfSink &sink, bool rawTextIsUtf8 = false);

    // On (the default), runs of text in a single-byte code page are decoded straight from the
    // bytes; off, every byte goes through the tokens, the longer way that must give the same.
    void setFastText(bool on) { FFastText = on; }

    // Called by a sink that has what it needs: run() ends after the current token.
    void stop() { FDone = true; }

    // Tables for the sink, valid during and after run().
    QString fontFamily(int number) const;
    // False for the automatic colour (index 0 or unknown).
    bool color(int index, QRgb *rgb) const;
    QString linkTarget(int index) const;
    // The list that a paragraph belongs to, or nullptr.
    const RtfList *listFor(const RtfParagraphFormat &format) const;
    // A key shared by the paragraphs of one Word list (its override and level); -1 for a
    // RichEdit list or none.
    int wordListKey(const RtfParagraphFormat &format) const;

    // Deepest group nesting that keeps states of its own; deeper braces are only counted.
    static constexpr int kMaxDepth = 512;

private:
    enum class Dest : uint8_t {
        Text,
        FontTable,
        FontAltName,
        ColorTable,
        FieldInst,
        PnDef,
        PnBefore,
        PnAfter,
        ListTable,
        ListOverrideTable,
        Upr // the ANSI side of \upr, which its {\*\ud} replaces
    };
    enum class FontKind : uint8_t { Text, Symbol, OtherSymbol };

    struct Group {
        RtfCharFormat chr;
        RtfParagraphFormat para;
        Dest dest = Dest::Text;
        Dest uprOuter = Dest::Text; // what \ud returns to
        FontKind fontKind = FontKind::Text;
        uint8_t uc = 1;
        int field = -1;
        int pnDef = -1;
        int fontsGeneration = -1;
        const CodePage *codePage = nullptr;
    };

    struct Font {
        int number = 0;
        int charset = 1;
        int codePage = 0;
        QByteArray name;
        QByteArray altName;
        bool nameDone = false;
        bool altNameDone = false;
        QString family;
        bool symbol = false; // the family is Symbol's
    };

    struct Field {
        QString instruction;
        int link = -2;       // -2 = not yet parsed
        bool symbol = false; // a SYMBOL field: its character stands for the result
    };

    struct WordList {
        int id = 0;
        std::vector<RtfList> levels;
    };

    struct Color {
        bool automatic = true;
        QRgb rgb = 0;
    };

    void reset();
    bool takeHead(const QByteArray &bytes);
    void keepHead(const QByteArray &bytes, qsizetype at, RtfToken::Type last, bool ignorable,
                  bool atGroupStart);
    bool reuseFontTable();
    void keepFontTable();
    void handleWord(const RtfToken &token);
    void handleSymbol(char symbol);
    void handleText(const char *data, qsizetype length);
    bool inPlainText() const;
    void decodePlainText(RtfTokenizer &tokenizer);
    bool takeFontGroup(RtfTokenizer &tokenizer);
    void handleHex(const char *data, qsizetype length);
    bool handleDestination(const RtfToken &token);
    void openGroup();
    void closeGroup();
    void skipGroup();

    void addByte(unsigned char byte);
    void addSingleByte(const char *data, qsizetype length, const CodePage *page);
    void addUnit(int unit);
    void addChar(char16_t c);
    void addUtf8(const char *data, qsizetype length);
    void addString(const QString &decoded);
    void resolvePending();
    void flushText();
    // A long run of body text goes to the sink in pieces, so that a sink that stops early
    // (a view of the head) does not wait for a megabyte paragraph to end.
    void flushLongRun();
    void paragraphEnd();

    void updateDecoding(Group &group) const;
    const CodePage *decodingOf(int font, FontKind *kind) const;
    void finishFonts();
    void setDocumentCodePage(int page);
    const Font *fontByNumber(int number) const;
    int linkOfField(int field);
    void symbolField(int field);
    void breakParagraph();
    Group &top() { return FStack.back(); }

    RtfSink *FSink = nullptr;
    std::vector<Group> FStack;
    int FOverflow = 0;
    int FSkipLevel = 0;
    int FFallbackSkip = 0;
    bool FIgnorable = false;
    bool FAtGroupStart = false;
    bool FParaHasText = false; // text has reached the sink since the last paragraph end
    int FFootnotes = 0;
    bool FUtf8 = false;
    bool FDone = false;
    bool FFastText = true;
    bool FFormats = true; // the sink takes the formats of the text
    int FDocCodePage = 1252;
    int FDefaultFont = -1;
    RtfParagraphFormat FLastPara;

    std::u16string FPending; // the run in progress
    QByteArray FPendingBytes;
    const CodePage *FPendingBytesPage = nullptr;
    char16_t FPendingHigh = 0;

    std::vector<Font> FFonts;
    QHash<int, int> FFontIndex;
    int FCurrentFont = -1;
    size_t FFinishedFonts = 0;
    int FFontsGeneration = 0;
    std::vector<Color> FColors;
    Color FColorInProgress;
    std::vector<Field> FFields;
    std::vector<QString> FLinks;
    std::vector<RtfList> FPnDefs;
    std::vector<WordList> FWordLists;
    QHash<int, int> FWordListIndex; // \listid -> FWordLists
    QHash<int, int> FOverrides;     // \lsN -> \listid
    int FOverrideListId = 0;

    // A font table met again byte for byte, as every abstract of a library begins with the
    // same one: its fonts are taken as they were read the first time.
    struct FontTableCopy {
        QByteArray bytes; // from after the group's brace to after its closing one
        int docCodePage = 0;
        std::vector<Font> fonts;
        QHash<int, int> index;
        int currentFont = -1;
    };
    FontTableCopy FFontTableCopy;
    // The head of a text, everything before its first character, met again byte for byte, as
    // every abstract of a library begins alike: the state it leaves is taken as it was left the
    // first time. Kept only when it leaves nothing but fonts and colours behind.
    struct HeadCopy {
        QByteArray bytes; // the head, and the bytes after it that its last token looked at
        qsizetype size = 0;
        bool formats = false;
        Group root;
        bool ignorable = false;
        bool atGroupStart = false;
        int docCodePage = 0;
        int defaultFont = -1;
        int currentFont = -1;
        int fontsGeneration = 0;
        size_t finishedFonts = 0;
        std::vector<Font> fonts;
        QHash<int, int> fontIndex;
        std::vector<Color> colors;
        Color colorInProgress;
        qsizetype groupStart = -1;
    };
    HeadCopy FHeadCopy;
    // The font that takeFontGroup() looked up last, while the fonts stay as they were.
    struct GroupFont {
        int number = -1;
        int fontsGeneration = -1;
        FontKind kind = FontKind::Text;
        const CodePage *page = nullptr;
    };
    GroupFont FGroupFont;
    RtfTokenizer::PassedWords FPassedWords;
    bool FHeadOpen = false; // nothing has reached the run or the sink yet
    RtfTokenizer *FTokenizer = nullptr;
    const char *FGroupStart = nullptr; // after the brace of the group opened last
    const char *FTableStart = nullptr; // the font table being read, while it may be kept
};

} // namespace quil::rtf
