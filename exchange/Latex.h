#pragma once

#include <QString>

namespace quil::exchange {

// The text a BibTeX value stands for: accents and escapes as Unicode ({\"u}, \'e, \&, \ss),
// dashes (-- and ---), ties and TeX quotes, formatting commands dropped with their argument
// kept, braces and math shifts removed, runs of white space made one blank.
QString latexToUnicode(const QString &value);

// The other way: text as a BibTeX value between braces, with the characters that TeX treats
// specially escaped so that bibtex and biber read it without a warning.
QString unicodeToLatex(const QString &text);

// What unicodeToLatex puts for one character: its escape ("" for one it drops), or null for a
// character it keeps.
const char *latexEscape(char16_t c);

} // namespace quil::exchange
