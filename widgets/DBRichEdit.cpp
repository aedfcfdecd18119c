#include "widgets/DBRichEdit.h"

#include "db/DataSource.h"
#include "db/DisplayText.h"
#include "platform/Error.h"
#include "platform/gui/QtPlatform.h"
#include "rtf/AbstractFile.h"
#include "rtf/RichText.h"
#include "rtf/RtfQtFormat.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "widgets/LinkHighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPageLayout>
#include <QPrinter>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextList>
#include <algorithm>
#include <memory>

namespace quil {

namespace {

const QString kRtfMime = QStringLiteral("text/rtf");
const QString kRtfMimeAlt = QStringLiteral("application/rtf");
const QString kSaveFailed = QStringLiteral("Failed to Save Stream");

// Hanging indent of a numbered or bulleted paragraph: at least 10 points, in twips.
constexpr int kListHangingTwips = -200;
constexpr int kMaxPoints = 1638; // what RTF's half-point sizes can hold
constexpr double kPrintMarginMm = 15;

double proportionFor(DBRichEdit::LineSpacing rule)
{
    switch (rule) {
    case DBRichEdit::LineSpacing::OneAndHalf: return 150;
    case DBRichEdit::LineSpacing::Double: return 200;
    case DBRichEdit::LineSpacing::Single: break;
    }
    return 100;
}

} // namespace

// ------------------------------------------------------------------------- attributes

QTextCharFormat TextAttributes::read() const
{
    const QTextCursor c = FEdit.textCursor();
    // With no selection: the character before the caret, which is the word's when the caret
    // is in a word (see rangeFor), and what is typed next between words.
    if (!c.hasSelection())
        return c.charFormat();
    // The first selected character speaks for the selection.
    QTextCursor first(FEdit.document());
    first.setPosition(c.selectionStart() + 1);
    return first.charFormat();
}

void TextAttributes::change(const std::function<void(QTextCharFormat &)> &edit)
{
    FEdit.changeCharFormat(FKind, edit);
}

TextAttributes::Styles TextAttributes::style() const
{
    const QTextCharFormat f = read();
    Styles s;
    if (f.fontWeight() > QFont::Medium)
        s |= Bold;
    if (f.fontItalic())
        s |= Italic;
    if (f.fontUnderline())
        s |= Underline;
    if (f.fontStrikeOut())
        s |= StrikeOut;
    return s;
}

void TextAttributes::setStyle(Styles style)
{
    // Only the members that differ from what the view reports are written: over a selection
    // of mixed runs, each run keeps the members that the command does not turn over.
    const Styles changed = style ^ this->style();
    change([style, changed](QTextCharFormat &f) {
        if (changed & Bold)
            f.setFontWeight(style & Bold ? QFont::Bold : QFont::Normal);
        if (changed & Italic)
            f.setFontItalic(style & Italic);
        if (changed & Underline)
            f.setFontUnderline(style & Underline);
        if (changed & StrikeOut)
            f.setFontStrikeOut(style & StrikeOut);
    });
}

int TextAttributes::size() const
{
    const QTextCharFormat f = read();
    const double points = f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0
                              ? f.fontPointSize()
                              : FEdit.document()->defaultFont().pointSizeF();
    return int(std::lround(points));
}

void TextAttributes::setSize(int points)
{
    const int clamped = std::clamp(points, 1, kMaxPoints);
    change([clamped](QTextCharFormat &f) { f.setFontPointSize(clamped); });
}

QColor TextAttributes::color() const
{
    const QTextCharFormat f = read();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor();
}

void TextAttributes::setColor(const QColor &color)
{
    change([color](QTextCharFormat &f) {
        if (color.isValid())
            f.setForeground(color);
        else
            f.clearForeground();
    });
}

QColor TextAttributes::backColor() const
{
    const QTextCharFormat f = read();
    return f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush
               ? f.background().color()
               : QColor();
}

void TextAttributes::setBackColor(const QColor &color)
{
    change([color](QTextCharFormat &f) {
        if (color.isValid())
            f.setBackground(color);
        else
            f.clearBackground();
    });
}

TextAttributes::Script TextAttributes::script() const
{
    switch (read().verticalAlignment()) {
    case QTextCharFormat::AlignSubScript: return Script::Sub;
    case QTextCharFormat::AlignSuperScript: return Script::Super;
    default: return Script::None;
    }
}

void TextAttributes::setScript(Script script)
{
    const auto align = script == Script::Sub     ? QTextCharFormat::AlignSubScript
                       : script == Script::Super ? QTextCharFormat::AlignSuperScript
                                                 : QTextCharFormat::AlignNormal;
    change([align](QTextCharFormat &f) { f.setVerticalAlignment(align); });
}

QString TextAttributes::name() const
{
    const QStringList families = read().fontFamilies().toStringList();
    return families.isEmpty() ? FEdit.document()->defaultFont().family() : families.first();
}

void TextAttributes::setName(const QString &family)
{
    change([family](QTextCharFormat &f) { f.setFontFamilies(QStringList{family}); });
}

namespace {
// Qt's formats have no character set of their own.
constexpr int kCharsetProperty = QTextFormat::UserProperty + 16;
} // namespace

int TextAttributes::charset() const
{
    const QTextCharFormat f = read();
    return f.hasProperty(kCharsetProperty) ? f.intProperty(kCharsetProperty) : DefaultCharset;
}

void TextAttributes::setCharset(int charset)
{
    change([charset](QTextCharFormat &f) {
        if (charset == DefaultCharset)
            f.clearProperty(kCharsetProperty);
        else
            f.setProperty(kCharsetProperty, charset);
    });
}

QFont TextAttributes::font() const
{
    QFont font = FEdit.document()->defaultFont();
    font.setFamily(name());
    font.setPointSize(size());
    const Styles s = style();
    font.setBold(s & Bold);
    font.setItalic(s & Italic);
    font.setUnderline(s & Underline);
    font.setStrikeOut(s & StrikeOut);
    return font;
}

void TextAttributes::assignChanges(const Dialogs::FontChoice &from, const Dialogs::FontChoice &to)
{
    // Members the user left as shown are not written: over a selection of mixed runs each run
    // keeps its own, and a dialog confirmed unchanged changes nothing.
    const QFont &a = from.font, &b = to.font;
    const int points =
        std::clamp(b.pointSize() > 0 ? b.pointSize() : FEdit.document()->defaultFont().pointSize(),
                   1, kMaxPoints);
    change([&](QTextCharFormat &f) {
        if (b.family() != a.family())
            f.setFontFamilies(QStringList{b.family()});
        if (b.pointSize() != a.pointSize())
            f.setFontPointSize(points);
        if (b.bold() != a.bold())
            f.setFontWeight(b.bold() ? QFont::Bold : QFont::Normal);
        if (b.italic() != a.italic())
            f.setFontItalic(b.italic());
        if (b.underline() != a.underline())
            f.setFontUnderline(b.underline());
        if (b.strikeOut() != a.strikeOut())
            f.setFontStrikeOut(b.strikeOut());
        if (to.color != from.color) {
            if (to.color.isValid())
                f.setForeground(to.color);
            else
                f.clearForeground();
        }
    });
}

// ------------------------------------------------------------------------- the control

DBRichEdit::DBRichEdit(QWidget *parent) : QTextEdit(parent), FLinks(new LinkHighlighter(this))
{
    showSymbolFontAsUnicode();
    setAcceptRichText(true);
    setTabChangesFocus(false);
    // The selection stays visible while another window has the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    FLink.OnDataChange = [this] {
        if (!FWriting)
            loadFromField();
    };
    FLink.OnActiveChange = [this] {
        setReadOnly(!FLink.writable());
        emit readOnlyChanged(isReadOnly());
    };
    FLink.OnUpdateData = [this] { writeToField(); };
    connect(this, &QTextEdit::textChanged, this, &DBRichEdit::contentsChangedByUser);
    watchHistory();
    setReadOnly(true);
}

