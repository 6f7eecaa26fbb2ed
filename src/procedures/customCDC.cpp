#include "procedures/customCDC.h"

#include "calibration/calConversation.h"
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "link/sendingRoads.h"
#include "link/serial/protocolFormat.h"
#include "link/serial/serialCanAdapter.h"
#include "link/serial/textHelpers.h"
#include "log/log.h"
#include "motor/motorIds.h"
#include "motor/motorProtocol.h"

#include <QSerialPort>

#include <limits>

CustomCDC::CustomCDC(QObject *parent) : QObject(parent)
{
    serial = new SerialCanAdapter(m_portMutex, this);
    m_roads = new SendingRoads(this);
    repeatEnd = new QTimer(this);
    repeatEnd->setSingleShot(true);
    connect(repeatEnd, &QTimer::timeout, this, [this] { m_roads->ended(SendingRoads::AdapterRepeat); });
    connect(serial, &SerialCanAdapter::written, this, &CustomCDC::TxCntChanged);
    periodicTimer = new QTimer(this);
    readTimer = new QTimer(this);
    writeTimer = new QTimer(this);
    storeTimer = new QTimer(this);
    // Motor commands run at 1 to 10 ms periods and register frames at 1 or 2 ms: a
    // coarse timer would stretch them by up to 5 %.
    for (QTimer *t : {periodicTimer, readTimer, writeTimer, storeTimer})
        t->setTimerType(Qt::PreciseTimer);
    connect(periodicTimer, &QTimer::timeout, this, &CustomCDC::onPeriodicSendTimerTimeout);
    connect(readTimer, &QTimer::timeout, this, &CustomCDC::onReadTimerTimeout);
    connect(writeTimer, &QTimer::timeout, this, &CustomCDC::onWriteTimerTimeout);
    connect(storeTimer, &QTimer::timeout, this, &CustomCDC::onStoreTimerTimeout);

    // As long as the receive pipeline gives a console version answer (64 passes of 10 ms).
    versionTimer = new QTimer(this);
    versionTimer->setSingleShot(true);
    versionTimer->setInterval(640);
    connect(versionTimer, &QTimer::timeout, this, [this] {
        if (versionMode.exchange(false))
            emit MessageInfo(6);
    });

    m_upgrade = new FirmwareUpgrade(this);
    FirmwareUpgrade::Transport io;
    io.writeConsole = [this](const QByteArray &bytes) { write(bytes); };
    io.sendRequest = [this](const QByteArray &frame, quint32 id) { frameSend(frame, id); };
    io.sendPacketFrames = [this](const QList<QByteArray> &frames, quint32 id) { sendFirmwareFrames(frames, id); };
    m_upgrade->setTransport(io);
    connect(m_upgrade, &FirmwareUpgrade::stateChanged, this, &CustomCDC::syncUpgradeFlags);
    // A transfer is a sending road of its own: closing the link or stopping all ends it.
    connect(m_upgrade, &FirmwareUpgrade::lockChanged, this, [this](bool running) {
        if (running)
            m_roads->started(SendingRoads::FirmwareUpgrade, [this] { m_upgrade->cancel(); });
        else
            m_roads->ended(SendingRoads::FirmwareUpgrade);
    });
    connect(m_upgrade, &FirmwareUpgrade::progressChanged, this, &CustomCDC::progressBarChanged);
    connect(m_upgrade, &FirmwareUpgrade::MessageInfo, this, &CustomCDC::MessageInfo);
}

CustomCDC::~CustomCDC()
{
    for (QTimer *t : {periodicTimer, readTimer, writeTimer, storeTimer}) {
        t->stop();
        t->disconnect();
    }
}

void CustomCDC::setComPort(QSerialPort *port)
{
    comPort = port;
    serial->setPort(port);
}

void CustomCDC::write(const QByteArray &bytes) { serial->writeBytes(bytes); }

CanAdapter *CustomCDC::canAdapter() const
{
    CanAdapter *a = adapter;
    return a && a->isConnected() ? a : serial;
}

void CustomCDC::setCanAdapter(CanAdapter *a) { adapter = a; }

