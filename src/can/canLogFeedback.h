#pragma once

#include "motor/motorProtocol.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

struct CANFrameData;

// The feedback of the motors in a recording, as the feedback charts would have drawn it
// live: per motor its positions, velocities and torques, each sample at the time it was
// recorded (seconds since the recording's first frame).
//
// A feedback frame names its master ID and four bits of its motor's ID; that pair is what
// tells one motor's feedback from another's. As in the live dispatch, a register reply
// of PMAX, VMAX or TMAX from a motor changes the ranges its later feedback is decoded
// with; every motor starts with the ranges in force when the recording is opened.
struct FeedbackTrack
{
    quint32 masterId = 0;
    quint8 idNibble = 0;
    // The motor the recording commands whose ID ends in these four bits, when exactly
    // one does; -1 otherwise.
    qint64 commandedMotor = -1;
    QList<double> seconds;
    QList<float> position; // rad
    QList<float> velocity; // rad/s
    QList<float> torque;   // N-m
    qint64 dropped = 0;    // oldest samples left out beyond kMaxSamples

    qsizetype size() const { return seconds.size(); }
    // The motor the track would belong to live: canid's low four bits and its master ID.
    bool belongsTo(quint32 canid, quint32 masterid) const { return masterId == masterid && idNibble == (canid & 0xF); }
};

class FeedbackTrackCollector
{
public:
    // Samples kept per motor; a longer recording keeps its newest, as a chart's history does.
    static constexpr qsizetype kMaxSamples = 2000000;

    explicit FeedbackTrackCollector(const MappingRanges &ranges = MappingRanges()) : m_start(ranges) {}

    // The recording's frames in order; `seconds` since its first frame.
    void add(const CANFrameData &row, double seconds);
    // The motors that sent feedback, the one with most samples first.
    QList<FeedbackTrack> tracks() const;

private:
    static quint32 key(quint32 masterId, quint32 nibble) { return masterId << 4 | (nibble & 0xF); }

    MappingRanges m_start;
    QHash<quint32, MappingRanges> m_ranges;
    QMap<quint32, FeedbackTrack> m_tracks;
    QHash<quint8, QSet<quint32>> m_commanded; // low four bits -> motors the recording commands
};

// "电机 0x01 / 主ID 0x11（1200 点）", or "0x?1" for the motor when the recording does not say.
QString feedbackTrackLabel(const FeedbackTrack &track);