void DBRichEdit::setDataSource(DataSource *source) { FLink.setDataSource(source); }

void DBRichEdit::releaseDataSource()
{
    if (FLink.Modified() && FLink.editing())
        writeToField();
    FLink.setDataSource(nullptr);
}

void DBRichEdit::setDataField(const QString &field)
{
    FLink.FieldName = field;
    loadFromField();
}

void DBRichEdit::showContent(const std::function<void(QTextDocument *)> &fill)
{
    // Filled while no view shows it: a shown document is laid out again after every insertion.
    // A fill that fails leaves the shown content as it was.
    FShownValue = QString(); // the document about to be shown is no stored value yet
    auto doc = std::make_unique<QTextDocument>(this);
    doc->setDefaultFont(font());
    doc->setUndoRedoEnabled(false);
    fill(doc.get());
    keepLayoutsOfLongParagraphs(*doc, 0, doc->characterCount());
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    QTextDocument *previous = document();
    const bool ours = previous && previous->parent() == this;
    // Word wrapping a paragraph without blanks costs the square of its length.
    const QTextOption::WrapMode wrap = wrapModeFor(*doc);
    FLoading = true;
    if (wrap == QTextOption::WrapAnywhere)
        setWordWrapMode(wrap);
    // A scroll bar that appears once the text is laid out narrows the view, and all of it is
    // laid out again (seconds for megabytes); a text sure to need one has it from the start.
    const bool barFirst = verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
                          !verticalScrollBar()->isVisibleTo(this) && overflows(*doc);
    if (barFirst)
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Without a page size the control's taking the document lays nothing out; it is laid out
    // once, at the view's width, instead of first as one unwrapped line per paragraph.
    doc->setPageSize(QSizeF(0, 0));
    setDocument(doc.release());
    setWordWrapMode(wrap);
    if (barFirst)
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FLoading = false;
    watchHistory();
    // The old document goes before the link marks move on: they would first be cleared from
    // it, and that lays the old text out once more for nothing.
    if (ours)
        delete previous;
    FLinks->setDocument(document());
    moveCursor(QTextCursor::Start);
    ensureCursorVisible();
}

