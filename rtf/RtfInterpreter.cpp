#include "rtf/RtfInterpreter.h"

#include "rtf/CodePage.h"
#include "rtf/RtfTokenizer.h"
#include "rtf/SymbolFont.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quil::rtf {

namespace {

constexpr int kMaxTwips = 31680; // 22 inches, the widest page a writer offers
constexpr int kMaxFallback = 16;

int clampTwips(int v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }
bool toggleOn(const RtfToken &t) { return !t.hasParam || t.param != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

QString trimmedName(const QByteArray &raw, const CodePage *page)
{
    // Every abstract names its fonts: the name is decoded where it stands, without copies.
    const void *semicolon = std::memchr(raw.constData(), ';', size_t(raw.size()));
    const qsizetype size =
        semicolon ? static_cast<const char *>(semicolon) - raw.constData() : raw.size();
    if (size == 0)
        return {};
    const QByteArrayView name(raw.constData(), size);
    QString decoded;
    if (page && page->isSingleByte()) {
        decoded = QString(size, Qt::Uninitialized);
        char16_t *out = reinterpret_cast<char16_t *>(decoded.data());
        for (const char c : name)
            *out++ = page->byteToChar((unsigned char)c);
    } else if (page) {
        decoded = page->decode(name.toByteArray());
    } else {
        decoded = QString::fromLatin1(name);
    }
    return std::move(decoded).trimmed();
}

RtfListStyle levelStyle(int nfc)
{
    switch (nfc) {
    case 0: return RtfListStyle::Decimal;
    case 1: return RtfListStyle::UpperRoman;
    case 2: return RtfListStyle::LowerRoman;
    case 3: return RtfListStyle::UpperAlpha;
    case 4: return RtfListStyle::LowerAlpha;
    case 23: return RtfListStyle::Bullet;
    case 255: return RtfListStyle::None;
    default: return RtfListStyle::Decimal;
    }
}

QString hyperlinkTarget(const QString &instruction)
{
    const QString trimmed = instruction.trimmed();
    if (!trimmed.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return {};
    QString rest = trimmed.mid(9).trimmed();
    QString anchor;
    if (rest.startsWith(QLatin1String("\\l"))) {
        rest = rest.mid(2).trimmed();
        anchor = QStringLiteral("#");
    }
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype end = rest.indexOf(QLatin1Char('"'), 1);
        return anchor + rest.mid(1, end < 0 ? -1 : end - 1);
    }
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    return anchor + (space < 0 ? rest : rest.left(space));
}

// Word's "Insert Symbol": SYMBOL code [\\f "font"] [\\s points] [\\u | \\j | \\a] [\\h],
// the code in decimal or as 0x hex.
struct SymbolSpec {
    bool valid = false;
    uint32_t code = 0;
    QString font;
    int points = 0;
    bool unicode = false;
    bool shiftJis = false;
};

SymbolSpec parseSymbol(const QString &instruction)
{
    SymbolSpec spec;
    const QString t = instruction.trimmed();
    if (!t.startsWith(QLatin1String("SYMBOL"), Qt::CaseInsensitive))
        return spec;
    const qsizetype n = t.size();
    qsizetype i = 6;
    const auto skipSpaces = [&] {
        while (i < n && t.at(i).isSpace())
            ++i;
    };
    const auto word = [&] {
        const qsizetype start = i;
        while (i < n && !t.at(i).isSpace())
            ++i;
        return t.mid(start, i - start);
    };
    skipSpaces();
    QString number = word();
    int base = 10;
    if (number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        number = number.mid(2);
        base = 16;
    }
    bool ok = false;
    const uint code = number.toUInt(&ok, base);
    if (!ok || code == 0 || code > 0x10FFFF)
        return spec;
    spec.valid = true;
    spec.code = code;
    for (skipSpaces(); i < n; skipSpaces()) {
        if (t.at(i) != QLatin1Char('\\') || i + 1 >= n) {
            word();
            continue;
        }
        const char16_t option = t.at(i + 1).toLower().unicode();
        i += 2;
        switch (option) {
        case u'f':
            skipSpaces();
            if (i < n && t.at(i) == QLatin1Char('"')) {
                const qsizetype end = t.indexOf(QLatin1Char('"'), i + 1);
                spec.font = t.mid(i + 1, (end < 0 ? n : end) - i - 1);
                i = end < 0 ? n : end + 1;
            } else {
                spec.font = word();
            }
            break;
        case u's':
            skipSpaces();
            spec.points = std::clamp(word().toInt(), 0, 1638);
            break;
        case u'u': spec.unicode = true; break;
        case u'j': spec.shiftJis = true; break;
        default: word(); break; // \\a (ANSI, the default), \\h (line spacing only)
        }
    }
    return spec;
}

} // namespace

RtfInterpreter::RtfInterpreter() = default;
RtfInterpreter::~RtfInterpreter() = default;

bool RtfInterpreter::isRtf(const char *data, qsizetype size)
{
    qsizetype i = 0;
    if (size >= 3 && (unsigned char)data[0] == 0xEF && (unsigned char)data[1] == 0xBB &&
        (unsigned char)data[2] == 0xBF)
        i = 3;
    while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n' ||
                        data[i] == '\f' || data[i] == '\v'))
        ++i;
    const std::string_view rest(data + i, size_t(size - i));
    return rest.substr(0, 5) == "{\\rtf" || rest.substr(0, 6) == "{\\urtf";
}

