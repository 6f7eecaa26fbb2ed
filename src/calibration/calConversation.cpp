#include "calibration/calConversation.h"

#include "calibration/calibrationMath.h"
#include "link/byteOrder.h"
#include "procedures/customCDC.h"

#include <cstring>

namespace {
constexpr int kSliceMs = 100;        // every wait for handshake bytes re-checks this often
constexpr int kCommandDelayMs = 20;  // after "s"
constexpr int kShaftPauseMs = 150;   // after "Ul"
constexpr int kShaftFirstSlices = 16;
constexpr int kRestSlices = 64;
constexpr int kMotorReplySlices = 64;
constexpr int kMotorFirstRecordSlices = 154;
constexpr int kLongRecord = 21;
constexpr int kShaftShortRecord = 13;
constexpr int kHandshakeReply = 6;

constexpr int kEscapeMs = 200;       // motor-side download: after ESC 00, after "s"
constexpr int kShaftFlushMs = 100;
constexpr int kReplyDelayMs = 10;
constexpr int kPollMs = 1;
constexpr int kMotorPolls = 31;
constexpr int kMotorLatePoll = 15;
constexpr int kShaftPolls = 63;

constexpr int kUploadPauseMs = 1000;
constexpr int kUploadSlices = 64;

const char *kLongHeader = "    _refer     _real     _err     _raw   _count ";
const char *kShortHeader = "    _refer     _real     ";

float floatAt(const QByteArray &b, int offset)
{
    const quint32 u = getLe32(reinterpret_cast<const uint8_t *>(b.constData()) + offset);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
} // namespace

// ---------------------------------------------------------------- base

PortConversation::PortConversation(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    // Reply polls of 1 ms must not be stretched to the coarse timer's 5 %.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_running)
            step();
    });
}

void PortConversation::cancel()
{
    m_timer.stop();
    m_running = false;
}

void PortConversation::after(int ms) { m_timer.start(ms); }

bool PortConversation::waitForBytes(qint64 count, int slices, int sliceMs, bool &timedOut)
{
    timedOut = false;
    if (available() >= count)
        return true;
    if (m_waits >= slices) {
        timedOut = true;
        return false;
    }
    ++m_waits;
    after(sliceMs);
    return false;
}

// ---------------------------------------------------------------- handshake

CalHandshake::CalHandshake(CustomCDC *link) : PortConversation(link), cdc(link) {}

void CalHandshake::start()
{
    cancel();
    beginRunning();
    write(QByteArrayLiteral("s"));
    enter(State::Command, kCommandDelayMs);
}

void CalHandshake::enter(State s, int ms)
{
    m_state = s;
    resetWait();
    after(ms);
}

void CalHandshake::fail(int message, bool showChart)
{
    cdc->calHandshakeBusy = false;
    cdc->motorSideHandshake = false;
    m_state = State::Idle;
    finishRunning();
    emit cdc->MessageInfo(message);
    if (showChart)
        emit cdc->CalWaveUpdate();
}

void CalHandshake::startStreaming(bool motorSide)
{
    m_state = State::Idle;
    finishRunning();
    if (motorSide) {
        cdc->motorSideHandshake = false;
        cdc->motorSideStreaming = true;
    } else {
        cdc->calHandshakeBusy = false;
        cdc->outputShaftStreaming = true;
    }
}

void CalHandshake::step()
{
    bool timedOut = false;
    switch (m_state) {
    case State::Idle:
        return;
    case State::Command:
        if (cdc->outputShaftEncoder) {
            cdc->calHandshakeBusy = true;
            write(QByteArrayLiteral("Ul"));
            enter(State::ShaftPause, kShaftPauseMs);
        } else {
            cdc->motorSideHandshake = true;
            write(QByteArrayLiteral("Uc"));
            enter(State::MotorReply, 0);
        }
        return;
    case State::ShaftPause:
        enter(State::ShaftFirst, 0);
        return;
    case State::ShaftFirst: {
        if (!waitForBytes(14, kShaftFirstSlices, kSliceMs, timedOut)) {
            if (timedOut)
                fail(5);
            return;
        }
        const QByteArray b = read(14);
        if (b.size() < 14 || b[0] != 'h') {
            fail(6);
            return;
        }
        cdc->shortRecords = b[13] == 'h';
        if (cdc->shortRecords) {
            // byte 13 begins the second record: the first 13 bytes are a whole record
            QMutexLocker lock(&cdc->calRecordMutex);
            cdc->calRecordQueue.append(b);
            m_record = QByteArray(1, 'h');
            m_rest = kShaftShortRecord - 1;
        } else {
            m_record = b;
            m_rest = kLongRecord - 14;
        }
        enter(State::ShaftRest, 0);
        return;
    }
    case State::ShaftRest: {
        if (!waitForBytes(m_rest, kRestSlices, kSliceMs, timedOut)) {
            if (timedOut)
                fail(13);
            return;
        }
        m_record += read(m_rest);
        {
            QMutexLocker lock(&cdc->calRecordMutex);
            cdc->calRecordQueue.append(m_record);
        }
        emit cdc->CalWaveUpdate();
        startStreaming(false);
        return;
    }
    case State::MotorReply: {
        if (!waitForBytes(kHandshakeReply, kMotorReplySlices, kSliceMs, timedOut)) {
            if (timedOut)
                fail(5);
            return;
        }
        const QByteArray b = read(kHandshakeReply);
        const quint32 npp = b.size() == kHandshakeReply
            ? getLe32(reinterpret_cast<const uint8_t *>(b.constData()) + 1) : 0;
        // A pole-pair count of 0 would end the run before it starts, and one beyond the
        // chart's history could never be completed: both are treated as a wrong reply.
        if (b.size() < kHandshakeReply || b[0] != 'c' || b[5] != 'U' || npp < 1 || npp > kMaxPolePairs) {
            fail(6, true);
            return;
        }
        emit cdc->nppChanged(npp);
        enter(State::MotorFirstRecord, 0);
        return;
    }
    case State::MotorFirstRecord: {
        if (!waitForBytes(kLongRecord, kMotorFirstRecordSlices, kSliceMs, timedOut)) {
            if (timedOut) {
                emit cdc->uartMsg(QString::fromLatin1(kLongHeader));
                cdc->shortRecords = false;
                startStreaming(true);
                // The chart timer detects the end of the run, so it starts here as well.
                emit cdc->CalWaveUpdate();
            }
            return;
        }
        const QByteArray b = read(kLongRecord);
        if (b[0] == 'e') {
            emit cdc->uartMsg(QString("Rs: %1 Ls: %2 Flux: %3 Damp: %4 Inertia: %5")
                                  .arg(floatAt(b, 1))
                                  .arg(floatAt(b, 5))
                                  .arg(floatAt(b, 9))
                                  .arg(floatAt(b, 13))
                                  .arg(floatAt(b, 17)));
            cdc->shortRecords = true;
            emit cdc->uartMsg(QString::fromLatin1(kShortHeader));
        } else {
            QMutexLocker lock(&cdc->calRecordMutex);
            cdc->calRecordQueue.append(b);
            cdc->shortRecords = false;
        }
        startStreaming(true);
        emit cdc->CalWaveUpdate();
        return;
    }
    }
}

