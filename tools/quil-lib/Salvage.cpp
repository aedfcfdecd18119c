// quil-lib salvage: every entry of a damaged library that can still be read, into a new one.
#include "Command.h"

#include "store/Salvage.h"

#include <QFileInfo>

namespace {

int salvageLibrary(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2)
        return 2;
    if (!QFileInfo(args[0]).isFile()) {
        err << "no such file: " << args[0] << '\n';
        return 2;
    }
    if (QFileInfo::exists(args[1])) {
        err << "already exists: " << args[1] << '\n';
        return 1;
    }
    try {
        const library::Salvaged result = library::salvage(QFileInfo(args[0]).absoluteFilePath(),
                                                          QFileInfo(args[1]).absoluteFilePath());
        out << "saved " << result.saved << "\nlost " << result.lost.size() << '\n';
        for (const qint64 key : result.lost)
            out << key << '\n';
    } catch (const std::exception &e) {
        err << e.what() << '\n';
        return 1;
    }
    return 0;
}

const LibCommand salvageCommand("salvage", "LIBRARY NEW",
                                "writes every entry of LIBRARY that can still be read whole into "
                                "the new library NEW, LIBRARY only read; prints the number saved "
                                "and the keys of the entries lost, one a line",
                                salvageLibrary);

} // namespace
