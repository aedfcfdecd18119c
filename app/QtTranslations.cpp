#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qttranslations {

QLocale locale(const QLocale &system)
{
    if (system.language() == QLocale::C || system.language() == QLocale::AnyLanguage)
        return QLocale(QLocale::Russian, QLocale::Russia);
    return system;
}

QTranslator *install(QCoreApplication &application)
{
    auto *translator = new QTranslator(&application);
    // "qtbase" holds the widgets' texts; "qt" would pull in every module's catalogue.
    if (!translator->load(locale(QLocale::system()), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace qttranslations
