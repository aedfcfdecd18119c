#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>

namespace quil::rtf {

// The plain text of RTF without building a document, for find and exports: the text that
// RtfReader's document holds, paragraphs joined by CR LF, line breaks as CR LF, no list
// labels, Symbol-font characters as the signs they show.
class RtfTextExtractor {
public:
    // Empty, with *isRtf false, when the bytes are not RTF.
    static QString plainText(const QByteArray &rtf, bool *isRtf = nullptr);
    static QString plainText(const QString &rtf, bool *isRtf = nullptr);

    // Fast decodes runs of plain text straight from the bytes; General takes every byte
    // through the tokens, the longer way that the fast one must agree with.
    enum class Route { Fast, General };

    // For a pass over many abstracts: one extractor keeps its buffers from one text to the
    // next, so that a text costs no allocations of its own.
    explicit RtfTextExtractor(Route route = Route::Fast);
    ~RtfTextExtractor();
    RtfTextExtractor(const RtfTextExtractor &) = delete;
    RtfTextExtractor &operator=(const RtfTextExtractor &) = delete;
    // As plainText(); the view holds until the next call. Text outside control words is
    // Windows-1251 bytes, or UTF-8 when the RTF came from a text that has characters above
    // ASCII (as plainText(QString) reads it).
    QStringView text(const QByteArray &rtf, bool *isRtf = nullptr, bool rawTextIsUtf8 = false);

private:
    struct Buffers;
    std::unique_ptr<Buffers> F;
};

} // namespace quil::rtf
