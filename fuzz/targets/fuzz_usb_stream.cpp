// The USB adapter's frame stream: every IN transfer as the readers check and queue it,
// the parse thread's decoding of the queued blocks into frames, and the log rows and link
// frames made of them. The first byte says which reader (receive or transmit echo); each
// chunk of the rest is one transfer, in a buffer of exactly its size.
#include "fuzzInput.h"

#include "can/canFrameData.h"
#include "link/serial/customFIFO.h"
#include "link/usb/can_class.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usb_class.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    static CustomFIFO fifo;
    static can_class parser(&fifo);
    static int frames = 0;
    static const bool connected = [] {
        QObject::connect(
            &parser, &can_class::send_can_value, &parser,
            [](const QList<can_node_type> &nodes) {
                for (const can_node_type &n : nodes) {
                    const CanBusFrame f = UsbCanAdapter::frameOf(n);
                    (void)canLogRow(f, quint32(++frames));
                }
            },
            Qt::DirectConnection);
        return true;
    }();
    (void)connected;

    FuzzInput in(data, size);
    const UsbStream stream = in.byte() & 1 ? UsbStream::Transmit : UsbStream::Receive;
    for (const QByteArray &chunk : in.chunks()) {
        const std::vector<quint8> transfer(chunk.begin(), chunk.end());
        unpack_usb_frame(transfer.data(), int(transfer.size()), fifo, stream);
    }
    uint8_t *block = nullptr;
    while (fifo.fifo_read(&block) == CustomFIFO::ReadOk) {
        parser.unpack_can_frame(block);
        delete[] block;
    }
    return 0;
}