bool CustomCDC::usbConnected() const
{
    const CanAdapter *a = canAdapter();
    return a->isConnected() && a->repeatsFrames();
}

CanBusFrame CustomCDC::motorFrame(const QByteArray &data, quint32 canId)
{
    CanBusFrame f;
    f.id = canId;
    f.payload = data;
    return f;
}

bool CustomCDC::portIsConsole() const { return !canMode && canAdapter() == serial; }

bool CustomCDC::mayCarry(const CanBusFrame &frame, bool motorRoad)
{
    if (portIsConsole()) {
        // The console would read the frame's bytes as commands: a 0x6D is its "m".
        Logger::warning(QString("CAN frame 0x%1 not sent: the port is the motor's console").arg(frame.id, 0, 16),
                        "frameSend");
        if (motorRoad) {
            periodicTimer->stop();
            emit consoleRefusedFrame();
        }
        return false;
    }
    const bool extended = frame.has(CanBusFrame::Extended);
    if (!canIdFitsFrame(frame.id, extended)) {
        // Any adapter would send a different, cut identifier.
        Logger::warning(QString("CAN ID 0x%1 does not fit a %2 frame: not sent")
                            .arg(frame.id, 0, 16)
                            .arg(extended ? "29-bit" : "11-bit"),
                        "canFrameSend");
        // A periodic send would refuse the same frame on every tick.
        if (motorRoad) {
            periodicTimer->stop();
            emit frameRefused(frame.id, extended);
        }
        return false;
    }
    return true;
}

bool CustomCDC::toAdapter(const CanBusFrame &frame, const CanTxOptions &options)
{
    CanAdapter *a = canAdapter();
    if (!a->sendFrame(frame, options))
        return false;
    if (a->repeatsFrames() && options.times != 1) {
        m_roads->started(SendingRoads::AdapterRepeat, [this] { stopAdapterSending(); });
        // A finite repetition ends by itself on the adapter (with a margin for its queue).
        if (options.times > 1)
            repeatEnd->start(int(qMin<qint64>(qint64(options.times) * qMax<quint32>(options.intervalMs, 1) + 500,
                                               std::numeric_limits<int>::max())));
        else
            repeatEnd->stop();
    }
    return true;
}

bool CustomCDC::frameSend(const QByteArray &data, quint32 canId) { return frameSendTimes(data, canId, 1); }

bool CustomCDC::frameSendTimes(const QByteArray &data, quint32 canId, quint32 times, quint32 intervalMs)
{
    const CanBusFrame f = motorFrame(data, canId);
    if (data.size() > SerialFrame::MaxClassicData) {
        Logger::warning(QString("motor frame of %1 bytes to 0x%2 not sent").arg(data.size()).arg(canId, 0, 16),
                        "frameSend");
        return false;
    }
    if (!mayCarry(f, true))
        return false;
    // The serial adapter sends one frame whatever the count: its repetition is the
    // caller's timer.
    CanTxOptions o;
    o.times = qint32(times);
    o.intervalMs = intervalMs;
    return toAdapter(f, o);
}

bool CustomCDC::sendCanTabFrame(const CanBusFrame &frame, const CanTxOptions &options)
{
    return mayCarry(frame, false) && toAdapter(frame, options);
}

void CustomCDC::stopAdapterSending()
{
    repeatEnd->stop();
    m_roads->ended(SendingRoads::AdapterRepeat);
    // The serial adapter's stop request is adapter bytes: a motor console would take them
    // as commands, and repeats nothing anyway.
    if (!portIsConsole())
        canAdapter()->stopRepeating();
}

void CustomCDC::uartSend(const QString &text) { write(QStringToGBK(text)); }
void CustomCDC::uartSendByte(const QByteArray &bytes) { write(bytes); }
void CustomCDC::BuadSet(int index) { write(baudSetRequest(index)); }
void CustomCDC::disable_can_send() { write(stopSendRequest()); }

void CustomCDC::HarmonicAnalysis() { uartSend(QString::fromLatin1(ConsoleEnterText)); }

