#pragma once

#include "exchange/ExchangeImport.h"

#include <QString>
#include <memory>

namespace quil {
class Engine;
class Statement;
} // namespace quil

namespace quil::exchange {

// The records as they came in, kept beside the entries in the library's table "Originals"
// keyed by the entry's key, with a digest of the fields the entry was given: while the entry
// still has them, an export gives the record back as it was. A library without the table
// (older, or made elsewhere) exports by the mapping alone.
class Originals {
public:
    static inline const QString TableName = QStringLiteral("Originals");
    // Between the @string definitions a BibTeX record needs.
    static inline const QChar StringSeparator = QChar(0x1e);

    struct Original {
        Format format = Format::BibTeX;
        QString citation; // the citation key or RIS ID
        QString record;   // the text as the file held it
        QString digest;
    };

    // Makes the table if there is none; raises the engine's error when it cannot.
    explicit Originals(quil::Engine &engine);
    ~Originals();
    // Keeps the record of the entry with that key.
    void keep(qint64 key, const Reference &reference, Format format, const QString &digest);

    // The digest of an entry's seven fields as an import gives them or as they are stored.
    static QString digest(const QString &authors, const QString &title, const QString &publisher,
                          const QString &year, const QString &keywords, const QString &info,
                          const QString &resume);

private:
    std::unique_ptr<quil::Statement> FInsert;
};

} // namespace quil::exchange
