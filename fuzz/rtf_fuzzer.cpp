// libFuzzer target: the RTF reader and the plain-text extractor must survive any input
// and agree on the text.
#include "rtf/RichText.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTextExtractor.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    bool isRtf = false;
    const QString extracted = quil::rtf::RtfTextExtractor::plainText(bytes, &isRtf);
    QTextDocument document;
    const bool read = quil::rtf::RtfReader::read(bytes, &document);
    if (read != isRtf)
        std::abort();
    if (read && quil::rtf::RichText::plainText(document) != extracted)
        std::abort();
    return 0;
}
