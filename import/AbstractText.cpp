#include "import/AbstractText.h"

#include "platform/Error.h"
#include "platform/Plural.h"
#include "rtf/CodePage.h"

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

QString decode(QByteArrayView bytes)
{
    const rtf::CodePage *page = rtf::CodePage::get(1251);
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes)
        *out++ = QChar(page->byteToChar(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

QStringList AbstractTextReader::lines(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        result << decode(bytes.sliced(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        result << decode(bytes.sliced(start));
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
            *why = QStringLiteral("в файле ") +
                   countOf(lines.size(), QStringLiteral("строка"), QStringLiteral("строки"),
                           QStringLiteral("строк")) +
                   QStringLiteral(", а нужно не меньше %1").arg(needed);
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

bool AbstractTextReader::read(QByteArrayView bytes, AbstractEntry &result, QString *why)
{
    return entry(lines(bytes), result, why);
}

bool AbstractTextReader::read(QIODevice &device, AbstractEntry &result, QString *why)
{
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
                *why = QStringLiteral("строка %1 длиннее %2 МБ; такой файл не абстракт")
                           .arg(lineEnds + 1)
                           .arg(LongestLine / (1024 * 1024));
            return false;
        }
        const qsizetype had = head.size();
        head.resize(had + Piece);
        const qint64 got = device.read(head.data() + had, Piece);
        if (got < 0)
            throw Error(QStringLiteral("чтение файла прервал сбой"), device.errorString());
        head.resize(had + got);
        if (got == 0)
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
    return read(head, result, why);
}

} // namespace quil
