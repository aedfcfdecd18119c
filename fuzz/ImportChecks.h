#pragma once
// What must hold for any bytes given to the two import readers; the fuzz targets abort on a
// violation and the corpus test reports it. Each check returns what went wrong, or nothing.
//
// The readers are compared with a plain model of the formats (split the whole text at its
// line ends, then at tabs) and with themselves reading the same bytes in tiny pieces, which
// puts every CR LF and every NUL at the edge of a read somewhere.

#include "import/AbstractText.h"
#include "import/ReferenceList.h"
#include "rtf/CodePage.h"

#include <QBuffer>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace importchecks {

// Hands out its bytes a few at a time, the piece sizes following the bytes themselves.
class TrickleDevice : public QIODevice {
public:
    explicit TrickleDevice(QByteArray data) : FData(std::move(data))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 left = qint64(FData.size()) - FPos;
        if (left <= 0)
            return 0;
        const qint64 piece = 1 + (FPos < FData.size() ? uchar(FData[FPos]) % 7 : 0);
        const qint64 n = std::min({max, left, piece});
        std::memcpy(out, FData.constData() + FPos, size_t(n));
        FPos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray FData;
    qint64 FPos = 0;
};

inline QString decoded(const QByteArray &bytes)
{
    const quil::rtf::CodePage *page = quil::rtf::CodePage::get(1251);
    QString text;
    for (const char c : bytes)
        text += QChar(page->byteToChar(uchar(c)));
    return text;
}

// The text up to the first `end` byte, as lines; a line end at the very end adds no line.
inline QList<QByteArray> modelLines(QByteArray bytes, char end)
{
    const qsizetype stop = bytes.indexOf(end);
    if (stop >= 0)
        bytes.truncate(stop);
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

inline QString show(const quil::ReferenceLine &l)
{
    return QStringLiteral("%1:%2|%3|%4|%5|%6")
        .arg(l.number)
        .arg(l.authors, l.title, l.publisher, l.year, l.keywords);
}

inline QString checkReferenceList(const QByteArray &bytes)
{
    QStringList model;
    const QList<QByteArray> lines = modelLines(bytes, 26);
    for (int i = 0; i < lines.size(); ++i) {
        // A line of nothing but blanks and tabs is passed over; NUL bytes are dropped.
        if (std::all_of(lines[i].begin(), lines[i].end(),
                        [](char c) { return c == ' ' || c == '\t' || c == '\0'; }))
            continue;
        QList<QByteArray> columns = QByteArray(lines[i]).replace('\0', QByteArray()).split('\t');
        while (columns.size() > 5)
            columns[4] += columns.takeAt(5);
        columns.resize(5);
        quil::ReferenceLine line;
        line.number = i + 1;
        QString *texts[] = {&line.authors, &line.title, &line.publisher, &line.year,
                            &line.keywords};
        for (int c = 0; c < 5; ++c) {
            *texts[c] = decoded(columns[c]);
            if (texts[c]->startsWith(QLatin1Char(' ')))
                texts[c]->remove(0, 1);
        }
        model << show(line);
    }

    QStringList whole;
    for (const quil::ReferenceLine &line : quil::ReferenceListReader::parse(bytes))
        whole << show(line);
    if (whole != model)
        return QStringLiteral("reader and model differ:\n") + whole.join('\n') +
               QStringLiteral("\n--- model:\n") + model.join('\n');

    TrickleDevice device(bytes);
    quil::ReferenceListReader reader(device);
    quil::ReferenceLine line;
    QStringList trickled;
    while (reader.next(line))
        trickled << show(line);
    if (trickled != whole)
        return QStringLiteral("read in pieces:\n") + trickled.join('\n');
    return {};
}

inline QString show(bool ok, const quil::AbstractEntry &e, const QString &why)
{
    if (!ok)
        return QStringLiteral("passed over: ") + why;
    return QStringList{e.publisher, e.title, e.authors, e.pages, e.resume, e.year}.join('|');
}

inline QString checkAbstract(const QByteArray &bytes)
{
    QStringList model;
    for (const QByteArray &line : modelLines(bytes, '\0'))
        model << decoded(line);
    const QStringList lines = quil::AbstractTextReader::lines(bytes);
    if (lines != model)
        return QStringLiteral("lines differ from the model: %1 against %2")
            .arg(lines.size())
            .arg(model.size());

    quil::AbstractEntry whole;
    QString whyWhole;
    const bool ok = quil::AbstractTextReader::read(bytes, whole, &whyWhole);
    if (ok && (whole.year.size() > 4 || whole.pages.contains(QChar(0))))
        return QStringLiteral("bad entry: ") + show(ok, whole, whyWhole);

    TrickleDevice device(bytes);
    quil::AbstractEntry trickled;
    QString whyTrickled;
    const bool okTrickled = quil::AbstractTextReader::read(device, trickled, &whyTrickled);
    if (show(okTrickled, trickled, whyTrickled) != show(ok, whole, whyWhole))
        return QStringLiteral("read in pieces: ") + show(okTrickled, trickled, whyTrickled) +
               QStringLiteral("\n--- whole: ") + show(ok, whole, whyWhole);
    return {};
}

} // namespace importchecks
