// quil-lib: library work in batches, from the command line. `quil-lib help` lists the commands.
#include "Command.h"

#include <QGuiApplication>
#include <algorithm>
#include <vector>

namespace {

std::vector<const LibCommand *> &commands()
{
    static std::vector<const LibCommand *> all;
    return all;
}

void printHelp(QTextStream &out)
{
    out << "usage: quil-lib COMMAND ARGUMENTS...\n\nCommands:\n";
    for (const LibCommand *command : commands())
        out << "  " << command->name << ' ' << command->usage << "\n      " << command->help
            << '\n';
    out << "  help\n      prints this text\n";
}

} // namespace

LibCommand::LibCommand(const char *commandName, const char *commandUsage, const char *commandHelp,
                       int (*runCommand)(const QStringList &, QTextStream &, QTextStream &))
    : name(commandName), usage(commandUsage), help(commandHelp), run(runCommand)
{
    auto &all = commands();
    all.insert(std::upper_bound(all.begin(), all.end(), this,
                                [](const LibCommand *a, const LibCommand *b) {
                                    return qstrcmp(a->name, b->name) < 0;
                                }),
               this);
}

int main(int argc, char **argv)
{
    // RTF and text layout need a GUI application, never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printHelp(err);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("help") || name == QLatin1String("--help")) {
        printHelp(out);
        return 0;
    }
    for (const LibCommand *command : commands()) {
        if (name == QLatin1String(command->name)) {
            const int code = command->run(args, out, err);
            if (code == 2)
                err << "usage: quil-lib " << command->name << ' ' << command->usage << '\n';
            return code;
        }
    }
    err << "quil-lib: unknown command " << name << "\n\n";
    printHelp(err);
    return 2;
}
