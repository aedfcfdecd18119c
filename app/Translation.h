#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

// The program's own texts are written in Russian. A desktop whose language is English reads them
// in English (the catalogue built from translations/quil_en.ts); every other reads them as they
// are written.
namespace translation {

// Whether the program speaks English to a desktop in this locale.
bool english(const QLocale &system);

// Installs the English catalogue when english(system). Returns the installed translator, owned
// by the application, or null when the texts stay Russian.
QTranslator *install(QCoreApplication &application, const QLocale &system = QLocale::system());

} // namespace translation
