// quil-lib backup: a verified copy of a library in the folder Backup beside it.
#include "Command.h"

#include "platform/Error.h"
#include "store/Backup.h"

#include <QDir>
#include <QFileInfo>

namespace {

int backupLibrary(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1)
        return 2;
    if (!QFileInfo(args[0]).isFile()) {
        err << "no such file: " << args[0] << '\n';
        return 2;
    }
    try {
        const library::BackupFile made = library::makeBackup(QFileInfo(args[0]).absoluteFilePath(),
                                                             QDateTime::currentDateTime());
        out << QDir::toNativeSeparators(made.path) << '\n' << made.entries << " entries\n";
    } catch (const quil::Error &e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

const LibCommand backupCommand("backup", "LIBRARY",
                               "copies LIBRARY into the folder Backup beside it while it may be "
                               "in use, checks the copy and prunes old ones; prints the copy's "
                               "path and its number of entries",
                               backupLibrary);

} // namespace
