#include "platform/KeyboardLayout.h"

namespace quil {
namespace {

class FixedLayout : public KeyboardLayout {
public:
    int currentLanguage() const override { return LanguageEnglish; }
};

KeyboardLayout *current = nullptr;

} // namespace

int languageOfLayoutName(const QString &name)
{
    // XKB names a group by its description ("Russian (phonetic)"); short names are the symbol
    // file's ("ru", "ru(phonetic)").
    const QString n = name.trimmed();
    const bool russian = n.startsWith(QLatin1String("Russian"), Qt::CaseInsensitive) ||
                         n.compare(QLatin1String("ru"), Qt::CaseInsensitive) == 0 ||
                         n.startsWith(QLatin1String("ru("), Qt::CaseInsensitive);
    return russian ? LanguageRussian : LanguageEnglish;
}

KeyboardLayout &keyboardLayout()
{
    static FixedLayout fixedLayout;
    return current ? *current : fixedLayout;
}

void setKeyboardLayout(KeyboardLayout *layout) { current = layout; }

} // namespace quil
