#include "rtf/CodePage.h"

#include <QList>
#include <QStringDecoder>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace quil::rtf {

namespace {

// Codec names to try for a code page number, best first. ICU knows the Windows and ISO
// pages under several names and only some Mac pages; a Mac page it lacks falls back to the
// nearest page that writes the same script (Mac Japanese to Shift-JIS, Mac Ukrainian to Mac
// Cyrillic, and so on).
QList<QByteArray> codecNames(int number)
{
    switch (number) {
    case 437: return {"IBM437"};
    case 850: return {"IBM850"};
    case 866: return {"IBM866"};
    case 932: return {"Shift_JIS", "windows-932"};
    case 936: return {"GBK", "windows-936"};
    case 949: return {"windows-949", "EUC-KR"};
    case 950: return {"Big5", "windows-950"};
    case 1200: return {"UTF-16LE"};
    case 1201: return {"UTF-16BE"};
    case 1361: return {"johab", "ibm-1361", "windows-949"};
    case 10000: return {"macintosh", "x-mac-roman"};
    case 10001: return {"x-mac-japanese", "Shift_JIS"};
    case 10002: return {"x-mac-trad-chinese", "Big5"};
    case 10003: return {"x-mac-korean", "EUC-KR"};
    case 10004: return {"x-mac-arabic", "windows-1256"};
    case 10005: return {"x-mac-hebrew", "windows-1255"};
    case 10006: return {"x-mac-greek"};
    case 10007: return {"x-mac-cyrillic"};
    case 10008: return {"x-mac-simp-chinese", "GBK"};
    case 10010: return {"x-mac-romanian", "macintosh"};
    case 10017: return {"x-mac-ukrainian", "x-mac-cyrillic"};
    case 10021: return {"x-mac-thai", "windows-874"};
    case 10029: return {"x-mac-ce"};
    case 10079: return {"x-mac-icelandic", "macintosh"};
    case 10081: return {"x-mac-turkish"};
    case 10082: return {"x-mac-croatian", "macintosh"};
    case 20127: return {"US-ASCII"};
    case 20866: return {"KOI8-R"};
    case 20932: return {"EUC-JP"};
    case 21866: return {"KOI8-U"};
    case 50220:
    case 50221:
    case 50222: return {"ISO-2022-JP"};
    case 51932: return {"EUC-JP"};
    case 51936: return {"GB2312", "GBK"};
    case 51949: return {"EUC-KR"};
    case 52936: return {"HZ-GB-2312"};
    case 54936: return {"GB18030"};
    case 65000: return {"UTF-7"};
    case 65001: return {"UTF-8"};
    default: break;
    }
    if (number >= 28591 && number <= 28606)
        return {"ISO-8859-" + QByteArray::number(number - 28590)};
    const QByteArray n = QByteArray::number(number);
    return {"windows-" + n, "cp" + n, "ibm-" + n, "IBM" + n};
}

QByteArray validCodecName(int number)
{
    if (number <= 0 || number > 99999)
        return {};
    for (const QByteArray &name : codecNames(number))
        if (QStringDecoder(name.constData()).isValid())
            return name;
    return {};
}

// Stateful 7-bit encodings and UTF-16 decode only in whole runs, as multi-byte pages do.
bool isStateful(int number)
{
    return number == 1200 || number == 1201 || (number >= 50220 && number <= 50222) ||
           number == 52936 || number == 65000;
}

} // namespace

CodePage::CodePage(int number, const QByteArray &codec) : FNumber(number), FCodecName(codec)
{
    FSingleByte = !isStateful(number);
    for (int b = 0; b < 256 && FSingleByte; ++b) {
        QStringDecoder decoder(FCodecName.constData());
        const char byte = char(b);
        const QString s = decoder.decode(QByteArrayView(&byte, 1));
        // A lead byte of a multi-byte page decodes to nothing on its own.
        if (s.isEmpty())
            FSingleByte = false;
        FChars[b] = s.size() == 1 ? s.at(0).unicode() : char16_t(0xFFFD);
        const char16_t c = FChars[b];
        FTextChars[b] = c == 0x2029 ? char16_t(0x2028) : (c >= 0x20 || c == u'\t') ? c : 0;
    }
    if (!FSingleByte)
        return;
    FKeepsAscii = true;
    for (int b = 0x20; b < 0x80; ++b)
        FKeepsAscii = FKeepsAscii && FTextChars[b] == b;
    for (int b = 255; b >= 0; --b)
        if (FChars[b] != 0xFFFD)
            FBytes.insert(FChars[b], (unsigned char)b);
}

const CodePage *CodePage::get(int number)
{
    // A document asks for its few pages at every change of font and every closed group; the
    // last ones each thread found are kept by the number asked for, so that threads reading
    // RTF side by side neither take turns at the lock nor search the cache. Pages live on.
    struct Seen {
        int number = 0;
        const CodePage *page = nullptr;
    };
    thread_local std::array<Seen, 4> seen;
    thread_local size_t nextSeen = 0;
    for (const Seen &s : seen)
        if (s.page && s.number == number)
            return s.page;
    const CodePage *const page = lookUp(number);
    seen[nextSeen] = {number, page};
    nextSeen = (nextSeen + 1) % seen.size();
    return page;
}

const CodePage *CodePage::lookUp(int number)
{
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    static std::set<int> unknown;
    static const CodePage *last = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (last && last->FNumber == number)
        return last;
    // Only real code pages are kept, so that hostile input naming thousands of numbers
    // cannot grow the cache: numbers that name no code page at all share Windows-1252.
    QByteArray codec;
    if (!pages.count(number)) {
        if (!unknown.count(number))
            codec = validCodecName(number);
        if (codec.isEmpty()) {
            if (unknown.size() < 4096)
                unknown.insert(number);
            number = 1252;
            codec = "windows-1252";
        }
    }
    auto &slot = pages[number];
    if (!slot)
        slot.reset(new CodePage(number, codec));
    last = slot.get();
    return last;
}

const char16_t *CodePage::escapeChars() const
{
    // Asked for at every run of text: the lock of call_once only the first time.
    if (const char16_t *made = FEscapeCharsMadeAt.load(std::memory_order_acquire))
        return made;
    std::call_once(FEscapeCharsMade, [this] {
        FEscapeChars = escapeChars(FTextChars.data());
        FEscapeCharsMadeAt.store(FEscapeChars.get(), std::memory_order_release);
    });
    return FEscapeChars.get();
}

std::unique_ptr<char16_t[]> CodePage::escapeChars(const char16_t *chars)
{
    static constexpr char kDigits[] = "0123456789abcdefABCDEF";
    const auto value = [](int i) { return i < 16 ? i : i - 6; };
    auto table = std::make_unique<char16_t[]>(65536); // zeros
    for (int high = 0; high < 22; ++high)
        for (int low = 0; low < 22; ++low)
            table[uint8_t(kDigits[high]) | uint8_t(kDigits[low]) << 8] =
                chars[value(high) * 16 + value(low)];
    return table;
}

int CodePage::forCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 0;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 82: return 10003; // Mac Johab, written for Mac Korean
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 87: return 10021;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177:
    case 181: return 1255;
    case 178:
    case 179:
    case 180: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 866;
    default: return documentCodePage;
    }
}

QString CodePage::decode(const QByteArray &bytes) const
{
    QStringDecoder decoder(FCodecName.constData());
    return decoder.decode(bytes);
}

int CodePage::charToByte(char16_t c) const
{
    const auto it = FBytes.constFind(c);
    return it == FBytes.constEnd() ? -1 : int(it.value());
}

} // namespace quil::rtf
