// The editor window's tools: the symbol palette, file links and the links shown in the text,
// the context menu, and the hand-off of the selection to a dictionary program.
#include "editor/gui/TFormEdit.h"

#include "editor/LinkFinder.h"
#include "editor/SymbolPalette.h"
#include "editor/gui/SymbolList.h"
#include "editor/gui/TListBoxForever.h"
#include "platform/Error.h"
#include "platform/KeySynthesizer.h"
#include "platform/Shell.h"
#include "rtf/CodePage.h"
#include "rtf/SymbolFont.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QToolButton>

using quil::DBRichEdit;
using quil::TextAttributes;

void TFormEdit::createTools()
{
    lbSymbol = newSymbolList(PaEditor);
    lbSymbol->stackUnder(Editor);
    connect(lbSymbol, &QListWidget::itemDoubleClicked, this,
            [this] { quil::guarded([this] { lbSymbol1DblClick(); }); });

    const auto route = [this](QToolButton *button, void (TFormEdit::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                [this, handler] { quil::guarded([this, handler] { (this->*handler)(); }); });
    };
    route(siLinkFont, &TFormEdit::siLinkFontClick);
    route(siLingvo, &TFormEdit::siLingvoClick);
    route(siSimbol, &TFormEdit::siSimbolClick);
    connect(FontLinkItem, &QAction::triggered, this,
            [this] { quil::guarded([this] { siLinkFontClick(); }); });

    // The editor opens its menu itself, on the right button going down.
    Editor->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(Editor, &DBRichEdit::mouseButtonPressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &at) {
                quil::guarded([&] { EditorMouseDown(button, shift, at); });
            });
    connect(Editor, &DBRichEdit::linkClicked, this,
            [this](const QString &link, Qt::MouseButton button) {
                quil::guarded([&] { Editor1URLClick(link, button); });
            });
}

void TFormEdit::siSimbolClick()
{
    if (lbSymbol->Tag == 0) {
        lbSymbol->raise();
        lbSymbol->Tag = 1;
    } else {
        lbSymbol->stackUnder(Editor);
        lbSymbol->Tag = 0;
    }
}

void TFormEdit::typeCode(unsigned char code)
{
    const QChar typed = Editor->SelAttributes().charset() == TextAttributes::SymbolCharset
                            ? QChar(quil::rtf::SymbolFont::toUnicode(code))
                            : QChar(quil::rtf::CodePage::get(1251)->byteToChar(code));
    // Sent, not posted: the character is in the text when this returns.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(typed));
    QCoreApplication::sendEvent(Editor, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(typed));
    QCoreApplication::sendEvent(Editor, &up);
}

void TFormEdit::lbSymbol1DblClick()
{
    for (int i = 0; i < lbSymbol->count(); ++i) {
        const QListWidgetItem *item = lbSymbol->item(i);
        if (!item->isSelected())
            continue;
        // The typed character takes the format of the text before the caret: a selection must
        // end at the caret, whichever way it was made.
        QTextCursor forward = Editor->textCursor();
        if (forward.position() < forward.anchor()) {
            const int end = forward.anchor();
            forward.setPosition(forward.position());
            forward.setPosition(end, QTextCursor::KeepAnchor);
            Editor->setTextCursor(forward);
        }
        Editor->editStep([this, item] {
            // The size of what would be typed here (the selection's first character, or the
            // insertion point's), not of the word the caret touches: a symbol typed before a
            // word in a larger size matches the text it follows, as a typed letter would.
            const int size = Editor->SelAttributes().size();
            // The symbol's own attributes are those of what is typed (or of the selection it
            // replaces); the word at the caret keeps its face.
            {
                const QScopedValueRollback<bool> lock(FSyncLock, true);
                Editor->setLineSpacingRule(DBRichEdit::LineSpacing::Single);
                TextAttributes typing = Editor->SelAttributes();
                typing.setName(QStringLiteral("Symbol"));
                typing.setCharset(TextAttributes::SymbolCharset);
                typing.setSize(size);
                UpdateCutCopyButtons();
            }
            typeCode(quil::SymbolPalette::typedCode(symbolItemBytes(item)));
            {
                const QScopedValueRollback<bool> lock(FSyncLock, true);
                Editor->setLineSpacingRule(DBRichEdit::LineSpacing::Single);
                TextAttributes typing = Editor->SelAttributes();
                typing.setCharset(TextAttributes::DefaultCharset);
                typing.setSize(size);
                UpdateCutCopyButtons();
            }
        });
    }
    // What the user types next goes on in the abstract, not in the palette.
    FocusEditor();
}

void TFormEdit::siLinkFontClick()
{
    const QString path = Editor->SelText();
    Editor->editStep([this, &path] {
        const int start = Editor->SelStart();
        Editor->setSelText(QStringLiteral("file:<") + path + QLatin1Char('>'));
        const int end = Editor->textCursor().position();
        const QScopedValueRollback<bool> lock(FSyncLock, true);
        Editor->setLineSpacingRule(DBRichEdit::LineSpacing::Single);
        // The whole link just made, whatever its path holds (Qt's word would stop at "<").
        QTextCursor link = Editor->textCursor();
        link.setPosition(start);
        link.setPosition(end, QTextCursor::KeepAnchor);
        Editor->setTextCursor(link);
        TextAttributes attributes = Editor->SelAttributes();
        attributes.setStyle(attributes.style() | TextAttributes::Underline);
        attributes.setColor(QColor(0, 0, 255));
        attributes.setName(QStringLiteral("Times New Roman"));
        Editor->setSelStart(end);
        UpdateCutCopyButtons();
    });
}

void TFormEdit::Editor1URLClick(const QString &link, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    if (!link.contains(QLatin1String(":<"))) {
        quil::shell().open(quil::LinkFinder::address(link));
        return;
    }
    const int start = Editor->SelStart();
    if (start < 0)
        return;
    const quil::LinkFinder::FileLink target = quil::LinkFinder::resolveFileLink(
        Editor->Line(Editor->LineFromChar(start)), FProgramFolder);
    switch (target.kind) {
    case quil::LinkFinder::FileLink::None: return;
    case quil::LinkFinder::FileLink::Refused: throw quil::Error(target.message);
    case quil::LinkFinder::FileLink::File: quil::shell().open(target.path); return;
    }
}

void TFormEdit::EditorMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &at)
{
    if (button == Qt::RightButton)
        pmEdit->popup(Editor->viewport()->mapToGlobal(at));
}

void TFormEdit::siLingvoClick()
{
    // The button's own click ends first, and the focus is back in the editor.
    QCoreApplication::processEvents();
    // The first synthesised Ctrl+C copies; without synthesis the copy is made here.
    if (!quil::synthesizeDoubleCopy(quil::keySynthesizer()))
        Editor->copy();
}
