// quil-bench: times the operations that a user waits for, on a generated library.
// Prints "name median_ms" per measure and "peak_mb N" last.
#include "Bench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>
#include <vector>

namespace quilbench {

static std::vector<std::pair<QString, Suite>> &suites()
{
    static std::vector<std::pair<QString, Suite>> all;
    return all;
}

bool registerSuite(const char *name, Suite suite)
{
    suites().emplace_back(QString::fromLatin1(name), std::move(suite));
    return true;
}

} // namespace quilbench

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
                "offscreen"); // no screen needed; QT_QPA_PLATFORM=xcb measures a real one
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption entries("entries", "Entries in the generated library.", "N", "100000");
    QCommandLineOption runs("runs", "Runs per measure (the median is reported).", "R", "5");
    QCommandLineOption only("only",
                            "Run only the named suite, and those it names in part (exchange: "
                            "exchange_export, exchange_import).",
                            "suite");
    QCommandLineOption folder("folder", "Keep generated libraries in this folder and reuse them.",
                              "dir");
    parser.addOptions({entries, runs, only, folder});
    parser.process(app);

    QTemporaryDir dir;
    quilbench::Options options;
    options.entries = parser.value(entries).toInt();
    options.runs = std::max(1, parser.value(runs).toInt());
    options.folder = (parser.isSet(folder) ? parser.value(folder) : dir.path()) + QLatin1Char('/');
    for (const auto &[name, suite] : quilbench::suites()) {
        if (parser.isSet(only) && parser.value(only) != name &&
            !name.startsWith(parser.value(only) + QLatin1Char('_')))
            continue;
        suite(options);
    }
    std::printf("peak_mb %.1f\n", quilbench::peakResidentMb());
    return 0;
}