void CustomCDC::HarmonicRequest()
{
    // The flag goes up before the request leaves, so that no reader takes the answer.
    harmonicAnalysis = true;
    write(QByteArray::fromHex("5554"));
}

QByteArray CustomCDC::package(const QByteArray &data, quint8 cmd) const { return ::package(data, cmd); }

void CustomCDC::onPeriodicSendTimerTimeout() { frameSend(debugPayload, debugCanId()); }

quint32 CustomCDC::debugCanId() const { return canidConvention(m_canid, ctrlMode); }

void CustomCDC::ReadID() { frameSend(idQueryFrame(), kMotorBroadcastId); }

void CustomCDC::SetID(unsigned int canid, unsigned int masterid)
{
    frameSend(idAssignFrame(uint8_t(canid & 0xFF), uint8_t(masterid & 0xFF)), kMotorBroadcastId);
}

bool CustomCDC::motorMode(int type, bool console, int mode)
{
    if (type < 0 || type > 2)
        return false;
    const auto command = MotorCommand(type);
    if (!console)
        return frameSend(specialFrame(command), canidConvention(m_canid, mode));
    write(consoleCommand(command));
    return true;
}

void CustomCDC::canDebugSend() { frameSend(debugPayload, debugCanId()); }

void CustomCDC::canDebugSendTimes(quint32 intervalMs)
{
    frameSendTimes(debugPayload, debugCanId(), quint32(-1), intervalMs);
}

void CustomCDC::canDebugClear(int mode)
{
    frameSend(specialFrame(MotorCommand::ClearError), canidConvention(m_canid, mode));
}

// ---------------------------------------------------------------- registers

bool CustomCDC::controllerAllParamsCRUFunc(int type, int rid)
{
    const quint32 canid = m_canid;
    QByteArray frame;
    switch (type) {
    case 0: frame = registerReadFrame(canid, rid); break;
    case 1: frame = registerWriteFrame(canid, rid, escInf); break;
    case 2: frame = registerSaveFrame(canid, rid); break;
    default: return false;
    }
    return frameSend(frame, RegisterFrame::Id);
}

void CustomCDC::stopRegisterTimers()
{
    readTimer->stop();
    writeTimer->stop();
    storeTimer->stop();
    sequence.cancel();
}

void CustomCDC::controllerAllParamsCRU(int type)
{
    if (type < 0 || type > 2)
        return;
    if (canMode) {
        stopRegisterTimers();
        if (type == 2) {
            controllerAllParamsCRUFunc(2, 0);
            return;
        }
        const auto kind = type == 0 ? RegisterSequence::Kind::Read : RegisterSequence::Kind::Write;
        const int interval = sequence.start(kind, m_canid, escInf, usbConnected(), &registerReplies, writeOnly);
        writeOnly.clear();
        QTimer *timer = type == 0 ? readTimer : writeTimer;
        timer->setInterval(interval);
        timer->start();
        return;
    }

    // UART mode: "s" takes the console to its set-up menu; the block follows.
    uartSend(QString::fromLatin1(ConsoleEnterText));
    if (type == 2)
        return;
    QTimer::singleShot(ConsoleDelayMs, this, [this, type] {
        if (!comPort || !comPort->isOpen())
            return;
        if (type == 0) {
            paramReading = true;
            write(consoleReadRequest());
        } else {
            paramWriting = true;
            write(consoleWriteRequest(escInf, longParamFormat));
        }
    });
}

void CustomCDC::registerTick(QTimer *timer, RegisterSequence::Kind kind)
{
    const RegisterStep step = sequence.tick(kind);
    if (!step.frame.isEmpty())
        frameSend(step.frame, RegisterFrame::Id);
    if (step.newIntervalMs > 0)
        timer->setInterval(step.newIntervalMs);
    if (step.stopTimer)
        timer->stop();
    if (step.sendSave) {
        const QByteArray save = step.saveFrame;
        QTimer::singleShot(step.saveDelayMs, this, [this, save] {
            if (canMode)
                frameSend(save, RegisterFrame::Id);
            else
                uartSend(QString::fromLatin1(ConsoleEnterText));
        });
    }
    if (step.timedOut)
        emit MessageInfo(6);
}

