#include "rtf/RtfTextExtractor.h"

#include "rtf/RtfInterpreter.h"

#include <algorithm>

namespace quil::rtf {

namespace {

// Mirrors the block structure that the document reader builds: a \par ends a block, and
// the next text or \par opens another one.
class TextSink final : public RtfSink {
public:
    QString result;

    void text(QStringView text, const RtfCharFormat &) override
    {
        openBlock();
        // Runs between format changes are short and many: a plain scan costs less than the
        // library's search call, which is quicker over the long runs of text alone.
        const char16_t *begin = text.utf16();
        const char16_t *end = begin + text.size();
        const bool lineBreak = text.size() < 32 ? std::find(begin, end, char16_t(0x2028)) != end
                                                : text.contains(QChar(0x2028));
        if (!lineBreak) {
            result += text;
            return;
        }
        result.reserve(result.size() + text.size() * 2);
        for (QChar c : text) {
            if (c == QChar(0x2028))
                result += QLatin1String("\r\n");
            else
                result += c;
        }
    }

    void paragraphEnd(const RtfParagraphFormat &) override
    {
        openBlock();
        FNeedBlock = true;
    }

    void finish(const RtfParagraphFormat &) override {}
    bool wantsFormats() const override { return false; }

    // Empty for the next text, keeping the memory.
    void restart()
    {
        result.resize(0);
        FNeedBlock = false;
    }

private:
    void openBlock()
    {
        if (FNeedBlock) {
            result += QLatin1String("\r\n");
            FNeedBlock = false;
        }
    }

    bool FNeedBlock = false;
};

QString extract(const QByteArray &bytes, bool utf8, bool *isRtf)
{
    TextSink sink;
    RtfInterpreter interpreter;
    const bool ok = interpreter.run(bytes, sink, utf8);
    if (isRtf)
        *isRtf = ok;
    return sink.result;
}

} // namespace

struct RtfTextExtractor::Buffers {
    TextSink sink;
    RtfInterpreter interpreter;
};

RtfTextExtractor::RtfTextExtractor(Route route) : F(std::make_unique<Buffers>())
{
    F->interpreter.setFastText(route == Route::Fast);
}

RtfTextExtractor::~RtfTextExtractor() = default;

QStringView RtfTextExtractor::text(const QByteArray &rtf, bool *isRtf, bool rawTextIsUtf8)
{
    F->sink.restart();
    const bool ok = F->interpreter.run(rtf, F->sink, rawTextIsUtf8);
    if (isRtf)
        *isRtf = ok;
    return F->sink.result;
}

QString RtfTextExtractor::plainText(const QByteArray &rtf, bool *isRtf)
{
    return extract(rtf, false, isRtf);
}

QString RtfTextExtractor::plainText(const QString &rtf, bool *isRtf)
{
    bool utf8 = false;
    const QByteArray bytes = RtfInterpreter::bytesOf(rtf, &utf8);
    return extract(bytes, utf8, isRtf);
}

} // namespace quil::rtf
