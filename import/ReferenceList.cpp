#include "import/ReferenceList.h"

#include "import/TextEncoding.h"
#include "platform/Error.h"
#include "rtf/CodePage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace quil {
namespace {

constexpr char Tab = '\t';
constexpr char Cr = '\r';
constexpr char Lf = '\n';
constexpr char EndOfText = 26; // Ctrl+Z
constexpr qint64 Piece = 256 * 1024;
// No reference is this long; a file without line ends (or a device that never ends) is
// refused here instead of being held whole.
constexpr qsizetype LongestLine = ReferenceListReader::LongestLineBytes;

bool blank(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return c == ' ' || c == Tab || c == '\0'; });
}

// The first CR, LF or Ctrl+Z from p on, or end. Eight bytes at a time: a word without a zero
// byte after the XOR with each of them holds none of them.
const char *lineStop(const char *p, const char *end)
{
    constexpr quint64 Ones = 0x0101010101010101ULL;
    constexpr quint64 Highs = 0x8080808080808080ULL;
    const auto zeroByte = [](quint64 x) { return (x - Ones) & ~x & Highs; };
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (zeroByte(word ^ Ones * quint8(Cr)) | zeroByte(word ^ Ones * quint8(Lf)) |
            zeroByte(word ^ Ones * quint8(EndOfText)))
            break;
    }
    while (p < end && *p != Cr && *p != Lf && *p != EndOfText)
        ++p;
    return p;
}

void dropOneLeadingSpace(QString &column)
{
    if (column.startsWith(QLatin1Char(' ')))
        column.remove(0, 1);
}

} // namespace

ReferenceListReader::ReferenceListReader(QIODevice &device, const QString &encoding)
    : FTranscoder(encoding.isEmpty() || encoding == encoding::Windows1251
                      ? nullptr
                      : new Utf8Transcoder(device, encoding)),
      FDevice(FTranscoder ? *FTranscoder : device), FUtf8(FTranscoder != nullptr)
{
}

ReferenceListReader::~ReferenceListReader() = default;

ReferenceLine ReferenceListReader::parseLine(QByteArrayView bytes, int number, bool utf8)
{
    const rtf::CodePage *page = rtf::CodePage::get(1251);
    ReferenceLine line;
    line.number = number;
    QString *columns[] = {&line.authors, &line.title, &line.publisher, &line.year, &line.keywords};
    int column = 0;
    qsizetype start = 0;
    // A column is decoded at once from its run of bytes between tabs.
    const auto flush = [&](qsizetype end) {
        if (end <= start)
            return;
        QString &target = *columns[std::min(column, 4)];
        if (utf8) {
            QString text = QString::fromUtf8(bytes.sliced(start, end - start));
            text.remove(QChar(0));
            target += text;
            return;
        }
        const qsizetype size = target.size();
        target.resize(size + (end - start));
        QChar *out = target.data() + size;
        // A NUL is no character of a reference: it is dropped, not stored.
        for (qsizetype i = start; i < end; ++i)
            if (bytes[i] != '\0')
                *out++ = QChar(page->byteToChar(static_cast<unsigned char>(bytes[i])));
        target.truncate(out - target.constData());
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != Tab)
            continue;
        flush(i);
        start = i + 1;
        ++column;
    }
    flush(bytes.size());
    for (QString *text : columns)
        dropOneLeadingSpace(*text);
    return line;
}

QList<ReferenceLine> ReferenceListReader::parse(const QByteArray &text)
{
    QByteArray copy = text;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ReferenceListReader reader(buffer);
    QList<ReferenceLine> lines;
    ReferenceLine line;
    while (reader.next(line))
        lines << line;
    return lines;
}

bool ReferenceListReader::fill()
{
    if (FDeviceDone)
        return false;
    if (FPos > 0) {
        FBuffer.remove(0, FPos);
        FPos = 0;
    }
    // Read into a piece of its own and append what came: a device that hands out a few bytes
    // at a time then costs a few bytes' growth per read, not a new piece each time.
    if (FPiece.size() != Piece)
        FPiece.resize(Piece);
    const qint64 got = FDevice.read(FPiece.data(), Piece);
    if (got < 0) {
        FDeviceDone = true;
        throw Error(
            QCoreApplication::translate(
                "ReferenceList", "чтение файла прервал сбой; проверьте носитель и повторите"),
            FDevice.errorString());
    }
    FBuffer.append(FPiece.constData(), qsizetype(got));
    if (got == 0)
        FDeviceDone = true;
    return got > 0;
}

bool ReferenceListReader::next(ReferenceLine &line)
{
    while (!FTextDone) {
        // Look for the end of the line in what has been read; read on while there is none.
        qsizetype end = FPos;
        char stop = 0;
        while (true) {
            const char *data = FBuffer.constData();
            const qsizetype size = FBuffer.size();
            end = lineStop(data + end, data + size) - data;
            if (end < size) {
                stop = data[end];
                // A CR at the edge of what was read may be the first half of CR LF.
                if (stop != Cr || end + 1 < size || FDeviceDone)
                    break;
            } else if (FDeviceDone) {
                break;
            }
            const qsizetype offset = end - FPos;
            if (offset > LongestLine) {
                FTextDone = true;
                throw Error(QCoreApplication::translate(
                                "ReferenceList",
                                "в строке больше %1 МБ без конца строки; такой файл "
                                "не список ссылок")
                                .arg(LongestLine / (1024 * 1024)));
            }
            fill();
            end = FPos + offset;
        }
        ++FLine;
        const QByteArrayView bytes(FBuffer.constData() + FPos, end - FPos);
        // A line of nothing but blanks and tabs is passed over as an empty one is.
        const bool empty = blank(bytes);
        if (!empty)
            line = parseLine(bytes, FLine, FUtf8);
        if (stop == 0 || stop == EndOfText) {
            FTextDone = true;
            if (bytes.isEmpty())
                --FLine; // the empty text after the last line end is no line
        } else {
            FPos = end + 1;
            if (stop == Cr && FPos < FBuffer.size() && FBuffer[FPos] == Lf)
                ++FPos;
        }
        if (!empty)
            return true;
    }
    return false;
}

} // namespace quil
