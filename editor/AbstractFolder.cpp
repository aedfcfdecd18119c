#include "editor/AbstractFolder.h"

#include "platform/Error.h"
#include <QCoreApplication>

namespace quil {

QString AbstractFolder::folder(const QString &programFolder)
{
    return programFolder + QStringLiteral("Abstract");
}

QString AbstractFolder::fileName(const QString &value)
{
    return value + QStringLiteral(".Abstract.rtf");
}

QString AbstractFolder::pathFor(const QString &programFolder, const QString &value)
{
    const QString name = fileName(value);
    // Both separators count: libraries come from a system where "\" is one.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar(0)))
        throw Error(QCoreApplication::translate(
                        "AbstractFolder",
                        "Абстракт нельзя сохранить в файл \"%1\": имя файла не может "
                        "содержать разделитель пути")
                        .arg(name));
    return folder(programFolder) + QLatin1Char('/') + name;
}

} // namespace quil
