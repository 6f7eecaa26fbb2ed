#include "can/canLogFeedback.h"

#include "can/canFrameData.h"
#include "motor/motorFrameDecode.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

void FeedbackTrackCollector::add(const CANFrameData &row, double seconds)
{
    const MotorLogFrame f = row.motorFrame();
    switch (f.kind) {
    case MotorLogFrame::Command:
    case MotorLogFrame::Special:
        m_commanded[quint8(f.motorId & 0xF)].insert(f.motorId);
        break;
    case MotorLogFrame::RegisterReply: {
        const uint32_t raw = uint32_t(f.d[4]) | uint32_t(f.d[5]) << 8 | uint32_t(f.d[6]) << 16 | uint32_t(f.d[7]) << 24;
        float value;
        std::memcpy(&value, &raw, 4);
        const quint32 k = key(f.frameId, f.motorId);
        MappingRanges r = m_ranges.value(k, m_start);
        if (r.applyRegister(f.rid, value))
            m_ranges.insert(k, r);
        break;
    }
    case MotorLogFrame::Feedback: {
        const quint32 k = key(f.frameId, f.motorId);
        auto it = m_tracks.find(k);
        if (it == m_tracks.end()) {
            it = m_tracks.insert(k, FeedbackTrack());
            it->masterId = f.frameId;
            it->idNibble = quint8(f.motorId);
        }
        const MotorFeedback fb = decodeFeedback(f.d, m_ranges.value(k, m_start));
        FeedbackTrack &t = *it;
        if (t.size() >= kMaxSamples + 4096) {
            // Trimmed in blocks, so that a sample costs no copy.
            for (QList<float> *l : {&t.position, &t.velocity, &t.torque})
                l->remove(0, 4096);
            t.seconds.remove(0, 4096);
            t.dropped += 4096;
        }
        t.seconds.append(seconds);
        t.position.append(fb.position);
        t.velocity.append(fb.velocity);
        t.torque.append(fb.torque);
        break;
    }
    default: break;
    }
}

QList<FeedbackTrack> FeedbackTrackCollector::tracks() const
{
    QList<FeedbackTrack> out;
    for (FeedbackTrack t : m_tracks) {
        const QSet<quint32> motors = m_commanded.value(t.idNibble);
        t.commandedMotor = motors.size() == 1 ? qint64(*motors.begin()) : -1;
        const qsizetype excess = t.size() - kMaxSamples;
        if (excess > 0) {
            for (QList<float> *l : {&t.position, &t.velocity, &t.torque})
                l->remove(0, excess);
            t.seconds.remove(0, excess);
            t.dropped += excess;
        }
        out.append(t);
    }
    std::stable_sort(out.begin(), out.end(), [](const FeedbackTrack &a, const FeedbackTrack &b) { return a.size() > b.size(); });
    return out;
}

QString feedbackTrackLabel(const FeedbackTrack &t)
{
    const QString motor = t.commandedMotor >= 0 ? motorHexId(quint32(t.commandedMotor)) : motorNibbleText(t.idNibble);
    return QCoreApplication::translate("CanLogFile", "电机 %1 / 主ID %2（%3 点）")
        .arg(motor, motorHexId(t.masterId))
        .arg(t.size());
}
