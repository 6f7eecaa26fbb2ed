#include "link/usb/crc.h"

#include <array>

namespace {
std::array<quint16, 256> makeCrc16Table()
{
    std::array<quint16, 256> t{};
    for (quint32 i = 0; i < 256; ++i) {
        quint16 c = quint16(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? quint16((c >> 1) ^ 0xA001) : quint16(c >> 1);
        t[i] = c;
    }
    return t;
}

std::array<quint32, 256> makeCrc32Table()
{
    std::array<quint32, 256> t{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i << 24;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
        t[i] = c;
    }
    return t;
}
} // namespace

quint16 CRC16_IBM(const quint8 *data, quint32 length)
{
    static const std::array<quint16, 256> table = makeCrc16Table();
    quint16 crc = 0;
    for (quint32 i = 0; i < length; ++i)
        crc = quint16((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

quint32 calculate(const quint8 *data, quint32 length)
{
    static const std::array<quint32, 256> table = makeCrc32Table();
    quint32 crc = 0xFFFFFFFFu;
    for (quint32 i = 0; i < length; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

quint32 calculateCRC32(const QByteArray &data)
{
    return calculate(reinterpret_cast<const quint8 *>(data.constData()), quint32(data.size()));
}
