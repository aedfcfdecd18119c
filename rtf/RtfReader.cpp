#include "rtf/RtfReader.h"

#include "rtf/RtfInterpreter.h"
#include "rtf/RtfQtFormat.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>

namespace quil::rtf {

namespace {

QTextListFormat::Style qtListStyle(RtfListStyle style)
{
    switch (style) {
    case RtfListStyle::Decimal: return QTextListFormat::ListDecimal;
    case RtfListStyle::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case RtfListStyle::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case RtfListStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case RtfListStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDisc;
    }
}

Qt::Alignment qtAlignment(RtfAlign align)
{
    switch (align) {
    case RtfAlign::Right: return Qt::AlignRight;
    case RtfAlign::Center: return Qt::AlignHCenter;
    case RtfAlign::Justify: return Qt::AlignJustify;
    default: return Qt::AlignLeft;
    }
}

class DocumentBuilder final : public RtfSink {
public:
    DocumentBuilder(QTextDocument *document, RtfInterpreter &interpreter, qsizetype limit)
        : FDocument(document), FCursor(document), FIn(interpreter), FLimit(limit)
    {
    }

    void text(QStringView text, const RtfCharFormat &format) override
    {
        const QTextCharFormat &qt = charFormat(format);
        if (FNeedBlock) {
            FCursor.insertBlock(QTextBlockFormat(), qt);
            FNeedBlock = false;
        }
        // Past the limit, one character more than it shows that the text goes on.
        if (FLimit >= 0 && FCursor.position() + text.size() > FLimit)
            text = text.left(std::max<qsizetype>(FLimit + 1 - FCursor.position(), 0));
        FCursor.insertText(text.toString(), qt);
        FBlockHasText = true;
        if (FLimit >= 0 && FCursor.position() > FLimit) {
            FIn.stop();
            FStopped = true;
        }
    }

    // The limit was reached: what follows in the RTF was not needed.
    bool stopped() const { return FStopped; }

    void paragraphEnd(const RtfParagraphFormat &format) override
    {
        if (FNeedBlock)
            FCursor.insertBlock(QTextBlockFormat());
        applyBlockFormat(format);
        FNeedBlock = true;
        FBlockHasText = false;
    }

    void finish(const RtfParagraphFormat &format) override
    {
        if (!FNeedBlock && FBlockHasText)
            applyBlockFormat(format);
    }

private:
    const QTextCharFormat &charFormat(const RtfCharFormat &f)
    {
        if (FHaveLast && f == FLastRtf)
            return FLastQt;
        QTextCharFormat q;
        q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
        q.setFontItalic(f.italic);
        q.setFontUnderline(f.underline);
        q.setFontStrikeOut(f.strike);
        q.setVerticalAlignment(f.script == RtfScript::Sub     ? QTextCharFormat::AlignSubScript
                               : f.script == RtfScript::Super ? QTextCharFormat::AlignSuperScript
                                                              : QTextCharFormat::AlignNormal);
        q.setFontPointSize(f.halfPoints / 2.0);
        const QString family = FIn.fontFamily(f.font);
        if (!family.isEmpty())
            q.setFontFamilies(QStringList{family});
        QRgb rgb = 0;
        if (FIn.color(f.foreground, &rgb))
            q.setForeground(QColor(rgb));
        if (FIn.color(f.background, &rgb))
            q.setBackground(QColor(rgb));
        const QString href = FIn.linkTarget(f.link);
        if (!href.isEmpty()) {
            q.setAnchor(true);
            q.setAnchorHref(href);
        }
        FLastRtf = f;
        FLastQt = q;
        FHaveLast = true;
        return FLastQt;
    }