void RtfInterpreter::reset()
{
    FStack.clear();
    FOverflow = FSkipLevel = FFallbackSkip = 0;
    FIgnorable = FDone = FAtGroupStart = FParaHasText = false;
    FFootnotes = 0;
    FDocCodePage = 1252;
    FDefaultFont = -1;
    FLastPara = {};
    FPending.clear();
    FPendingBytes.clear();
    FPendingBytesPage = nullptr;
    FPendingHigh = 0;
    FFonts.clear();
    FFontIndex.clear();
    FCurrentFont = -1;
    FColors.clear();
    FColorInProgress = {};
    FFields.clear();
    FLinks.clear();
    FPnDefs.clear();
    FWordLists.clear();
    FWordListIndex.clear();
    FOverrides.clear();
    FFinishedFonts = 0;
    FGroupStart = FTableStart = nullptr;
    FFontsGeneration = 0;
    FOverrideListId = 0;
    FGroupFont = {};
}

QByteArray RtfInterpreter::bytesOf(const QString &rtf, bool *rawTextIsUtf8)
{
    for (QChar c : rtf) {
        if (c.unicode() >= 0x80) {
            *rawTextIsUtf8 = true;
            return rtf.toUtf8();
        }
    }
    *rawTextIsUtf8 = false;
    return rtf.toLatin1();
}

bool RtfInterpreter::run(const QByteArray &bytes, RtfSink &sink, bool rawTextIsUtf8)
{
    reset();
    if (!isRtf(bytes.constData(), bytes.size()))
        return false;
    FSink = &sink;
    FFormats = sink.wantsFormats();
    FUtf8 = rawTextIsUtf8;
    FStack.reserve(16);
    FPending.reserve(1024);
    RtfTokenizer tokenizer(bytes.constData(), bytes.size());
    tokenizer.setPassedWords(&FPassedWords);
    FTokenizer = &tokenizer;
    const bool headTaken = takeHead(bytes);
    if (!headTaken) {
        // Everything before the root group's brace is whitespace or a byte-order mark.
        while (!tokenizer.atEnd()) {
            RtfToken token;
            tokenizer.next(token);
            if (token.type == RtfToken::GroupOpen)
                break;
        }
        FStack.emplace_back();
        updateDecoding(top());
    }
    // A head taken may yet be kept longer, or another head of these bytes kept in its place.
    FHeadOpen = FFastText && !FUtf8;
    RtfToken token;
    token.type = RtfToken::GroupOpen; // the root's brace
    while (!FDone) {
        if (FFastText && inPlainText()) {
            if (FHeadOpen && !FPending.empty())
                FHeadOpen = false;
            if (FHeadOpen) {
                // The text may begin here: the state is kept as it stands before it.
                const qsizetype at = tokenizer.position() - bytes.constData();
                const bool ignorable = FIgnorable;
                const bool atGroupStart = FAtGroupStart;
                decodePlainText(tokenizer);
                if (FHeadOpen && !FPending.empty()) {
                    FHeadOpen = false;
                    if (!headTaken || at != FHeadCopy.size)
                        keepHead(bytes, at, token.type, ignorable, atGroupStart);
                }
            } else {
                decodePlainText(tokenizer);
            }
            if (FDone)
                break;
        }
        // Text and hex escapes are the same bytes to a reader that does not take UTF-8.
        tokenizer.setJoinBytes(!FUtf8);
        tokenizer.next(token);
        if (token.type == RtfToken::End)
            break;
        if (FSkipLevel > 0) {
            if (token.type == RtfToken::GroupOpen) {
                ++FSkipLevel;
            } else if (token.type == RtfToken::GroupClose && --FSkipLevel == 0) {
                closeGroup();
            }
            continue;
        }
        if (token.type == RtfToken::GroupOpen || token.type == RtfToken::GroupClose) {
            FFallbackSkip = 0;
            FIgnorable = false;
            FAtGroupStart = token.type == RtfToken::GroupOpen;
            if (token.type == RtfToken::GroupOpen) {
                FGroupStart = tokenizer.position();
                openGroup();
            } else {
                closeGroup();
            }
            continue;
        }
        // \* marks a destination only as the first thing in its group.
        const bool atGroupStart = FAtGroupStart;
        FAtGroupStart = false;
        if (FFallbackSkip > 0) {
            const bool run = token.type == RtfToken::Text || token.type == RtfToken::Hex;
            if (run && token.length > FFallbackSkip) {
                token.text += FFallbackSkip;
                token.length -= FFallbackSkip;
                FFallbackSkip = 0;
            } else {
                FFallbackSkip -= run ? int(token.length) : 1;
                continue;
            }
        }
        switch (token.type) {
        case RtfToken::Word:
            handleWord(token);
            FIgnorable = false;
            break;
        case RtfToken::Symbol:
            if (token.symbol == '*')
                FIgnorable = atGroupStart;
            else
                handleSymbol(token.symbol);
            break;
        case RtfToken::Hex:
            FIgnorable = false;
            handleHex(token.text, token.length);
            break;
        case RtfToken::Text:
            FIgnorable = false;
            handleText(token.text, token.length);
            break;
        default: FIgnorable = false; break;
        }
        flushLongRun();
    }
    if (!FStack.empty()) {
        flushText();
        FLastPara = top().para;
    }
    sink.finish(FLastPara);
    FSink = nullptr;
    FTokenizer = nullptr;
    return true;
}

void RtfInterpreter::openGroup()
{
    if (int(FStack.size()) >= kMaxDepth) {
        ++FOverflow;
        return;
    }
    FStack.push_back(FStack.back());
}

void RtfInterpreter::closeGroup()
{
    if (FOverflow > 0) {
        --FOverflow;
        return;
    }
    flushText();
    const Dest dest = top().dest;
    const bool closesTable =
        dest == Dest::FontTable &&
        (FStack.size() < 2 || FStack[FStack.size() - 2].dest != Dest::FontTable);
    if (dest == Dest::ColorTable && FColorInProgress.automatic == false) {
        FColors.push_back(FColorInProgress);
        FColorInProgress = {};
    }
    const int closedField = dest == Dest::FieldInst ? top().field : -1;
    FLastPara = top().para;
    FStack.pop_back();
    if (FStack.empty()) {
        FDone = true;
        return;
    }
    if (closesTable) {
        finishFonts();
        if (FTableStart)
            keepFontTable();
        ++FFontsGeneration;
    }
    // Groups below kept the decoding of their time; refresh it when fonts have changed.
    if (top().fontsGeneration != FFontsGeneration)
        updateDecoding(top());
    if (closedField >= 0 && top().dest == Dest::Text)
        symbolField(closedField);
}

