#include "rtf/RtfTextExtractor.h"

#include "rtf/RtfInterpreter.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quil::rtf {

namespace {

bool holdsLineSeparator(const char16_t *p, const char16_t *end)
{
#ifdef __SSE2__
    // Eight characters at a time: the text of an abstract comes as a few long runs.
    const __m128i separator = _mm_set1_epi16(0x2028);
    for (; end - p >= 8; p += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(chars, separator)))
            return true;
    }
#endif
    return std::find(p, end, char16_t(0x2028)) != end;
}

// Mirrors the block structure that the document reader builds: a \par ends a block, and
// the next text or \par opens another one.
class TextSink final : public RtfSink {
public:
    QString result;

    void text(QStringView text, const RtfCharFormat &) override
    {
        openBlock();
        const char16_t *begin = text.utf16();
        const char16_t *end = begin + text.size();
        if (!holdsLineSeparator(begin, end)) {
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
