#include "firmware/firmwareUpgrade.h"

#include "firmware/firmwareImage.h"
#include "link/serial/protocolFormat.h"
#include "log/log.h"

#include <QElapsedTimer>
#include <QMetaEnum>
#include <QTimer>

#include <algorithm>

namespace {
bool isAcknowledgement(const QByteArray &b) { return b.contains("Aupgrade") || b.contains("er Bootloa"); }
constexpr int kBootTextLimit = 256;
} // namespace

FirmwareUpgrade::FirmwareUpgrade(QObject *parent) : QObject(parent)
{
    timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &FirmwareUpgrade::onTimeout);
    startTimer = new QTimer(this);
    startTimer->setSingleShot(true);
    connect(startTimer, &QTimer::timeout, this, &FirmwareUpgrade::sendPacket);
    sliceTimer = new QTimer(this);
    sliceTimer->setSingleShot(true);
    connect(sliceTimer, &QTimer::timeout, this, &FirmwareUpgrade::sendSlice);
}

FirmwareUpgrade::~FirmwareUpgrade() = default;

int FirmwareUpgrade::failureMessage(Outcome outcome, Path path)
{
    switch (outcome) {
    case Outcome::NoBootloader: return path == Path::UsbAdapter ? 11 : 2;
    case Outcome::Stalled:
    case Outcome::Refused:
    case Outcome::EndedEarly: return 11;
    case Outcome::Completed:
    case Outcome::Cancelled: break;
    }
    return -1;
}

QString FirmwareUpgrade::outcomeText(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Completed: return tr("升级完成");
    case Outcome::NoBootloader: return tr("电机没有进入引导程序");
    case Outcome::Stalled: return tr("引导程序没有应答");
    case Outcome::Refused: return tr("引导程序报告错误 (ERROR)");
    case Outcome::EndedEarly: return tr("引导程序在最后一包之前结束了升级");
    case Outcome::Cancelled: return tr("升级已取消");
    }
    return QString();
}

void FirmwareUpgrade::setState(State s)
{
    if (m_state.exchange(s) != s)
        emit stateChanged(s);
}

void FirmwareUpgrade::armTimeout(int ms) { timer->start(ms); }

int FirmwareUpgrade::packetWaitMs() const
{
    if (req.path == Path::UsbAdapter)
        return timeouts.usbMs;
    return req.usbConnected ? timeouts.packetUsbConnectedMs : timeouts.packetMs;
}

bool FirmwareUpgrade::start(const Request &request)
{
    if (isRunning()) {
        Logger::info("upgrade already running", "firmwareUpgrade");
        return false;
    }
    if (request.image.isEmpty() || request.image.size() > FirmwareImageLimit)
        return false;
    req = request;
    m_path = request.path;
    m_replyId = request.replyId;
    m_packetCount = firmwarePacketCount(req.image.size());
    m_packetIndex = 1;
    m_progress = 0;
    m_bytesSent = 0;
    m_bytesTotal = req.image.size() + qint64(m_packetCount) * SerialFrame::PackageOverhead;
    m_slicing = false;
    bootText.clear();
    ackText.clear();
    ++m_generation;
    setState(State::WaitingForBootloader);
    emit lockChanged(true);
    if (req.path == Path::Console) {
        if (io.writeConsole)
            io.writeConsole(QByteArray(1, 'X'));
    } else {
        if (io.sendRequest)
            io.sendRequest(firmwareUpgradeRequest(req.motorCanId), req.requestId);
    }
    armTimeout(req.path == Path::UsbAdapter ? timeouts.usbMs : timeouts.bootloaderMs);
    return true;
}

void FirmwareUpgrade::cancel()
{
    if (isRunning())
        finish(Outcome::Cancelled);
}

bool FirmwareUpgrade::offerReply(const QByteArray &bytes, Path from)
{
    const State s = state();
    if (s == State::Idle || from != m_path.load())
        return false;
    // On CAN the bootloader's first words decide; the motor may still send other frames
    // before it enters. Afterwards, and on the console, every piece counts: a word may
    // arrive split over two reads or frames.
    const bool taken = from == Path::Console || s != State::WaitingForBootloader || isAcknowledgement(bytes)
                       || bytes.contains("ERROR");
    if (taken) {
        const quint64 generation = m_generation.load();
        QMetaObject::invokeMethod(
            this, [this, bytes, generation] { handleReply(bytes, generation); }, Qt::QueuedConnection);
    }
    return taken;
}

bool FirmwareUpgrade::offerFrameReply(quint32 id, const QByteArray &data, Path from)
{
    return from != Path::Console && id == m_replyId.load() && offerReply(data, from);
}

