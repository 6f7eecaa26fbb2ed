// The serial receive stream: adapter frames, console answers (parameter block, write
// acknowledgement, identification, version) and terminal text as the dispatcher cuts
// them from reads of any size, and what each piece is decoded into. The first byte
// chooses the link's mode and the request awaited; the rest arrives in chunks.
#include "fuzzInput.h"

#include "can/canFrameData.h"
#include "link/serial/protocolFormat.h"
#include "link/serial/receiveDispatcher.h"
#include "link/serial/receiveSteering.h"
#include "motor/escInf.h"
#include "motor/motorProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    static ReceiveSteering link;
    FuzzInput in(data, size);
    const uint8_t mode = in.byte();
    link.canMode = mode & 0x01;
    link.paramReading = mode & 0x02;
    link.paramWriting = mode & 0x04;
    link.identifying = mode & 0x08;
    link.versionReading = mode & 0x10;
    link.upgradeMode = mode & 0x20;
    const bool scanning = mode & 0x40;

    const MappingRanges ranges;
    ReceiveDispatcher::Events ev;
    ev.parameterBlock = [](const QByteArray &block, bool longLayout) {
        const ESC_INF record = byteToStruct<ESC_INF>(block);
        (void)structToBytes(record, longLayout);
    };
    ev.motorParameters = [](const QByteArray &block) { (void)byteToStruct<MotorParameter>(block); };
    ev.canFrame = [&](const QByteArray &bytes) {
        const CAN_Frame frame = byteArrayToCANFrame(bytes);
        (void)canLogRow(frame, 1, 0);
        (void)classifyMotorFrame(frame, 1, 0x11, ranges, scanning);
    };
    ev.upgradeReply = [](const QByteArray &, bool, quint32) { return false; };
    ReceiveDispatcher dispatcher(&link, ev);
    dispatcher.setTailHoldReads(0);
    for (const QByteArray &chunk : in.chunks())
        dispatcher.processChunk(chunk);
    dispatcher.flushHeldTail();
    return 0;
}