void RtfInterpreter::skipGroup()
{
    flushText();
    FSkipLevel = 1;
}

bool RtfInterpreter::handleDestination(const RtfToken &token)
{
    Group &g = top();
    switch (token.word) {
    case RtfWord::Fonttbl:
        g.dest = Dest::FontTable;
        // Only the document's first table, straight under the root, is kept or taken again.
        if (FFastText && FFonts.empty() && FStack.size() == 2 && FGroupStart && !FUtf8 &&
            FOverflow == 0 && !reuseFontTable())
            FTableStart = FGroupStart;
        return true;
    case RtfWord::Fname:
        if (g.dest != Dest::FontTable)
            skipGroup();
        else
            g.dest = Dest::FontAltName;
        return true;
    case RtfWord::Colortbl:
        g.dest = Dest::ColorTable;
        FColorInProgress = {};
        return true;
    case RtfWord::Pntext:
    case RtfWord::Listtext:
    case RtfWord::SkipDestination: skipGroup(); return true;
    case RtfWord::Field:
        FFields.emplace_back();
        g.field = int(FFields.size()) - 1;
        return true;
    case RtfWord::Fldinst:
        if (g.field < 0)
            skipGroup();
        else
            g.dest = Dest::FieldInst;
        return true;
    case RtfWord::Fldrslt:
        if (g.field >= 0 && FFields[g.field].symbol) {
            skipGroup();
            return true;
        }
        if (g.field >= 0) {
            const int link = linkOfField(g.field);
            if (link >= 0)
                g.chr.link = link;
        }
        g.dest = Dest::Text;
        return true;
    case RtfWord::Pn:
        FPnDefs.emplace_back();
        g.pnDef = int(FPnDefs.size()) - 1;
        g.dest = Dest::PnDef;
        // The definition applies to the paragraph outside the {\*\pn} group.
        if (FStack.size() >= 2)
            FStack[FStack.size() - 2].para.pnList = g.pnDef;
        g.para.pnList = g.pnDef;
        return true;
    case RtfWord::Pntxtb:
    case RtfWord::Pntxta:
        if (g.dest != Dest::PnDef)
            skipGroup();
        else
            g.dest = token.word == RtfWord::Pntxtb ? Dest::PnBefore : Dest::PnAfter;
        return true;
    case RtfWord::Listtable: g.dest = Dest::ListTable; return true;
    case RtfWord::Listoverridetable: g.dest = Dest::ListOverrideTable; return true;
    default:
        // Only a destination that is not understood is ignorable; a known word after \* acts.
        if (FIgnorable && token.word == RtfWord::Unknown) {
            skipGroup();
            return true;
        }
        return false;
    }
}

// Called at the start of run(): the state that the head kept last leaves, when these bytes
// begin with it.
bool RtfInterpreter::takeHead(const QByteArray &bytes)
{
    const HeadCopy &copy = FHeadCopy;
    const qsizetype size = copy.bytes.size();
    if (size == 0 || !FFastText || FUtf8 || copy.formats != FFormats || bytes.size() < size ||
        std::memcmp(bytes.constData(), copy.bytes.constData(), size_t(size)) != 0)
        return false;
    FStack.push_back(copy.root);
    FIgnorable = copy.ignorable;
    FAtGroupStart = copy.atGroupStart;
    FDocCodePage = copy.docCodePage;
    FDefaultFont = copy.defaultFont;
    FCurrentFont = copy.currentFont;
    FFontsGeneration = copy.fontsGeneration;
    FFinishedFonts = copy.finishedFonts;
    FFonts = copy.fonts;
    FFontIndex = copy.fontIndex;
    FColors = copy.colors;
    FColorInProgress = copy.colorInProgress;
    FGroupStart = copy.groupStart < 0 ? nullptr : bytes.constData() + copy.groupStart;
    FTokenizer->moveTo(bytes.constData() + copy.size);
    return true;
}

// Called where the first text of these bytes begins, at `at`, with the state as it stood
// there; `last` is the token read before it.
void RtfInterpreter::keepHead(const QByteArray &bytes, qsizetype at, RtfToken::Type last,
                              bool ignorable, bool atGroupStart)
{
    // A word that ends without its space was told to end by the bytes after it: they are kept
    // with the head. A run of text or escapes may have looked further; such a head is not kept.
    qsizetype looked = 0;
    switch (last) {
    case RtfToken::GroupOpen:
    case RtfToken::GroupClose:
    case RtfToken::Symbol: break;
    case RtfToken::Word:
        if (at == 0 || bytes[at - 1] != ' ')
            looked = 2;
        break;
    default: return;
    }
    if (FStack.size() != 1 || FOverflow != 0 || FTableStart || FFootnotes != 0 ||
        !FFields.empty() || !FLinks.empty() || !FPnDefs.empty() || !FWordLists.empty() ||
        !FWordListIndex.isEmpty() || !FOverrides.isEmpty() || FOverrideListId != 0 ||
        bytes.size() - at < looked)
        return;
    HeadCopy &copy = FHeadCopy;
    copy.bytes = bytes.left(at + looked);
    copy.size = at;
    copy.formats = FFormats;
    copy.root = FStack.front();
    copy.ignorable = ignorable;
    copy.atGroupStart = atGroupStart;
    copy.docCodePage = FDocCodePage;
    copy.defaultFont = FDefaultFont;
    copy.currentFont = FCurrentFont;
    copy.fontsGeneration = FFontsGeneration;
    copy.finishedFonts = FFinishedFonts;
    copy.fonts = FFonts;
    copy.fontIndex = FFontIndex;
    copy.colors = FColors;
    copy.colorInProgress = FColorInProgress;
    copy.groupStart = FGroupStart ? FGroupStart - bytes.constData() : -1;
}

