#include "link/usb/canTxType.h"

#include "link/byteOrder.h"
#include "link/canAdapter.h"
#include "log/log.h"

#include <cstring>

QByteArray can_tx_type::toBytes() const
{
    QByteArray out(Size, '\0');
    auto *p = reinterpret_cast<uint8_t *>(out.data());
    p[0] = idStep;
    p[2] = flags;
    p[4] = dataLength;
    putLe32(p + 8, uint32_t(sendTimes));
    putLe32(p + 12, stopId);
    putLe32(p + 16, interval);
    putLe32(p + 20, frameId);
    std::memcpy(p + 24, data, MaxData);
    return out;
}

bool can_tx_type::fromBytes(const QByteArray &bytes, can_tx_type &out)
{
    if (bytes.size() != Size)
        return false;
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.constData());
    out.idStep = p[0];
    out.flags = p[2];
    out.dataLength = p[4];
    out.sendTimes = int32_t(getLe32(p + 8));
    out.stopId = getLe32(p + 12);
    out.interval = getLe32(p + 16);
    out.frameId = getLe32(p + 20);
    std::memcpy(out.data, p + 24, MaxData);
    return true;
}

void fillTxRecord(can_tx_type &record, const QByteArray &data, uint8_t flags, uint32_t frameId, int32_t sendTimes,
                  uint32_t interval, uint16_t idStep, uint32_t stopId)
{
    record = can_tx_type{};
    // A length beyond what the record carries would make the adapter send bytes that
    // were never given; cap it with the copy.
    const int n = qMin(int(data.size()), int(can_tx_type::MaxData));
    if (data.size() > can_tx_type::MaxData)
        Logger::warning(QString("发送数据超过64字节(%1)，已截断").arg(data.size()), "fillFDCANFrame");

    record.idStep = uint8_t(idStep);
    record.flags = flags;
    record.dataLength = uint8_t(n);
    record.sendTimes = sendTimes;
    record.stopId = stopId;
    record.interval = interval;
    record.frameId = frameId & 0x1FFFFFFFu;
    if (n > 0)
        std::memcpy(record.data, data.constData(), size_t(n));
}

bool txRecordCarries(const CanTxOptions &options)
{
    return !options.idIncrement || options.idStep <= can_tx_type::MaxIdStep;
}

can_tx_type txRecordOf(const CanBusFrame &frame, const CanTxOptions &options)
{
    uint8_t flags = 0;
    if (frame.has(CanBusFrame::FlexibleData)) {
        flags |= can_tx_type::FlagCanFd;
        if (frame.has(CanBusFrame::BitRateSwitch))
            flags |= can_tx_type::FlagBitRateSwitch;
    }
    if (!frame.has(CanBusFrame::Remote))
        flags |= can_tx_type::FlagDataFrame;
    if (frame.has(CanBusFrame::Extended))
        flags |= can_tx_type::FlagExtendedId;
    if (options.idIncrement)
        flags |= can_tx_type::FlagIdAcc;
    if (options.dataIncrement)
        flags |= can_tx_type::FlagDataAcc;
    can_tx_type record;
    fillTxRecord(record, frame.payload, flags, frame.id, options.times, options.intervalMs, options.idStep,
                 options.stopId);
    return record;
}