    void applyBlockFormat(const RtfParagraphFormat &p)
    {
        const RtfList *list = FIn.listFor(p);
        QTextBlockFormat b;
        b.setAlignment(qtAlignment(p.align));
        const double indentWidth = FDocument->indentWidth();
        if (list) {
            b.setLeftMargin(std::max(0.0, RtfQtFormat::pixels(p.leftIndent) - indentWidth));
            b.setProperty(RtfQtFormat::kListHanging, p.firstIndent);
        } else {
            b.setLeftMargin(std::max(0.0, RtfQtFormat::pixels(p.leftIndent)));
            b.setTextIndent(RtfQtFormat::pixels(p.firstIndent));
        }
        b.setRightMargin(std::max(0.0, RtfQtFormat::pixels(p.rightIndent)));
        b.setTopMargin(std::max(0.0, RtfQtFormat::pixels(p.spaceBefore)));
        b.setBottomMargin(std::max(0.0, RtfQtFormat::pixels(p.spaceAfter)));
        if (p.lineSpacing != 0) {
            const int amount = std::abs(p.lineSpacing);
            if (p.lineMultiple)
                b.setLineHeight(amount * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
            else if (p.lineSpacing > 0)
                b.setLineHeight(RtfQtFormat::pixels(amount), QTextBlockFormat::MinimumHeight);
            else
                b.setLineHeight(RtfQtFormat::pixels(amount), QTextBlockFormat::FixedHeight);
        }
        FCursor.setBlockFormat(b);
        if (list)
            addToList(p, *list);
    }

    void addToList(const RtfParagraphFormat &p, const RtfList &def)
    {
        const int block = FCursor.block().blockNumber();
        const int key = FIn.wordListKey(p);
        QTextList *list = nullptr;
        if (key >= 0) {
            list = FWordLists.value(key);
        } else if (FPnList && FPnBlock == block - 1 && FPnDef == def) {
            // RichEdit states a list once; the paragraphs after it carry on with it.
            list = FPnList;
        }
        if (!list) {
            QTextListFormat format;
            format.setStyle(qtListStyle(def.style));
            format.setIndent(1);
            if (def.start != 1)
                format.setProperty(RtfQtFormat::kListStart, def.start);
            if (def.style != RtfListStyle::Bullet) {
                if (!def.prefix.isEmpty())
                    format.setNumberPrefix(def.prefix);
                if (!def.suffix.isEmpty())
                    format.setNumberSuffix(def.suffix);
            }
            list = FCursor.createList(format);
            if (key >= 0)
                FWordLists.insert(key, list);
        } else {
            list->add(FCursor.block());
        }
        if (key < 0) {
            FPnList = list;
            FPnDef = def;
            FPnBlock = block;
        }
    }

    QTextDocument *FDocument;
    QTextCursor FCursor;
    RtfInterpreter &FIn;
    qsizetype FLimit;
    bool FStopped = false;
    bool FNeedBlock = false;
    bool FBlockHasText = false;
    bool FHaveLast = false;
    RtfCharFormat FLastRtf;
    QTextCharFormat FLastQt;
    QHash<int, QTextList *> FWordLists;
    QTextList *FPnList = nullptr;
    RtfList FPnDef;
    int FPnBlock = -2;
};

// True when the limit was reached, or without a limit when the bytes were read.
bool readInto(const QByteArray &bytes, bool utf8, QTextDocument *document, qsizetype limit)
{
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    RtfInterpreter interpreter;
    // One edit block: outside one, every insertion lays its paragraph out again to place the
    // cursor, which costs the square of a paragraph's runs.
    QTextCursor edit(document);
    edit.beginEditBlock();
    bool stopped = false;
    {
        DocumentBuilder builder(document, interpreter, limit);
        interpreter.run(bytes, builder, utf8);
        stopped = builder.stopped();
    }
    edit.endEditBlock();
    document->setUndoRedoEnabled(undo);
    document->setModified(false);
    return limit < 0 || stopped;
}

// Where the head of the RTF may be cut so that every token before the cut is whole: before a
// brace or a backslash that no backslash escapes. -1 when there is no such place from `from`.
qsizetype tokenBoundary(const QString &rtf, qsizetype from)
{
    for (qsizetype i = from; i < rtf.size(); ++i) {
        const QChar c = rtf.at(i);
        if (c != u'{' && c != u'}' && c != u'\\')
            continue;
        qsizetype escapes = 0;
        for (qsizetype j = i - 1; j >= 0 && rtf.at(j) == u'\\'; --j)
            ++escapes;
        if (escapes % 2 == 0)
            return i;
    }
    return -1;
}

} // namespace

bool RtfReader::read(const QByteArray &rtf, QTextDocument *document)
{
    if (!RtfInterpreter::isRtf(rtf.constData(), rtf.size()))
        return false;
    readInto(rtf, false, document, -1);
    return true;
}

bool RtfReader::read(const QString &rtf, QTextDocument *document, qsizetype limit)
{
    bool utf8 = false;
    // For a head, a head of the RTF is tried first: turning megabytes into bytes costs more
    // than reading the part shown. Every token before the cut is whole, so the text read up
    // to the limit is the one the whole RTF gives.
    const qsizetype head = limit < 0 ? -1 : tokenBoundary(rtf, 64 * limit + 4096);
    if (head > 0) {
        const QByteArray bytes = RtfInterpreter::bytesOf(rtf.left(head), &utf8);
        if (!RtfInterpreter::isRtf(bytes.constData(), bytes.size()))
            return false;
        if (readInto(bytes, utf8, document, limit))
            return true;
    }
    const QByteArray bytes = RtfInterpreter::bytesOf(rtf, &utf8);
    if (!RtfInterpreter::isRtf(bytes.constData(), bytes.size()))
        return false;
    readInto(bytes, utf8, document, limit);
    return true;
}

} // namespace quil::rtf
