#include "export/ListExport.h"

#include "export/AnsiEncoder.h"
#include "export/ReferenceRows.h"
#include "platform/DataSet.h"

#include <QDir>
#include <QSaveFile>

namespace {

const QString SelectionTitle = QStringLiteral("QUIL 3.02 - Запись выборки из БД");
const QString WholeTitle = QStringLiteral("QUIL 3.02 - Запись всей информации из БД");

const char *const HtmlHead[] = {
    R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0//EN">)",
    R"(<HTML lang="ru">)",
    "<head>",
    R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1251">)",
};
const char *const HtmlBodyStart =
    R"(<BODY TEXT="#000000" BGCOLOR="#FFFFFF" LINK="#FF0000" VLINK="#800080" ALINK="#0000FF">)";

// The display stays suspended until resume(), or until the walk ends by an error.
class ControlsSuspended {
public:
    explicit ControlsSuspended(quil::DataSet &data) : FData(data) { FData.DisableControls(); }
    ~ControlsSuspended()
    {
        if (!FSuspended)
            return;
        try {
            FData.EnableControls();
        } catch (...) {
            // The walk's own error is the one reported.
        }
    }
    ControlsSuspended(const ControlsSuspended &) = delete;
    ControlsSuspended &operator=(const ControlsSuspended &) = delete;
    void resume()
    {
        FSuspended = false;
        FData.EnableControls();
    }

private:
    quil::DataSet &FData;
    bool FSuspended = true;
};

// One file's lines, each closed by CR LF, encoded into a buffer that goes to the device
// whenever it holds a piece's worth: an export keeps a piece of its file in memory, not all of
// it. After a failed write nothing more is written and error() says why.
class LineWriter {
public:
    LineWriter(ListExport::Format format, QIODevice &device)
        : FHtml(format == ListExport::Format::Html),
          FEncoder(FHtml ? AnsiEncoder::Unencodable::CharacterReference
                         : AnsiEncoder::Unencodable::QuestionMark),
          FDevice(device)
    {
        FBytes.reserve(PieceSize + PieceSize / 4);
    }
    void ascii(const char *text) { FBytes += text; }
    void text(const QString &text) { FEncoder.append(FBytes, text); }
    // A field value: line breaks as CR LF, in HTML with the markup characters escaped.
    void field(const QString &value) { FEncoder.appendField(FBytes, value, FHtml); }
    void end()
    {
        FBytes += "\r\n";
        if (FBytes.size() >= PieceSize)
            spill();
    }
    // Writes what is left.
    void finish() { spill(); }
    bool ok() const { return FError.isEmpty(); }
    const QString &error() const { return FError; }
    int replaced() const { return FEncoder.replaced(); }

private:
    static constexpr qsizetype PieceSize = 256 * 1024;

    void spill()
    {
        if (ok() && !FBytes.isEmpty() && FDevice.write(FBytes) != FBytes.size())
            FError = FDevice.errorString().isEmpty() ? QStringLiteral("Ошибка записи")
                                                     : FDevice.errorString();
        FBytes.resize(0); // keeps the capacity for the next piece
    }

    bool FHtml;
    AnsiEncoder FEncoder;
    QIODevice &FDevice;
    QByteArray FBytes;
    QString FError;
};

void writeHead(LineWriter &lines, ListExport::Format format, const QString &title)
{
    if (format == ListExport::Format::Text) {
        lines.text(title);
        lines.end();
        return;
    }
    for (const char *line : HtmlHead) {
        lines.ascii(line);
        lines.end();
    }
    lines.ascii("<title>");
    lines.text(title);
    lines.ascii("</title>");
    lines.end();
    lines.ascii("</head>");
    lines.end();
    lines.ascii(HtmlBodyStart);
    lines.end();
}

} // namespace

ListExport::ListExport(Format format, bool selection) : FFormat(format), FSelection(selection) {}

quil::Dialogs::FileRequest ListExport::saveRequest(const QString &programFolder) const
{
    quil::Dialogs::FileRequest request;
    request.initialFolder = programFolder + QStringLiteral("Result");
    request.fileName.clear();
    request.confirmOverwrite = true;
    if (FFormat == Format::Text) {
        request.title = FSelection ? QStringLiteral("Запись выборки в TXT файл")
                                   : QStringLiteral("Запись всей информации в TXT файл");
        request.filter = QStringLiteral("File Result (*.txt)|*.TXT");
        request.defaultSuffix = QStringLiteral("txt");
    } else {
        request.title = FSelection ? QStringLiteral("Запись выборки в HTML файл")
                                   : QStringLiteral("Запись всей информации в HTML файл");
        request.filter = QStringLiteral("File Result (*.html)|*.html");
        request.defaultSuffix = QStringLiteral("html");
    }
    return request;
}

ListExport::Result ListExport::write(quil::DataSet &data, QIODevice &device) const
{
    const bool html = FFormat == Format::Html;
    LineWriter lines(FFormat, device);
    writeHead(lines, FFormat, FSelection ? SelectionTitle : WholeTitle);

    int row = 0;
    {
        ControlsSuspended suspended(data);
        data.First();
        ReferenceRows rows(data);
        // A failed write ends the walk early: nothing more of the file is wanted.
        while (!data.Eof() && lines.ok()) {
            const ReferenceRows::Parts &parts = rows.at(row);
            ++row;
            if (!html) {
                lines.ascii(QByteArray::number(row).constData());
                lines.ascii(". ");
            }
            lines.field(parts.name);
            lines.ascii(" ");
            lines.field(parts.title);
            lines.ascii(" ");
            lines.field(parts.publisher);
            lines.end();
            if (html) {
                lines.ascii("<BR><BR>");
                lines.end();
            }
            data.Next();
        }
        data.First();
        suspended.resume();
    }

    if (html) {
        lines.ascii("</HTML>");
        lines.end();
    }
    Result result;
    lines.finish();
    result.rows = row;
    result.replaced = lines.replaced();
    result.error = lines.error();
    return result;
}

ListExport::Result ListExport::write(quil::DataSet &data, const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // The dataset ends where a written one would: on its first row.
        ControlsSuspended suspended(data);
        data.First();
        suspended.resume();
        Result result;
        result.error = cannotCreateFile(path);
        return result;
    }
    // Should reading a row raise, the file is never committed and QSaveFile drops it.
    Result result = write(data, file);
    if (!result.ok())
        file.cancelWriting();
    if (!result.ok() || !file.flush() || !file.commit())
        result.error = cannotCreateFile(path);
    return result;
}

QString ListExport::cannotCreateFile(const QString &path)
{
    return QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
}
