#include "jet/gui/MigrationOffer.h"

#include "jet/JetReader.h"
#include "jet/Migration.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>

namespace jet {

namespace {

// Shown only once the migration has run for a while, updated a few times a second; no
// cancel, the migration ends only by its own end or an error.
class ProgressWindow {
public:
    explicit ProgressWindow(QWidget *parent) : FDialog(parent)
    {
        FDialog.setWindowTitle(QStringLiteral("QUIL.Lib"));
        FDialog.setLabelText(
            QCoreApplication::translate("MigrationOffer", "Перенос библиотеки в новый формат…"));
        FDialog.setCancelButton(nullptr);
        FDialog.setWindowModality(Qt::ApplicationModal);
        FDialog.setMinimumDuration(500);
        FDialog.setAutoClose(false);
        FDialog.setAutoReset(false);
        FClock.start();
    }

    void update(int done, int total)
    {
        if (FClock.elapsed() - FShown < 100 && done < total)
            return;
        FShown = FClock.elapsed();
        FDialog.setMaximum(total);
        FDialog.setValue(done);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    QProgressDialog FDialog;
    QElapsedTimer FClock;
    qint64 FShown = -1000;
};

} // namespace

bool offerMigration(const QString &libraryPath, QWidget *parent)
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
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ProgressWindow progress(parent);
        try {
            migrated = migrateInPlace(libraryPath,
                                      [&](int done, int total) { progress.update(done, total); });
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
    }
    const QStringList notes = columnNotes(migrated.leftOut, migrated.missing);
    if (!notes.isEmpty())
        quil::dialogs().showInformation(QStringLiteral("QUIL.Lib"),
                                        notes.join(QStringLiteral(".\n")) + QLatin1Char('.'));
    return true;
}

} // namespace jet