// ---------------------------------------------------------------- download

void TableDownload::start(Kind kind, const QList<QByteArray> &packets)
{
    cancel();
    m_kind = kind;
    m_packets = packets;
    m_packet = 0;
    beginRunning();
    if (!portOpen()) {
        done(Outcome::PortClosed);
        return;
    }
    if (kind == Kind::MotorSide) {
        write(QByteArray("\x1B\x00", 2));
        enter(State::Escape, kEscapeMs);
    } else {
        enter(State::Flush, kShaftFlushMs);
    }
}

void TableDownload::enter(State s, int ms)
{
    m_state = s;
    resetWait();
    after(ms);
}

void TableDownload::done(Outcome outcome)
{
    m_state = State::Idle;
    finishRunning();
    emit finished(outcome, m_packet);
}

void TableDownload::step()
{
    switch (m_state) {
    case State::Idle:
        return;
    case State::Escape:
        write(QByteArrayLiteral("s"));
        enter(State::Setup, kEscapeMs);
        return;
    case State::Setup:
    case State::Flush:
        read(available());
        m_packet = 0;
        m_warned = false;
        write(m_packets.value(0));
        enter(State::Sent, kReplyDelayMs);
        return;
    case State::Sent:
        enter(State::Polling, 0);
        return;
    case State::Polling: {
        const bool motor = m_kind == Kind::MotorSide;
        bool timedOut = false;
        if (!waitForBytes(2, motor ? kMotorPolls : kShaftPolls, kPollMs, timedOut)) {
            if (motor && !m_warned && waits() >= kMotorLatePoll) {
                m_warned = true;
                emit lateReply(m_packet);
            }
            if (!timedOut)
                return;
            if (!motor) {
                done(Outcome::NoReply);
                return;
            }
            // the motor side reads what is there and lets the check fail
        }
        const QByteArray reply = read(2);
        const char letter = motor ? 'd' : 'M';
        if (reply.size() < 2 || reply[0] != letter || quint8(reply[1]) != quint8(m_packet)) {
            done(Outcome::WrongReply);
            return;
        }
        emit packetConfirmed(m_packet, int(m_packets.size()));
        if (++m_packet >= m_packets.size()) {
            --m_packet;
            done(Outcome::Success);
            return;
        }
        m_warned = false;
        write(m_packets.at(m_packet));
        enter(State::Sent, kReplyDelayMs);
        return;
    }
    }
}

// ---------------------------------------------------------------- upload

void TableUpload::start()
{
    cancel();
    beginRunning();
    m_state = State::Pause;
    after(kUploadPauseMs);
}

void TableUpload::step()
{
    switch (m_state) {
    case State::Idle:
        return;
    case State::Pause:
        m_state = State::Waiting;
        resetWait();
        after(0);
        return;
    case State::Waiting: {
        bool timedOut = false;
        QList<float> table;
        if (!waitForBytes(CalMath::kUploadSize, kUploadSlices, kSliceMs, timedOut) && !timedOut)
            return;
        const bool ok = !timedOut && CalMath::parseCompensationUpload(read(CalMath::kUploadSize), &table);
        m_state = State::Idle;
        finishRunning();
        emit finished(ok, table);
        return;
    }
    }
}

QByteArray specialCalibrationFrame(quint32 canid)
{
    QByteArray d(8, '\0');
    d[0] = char(canid & 0xFF);
    d[1] = char((canid >> 8) & 0xFF);
    d[2] = char(0x66);
    return d;
}

QByteArray specialIdentificationFrame()
{
    QByteArray d(8, '\0');
    d[0] = 0x01;
    d[2] = char(0x99);
    return d;
}
