#include "rtf/RtfWriter.h"

#include "rtf/CodePage.h"
#include "rtf/RtfQtFormat.h"
#include "rtf/SymbolFont.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <vector>

namespace quil::rtf {

namespace {

constexpr int kDefaultHanging = -360;
constexpr char kHex[] = "0123456789abcdef";

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int script = 0; // 0 normal, 1 sub, 2 super
    int font = -1;
    int halfPoints = -1;
    int foreground = 0;
    int background = 0;
};

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

QString romanNumber(int n, bool upper)
{
    static const std::pair<int, const char *> parts[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString s;
    n = std::clamp(n, 1, 3999);
    for (const auto &[value, letters] : parts)
        for (; n >= value; n -= value)
            s += QLatin1String(letters);
    return upper ? s.toUpper() : s;
}

QString alphaNumber(int n, bool upper)
{
    QString s;
    for (n = std::max(n, 1); n > 0; n = (n - 1) / 26)
        s.prepend(QChar(char16_t((upper ? u'A' : u'a') + (n - 1) % 26)));
    return s;
}

class Writer {
public:
    explicit Writer(const QTextDocument &document) : FDoc(document), FPage(CodePage::get(1251))
    {
        const QFont font = document.defaultFont();
        FDefaultFamily =
            font.family().isEmpty() ? QStringLiteral("Times New Roman") : font.family();
        FDefaultPoints = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
        fontIndex(FDefaultFamily);
        FColors.push_back(QRgb(0)); // entry 0: automatic
    }

    QByteArray run()
    {
        FOut.reserve(4096);
        bool first = true;
        QString previousSignature;
        QTextList *previousList = nullptr;
        for (QTextBlock block = FDoc.begin(); block.isValid(); block = block.next()) {
            writeBlock(block, first, previousSignature, previousList);
            first = false;
        }
        QByteArray rtf;
        rtf.reserve(FOut.size() + 512);
        rtf += "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl";
        for (size_t i = 0; i < FFonts.size(); ++i) {
            const bool symbol = SymbolFont::isSymbolFontName(FFonts[i]);
            rtf += "{\\f" + QByteArray::number(qulonglong(i)) + "\\fnil\\fcharset" +
                   (symbol ? "2 " : "204 ") + escapedPlain(FFonts[i]) + ";}";
        }
        rtf += "}\r\n";
        if (FColors.size() > 1) {
            rtf += "{\\colortbl ;";
            for (size_t i = 1; i < FColors.size(); ++i)
                rtf += "\\red" + QByteArray::number(qRed(FColors[i])) + "\\green" +
                       QByteArray::number(qGreen(FColors[i])) + "\\blue" +
                       QByteArray::number(qBlue(FColors[i])) + ';';
            rtf += "}\r\n";
        }
        rtf += "\\viewkind4\\uc1";
        rtf += FOut;
        rtf += "}\r\n";
        return rtf;
    }

private:
    int fontIndex(const QString &family)
    {
        const auto it = FFontIndex.constFind(family);
        if (it != FFontIndex.constEnd())
            return it.value();
        FFonts.push_back(family);
        FFontIndex.insert(family, int(FFonts.size()) - 1);
        return int(FFonts.size()) - 1;
    }

    int colorIndex(const QBrush &brush)
    {
        if (brush.style() == Qt::NoBrush)
            return 0;
        const QRgb rgb = brush.color().rgb() & 0xFFFFFF;
        const auto it = FColorIndex.constFind(rgb);
        if (it != FColorIndex.constEnd())
            return it.value();
        FColors.push_back(rgb);
        FColorIndex.insert(rgb, int(FColors.size()) - 1);
        return int(FColors.size()) - 1;
    }

    void word(const char *w)
    {
        FOut += w;
        FNeedSpace = true;
    }

    void word(const char *w, int value)
    {
        FOut += w;
        FOut += QByteArray::number(value);
        FNeedSpace = true;
    }

    void hexByte(int b)
    {
        FOut += "\\'";
        FOut += kHex[(b >> 4) & 0xF];
        FOut += kHex[b & 0xF];
        FNeedSpace = false;
    }

    void raw(char c)
    {
        if (FNeedSpace)
            FOut += ' ';
        FOut += c;
        FNeedSpace = false;
    }

    void unicode(char16_t c)
    {
        word("\\u", int(short(c)));
        FOut += '?';
        FNeedSpace = false;
    }

    // Characters whose RTF is the same in every font.
    bool special(char16_t c)
    {
        switch (c) {
        case u'\\': FOut += "\\\\"; break;
        case u'{': FOut += "\\{"; break;
        case u'}': FOut += "\\}"; break;
        case u'\t': word("\\tab"); return true;
        case 0x2028: word("\\line"); return true;
        case 0x00A0: FOut += "\\~"; break;
        case 0x00AD: FOut += "\\-"; break;
        case 0x2011: FOut += "\\_"; break;
        default: return false;
        }
        FNeedSpace = false;
        return true;
    }

    // Text where no font switches (font names, list labels).
    QByteArray escapedPlain(const QString &text)
    {
        QByteArray saved;
        std::swap(saved, FOut);
        const bool savedSpace = FNeedSpace;
        FNeedSpace = false;
        for (QChar ch : text)
            textChar(ch.unicode());
        std::swap(saved, FOut);
        FNeedSpace = savedSpace;
        return saved;
    }

    // A sign that the text code page lacks and the Symbol font has.
    bool needsSymbolFont(char16_t c) const
    {
        return c >= 0x80 && SymbolFont::isSymbolSign(c) && FPage->charToByte(c) < 0;
    }

    void textChar(char16_t c)
    {
        if (special(c))
            return;
        if (c >= 0x20 && c < 0x7F) {
            raw(char(c));
            return;
        }
        if (c < 0x20)
            return;
        const int b = FPage->charToByte(c);
        if (b >= 0)
            hexByte(b);
        else
            unicode(c);
    }

    void symbolChar(char16_t c)
    {
        if (special(c))
            return;
        const int b = SymbolFont::fromUnicode(c);
        if (b >= 0x20 && b < 0x7F && b != '\\' && b != '{' && b != '}')
            raw(char(b));
        else if (b >= 0x20)
            hexByte(b);
        else if (c >= 0x20)
            unicode(c);
    }

    void setState(const CharState &t)
    {
        CharState &w = FWritten;
        if (t.bold != w.bold)
            word(t.bold ? "\\b" : "\\b0");
        if (t.italic != w.italic)
            word(t.italic ? "\\i" : "\\i0");
        if (t.underline != w.underline)
            word(t.underline ? "\\ul" : "\\ulnone");
        if (t.strike != w.strike)
            word(t.strike ? "\\strike" : "\\strike0");
        if (t.script != w.script)
            word(t.script == 1 ? "\\sub" : t.script == 2 ? "\\super" : "\\nosupersub");
        if (t.font != w.font)
            word("\\f", t.font);
        if (t.halfPoints != w.halfPoints)
            word("\\fs", t.halfPoints);
        if (t.foreground != w.foreground)
            word("\\cf", t.foreground);
        if (t.background != w.background)
            word("\\highlight", t.background);
        w = t;
    }

    CharState stateOf(const QTextCharFormat &f)
    {
        CharState s;
        s.bold = f.fontWeight() > QFont::Medium;
        s.italic = f.fontItalic();
        s.underline = f.fontUnderline();
        s.strike = f.fontStrikeOut();
        const auto v = f.verticalAlignment();
        s.script = v == QTextCharFormat::AlignSubScript     ? 1
                   : v == QTextCharFormat::AlignSuperScript ? 2
                                                            : 0;
        const QString family = familyOf(f);
        s.font = fontIndex(family.isEmpty() ? FDefaultFamily : family);
        const double points = f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0
                                  ? f.fontPointSize()
                                  : FDefaultPoints;
        s.halfPoints = std::clamp(int(std::lround(points * 2)), 2, 3276);
        s.foreground = f.hasProperty(QTextFormat::ForegroundBrush) ? colorIndex(f.foreground()) : 0;
        s.background = f.hasProperty(QTextFormat::BackgroundBrush) ? colorIndex(f.background()) : 0;
        return s;
    }

    void writeText(const QString &text, const CharState &state)
    {
        const bool symbolRun = SymbolFont::isSymbolFontName(FFonts[size_t(state.font)]);
        CharState symbolState = state;
        for (QChar ch : text) {
            const char16_t c = ch.unicode();
            if (symbolRun) {
                setState(state);
                symbolChar(c);
            } else if (needsSymbolFont(c)) {
                symbolState.font = fontIndex(QStringLiteral("Symbol"));
                setState(symbolState);
                symbolChar(c);
            } else {
                setState(state);
                textChar(c);
            }
        }
    }

    QByteArray paragraphProperties(const QTextBlock &block, QTextList *list)
    {
        const QTextBlockFormat b = block.blockFormat();
        QByteArray p;
        const Qt::Alignment align = b.alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter)
            p += "\\qc";
        else if (align & Qt::AlignJustify)
            p += "\\qj";
        else if (align & Qt::AlignRight)
            p += "\\qr";
        int fi = RtfQtFormat::twips(b.textIndent());
        int li = RtfQtFormat::twips(b.leftMargin());
        if (list) {
            fi = b.hasProperty(RtfQtFormat::kListHanging) ? b.intProperty(RtfQtFormat::kListHanging)
                                                          : kDefaultHanging;
            li = RtfQtFormat::twips(b.leftMargin() + list->format().indent() * FDoc.indentWidth());
        }
        const auto add = [&p](const char *w, int v) {
            if (v != 0)
                p += w + QByteArray::number(v);
        };
        add("\\fi", fi);
        add("\\li", li);
        add("\\ri", RtfQtFormat::twips(b.rightMargin()));
        add("\\sb", RtfQtFormat::twips(b.topMargin()));
        add("\\sa", RtfQtFormat::twips(b.bottomMargin()));
        switch (b.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            if (std::lround(b.lineHeight()) != 100)
                p += "\\sl" + QByteArray::number(int(std::lround(b.lineHeight() * 2.4))) +
                     "\\slmult1";
            break;
        case QTextBlockFormat::MinimumHeight:
            p += "\\sl" + QByteArray::number(RtfQtFormat::twips(b.lineHeight())) + "\\slmult0";
            break;
        case QTextBlockFormat::FixedHeight:
            p += "\\sl-" + QByteArray::number(RtfQtFormat::twips(b.lineHeight())) + "\\slmult0";
            break;
        default: break;
        }
        return p;
    }

    static bool isBullet(QTextListFormat::Style style)
    {
        return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
               style == QTextListFormat::ListSquare;
    }

    QByteArray listDefinition(QTextList *list)
    {
        const QTextListFormat f = list->format();
        if (isBullet(f.style()))
            return "{\\*\\pn\\pnlvlblt\\pnf" +
                   QByteArray::number(fontIndex(QStringLiteral("Symbol"))) +
                   "\\pnindent0{\\pntxtb\\'b7}}";
        QByteArray d =
            "{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart" + QByteArray::number(listStart(list));
        switch (f.style()) {
        case QTextListFormat::ListLowerAlpha: d += "\\pnlcltr"; break;
        case QTextListFormat::ListUpperAlpha: d += "\\pnucltr"; break;
        case QTextListFormat::ListLowerRoman: d += "\\pnlcrm"; break;
        case QTextListFormat::ListUpperRoman: d += "\\pnucrm"; break;
        default: d += "\\pndec"; break;
        }
        if (!f.numberPrefix().isEmpty())
            d += "{\\pntxtb " + escapedPlain(f.numberPrefix()) + '}';
        d += "{\\pntxta " + escapedPlain(f.numberSuffix()) + "}}";
        return d;
    }

    static int listStart(QTextList *list)
    {
        const QTextListFormat f = list->format();
        return f.hasProperty(RtfQtFormat::kListStart) ? f.intProperty(RtfQtFormat::kListStart) : 1;
    }

    QByteArray listLabel(QTextList *list)
    {
        const QTextListFormat f = list->format();
        if (isBullet(f.style()))
            return "{\\pntext\\f" + QByteArray::number(fontIndex(QStringLiteral("Symbol"))) +
                   "\\'b7\\tab}";
        const int n = FListItems[list]++ + listStart(list);
        QString number;
        switch (f.style()) {
        case QTextListFormat::ListLowerAlpha: number = alphaNumber(n, false); break;
        case QTextListFormat::ListUpperAlpha: number = alphaNumber(n, true); break;
        case QTextListFormat::ListLowerRoman: number = romanNumber(n, false); break;
        case QTextListFormat::ListUpperRoman: number = romanNumber(n, true); break;
        default: number = QString::number(n); break;
        }
        return "{\\pntext\\f0 " + escapedPlain(f.numberPrefix() + number + f.numberSuffix()) +
               "\\tab}";
    }

    void writeBlock(const QTextBlock &block, bool first, QString &previousSignature,
                    QTextList *&previousList)
    {
        QTextList *list = block.textList();
        const QByteArray props = paragraphProperties(block, list);
        const QString signature = QString::fromLatin1(props);
        const bool newParagraphFormat =
            first || signature != previousSignature || list != previousList;
        if (newParagraphFormat) {
            word("\\pard");
            if (first)
                word("\\lang1049");
        }
        if (list) {
            FOut += listLabel(list);
            if (newParagraphFormat)
                FOut += listDefinition(list);
            FNeedSpace = false;
        }
        if (newParagraphFormat && !props.isEmpty()) {
            FOut += props;
            FNeedSpace = true;
        }
        previousSignature = signature;
        previousList = list;

        QString openLink;
        CharState beforeLink;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat f = fragment.charFormat();
            const QString href = f.isAnchor() ? f.anchorHref() : QString();
            if (href != openLink) {
                if (!openLink.isEmpty()) {
                    FOut += "}}}";
                    FWritten = beforeLink;
                    FNeedSpace = false;
                }
                if (!href.isEmpty()) {
                    beforeLink = FWritten;
                    QString url = href;
                    url.replace(QLatin1Char('"'), QLatin1String("%22"));
                    FOut += "{\\field{\\*\\fldinst{HYPERLINK \"" + escapedPlain(url) +
                            "\"}}{\\fldrslt{";
                    FNeedSpace = false;
                }
                openLink = href;
            }
            writeText(fragment.text(), stateOf(f));
        }
        if (!openLink.isEmpty()) {
            FOut += "}}}";
            FWritten = beforeLink;
            FNeedSpace = false;
        }
        if (first && FWritten.font < 0)
            setState(stateOf(block.charFormat()));
        word("\\par");
        FOut += "\r\n";
        FNeedSpace = false;
    }

    const QTextDocument &FDoc;
    const CodePage *FPage;
    QString FDefaultFamily;
    double FDefaultPoints;
    std::vector<QString> FFonts;
    QHash<QString, int> FFontIndex;
    std::vector<QRgb> FColors;
    QHash<QRgb, int> FColorIndex;
    // Items written so far per list: Qt's own item number costs a search per paragraph.
    QHash<QTextList *, int> FListItems;
    QByteArray FOut;
    CharState FWritten;
    bool FNeedSpace = false;
};

} // namespace

QByteArray RtfWriter::write(const QTextDocument &document) { return Writer(document).run(); }

QString RtfWriter::writeString(const QTextDocument &document)
{
    return QString::fromLatin1(write(document));
}

} // namespace quil::rtf
