#pragma once

#include "exchange/Reference.h"
#include "import/TextEncoding.h"

#include <QAnyStringView>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

namespace quil::exchange {

// One entry as the file spells it: type, key and fields in their order, values with @string
// macros and # joined but LaTeX still in them.
struct BibTeXEntry {
    QString type; // lower case
    QString key;
    int line = 0;
    QString source;
    QList<QPair<QString, QString>> fields; // names in lower case
    QStringList strings;                   // the @string definitions its values use
    bool undefinedMacro = false;           // a value names a macro that no @string defines

    // Looked up without a string made for the name, which is mostly spelt in the code.
    QString value(QAnyStringView name) const;
};

// Reads BibTeX and BibLaTeX: entries of every type, @string macros and # concatenation, the
// month macros, braced and quoted values, @comment, @preamble and text between entries
// skipped, crossref filled in from the entry it names. An entry that breaks off is passed
// over and reported with its line; reading goes on at the next "@" that begins a line.
class BibTeXReader {
public:
    // Each entry handed on as it is read, problems listed in the order of their lines; the
    // text is rewound and looked through beforehand when it names a crossref.
    static void entries(TextPieces &text, QList<ReadProblem> *problems,
                        const std::function<void(BibTeXEntry &&)> &take);
    static QList<BibTeXEntry> entries(const QString &text, QList<ReadProblem> *problems);
    static void read(TextPieces &text, QList<ReadProblem> &problems,
                     const std::function<void(Reference &&)> &take);
    static ReadResult read(const QString &text);
    // An entry's values as a reference in plain text.
    static Reference reference(const BibTeXEntry &entry);
    // Names joined by "and" (at brace depth 0), each "Family, Given", "Given Family" or
    // {Corporate}.
    static QList<PersonName> names(const QString &value, bool *etAl = nullptr);
};

} // namespace quil::exchange
