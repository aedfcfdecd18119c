#include "platform/KeyboardLayout.h"

namespace quil {
namespace {

class FixedLayout : public KeyboardLayout {
public:
    int currentLanguage() const override { return LanguageEnglish; }
};

FixedLayout fixedLayout;
KeyboardLayout *current = &fixedLayout;

} // namespace

KeyboardLayout &keyboardLayout() { return *current; }

void setKeyboardLayout(KeyboardLayout *layout) { current = layout ? layout : &fixedLayout; }

} // namespace quil
