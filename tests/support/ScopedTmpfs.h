#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// A small file system mounted for one test (a full or read-only medium); tests skip where they
// may not mount.
class ScopedTmpfs {
public:
    ScopedTmpfs(const QString &path, const QString &options) : FPath(path)
    {
        QDir().mkpath(path);
        FMounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", path}) == 0;
    }
    ~ScopedTmpfs()
    {
        if (FMounted)
            QProcess::execute("umount", {FPath});
    }
    ScopedTmpfs(const ScopedTmpfs &) = delete;
    ScopedTmpfs &operator=(const ScopedTmpfs &) = delete;
    bool mounted() const { return FMounted; }
    bool remountReadOnly() { return QProcess::execute("mount", {"-o", "remount,ro", FPath}) == 0; }
    // Writes until the file system takes no more bytes.
    void fill() const
    {
        QFile filler(FPath + "/filler");
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

private:
    QString FPath;
    bool FMounted = false;
};
