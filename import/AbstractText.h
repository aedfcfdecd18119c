#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

class QIODevice;

namespace quil {

// What one abstract file gives an entry.
struct AbstractEntry {
    QString publisher; // the whole source line
    QString title;
    QString authors;
    QString pages;
    QString resume; // plain text
    QString year;
};

// Reads a saved journal abstract by fixed line positions: text in one of the import encodings
// (Windows-1251 unless told) split at CR LF, CR or LF, ended by NUL. A notice on line 3 moves the
// roles down by three lines; a "[" on line 5 selects the layout with the affiliation in brackets.
class AbstractTextReader {
public:
    // The lines of the text; a line end at the very end adds no empty line.
    static QStringList lines(QByteArrayView bytes, const QString &encoding = {});
    // The entry the lines make, or false with the reason when there are fewer lines than the
    // layout reads.
    static bool entry(const QStringList &lines, AbstractEntry &result, QString *why);
    // Reads only as much of the device as the roles need. A device that fails to read raises
    // quil::Error.
    static bool read(QIODevice &device, AbstractEntry &result, QString *why,
                     const QString &encoding = {});
    static bool read(QByteArrayView bytes, AbstractEntry &result, QString *why,
                     const QString &encoding = {});

    // The year cut from the source line.
    static QString yearOf(const QString &sourceLine);
};

} // namespace quil
