#pragma once

#include <QMutex>

#include <cstdint>

// Bounded ring of record pointers between the USB reader threads and the parse thread,
// one mutex around every operation. A record is a byte block allocated with new[]:
// the writer allocates it, the ring holds it, and whoever reads it owns it and
// releases it with delete[]. The slot array is allocated once, so queueing never
// allocates.
//
// It holds at most capacity - 1 records (full when the write index is one behind the
// read index).
//
// Mind the return values, which callers rely on:
//   fifo_write returns FALSE ON SUCCESS and TRUE WHEN FULL (the record is then not
//   stored and stays the caller's to keep or delete[]);
//   fifo_read returns 0 with a record and 2 when empty.
class CustomFIFO
{
public:
    static constexpr int Capacity = 0x200000;  // 2 097 152 slots
    static constexpr int ReadOk = 0;
    static constexpr int ReadEmpty = 2;

    CustomFIFO();
    ~CustomFIFO();
    CustomFIFO(const CustomFIFO &) = delete;
    CustomFIFO &operator=(const CustomFIFO &) = delete;

    // Empties the ring (releasing any record still held) and resets the indices.
    void fifo_init();
    // true = FAILED (ring full); false = stored, the ring owns the record now.
    bool fifo_write(uint8_t *record);
    // 0 = *record set, the caller owns it; 2 = empty, *record untouched.
    int fifo_read(uint8_t **record);
    int fifo_get_length();
    // Releases every stored record with delete[] and leaves the ring empty.
    void fifo_deinit();

private:
    void releaseAll();  // mutex held

    int writeIndex = 0;
    int readIndex = 0;
    int capacity = Capacity;
    uint8_t **slotArray = nullptr;  // `slots` is a Qt keyword
    QMutex mutex;
};

// The ring shared by the USB adapter's receive and parse threads.
extern CustomFIFO fdcanFIFO;
