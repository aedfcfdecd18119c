#include "rtf/AbstractFile.h"

#include "platform/Error.h"
#include "rtf/RichText.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextDocument>

namespace quil::rtf {

namespace {

const QString kLoadFailed = QStringLiteral("Failed to Load Stream");
const QString kSaveFailed = QStringLiteral("Failed to Save Stream");

} // namespace

AbstractFile::Format AbstractFile::formatFor(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0
               ? Format::Text
               : Format::Rtf;
}

QByteArray AbstractFile::toWindows1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    // Encode again a character at a time to put '?' where the code page has no byte.
    bytes.clear();
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        QStringEncoder one("windows-1251");
        const QByteArray encoded = one.encode(QStringView(text).mid(i, length));
        bytes += one.hasError() || encoded.isEmpty() ? QByteArray("?") : encoded;
        i += length - 1;
    }
    return bytes;
}

QString AbstractFile::fromWindows1251(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QByteArray AbstractFile::encode(const QTextDocument &document, Format format)
{
    if (format == Format::Rtf)
        return RtfWriter::write(document);
    return toWindows1251(RichText::plainText(document));
}

bool AbstractFile::decode(const QByteArray &bytes, Format format, QTextDocument *document)
{
    if (format == Format::Rtf)
        return RtfReader::read(bytes, document);
    if (bytes.contains('\0'))
        return false;
    RichText::setPlainContent(document, fromWindows1251(bytes));
    return true;
}

void AbstractFile::load(QIODevice &device, Format format, QTextDocument *document)
{
    if (!device.isReadable())
        throw Error(kLoadFailed);
    const QByteArray bytes = device.readAll();
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    if (file && file->error() != QFileDevice::NoError)
        throw Error(kLoadFailed);
    const Format other = format == Format::Rtf ? Format::Text : Format::Rtf;
    if (!decode(bytes, format, document) && !decode(bytes, other, document))
        throw Error(kLoadFailed);
}

void AbstractFile::load(const QString &path, QTextDocument *document)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(file.errorString());
    load(file, formatFor(path), document);
}

void AbstractFile::save(QIODevice &device, Format format, const QTextDocument &document)
{
    const QByteArray bytes = encode(document, format);
    if (device.write(bytes) != bytes.size())
        throw Error(kSaveFailed);
    // A file device keeps small writes in its buffer: their failure shows only here.
    if (auto *file = qobject_cast<QFileDevice *>(&device); file && !file->flush())
        throw Error(kSaveFailed);
}

void AbstractFile::save(const QString &path, const QTextDocument &document)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        // A device is written in place: there is no file to replace.
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly))
            throw Error(device.errorString());
        save(device, formatFor(path), document);
        return;
    }
    // A new file replaces the old one only when it is whole; a failed save leaves the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(file.errorString());
    try {
        save(file, formatFor(path), document);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        throw Error(kSaveFailed);
}

} // namespace quil::rtf