bool DBRichEdit::overflows(const QTextDocument &doc) const
{
    // Eight times the characters that fill the view at the font's average width: more lines
    // than it holds, however narrow the characters.
    const QFontMetrics metrics(doc.defaultFont());
    const qint64 perLine =
        std::max(1, viewport()->width() / std::max(1, metrics.averageCharWidth()));
    const qint64 lines = std::max(1, viewport()->height() / std::max(1, metrics.lineSpacing()));
    return doc.characterCount() > 8 * perLine * lines;
}

void DBRichEdit::loadFromField()
{
    const Field *f = FLink.active() ? FLink.field() : nullptr;
    const QString value = f ? f->AsString() : QString();
    const bool shown =
        !FShownValue.isNull() && document()->revision() == FShownRevision && value == FShownValue;
    if (shown) {
        // What is stored is what the document was read from or wrote and still holds: reading
        // it again would build the same document. The reload's other effects stay.
        document()->clearUndoRedoStacks();
        FUndoSteps = FRedoSteps = 0;
        document()->setModified(false);
        moveCursor(QTextCursor::Start);
        ensureCursorVisible();
    } else {
        if (f)
            ++FDocumentsRead;
        showContent([&value](QTextDocument *doc) { rtf::RichText::setContent(doc, value); });
        remember(value);
    }
    emit changed();
}

void DBRichEdit::remember(const QString &value)
{
    FShownValue = value;
    FShownRevision = document()->revision();
}

void DBRichEdit::writeToField()
{
    Field *f = FLink.field();
    if (!f)
        return;
    // Our own write is no reason to reload what we show.
    FWriting = true;
    try {
        const QString rtf = Rtf();
        f->setAsString(rtf);
        remember(rtf);
    } catch (...) {
        FWriting = false;
        throw;
    }
    FWriting = false;
}

void DBRichEdit::contentsChangedByUser()
{
    if (FLoading)
        return;
    // Every edit is an undo step and so modifies the document; marking links does not.
    if (document()->isModified() && !FLink.Modified())
        guarded([this] { FLink.Modify(); });
    emit changed();
}

void DBRichEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && FLink.Modified()) {
        restoreFromField();
        return;
    }
    // Ctrl+Y redoes too, as it does on the system the libraries come from.
    const bool redo = event->matches(QKeySequence::Redo) ||
                      event->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
    if (redo || event->matches(QKeySequence::Undo)) {
        if (!isReadOnly())
            undoStep(redo);
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void DBRichEdit::restoreFromField()
{
    const Field *f = FLink.field();
    QTextDocument stored;
    stored.setDefaultFont(font());
    rtf::RichText::setContent(&stored, f ? f->AsString() : QString());
    // Not a change by the user: the record keeps no pending text after it.
    FLoading = true;
    QTextCursor all(document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertFragment(QTextDocumentFragment(&stored));
    all.endEditBlock();
    FLoading = false;
    FLink.Restored();
    document()->setModified(false);
    moveCursor(QTextCursor::Start);
    ensureCursorVisible();
    emit changed();
}

void DBRichEdit::focusOutEvent(QFocusEvent *event)
{
    if (FLink.Modified() && FLink.editing())
        guarded([this] {
            writeToField();
            FLink.Modify(); // what is shown still differs from what is stored
        });
    QTextEdit::focusOutEvent(event);
}

void DBRichEdit::mousePressEvent(QMouseEvent *event)
{
    const QString link = linkAt(event->pos());
    emit mouseButtonPressed(event->button(), event->modifiers(), event->pos());
    QTextEdit::mousePressEvent(event);
    // After the press has put the caret on the link, so that its line is the caret's.
    if (!link.isEmpty())
        emit linkClicked(link, event->button());
}

void DBRichEdit::mouseMoveEvent(QMouseEvent *event)
{
    QTextEdit::mouseMoveEvent(event);
    if (event->buttons() == Qt::NoButton)
        viewport()->setCursor(linkAt(event->pos()).isEmpty() ? Qt::IBeamCursor
                                                             : Qt::PointingHandCursor);
}

QString DBRichEdit::linkAt(const QPoint &position) const
{
    const QPoint inDocument =
        position + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int at = document()->documentLayout()->hitTest(inDocument, Qt::ExactHit);
    return at < 0 ? QString() : LinkHighlighter::linkAt(*document(), at);
}

// --- content

void DBRichEdit::LoadFromFile(const QString &path)
{
    showContent([&path](QTextDocument *doc) { rtf::AbstractFile::load(path, doc); });
    // A file's content is a change of the abstract.
    guarded([this] { FLink.Modify(); });
    document()->setModified(true);
    emit changed();
}

void DBRichEdit::SaveToFile(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(tr("Абстракт не удалось сохранить в файл \"%1\".\n%2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    rtf::AbstractFile::save(file, rtf::AbstractFile::formatFor(path), *document());
    if (!file.commit())
        throw Error(kSaveFailed);
}

QString DBRichEdit::Text() const { return rtf::RichText::plainText(*document()); }

void DBRichEdit::setText(const QString &value)
{
    showContent([&value](QTextDocument *doc) { rtf::RichText::setContent(doc, value); });
    guarded([this] { FLink.Modify(); });
    document()->setModified(true);
    emit changed();
}

QString DBRichEdit::Rtf() const { return rtf::RichText::toRtf(*document()); }

// --- lines

std::vector<DBRichEdit::LayoutLine> DBRichEdit::layoutLines() const
{
    std::vector<LayoutLine> lines;
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block); // lays the block out if need be
        const QTextLayout *text = block.layout();
        if (!text || text->lineCount() == 0) {
            lines.push_back({block.position(), block.length() - 1, rect.top()});
            continue;
        }
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            lines.push_back(
                {block.position() + line.textStart(), line.textLength(), rect.top() + line.y()});
        }
    }
    if (!lines.empty() && lines.back().length == 0)
        lines.pop_back();
    return lines;
}

QString DBRichEdit::Line(int line) const
{
    const auto lines = layoutLines();
    if (line < 0 || line >= int(lines.size()))
        return {};
    QTextCursor c(document());
    c.setPosition(lines[size_t(line)].start);
    c.setPosition(lines[size_t(line)].start + lines[size_t(line)].length, QTextCursor::KeepAnchor);
    QString text = c.selection().toRawText();
    while (!text.isEmpty() && (text.endsWith(QChar(0x2028)) || text.endsWith(QChar(0x2029))))
        text.chop(1);
    return text;
}

int DBRichEdit::LineFromChar(int position) const
{
    const auto lines = layoutLines();
    int found = 0;
    for (int i = 0; i < int(lines.size()); ++i)
        if (lines[size_t(i)].start <= position)
            found = i;
    return found;
}

int DBRichEdit::LineIndex(int line) const
{
    if (line < 0)
        line = CaretLine();
    const auto lines = layoutLines();
    if (line >= int(lines.size()))
        return lines.empty() || line > int(lines.size()) ? -1
                                                         : int(document()->characterCount() - 1);
    return lines[size_t(line)].start;
}

int DBRichEdit::FirstVisibleLine() const
{
    const auto lines = layoutLines();
    const int y = verticalScrollBar()->value();
    int found = 0;
    for (int i = 0; i < int(lines.size()); ++i)
        if (lines[size_t(i)].top <= y + 0.5)
            found = i;
    return found;
}

void DBRichEdit::ScrollLines(int count)
{
    const auto lines = layoutLines();
    if (lines.empty())
        return;
    const int target = std::clamp(FirstVisibleLine() + count, 0, int(lines.size()) - 1);
    verticalScrollBar()->setValue(int(std::lround(lines[size_t(target)].top)));
}

int DBRichEdit::CaretLine() const { return LineFromChar(textCursor().position()); }

int DBRichEdit::CaretColumn() const { return textCursor().position() - LineIndex(CaretLine()); }

// --- selection and state

void DBRichEdit::setSelStart(int position)
{
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
    setTextCursor(c);
}

int DBRichEdit::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

QString DBRichEdit::SelText() const
{
    return rtf::RichText::normalizedLineEnds(textCursor().selectedText())
        .replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void DBRichEdit::setSelText(const QString &text)
{
    textCursor().insertText(rtf::RichText::normalizedLineEnds(text));
}

bool DBRichEdit::Modified() const { return document()->isModified(); }

void DBRichEdit::setModified(bool modified) { document()->setModified(modified); }

bool DBRichEdit::CanUndo() const { return FUndoSteps > 0 && document()->isUndoAvailable(); }

bool DBRichEdit::CanRedo() const { return FRedoSteps > 0 && document()->isRedoAvailable(); }

void DBRichEdit::keepLayoutsOfLongParagraphs(QTextDocument &doc, int from, int to)
{
    // Qt frees a paragraph's shaped glyphs and line-break attributes once it is laid out, and
    // every caret blink, paint or caret move then works them out again over the whole
    // paragraph: seconds each for a paragraph of megabytes. Long paragraphs keep them.
    constexpr int LongParagraph = 20000;
    for (QTextBlock block = doc.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.length() > LongParagraph && !block.layout()->cacheEnabled())
            block.layout()->setCacheEnabled(true);
    }
}

void DBRichEdit::watchHistory()
{
    FUndoSteps = 0;
    FRedoSteps = 0;
    // A paragraph typed or pasted into a long one grows long too. The document, not the
    // control: the control's own parts still change it while the control is destroyed.
    QTextDocument *doc = document();
    connect(doc, &QTextDocument::contentsChange, this, [doc](int position, int, int added) {
        keepLayoutsOfLongParagraphs(*doc, position, position + added);
    });
    // Qt signals each new step once (an edit block at its end; typing merged into the last
    // step not at all) and drops the redo steps with it. Clearing Qt's undo stack alone is
    // not an option: it drops the redo steps as well and leaves the modified flag astray.
    connect(document(), &QTextDocument::undoCommandAdded, this, [this] {
        FUndoSteps = std::min(FUndoSteps + 1, UndoLimit);
        FRedoSteps = 0;
    });
}

void DBRichEdit::undoStep(bool redo)
{
    if (redo ? !CanRedo() : !CanUndo())
        return;
    // Qt puts the caret at the document's start after a format step; the text whose format
    // came back is what the user wants to see.
    int from = -1, to = -1;
    bool formatsOnly = true;
    const auto watch = connect(document(), &QTextDocument::contentsChange, this,
                               [&](int position, int removed, int added) {
                                   formatsOnly = formatsOnly && removed == added;
                                   from = from < 0 ? position : std::min(from, position);
                                   to = std::max(to, position + added);
                               });
    // Counted first: the change the step makes is reported while it is made.
    FUndoSteps += redo ? 1 : -1;
    FRedoSteps += redo ? -1 : 1;
    if (redo)
        QTextEdit::redo();
    else
        QTextEdit::undo();
    disconnect(watch);
    if (formatsOnly && from >= 0) {
        QTextCursor c(document());
        c.setPosition(std::clamp(from, 0, document()->characterCount() - 1));
        c.setPosition(std::clamp(to, 0, document()->characterCount() - 1), QTextCursor::KeepAnchor);
        setTextCursor(c);
    }
    // The format at the caret may have changed with the caret standing still.
    emit historyStepped();
}

// --- character formats

QTextCursor DBRichEdit::rangeFor(TextAttributes::Kind kind) const
{
    QTextCursor c = textCursor();
    if (c.hasSelection() || kind != TextAttributes::Word)
        return c;
    // The word that the caret ends or stands in, or that begins a paragraph at the caret. A
    // caret after a blank or punctuation stands between words: there the view is what is
    // typed next, read from the character before, as typing takes it.
    const auto wordChar = [](QChar ch) {
        return ch.isLetterOrNumber() || ch.isMark() || ch == QLatin1Char('_');
    };
    const QTextBlock block = c.block();
    const QString text = block.text();
    int from = c.position() - block.position();
    int to = from;
    while (from > 0 && wordChar(text.at(from - 1)))
        --from;
    if (from == to && from > 0)
        return c;
    while (to < text.size() && wordChar(text.at(to)))
        ++to;
    if (from < to) {
        c.setPosition(block.position() + from);
        c.setPosition(block.position() + to, QTextCursor::KeepAnchor);
    }
    return c;
}

void DBRichEdit::changeCharFormat(TextAttributes::Kind kind,
                                  const std::function<void(QTextCharFormat &)> &edit)
{
    const QTextCursor range = rangeFor(kind);
    if (range.hasSelection()) {
        const int start = range.selectionStart();
        const int end = range.selectionEnd();
        // Each run keeps what the change does not touch; collected first, since setting a
        // format merges and splits the runs being walked.
        struct Run {
            int from, to;
            QTextCharFormat format;
        };
        std::vector<Run> runs;
        for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end;
             b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                const int from = std::max(start, frag.position());
                const int to = std::min(end, frag.position() + frag.length());
                if (from < to)
                    runs.push_back({from, to, frag.charFormat()});
            }
        }
        QTextCursor c(document());
        c.beginEditBlock();
        for (Run &run : runs) {
            edit(run.format);
            c.setPosition(run.from);
            c.setPosition(run.to, QTextCursor::KeepAnchor);
            c.setCharFormat(run.format);
        }
        c.endEditBlock();
    }
    if (!textCursor().hasSelection()) {
        // What is typed next at the caret.
        QTextCharFormat typing = currentCharFormat();
        edit(typing);
        setCurrentCharFormat(typing);
    }
}

