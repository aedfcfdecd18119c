#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quil::rtf {

// Writes a QTextDocument as RTF in the form RichEdit writes on a Russian system: 7-bit,
// Windows-1251 text as \'hh, other characters as \uN?, Greek and mathematical signs in a
// Symbol font entry, a \par after every paragraph. RtfReader reads it back unchanged.
class RtfWriter {
public:
    static QByteArray write(const QTextDocument &document);
    // The same RTF as a string (every character is ASCII).
    static QString writeString(const QTextDocument &document);
};

} // namespace quil::rtf
