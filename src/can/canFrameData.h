#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

// One row of the CAN receive log, built from either adapter.
struct CANFrameData {
    quint32 index = 0;
    QString timestamp;
    QString frameType;   // standard / extended ID
    QString frameFormat; // data / remote frame
    QString canType;     // "CAN" or "CANFD"
    QString status;
    QString dataLen;     // decimal text
    QByteArray data;
    QString id;          // "0x" + lower-case hex
};
Q_DECLARE_METATYPE(CANFrameData)
