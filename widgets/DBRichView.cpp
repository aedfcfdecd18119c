#include "widgets/DBRichView.h"

#include "db/DisplayText.h"
#include "platform/gui/QtPlatform.h"
#include "rtf/RichText.h"
#include "store/Abstract.h"
#include "widgets/ShapedText.h"

#include <QScrollBar>
#include <QTextDocument>

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
    // Filled in place with no page size, so that nothing is laid out while it fills, and then
    // laid out once at the view's width. A document handed to the view was laid out first at no
    // width to place the caret; one filled at its width was laid out after every insertion.
    QTextDocument *document = this->document();
    const QSizeF page = document->pageSize();
    document->setPageSize(QSizeF(0, 0));
    // Shown where the stored text sets no font of its own.
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(16);
    if (document->defaultFont() != font)
        document->setDefaultFont(font);
    document->setUndoRedoEnabled(false);
    // A view shows the head of a very long abstract, and reads no more of it; word wrapping a
    // paragraph without blanks costs the square of its length.
    rtf::RichText::setContent(document, value, RichViewDisplayLimit);
    cutForView(*document);
    keepShapedGlyphs(*document);
    setWordWrapMode(wrapModeFor(*document));
    document->setPageSize(page);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    FShown = value;
    FShowing = true;
}

} // namespace quil
