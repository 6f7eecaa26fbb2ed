#pragma once

#include <QByteArray>
#include <QtGlobal>

// Checksums of the USB adapter's frames and of the data blocks captured from the motor.

// CRC-16/ARC: polynomial 0x8005 reflected (0xA001), initial value 0, no final XOR.
quint16 CRC16_IBM(const quint8 *data, quint32 length);

// CRC-32/MPEG-2: polynomial 0x04C11DB7 most significant bit first, initial value
// 0xFFFFFFFF, no reflection, no final XOR. Check value of "123456789": 0x0376E6E7;
// an empty input gives 0xFFFFFFFF.
quint32 calculate(const quint8 *data, quint32 length);
quint32 calculateCRC32(const QByteArray &data);
