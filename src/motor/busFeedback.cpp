#include "motor/busFeedback.h"

void BusFeedback::watch(const QMap<uint32_t, uint32_t> &masterToCanid)
{
    QMutexLocker lock(&mutex);
    if (!clock.isValid())
        clock.start();
    watched = masterToCanid;
    latest.clear();
}

void BusFeedback::offer(uint32_t frameId, const uint8_t *data, int length)
{
    if (length < 8)
        return;
    QMutexLocker lock(&mutex);
    const auto it = watched.constFind(frameId);
    // Feedback carries the motor's ID in D0's low nibble; register and ID replies on the
    // same master ID start with other bytes.
    if (it == watched.cend() || (data[0] & 0x0F) != (*it & 0x0F))
        return;
    latest[frameId] = {uint8_t(data[0] >> 4), int8_t(data[7]), int8_t(data[6]), clock.elapsed()};
}

QMap<uint32_t, BusFeedback::Latest> BusFeedback::snapshot() const
{
    QMutexLocker lock(&mutex);
    return latest;
}

qint64 BusFeedback::nowMs() const
{
    QMutexLocker lock(&mutex);
    return clock.isValid() ? clock.elapsed() : 0;
}
