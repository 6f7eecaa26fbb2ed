#pragma once

#include "link/serial/protocolFormat.h"
#include "link/usb/canTxType.h"

#include <QByteArray>

#include <cstdint>

class CANTxModel;

// Builds the USB transmit record from the data bytes and the panel settings. The flags
// come from `model`; a non-zero `extraFlag` sets bit 6. At most 64 data bytes are
// copied and the length field never claims more than were copied. The ID step and the
// stop ID are the link object's ID-increment settings.
void fillFDCANFrame(const QByteArray &data, const CANTxModel &model, can_tx_type &record,
                    uint8_t extraFlag, uint32_t frameId, int32_t sendTimes, uint32_t interval,
                    uint16_t idStep, uint32_t stopId);

// The serial adapter's 30-byte transmit frame with the ID type, frame type, ID increment
// and data increment of the transmit panel's `model` (fillCANFrame with those settings).
bool fillCANFrame(const QByteArray &data, const CANTxModel &model, QByteArray &frame,
                  uint8_t cmd, uint32_t canId, uint32_t sendTimes, uint32_t interval);
