#include "export/gui/ExportCommands.h"

#include "export/ClipboardExport.h"
#include "export/Reference.h"
#include "platform/Clipboard.h"
#include "platform/Error.h"
#include "platform/gui/WaitCursor.h"
#include "store/TDataModule1.h"
#include "widgets/DBRichEdit.h"

#include <QPlainTextEdit>

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