// The table that the group from FGroupStart holds, when it is the one kept: its fonts
// taken, the group passed over and closed.
bool RtfInterpreter::reuseFontTable()
{
    const FontTableCopy &copy = FFontTableCopy;
    const qsizetype size = copy.bytes.size();
    if (size == 0 || copy.docCodePage != FDocCodePage || FTokenizer->end() - FGroupStart < size ||
        std::memcmp(FGroupStart, copy.bytes.constData(), size_t(size)) != 0)
        return false;
    FFonts = copy.fonts;
    FFontIndex = copy.index;
    FCurrentFont = copy.currentFont;
    FFinishedFonts = FFonts.size();
    FTokenizer->moveTo(FGroupStart + size);
    closeGroup();
    return true;
}

// Called as the table read from FTableStart closes, nothing in it having reached beyond it.
void RtfInterpreter::keepFontTable()
{
    FontTableCopy &copy = FFontTableCopy;
    copy.bytes = QByteArray(FTableStart, FTokenizer->position() - FTableStart);
    copy.docCodePage = FDocCodePage;
    copy.fonts = FFonts;
    copy.index = FFontIndex;
    copy.currentFont = FCurrentFont;
    FTableStart = nullptr;
}

void RtfInterpreter::handleWord(const RtfToken &token)
{
    using W = RtfWord;
    // A table is kept only when its words touch nothing but its fonts.
    if (FTableStart) {
        switch (token.word) {
        case W::F:
        case W::Fcharset:
        case W::Cpg:
        case W::Fname:
        case W::Unknown:
        case W::Ignored:
        case W::SkipDestination: break;
        default:
            if (!changesLooksOnly(token.word))
                FTableStart = nullptr;
            break;
        }
    }
    // Text-producing words first: they keep the run open.
    switch (token.word) {
    case W::Tab: addChar(u'\t'); return;
    case W::Line: addChar(0x2028); return;
    case W::Cell: addChar(u'\t'); return;
    case W::Emdash: addChar(0x2014); return;
    case W::Endash: addChar(0x2013); return;
    case W::Bullet: addChar(0x2022); return;
    case W::Lquote: addChar(0x2018); return;
    case W::Rquote: addChar(0x2019); return;
    case W::Ldblquote: addChar(0x201C); return;
    case W::Rdblquote: addChar(0x201D); return;
    case W::Emspace: addChar(0x2003); return;
    case W::Enspace: addChar(0x2002); return;
    case W::Qmspace: addChar(0x2005); return;
    case W::Zwj: addChar(0x200D); return;
    case W::Zwnj: addChar(0x200C); return;
    case W::Zwbo: addChar(0x200B); return;
    case W::Zwnbo: addChar(0x2060); return;
    case W::Chftn:
        // The footnote itself stays out of the text; its number shows where the mark is.
        if (top().dest == Dest::Text)
            for (QChar c : QString::number(++FFootnotes))
                addChar(c.unicode());
        return;
    case W::U:
        addUnit(token.hasParam ? token.param : 0);
        FFallbackSkip = top().uc;
        return;
    default: break;
    }
    if (FFormats || !changesLooksOnly(token.word))
        flushText();
    if (handleDestination(token))
        return;
    Group &g = top();
    const int p = token.param;
    switch (token.word) {
    case W::Urtf: FUtf8 = true; break;
    case W::Ansicpg:
        if (token.hasParam && p > 0)
            setDocumentCodePage(p);
        break;
    case W::Mac: setDocumentCodePage(10000); break;
    case W::Pc: setDocumentCodePage(437); break;
    case W::Pca: setDocumentCodePage(850); break;
    case W::Deff:
        FDefaultFont = p;
        if (g.chr.font < 0) {
            g.chr.font = p;
            updateDecoding(g);
        }
        break;
    case W::F:
        if (g.dest == Dest::FontTable || g.dest == Dest::FontAltName) {
            FCurrentFont = int(FFonts.size());
            FFontIndex.insert(p, FCurrentFont);
            FFonts.emplace_back();
            FFonts.back().number = p;
        } else {
            g.chr.font = p;
            updateDecoding(g);
        }
        break;
    case W::Fcharset:
        if (g.dest == Dest::FontTable && FCurrentFont >= 0)
            FFonts[FCurrentFont].charset = p;
        break;
    case W::Cpg:
        if (g.dest == Dest::FontTable && FCurrentFont >= 0)
            FFonts[FCurrentFont].codePage = p;
        break;
    case W::Red:
    case W::Green:
    case W::Blue:
        if (g.dest == Dest::ColorTable) {
            const int shift = token.word == W::Red ? 16 : token.word == W::Green ? 8 : 0;
            const QRgb channel = QRgb(std::clamp(p, 0, 255)) << shift;
            FColorInProgress.rgb = (FColorInProgress.rgb & ~(QRgb(0xFF) << shift)) | channel;
            FColorInProgress.automatic = false;
        }
        break;
    case W::Plain: {
        const int link = g.chr.link;
        g.chr = RtfCharFormat();
        g.chr.font = FDefaultFont;
        g.chr.link = link;
        updateDecoding(g);
        break;
    }
    case W::B: g.chr.bold = toggleOn(token); break;
    case W::I: g.chr.italic = toggleOn(token); break;
    case W::Ul:
    case W::UlOther: g.chr.underline = toggleOn(token); break;
    case W::Ulnone: g.chr.underline = false; break;
    case W::Strike: g.chr.strike = toggleOn(token); break;
    case W::Sub: g.chr.script = RtfScript::Sub; break;
    case W::Super: g.chr.script = RtfScript::Super; break;
    case W::Nosupersub: g.chr.script = RtfScript::Normal; break;
    case W::Up:
        g.chr.script = (token.hasParam && p == 0) ? RtfScript::Normal
                                                  : (p < 0 ? RtfScript::Sub : RtfScript::Super);
        break;
    case W::Dn:
        g.chr.script = (token.hasParam && p == 0) ? RtfScript::Normal
                                                  : (p < 0 ? RtfScript::Super : RtfScript::Sub);
        break;
    case W::Fs: g.chr.halfPoints = p > 0 ? std::min(p, 3276) : 24; break;
    case W::Cf: g.chr.foreground = std::max(p, 0); break;
    case W::Highlight:
    case W::Cb:
    case W::Chcbpat: g.chr.background = std::max(p, 0); break;
    case W::Uc: g.uc = uint8_t(std::clamp(p, 0, kMaxFallback)); break;
    case W::Pard: g.para = RtfParagraphFormat(); break;
    case W::Par:
        if (g.dest == Dest::Text)
            paragraphEnd();
        break;
    case W::Row:
        if (g.dest == Dest::Text)
            paragraphEnd();
        break;
    case W::Sect:
    case W::Page:
    case W::Column:
        if (g.dest == Dest::Text)
            breakParagraph();
        break;
    case W::V: g.chr.hidden = toggleOn(token); break;
    case W::Upr:
        g.uprOuter = g.dest;
        g.dest = Dest::Upr;
        break;
    case W::Ud:
        // The Unicode side of \upr carries no fallback of its own: that is the ANSI side.
        if (g.dest == Dest::Upr)
            g.dest = g.uprOuter;
        g.uc = 0;
        break;
    case W::Ql: g.para.align = RtfAlign::Left; break;
    case W::Qr: g.para.align = RtfAlign::Right; break;
    case W::Qc: g.para.align = RtfAlign::Center; break;
    case W::Qj: g.para.align = RtfAlign::Justify; break;
    case W::Fi: g.para.firstIndent = clampTwips(p); break;
    case W::Li: g.para.leftIndent = clampTwips(p); break;
    case W::Ri: g.para.rightIndent = clampTwips(p); break;
    case W::Sb: g.para.spaceBefore = clampTwips(p); break;
    case W::Sa: g.para.spaceAfter = clampTwips(p); break;
    case W::Sl: g.para.lineSpacing = clampTwips(p); break;
    case W::Slmult: g.para.lineMultiple = toggleOn(token); break;
    case W::Pnlvlblt:
    case W::Pnlvlbody:
    case W::Pnlvl:
    case W::Pnlvlcont:
    case W::Pndec:
    case W::Pnlcltr:
    case W::Pnucltr:
    case W::Pnlcrm:
    case W::Pnucrm:
    case W::Pnstart:
        if (g.dest == Dest::PnDef && g.pnDef >= 0) {
            RtfList &def = FPnDefs[g.pnDef];
            switch (token.word) {
            case W::Pnlvlblt: def.style = RtfListStyle::Bullet; break;
            case W::Pnlvlcont: def.style = RtfListStyle::None; break;
            case W::Pnlvlbody:
            case W::Pnlvl:
                if (def.style == RtfListStyle::None || def.style == RtfListStyle::Bullet)
                    def.style = RtfListStyle::Decimal;
                break;
            case W::Pndec: def.style = RtfListStyle::Decimal; break;
            case W::Pnlcltr: def.style = RtfListStyle::LowerAlpha; break;
            case W::Pnucltr: def.style = RtfListStyle::UpperAlpha; break;
            case W::Pnlcrm: def.style = RtfListStyle::LowerRoman; break;
            case W::Pnucrm: def.style = RtfListStyle::UpperRoman; break;
            default: def.start = std::clamp(p, 0, 32767); break;
            }
        }
        break;
    case W::Pnf:
        if (g.dest == Dest::PnDef) {
            g.chr.font = p;
            updateDecoding(g);
        }
        break;
    case W::List:
        if (g.dest == Dest::ListTable)
            FWordLists.emplace_back();
        break;
    case W::Listlevel:
        if (g.dest == Dest::ListTable && !FWordLists.empty()) {
            FWordLists.back().levels.emplace_back();
            FWordLists.back().levels.back().style = RtfListStyle::Decimal;
        }
        break;
    case W::Levelnfc:
        if (g.dest == Dest::ListTable && !FWordLists.empty() && !FWordLists.back().levels.empty())
            FWordLists.back().levels.back().style = levelStyle(p);
        break;
    case W::Levelstartat:
        if (g.dest == Dest::ListTable && !FWordLists.empty() && !FWordLists.back().levels.empty())
            FWordLists.back().levels.back().start = std::clamp(p, 0, 32767);
        break;
    case W::Listid:
        if (g.dest == Dest::ListTable && !FWordLists.empty()) {
            FWordLists.back().id = p;
            FWordListIndex.insert(p, int(FWordLists.size()) - 1);
        } else if (g.dest == Dest::ListOverrideTable)
            FOverrideListId = p;
        break;
    case W::Ls:
        if (g.dest == Dest::ListOverrideTable)
            FOverrides.insert(p, FOverrideListId);
        else
            g.para.ls = p;
        break;
    case W::Ilvl: g.para.ilvl = std::clamp(p, 0, 8); break;
    default: break;
    }
}

