#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QThread>

#include <atomic>
#include <cstdint>

class CustomFIFO;

// Head of one CAN frame in the adapter's stream (12 bytes, little-endian).
struct can_head_type
{
    static constexpr int Size = 12;
    enum Flag : uint8_t { DataFrame = 0x01, CanFd = 0x02, ExtendedId = 0x04, Transmitted = 0x08 };

    uint32_t id = 0;
    uint32_t timestamp = 0; // microseconds
    uint16_t reserved = 0;  // bytes 8-9, the adapter's own
    uint8_t error = 0;      // 0 success, 1 failure
    uint8_t info = 0;       // bits 0-3 flags, bits 4-7 DLC code

    int dlc() const { return info >> 4; }
    uint8_t flags() const { return info & 0x0F; }
    static can_head_type fromBytes(const uint8_t *p);
};

// One decoded frame with its place in the running count of decoded frames.
struct can_node_type
{
    int32_t seq = 0;
    can_head_type head;
    QByteArray data;
};
Q_DECLARE_METATYPE(can_node_type)

// DLC code -> data bytes: 0-8 as they are, then 12, 16, 20, 24, 32, 48, 64.
int can_pack_dlc_get(int code);

// The parse thread: takes the blocks the readers queued, checks them and emits the
// frames of each block as one list.
class can_class : public QThread
{
    Q_OBJECT
public:
    explicit can_class(CustomFIFO *fifo, QObject *parent = nullptr);
    ~can_class() override;

    // One FIFO block: length (2 bytes), payload, CRC-16 over both. A wrong CRC emits
    // nothing; otherwise the frames are emitted (also an empty list) and counted.
    void unpack_can_frame(const uint8_t *block);
    int64_t decodedFrames() const { return m_decoded; }

signals:
    void send_can_value(const QList<can_node_type> &frames);

protected:
    void run() override;

private:
    CustomFIFO *m_fifo;
    std::atomic<int64_t> m_decoded{0};
};
