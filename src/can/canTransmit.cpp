#include "can/canTransmit.h"

#include <QList>

bool isCanDataLength(int length) { return length >= 0 && length <= 8; }

bool isFdCanDataLength(int length)
{
    switch (length) {
    case 12: case 16: case 20: case 24: case 32: case 48: case 64: return true;
    default: return isCanDataLength(length);
    }
}

CanDataConversion convertCanDataText(const QString &lengthText, const QString &hexText)
{
    CanDataConversion out;
    bool ok = false;
    const int length = lengthText.toInt(&ok, 10);
    if (!ok || length < 0) {
        out.error = CanDataConversion::BadLength;
        return out;
    }
    out.data = QByteArray(length, '\0');
    int at = 0;
    for (const QString &part : hexText.split(QLatin1Char(' '), Qt::KeepEmptyParts)) {
        if (at >= length)
            break;
        if (part.isEmpty())
            continue;
        const uint value = part.toUInt(&ok, 16);
        if (!ok) {
            out.error = CanDataConversion::BadHex;
            out.badPart = part;
            out.data.clear();
            return out;
        }
        out.data[at++] = char(value & 0xFF);
    }
    return out;
}

void applyDataCounter(QByteArray &data, int length, qint32 counter)
{
    int bytes = 0;
    switch (length) {
    case 1: case 2: case 4: case 8: bytes = length; break;
    default: return;
    }
    const quint64 value = quint64(qint64(counter)); // sign-extended for the 8-byte case
    for (int i = 0; i < bytes && i < data.size(); ++i)
        data[i] = char(value >> (8 * i));
}

quint32 countedCanId(quint32 id, quint32 step, quint32 counter, quint32 stopId)
{
    const quint32 sum = id + step * counter;
    return stopId == 0xFFFFFFFFu ? sum : sum % (stopId + 1);
}

bool CanSendCounter::advance()
{
    ++m_counter;
    if (m_counter >= m_snapshot) {
        m_counter = 0;
        return true;
    }
    return false;
}
