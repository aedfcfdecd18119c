#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <memory>

class QIODevice;

namespace quil {

// One line of a reference list, split into its five column texts.
struct ReferenceLine {
    int number = 0; // 1-based line of the file
    QString authors;
    QString title;
    QString publisher;
    QString year;
    QString keywords; // the fifth column and every one after it, joined without separators
};

// Reads a reference list: text in one of the import encodings (Windows-1251 unless told),
// one reference per line. Lines end at CR LF, a
// lone CR or a lone LF; Ctrl+Z ends the text. Columns are split at tabs only, and each column
// loses one leading space; NUL bytes are dropped. Lines of nothing but blanks and tabs are
// passed over. The device is read in pieces, so a list of any length needs little memory.
class ReferenceListReader {
public:
    // An empty encoding is Windows-1251.
    explicit ReferenceListReader(QIODevice &device, const QString &encoding = {});
    ~ReferenceListReader();

    // A line longer than this raises quil::Error naming it instead of being read whole.
    static constexpr qsizetype LongestLineBytes = 4 * 1024 * 1024;

    // The next line that is not empty; false at the end of the text. A device that fails to
    // read raises quil::Error naming the line it stopped in.
    bool next(ReferenceLine &line);
    // Lines begun so far, empty ones included.
    int linesRead() const { return FLine; }

    // One line's bytes (without its line end) as columns, Windows-1251 or UTF-8.
    static ReferenceLine parseLine(QByteArrayView bytes, int number, bool utf8 = false);
    // Every line of a whole text.
    static QList<ReferenceLine> parse(const QByteArray &text);

private:
    bool fill();

    // Every encoding but Windows-1251 is read through a transcoder to UTF-8, so that lines
    // and columns are cut at the same bytes.
    std::unique_ptr<QIODevice> FTranscoder;
    QIODevice &FDevice;
    bool FUtf8 = false;
    QByteArray FBuffer;
    QByteArray FPiece; // what one read brings
    qsizetype FPos = 0;
    bool FDeviceDone = false;
    bool FTextDone = false; // Ctrl+Z seen, or the last line handed out
    int FLine = 0;
};

} // namespace quil
