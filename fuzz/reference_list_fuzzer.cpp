// libFuzzer target: the reference-list reader must survive any bytes and agree with the plain
// model of the format, whole and read in tiny pieces.
#include "fuzz/ImportChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString problem = importchecks::checkReferenceList(bytes);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
        std::abort();
    }
    return 0;
}
