#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

namespace quil {

// The encodings a text import reads, by the names QStringDecoder knows them by.
namespace encoding {
inline const QString Windows1251 = QStringLiteral("windows-1251");
inline const QString Utf8 = QStringLiteral("UTF-8");
inline const QString Utf16LE = QStringLiteral("UTF-16LE");
inline const QString Utf16BE = QStringLiteral("UTF-16BE");
inline const QString Koi8R = QStringLiteral("KOI8-R");
inline const QString Cp866 = QStringLiteral("IBM866");
inline const QString Windows1252 = QStringLiteral("windows-1252");
} // namespace encoding

// The encodings an import offers, in the order the chooser lists them.
QStringList importEncodings();
// How the chooser names an encoding ("UTF-8", "Windows-1251 (кириллица Windows)", ...).
QString encodingLabel(const QString &name);

// How much of a file the guess and the preview read.
constexpr qsizetype EncodingSampleBytes = 64 * 1024;

// The encoding a text most likely has, from its first bytes: a byte-order mark decides; ICU's
// detector tells UTF-8 (and UTF-16 without a mark, with our own test of where the zero bytes
// stand); among the Cyrillic single-byte pages a letter model of our own decides, and
// Windows-1251 wins unless another page reads clearly better. Text of ASCII only is
// Windows-1251, as the program has always read it.
QString guessEncoding(QByteArrayView head);
// The guess from a device's first bytes, which stay to be read.
QString guessEncoding(QIODevice &device);

// The whole text decoded; a byte-order mark of the encoding is dropped, bytes the encoding
// cannot read become U+FFFD.
QString decodeText(QByteArrayView bytes, const QString &name);

// The first lines of a text for the chooser's preview, decoded as name; a line cut by the end
// of the sample is left out unless it is the only one.
QString previewLines(QByteArrayView head, const QString &name, int lines = 12);

// A text decoded a piece at a time, from a device in one of the import encodings or from a
// string held whole, so that a reader keeps only a window of it; rewound, it begins again.
class TextPieces {
public:
    static constexpr qint64 PieceBytes = 256 * 1024;

    explicit TextPieces(const QString &text);
    // The device is read from where it stands; the byte-order mark is dropped.
    TextPieces(QIODevice &device, const QString &name);
    // Appends the next piece to text; false when the text has ended. A read that fails raises
    // quil::Error.
    bool readInto(QString &text);
    // Back to where the text began.
    void rewind();

private:
    const QString *FText = nullptr;
    QIODevice *FDevice = nullptr;
    qint64 FStart = 0;
    QString FName;
    QStringDecoder FDecoder;
    QByteArray FPiece;
    bool FDone = false;
    // UTF-8 read straight while it is well formed; the bytes of a letter a piece cut wait in
    // FCarry.
    bool FUtf8 = false;
    bool FBegun = false;
    QByteArray FCarry;

    void appendDecoded(QString &text, QByteArrayView bytes);
};

// Reads a device of any of the import encodings and hands its text out as UTF-8, a piece at a
// time, so that readers that cut lines and columns at ASCII bytes work on every encoding alike.
// The byte-order mark is dropped.
class Utf8Transcoder : public QIODevice {
public:
    Utf8Transcoder(QIODevice &source, const QString &name);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &FSource;
    QStringDecoder FDecoder;
    QByteArray FPending;
    qsizetype FPendingPos = 0;
    bool FDone = false;
};

} // namespace quil
