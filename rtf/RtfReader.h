#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quil::rtf {

// Reads RTF as RichEdit (WordPad), Word and LibreOffice write it into a QTextDocument:
// text in its code pages, character and paragraph formats, lists and hyperlinks.
class RtfReader {
public:
    // Replaces the document's content and clears its modified flag. Bytes that are not
    // RTF leave the document as it was and give false; any RTF, however damaged, is read.
    static bool read(const QByteArray &rtf, QTextDocument *document);
    // RTF held in a string (a stored abstract). A limit of characters ends the reading once
    // the document holds more: a view that shows the head of an abstract reads no further.
    static bool read(const QString &rtf, QTextDocument *document, qsizetype limit = -1);
};

} // namespace quil::rtf
