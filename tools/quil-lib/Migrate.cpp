// quil-lib migrate OLD.mdb NEW.mdb: an old program's Access library into a new library.
#include "Command.h"

#include "jet/JetReader.h"
#include "jet/Migration.h"
#include "platform/Error.h"

namespace {

int migrate(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2)
        return 2;
    try {
        const jet::Migrated migrated = jet::convert(args[0], args[1]);
        out << "migrated " << migrated.entries << " entries\n";
        for (const QString &note : jet::columnNotes(migrated.leftOut, migrated.missing))
            out << note << '\n';
        return 0;
    } catch (const std::exception &e) {
        err << "quil-lib migrate: " << quil::messageOf(e) << '\n';
        return 1;
    }
}

const LibCommand command("migrate", "OLD.mdb NEW.mdb",
                         "writes the Access library OLD.mdb of the old program into the new "
                         "library NEW.mdb (never over an existing file)",
                         migrate);

} // namespace
