#include "import/TextEncoding.h"

#include "platform/Error.h"
#include "rtf/CodePage.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <memory>
#include <unicode/ucsdet.h>

namespace quil {
namespace {

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (const unsigned char b : mark)
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    return true;
}

bool asciiOnly(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// UTF-16 of European text has, in the byte that carries the high half, a zero for every blank,
// digit and Latin letter and 0x04 for Cyrillic. A single-byte text with that pattern on every
// second byte is not a text.
bool looksUtf16(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2;
    if (units < 2)
        return false;
    qsizetype zeros = 0;
    qsizetype plausible = 0;
    for (qsizetype i = 0; i < units; ++i) {
        const auto high = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        const auto low = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        if (high == 0 && low != 0)
            ++zeros;
        if ((high == 0 && low != 0) || high == 0x04 || high == 0x20)
            ++plausible;
    }
    return zeros * 5 >= units && plausible * 10 >= units * 9;
}

// A BOM that the rest of the text bears out: a Windows-1251 text may begin with "яю".
QString byteOrderMark(QByteArrayView head)
{
    if (startsWith(head, {0xEF, 0xBB, 0xBF}))
        return encoding::Utf8;
    if (startsWith(head, {0xFF, 0xFE}) && (head.size() == 2 || looksUtf16(head.sliced(2), false)))
        return encoding::Utf16LE;
    if (startsWith(head, {0xFE, 0xFF}) && (head.size() == 2 || looksUtf16(head.sliced(2), true)))
        return encoding::Utf16BE;
    return {};
}

// Valid UTF-8 throughout; a sequence cut by the end of the sample does not count against it.
bool validUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype end = bytes.size();
    // Step back over a sequence that the sample's end may have cut.
    for (int back = 0; back < 3 && end > 0; ++back) {
        const auto c = static_cast<unsigned char>(bytes[end - 1]);
        if (c < 0x80)
            break;
        --end;
        if (c >= 0xC0)
            break;
    }
    if (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0xC0)
        end = bytes.size(); // not a cut lead byte: judge it whole
    const QString text = decoder(bytes.first(end));
    return !decoder.hasError();
}

// What ICU's detector makes of the sample: its best Unicode verdict, if any.
QString icuUnicodeVerdict(QByteArrayView head)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, void (*)(UCharsetDetector *)> detector(
        ucsdet_open(&status), ucsdet_close);
    if (U_FAILURE(status))
        return {};
    ucsdet_setText(detector.get(), head.data(), int32_t(head.size()), &status);
    int32_t found = 0;
    const UCharsetMatch **matches = ucsdet_detectAll(detector.get(), &found, &status);
    if (U_FAILURE(status))
        return {};
    for (int32_t i = 0; i < found; ++i) {
        const QString name = QString::fromLatin1(ucsdet_getName(matches[i], &status));
        const int32_t confidence = ucsdet_getConfidence(matches[i], &status);
        if (U_FAILURE(status))
            return {};
        if (name == encoding::Utf8 && confidence >= 50)
            return encoding::Utf8;
    }
    return {};
}

// How often each letter stands in Russian text, per mille (Ukrainian and Belarusian letters
// as they stand in their own languages, so that those texts read as well).
const QHash<char16_t, double> &letterFrequencies()
{
    static const QHash<char16_t, double> table = [] {
        const struct {
            char16_t letter;
            double perMille;
        } rows[] = {{u'о', 110}, {u'е', 85}, {u'а', 80}, {u'и', 74}, {u'н', 67}, {u'т', 63},
                    {u'с', 55},  {u'р', 47}, {u'в', 45}, {u'л', 44}, {u'к', 35}, {u'м', 32},
                    {u'д', 30},  {u'п', 28}, {u'у', 26}, {u'я', 20}, {u'ы', 19}, {u'ь', 17},
                    {u'г', 17},  {u'з', 16}, {u'б', 16}, {u'ч', 14}, {u'й', 12}, {u'х', 10},
                    {u'ж', 9},   {u'ш', 7},  {u'ю', 6},  {u'ц', 5},  {u'щ', 4},  {u'э', 3},
                    {u'ф', 3},   {u'ъ', 1},  {u'ё', 2},  {u'і', 10}, {u'ї', 3},  {u'є', 3},
                    {u'ґ', 1},   {u'ў', 2}};
        QHash<char16_t, double> t;
        for (const auto &row : rows)
            t.insert(row.letter, std::log(row.perMille / 1000.0));
        return t;
    }();
    return table;
}

