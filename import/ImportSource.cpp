#include "import/ImportSource.h"

#include "rtf/CodePage.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quil {
namespace {

QString shownName(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8(bytes);
    if (!utf8.hasError())
        return name;
    const rtf::CodePage *page = rtf::CodePage::get(1251);
    name.clear();
    for (const char c : bytes)
        name += QChar(page->byteToChar(static_cast<unsigned char>(c)));
    return name;
}

QString cannotOpen(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return QCoreApplication::translate("ImportSource", "нет права на чтение файла");
    case ENOENT:
        return QCoreApplication::translate("ImportSource",
                                           "файла уже нет или ссылка ведёт в никуда");
    case ELOOP: return QCoreApplication::translate("ImportSource", "ссылки на файл ведут по кругу");
    case EIO:
        return QCoreApplication::translate("ImportSource", "файл не читается из-за сбоя носителя");
    default:
        return QCoreApplication::translate("ImportSource", "файл не удаётся открыть (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

} // namespace

QList<FolderFile> listFolderFiles(const QString &folder)
{
    QList<FolderFile> files;
    const QByteArray dirPath = QFile::encodeName(folder);
    DIR *dir = ::opendir(dirPath.constData());
    if (!dir)
        return files;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = dirPath + '/' + name;
        struct stat info;
        // A sub-folder is no abstract; a link to one is followed to see it is one.
        if (::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        files.append({shownName(name), path});
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end(), [](const FolderFile &a, const FolderFile &b) {
        const int byName = a.name.compare(b.name);
        return byName != 0 ? byName < 0 : a.path < b.path;
    });
    return files;
}

bool openRegularFile(QFile &file, const QByteArray &path, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    // Opening a named pipe for reading would wait for a writer: O_NONBLOCK returns at once,
    // and the kind of file is then read off the open handle, not off a name that may change.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(cannotOpen(errno));
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse(QCoreApplication::translate(
            "ImportSource", "это не обычный файл (папка, канал, устройство или "
                            "сокет); импортируются только обычные файлы"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(cannotOpen(EIO));
    }
    return true;
}

bool openRegularFile(QFile &file, const QString &path, QString *why)
{
    return openRegularFile(file, QFile::encodeName(path), why);
}

} // namespace quil
