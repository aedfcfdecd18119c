#pragma once

#include "exchange/Reference.h"
#include "import/Import.h"

class TDataModule1;

namespace quil::exchange {

enum class Format { BibTeX, Ris };

// ".ris" is RIS; anything else is read as BibTeX.
Format formatOf(const QString &path);
ReadResult readBibliography(const QString &text, Format format);

// Every reference of a BibTeX or RIS file becomes a new entry, through the same store loop as
// a reference list (data-change handler detached, batches committed as it runs). Records
// that cannot be read are passed over and listed ("строка N" and why); the rest come in. The
// file is read in the encoding given, or in the one its first bytes suggest.
ImportResult importBibliography(TDataModule1 &dataModule, const QString &path,
                                const QString &encoding = {}, const ImportProgress &progress = {});
// Each record is kept as it came in beside its entry (see Originals).
ImportResult importBibliography(TDataModule1 &dataModule, const ReadResult &records, Format format,
                                const QString &fileName, const ImportProgress &progress = {});

// The one message that lists the records passed over.
QString passedOverRecordsMessage(const QString &fileName, const QList<ImportProblem> &problems);

} // namespace quil::exchange
