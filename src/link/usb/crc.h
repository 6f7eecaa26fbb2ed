#pragma once

#include <QByteArray>
#include <QtGlobal>

// Checksums of the USB adapter's command frames and of captured data blocks.

// CRC-16/ARC: polynomial 0x8005 reflected, initial 0, no final XOR ("123456789" → 0xBB3D).
quint16 CRC16_IBM(const quint8 *data, quint32 length);

// CRC-32/MPEG-2: polynomial 0x04C11DB7 most-significant bit first, initial 0xFFFFFFFF,
// no reflection, no final XOR ("123456789" → 0x0376E6E7, nothing → 0xFFFFFFFF).
quint32 calculate(const quint8 *data, quint32 length);
quint32 calculateCRC32(const QByteArray &data);
inline quint16 CRC16_IBM(const QByteArray &data)
{
    return CRC16_IBM(reinterpret_cast<const quint8 *>(data.constData()), quint32(data.size()));
}
