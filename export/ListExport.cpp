#include "export/ListExport.h"

#include "export/AnsiEncoder.h"
#include "export/Reference.h"
#include "platform/DataSet.h"
#include "store/Book.h"

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

bool needsEscape(const QString &text)
{
    for (const QChar c : text)
        if (c == QLatin1Char('&') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
            c == QLatin1Char('"'))
            return true;
    return false;
}

QString escaped(const QString &text)
{
    QString result;
    result.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': result += QStringLiteral("&amp;"); break;
        case '<': result += QStringLiteral("&lt;"); break;
        case '>': result += QStringLiteral("&gt;"); break;
        case '"': result += QStringLiteral("&quot;"); break;
        default: result += c; break;
        }
    }
    return result;
}

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

// One file's bytes, each line closed by CR LF.
class Lines {
public:
    explicit Lines(ListExport::Format format)
        : FHtml(format == ListExport::Format::Html),
          FEncoder(FHtml ? AnsiEncoder::Unencodable::CharacterReference
                         : AnsiEncoder::Unencodable::QuestionMark)
    {
    }
    void ascii(const char *text) { FBytes += text; }
    void text(const QString &text) { FEncoder.append(FBytes, text); }
    // A field value: line breaks as CR LF, in HTML with the markup characters escaped.
    void field(const QString &value)
    {
        const QString &lines = Reference::hasLineBreak(value) ? Reference::withCrLf(value) : value;
        if (FHtml && needsEscape(lines))
            FEncoder.append(FBytes, escaped(lines));
        else
            FEncoder.append(FBytes, lines);
    }
    void end() { FBytes += "\r\n"; }
    QByteArray take() { return std::move(FBytes); }
    int replaced() const { return FEncoder.replaced(); }

private:
    bool FHtml;
    AnsiEncoder FEncoder;
    QByteArray FBytes;
};

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

QByteArray ListExport::build(quil::DataSet &data, Result &result) const
{
    Lines lines(FFormat);
    const QString &title = FSelection ? SelectionTitle : WholeTitle;
    const bool html = FFormat == Format::Html;
    if (html) {
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
    } else {
        lines.text(title);
        lines.end();
    }

    const quil::Field &nameField = data.FieldByName(book::WName);
    const quil::Field &titleField = data.FieldByName(book::WTitle);
    const quil::Field &publisherField = data.FieldByName(book::WPublisher);
    ControlsSuspended suspended(data);
    int number = 0;
    data.First();
    while (!data.Eof()) {
        ++number;
        if (!html) {
            lines.ascii(QByteArray::number(number).constData());
            lines.ascii(". ");
        }
        lines.field(nameField.AsString());
        lines.ascii(" ");
        lines.field(titleField.AsString());
        lines.ascii(" ");
        lines.field(publisherField.AsString());
        lines.end();
        if (html) {
            lines.ascii("<BR><BR>");
            lines.end();
        }
        data.Next();
    }
    data.First();
    suspended.resume();

    if (html) {
        lines.ascii("</HTML>");
        lines.end();
    }
    result.rows = number;
    result.replaced = lines.replaced();
    return lines.take();
}

ListExport::Result ListExport::write(quil::DataSet &data, QIODevice &device) const
{
    Result result;
    const QByteArray bytes = build(data, result);
    if (device.write(bytes) != bytes.size())
        result.error =
            device.errorString().isEmpty() ? QStringLiteral("Ошибка записи") : device.errorString();
    return result;
}

ListExport::Result ListExport::write(quil::DataSet &data, const QString &path) const
{
    Result result;
    const QByteArray bytes = build(data, result);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit()) {
        file.cancelWriting();
        result.error = cannotCreateFile(path);
    }
    return result;
}

QString ListExport::cannotCreateFile(const QString &path)
{
    return QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
}
