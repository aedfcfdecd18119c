#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

// A device that runs out, in place of a file on a broken medium or a full disk: it hands out
// its data (or one byte over and over, as a stream without end) up to a limit and takes
// written bytes up to a room; past either, every call fails with its error text. A write that
// does not fit whole takes what fits and says why the rest did not.
class FailDevice : public QIODevice {
public:
    static inline const QString DiskFull = QStringLiteral("No space left on device");

    // Writing: takes `room` bytes.
    explicit FailDevice(qint64 room, QString error = DiskFull);
    // Reading: gives the first `limit` bytes of `data`.
    FailDevice(QByteArray data, qint64 limit, QString error = DiskFull);
    // Reading a stream without end: `byte` over and over, `limit` bytes of it.
    static std::unique_ptr<FailDevice> endless(char byte, qint64 limit, QString error);

    bool isSequential() const override { return FEndless; }

    qint64 given() const { return FRead; } // bytes read so far (a stream has no position)
    QByteArray taken;                      // what was written

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QByteArray FData;
    qint64 FLimit = 0;
    qint64 FRead = 0;
    QString FError;
    bool FEndless = false;
};
