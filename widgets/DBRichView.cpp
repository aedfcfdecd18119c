#include "widgets/DBRichView.h"

#include "db/DisplayText.h"
#include "platform/gui/QtPlatform.h"
#include "rtf/RichText.h"
#include "store/Abstract.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace quil {

DBRichView::DBRichView(QWidget *parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    showSymbolFontAsUnicode();
}

void DBRichView::setAbstract(Abstract *abstract)
{
    if (FAbstract)
        disconnect(FAbstract, nullptr, this, nullptr);
    FAbstract = abstract;
    if (FAbstract)
        connect(FAbstract, &Abstract::changed, this, &DBRichView::abstractChanged);
    abstractChanged();
}

void DBRichView::abstractChanged()
{
    // Nobody sees a hidden view: the abstract is read when it shows again.
    FBehind = !isVisible();
    if (!FBehind)
        showStored();
}

void DBRichView::showEvent(QShowEvent *event)
{
    if (FBehind) {
        FBehind = false;
        showStored();
    }
    QTextBrowser::showEvent(event);
}

void DBRichView::showStored()
{
    const QString value = FAbstract ? FAbstract->stored() : QString();
    if (FShowing && value == FShown) {
        // Where a reload leaves the view: at the start, scrolled to the top.
        moveCursor(QTextCursor::Start);
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
        return;
    }
    // Built apart from the view and then shown: a document that belongs to a visible view is
    // laid out again after every insertion, which made each move cost several milliseconds.
    auto *document = new QTextDocument(this);
    // Shown where the stored text sets no font of its own.
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(16);
    document->setDefaultFont(font);
    // A view shows the head of a very long abstract, and reads no more of it; word wrapping a
    // paragraph without blanks costs the square of its length.
    rtf::RichText::setContent(document, value, RichViewDisplayLimit);
    cutForView(*document);
    // The glyphs shaped to lay the text out are kept for placing the caret and for painting,
    // which would shape every line again.
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        block.layout()->setCacheEnabled(true);
    const QTextOption::WrapMode wrap = wrapModeFor(*document);
    if (wrap == QTextOption::WrapAnywhere)
        setWordWrapMode(wrap);
    // The view's first document belongs to its text control, which frees it on replacement;
    // the ones made here belong to the view and are freed here.
    QTextDocument *previous = this->document();
    const bool ours = previous && previous->parent() == this;
    // A document with no page size is not laid out when the view takes it, only once the view
    // gives it its own width; else each abstract was shaped twice, the first time unwrapped.
    document->setPageSize(QSizeF(0, 0));
    setDocument(document);
    setWordWrapMode(wrap);
    if (ours)
        delete previous;
    FShown = value;
    FShowing = true;
}

} // namespace quil
