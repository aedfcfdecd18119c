#include "platform/rtf/CodePage.h"

#include <QStringDecoder>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace quil::rtf {

namespace {

QByteArray codecName(int number)
{
    switch (number) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 866: return "IBM866";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 10000: return "macintosh";
    case 10007: return "x-mac-cyrillic";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 65001: return "UTF-8";
    default: break;
    }
    if (number >= 28591 && number <= 28605)
        return "ISO-8859-" + QByteArray::number(number - 28590);
    return "windows-" + QByteArray::number(number);
}

bool isMultiByte(int number)
{
    return number == 932 || number == 936 || number == 949 || number == 950 || number == 65001;
}

} // namespace

CodePage::CodePage(int number) : FNumber(number), FCodecName(codecName(number))
{
    if (!QStringDecoder(FCodecName.constData()).isValid()) {
        FNumber = 1252;
        FCodecName = "windows-1252";
    }
    FSingleByte = !isMultiByte(FNumber);
    if (!FSingleByte)
        return;
    for (int b = 0; b < 256; ++b) {
        QStringDecoder decoder(FCodecName.constData());
        const char byte = char(b);
        const QString s = decoder.decode(QByteArrayView(&byte, 1));
        FChars[b] = s.size() == 1 ? s.at(0).unicode() : char16_t(0xFFFD);
    }
    for (int b = 255; b >= 0; --b)
        if (FChars[b] != 0xFFFD)
            FBytes.insert(FChars[b], (unsigned char)b);
}

const CodePage *CodePage::get(int number)
{
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    static std::set<int> unknown;
    static const CodePage *last = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (last && last->FNumber == number)
        return last;
    // Only real code pages are kept, so that hostile input naming thousands of numbers
    // cannot grow the cache: they all share Windows-1252.
    if (unknown.count(number) ||
        (!pages.count(number) && !QStringDecoder(codecName(number).constData()).isValid())) {
        if (unknown.size() < 4096)
            unknown.insert(number);
        number = 1252;
    }
    auto &slot = pages[number];
    if (!slot)
        slot.reset(new CodePage(number));
    last = slot.get();
    return last;
}

int CodePage::forCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 0;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
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
