#include "platform/Clipboard.h"

#include "platform/Error.h"

namespace quil {
namespace {

const QString CannotOpen = QStringLiteral("Cannot open clipboard");

// A program without a screen has no clipboard.
class NoClipboard : public Clipboard {
protected:
    bool acquire() override { return false; }
    bool publish(const QString &) override { return false; }
    QString heldText() const override { return {}; }
};

NoClipboard noClipboard;
Clipboard *current = &noClipboard;

} // namespace

void Clipboard::open()
{
    if (FOpenCount == 0) {
        if (!acquire())
            throw Error(CannotOpen);
        FWritten = false;
        FText.clear();
    }
    ++FOpenCount;
}

void Clipboard::close()
{
    if (FOpenCount == 0 || --FOpenCount > 0)
        return;
    const bool written = FWritten;
    const QString text = FText;
    FWritten = false;
    FText.clear();
    if (written && !publish(text))
        throw Error(CannotOpen);
}

void Clipboard::abandon()
{
    FOpenCount = 0;
    FWritten = false;
    FText.clear();
}

void Clipboard::setText(const QString &text)
{
    ClipboardLock lock(*this);
    FText = text;
    FWritten = true;
    lock.close();
}

QString Clipboard::text() const { return FWritten ? FText : heldText(); }

ClipboardLock::ClipboardLock(Clipboard &clipboard) : FClipboard(clipboard), FOpen(false)
{
    FClipboard.open();
    FOpen = true;
}

ClipboardLock::~ClipboardLock()
{
    if (FOpen)
        FClipboard.abandon();
}

void ClipboardLock::close()
{
    FOpen = false;
    FClipboard.close();
}

Clipboard &clipboard() { return *current; }

void setClipboard(Clipboard *clipboard) { current = clipboard ? clipboard : &noClipboard; }

} // namespace quil
