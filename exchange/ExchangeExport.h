#pragma once

#include "exchange/ExchangeImport.h"
#include "exchange/Reference.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class QIODevice;

namespace quil {
class DataSet;
}

namespace quil::exchange {

// The fields of an entry that an exchange file carries.
struct StoredBook {
    qint64 key = 0;
    QString authors;   // WName
    QString title;     // WTitle
    QString publisher; // WPublisher
    QString year;      // City
    QString keywords;  // Location
    QString info;      // Pages
    QByteArray resume; // RTF, in UTF-8 as the library holds it
    // The record it came in as, when the library keeps it.
    QString originalFormat;
    QString citation;
    QString record;
    QString digest;
    QString strings; // the @string definitions the record needs
};

// An entry as a reference: the authors parsed back from "Фамилия И.О., ...", the publisher
// line kept whole as the work's source, the abstract as plain text; the placeholder "New" is
// no value.
Reference referenceOf(const StoredBook &book);

// "landau1937a": the first author's surname in Latin letters, the year, and a letter that
// tells apart the entries sharing both, in the order they were stored; so a key stays the same
// from one export to the next and for the selection as for the whole library.
class CitationKeys {
public:
    // Reads the authors and years of every entry of the library the dataset belongs to.
    explicit CitationKeys(quil::DataSet &data);
    QString key(qint64 entryKey) const;
    static QString base(const QString &authors, const QString &year);

private:
    std::vector<qint64> FEntries; // in order
    std::vector<QString> FKeys;   // beside them
};

// The record an entry came in as with the entry's fields laid over it where they were edited
// since; the entry alone when it came in otherwise.
Reference mergedReference(const StoredBook &book);

QString bibtexEntry(const Reference &reference, const QString &citationKey);
QString risRecord(const Reference &reference);

struct ExportResult {
    int written = 0;
    int skipped = 0; // entries with neither authors nor title
    bool cancelled = false;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Told of the rows done of the total after each page of rows; answering false ends the export:
// nothing more is written, and through a path no file is made or replaced.
using ExportProgress = std::function<bool(int done, int total)>;

// Writes the dataset's rows, in its order, as BibTeX or RIS in UTF-8, through a new file that
// replaces the old one only when complete; the error is "Cannot create file <path>" then. An
// entry unchanged since it came in from a file of the same format is written as that file had
// it, key included (unless another entry of the export took the key first).
ExportResult exportBibliography(quil::DataSet &data, const QString &path, Format format,
                                const ExportProgress &progress = {});
ExportResult exportBibliography(quil::DataSet &data, QIODevice &device, Format format,
                                const ExportProgress &progress = {});

// The current entry of the dataset as one BibTeX entry.
QString currentAsBibTeX(quil::DataSet &data);

} // namespace quil::exchange