void RtfInterpreter::handleSymbol(char symbol)
{
    switch (symbol) {
    case '~': addChar(0x00A0); break;
    case '-': addChar(0x00AD); break;
    case '_': addChar(0x2011); break;
    case '\\':
    case '{':
    case '}': handleText(&symbol, 1); break;
    default: break;
    }
    FIgnorable = false;
}

void RtfInterpreter::handleText(const char *data, qsizetype length)
{
    Group &g = top();
    switch (g.dest) {
    case Dest::Text:
    case Dest::FieldInst:
    case Dest::PnBefore:
    case Dest::PnAfter: break;
    case Dest::FontTable:
    case Dest::FontAltName:
        if (FCurrentFont >= 0) {
            Font &font = FFonts[FCurrentFont];
            const bool alt = g.dest == Dest::FontAltName;
            bool &done = alt ? font.altNameDone : font.nameDone;
            QByteArray &name = alt ? font.altName : font.name;
            // A name ends at its semicolon; what follows it in the entry is not part of it.
            if (!done) {
                name.append(data, length);
                done = std::memchr(data, ';', size_t(length)) != nullptr;
            }
        }
        return;
    case Dest::ColorTable:
        for (qsizetype i = 0; i < length; ++i) {
            if (data[i] == ';') {
                FColors.push_back(FColorInProgress);
                FColorInProgress = {};
            }
        }
        return;
    default: return;
    }
    const char *end = data + length;
    const bool singleByte = g.fontKind == FontKind::Text && g.codePage->isSingleByte();
    while (data < end) {
        if ((unsigned char)*data >= 0x80 && FUtf8) {
            const char *start = data;
            while (data < end && (unsigned char)*data >= 0x80)
                ++data;
            addUtf8(start, data - start);
            continue;
        }
        const char *start = data;
        while (data < end && !((unsigned char)*data >= 0x80 && FUtf8))
            ++data;
        if (singleByte)
            addSingleByte(start, data - start, g.codePage);
        else
            for (const char *p = start; p < data; ++p)
                addByte((unsigned char)*p);
    }
}

