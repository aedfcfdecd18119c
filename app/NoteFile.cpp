#include "app/NoteFile.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace notefile {
namespace {
const char *const CodePage = "windows-1251";

QString nativePath(const QString &path) { return QDir::toNativeSeparators(path); }

quil::Error cannotCreate(const QString &path, const QString &reason)
{
    return quil::Error(
        QStringLiteral("Cannot create file \"%1\". %2").arg(nativePath(path), reason));
}

QByteArray encoded(const QString &text)
{
    const auto bad = unencodable(text);
    if (!bad.empty())
        throw quil::Error(
            QCoreApplication::translate(
                "NoteFile", "Символ «%1» нельзя записать в файл: в кодировке Windows-1251 его нет")
                .arg(text.mid(bad.front().first, bad.front().second)));
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QStringEncoder encode(CodePage);
    return encode(crlf);
}

void writeAll(QIODevice &device, const QByteArray &bytes)
{
    if (device.write(bytes) != bytes.size())
        throw quil::Error(device.errorString());
    // A file device keeps small writes in its buffer: their failure shows only here.
    if (auto *file = qobject_cast<QFileDevice *>(&device); file && !file->flush())
        throw quil::Error(file->errorString());
}
} // namespace

QString read(const QString &path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        throw quil::Error(QCoreApplication::translate(
                              "NoteFile", "Файл заметок %1 не найден; он будет создан при первой "
                                          "правке заметок")
                              .arg(nativePath(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw quil::Error(QCoreApplication::translate(
                              "NoteFile", "Файл заметок %1 не удаётся прочитать; проверьте права "
                                          "на него")
                              .arg(nativePath(path)),
                          file.errorString());
    QStringDecoder decode(CodePage);
    QString text = decode(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void write(QIODevice &device, const QString &text) { writeAll(device, encoded(text)); }

void write(const QString &path, const QString &text)
{
    const QByteArray bytes = encoded(text);
    // The new file takes the old one's place by renaming, which a read-only file would not stop.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isWritable())
        throw cannotCreate(path, QStringLiteral("Permission denied"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate(path, file.errorString());
    try {
        writeAll(file, bytes);
    } catch (const quil::Error &e) {
        file.cancelWriting();
        throw cannotCreate(path, e.message());
    }
    if (!file.commit())
        throw cannotCreate(path, file.errorString());
}

std::vector<std::pair<qsizetype, qsizetype>> unencodable(const QString &text)
{
    // The code page's converter puts a substitute byte where it has none; a character that
    // does not come back from its byte is one the file cannot hold.
    const auto roundTrips = [](QStringView part) {
        QStringEncoder encode(CodePage);
        QStringDecoder decode(CodePage);
        const QByteArray bytes = encode(part);
        return !encode.hasError() && QString(decode(bytes)) == part;
    };
    std::vector<std::pair<qsizetype, qsizetype>> found;
    if (roundTrips(text))
        return found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        if (!roundTrips(QStringView(text).mid(i, length)))
            found.emplace_back(i, length);
        i += length - 1;
    }
    return found;
}

} // namespace notefile
