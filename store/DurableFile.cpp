#include "store/DurableFile.h"

#include "db/SqliteEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace library {
namespace {
QByteArray encoded(const QString &path) { return QFile::encodeName(path); }
} // namespace

bool syncPath(const QString &path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

SyncBeside::SyncBeside(const QString &path)
    : FFile(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC)), FError(FFile < 0 ? errno : 0)
{
    if (FFile >= 0)
        FSynced = std::async(std::launch::async,
                             [file = FFile] { return ::fsync(file) == 0 ? 0 : errno; });
}

SyncBeside::~SyncBeside() { wait(); }

bool SyncBeside::wait()
{
    if (FSynced.valid())
        FError = FSynced.get();
    if (FFile >= 0)
        ::close(FFile);
    FFile = -1;
    errno = FError;
    return FError == 0;
}

void removeLibraryFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

quil::Error systemError(const QString &what)
{
    return quil::Error(what, QString::fromLocal8Bit(std::strerror(errno)));
}

bool sameContents(const QString &a, const QString &b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(encoded(a).constData(), &sa) != 0 || ::stat(encoded(b).constData(), &sb) != 0)
        return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    if (sa.st_size != sb.st_size)
        return false;
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

void copyDurably(const QString &from, const QString &to, const QString &passingSuffix)
{
    const QString part = to + passingSuffix;
    QFile::remove(part);
    if (!QFile::copy(from, part) || !syncPath(part) || !sameContents(from, part)) {
        QFile::remove(part);
        throw quil::Error(QCoreApplication::translate(
                              "DurableFile", "Не удалось скопировать %1 в %2: проверьте место на "
                                             "диске и права на папку")
                              .arg(from, to));
    }
    if (::rename(encoded(part).constData(), encoded(to).constData()) != 0) {
        const quil::Error error = systemError(
            QCoreApplication::translate("DurableFile", "Не удалось переименовать %1").arg(part));
        QFile::remove(part);
        throw error;
    }
}

void checkWritten(const QString &path, qint64 entries)
{
    quil::SqliteEngine engine;
    engine.open(path, true, 0);
    // Every page and every record; the file is fresh from one writer, so the slower
    // cross-check of each index against its table adds nothing.
    const auto integrity = engine.prepareOrThrow(QStringLiteral("PRAGMA quick_check"));
    quil::execOrThrow(*integrity);
    const QString verdict = integrity->next() ? integrity->value(0).toString() : QString();
    integrity->reset();
    if (verdict != QLatin1String("ok"))
        throw quil::Error(
            QCoreApplication::translate("DurableFile", "Новая библиотека не прошла проверку"),
            verdict);
    const auto count = engine.prepareOrThrow(QStringLiteral("SELECT count(*) FROM Books"));
    quil::execOrThrow(*count);
    const qint64 stored = count->next() ? count->integer(0) : -1;
    count->reset();
    if (stored != entries)
        throw quil::Error(
            QCoreApplication::translate("DurableFile", "В новой библиотеке %1 записей вместо %2")
                .arg(stored)
                .arg(entries));
}

void replaceKeepingAside(const QString &libraryPath, const QString &replacement,
                         const QString &aside, const QString &passingSuffix)
{
    const QString folder = QFileInfo(libraryPath).absolutePath();
    const QString asideFolder = QFileInfo(aside).absolutePath();
    if (!QDir().mkpath(asideFolder))
        throw systemError(QCoreApplication::translate("DurableFile", "Не удалось создать папку %1")
                              .arg(QDir::toNativeSeparators(asideFolder)));
    syncPath(folder);
    // The library is whole at both places until the new file takes its name.
    if (::link(encoded(libraryPath).constData(), encoded(aside).constData()) != 0)
        copyDurably(libraryPath, aside, passingSuffix);
    syncPath(asideFolder);
    if (::rename(encoded(replacement).constData(), encoded(libraryPath).constData()) != 0)
        throw systemError(
            QCoreApplication::translate("DurableFile", "Не удалось заменить %1 новой библиотекой")
                .arg(QFileInfo(libraryPath).fileName()));
    syncPath(folder);
}

} // namespace library
