#pragma once

#include "platform/Error.h"

#include <QString>
#include <future>

// Writing library files so that a crash or a full disk never leaves a library half made: a new
// file is written under a passing name, made durable and checked before it takes a name, and
// the file it replaces is kept whole elsewhere first.
namespace library {

// Makes a file's contents, or a folder's entries, durable; false when the system refuses.
bool syncPath(const QString &path);
// Makes a file durable on a thread of its own while this one works on, so that the disk and the
// processor take their time at once. The file stays open until wait(): closing any handle of a
// file drops every lock this process holds on it, the engine's among them, so wait only once
// the engine has let the file go.
class SyncBeside {
public:
    explicit SyncBeside(const QString &path);
    ~SyncBeside();
    SyncBeside(const SyncBeside &) = delete;
    SyncBeside &operator=(const SyncBeside &) = delete;
    // True once what was written before the start is on the disk; false, with errno set, when
    // the system refuses.
    bool wait();

private:
    int FFile;
    int FError;
    std::future<int> FSynced;
};

// The two paths hold the same bytes (or are one file).
bool sameContents(const QString &a, const QString &b);
// The system's words for the failure just met, after what.
quil::Error systemError(const QString &what);
// A library file and its journal, if any.
void removeLibraryFile(const QString &path);
// A copy for a file system without hard links: written as to followed by passingSuffix, made
// durable, compared, then given the name to.
void copyDurably(const QString &from, const QString &to, const QString &passingSuffix);
// Reads a library just written back from the disk: whole, and holding entries entries.
void checkWritten(const QString &path, qint64 entries);
// The library at libraryPath is kept unchanged at aside (a hard link, else a durable copy),
// then the checked file at replacement takes its name. On failure the library is as it was.
void replaceKeepingAside(const QString &libraryPath, const QString &replacement,
                         const QString &aside, const QString &passingSuffix);

} // namespace library
