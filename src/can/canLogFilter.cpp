#include "can/canLogFilter.h"

#include "can/canFrameData.h"
#include "motor/motorFrameDecode.h"

#include <QRegularExpression>

namespace {
bool parseHexId(QString text, quint32 &value)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    // Eight digits at most: a 29-bit ID fits, a typo of nine digits is refused.
    if (text.isEmpty() || text.size() > 8)
        return false;
    bool ok = false;
    value = text.toUInt(&ok, 16);
    return ok;
}

// Status kinds 5 and 6 are the bit-rate answers (failed, succeeded).
bool succeeded(int kind) { return kind == CANFrameData::RxOk || kind == CANFrameData::TxOk || kind == 6; }
bool failed(int kind) { return kind == CANFrameData::RxFailed || kind == CANFrameData::TxFailed || kind == 5; }
} // namespace

bool CANLogFilter::isActive() const
{
    return !idRanges.isEmpty() || direction != AnyDirection || outcome != AnyOutcome || hideHeartbeats
           || motorId >= 0 || masterId >= 0 || kinds != 0;
}

bool CANLogFilter::operator==(const CANLogFilter &o) const
{
    return idRanges == o.idRanges && direction == o.direction && outcome == o.outcome
           && hideHeartbeats == o.hideHeartbeats && motorId == o.motorId && masterId == o.masterId
           && kinds == o.kinds;
}

bool CANLogFilter::matches(const CANFrameData &row) const
{
    const int kind = row.statusKind();
    if (hideHeartbeats && kind == CANFrameData::Heartbeat)
        return false;
    switch (direction) {
    case Received:
        if (kind != CANFrameData::RxOk && kind != CANFrameData::RxFailed)
            return false;
        break;
    case Transmitted:
        if (kind != CANFrameData::TxOk && kind != CANFrameData::TxFailed)
            return false;
        break;
    case AnyDirection: break;
    }
    if ((outcome == Succeeded && !succeeded(kind)) || (outcome == Failed && !failed(kind)))
        return false;
    if (kinds != 0 || motorId >= 0 || masterId >= 0) {
        const MotorLogFrame f = row.motorFrame();
        if (kinds != 0 && (f.groups & kinds) == 0)
            return false;
        if ((motorId >= 0 || masterId >= 0) && !matchesMotor(row, f))
            return false;
    }
    if (idRanges.isEmpty())
        return true;
    for (const auto &r : idRanges)
        if (row.id >= r.first && row.id <= r.second)
            return true;
    return false;
}

bool CANLogFilter::matchesMotor(const CANFrameData &row, const MotorLogFrame &f) const
{
    if (masterId >= 0 && qint64(row.id) == masterId && !row.transmitted() && !row.has(CANFrameData::Extended))
        return true;
    if (motorId < 0 || !f.known())
        return false;
    switch (f.kind) {
    case MotorLogFrame::Feedback:
        // On the master ID it matched above; without one, the four bits are all there is.
        return masterId < 0 && f.motorId == quint32(motorId & 0xF);
    case MotorLogFrame::IdQuery:
    case MotorLogFrame::IdAssign:
    case MotorLogFrame::IdentificationStart: return true;
    case MotorLogFrame::VersionReply:
    case MotorLogFrame::FirmwareReply: return false; // they name no motor
    default: return qint64(f.motorId) == motorId;
    }
}

bool CANLogFilter::parseIds(const QString &text, QList<QPair<quint32, quint32>> &ranges, QString *bad)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    static const QRegularExpression spacedDash(QStringLiteral("\\s*-\\s*"));
    QList<QPair<quint32, quint32>> out;
    const QString joined = QString(text).replace(spacedDash, QStringLiteral("-"));
    for (const QString &part : joined.split(separators, Qt::SkipEmptyParts)) {
        const qsizetype dash = part.indexOf(QLatin1Char('-'));
        quint32 low = 0;
        quint32 high = 0;
        const bool ok = dash < 0 ? parseHexId(part, low) && (high = low, true)
                                 : parseHexId(part.left(dash), low) && parseHexId(part.mid(dash + 1), high) && low <= high;
        if (!ok) {
            if (bad)
                *bad = part;
            return false;
        }
        out.append({low, high});
    }
    ranges = out;
    return true;
}
