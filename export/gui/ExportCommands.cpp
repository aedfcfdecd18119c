#include "export/gui/ExportCommands.h"

#include "exchange/ExchangeExport.h"
#include "export/ClipboardExport.h"
#include "export/Reference.h"
#include "platform/Clipboard.h"
#include "platform/Error.h"
#include "platform/gui/WaitCursor.h"
#include "store/TDataModule1.h"
#include "widgets/DBRichEdit.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressDialog>

namespace {

QString paneReference(const QPlainTextEdit &name, const QPlainTextEdit &title,
                      const QPlainTextEdit &publisher)
{
    return Reference::join(name.toPlainText(), title.toPlainText(), publisher.toPlainText());
}

} // namespace

void ExportCommands::copyReference(const QPlainTextEdit &name, const QPlainTextEdit &title,
                                   const QPlainTextEdit &publisher)
{
    ClipboardExport::copyReference(quil::clipboard(), paneReference(name, title, publisher));
}

void ExportCommands::copyReferenceAndAbstract(const QPlainTextEdit &name,
                                              const QPlainTextEdit &title,
                                              const QPlainTextEdit &publisher,
                                              const QString &abstract)
{
    ClipboardExport::copyReferenceAndAbstract(quil::clipboard(),
                                              paneReference(name, title, publisher), abstract);
}

QString ExportCommands::currentAbstract(TDataModule1 &dataModule)
{
    return dataModule.abstract().text();
}

void ExportCommands::saveList(TDataModule1 &dataModule, ListExport::Format format, bool selection,
                              const QString &programFolder)
{
    const ListExport exporter(format, selection);
    const QString path = quil::dialogs().saveFileName(exporter.saveRequest(programFolder));
    if (path.isEmpty())
        return;
    const quil::WaitCursor wait;
    quil::DataSet &data = selection ? static_cast<quil::DataSet &>(dataModule.ADOQuery)
                                    : static_cast<quil::DataSet &>(dataModule.ADOTable);
    const ListExport::Result result = exporter.write(data, path);
    if (!result.ok())
        throw quil::Error(result.error);
}

void ExportCommands::copyBibTeX(TDataModule1 &dataModule)
{
    ClipboardExport::copyReference(quil::clipboard(),
                                   quil::exchange::currentAsBibTeX(dataModule.ADOTable));
}

void ExportCommands::saveBibliography(TDataModule1 &dataModule, quil::exchange::Format format,
                                      bool selection, const QString &programFolder)
{
    const bool bib = format == quil::exchange::Format::BibTeX;
    quil::Dialogs::FileRequest request;
    request.initialFolder = programFolder + QStringLiteral("Result");
    request.title =
        (selection ? QCoreApplication::translate("ExportCommands", "Запись выборки в ")
                   : QCoreApplication::translate("ExportCommands", "Запись всей информации в ")) +
        (bib ? QCoreApplication::translate("ExportCommands", "BibTeX файл")
             : QCoreApplication::translate("ExportCommands", "RIS файл"));
    request.filter =
        bib ? QStringLiteral("BibTeX (*.bib)|*.bib") : QStringLiteral("RIS (*.ris)|*.ris");
    request.defaultSuffix = bib ? QStringLiteral("bib") : QStringLiteral("ris");
    const QString path = quil::dialogs().saveFileName(request);
    if (path.isEmpty())
        return;
    const quil::WaitCursor wait;
    quil::DataSet &data = selection ? static_cast<quil::DataSet &>(dataModule.ADOQuery)
                                    : static_cast<quil::DataSet &>(dataModule.ADOTable);
    // Shown once the export has run for half a second. Cancelling loses nothing: no file is
    // written and one that was there stays as it was.
    QProgressDialog progress(request.title + QStringLiteral("…"),
                             QCoreApplication::translate("ExportCommands", "Отмена"), 0,
                             data.RecordCount());
    progress.setWindowTitle(QStringLiteral("QUIL.Lib"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const quil::exchange::ExportResult result =
        quil::exchange::exportBibliography(data, path, format, [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            return !progress.wasCanceled();
        });
    if (!result.ok())
        throw quil::Error(result.error);
}
