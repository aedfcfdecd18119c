// quil-lib copy FROM TO: a library onto a server (.mdb → .pglib) or home from it (.pglib → .mdb).
#include "Command.h"

#include "platform/Error.h"
#include "store/LibraryCopy.h"

namespace {

int copy(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2)
        return 2;
    try {
        const library::Copied copied = library::copyLibrary(args[0], args[1]);
        out << "copied " << copied.entries << " entries\n";
        return 0;
    } catch (const std::exception &e) {
        err << "quil-lib copy: " << quil::messageOf(e) << '\n';
        return 1;
    }
}

const LibCommand command("copy", "FROM TO",
                         "copies every entry of the library FROM into the new library TO; either "
                         "may be a shared library (NAME.pglib, its server named in the file); "
                         "never over an existing file or a server that holds a library",
                         copy);

} // namespace
