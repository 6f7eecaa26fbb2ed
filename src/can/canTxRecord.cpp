#include "can/canTxRecord.h"

#include "can/canTxModel.h"

void fillFDCANFrame(const QByteArray &data, const CANTxModel &model, can_tx_type &record,
                    uint8_t extraFlag, uint32_t frameId, int32_t sendTimes, uint32_t interval,
                    uint16_t idStep, uint32_t stopId)
{
    uint8_t flags = 0;
    if (model.canType()) {
        flags |= can_tx_type::FlagCanFd;
        // The bit-rate switch exists only in CAN FD.
        if (model.dataSectionAcc())
            flags |= can_tx_type::FlagBitRateSwitch;
    }
    if (model.canFrameType() == 0)
        flags |= can_tx_type::FlagDataFrame;
    if (model.canIdType() == 1)
        flags |= can_tx_type::FlagExtendedId;
    if (model.idAcc())
        flags |= can_tx_type::FlagIdAcc;
    if (model.dataAcc())
        flags |= can_tx_type::FlagDataAcc;
    if (extraFlag)
        flags |= can_tx_type::FlagExtra;
    fillTxRecord(record, data, flags, frameId, sendTimes, interval, idStep, stopId);
}

bool fillCANFrame(const QByteArray &data, const CANTxModel &model, QByteArray &frame,
                  uint8_t cmd, uint32_t canId, uint32_t sendTimes, uint32_t interval)
{
    SerialFrameSettings settings;
    settings.idType = model.canIdType();
    settings.frameType = model.canFrameType();
    settings.idAcc = model.idAcc();
    settings.dataAcc = model.dataAcc();
    return fillCANFrame(data, settings, frame, cmd, canId, sendTimes, interval);
}