bool typographic(char16_t c)
{
    static const QString marks = QStringLiteral("«»—–№…“”„‘’\u00A0°§©®±·•");
    return marks.contains(QChar(c));
}

bool cyrillicLetter(char16_t c) { return c >= 0x400 && c <= 0x4FF; }

// How well a single-byte text reads in a code page: the log-likelihood of the characters its
// high bytes become, under a unigram model of Cyrillic text, less a penalty for a capital
// standing after a small letter (a wrong page swaps cases inside words).
double readability(QByteArrayView bytes, int codePage)
{
    const rtf::CodePage *page = rtf::CodePage::get(codePage);
    const auto &letters = letterFrequencies();
    const double rareLetter = std::log(0.0003);
    const double mark = std::log(0.005);
    const double junk = std::log(0.0002);
    const double swappedCase = std::log(0.01);
    double score = 0;
    char16_t previous = 0;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t c = page->byteToChar(b);
        if (b >= 0x80) {
            if (cyrillicLetter(c)) {
                const QChar lower = QChar(c).toLower();
                score += letters.value(lower.unicode(), rareLetter);
                if (QChar(c).isUpper() && cyrillicLetter(previous) && QChar(previous).isLower())
                    score += swappedCase;
            } else {
                score += typographic(c) ? mark : junk;
            }
        }
        previous = c;
    }
    return score;
}

QString singleBytePage(QByteArrayView head)
{
    qsizetype high = 0;
    for (const char c : head)
        if (static_cast<unsigned char>(c) >= 0x80)
            ++high;
    const double windows = readability(head, 1251);
    const struct {
        int page;
        const QString &name;
    } others[] = {{20866, encoding::Koi8R}, {866, encoding::Cp866}};
    // Another page must read clearly better, by more than chance on a short line gives.
    const double margin = 4.0 + 0.5 * double(high);
    QString best = encoding::Windows1251;
    double bestScore = windows + margin;
    for (const auto &other : others) {
        const double score = readability(head, other.page);
        if (score > bestScore) {
            bestScore = score;
            best = other.name;
        }
    }
    return best;
}

} // namespace

QStringList importEncodings()
{
    return {encoding::Windows1251, encoding::Utf8,  encoding::Utf16LE,    encoding::Utf16BE,
            encoding::Koi8R,       encoding::Cp866, encoding::Windows1252};
}

QString encodingLabel(const QString &name)
{
    static const QHash<QString, const char *> labels = {
        {encoding::Windows1251,
         QT_TRANSLATE_NOOP("TextEncoding", "Windows-1251 (кириллица Windows)")},
        {encoding::Utf8, QT_TRANSLATE_NOOP("TextEncoding", "UTF-8 (Юникод)")},
        {encoding::Utf16LE, QT_TRANSLATE_NOOP("TextEncoding", "UTF-16 LE (Юникод)")},
        {encoding::Utf16BE, QT_TRANSLATE_NOOP("TextEncoding", "UTF-16 BE (Юникод)")},
        {encoding::Koi8R, QT_TRANSLATE_NOOP("TextEncoding", "KOI8-R (кириллица Unix)")},
        {encoding::Cp866, QT_TRANSLATE_NOOP("TextEncoding", "CP866 (кириллица DOS)")},
        {encoding::Windows1252,
         QT_TRANSLATE_NOOP("TextEncoding", "Windows-1252 (западноевропейская)")},
    };
    const char *label = labels.value(name);
    return label ? QCoreApplication::translate("TextEncoding", label) : name;
}

