// libFuzzer target: the abstract-file reader must survive any bytes, split lines as the plain
// model does, and give the same entry from the whole text and from tiny pieces.
#include "fuzz/ImportChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString problem = importchecks::checkAbstract(bytes);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
        std::abort();
    }
    return 0;
}
