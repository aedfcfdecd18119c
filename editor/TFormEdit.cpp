#include "editor/TFormEdit.h"

#include "app/TForm1.h"
#include "app/Tag.h"
#include "platform/Dialogs.h"

#include <QCloseEvent>
#include <QTextEdit>
#include <QVBoxLayout>

TFormEdit *FormEdit = nullptr;

TFormEdit::TFormEdit(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FormEdit"));
    setWindowTitle(QStringLiteral("Редактирование абстрактов"));
    setAccessibleName(windowTitle());
    // Closing the main window ends the program even while the editor is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    resize(1023, 448);

    Editor = new QTextEdit(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setAccessibleName(QStringLiteral("Абстракт"));
    Editor->setFrameShape(QFrame::NoFrame);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Editor->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont editorFont(QStringLiteral("Times New Roman"));
    editorFont.setPointSize(12);
    Editor->setFont(editorFont);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Editor);
}

void TFormEdit::ResetTextAttributes()
{
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Normal);
    plain.setFontItalic(false);
    plain.setFontUnderline(false);
    plain.setFontStrikeOut(false);
    plain.setVerticalAlignment(QTextCharFormat::AlignNormal);
    plain.setForeground(QColor(Qt::black));

    QTextCursor cursor = Editor->textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::WordUnderCursor);
    if (cursor.hasSelection())
        cursor.mergeCharFormat(plain);
    // What is typed next at the caret takes the reset attributes too.
    Editor->mergeCurrentCharFormat(plain);
}

void TFormEdit::FormClose()
{
    if (Form1)
        setTag(Form1->mmAbstract, 0);
}

void TFormEdit::closeEvent(QCloseEvent *event)
{
    event->accept();
    quil::guarded([this] { FormClose(); });
}