QString guessEncoding(QByteArrayView head)
{
    head = head.first(std::min(head.size(), EncodingSampleBytes));
    const QString marked = byteOrderMark(head);
    if (!marked.isEmpty())
        return marked;
    if (looksUtf16(head, false))
        return encoding::Utf16LE;
    if (looksUtf16(head, true))
        return encoding::Utf16BE;
    if (asciiOnly(head))
        return encoding::Windows1251;
    if (validUtf8(head) && icuUnicodeVerdict(head) == encoding::Utf8)
        return encoding::Utf8;
    return singleBytePage(head);
}

QString guessEncoding(QIODevice &device) { return guessEncoding(device.peek(EncodingSampleBytes)); }

namespace {

bool windows1251(const QString &name) { return name.isEmpty() || name == encoding::Windows1251; }

// Windows-1251 by the program's own table, which reads every byte; QStringDecoder's may not.
void append1251(QString &text, QByteArrayView bytes)
{
    const rtf::CodePage *page = rtf::CodePage::get(1251);
    const qsizetype size = text.size();
    text.resize(size + bytes.size());
    QChar *out = text.data() + size;
    for (const char c : bytes)
        *out++ = QChar(page->byteToChar(static_cast<unsigned char>(c)));
}

// The whole, well-formed UTF-8 sequences at the start of bytes appended to text; answers how
// many bytes they took. Stops at a sequence cut off or malformed, or at a noncharacter, which
// the decoder takes as it would. Most files are nothing but such sequences.
qsizetype appendWellFormedUtf8(QString &text, QByteArrayView bytes)
{
    const qsizetype at = text.size();
    text.resize(at + bytes.size()); // never more UTF-16 units than bytes
    char16_t *const first = reinterpret_cast<char16_t *>(text.data()) + at;
    char16_t *out = first;
    const auto *in = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    const auto follows = [&](qsizetype k) { return k < size && (in[k] & 0xC0) == 0x80; };
    qsizetype i = 0;
    while (i < size) {
        const uchar b = in[i];
        if (b < 0x80) {
            *out++ = b;
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF && follows(i + 1)) {
            *out++ = char16_t((b & 0x1F) << 6 | (in[i + 1] & 0x3F));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF && follows(i + 1) && follows(i + 2)) {
            const char16_t c =
                char16_t((b & 0x0F) << 12 | (in[i + 1] & 0x3F) << 6 | (in[i + 2] & 0x3F));
            if (c < 0x800 || QChar::isSurrogate(c) || QChar::isNonCharacter(c))
                break;
            *out++ = c;
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4 && follows(i + 1) && follows(i + 2) && follows(i + 3)) {
            const char32_t c = char32_t(b & 0x07) << 18 | char32_t(in[i + 1] & 0x3F) << 12 |
                               char32_t(in[i + 2] & 0x3F) << 6 | (in[i + 3] & 0x3F);
            if (c < 0x10000 || c > 0x10FFFF || QChar::isNonCharacter(c))
                break;
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
            i += 4;
        } else {
            break;
        }
    }
    text.truncate(at + (out - first));
    return i;
}

bool utf8(const QString &name)
{
    return !windows1251(name) &&
           QStringConverter::encodingForName(name.toLatin1().constData()) == QStringConverter::Utf8;
}

} // namespace

QString decodeText(QByteArrayView bytes, const QString &name)
{
    if (windows1251(name)) {
        QString text;
        append1251(text, bytes);
        return text;
    }
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder(bytes);
}

TextPieces::TextPieces(const QString &text) : FText(&text) {}

TextPieces::TextPieces(QIODevice &device, const QString &name)
    : FDevice(&device), FStart(device.pos()), FName(name),
      FDecoder(windows1251(name) ? QStringDecoder() : QStringDecoder(name.toLatin1().constData())),
      FUtf8(utf8(name))
{
}

