#include "platform/gui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace quil {

bool QtClipboard::acquire() { return qGuiApp && QGuiApplication::clipboard(); }

bool QtClipboard::publish(const QString &text)
{
    QClipboard *board = QGuiApplication::clipboard();
    if (!board)
        return false;
    board->setText(text, QClipboard::Clipboard);
    return board->text(QClipboard::Clipboard) == text;
}

QString QtClipboard::heldText() const
{
    const QClipboard *board = QGuiApplication::clipboard();
    return board ? board->text(QClipboard::Clipboard) : QString();
}

} // namespace quil
