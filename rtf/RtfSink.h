#pragma once

#include <QString>
#include <cstdint>

namespace quil::rtf {

enum class RtfScript : uint8_t { Normal, Sub, Super };
enum class RtfAlign : uint8_t { Left, Right, Center, Justify };
enum class RtfListStyle : uint8_t {
    None,
    Bullet,
    Decimal,
    LowerAlpha,
    UpperAlpha,
    LowerRoman,
    UpperRoman
};

// Character properties in force for a run of text. Fonts and colours are indexes into the
// interpreter's tables (font number; colour table index, 0 = automatic).
struct RtfCharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    RtfScript script = RtfScript::Normal;
    int font = -1;
    int halfPoints = 24;
    int foreground = 0;
    int background = 0;
    int link = -1;       // index of a hyperlink target
    bool hidden = false; // \v: kept out of the text altogether

    bool operator==(const RtfCharFormat &o) const
    {
        return bold == o.bold && italic == o.italic && underline == o.underline &&
               strike == o.strike && script == o.script && font == o.font &&
               halfPoints == o.halfPoints && foreground == o.foreground &&
               background == o.background && link == o.link && hidden == o.hidden;
    }
    bool operator!=(const RtfCharFormat &o) const { return !(*this == o); }
};

// Paragraph properties, lengths in twips.
struct RtfParagraphFormat {
    RtfAlign align = RtfAlign::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0; // \sl; 0 = single
    bool lineMultiple = false;
    int pnList = -1; // a RichEdit list definition
    int ls = 0;      // a Word list override, 0 = none
    int ilvl = 0;
};

// A list as the paragraphs of one list share it.
struct RtfList {
    RtfListStyle style = RtfListStyle::None;
    int start = 1;
    QString prefix;
    QString suffix;

    bool operator==(const RtfList &o) const
    {
        return style == o.style && start == o.start && prefix == o.prefix && suffix == o.suffix;
    }
};

// Receives the text and structure that the interpreter finds, in document order.
class RtfSink {
public:
    virtual ~RtfSink() = default;
    // Visible text; line breaks come as U+2028, never as CR, LF or U+2029.
    virtual void text(QStringView text, const RtfCharFormat &format) = 0;
    // \par: the paragraph that holds the text so far ends.
    virtual void paragraphEnd(const RtfParagraphFormat &format) = 0;
    // End of input; the paragraph in progress ends if it holds text.
    virtual void finish(const RtfParagraphFormat &format) = 0;
    // False for a sink that takes the text alone: a change of the characters' look then does
    // not cut the run it is in.
    virtual bool wantsFormats() const { return true; }
};

} // namespace quil::rtf
