#pragma once

#include "platform/Clipboard.h"

namespace quil {

// The desktop clipboard through Qt, as Unicode plain text. On X11 only the clipboard is
// written, not the primary selection. A text that does not read back after the write means
// another program kept the clipboard.
class QtClipboard : public Clipboard {
protected:
    bool acquire() override;
    bool publish(const QString &text) override;
    QString heldText() const override;
};

} // namespace quil