// Where text goes into the run as it is and every byte is one character of one table.
bool RtfInterpreter::inPlainText() const
{
    const Group &g = FStack.back();
    return FSkipLevel == 0 && FFallbackSkip == 0 && !FUtf8 && !FPendingHigh &&
           FPendingBytes.isEmpty() && g.dest == Dest::Text && !g.chr.hidden &&
           g.fontKind == FontKind::Text && g.codePage->isSingleByte();
}

// What the tokens of the text up to the next group or control word would add to the run,
// without making them.
void RtfInterpreter::decodePlainText(RtfTokenizer &tokenizer)
{
    const CodePage *const page = top().codePage;
    // To a sink that takes the text alone, these words change nothing; an unknown word
    // right after \* has a group to skip.
    using Pass = RtfTokenizer::PassOver;
    const Pass pass = FFormats ? Pass::Nothing : FIgnorable ? Pass::Looks : Pass::LooksAndIdle;
    const RtfTokenizer::ByteChars table = RtfTokenizer::byteChars(*page);
    char16_t piece[1024];
    bool took = false;
    for (;;) {
        const RtfTokenizer::Decoded decoded =
            tokenizer.decodeText(table, pass, piece, qsizetype(std::size(piece)));
        FPending.append(piece, size_t(decoded.end - piece));
        took = took || decoded.took;
        flushLongRun();
        if (FDone)
            break;
        if (decoded.more)
            continue;
        // A sign in another font, such as {\f1\'61} for a Greek letter, is taken on the way.
        if (FFormats || !takeFontGroup(tokenizer))
            break;
        took = true;
    }
    if (took)
        FAtGroupStart = FIgnorable = false;
}

// A group that holds nothing but a font and text in it, at the tokenizer's place, added to
// the run as the tokens would add it; false, and nothing read, for any other.
bool RtfInterpreter::takeFontGroup(RtfTokenizer &tokenizer)
{
    const char *const start = tokenizer.position();
    const char *const end = tokenizer.end();
    if (tokenizer.holdsWord() || end - start < 5 || start[0] != '{' || start[1] != '\\' ||
        start[2] != 'f' || !isDigit(start[3]) || int(FStack.size()) >= kMaxDepth)
        return false;
    const char *p = start + 3;
    int number = 0;
    // Numbers too long to need are left to the tokens, which clamp them.
    while (p < end && isDigit(*p) && p - start < 8)
        number = number * 10 + (*p++ - '0');
    if (p == end || isDigit(*p))
        return false;
    if (*p == ' ')
        ++p;
    GroupFont &font = FGroupFont;
    if (font.number != number || font.fontsGeneration != FFontsGeneration) {
        font.number = number;
        font.fontsGeneration = FFontsGeneration;
        font.page = decodingOf(number, &font.kind);
    }
    const FontKind kind = font.kind;
    const CodePage *const page = font.page;
    RtfTokenizer::ByteChars table{};
    if (kind == FontKind::Symbol)
        table = {SymbolFont::toUnicodeTable(), SymbolFont::escapeChars(), false};
    else if (kind == FontKind::Text && page->isSingleByte())
        table = RtfTokenizer::byteChars(*page);
    else
        return false;
    tokenizer.moveTo(p);
    char16_t piece[256];
    const RtfTokenizer::Decoded decoded = tokenizer.decodeText(
        table, RtfTokenizer::PassOver::LooksAndIdle, piece, qsizetype(std::size(piece)));
    const char *const close = tokenizer.position();
    if (tokenizer.holdsWord() || decoded.more || close == end || *close != '}') {
        tokenizer.moveTo(start);
        return false;
    }
    tokenizer.moveTo(close + 1);
    FGroupStart = start + 1;
    FPending.append(piece, size_t(decoded.end - piece));
    flushLongRun();
    return true;
}

// The common case, text in a single-byte code page, written straight into the run.
void RtfInterpreter::addSingleByte(const char *data, qsizetype length, const CodePage *page)
{
    if (FPendingHigh || !FPendingBytes.isEmpty())
        resolvePending();
    // Decoded in pieces on the stack and appended: growing the run first would fill it with
    // zeros only to overwrite them, which cost as much as the decoding.
    char16_t piece[256];
    const char16_t *const chars = page->textChars();
    while (length > 0) {
        const qsizetype n = std::min<qsizetype>(length, qsizetype(std::size(piece)));
        char16_t *out = piece;
        for (qsizetype i = 0; i < n; ++i) {
            // A character that does not go into the text is written and passed over.
            const char16_t c = chars[(unsigned char)data[i]];
            *out = c;
            out += c != 0;
        }
        FPending.append(piece, size_t(out - piece));
        data += n;
        length -= n;
        flushLongRun();
        if (FDone)
            return;
    }
}

