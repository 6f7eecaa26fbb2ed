// The USB adapter's command replies: the checks of one reply transfer (start and end
// bytes, length, CRC, command and ack code) and what the tool reads from a payload that
// passed them (state and version text, boot flag, bit-timing record). The first byte is
// the command awaited; the rest is the transfer, in a buffer of exactly its size.
#include "fuzzInput.h"

#include "link/usb/adapterFirmware.h"
#include "link/usb/baudTiming.h"
#include "link/usb/control_protocol.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    FuzzInput in(data, size);
    const uint8_t code = in.byte();
    const QByteArray rest = in.rest();
    const std::vector<uint8_t> transfer(rest.begin(), rest.end());
    QByteArray payload;
    const uint8_t result = checkUsbReply(code, transfer.data(), int(transfer.size()), &payload);
    if (result != 0) {
        if (!payload.isEmpty())
            std::abort(); // a refused reply hands nothing on
        return 0;
    }
    // A payload lies inside its frame: 0xA5, code, ack, two length bytes, CRC, 0x5A.
    if (payload.size() + 8 > qsizetype(transfer.size()))
        std::abort();
    (void)adapterReplyIsBoot(payload);
    (void)adapterVersionText(payload);
    const BaudReadback r = interpretBaudRecord(payload);
    (void)r;
    return 0;
}
