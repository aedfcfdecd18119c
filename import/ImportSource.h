#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QFile;

namespace quil {

// One entry of a folder that an import reads: the name as shown to the user and the path as
// the file system knows it. Names that are not UTF-8 (files unpacked from a Windows archive
// keep their Windows-1251 bytes) are shown as Windows-1251 and still opened by their bytes.
struct FolderFile {
    QString name;
    QByteArray path;
};

// Every entry of a folder except "." and ".." and sub-folders, in name order; a missing folder
// gives none. Unlike QDir, an entry whose name is not valid UTF-8 is not dropped.
QList<FolderFile> listFolderFiles(const QString &folder);

// Opens a regular file for reading without ever waiting: a named pipe, a device or a socket
// (also through a link) is refused, as is a file that cannot be opened; then false and why,
// in Russian.
bool openRegularFile(QFile &file, const QByteArray &path, QString *why);
bool openRegularFile(QFile &file, const QString &path, QString *why);

} // namespace quil
