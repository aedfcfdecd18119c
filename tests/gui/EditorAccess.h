#pragma once
// The shown editor's control, its caret and selection, and the formats of its characters.

#include "AppFixture.h"
#include "editor/gui/TFormEdit.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

inline quil::DBRichEdit *editor() { return running().FormEdit->Editor; }

inline void select(int from, int to)
{
    QTextCursor c = editor()->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    editor()->setTextCursor(c);
}

inline void caret(int at) { select(at, at); }

// The format of the character at a position.
inline QTextCharFormat charAt(const QTextDocument *doc, int position)
{
    QTextCursor c(const_cast<QTextDocument *>(doc));
    c.setPosition(position + 1);
    return c.charFormat();
}
inline QTextCharFormat charAt(int position) { return charAt(editor()->document(), position); }
