#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

// Qt's own texts — the file dialogs, the buttons of message boxes — in the user's language,
// so that they match the window. The program's own texts are translated apart (Translation.h).
namespace qttranslations {

// The locale whose translation is loaded: the system's, or Russian when the system names none
// (the C or POSIX locale, or no locale set at all).
QLocale locale(const QLocale &system);

// Installs Qt's translation (Debian's qt6-translations-l10n) for locale(QLocale::system()).
// Returns the installed translator, owned by the application, or null when there is none for
// that locale, in which case Qt's texts stay English.
QTranslator *install(QCoreApplication &application);

} // namespace qttranslations