void TextPieces::appendDecoded(QString &text, QByteArrayView bytes)
{
    if (FUtf8) {
        // The decoder drops a byte-order mark at the start of the text, and so does this.
        const qsizetype from = !FBegun && bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        const qsizetype took = from + appendWellFormedUtf8(text, bytes.sliced(from));
        FBegun = FBegun || took > 0;
        if (took == bytes.size())
            return;
        // A letter cut by the end of the piece waits for the rest of it.
        if (bytes.size() - took <= 3 && !FDone) {
            FCarry = bytes.sliced(took).toByteArray();
            return;
        }
        // Anything else goes to the decoder from here on, as one that is past the text's start.
        FUtf8 = false;
        if (FBegun)
            FDecoder =
                QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        bytes = bytes.sliced(took);
    }
    text += FDecoder(bytes);
    if (FDone && !bytes.isEmpty())
        text += FDecoder(QByteArrayView());
}

bool TextPieces::readInto(QString &text)
{
    if (FDone)
        return false;
    if (FText) {
        text += *FText;
        FDone = true;
        return !FText->isEmpty();
    }
    FPiece.resize(PieceBytes + 4);
    while (true) {
        const qsizetype carried = FCarry.size();
        std::memcpy(FPiece.data(), FCarry.constData(), carried);
        FCarry.clear();
        const qint64 got = FDevice->read(FPiece.data() + carried, PieceBytes);
        if (got < 0) {
            FDone = true;
            throw Error(
                QCoreApplication::translate(
                    "TextEncoding", "чтение файла прервал сбой; проверьте носитель и повторите"),
                FDevice->errorString());
        }
        const QByteArrayView bytes(FPiece.constData(), carried + got);
        if (got == 0)
            FDone = true;
        const qsizetype size = text.size();
        if (windows1251(FName))
            append1251(text, bytes);
        else if (FDecoder.isValid())
            appendDecoded(text, bytes);
        else
            text += QString::fromLatin1(bytes);
        if (text.size() > size)
            return true;
        if (FDone)
            return false;
    }
}

void TextPieces::rewind()
{
    FDone = false;
    if (!FDevice)
        return;
    if (!FDevice->seek(FStart))
        throw Error(QCoreApplication::translate("TextEncoding", "файл не перечитать с начала"),
                    FDevice->errorString());
    FDecoder = windows1251(FName) ? QStringDecoder() : QStringDecoder(FName.toLatin1().constData());
    FUtf8 = utf8(FName);
    FBegun = false;
    FCarry.clear();
}

QString previewLines(QByteArrayView head, const QString &name, int lines)
{
    const QString text = decodeText(head, name);
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList all = text.split(lineEnd);
    if (head.size() >= EncodingSampleBytes && all.size() > 1)
        all.removeLast(); // cut by the end of the sample
    if (all.size() > lines)
        all = all.mid(0, lines);
    return all.join(QLatin1Char('\n'));
}

Utf8Transcoder::Utf8Transcoder(QIODevice &source, const QString &name)
    : FSource(source), FDecoder(name.toLatin1().constData())
{
    setOpenMode(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 Utf8Transcoder::readData(char *data, qint64 maxSize)
{
    constexpr qint64 Piece = 256 * 1024;
    while (FPendingPos >= FPending.size() && !FDone) {
        QByteArray piece(Piece, Qt::Uninitialized);
        const qint64 got = FSource.read(piece.data(), Piece);
        if (got < 0) {
            setErrorString(FSource.errorString());
            FDone = true;
            return -1;
        }
        if (got == 0) {
            FDone = true;
            break;
        }
        FPending = QString(FDecoder(QByteArrayView(piece.constData(), got))).toUtf8();
        FPendingPos = 0;
    }
    const qint64 n = std::min<qint64>(maxSize, FPending.size() - FPendingPos);
    if (n <= 0)
        return 0;
    memcpy(data, FPending.constData() + FPendingPos, size_t(n));
    FPendingPos += n;
    return n;
}

} // namespace quil