std::vector<QTextBlock> DBRichEdit::selectedBlocks() const
{
    const QTextCursor c = textCursor();
    std::vector<QTextBlock> blocks;
    const QTextBlock last = document()->findBlock(c.selectionEnd());
    for (QTextBlock b = document()->findBlock(c.selectionStart()); b.isValid(); b = b.next()) {
        blocks.push_back(b);
        if (b == last)
            break;
    }
    return blocks;
}

void DBRichEdit::editStep(const std::function<void()> &changes)
{
    QTextCursor c(document());
    c.beginEditBlock();
    try {
        changes();
    } catch (...) {
        c.endEditBlock();
        throw;
    }
    c.endEditBlock();
}

// --- paragraph formats

DBRichEdit::Alignment DBRichEdit::paragraphAlignment() const
{
    const Qt::Alignment a = textCursor().blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        return Alignment::Justify;
    if (a & Qt::AlignHCenter)
        return Alignment::Center;
    if (a & Qt::AlignRight)
        return Alignment::Right;
    return Alignment::Left;
}

void DBRichEdit::setParagraphAlignment(Alignment alignment)
{
    QTextBlockFormat f;
    switch (alignment) {
    case Alignment::Left: f.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); break;
    case Alignment::Right: f.setAlignment(Qt::AlignRight | Qt::AlignAbsolute); break;
    case Alignment::Center: f.setAlignment(Qt::AlignHCenter); break;
    case Alignment::Justify: f.setAlignment(Qt::AlignJustify); break;
    }
    textCursor().mergeBlockFormat(f);
}

