#include "widgets/DBEdit.h"

#include "db/DataSource.h"
#include "db/DisplayText.h"
#include "platform/Dialogs.h"

#include <QKeyEvent>
#include <QStyleOptionFrame>

namespace quil {

DBEdit::DBEdit(QWidget *parent) : QLineEdit(parent)
{
    FLink.OnDataChange = [this] { loadFromField(); };
    FLink.OnActiveChange = [this] { setReadOnly(!FLink.writable()); };
    FLink.OnUpdateData = [this] {
        if (Field *f = FLink.field())
            f->setAsString(FHead.whole(text()));
    };
    // textEdited comes from the user only, never from loading.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!FLink.Modified())
            guarded([this] { FLink.Modify(); });
    });
    setReadOnly(true);
}

void DBEdit::setDataSource(DataSource *source) { FLink.setDataSource(source); }

void DBEdit::setDataField(const QString &field)
{
    FLink.FieldName = field;
    loadFromField();
}

void DBEdit::loadFromField()
{
    const Field *f = FLink.active() ? FLink.field() : nullptr;
    const QString value = f ? f->AsString() : QString();
    // A line of megabytes shows its head only, as the grid does.
    bool hintChanged = false;
    const QStringView head = FHead.take(value, hintChanged);
    if (hintChanged)
        setToolTip(FHead.hint());
    const bool textChanged = head != text();
    if (!textChanged && cursorPosition() == 0)
        return;
    // A new text or caret has QLineEdit repaint itself whole, and stroking the style's rounded
    // frame again cost more than the text: only the text's area is repainted, the frame stays.
    // Updates that an ancestor holds are left to it.
    const bool hold = updatesEnabled();
    if (hold)
        setAttribute(Qt::WA_UpdatesDisabled, true);
    if (textChanged)
        setText(head.toString());
    setCursorPosition(0);
    if (hold) {
        setAttribute(Qt::WA_UpdatesDisabled, false);
        update(textArea());
    }
}

QRect DBEdit::textArea() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
}

void DBEdit::keyPressEvent(QKeyEvent *event)
{
    // Esc drops the record's edit, so a record the file refuses never holds the user.
    if (event->key() == Qt::Key_Escape && (FLink.Modified() || FLink.editing())) {
        guarded([this] { FLink.CancelEdit(); });
        FLink.Reset();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace quil
