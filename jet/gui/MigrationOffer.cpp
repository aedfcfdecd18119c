#include "jet/gui/MigrationOffer.h"

#include "jet/JetReader.h"
#include "jet/Migration.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace jet {

bool offerMigration(const QString &libraryPath, QWidget * /*parent*/)
{
    const QFileInfo library(libraryPath);
    cleanUp(library.absolutePath());
    if (formatOf(libraryPath) == Format::Other)
        return true;
    const int entries = entryCount(libraryPath);
    if (!quil::dialogs().askYesNo(
            QCoreApplication::translate("MigrationOffer", "Внимание!!!"),
            QCoreApplication::translate(
                "MigrationOffer",
                "Библиотека %1 (записей: %2) записана старой программой (Microsoft "
                "Access). Перевести её в новый формат?\n\nИсходный файл будет "
                "перенесён без изменений в папку DBase/Access.")
                .arg(library.fileName())
                .arg(entries)))
        return false;
    Migrated migrated;
    // Off this thread, so that the window stays painted and its button answers; stopped, the
    // Access file stays where it was and nothing is opened. A stop asked after the last entry
    // comes too late: the migration has ended, and its library is opened.
    quil::dialogs().runWithProgress(
        QCoreApplication::translate("MigrationOffer", "Перенос библиотеки в новый формат…"),
        [&](const quil::Dialogs::Progress &progress) {
            migrated = migrateInPlace(libraryPath,
                                      [&](int done, int total) { return progress(done, total); });
        });
    if (migrated.stopped)
        return false;
    const QStringList notes = columnNotes(migrated.leftOut, migrated.missing);
    if (!notes.isEmpty())
        quil::dialogs().showInformation(QStringLiteral("QUIL.Lib"),
                                        notes.join(QStringLiteral(".\n")) + QLatin1Char('.'));
    return true;
}

} // namespace jet
