#pragma once

#include "db/DataLink.h"
#include "platform/Dialogs.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>
#include <optional>
#include <vector>

namespace quil {

class DataSource;
class DBRichEdit;
class LinkHighlighter;

// One view of the character attributes of a rich-text control: of the selection (or, with
// none, of what is typed next), or of the word that holds the caret. Every setter is one undo
// step and, where it changes text, puts the bound record into edit state.
class TextAttributes {
public:
    enum Kind { Selection, Word };
    enum StyleFlag { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    Q_DECLARE_FLAGS(Styles, StyleFlag)
    enum class Script { None, Sub, Super };

    TextAttributes(DBRichEdit &edit, Kind kind) : FEdit(edit), FKind(kind) {}

    Styles style() const;
    void setStyle(Styles style); // all four at once
    int size() const;            // whole points
    void setSize(int points);
    QColor color() const; // invalid: automatic
    void setColor(const QColor &color);
    QColor backColor() const; // invalid: no background of its own (the window colour)
    void setBackColor(const QColor &color);
    Script script() const;
    void setScript(Script script);
    QString name() const;
    void setName(const QString &family);
    // The character set that a typed character code is read in.
    enum Charset { DefaultCharset = 1, SymbolCharset = 2 };
    int charset() const;
    void setCharset(int charset);
    QFont font() const;
    // Name, size, style and colour where the second description differs from the first.
    void assignChanges(const Dialogs::FontChoice &from, const Dialogs::FontChoice &to);

private:
    QTextCharFormat read() const;
    void change(const std::function<void(QTextCharFormat &)> &edit);

    DBRichEdit &FEdit;
    Kind FKind;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TextAttributes::Styles)

// The rich-text control bound to a memo field (the abstract): the field's RTF, or plain text,
// is shown and follows the current record; typing or formatting puts the record into edit
// state; the content goes back into the field as RTF at the update step and when the control
// loses the focus after a change. Offers what the editor window needs of a RichEdit: files by
// extension, laid-out lines, caret and scrolling, attribute views, paragraph formats, search,
// printing and rich-text clipboard.
class DBRichEdit : public QTextEdit, public SearchTarget {
    Q_OBJECT
public:
    enum class Alignment { Left, Right, Center, Justify };
    enum class Numbering { None, Bullet, Arabic, Other };
    enum class LineSpacing { Single, OneAndHalf, Double };

    explicit DBRichEdit(QWidget *parent = nullptr);

    // --- binding
    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return FLink.dataSource(); }
    void setDataField(const QString &field);
    FieldDataLink &link() { return FLink; }
    // Lets go of the data source: typing not yet written goes into the record being edited,
    // whose next store takes it; the control is then left empty.
    void releaseDataSource();
    // Stored values read into a document by controls of this kind since the program started.
    static int documentsRead() { return FDocumentsRead; }

    // --- content
    // The format follows the extension ("txt" plain text, else RTF), the other one tried next.
    void LoadFromFile(const QString &path);
    // Written whole or not at all: a failed write leaves the old file.
    void SaveToFile(const QString &path);
    QString Text() const; // plain, paragraphs joined by CR LF
    void setText(const QString &value);
    QString Rtf() const;

    // --- laid-out lines (wrapped at the control's width; an empty last line is not counted)
    QString Line(int line) const;
    int LineFromChar(int position) const;
    int LineIndex(int line) const; // start of a line; -1: the caret's line
    int FirstVisibleLine() const;
    void ScrollLines(int lines);
    void ScrollCaret() { ensureCursorVisible(); }
    int CaretLine() const; // the caret is the selection's end
    int CaretColumn() const;

    // --- selection
    int SelStart() const { return textCursor().selectionStart(); }
    void setSelStart(int position);
    int SelLength() const;
    QString SelText() const;
    void setSelText(const QString &text);

