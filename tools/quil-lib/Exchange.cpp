// quil-lib import / export: references into a library from a file, and a library into a file.
#include "Command.h"

#include "exchange/ExchangeExport.h"
#include "exchange/ExchangeImport.h"
#include "export/ListExport.h"
#include "import/Import.h"
#include "import/TextEncoding.h"
#include "store/LibraryFile.h"
#include "store/TDataModule1.h"

#include <QFileInfo>
#include <memory>

namespace {

// The library at path, open; null with the reason written to err.
std::unique_ptr<TDataModule1> openLibrary(const QString &path, QTextStream &err)
{
    auto dataModule = std::make_unique<TDataModule1>();
    try {
        if (!QFileInfo::exists(path))
            throw quil::Error(QStringLiteral("файла нет"));
        dataModule->ADOConnection.setConnectionString(QStringLiteral("Data Source=") +
                                                      QFileInfo(path).absoluteFilePath());
        dataModule->ADOConnection.Open();
        dataModule->ADOTable.Open();
    } catch (const std::exception &e) {
        err << library::openError(path, QFileInfo(path).fileName(), e).message() << '\n';
        return nullptr;
    }
    return dataModule;
}

QString encodingNamed(const QString &name)
{
    static const QHash<QString, QString> aliases = {
        {QStringLiteral("cp1251"), quil::encoding::Windows1251},
        {QStringLiteral("1251"), quil::encoding::Windows1251},
        {QStringLiteral("cp866"), quil::encoding::Cp866},
        {QStringLiteral("866"), quil::encoding::Cp866},
        {QStringLiteral("dos"), quil::encoding::Cp866},
        {QStringLiteral("utf8"), quil::encoding::Utf8},
        {QStringLiteral("cp1252"), quil::encoding::Windows1252},
    };
    for (const QString &known : quil::importEncodings())
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    return aliases.value(name.toLower());
}

int importFile(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QStringList rest = args;
    QString encoding;
    const qsizetype option = rest.indexOf(QStringLiteral("--encoding"));
    if (option >= 0) {
        if (option + 1 >= rest.size())
            return 2;
        encoding = encodingNamed(rest[option + 1]);
        if (encoding.isEmpty()) {
            err << "unknown encoding " << rest[option + 1]
                << "; known: " << quil::importEncodings().join(QStringLiteral(", ")) << '\n';
            return 2;
        }
        rest.remove(option, 2);
    }
    if (rest.size() != 2)
        return 2;
    const QString &file = rest[1];
    const std::unique_ptr<TDataModule1> dataModule = openLibrary(rest[0], err);
    if (!dataModule)
        return 1;
    const QString suffix = QFileInfo(file).suffix().toLower();
    quil::ImportResult result;
    try {
        if (QFileInfo(file).isDir())
            result = quil::importAbstractFolder(*dataModule, file);
        else if (suffix == QLatin1String("bib") || suffix == QLatin1String("ris"))
            result = quil::exchange::importBibliography(*dataModule, file, encoding);
        else
            result = quil::importReferenceList(*dataModule, file, {}, encoding);
    } catch (const std::exception &e) {
        err << quil::messageOf(e) << '\n';
        return 1;
    }
    out << "stored " << result.stored << '\n';
    for (const quil::ImportProblem &problem : result.passedOver)
        out << "passed over " << problem.file << ": " << problem.why << '\n';
    return 0;
}

int exportFile(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2)
        return 2;
    const QString &file = args[1];
    const QString suffix = QFileInfo(file).suffix().toLower();
    const QStringList known{"bib", "ris", "txt", "html"};
    if (!known.contains(suffix)) {
        err << "the file's extension names the format: .bib, .ris, .txt or .html\n";
        return 2;
    }
    const std::unique_ptr<TDataModule1> dataModule = openLibrary(args[0], err);
    if (!dataModule)
        return 1;
    try {
        if (suffix == QLatin1String("txt") || suffix == QLatin1String("html")) {
            const ListExport exporter(suffix == QLatin1String("txt") ? ListExport::Format::Text
                                                                     : ListExport::Format::Html,
                                      false);
            const ListExport::Result result = exporter.write(dataModule->ADOTable, file);
            if (!result.ok()) {
                err << result.error << '\n';
                return 1;
            }
            out << "written " << result.rows << '\n';
            return 0;
        }
        const quil::exchange::ExportResult result = quil::exchange::exportBibliography(
            dataModule->ADOTable, file,
            suffix == QLatin1String("bib") ? quil::exchange::Format::BibTeX
                                           : quil::exchange::Format::Ris);
        if (!result.ok()) {
            err << result.error << '\n';
            return 1;
        }
        out << "written " << result.written << '\n';
        if (result.skipped > 0)
            out << "passed over " << result.skipped << " entries with neither authors nor title\n";
    } catch (const std::exception &e) {
        err << quil::messageOf(e) << '\n';
        return 1;
    }
    return 0;
}

const LibCommand importCommand("import", "LIBRARY FILE [--encoding NAME]",
                               "adds the references of FILE (.bib, .ris, a reference list, or a "
                               "folder of abstracts) to LIBRARY; prints what was stored and what "
                               "was passed over, and why",
                               importFile);
const LibCommand exportCommand("export", "LIBRARY FILE",
                               "writes every entry of LIBRARY to FILE, in the format its "
                               "extension names: .bib, .ris, .txt or .html",
                               exportFile);

} // namespace
