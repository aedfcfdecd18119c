#pragma once

#include "platform/KeySynthesizer.h"

namespace quil {

// Synthesises keys system-wide through the X server's XTest extension, on the display that
// the application itself uses. Unavailable when the application runs on another platform
// (Wayland, offscreen) or the server lacks the extension.
class XTestKeySynthesizer : public KeySynthesizer {
public:
    bool available() const override;
    // On X11 the scan code of a key is its keycode.
    int scanCode(int virtualKey) const override;
    // The key is found from the virtual key; the scan byte is a Windows notion and unused.
    void key(int virtualKey, int scanByte, bool keyUp) override;
};

} // namespace quil