    bool Modified() const;
    void setModified(bool modified);
    // The history reaches back 100 steps; older ones are out of reach.
    static constexpr int UndoLimit = 100;
    bool CanUndo() const;
    bool CanRedo() const;
    // Undo and redo one step; a step that changed formats only leaves its text selected.
    void Undo() { undoStep(false); }
    void Redo() { undoStep(true); }
    bool CanPaste() const { return canPaste(); }
    // Whether the control can take the focus (shown and enabled).
    bool CanFocus() const { return isVisible() && isEnabled(); }

    // --- attributes
    TextAttributes SelAttributes() { return TextAttributes(*this, TextAttributes::Selection); }
    TextAttributes WordAttributes() { return TextAttributes(*this, TextAttributes::Word); }
    Alignment paragraphAlignment() const;
    void setParagraphAlignment(Alignment alignment);
    Numbering numbering() const;
    void setNumbering(Numbering numbering);
    void setLineSpacingRule(LineSpacing rule);
    // Runs several changes as one undo step.
    void editStep(const std::function<void()> &changes);

    // --- search (the modeless dialogs act through SearchTarget)
    void showFindDialog(const QString &text);
    void showReplaceDialog(const QString &text, const QString &replacement);
    bool findNext(const SearchRequest &request) override;
    bool replaceNext(const SearchRequest &request) override;
    int replaceAll(const SearchRequest &request) override;
    QRect hitRect() const override;
    // Repeats the last search that had a text; false, and no event, when there was none.
    bool FindNext();

    // --- links, found in the text as it is shown
    // The link under a point of the viewport, or an empty string.
    QString linkAt(const QPoint &position) const;

    // --- printing: the whole content, one job with this title
    void print(const Dialogs::PrintSettings &settings, const QString &title);

signals:
    void changed(); // content or attributes changed, or new content loaded
    // The control took or lost the right to change the field (a library open to read only).
    void readOnlyChanged(bool readOnly);
    // An undo or redo step was taken back or made again, from the keys or a command.
    void historyStepped();
    void textNotFound(const QString &text);
    void linkClicked(const QString &link, Qt::MouseButton button);
    void mouseButtonPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            const QPoint &position);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class TextAttributes;
    struct LayoutLine {
        int start;
        int length;
        qreal top;
    };
    std::vector<LayoutLine> layoutLines() const;
    void loadFromField();
    void remember(const QString &value);
    // Shows new content in a document of its own, built apart from the view.
    void showContent(const std::function<void(QTextDocument *)> &fill);
    // Far more text than the view holds: a vertical scroll bar is sure to be needed.
    bool overflows(const QTextDocument &doc) const;
    void contentsChangedByUser();
    // Esc: the field's value replaces what is shown, as one step that Undo takes back.
    void restoreFromField();
    void writeToField();
    // The range a view acts on: the selection, or the word at the caret for the word view.
    QTextCursor rangeFor(TextAttributes::Kind kind) const;
    void changeCharFormat(TextAttributes::Kind kind,
                          const std::function<void(QTextCharFormat &)> &edit);
    std::vector<QTextBlock> selectedBlocks() const;
    bool search(const SearchRequest &request, bool raiseNotFound);
    void undoStep(bool redo);
    // Counts the steps within reach of the document shown, which starts with none.
    static void keepLayoutsOfLongParagraphs(QTextDocument &doc, int from, int to);
    void watchHistory();

    static inline int FDocumentsRead = 0;
    FieldDataLink FLink;
    bool FLoading = false;
    bool FWriting = false;
    // The stored value that the document holds, as it was read or last written, and the
    // document's revision then: a reload of that value, the document unchanged since, needs no
    // reading (putting the record into edit state reloads it, and an abstract may be megabytes).
    QString FShownValue;
    int FShownRevision = -1;
    std::optional<SearchRequest> FLastSearch;
    // Steps within reach: Qt's history keeps every step and has no way to drop the oldest.
    int FUndoSteps = 0;
    int FRedoSteps = 0;
    LinkHighlighter *FLinks;
};

} // namespace quil
