#include "export/ListExport.h"

#include "db/DataSet.h"
#include "export/AnsiEncoder.h"
#include "export/ReferenceRows.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <system_error>
#include <thread>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

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
    void bytes(QByteArrayView bytes) { FBytes += bytes; }
    void text(const QString &text) { FEncoder.append(FBytes, text); }
    // A row's reference: field values with line breaks as CR LF, in HTML with the markup
    // characters escaped.
    void reference(QStringView name, QStringView title, QStringView publisher)
    {
        reference(FBytes, name, title, publisher);
    }
    // The same into a buffer of the caller's.
    void reference(QByteArray &out, QStringView name, QStringView title, QStringView publisher)
    {
        FEncoder.appendField(out, name, FHtml);
        out += ' ';
        FEncoder.appendField(out, title, FHtml);
        out += ' ';
        FEncoder.appendField(out, publisher, FHtml);
    }
    // The same from UTF-8.
    void reference(QByteArray &out, QByteArrayView name, QByteArrayView title,
                   QByteArrayView publisher)
    {
        FEncoder.appendFieldUtf8(out, name, FHtml);
        out += ' ';
        FEncoder.appendFieldUtf8(out, title, FHtml);
        out += ' ';
        FEncoder.appendFieldUtf8(out, publisher, FHtml);
    }
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
            FError = FDevice.errorString().isEmpty()
                         ? QCoreApplication::translate("ListExport", "Ошибка записи")
                         : FDevice.errorString();
        FBytes.resize(0); // keeps the capacity for the next piece
    }

    bool FHtml;
    AnsiEncoder FEncoder;
    QIODevice &FDevice;
    QByteArray FBytes;
    QString FError;
};

// The encoded references of a pass over the table, kept by row until the walk writes them in
// the dataset's order; in blocks, so that growing never copies what is held.
class EncodedRows {
public:
    explicit EncodedRows(int rows) : FSlots(size_t(rows)) {}
    QByteArray &startRow(int row)
    {
        if (FBlocks.empty() || FBlocks.back().size() >= BlockSize) {
            FBlocks.emplace_back();
            FBlocks.back().reserve(BlockSize + BlockSize / 8);
        }
        FSlots[size_t(row)] = {int(FBlocks.size() - 1), int(FBlocks.back().size()), -1};
        return FBlocks.back();
    }
    void endRow(int row)
    {
        Slot &slot = FSlots[size_t(row)];
        slot.length = int(FBlocks[size_t(slot.block)].size() - slot.offset);
    }
    // A row the pass did not meet (no longer in the file) reads as empty parts.
    QByteArrayView at(int row) const
    {
        const Slot &slot = FSlots[size_t(row)];
        if (slot.length < 0)
            return "  ";
        return QByteArrayView(FBlocks[size_t(slot.block)]).sliced(slot.offset, slot.length);
    }

private:
    static constexpr qsizetype BlockSize = 1024 * 1024;
    struct Slot {
        int block = 0;
        int offset = 0;
        int length = -1;
    };
    std::vector<Slot> FSlots;
    std::vector<QByteArray> FBlocks;
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
        request.title =
            FSelection
                ? QCoreApplication::translate("ListExport", "Запись выборки в TXT файл")
                : QCoreApplication::translate("ListExport", "Запись всей информации в TXT файл");
        request.filter = QStringLiteral("File Result (*.txt)|*.TXT");
        request.defaultSuffix = QStringLiteral("txt");
    } else {
        request.title =
            FSelection
                ? QCoreApplication::translate("ListExport", "Запись выборки в HTML файл")
                : QCoreApplication::translate("ListExport", "Запись всей информации в HTML файл");
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
        EncodedRows encoded(data.RecordCount());
        const bool scanned = rows.scan(
            [&](int at, QByteArrayView name, QByteArrayView title, QByteArrayView publisher) {
                lines.reference(encoded.startRow(at), name, title, publisher);
                encoded.endRow(at);
            });
        // A failed write ends the walk early: nothing more of the file is wanted.
        while (!data.Eof() && lines.ok()) {
            if (!html) {
                lines.ascii(QByteArray::number(row + 1).constData());
                lines.ascii(". ");
            }
            if (scanned) {
                lines.bytes(encoded.at(row));
            } else {
                const ReferenceRows::Parts &parts = rows.at(row);
                lines.reference(parts.name, parts.title, parts.publisher);
            }
            ++row;
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
    if (!result.ok() || !file.flush() || !commitOver(file, path))
        result.error = cannotCreateFile(path);
    return result;
}

bool ListExport::commitOver(QSaveFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    // Held open, the old file is freed not by the rename but by the last close. Not blocking:
    // a pipe in its place must not hold the export up.
    const int old = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const bool committed = file.commit();
    if (old >= 0) {
        try {
            std::thread([old] { ::close(old); }).detach();
        } catch (const std::system_error &) {
            ::close(old);
        }
    }
    return committed;
#else
    Q_UNUSED(path);
    return file.commit();
#endif
}

QString ListExport::cannotCreateFile(const QString &path)
{
    return QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
}
