#pragma once

#include <QByteArray>

#include <cstdint>

// CRC-16/ARC (also called CRC-16/IBM): polynomial 0x8005 reflected, initial value 0,
// no final XOR. "123456789" gives 0xBB3D; no bytes give 0. Every USB adapter frame
// carries it.
uint16_t CRC16_IBM(const uint8_t *data, int length);
inline uint16_t CRC16_IBM(const QByteArray &bytes)
{
    return CRC16_IBM(reinterpret_cast<const uint8_t *>(bytes.constData()), int(bytes.size()));
}

// CRC-32/MPEG-2: polynomial 0x04C11DB7 most-significant bit first, initial value
// 0xFFFFFFFF, no reflection, no final XOR. "123456789" gives 0x0376E6E7; no bytes give
// 0xFFFFFFFF. Used for captured data blocks.
uint32_t calculate(const uint8_t *data, int length);
uint32_t calculateCRC32(const QByteArray &bytes);