DBRichEdit::Numbering DBRichEdit::numbering() const
{
    const QTextList *list = textCursor().block().textList();
    if (!list)
        return Numbering::None;
    switch (list->format().style()) {
    case QTextListFormat::ListDisc:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListSquare: return Numbering::Bullet;
    case QTextListFormat::ListDecimal: return Numbering::Arabic;
    default: return Numbering::Other;
    }
}

void DBRichEdit::setNumbering(Numbering numbering)
{
    const std::vector<QTextBlock> blocks = selectedBlocks();
    editStep([&] {
        if (numbering == Numbering::None || numbering == Numbering::Other) {
            for (const QTextBlock &b : blocks) {
                if (QTextList *list = b.textList())
                    list->remove(b);
                QTextCursor c(b);
                QTextBlockFormat f = b.blockFormat();
                f.setObjectIndex(-1);
                f.setIndent(0);
                f.setTextIndent(0);
                f.clearProperty(rtf::RtfQtFormat::kListHanging);
                c.setBlockFormat(f);
            }
            return;
        }
        const auto style = numbering == Numbering::Bullet ? QTextListFormat::ListDisc
                                                          : QTextListFormat::ListDecimal;
        QTextList *list = blocks.front().textList();
        const bool oneList = list && std::all_of(blocks.begin(), blocks.end(),
                                                 [list](auto &b) { return b.textList() == list; });
        if (oneList) {
            QTextListFormat f = list->format();
            f.setStyle(style);
            list->setFormat(f);
        } else {
            QTextListFormat f;
            f.setStyle(style);
            f.setIndent(1);
            textCursor().createList(f);
        }
        for (const QTextBlock &b : blocks) {
            QTextBlockFormat f = b.blockFormat();
            const int hanging = f.hasProperty(rtf::RtfQtFormat::kListHanging)
                                    ? f.intProperty(rtf::RtfQtFormat::kListHanging)
                                    : 0;
            if (hanging > kListHangingTwips) {
                f.setProperty(rtf::RtfQtFormat::kListHanging, kListHangingTwips);
                QTextCursor(b).setBlockFormat(f);
            }
        }
    });
}