void RtfInterpreter::handleHex(const char *data, qsizetype length)
{
    Group &g = top();
    switch (g.dest) {
    case Dest::FontTable:
    case Dest::FontAltName:
    case Dest::ColorTable: handleText(data, length); return;
    case Dest::Text:
    case Dest::FieldInst:
    case Dest::PnBefore:
    case Dest::PnAfter:
        if (g.fontKind == FontKind::Text && g.codePage->isSingleByte()) {
            addSingleByte(data, length, g.codePage);
        } else {
            for (qsizetype i = 0; i < length; ++i)
                addByte((unsigned char)data[i]);
        }
        return;
    default: return;
    }
}

void RtfInterpreter::addByte(unsigned char byte)
{
    const Group &g = top();
    switch (g.fontKind) {
    case FontKind::Symbol: addChar(SymbolFont::toUnicode(byte)); return;
    case FontKind::OtherSymbol:
        addChar(byte < 0x20 ? char16_t(byte) : char16_t(0xF000 + byte));
        return;
    case FontKind::Text: break;
    }
    if (g.codePage->isSingleByte()) {
        addChar(g.codePage->byteToChar(byte));
        return;
    }
    if (FPendingBytesPage != g.codePage)
        resolvePending();
    FPendingBytesPage = g.codePage;
    FPendingBytes.append(char(byte));
}

void RtfInterpreter::addUnit(int unit)
{
    if (unit < 0)
        unit += 65536;
    if (unit < 0 || unit > 0xFFFF) {
        addChar(0xFFFD);
        return;
    }
    const char16_t c = char16_t(unit);
    const Group &g = top();
    if (g.fontKind == FontKind::Symbol && c >= 0xF020 && c <= 0xF0FF) {
        addChar(SymbolFont::toUnicode((unsigned char)(c - 0xF000)));
        return;
    }
    if (QChar::isHighSurrogate(c)) {
        resolvePending();
        FPendingHigh = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!FPendingHigh) {
            addChar(0xFFFD);
            return;
        }
        if (!FPendingBytes.isEmpty()) {
            FPendingHigh = 0;
            addChar(0xFFFD);
            addChar(0xFFFD);
            return;
        }
        FPending.push_back(FPendingHigh);
        FPending.push_back(c);
        FPendingHigh = 0;
        return;
    }
    addChar(c);
}

void RtfInterpreter::addChar(char16_t c)
{
    if (FPendingHigh || !FPendingBytes.isEmpty())
        resolvePending();
    if (c < 0x20) {
        // Control characters other than tab would break lines or blocks on their own.
        if (c != u'\t')
            return;
    } else if (c == 0x2029) {
        c = 0x2028;
    } else if (c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1 || QChar::isSurrogate(c)) {
        c = QChar::isSurrogate(c) ? char16_t(0xFFFD) : char16_t(0);
        if (!c)
            return;
    }
    FPending.push_back(c);
}

void RtfInterpreter::addUtf8(const char *data, qsizetype length)
{
    resolvePending();
    const QString decoded = QString::fromUtf8(data, length);
    for (QChar c : decoded) {
        if (c == QChar(0x2029))
            c = QChar(0x2028);
        if (c.unicode() == 0xFFFC || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            continue;
        FPending.push_back(c.unicode());
    }
}

void RtfInterpreter::resolvePending()
{
    if (FPendingHigh) {
        FPendingHigh = 0;
        FPending.push_back(0xFFFD);
    }
    if (!FPendingBytes.isEmpty()) {
        const QString decoded = FPendingBytesPage->decode(FPendingBytes);
        FPendingBytes.clear();
        FPendingBytesPage = nullptr;
        addString(decoded);
    }
}

// Decoded text, whose surrogate pairs stay pairs.
void RtfInterpreter::addString(const QString &decoded)
{
    const qsizetype n = decoded.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = decoded.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(decoded.at(i + 1).unicode())) {
            FPending.push_back(c);
            FPending.push_back(decoded.at(++i).unicode());
        } else {
            addChar(c);
        }
    }
}

void RtfInterpreter::flushText()
{
    if (FPendingHigh || !FPendingBytes.isEmpty())
        resolvePending();
    if (FPending.empty())
        return;
    const QStringView text(FPending.data(), qsizetype(FPending.size()));
    Group &g = top();
    switch (g.dest) {
    case Dest::Text:
        if (!g.chr.hidden) {
            FSink->text(text, g.chr);
            FParaHasText = true;
            FHeadOpen = false;
        }
        break;
    case Dest::FieldInst:
        if (g.field >= 0)
            FFields[g.field].instruction += text;
        break;
    case Dest::PnBefore:
        if (g.pnDef >= 0)
            FPnDefs[g.pnDef].prefix += text;
        break;
    case Dest::PnAfter:
        if (g.pnDef >= 0)
            FPnDefs[g.pnDef].suffix += text;
        break;
    default: break;
    }
    FPending.clear();
}

void RtfInterpreter::flushLongRun()
{
    // Characters of a run sent at once; a surrogate or multi-byte character not yet whole
    // waits for the next piece.
    constexpr size_t kPiece = 4096;
    if (FPending.size() >= kPiece && !FStack.empty() && top().dest == Dest::Text && !FPendingHigh &&
        FPendingBytes.isEmpty())
        flushText();
}

void RtfInterpreter::paragraphEnd()
{
    flushText();
    FSink->paragraphEnd(top().para);
    FParaHasText = false;
    FHeadOpen = false;
}

