#include "link/serial/customFIFO.h"

#include "log/log.h"

CustomFIFO fdcanFIFO;

CustomFIFO::CustomFIFO() : slotArray(new uint8_t *[Capacity])
{
}

CustomFIFO::~CustomFIFO()
{
    {
        QMutexLocker lock(&mutex);
        releaseAll();
    }
    delete[] slotArray;
}

void CustomFIFO::fifo_init()
{
    QMutexLocker lock(&mutex);
    // Re-initialising a ring that still holds records must not leak them.
    releaseAll();
    capacity = Capacity;
}

bool CustomFIFO::fifo_write(uint8_t *record)
{
    QMutexLocker lock(&mutex);
    const int next = (writeIndex + 1) % capacity;
    if (next == readIndex) {
        Logger::debug("无剩余空间", "fifo_write");
        return true;
    }
    slotArray[writeIndex] = record;
    writeIndex = next;
    return false;
}

int CustomFIFO::fifo_read(uint8_t **record)
{
    QMutexLocker lock(&mutex);
    if (writeIndex == readIndex)
        return ReadEmpty;
    if (record)
        *record = slotArray[readIndex];
    else
        delete[] slotArray[readIndex];  // nobody to hand it to
    readIndex = (readIndex + 1) % capacity;
    return ReadOk;
}

int CustomFIFO::fifo_get_length()
{
    QMutexLocker lock(&mutex);
    return (capacity + writeIndex - readIndex) % capacity;
}

void CustomFIFO::fifo_deinit()
{
    QMutexLocker lock(&mutex);
    releaseAll();
}

void CustomFIFO::releaseAll()
{
    while (readIndex != writeIndex) {
        delete[] slotArray[readIndex];
        readIndex = (readIndex + 1) % capacity;
    }
    writeIndex = readIndex = 0;
}
