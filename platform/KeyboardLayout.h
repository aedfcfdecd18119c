#pragma once

namespace quil {

// The language of the current keyboard layout, as a Windows language identifier (Russian is
// 1049). The Qt implementation reads the input method's locale.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    virtual int currentLanguage() const = 0;
};

inline constexpr int LanguageRussian = 1049;
inline constexpr int LanguageEnglish = 1033;

KeyboardLayout &keyboardLayout();
void setKeyboardLayout(KeyboardLayout *layout);

} // namespace quil