// \sect, \page and \column end a paragraph that holds text; right after \par they only
// start a new page or column, which plain text does not have.
void RtfInterpreter::breakParagraph()
{
    flushText();
    if (FParaHasText)
        paragraphEnd();
}

const RtfInterpreter::Font *RtfInterpreter::fontByNumber(int number) const
{
    const auto it = FFontIndex.constFind(number);
    return it == FFontIndex.constEnd() ? nullptr : &FFonts[it.value()];
}

void RtfInterpreter::updateDecoding(Group &group) const
{
    group.fontsGeneration = FFontsGeneration;
    group.codePage = decodingOf(group.chr.font, &group.fontKind);
}

// The code page of text in this font, and its kind.
const CodePage *RtfInterpreter::decodingOf(int font, FontKind *kind) const
{
    const Font *f = fontByNumber(font);
    *kind = FontKind::Text;
    int page = FDocCodePage;
    if (f) {
        if (f->symbol)
            *kind = FontKind::Symbol;
        else if (f->charset == 2)
            *kind = FontKind::OtherSymbol;
        page = f->codePage > 0 ? f->codePage : CodePage::forCharset(f->charset, FDocCodePage);
    }
    return CodePage::get(page > 0 ? page : FDocCodePage);
}

void RtfInterpreter::setDocumentCodePage(int page)
{
    FDocCodePage = page;
    ++FFontsGeneration;
    updateDecoding(top());
}

void RtfInterpreter::finishFonts()
{
    // Fonts of earlier tables keep their names; only the new entries are decoded.
    for (size_t i = FFinishedFonts; i < FFonts.size(); ++i) {
        Font &font = FFonts[i];
        const int page =
            font.codePage > 0 ? font.codePage : CodePage::forCharset(font.charset, FDocCodePage);
        const CodePage *codePage = page > 0 ? CodePage::get(page) : nullptr;
        const QString alt = trimmedName(font.altName, codePage);
        font.family = alt.isEmpty() ? trimmedName(font.name, codePage) : alt;
        font.symbol = SymbolFont::isSymbolFontName(font.family);
    }
    FFinishedFonts = FFonts.size();
}

int RtfInterpreter::linkOfField(int field)
{
    Field &f = FFields[field];
    if (f.link == -2) {
        const QString target = hyperlinkTarget(f.instruction);
        f.link = -1;
        if (!target.isEmpty()) {
            FLinks.push_back(target);
            f.link = int(FLinks.size()) - 1;
        }
    }
    return f.link;
}

// The character of a SYMBOL field, in its font and size, in place of the field's result.
void RtfInterpreter::symbolField(int field)
{
    if (FFields[field].symbol)
        return;
    const SymbolSpec spec = parseSymbol(FFields[field].instruction);
    if (!spec.valid)
        return;
    FFields[field].symbol = true;
    flushText();
    Group &g = top();
    const RtfCharFormat saved = g.chr;
    if (!spec.font.isEmpty()) {
        for (const Font &font : FFonts) {
            if (font.family.compare(spec.font, Qt::CaseInsensitive) == 0) {
                g.chr.font = font.number;
                updateDecoding(g);
                break;
            }
        }
    }
    if (spec.points > 0)
        g.chr.halfPoints = spec.points * 2;
    const bool symbol = spec.font.isEmpty() ? g.fontKind == FontKind::Symbol
                                            : SymbolFont::isSymbolFontName(spec.font);
    const uint32_t code = spec.code;
    QString text;
    if (spec.shiftJis) {
        QByteArray bytes;
        if (code > 0xFF)
            bytes += char(code >> 8);
        bytes += char(code & 0xFF);
        text = CodePage::get(932)->decode(bytes);
    } else if (symbol && (code <= 0xFF || (code >= 0xF000 && code <= 0xF0FF))) {
        text = QChar(SymbolFont::toUnicode((unsigned char)(code & 0xFF)));
    } else if (spec.unicode || code > 0xFF) {
        text = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
    } else if (g.fontKind == FontKind::OtherSymbol) {
        text = QChar(char16_t(0xF000 + code));
    } else {
        text = g.codePage->decode(QByteArray(1, char(code)));
    }
    addString(text);
    flushText();
    g.chr = saved;
    updateDecoding(g);
}

QString RtfInterpreter::fontFamily(int number) const
{
    const Font *font = fontByNumber(number);
    return font ? font->family : QString();
}

bool RtfInterpreter::color(int index, QRgb *rgb) const
{
    if (index <= 0 || index >= int(FColors.size()) || FColors[index].automatic)
        return false;
    *rgb = FColors[index].rgb;
    return true;
}

QString RtfInterpreter::linkTarget(int index) const
{
    return index >= 0 && index < int(FLinks.size()) ? FLinks[index] : QString();
}

const RtfList *RtfInterpreter::listFor(const RtfParagraphFormat &format) const
{
    if (format.ls != 0) {
        const auto it = FOverrides.constFind(format.ls);
        if (it != FOverrides.constEnd()) {
            const int index = FWordListIndex.value(it.value(), -1);
            if (index >= 0 && !FWordLists[index].levels.empty()) {
                const WordList &list = FWordLists[index];
                const RtfList &level =
                    list.levels[std::min<size_t>(format.ilvl, list.levels.size() - 1)];
                return level.style == RtfListStyle::None ? nullptr : &level;
            }
        }
        return nullptr;
    }
    if (format.pnList >= 0 && format.pnList < int(FPnDefs.size()) &&
        FPnDefs[format.pnList].style != RtfListStyle::None)
        return &FPnDefs[format.pnList];
    return nullptr;
}

int RtfInterpreter::wordListKey(const RtfParagraphFormat &format) const
{
    if (format.ls == 0 || !listFor(format))
        return -1;
    return (format.ls & 0x7FFFFF) * 16 + format.ilvl;
}

} // namespace quil::rtf
