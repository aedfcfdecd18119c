#include "app/Translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace translation {

bool english(const QLocale &system) { return system.language() == QLocale::English; }

QTranslator *install(QCoreApplication &application, const QLocale &system)
{
    if (!english(system))
        return nullptr;
    auto *translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral(":/i18n/quil_en.qm")) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace translation
