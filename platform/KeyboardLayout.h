#pragma once

#include <QObject>
#include <QString>

namespace quil {

// The current keyboard layout of the desktop, as a Windows language identifier (Russian is
// 1049), and word of every switch. On X11 the layout is the XKB group of the core keyboard
// (platform/gui/XkbKeyboardLayout.h); elsewhere the input method's locale.
class KeyboardLayout : public QObject {
    Q_OBJECT
public:
    virtual int currentLanguage() const = 0;

signals:
    // The layout has been switched (emitted after the switch).
    void switched();
};

inline constexpr int LanguageRussian = 1049;
inline constexpr int LanguageEnglish = 1033;

// The language of an XKB layout by its name ("Russian", "Russian (phonetic)", "ru"): Russian
// for a Russian layout, English for every other.
int languageOfLayoutName(const QString &name);

KeyboardLayout &keyboardLayout();
void setKeyboardLayout(KeyboardLayout *layout);

} // namespace quil
