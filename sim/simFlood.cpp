#include "simFlood.h"

#include <algorithm>

SimFloodFrame simFloodFrame(const SimFlood &flood, quint64 k)
{
    SimFloodFrame f;
    f.id = flood.ids.isEmpty() ? 0x7FE : flood.ids[qsizetype(k % quint64(flood.ids.size()))];
    const int length = flood.lengths.isEmpty() ? 8 : std::clamp(flood.lengths[qsizetype(k % quint64(flood.lengths.size()))], 0, 64);
    f.data = QByteArray(length, '\0');
    const quint32 number = quint32(k);
    for (int b = 0; b < 4 && b < length; ++b)
        f.data[b] = char(number >> (8 * b));
    for (int b = 0; b < 4 && b + 4 < length; ++b)
        f.data[b + 4] = char(~number >> (8 * b));
    f.transmitted = flood.transmittedEvery > 0 && k % quint64(flood.transmittedEvery) == quint64(flood.transmittedEvery - 1);
    f.fd = length > 8 || (flood.fdEvery > 0 && k % quint64(flood.fdEvery) == 0);
    f.extended = flood.extended;
    return f;
}

qint64 simFloodNumber(const QByteArray &data)
{
    if (data.size() < 8)
        return -1;
    quint32 number = 0;
    quint32 complement = 0;
    for (int b = 0; b < 4; ++b) {
        number |= quint32(quint8(data[b])) << (8 * b);
        complement |= quint32(quint8(data[b + 4])) << (8 * b);
    }
    return complement == ~number ? qint64(number) : -1;
}
