#include "import/AbstractText.h"

#include "import/TextEncoding.h"
#include "platform/Error.h"
#include "platform/Plural.h"

#include <QCoreApplication>
#include <QIODevice>
#include <algorithm>

namespace quil {
namespace {

// No layout reads beyond line 12, so a file's head of this many lines is enough.
constexpr int LinesRead = 13;
constexpr qint64 Piece = 64 * 1024;
constexpr qsizetype LongestLine = 4 * 1024 * 1024;

const char *const NoticeMarkers[] = {
    "Corrected and republished from:", "Erratum in:", "Comment in:", "Comment on:"};

// UTF-16 is the one import encoding whose line ends and NUL are not single bytes.
bool wideEncoding(const QString &encoding)
{
    return encoding == encoding::Utf16LE || encoding == encoding::Utf16BE;
}

// Appends one piece of the device to head; 0 at its end.
qint64 readPiece(QIODevice &device, QByteArray &head)
{
    const qsizetype had = head.size();
    head.resize(had + Piece);
    const qint64 got = device.read(head.data() + had, Piece);
    if (got < 0)
        throw Error(QCoreApplication::translate("AbstractText", "чтение файла прервал сбой"),
                    device.errorString());
    head.resize(had + got);
    return got;
}

} // namespace

QStringList AbstractTextReader::lines(QByteArrayView bytes, const QString &encoding)
{
    if (wideEncoding(encoding)) {
        QString text = decodeText(bytes, encoding);
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
        QStringList result;
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                continue;
            result << text.sliced(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
        if (start < text.size())
            result << text.sliced(start);
        return result;
    }
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        result << decodeText(bytes.sliced(start, i - start), encoding);
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        result << decodeText(bytes.sliced(start), encoding);
    return result;
}

QString AbstractTextReader::yearOf(const QString &sourceLine)
{
    const qsizetype stop = sourceLine.indexOf(QLatin1Char('.'));
    if (stop < 0)
        return QStringLiteral("2222");
    return sourceLine.mid(stop + 2, 4);
}

bool AbstractTextReader::entry(const QStringList &lines, AbstractEntry &result, QString *why)
{
    const auto has = [&](int index) { return index < lines.size(); };
    int shift = 0;
    if (has(3))
        for (const char *marker : NoticeMarkers)
            if (lines[3].contains(QLatin1String(marker)))
                shift = 3;
    const bool brackets = has(5) && lines[5].contains(QLatin1Char('['));
    const int authors = brackets ? 7 : 5 + shift;
    const int pages = brackets ? 9 : 7 + shift;
    const int resume = brackets ? 11 : 9 + shift;
    const int needed = std::max(resume, 3 + shift) + 1;
    if (lines.size() < needed) {
        if (why)
            *why =
                QCoreApplication::translate("AbstractText", "в файле ") +
                countOf(lines.size(), QCoreApplication::translate("AbstractText", "строка"),
                        QCoreApplication::translate("AbstractText", "строки"),
                        QCoreApplication::translate("AbstractText", "строк")) +
                QCoreApplication::translate("AbstractText", ", а нужно не меньше %1").arg(needed);
        return false;
    }
    result.publisher = lines[0];
    result.title = lines[3 + shift];
    result.authors = lines[authors];
    result.pages = brackets ? lines[5] + QLatin1Char(' ') + lines[9] : lines[pages];
    result.resume = lines[resume];
    result.year = yearOf(lines[0]);
    return true;
}

bool AbstractTextReader::read(QByteArrayView bytes, AbstractEntry &result, QString *why,
                              const QString &encoding)
{
    return entry(lines(bytes, encoding), result, why);
}

bool AbstractTextReader::read(QIODevice &device, AbstractEntry &result, QString *why,
                              const QString &encoding)
{
    if (wideEncoding(encoding)) {
        // Abstracts are short: a UTF-16 file is read whole, up to the longest line.
        QByteArray head;
        while (head.size() < LongestLine) {
            if (readPiece(device, head) == 0)
                break;
        }
        return read(head, result, why, encoding);
    }
    QByteArray head;
    qsizetype scanned = 0;
    qsizetype lineStart = 0;
    int lineEnds = 0;
    // Read on until the text ends (NUL or end of file) or one line end more than the roles
    // need has been seen, which also settles a CR LF split between two pieces.
    while (lineEnds <= LinesRead) {
        // A file without line ends (or a device that never ends) is passed over here instead
        // of being held whole.
        if (scanned - lineStart > LongestLine) {
            if (why)
                *why = QCoreApplication::translate(
                           "AbstractText", "строка %1 длиннее %2 МБ; такой файл не абстракт")
                           .arg(lineEnds + 1)
                           .arg(LongestLine / (1024 * 1024));
            return false;
        }
        if (readPiece(device, head) == 0)
            break;
        bool ended = false;
        for (; scanned < head.size() && lineEnds <= LinesRead; ++scanned) {
            const char c = head[scanned];
            if (c == '\0') {
                ended = true;
                break;
            }
            if (c == '\r' && scanned + 1 == head.size())
                break; // decided by the next piece
            if (c == '\n' || (c == '\r' && head[scanned + 1] != '\n')) {
                ++lineEnds;
                lineStart = scanned + 1;
            }
        }
        if (ended)
            break;
    }
    return read(head, result, why, encoding);
}

} // namespace quil