void DBRichEdit::setLineSpacingRule(LineSpacing rule)
{
    QTextBlockFormat f;
    f.setLineHeight(proportionFor(rule), QTextBlockFormat::ProportionalHeight);
    textCursor().mergeBlockFormat(f);
}

// --- search

void DBRichEdit::showFindDialog(const QString &text)
{
    dialogs().showSearch(*this, false, text, QString());
}

void DBRichEdit::showReplaceDialog(const QString &text, const QString &replacement)
{
    dialogs().showSearch(*this, true, text, replacement);
}

bool DBRichEdit::search(const SearchRequest &request, bool raiseNotFound)
{
    if (!request.text.isEmpty())
        FLastSearch = request;
    const QTextCursor c = textCursor();
    const int from = request.down ? c.selectionEnd() : c.selectionStart();
    const int at = TextSearch::find(document()->toRawText(), from, request);
    if (at < 0) {
        if (raiseNotFound)
            emit textNotFound(request.text);
        return false;
    }
    QTextCursor hit(document());
    hit.setPosition(at);
    hit.setPosition(at + int(request.text.size()), QTextCursor::KeepAnchor);
    setTextCursor(hit);
    ensureCursorVisible();
    return true;
}

bool DBRichEdit::findNext(const SearchRequest &request) { return search(request, true); }

bool DBRichEdit::FindNext() { return FLastSearch && search(*FLastSearch, true); }

bool DBRichEdit::replaceNext(const SearchRequest &request)
{
    if (!request.text.isEmpty())
        FLastSearch = request;
    const QTextCursor c = textCursor();
    // A hit that is selected is the next one.
    const int from = request.down ? c.selectionStart() : c.selectionEnd();
    const int at = TextSearch::find(document()->toRawText(), from, request);
    if (at < 0) {
        emit textNotFound(request.text);
        return false;
    }
    QTextCursor hit(document());
    hit.setPosition(at + 1);
    const QTextCharFormat format = hit.charFormat();
    hit.setPosition(at);
    hit.setPosition(at + int(request.text.size()), QTextCursor::KeepAnchor);
    hit.insertText(request.replacement, format);
    QTextCursor caret(document());
    caret.setPosition(request.down ? hit.position() : at);
    setTextCursor(caret);
    search(request, false); // the following hit is selected for the next Replace
    return true;
}

