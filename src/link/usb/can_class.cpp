#include "link/usb/can_class.h"

#include "link/byteOrder.h"
#include "link/serial/customFIFO.h"
#include "link/usb/crc.h"
#include "log/log.h"

namespace {
const int s_nodeListMetaType = qRegisterMetaType<QList<can_node_type>>("QList<can_node_type>");
}

can_head_type can_head_type::fromBytes(const uint8_t *p)
{
    can_head_type h;
    h.id = getLe32(p);
    h.timestamp = getLe32(p + 4);
    h.reserved = uint16_t(p[8] | (p[9] << 8));
    h.error = p[10];
    h.info = p[11];
    return h;
}

int can_pack_dlc_get(int code)
{
    static const int kLengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
    return code >= 0 && code < 16 ? kLengths[code] : 0;
}

can_class::can_class(CustomFIFO *fifo, QObject *parent) : QThread(parent), m_fifo(fifo) {}

can_class::~can_class()
{
    requestInterruption();
    quit();
    wait();
}

void can_class::unpack_can_frame(const uint8_t *block)
{
    const int length = block[0] | (block[1] << 8);
    const uint16_t local = CRC16_IBM(block, length + 2);
    const uint16_t crc = uint16_t(block[length + 2] | (block[length + 3] << 8));
    if (crc != local) {
        Logger::error(QString::asprintf("crc fail , crc = 0x%04x , crc_local = 0x%04x", crc, local), "unpack_can_frame");
        return;
    }
    const uint8_t *payload = block + 2;
    const int64_t base = m_decoded;
    QList<can_node_type> frames;
    int at = 0;
    while (at + can_head_type::Size <= length) {
        const can_head_type head = can_head_type::fromBytes(payload + at);
        const int n = can_pack_dlc_get(head.dlc());
        if (at + can_head_type::Size + n > length)
            break;
        can_node_type node;
        node.seq = int32_t(base + frames.size());
        node.head = head;
        node.data = QByteArray(reinterpret_cast<const char *>(payload + at + can_head_type::Size), n);
        frames.append(node);
        at += can_head_type::Size + n;
    }
    emit send_can_value(frames);
    m_decoded += frames.size();
}

void can_class::run()
{
    Logger::info("can解析线程启动", "can_class::run");
    while (!isInterruptionRequested()) {
        uint8_t *block = nullptr;
        while (!isInterruptionRequested() && m_fifo->fifo_read(&block) == CustomFIFO::ReadOk) {
            unpack_can_frame(block);
            delete[] block;
        }
        QThread::msleep(10);
    }
}