void FirmwareUpgrade::handleReply(const QByteArray &bytes, quint64 generation)
{
    // A reply to a request or packet that is no longer outstanding.
    if (generation != m_generation.load())
        return;
    switch (state()) {
    case State::Idle: return;
    case State::WaitingForBootloader:
        if (req.path == Path::Console) {
            // The answer may come in pieces; a whole line without the words is a refusal.
            bootText.append(bytes);
            if (isAcknowledgement(bootText))
                acknowledged();
            else if (bootText.contains('\n') || bootText.contains("ERROR") || bootText.size() > kBootTextLimit)
                finish(Outcome::NoBootloader);
        } else if (isAcknowledgement(bytes)) {
            acknowledged();
        } else {
            finish(Outcome::NoBootloader);
        }
        return;
    case State::Starting:
    case State::WaitingForAck:
    case State::WaitingForComplete:
        break;
    }
    if (m_slicing) {
        // The packet is not whole yet: no "OK" or "complete" can be its answer, but an
        // "ERROR" means the bootloader gave up on it.
        if (bytes.contains("ERROR"))
            finish(Outcome::Refused);
        return;
    }
    ackText.append(bytes);
    if (ackText.size() > kBootTextLimit)
        ackText.remove(0, ackText.size() - kBootTextLimit);
    if (state() != State::WaitingForComplete) {
        if (ackText.contains("complete"))
            finish(Outcome::EndedEarly);
        else if (ackText.contains("OK"))
            sendNextFrame();
        else if (ackText.contains("ERROR"))
            finish(Outcome::Refused);
        return;
    }
    if (ackText.contains("complete")) {
        setProgress(100);
        finish(Outcome::Completed);
    } else if (!ackText.contains("OK") && ackText.contains("ERROR"))
        finish(Outcome::Refused);
}

void FirmwareUpgrade::acknowledged()
{
    timer->stop();
    ++m_generation;
    m_packetIndex = 1;
    setState(State::Starting);
    startTimer->start(timeouts.firstPacketDelayMs);
}

void FirmwareUpgrade::sendNextFrame()
{
    if (state() == State::WaitingForAck && !m_slicing)
        sendPacket();
}

void FirmwareUpgrade::setProgress(int percent)
{
    if (percent == m_progress)
        return;
    m_progress = percent;
    emit progressChanged(percent);
}

void FirmwareUpgrade::sendPacket()
{
    const int k = m_packetIndex;
    m_packet = firmwarePacket(req.image, k);
    m_packetSent = 0;
    Logger::debug(QString("sendBuffer.length = %1").arg(m_packet.size()), "sendNextFrame");
    // Replies from here on belong to this packet.
    ++m_generation;
    ackText.clear();
    timer->stop(); // the wait for the answer starts once the packet is whole
    m_slicing = true;
    setState(k < m_packetCount ? State::WaitingForAck : State::WaitingForComplete);
    sendSlice();
}

void FirmwareUpgrade::sendSlice()
{
    if (!m_slicing || !isRunning())
        return;
    QElapsedTimer clock;
    clock.start();
    // Whole CAN frames only: a slice is a multiple of 8 bytes, except the packet's end.
    const QByteArray slice = m_packet.mid(m_packetSent, SliceBytes);
    const bool last = m_packetSent + slice.size() >= m_packet.size();
    if (req.path == Path::Console) {
        if (io.writeConsole)
            io.writeConsole(slice);
    } else if (io.sendPacketFrames) {
        QList<QByteArray> frames = firmwarePacketFrames(slice);
        // Cutting a slice of 8n bytes ends with an empty frame, which only the packet's
        // end has.
        if (!last)
            frames.removeLast();
        io.sendPacketFrames(frames, req.motorCanId & 0x7FF);
    }
    // The transport may have ended the upgrade (the link closed under it).
    if (!m_slicing || !isRunning())
        return;
    m_packetSent += slice.size();
    m_bytesSent += slice.size();
    // 100 is kept for the bootloader's "complete".
    setProgress(int(std::min<qint64>(99, m_bytesSent * 100 / std::max<qint64>(1, m_bytesTotal))));
    if (!last) {
        sliceTimer->start(0);
        return;
    }
    m_slicing = false;
    armTimeout(packetWaitMs());
    const int k = m_packetIndex;
    emit packetSent(k, m_packetCount);
    m_packetIndex = k < m_packetCount ? k + 1 : 1;
    Logger::info(QString("end:%1").arg(clock.nsecsElapsed()), "sendNextFrame");
}

void FirmwareUpgrade::onTimeout()
{
    switch (state()) {
    case State::WaitingForBootloader: finish(Outcome::NoBootloader); break;
    case State::WaitingForAck:
    case State::WaitingForComplete: finish(Outcome::Stalled); break;
    case State::Idle:
    case State::Starting: break;
    }
}

void FirmwareUpgrade::finish(Outcome outcome)
{
    timer->stop();
    startTimer->stop();
    sliceTimer->stop();
    m_slicing = false;
    ++m_generation;
    m_packetIndex = 1;
    bootText.clear();
    ackText.clear();
    setState(State::Idle);
    Logger::info(QString("firmware upgrade ended: %1").arg(QMetaEnum::fromType<Outcome>().valueToKey(int(outcome))),
                 "firmwareUpgrade");
    if (m_progress != 0 || outcome != Outcome::Completed) {
        m_progress = 0;
        emit progressChanged(0);
    }
    emit lockChanged(false);
    emit finished(outcome);
    // Last: the message box may run a nested event loop; the tool is usable by then.
    const int code = failureMessage(outcome, req.path);
    if (code >= 0)
        emit MessageInfo(code);
}
