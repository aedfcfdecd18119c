#include "widgets/DBMemo.h"

#include "db/DataSource.h"
#include "db/DisplayText.h"
#include "platform/Dialogs.h"
#include "widgets/QuietScrollBar.h"
#include "widgets/ShapedText.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QScrollBar>

namespace quil {

namespace {
// Stored memo text keeps Windows line ends; the control works with "\n".
QString fromStored(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString toStored(QString text) { return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n")); }

} // namespace

DBMemo::DBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    FLink.OnDataChange = [this] { loadFromField(); };
    FLink.OnActiveChange = [this] { applyReadOnly(); };
    FLink.OnUpdateData = [this] {
        if (Field *f = FLink.field())
            f->setAsString(FHead.whole(toStored(toPlainText())));
    };
    connect(this, &QPlainTextEdit::textChanged, this, &DBMemo::contentsChangedByUser);
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setReadOnly(true);
    // Tab goes to the next control, as in a form; a tab character is typed with Ctrl+Tab.
    setTabChangesFocus(true);
}

void DBMemo::setDataSource(DataSource *source) { FLink.setDataSource(source); }

void DBMemo::setDataField(const QString &field)
{
    FLink.FieldName = field;
    loadFromField();
}

void DBMemo::applyReadOnly()
{
    const bool readOnly = !FLink.writable();
    setReadOnly(readOnly);
    // What may not be changed can still be gone through and copied from the keyboard.
    if (readOnly)
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void DBMemo::loadFromField()
{
    const Field *f = FLink.active() ? FLink.field() : nullptr;
    const QString value = f ? f->AsString() : QString();
    // Laying out a memo costs more than its length: a value of megabytes shows its head only.
    bool hintChanged = false;
    const QString text = fromStored(FHead.take(value, hintChanged).toString());
    if (hintChanged)
        setToolTip(FHead.hint());
    if (text == toPlainText())
        return;
    FLoading = true;
    setWordWrapMode(hasUnbreakableRun(text) ? QTextOption::WrapAnywhere
                                            : QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Filled in place: the control's own setPlainText selects the whole text to format it, which
    // lays the text out once more. The document's fill leaves no undo; the caret and the view
    // are put at the start here.
    // A fill that keeps the count of paragraphs has the plain-text layout shape the paragraph
    // twice (its bounds before and after); filled with one paragraph more, unseen, and then
    // cut to the text, the layout only drops its lines and shapes them once, when asked.
    QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const bool quiet = layout->blockSignals(true);
    doc->setPlainText(text + QChar(u'\n'));
    layout->blockSignals(quiet);
    // Shaped once for the layout, the glyphs serve the caret and the paint as well.
    keepShapedGlyphs(*doc);
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    // In one edit, so that placing the cursor lays nothing out.
    QTextCursor end(doc);
    end.beginEditBlock();
    end.setPosition(doc->characterCount() - 1);
    end.deletePreviousChar();
    end.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    setTextCursor(QTextCursor(document()));
    verticalScrollBar()->setValue(0);
    FLoading = false;
}

void DBMemo::contentsChangedByUser()
{
    if (FLoading || FLink.Modified())
        return;
    guarded([this] { FLink.Modify(); });
}

void DBMemo::keyPressEvent(QKeyEvent *event)
{
    // Esc drops the record's edit, so a record the file refuses never holds the user.
    if (event->key() == Qt::Key_Escape && (FLink.Modified() || FLink.editing())) {
        guarded([this] { FLink.CancelEdit(); });
        FLink.Reset();
        return;
    }
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier && !isReadOnly()) {
        insertPlainText(QStringLiteral("\t"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace quil
