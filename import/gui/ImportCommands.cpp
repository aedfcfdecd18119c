#include "import/gui/ImportCommands.h"

#include "exchange/ExchangeImport.h"
#include "import/Import.h"
#include "import/ImportSource.h"
#include "import/TextEncoding.h"
#include "import/gui/ImportProgressDialog.h"
#include "platform/Dialogs.h"
#include "platform/gui/WaitCursor.h"
#include "store/TDataModule1.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QWidget>

namespace {

quil::ImportProgress progressOf(ImportProgressDialog &dialog)
{
    return [&dialog](int done, int total, const QString &file) {
        return dialog.update(done, total, file);
    };
}

// A cancelled import says so, and that it left the library as it was; false when it ran on.
bool tellCancelled(const quil::ImportResult &result, const QString &path)
{
    if (result.cancelled)
        quil::dialogs().showInformation(
            QStringLiteral("QUIL.Lib"),
            QCoreApplication::translate("ImportCommands",
                                        "Импорт из %1 отменён: библиотека осталась такой, "
                                        "какой была до него.")
                .arg(QFileInfo(path).fileName()));
    return result.cancelled;
}

} // namespace

void ImportCommands::chooseReferenceList(const QString &programFolder,
                                         const QString &libraryFileName,
                                         const std::function<void(const QString &)> &importList)
{
    quil::Dialogs::FileRequest request;
    request.title =
        QCoreApplication::translate("ImportCommands", "Импорт Name-Title из файла.txt в ") +
        libraryFileName;
    request.filter = QStringLiteral("Import Data (*.txt)|*.TXT|");
    request.initialFolder = programFolder + QStringLiteral("Import Data");
    const QString path = quil::dialogs().openFileName(request);
    if (!path.isEmpty())
        importList(path);
}

QString ImportCommands::chooseEncoding(const QString &path)
{
    QByteArray head;
    QFile file;
    // A file that cannot be read is reported by the import itself.
    if (quil::openRegularFile(file, path, nullptr))
        head = file.read(quil::EncodingSampleBytes);
    quil::Dialogs::EncodingRequest request;
    request.title = QCoreApplication::translate("ImportCommands", "Кодировка файла ") +
                    QFileInfo(path).fileName();
    request.names = quil::importEncodings();
    for (const QString &name : request.names)
        request.labels << quil::encodingLabel(name);
    request.guess = quil::guessEncoding(head);
    request.preview = [head](const QString &name) { return quil::previewLines(head, name); };
    return quil::dialogs().chooseEncoding(request);
}

void ImportCommands::importReferenceList(TDataModule1 &dataModule, const QString &path,
                                         QWidget &window, QWidget &authors)
{
    const auto focusAuthors = qScopeGuard([&authors] { authors.setFocus(); });
    const QString encoding = chooseEncoding(path);
    if (encoding.isEmpty())
        return;
    quil::ImportResult result;
    {
        const quil::WaitCursor wait;
        ImportProgressDialog progress(&window);
        result = quil::importReferenceList(dataModule, path, progressOf(progress), encoding);
    }
    tellCancelled(result, path);
}

void ImportCommands::importBibliography(TDataModule1 &dataModule, QWidget &window, QWidget &authors,
                                        const QString &programFolder,
                                        const QString &libraryFileName)
{
    quil::Dialogs::FileRequest request;
    request.title =
        QCoreApplication::translate("ImportCommands", "Импорт BibTeX или RIS в ") + libraryFileName;
    request.filter = QStringLiteral("BibTeX, RIS (*.bib, *.ris)|*.bib;*.ris|BibTeX (*.bib)|*.bib|"
                                    "RIS (*.ris)|*.ris|");
    request.initialFolder = programFolder + QStringLiteral("Import Data");
    const QString path = quil::dialogs().openFileName(request);
    if (path.isEmpty())
        return;
    const auto focusAuthors = qScopeGuard([&authors] { authors.setFocus(); });
    const QString encoding = chooseEncoding(path);
    if (encoding.isEmpty())
        return;
    quil::ImportResult result;
    {
        const quil::WaitCursor wait;
        ImportProgressDialog progress(&window);
        result =
            quil::exchange::importBibliography(dataModule, path, encoding, progressOf(progress));
    }
    if (tellCancelled(result, path))
        return;
    if (!result.passedOver.isEmpty())
        quil::dialogs().showInformation(QStringLiteral("QUIL.Lib"),
                                        quil::exchange::passedOverRecordsMessage(
                                            QFileInfo(path).fileName(), result.passedOver));
}

void ImportCommands::importAbstractFolder(TDataModule1 &dataModule, QWidget &window,
                                          const QString &programFolder)
{
    if (!quil::dialogs().askYesNo(
            QCoreApplication::translate("ImportCommands", "Внимание!!!"),
            QCoreApplication::translate("ImportCommands",
                                        "Загрузить Name-Title-Abstract из директории Abstract?")))
        return;
    quil::ImportResult result;
    {
        const quil::WaitCursor wait;
        const QString caption = window.windowTitle();
        const auto restoreCaption = qScopeGuard([&] { window.setWindowTitle(caption); });
        ImportProgressDialog progress(&window);
        result = quil::importAbstractFolder(dataModule, programFolder + QStringLiteral("Abstract"),
                                            [&](int done, int total, const QString &file) {
                                                window.setWindowTitle(file);
                                                return progress.update(done, total, file);
                                            });
    }
    if (tellCancelled(result, programFolder + QStringLiteral("Abstract")))
        return;
    if (!result.passedOver.isEmpty())
        quil::dialogs().showInformation(QStringLiteral("QUIL.Lib"),
                                        quil::passedOverMessage(result.passedOver));
}
