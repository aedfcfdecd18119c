// quil-lib check: reads every page of a library and says whether it is whole.
#include "Command.h"

#include "platform/Error.h"
#include "store/LibraryCheck.h"

#include <QFileInfo>

namespace {

int checkLibrary(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1)
        return 2;
    if (!QFileInfo(args[0]).isFile()) {
        err << "no such file: " << args[0] << '\n';
        return 2;
    }
    QString finding;
    try {
        finding = library::checkWhole(QFileInfo(args[0]).absoluteFilePath());
    } catch (const quil::Error &e) {
        err << e.message() << ": " << e.detail() << '\n';
        return 1;
    }
    if (finding.isEmpty()) {
        out << "ok\n";
        return 0;
    }
    out << "damaged\n" << finding << '\n';
    return 1;
}

const LibCommand checkCommand("check", "LIBRARY",
                              "reads every page of LIBRARY without writing; prints \"ok\", or "
                              "\"damaged\" and what the engine found (exit status 1)",
                              checkLibrary);

} // namespace
