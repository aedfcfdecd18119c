#include "FailDevice.h"

#include <algorithm>
#include <cstring>

FailDevice::FailDevice(qint64 room, QString error) : FLimit(room), FError(std::move(error))
{
    open(QIODevice::WriteOnly);
}

FailDevice::FailDevice(QByteArray data, qint64 limit, QString error)
    : FData(std::move(data)), FLimit(limit), FError(std::move(error))
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

std::unique_ptr<FailDevice> FailDevice::endless(char byte, qint64 limit, QString error)
{
    auto device = std::make_unique<FailDevice>(QByteArray(1, byte), limit, std::move(error));
    device->FEndless = true;
    return device;
}

qint64 FailDevice::readData(char *data, qint64 maxSize)
{
    if (FRead >= FLimit) {
        setErrorString(FError);
        return -1;
    }
    qint64 n = std::min(maxSize, FLimit - FRead);
    if (FEndless) {
        std::memset(data, FData.at(0), size_t(n));
    } else {
        n = std::min(n, qint64(FData.size()) - FRead);
        std::memcpy(data, FData.constData() + FRead, size_t(n));
    }
    FRead += n;
    return n;
}

qint64 FailDevice::writeData(const char *data, qint64 size)
{
    const qint64 n = std::min(size, FLimit - qint64(taken.size()));
    if (n < size)
        setErrorString(FError);
    if (n <= 0)
        return -1;
    taken.append(data, n);
    return n;
}