void CustomCDC::onReadTimerTimeout() { registerTick(readTimer, RegisterSequence::Kind::Read); }
void CustomCDC::onWriteTimerTimeout() { registerTick(writeTimer, RegisterSequence::Kind::Write); }
void CustomCDC::onStoreTimerTimeout() { registerTick(storeTimer, RegisterSequence::Kind::Store); }

// ---------------------------------------------------------------- firmware

void CustomCDC::sendNextFrame() { m_upgrade->sendNextFrame(); }

bool CustomCDC::firmwareUpgrade()
{
    if (m_upgrade->isRunning() || firmwareImage.isEmpty())
        return false;
    // Every road that sends by itself ends first: the bootloader takes every frame on the
    // motor's ID as image data.
    m_roads->stopAll();
    FirmwareUpgrade::Request r;
    r.image = firmwareImage;
    r.usbConnected = usbConnected();
    r.path = !canMode ? FirmwareUpgrade::Path::Console
                      : (r.usbConnected ? FirmwareUpgrade::Path::UsbAdapter : FirmwareUpgrade::Path::SerialAdapter);
    r.motorCanId = m_canid;
    // The request names the motor in its data and goes to the motor's configuration
    // identifier, as register and ID frames do; the bootloader answers on the master ID.
    r.requestId = kMotorBroadcastId;
    r.replyId = m_masterid;
    return m_upgrade->start(r);
}

void CustomCDC::sendFirmwareFrames(const QList<QByteArray> &frames, quint32 canId)
{
    // Image frames are motor frames: standard data frames, each sent once.
    const CanTxOptions once;
    if (frames.isEmpty() || !mayCarry(motorFrame(frames.first(), canId), true))
        return;
    // The USB adapter or a CAN interface takes each frame as it is.
    if (CanAdapter *a = canAdapter(); a != serial) {
        for (const QByteArray &f : frames)
            a->sendFrame(motorFrame(f, canId), once);
        return;
    }
    QMutexLocker lock(&m_portMutex);
    for (const QByteArray &f : frames)
        serial->writeFrame(motorFrame(f, canId), once, SerialFrame::CmdFirmware);
}

void CustomCDC::syncUpgradeFlags()
{
    // The receive pipeline and the other procedures read the transfer as these flags.
    using S = FirmwareUpgrade::State;
    const S s = m_upgrade->state();
    const bool usb = m_upgrade->path() == FirmwareUpgrade::Path::UsbAdapter;
    const bool transfer = s == S::Starting || s == S::WaitingForAck || s == S::WaitingForComplete;
    bootWaitSerial = s == S::WaitingForBootloader && !usb;
    bootWaitUsb = usb && s != S::Idle;
    upgradeMode = s == S::Starting || s == S::WaitingForAck;
    upgradeDone = s == S::WaitingForComplete;
    upgradeSending = transfer && !usb;
}

void CustomCDC::readVersion()
{
    if (canMode) {
        // The answers are register replies, counted by the motor frame decoder. The
        // console's versionReading flag stays clear: it would make the serial receive
        // pipeline take the adapter's frames for a console answer.
        registerReplies.beginVersionRead();
        versionMode = true;
        versionTimer->start();
        controllerAllParamsCRUFunc(0, 14);
        QTimer::singleShot(1, this, [this] { controllerAllParamsCRUFunc(0, RegisterFrame::LastRid); });
        return;
    }
    uartSend(QString::fromLatin1(ConsoleEnterText));
    QTimer::singleShot(ConsoleDelayMs, this, [this] {
        if (!comPort || !comPort->isOpen())
            return;
        versionReading = true;
        write(consoleVersionRequest());
    });
}

void CustomCDC::clearProcedureFlags()
{
    if (handshake)
        handshake->cancel();
    for (std::atomic_bool *f : {&motorSideHandshake, &calHandshakeBusy, &motorSideStreaming, &outputShaftStreaming,
                                &tableSending, &outTableSending, &compTableExpected, &harmonicAnalysis})
        *f = false;
}
