#include "app/ProgramFolder.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace programfolder {
namespace {

const char *const subfolders[] = {"DBase", "Abstract", "Import Data", "Result"};

[[noreturn]] void cannotMake(const QString &path)
{
    throw quil::Error(
        QCoreApplication::translate("ProgramFolder", "Не удалось создать папку программы %1")
            .arg(path));
}

void makeSubfolders(const QString &folder)
{
    QDir root(folder);
    for (const char *sub : subfolders)
        if (!root.mkpath(QString::fromLatin1(sub)))
            cannotMake(root.filePath(QString::fromLatin1(sub)));
}

void copyTree(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isDir())
        return;
    const QDir from(source);
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString copy = target + QLatin1Char('/') + from.relativeFilePath(entry.filePath());
        if (entry.isDir() ? !QDir().mkpath(copy) : !QFile::copy(entry.filePath(), copy))
            cannotMake(copy);
        // The installed files are read-only; the user's copies are theirs to change.
        if (!entry.isDir())
            QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner);
    }
}

} // namespace

QString installedData(const QString &programDir)
{
    return QDir::cleanPath(programDir + QStringLiteral("/../share/quil-lib"));
}

void layOut(const QString &source, const QString &folder)
{
    if (!QFileInfo::exists(folder)) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (!QDir().mkpath(parent))
            cannotMake(folder);
        QTemporaryDir staging(folder + QStringLiteral(".part-XXXXXX"));
        if (!staging.isValid())
            cannotMake(folder);
        copyTree(source, staging.path());
        makeSubfolders(staging.path());
        // Another start may have laid it out meanwhile: then that one stands.
        if (QDir().rename(staging.path(), folder))
            staging.setAutoRemove(false);
        else if (!QFileInfo(folder).isDir())
            cannotMake(folder);
    }
    makeSubfolders(folder);
}

QString locate(const QString &programDir)
{
    const QString data = installedData(programDir);
    const bool installed = QFileInfo(data).isDir();
    if (!installed && QFileInfo(programDir).isWritable())
        return QDir::cleanPath(programDir) + QLatin1Char('/');
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/QUIL.Lib");
    layOut(data, folder);
    return folder + QLatin1Char('/');
}

} // namespace programfolder
