#pragma once

#include <QList>

namespace quil {

// System-wide keyboard input, as if the user pressed the keys: the keys reach whichever window
// has the focus, and outside programs that watch the keyboard see them too. Keys are named by
// Windows virtual-key codes; an implementation maps them to its own key codes.
class KeySynthesizer {
public:
    virtual ~KeySynthesizer() = default;
    // Whether keys can be synthesised here at all (not on Wayland or without an X server).
    virtual bool available() const = 0;
    // The scan code that the keyboard sends for a virtual key, 0 when there is none.
    virtual int scanCode(int virtualKey) const = 0;
    // One key going down or up.
    virtual void key(int virtualKey, int scanByte, bool keyUp) = 0;
};

inline constexpr int VirtualKeyControl = 17;
inline constexpr int VirtualKeyC = 67;

// One synthesised key event.
struct KeyStroke {
    int virtualKey = 0;
    int scanByte = 0;
    bool keyUp = false;
    bool operator==(const KeyStroke &other) const
    {
        return virtualKey == other.virtualKey && scanByte == other.scanByte && keyUp == other.keyUp;
    }
};

// Ctrl down, C down and up twice, Ctrl up: the double Ctrl+C that dictionary programs answer
// by translating the clipboard. The letter key is passed its own code as scan byte.
QList<KeyStroke> doubleCopyKeys(const KeySynthesizer &synthesizer);

// Sends doubleCopyKeys; false, sending nothing, where synthesis is not available.
bool synthesizeDoubleCopy(KeySynthesizer &synthesizer);

KeySynthesizer &keySynthesizer();
void setKeySynthesizer(KeySynthesizer *synthesizer);

// A synthesiser for tests: records every key instead of sending it.
class ScriptedKeySynthesizer : public KeySynthesizer {
public:
    bool isAvailable = true;
    int controlScanCode = 29; // what a PC keyboard sends for the left Ctrl key
    QList<KeyStroke> sent;

    bool available() const override { return isAvailable; }
    int scanCode(int virtualKey) const override;
    void key(int virtualKey, int scanByte, bool keyUp) override;
};

// Installs a scripted synthesiser for the life of a test and restores the previous one after.
class ScopedScriptedKeySynthesizer : public ScriptedKeySynthesizer {
public:
    ScopedScriptedKeySynthesizer();
    ~ScopedScriptedKeySynthesizer() override;

private:
    KeySynthesizer *FPrevious;
};

} // namespace quil
