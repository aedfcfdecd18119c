#include "app/NoteFile.h"

#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace notefile {
namespace {
const char *const CodePage = "windows-1251";

QString nativePath(const QString &path) { return QDir::toNativeSeparators(path); }
} // namespace

QString read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw quil::Error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(nativePath(path), file.errorString()));
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

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw quil::Error(QStringLiteral("Cannot create file \"%1\". %2")
                              .arg(nativePath(path), file.errorString()));
}

} // namespace notefile
