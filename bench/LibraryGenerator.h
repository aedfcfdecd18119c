#pragma once

#include <QString>

namespace quilbench {

// Writes a library of `entries` references with realistic field lengths: authors 40–120
// characters, titles 60–200, publisher, year, keywords, and an RTF abstract of about 2 KB.
// The same entries every time (fixed seed).
void generateLibrary(const QString &path, int entries);

// The generated library of `entries` references in folder (ending with "/"), made on first use
// and kept; returns its path.
QString generatedLibrary(const QString &folder, int entries);

// Lays out programFolder (ending with "/") with DBase and the two notebooks, and puts in DBase
// a copy of the generated library under fileName (a copy made before is kept); returns the
// copy's path.
QString copyIntoProgramFolder(const QString &folder, int entries, const QString &programFolder,
                              const QString &fileName);

// One abstract of about 2 KB as RichEdit writes it: Cyrillic, a little formatting, a symbol.
QByteArray sampleAbstractRtf(unsigned seed);

} // namespace quilbench
