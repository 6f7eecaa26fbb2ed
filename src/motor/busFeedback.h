#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QMutex>

#include <cstdint>

// The latest feedback of every motor the motors panel lists, by the master ID it answers
// on. The receive thread offers frames; the panel's timer takes a copy.
class BusFeedback
{
public:
    struct Latest {
        uint8_t state = 0;
        int8_t motorTemp = 0;
        int8_t driverTemp = 0;
        qint64 atMs = -1; // on the tracker's clock
    };
    // The motors to watch: master ID -> the low nibble of its CAN ID (feedback's D0).
    void watch(const QMap<uint32_t, uint32_t> &masterToCanid);
    // A received frame; taken when it comes on a watched master ID and looks like feedback.
    void offer(uint32_t frameId, const uint8_t *data, int length);
    QMap<uint32_t, Latest> snapshot() const; // by master ID
    qint64 nowMs() const;

private:
    mutable QMutex mutex;
    QMap<uint32_t, uint32_t> watched;
    QMap<uint32_t, Latest> latest;
    QElapsedTimer clock;
};
