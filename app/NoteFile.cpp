#include "app/NoteFile.h"

#include "platform/Error.h"

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
} // namespace

QString read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw quil::Error(QStringLiteral("Cannot open file \"%1\". %2")
                              .arg(nativePath(path), file.errorString()));
    QStringDecoder decode(CodePage);
    QString text = decode(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void write(const QString &path, const QString &text)
{
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QStringEncoder encode(CodePage);
    const QByteArray bytes = encode(crlf);

    // The new file takes the old one's place by renaming, which a read-only file would not stop.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isWritable())
        throw cannotCreate(path, QStringLiteral("Permission denied"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw cannotCreate(path, file.errorString());
}

} // namespace notefile
