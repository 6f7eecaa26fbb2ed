#include "link/usb/crc.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> makeCrc16Table()
{
    std::array<uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint16_t crc = uint16_t(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
        table[size_t(i)] = crc;
    }
    return table;
}

constexpr std::array<uint32_t, 256> makeCrc32Table()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrc16Table = makeCrc16Table();
constexpr auto kCrc32Table = makeCrc32Table();

} // namespace

uint16_t CRC16_IBM(const uint8_t *data, int length)
{
    uint16_t crc = 0;
    if (!data)
        return crc;
    for (int i = 0; i < length; ++i)
        crc = uint16_t((crc >> 8) ^ kCrc16Table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

uint32_t calculate(const uint8_t *data, int length)
{
    uint32_t crc = 0xFFFFFFFFu;
    if (!data)
        return crc;
    for (int i = 0; i < length; ++i)
        crc = (crc << 8) ^ kCrc32Table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

uint32_t calculateCRC32(const QByteArray &bytes)
{
    return calculate(reinterpret_cast<const uint8_t *>(bytes.constData()), int(bytes.size()));
}
