#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

class QTextDocument;

namespace quil::rtf {

// The stored abstract (the Resume field) and the editor's document: RTF or plain text in,
// RTF and CR LF plain text out.
class RichText {
public:
    // The editor's font, in which plain text is shown: Times New Roman, 12 points.
    static QFont defaultFont();

    // Whether the value is RTF: "{\rtf" after optional whitespace.
    static bool isRtf(const QString &value);
    static bool isRtf(const QByteArray &bytes);

    // Replaces the document's content by a stored value: RTF is read as RTF, anything
    // else ("New", imported text) is plain text in the document's default font.
    // With a limit, the document holds at least the value's first `limit` characters and
    // more only when the value has more, not necessarily all of them.
    static void setContent(QTextDocument *document, const QString &value, qsizetype limit = -1);

    // Plain text, whatever it starts with, in the document's default font. Like every
    // load, it starts a fresh undo history and clears the modified flag.
    static void setPlainContent(QTextDocument *document, const QString &text);

    // The document's text, paragraphs and line breaks as CR LF, no list labels.
    static QString plainText(const QTextDocument &document);

    // The plain text of a stored value, RTF or not, as plainText() gives it after
    // setContent(), without building a document.
    static QString plainTextOf(const QString &value);

    // What the editor writes back into the field.
    static QString toRtf(const QTextDocument &document);

    // Plain text with CR LF, CR, LF, U+2028 and U+2029 all as LF.
    static QString normalizedLineEnds(const QString &text);
};

} // namespace quil::rtf
