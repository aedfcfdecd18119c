#pragma once

#include <QString>

namespace quilbench {

// Writes a library of `entries` references with realistic field lengths: authors 40–120
// characters, titles 60–200, publisher, year, keywords, and an RTF abstract of about 2 KB.
// The same entries every time (fixed seed).
void generateLibrary(const QString &path, int entries);

// One abstract of about 2 KB as RichEdit writes it: Cyrillic, a little formatting, a symbol.
QByteArray sampleAbstractRtf(unsigned seed);

// Lays out a program folder (DBase, Result and the two notebooks) and copies a generated
// library into its DBase as "Bench.mdb", replacing an older copy; returns the copy's path.
QString makeProgramFolder(const QString &folder, const QString &library);

} // namespace quilbench
