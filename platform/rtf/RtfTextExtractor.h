#pragma once

#include <QByteArray>
#include <QString>

namespace quil::rtf {

// The plain text of RTF without building a document, for find and exports: the text that
// RtfReader's document holds, paragraphs joined by CR LF, line breaks as CR LF, no list
// labels, Symbol-font characters as the signs they show.
class RtfTextExtractor {
public:
    // Empty, with *isRtf false, when the bytes are not RTF.
    static QString plainText(const QByteArray &rtf, bool *isRtf = nullptr);
    static QString plainText(const QString &rtf, bool *isRtf = nullptr);
};

} // namespace quil::rtf
