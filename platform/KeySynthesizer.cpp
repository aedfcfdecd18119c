#include "platform/KeySynthesizer.h"

namespace quil {
namespace {

class NoKeySynthesizer : public KeySynthesizer {
public:
    bool available() const override { return false; }
    int scanCode(int) const override { return 0; }
    void key(int, int, bool) override {}
};

NoKeySynthesizer noKeySynthesizer;
KeySynthesizer *current = &noKeySynthesizer;

} // namespace

QList<KeyStroke> doubleCopyKeys(const KeySynthesizer &synthesizer)
{
    const int control = synthesizer.scanCode(VirtualKeyControl);
    const KeyStroke cDown{VirtualKeyC, VirtualKeyC, false};
    const KeyStroke cUp{VirtualKeyC, VirtualKeyC, true};
    return {{VirtualKeyControl, control, false}, cDown, cUp, cDown, cUp,
            {VirtualKeyControl, control, true}};
}

bool synthesizeDoubleCopy(KeySynthesizer &synthesizer)
{
    if (!synthesizer.available())
        return false;
    for (const KeyStroke &k : doubleCopyKeys(synthesizer))
        synthesizer.key(k.virtualKey, k.scanByte, k.keyUp);
    return true;
}

KeySynthesizer &keySynthesizer() { return *current; }

void setKeySynthesizer(KeySynthesizer *synthesizer)
{
    current = synthesizer ? synthesizer : &noKeySynthesizer;
}

int ScriptedKeySynthesizer::scanCode(int virtualKey) const
{
    return virtualKey == VirtualKeyControl ? controlScanCode : 0;
}

void ScriptedKeySynthesizer::key(int virtualKey, int scanByte, bool keyUp)
{
    sent.append({virtualKey, scanByte, keyUp});
}

ScopedScriptedKeySynthesizer::ScopedScriptedKeySynthesizer() : FPrevious(&keySynthesizer())
{
    setKeySynthesizer(this);
}

ScopedScriptedKeySynthesizer::~ScopedScriptedKeySynthesizer() { setKeySynthesizer(FPrevious); }

} // namespace quil
