#pragma once
// quil-lib's commands. Each command lives in a source file of its own and registers itself
// with one static LibCommand, so adding a command touches no other file.

#include <QStringList>
#include <QTextStream>

struct LibCommand {
    const char *name;
    const char *usage; // the arguments after the command's name
    const char *help;  // one line for the help text
    // Returns the exit code: 0 done, 1 failed (the reason written to err), 2 wrong usage.
    int (*run)(const QStringList &args, QTextStream &out, QTextStream &err);

    LibCommand(const char *commandName, const char *commandUsage, const char *commandHelp,
               int (*runCommand)(const QStringList &, QTextStream &, QTextStream &));
};
