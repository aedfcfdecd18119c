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

// One abstract of about 2 KB as RichEdit writes it: Cyrillic, a little formatting, a symbol.
QByteArray sampleAbstractRtf(unsigned seed);

// A program folder `folder` with notebooks and a copy of the generated library of `entries`
// (made once in `cache` and kept there); returns the copy's path.
QString programFolderWithLibrary(const QString &cache, const QString &folder, int entries);

} // namespace quilbench
