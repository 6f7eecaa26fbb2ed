#pragma once

#include <QList>
#include <QPair>
#include <QString>

struct CANFrameData;
struct MotorLogFrame;

// Which rows of the receive log a view shows. The filter only hides: the log, copying
// all of it and the export keep every frame.
struct CANLogFilter
{
    enum Direction { AnyDirection, Received, Transmitted };
    enum Outcome { AnyOutcome, Succeeded, Failed };

    QList<QPair<quint32, quint32>> idRanges; // inclusive; empty lets every ID through
    Direction direction = AnyDirection;
    Outcome outcome = AnyOutcome;
    bool hideHeartbeats = false;
    // One motor: the frames sent to it (commands, and the register, scan, calibration
    // and firmware frames that name it), the broadcasts every motor takes (ID query and
    // assignment) and everything on its master ID (feedback, replies). Without a master
    // ID its feedback is known by the low four bits of its ID only. -1: not set.
    qint64 motorId = -1;
    qint64 masterId = -1;
    // MotorLogFrame::Group bits: only frames of these kinds. 0 lets every frame through.
    quint8 kinds = 0;

    bool isActive() const;
    bool matches(const CANFrameData &row) const;
    bool operator==(const CANLogFilter &o) const;

    // IDs typed as a list of hexadecimal IDs and ranges ("0x" allowed), separated by
    // commas, semicolons or blanks: "123, 200-2FF". Empty text: every ID. False for text
    // that is no such list; `bad` then holds the offending part.
    static bool parseIds(const QString &text, QList<QPair<quint32, quint32>> &ranges, QString *bad = nullptr);

private:
    bool matchesMotor(const CANFrameData &row, const MotorLogFrame &frame) const;
};