int DBRichEdit::replaceAll(const SearchRequest &request)
{
    if (!request.text.isEmpty())
        FLastSearch = request;
    const QString text = document()->toRawText();
    const QTextCursor c = textCursor();
    const int n = int(request.text.size());
    std::vector<int> hits;
    if (request.down) {
        for (int at = TextSearch::find(text, c.selectionStart(), request); at >= 0;
             at = TextSearch::find(text, at + n, request))
            hits.push_back(at);
    } else {
        for (int at = TextSearch::find(text, c.selectionEnd(), request); at >= 0;
             at = TextSearch::find(text, at, request))
            hits.push_back(at);
    }
    if (hits.empty()) {
        emit textNotFound(request.text);
        return 0;
    }
    std::sort(hits.begin(), hits.end(), std::greater<int>());
    int last = 0;
    editStep([&] {
        // From the end backwards, so the positions of the hits still ahead hold.
        for (int at : hits) {
            QTextCursor hit(document());
            hit.setPosition(at + 1);
            const QTextCharFormat format = hit.charFormat();
            hit.setPosition(at);
            hit.setPosition(at + n, QTextCursor::KeepAnchor);
            hit.insertText(request.replacement, format);
        }
        last = hits.front() + int(hits.size() - 1) * (int(request.replacement.size()) - n) +
               int(request.replacement.size());
    });
    QTextCursor caret(document());
    caret.setPosition(std::clamp(last, 0, document()->characterCount() - 1));
    setTextCursor(caret);
    return int(hits.size());
}

QRect DBRichEdit::hitRect() const
{
    const QRect r = cursorRect();
    return QRect(viewport()->mapToGlobal(r.topLeft()), r.size());
}

// --- printing

void DBRichEdit::print(const Dialogs::PrintSettings &settings, const QString &title)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!settings.outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(settings.outputFile);
    } else if (!settings.printerName.isEmpty()) {
        printer.setPrinterName(settings.printerName);
    }
    printer.setDocName(title);
    // Narrow margins widened to a sensible border; a PDF file has none of its own.
    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    if (margins.left() < kPrintMarginMm && margins.right() < kPrintMarginMm &&
        margins.top() < kPrintMarginMm && margins.bottom() < kPrintMarginMm)
        printer.setPageMargins(
            QMarginsF(kPrintMarginMm, kPrintMarginMm, kPrintMarginMm, kPrintMarginMm),
            QPageLayout::Millimeter);
    // Laid out for the printer and paginated over its printable area: a document without a
    // page size is printed by Qt with margins and page numbers of its own.
    std::unique_ptr<QTextDocument> pages(document()->clone());
    pages->documentLayout()->setPaintDevice(&printer);
    pages->setPageSize(QSizeF(printer.width(), printer.height()));
    // Links look on paper as they do on the screen.
    for (QTextBlock from = document()->begin(), to = pages->begin(); from.isValid() && to.isValid();
         from = from.next(), to = to.next())
        to.layout()->setFormats(from.layout()->formats());
    pages->print(&printer);
    const bool failed = printer.printerState() == QPrinter::Error ||
                        (!settings.outputFile.isEmpty() && !QFileInfo::exists(settings.outputFile));
    if (failed)
        throw Error(tr("Не удалось напечатать абстракт"));
}

// --- clipboard: RTF beside Qt's own formats, so that formats travel between programs

QMimeData *DBRichEdit::createMimeDataFromSelection() const
{
    QMimeData *mime = QTextEdit::createMimeDataFromSelection();
    QTextDocument part;
    part.setDefaultFont(document()->defaultFont());
    QTextCursor(&part).insertFragment(textCursor().selection());
    mime->setData(kRtfMime, rtf::RtfWriter::write(part));
    return mime;
}

bool DBRichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasFormat(kRtfMime) || source->hasFormat(kRtfMimeAlt) ||
           QTextEdit::canInsertFromMimeData(source);
}

void DBRichEdit::insertFromMimeData(const QMimeData *source)
{
    const QString format = source->hasFormat(kRtfMime)      ? kRtfMime
                           : source->hasFormat(kRtfMimeAlt) ? kRtfMimeAlt
                                                            : QString();
    if (!format.isEmpty() && !isReadOnly()) {
        QTextDocument part;
        part.setDefaultFont(document()->defaultFont());
        if (rtf::RtfReader::read(source->data(format), &part)) {
            textCursor().insertFragment(QTextDocumentFragment(&part));
            ensureCursorVisible();
            return;
        }
    }
    QTextEdit::insertFromMimeData(source);
}

} // namespace quil
