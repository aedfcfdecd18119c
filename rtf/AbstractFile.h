#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;
class QTextDocument;

namespace quil::rtf {

// Abstract files: plain text in Windows-1251 with CR LF line ends for the extension "txt"
// (in any case), RTF for every other extension. Failures raise quil::Error.
class AbstractFile {
public:
    enum class Format { Text, Rtf };

    static Format formatFor(const QString &path);

    // Replaces the document's content. The file's format comes first; when its content
    // cannot be read in it, the other one is tried. "Failed to Load Stream" when neither
    // reads it; the platform's message when the file cannot be opened.
    static void load(const QString &path, QTextDocument *document);
    static void load(QIODevice &device, Format format, QTextDocument *document);

    // "Failed to Save Stream" when writing fails; the platform's message when the file
    // cannot be created.
    static void save(const QString &path, const QTextDocument &document);
    static void save(QIODevice &device, Format format, const QTextDocument &document);

    // The file's bytes for a document, and the document for bytes (false when the bytes
    // are not in that format: not RTF, or text holding NUL bytes).
    static QByteArray encode(const QTextDocument &document, Format format);
    static bool decode(const QByteArray &bytes, Format format, QTextDocument *document);

    // Windows-1251; characters that it lacks become '?'.
    static QByteArray toWindows1251(const QString &text);
    static QString fromWindows1251(const QByteArray &bytes);
};

} // namespace quil::rtf
