// The simulated devices, driven through their pseudo-terminal with plain POSIX I/O (no
// tool code), and their encoders checked against published values and hand-made bytes.

#include "simCodec.h"
#include "simMotor.h"
#include "simRegistry.h"
#include "simSerialAdapter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace SimCodec;

namespace {

// The tool's side of the pseudo-terminal, in raw mode.
class Peer
{
public:
    explicit Peer(const QString &path)
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            termios t;
            tcgetattr(fd, &t);
            cfmakeraw(&t);
            tcsetattr(fd, TCSANOW, &t);
        }
    }
    ~Peer()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool ok() const { return fd >= 0; }
    // Writes everything (the slave is non-blocking), waiting for room when the buffer is full.
    bool send(const QByteArray &b) const
    {
        qsizetype done = 0;
        while (done < b.size()) {
            const ssize_t n = ::write(fd, b.constData() + done, size_t(b.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0)
                return false;
        }
        return true;
    }

    // One read after waiting up to timeoutMs: bytes read, 0 at end of file, -1 on error/timeout.
    int readOnce(QByteArray *out, int timeoutMs, int *err = nullptr) const
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return -1;
        char buf[8192];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && err)
            *err = errno;
        if (n > 0)
            out->append(buf, int(n));
        return int(n);
    }
    QByteArray readFor(int ms) const
    {
        QByteArray all;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            readOnce(&all, int(std::max<qint64>(1, ms - t.elapsed())));
        return all;
    }
    QByteArray readAtLeast(int n, int timeoutMs) const
    {
        QByteArray all;
        QElapsedTimer t;
        t.start();
        while (all.size() < n && t.elapsed() < timeoutMs)
            readOnce(&all, int(std::max<qint64>(1, timeoutMs - t.elapsed())));
        return all;
    }
    QList<SimReceiveFrame> readFrames(int count, int timeoutMs) const
    {
        QByteArray all;
        QList<SimReceiveFrame> frames;
        QElapsedTimer t;
        t.start();
        while (frames.size() < count && t.elapsed() < timeoutMs) {
            readOnce(&all, int(std::max<qint64>(1, timeoutMs - t.elapsed())));
            frames = parse(all);
        }
        return frames;
    }
    // Finds 16-byte frames the way the tool does: 0xAA ... 0x55, anything else skipped.
    static QList<SimReceiveFrame> parse(const QByteArray &bytes, QByteArray *rest = nullptr)
    {
        QList<SimReceiveFrame> frames;
        for (int i = 0; i < bytes.size();) {
            SimReceiveFrame f;
            if (parseReceiveFrame(bytes, i, &f)) {
                frames.append(f);
                i += ReceiveFrameSize;
            } else {
                if (rest)
                    rest->append(bytes[i]);
                ++i;
            }
        }
        return frames;
    }
    int fd = -1;
};

// One motor (CAN ID 1, master 0x11) behind an adapter, heartbeat off unless a test wants it.
struct Rig {
    std::shared_ptr<SimMotor> motor = std::make_shared<SimMotor>(1, 0x11);
    SimSerialAdapter adapter;
    std::unique_ptr<Peer> peer;

    explicit Rig(SimSerialAdapter::Mode mode = SimSerialAdapter::Adapter, bool heartbeat = false)
    {
        adapter.addMotor(motor);
        adapter.setMode(mode);
        adapter.setHeartbeatEnabled(heartbeat);
        QString error;
        if (!adapter.start(&error))
            qWarning("start failed: %s", qPrintable(error));
        peer.reset(new Peer(adapter.slavePath()));
    }
    QList<SimReceiveFrame> exchange(quint32 id, const QByteArray &data, int expectFrames, int timeoutMs = 1000)
    {
        peer->send(transmitFrame(id, data));
        return peer->readFrames(expectFrames, timeoutMs);
    }
};

QList<SimReceiveFrame> withStatus(const QList<SimReceiveFrame> &frames, quint8 status)
{
    QList<SimReceiveFrame> out;
    for (const auto &f : frames)
        if (f.status == status)
            out.append(f);
    return out;
}

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    // ---- encoders against external truths
    void crc8_data();
    void crc8();
    void transmitFrameLayout();
    void fixedPointMapping_data();
    void fixedPointMapping();
    void commandPayloads_data();
    void commandPayloads();
    void feedbackRoundTrip();

    // ---- adapter protocol through the pseudo-terminal
    void confirmsTransmitFrame_data();
    void confirmsTransmitFrame();
    void badCrcIsCountedAndIgnored();
    void resynchronisesAfterGarbageAndChunks();
    void bitRateAnswers_data();
    void bitRateAnswers();
    void repeatedSendStopsOnStopRequest();

    // ---- motor over CAN
    void enableThenMitMovesTowardSetPoint();
    void controlModesMoveTheModel_data();
    void controlModesMoveTheModel();
    void specialFramesAndInjectedFaults_data();
    void specialFramesAndInjectedFaults();
    void conditionsLatchFaults();
    void registerReadWriteSaveOverCan();
    void registerWritesAreValidated_data();
    void registerWritesAreValidated();
    void rangesFollowRegisters();
    void idQueryAssignmentAndScan();
    void firmwareUpgradeOverCan();

    // ---- motor console
    void consoleBlockRead_data();
    void consoleBlockRead();
    void consoleBlockWrite_data();
    void consoleBlockWrite();
    void consoleCommandsVersionIdentification();
    void consoleFirmwareUpgrade();
    void autoModeServesBoth();

    // ---- misbehaviour
    void heartbeatAboutOncePerSecond();
    void heartbeatCanBeStopped();
    void dropsAnswers_data();
    void dropsAnswers();
    void delaysAnswers();
    void injectsGarbage();
    void corruptsAnswers();
    void splitsWrites();
    void closePortLooksUnplugged();
    void streamsNumberedFrames_data();
    void streamsNumberedFrames();

    // ---- program, registry, threads
    void qserialPortOpensAndReopens();
    void zkmotorProgram();
    void registryServesPorts();
    void motorIsThreadSafe();
};

// ------------------------------------------------------------------ encoders

void TestSim::crc8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0xA1;   // CRC-8/MAXIM catalogue
    QTest::newRow("empty") << QByteArray() << 0x00;
    QTest::newRow("0x01") << hex("01") << 0x5E;                       // Dallas table entry 1
    QTest::newRow("0x80") << hex("80") << 0x8C;
}

void TestSim::crc8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(crc8Maxim(bytes)), crc);
}

void TestSim::transmitFrameLayout()
{
    const QByteArray f = transmitFrame(0x001, hex("010203"));
    QCOMPARE(f.size(), 30);
    QCOMPARE(f.left(4), hex("55aa1e01"));
    QCOMPARE(f.mid(4, 8), hex("010000000a000000"));
    QCOMPARE(f.mid(13, 4), hex("01000000"));
    QCOMPARE(int(f[18]), 3);
    QCOMPARE(f.mid(21, 8), hex("0102030000000000"));
    QCOMPARE(quint8(f[29]), crc8Maxim(f.left(29) + QByteArray(1, '\0')));
    QVERIFY(transmitFrameValid(f));
    QCOMPARE(int(transmitFrame(1, QByteArray(12, 'x'))[18]), 8);

    QByteArray bad = f;
    bad[22] = char(bad[22] ^ 0x10);
    QVERIFY(!transmitFrameValid(bad));
}

void TestSim::fixedPointMapping_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("code");
    QTest::newRow("zero") << 0.0f << 16 << 32767;
    QTest::newRow("max") << 12.5f << 16 << 65535;
    QTest::newRow("above max") << 20.0f << 16 << 65535;
    QTest::newRow("below min") << -20.0f << 16 << 0;
    QTest::newRow("NaN") << float(NAN) << 16 << 0;
    QTest::newRow("12 bit zero") << 0.0f << 12 << 2047;
}

void TestSim::fixedPointMapping()
{
    QFETCH(float, x);
    QFETCH(int, bits);
    QFETCH(int, code);
    QCOMPARE(floatToUint(x, -12.5f, 12.5f, bits), code);
    // Decoding lands within one step of the clamped value.
    const float back = uintToFloat(code, -12.5f, 12.5f, bits);
    const float clamped = std::isnan(x) ? -12.5f : std::clamp(x, -12.5f, 12.5f);
    QVERIFY2(std::fabs(back - clamped) <= 25.0f / float((1 << bits) - 1), qPrintable(QString::number(back)));
}

void TestSim::commandPayloads_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("MIT all zero") << mitCommand(0, 0, 0, 0, 0) << hex("7fff7ff0000007ff");
    QTest::newRow("pos-vel") << positionVelocityCommand(1.0f, -2.0f) << hex("0000803f000000c0");
    QTest::newRow("velocity is 4 bytes") << velocityCommand(1.0f) << hex("0000803f");
    QTest::newRow("PVT saturates") << pvtCommand(0.0f, 700.0f, 0.5f) << hex("00000000ffff8813");
    QTest::newRow("enable") << specialCommand(SpecialEnable) << hex("fffffffffffffffc");
    QTest::newRow("register write") << registerFrame(0x102, RegWrite, 22, floatBits(20.0f)) << hex("020155160000a041");
}

void TestSim::commandPayloads()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, expected);
    QCOMPARE(payload.toHex(' '), expected.toHex(' '));
}

void TestSim::feedbackRoundTrip()
{
    SimRanges r;
    r.pMax = 3.14f;
    SimFeedback fb;
    fb.state = 0xA;
    fb.idNibble = 0x3;
    fb.position = -1.5f;
    fb.velocity = 7.25f;
    fb.torque = -2.0f;
    fb.driverTemp = -5;
    fb.motorTemp = 99;
    const QByteArray d = SimCodec::feedbackPayload(fb, r);
    QCOMPARE(quint8(d[0]), quint8(0xA3));
    const SimFeedback back = decodeFeedback(d, r);
    QCOMPARE(back.state, fb.state);
    QCOMPARE(back.idNibble, fb.idNibble);
    QVERIFY(std::fabs(back.position - fb.position) < 2 * 6.28f / 65535);
    QVERIFY(std::fabs(back.velocity - fb.velocity) < 2 * 60.0f / 4095);
    QVERIFY(std::fabs(back.torque - fb.torque) < 2 * 20.0f / 4095);
    QCOMPARE(back.driverTemp, fb.driverTemp);
    QCOMPARE(back.motorTemp, fb.motorTemp);
}

// ------------------------------------------------------------------ adapter protocol

void TestSim::confirmsTransmitFrame_data()
{
    QTest::addColumn<quint32>("id");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("standard, 3 bytes") << 0x123u << false << hex("010203");
    QTest::newRow("extended, 8 bytes") << 0x1ABCDEF0u << true << hex("0011223344556677");
    QTest::newRow("no data") << 0x7FEu << false << QByteArray();
}

void TestSim::confirmsTransmitFrame()
{
    QFETCH(quint32, id);
    QFETCH(bool, extended);
    QFETCH(QByteArray, data);
    Rig rig;
    QVERIFY(rig.peer->ok());
    rig.peer->send(transmitFrame(id, data, extended));
    const QByteArray bytes = rig.peer->readAtLeast(16, 1000);
    QCOMPARE(bytes.size(), 16);
    SimReceiveFrame f;
    QVERIFY(parseReceiveFrame(bytes, 0, &f));
    QCOMPARE(f.status, quint8(StatusTxOk));
    QCOMPARE(f.id, id);
    QCOMPARE(f.info, quint8(data.size() | (extended ? 0x40 : 0)));
    QCOMPARE(f.data, data);
    QCOMPARE(rig.adapter.stats().framesReceived, 1ull);
    QCOMPARE(rig.adapter.busFrames().size(), 1);
    QCOMPARE(rig.adapter.busFrames().first().id, id);
}

void TestSim::badCrcIsCountedAndIgnored()
{
    Rig rig;
    QByteArray f = transmitFrame(0x001, specialCommand(SpecialEnable));
    f[29] = char(f[29] ^ 0x01);
    rig.peer->send(f);
    QVERIFY(rig.peer->readFor(150).isEmpty());
    QCOMPARE(rig.adapter.stats().badCrc, 1ull);
    QVERIFY(!rig.motor->isEnabled());
    QCOMPARE(rig.motor->receivedFrameCount(), 0ull);
    // The next good frame is served as usual.
    QCOMPARE(rig.exchange(0x001, specialCommand(SpecialEnable), 2).size(), 2);
    QVERIFY(rig.motor->isEnabled());
}

void TestSim::resynchronisesAfterGarbageAndChunks()
{
    Rig rig;
    const QByteArray good = transmitFrame(0x055, hex("55aa1e"));   // data that looks like a head
    QByteArray stream = QByteArray("junk\x55\x01") + good + QByteArray("\xAA\x55", 2) + good;
    // Written in small pieces so frames cross write boundaries.
    for (int i = 0; i < stream.size(); i += 7) {
        rig.peer->send(stream.mid(i, 7));
        QTest::qWait(2);
    }
    const auto frames = rig.peer->readFrames(2, 1000);
    QCOMPARE(frames.size(), 2);
    for (const auto &f : frames) {
        QCOMPARE(f.status, quint8(StatusTxOk));
        QCOMPARE(f.id, 0x055u);
    }
    QCOMPARE(rig.adapter.stats().framesReceived, 2ull);
    QCOMPARE(rig.adapter.stats().garbageBytes, 8ull);
}

void TestSim::bitRateAnswers_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("status");
    QTest::newRow("1000 kbit/s") << 0 << int(StatusBitRateOk);
    QTest::newRow("5 kbit/s") << 13 << int(StatusBitRateOk);
    QTest::newRow("past the list") << 14 << int(StatusBitRateFail);
    QTest::newRow("0xFF") << 255 << int(StatusBitRateFail);
}

void TestSim::bitRateAnswers()
{
    QFETCH(int, index);
    QFETCH(int, status);
    Rig rig;
    rig.peer->send(bitRateRequest(quint8(3)));
    QCOMPARE(rig.peer->readFrames(1, 1000).size(), 1);
    rig.peer->send(bitRateRequest(quint8(index)));
    const auto frames = rig.peer->readFrames(1, 1000);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(int(frames.first().status), status);
    QCOMPARE(rig.adapter.bitRateIndex(), status == StatusBitRateOk ? index : 3);
    QCOMPARE(rig.adapter.stats().bitRateRequests, 2ull);
}

void TestSim::repeatedSendStopsOnStopRequest()
{
    Rig rig;
    // 1000 repetitions, 1 ms apart, ID counting up.
    QByteArray f = transmitFrame(0x300, hex("01"), false, false, 1, 1000, 10);
    f[19] = 1;
    f[29] = 0;
    f[29] = char(crc8Maxim(f));
    rig.peer->send(f);
    const auto first = rig.peer->readFrames(10, 1000);
    QVERIFY(first.size() >= 10);
    QCOMPARE(first[0].id, 0x300u);
    QCOMPARE(first[1].id, 0x301u);
    rig.peer->send(stopRequest());
    rig.peer->readFor(50);   // drain what was on its way
    QVERIFY(rig.peer->readFor(100).isEmpty());
    QCOMPARE(rig.adapter.stats().stopRequests, 1ull);
    QVERIFY(rig.adapter.busFrames().size() < 1000);
}

// ------------------------------------------------------------------ motor over CAN

void TestSim::enableThenMitMovesTowardSetPoint()
{
    Rig rig;
    auto enable = rig.exchange(0x001, specialCommand(SpecialEnable), 2);
    QCOMPARE(enable.size(), 2);
    const auto fb0 = withStatus(enable, StatusRxOk);
    QCOMPARE(fb0.size(), 1);
    QCOMPARE(fb0.first().id, 0x11u);
    QCOMPARE(decodeFeedback(fb0.first().data).state, quint8(1));
    QCOMPARE(decodeFeedback(fb0.first().data).idNibble, quint8(1));

    const float target = 1.0f;
    float lastError = 10.0f;
    int closer = 0;
    for (int i = 0; i < 12; ++i) {
        QTest::qWait(20);
        const auto frames = withStatus(rig.exchange(0x001, mitCommand(target, 0, 20.0f, 1.0f, 0), 2), StatusRxOk);
        QCOMPARE(frames.size(), 1);
        const SimFeedback fb = decodeFeedback(frames.first().data);
        QCOMPARE(fb.state, quint8(1));
        const float error = std::fabs(target - fb.position);
        QVERIFY2(error <= lastError + 1e-3f, qPrintable(QString("step %1: %2 after %3").arg(i).arg(error).arg(lastError)));
        if (error < lastError - 1e-4f)
            ++closer;
        lastError = error;
    }
    QVERIFY(closer >= 8);
    QVERIFY2(lastError < 0.3f, qPrintable(QString::number(lastError)));
    QCOMPARE(rig.motor->controlMode(), int(SimMotor::Mit));
    QVERIFY(std::fabs(rig.motor->setPoint().kp - 20.0f) < 0.2f);
    const auto seen = rig.motor->receivedFrames();
    QCOMPARE(seen.size(), 13);
    QCOMPARE(seen.first().data, specialCommand(SpecialEnable));
}

void TestSim::controlModesMoveTheModel_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("position");   // NaN: not checked
    QTest::addColumn<double>("velocity");
    QTest::addColumn<double>("tolerance");
    // The load accelerates first (speed and position loops on an inertia), then holds the limit.
    QTest::newRow("pos-vel speed-limited") << 1 << positionVelocityCommand(2.0f, 5.0f) << 0.2 << double(NAN) << 5.0 << 0.05;
    QTest::newRow("pos-vel arrives") << 1 << positionVelocityCommand(2.0f, 5.0f) << 1.5 << 2.0 << 0.0 << 0.01;
    QTest::newRow("velocity settles") << 2 << velocityCommand(-8.0f) << 0.5 << double(NAN) << -8.0 << 0.1;
    QTest::newRow("velocity clamps to VMAX") << 2 << velocityCommand(100.0f) << 0.6 << double(NAN) << 30.0 << 0.3;
    QTest::newRow("PVT arrives") << 3 << pvtCommand(-1.0f, 4.0f, 0.5f) << 1.0 << -1.0 << 0.0 << 0.01;
    QTest::newRow("MIT spring") << 0 << mitCommand(0.5f, 0, 50.0f, 1.0f, 0) << 1.0 << 0.5 << 0.0 << 0.01;
    QTest::newRow("MIT torque only") << 0 << mitCommand(0, 0, 0, 0, 1.0f) << 0.5 << double(NAN) << 1.0 / 0.0523 << 0.5;
}

void TestSim::controlModesMoveTheModel()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, payload);
    QFETCH(double, seconds);
    QFETCH(double, position);
    QFETCH(double, velocity);
    QFETCH(double, tolerance);
    SimMotor m(5, 0x15);
    m.setManualClock(true);
    SimCanFrame f;
    f.id = commandId(5, mode);
    f.data = specialCommand(SpecialEnable);
    QCOMPARE(m.receiveCan(f).size(), 1);
    f.data = payload;
    const auto replies = m.receiveCan(f);
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.first().id, 0x15u);
    QCOMPARE(m.controlMode(), mode);
    m.advanceClock(seconds);
    if (!std::isnan(position))
        QVERIFY2(std::fabs(m.position() - position) <= tolerance, qPrintable(QString::number(m.position())));
    QVERIFY2(std::fabs(m.velocity() - velocity) <= tolerance, qPrintable(QString::number(m.velocity())));
    // The next feedback tells the same.
    const SimFeedback fb = decodeFeedback(m.receiveCan(f).first().data, m.ranges());
    QVERIFY(std::fabs(fb.velocity - m.velocity()) < 0.1f);
}

void TestSim::specialFramesAndInjectedFaults_data()
{
    QTest::addColumn<int>("fault");
    for (int code = 8; code <= 0xE; ++code)
        QTest::newRow(qPrintable(QString("fault 0x%1").arg(code, 0, 16))) << code;
}

void TestSim::specialFramesAndInjectedFaults()
{
    QFETCH(int, fault);
    SimMotor m(2, 0x12);
    m.setManualClock(true);
    auto send = [&](int mode, const QByteArray &d) {
        SimCanFrame f;
        f.id = commandId(2, mode);
        f.data = d;
        const auto r = m.receiveCan(f);
        return r.isEmpty() ? SimFeedback{0xFF} : decodeFeedback(r.first().data, m.ranges());
    };
    QCOMPARE(send(2, specialCommand(SpecialEnable)).state, quint8(1));   // any mode's ID
    send(2, velocityCommand(5.0f));
    m.advanceClock(0.5);
    QVERIFY(m.position() > 1.0f);
    QVERIFY(std::fabs(send(2, specialCommand(SpecialSaveZero)).position) < 0.01f);
    QCOMPARE(send(1, specialCommand(SpecialDisable)).state, quint8(0));
    QCOMPARE(send(0, specialCommand(SpecialEnable)).state, quint8(1));

    QVERIFY(m.injectFault(quint8(fault)));
    const SimFeedback fb = send(0, mitCommand(3.0f, 0, 50.0f, 1.0f, 0));
    QCOMPARE(int(fb.state), fault);
    m.advanceClock(0.5);
    QVERIFY2(std::fabs(m.position()) < 0.3f, "a faulted motor must not follow commands");
    QCOMPARE(int(send(0, specialCommand(SpecialEnable)).state), fault);   // latched
    QCOMPARE(send(0, specialCommand(SpecialClearError)).state, quint8(0));
    QCOMPARE(send(0, specialCommand(SpecialEnable)).state, quint8(1));
    QVERIFY(!m.injectFault(0x7));
}

void TestSim::conditionsLatchFaults()
{
    SimMotor m(1, 0x11);
    m.setManualClock(true);
    SimCanFrame enable{1, specialCommand(SpecialEnable)};
    SimCanFrame clear{1, specialCommand(SpecialClearError)};
    auto stateOf = [&](const SimCanFrame &f) { return decodeFeedback(m.receiveCan(f).first().data).state; };

    m.setSupplyVoltage(40.0f);
    QCOMPARE(stateOf(enable), quint8(SimMotor::FaultOverVoltage));
    m.setSupplyVoltage(5.0f);
    stateOf(clear);
    QCOMPARE(stateOf(enable), quint8(SimMotor::FaultUnderVoltage));
    m.setSupplyVoltage(24.0f);
    stateOf(clear);
    m.setTemperatures(30, 95);
    QCOMPARE(stateOf(enable), quint8(SimMotor::FaultMotorOverTemp));
    m.setTemperatures(30, 30);
    stateOf(clear);
    QCOMPARE(stateOf(enable), quint8(1));

    // Watchdog: TIMEOUT 2000 x 50 us = 100 ms without commands.
    QVERIFY(m.setRegister("TIMEOUT", 2000u));
    m.advanceClock(0.05);
    QCOMPARE(m.state(), quint8(1));
    m.advanceClock(0.1);
    QCOMPARE(m.state(), quint8(SimMotor::FaultCommLost));
}

void TestSim::registerReadWriteSaveOverCan()
{
    Rig rig;
    auto reply = [&](const QByteArray &d) {
        const auto frames = withStatus(rig.exchange(0x7FF, d, 2, 500), StatusRxOk);
        return frames.isEmpty() ? QByteArray() : frames.first().data;
    };
    QByteArray r = reply(registerFrame(1, RegRead, 21));
    QCOMPARE(r.left(4), hex("01003315"));
    QCOMPARE(getFloat(r, 4), 12.5f);

    r = reply(registerFrame(1, RegWrite, 22, floatBits(20.0f)));
    QCOMPARE(r.left(4), hex("01005516"));
    QCOMPARE(getFloat(r, 4), 20.0f);
    QCOMPARE(rig.motor->registerValue("VMAX").toFloat(), 20.0f);
    QCOMPARE(bitsFloat(rig.motor->savedRegisterRaw(22)), 30.0f);

    r = reply(registerFrame(1, RegSave, 0));
    QCOMPARE(r.left(4), hex("0100aa00"));
    QCOMPARE(getFloat(r, 4), 10.0f);   // UV_Value
    QCOMPARE(bitsFloat(rig.motor->savedRegisterRaw(22)), 20.0f);
    QCOMPARE(rig.motor->saveCount(), 1);

    // Integers, the loader version (RID 37) and the sub-version read as stored.
    QCOMPARE(getU32(reply(registerFrame(1, RegRead, 16)), 4), 14u);
    QCOMPARE(getU32(reply(registerFrame(1, RegRead, 37)), 4), rig.motor->registerRaw(37));
    QCOMPARE(rig.motor->registerValue(SimMotor::RidMstId).toUInt(), 0x11u);

    // Another motor's ID or an unknown register gets no answer.
    rig.peer->send(transmitFrame(0x7FF, registerFrame(2, RegRead, 21)));
    rig.peer->send(transmitFrame(0x7FF, registerFrame(1, RegRead, 38)));
    const auto frames = rig.peer->readFrames(3, 200);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(withStatus(frames, StatusRxOk).size(), 0);
}

void TestSim::registerWritesAreValidated_data()
{
    QTest::addColumn<int>("rid");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("PMAX 3.14") << 21 << floatBits(3.14f) << true;
    QTest::newRow("PMAX zero") << 21 << floatBits(0.0f) << false;
    QTest::newRow("TMAX negative") << 23 << floatBits(-1.0f) << false;
    QTest::newRow("KP_ASR NaN") << 25 << floatBits(NAN) << false;
    QTest::newRow("cmode 4") << 10 << 4u << true;
    QTest::newRow("cmode 5") << 10 << 5u << false;
    QTest::newRow("can_br 9") << 35 << 9u << true;
    QTest::newRow("can_br 10") << 35 << 10u << false;
    QTest::newRow("ESC_ID read-only") << 8 << 5u << false;
    QTest::newRow("sw_ver read-only") << 14 << 0u << false;
    QTest::newRow("Damp writable") << 11 << floatBits(0.01f) << true;
}

void TestSim::registerWritesAreValidated()
{
    QFETCH(int, rid);
    QFETCH(quint32, value);
    QFETCH(bool, accepted);
    SimMotor m(1, 0);
    const quint32 before = m.registerRaw(rid);
    const auto r = m.receiveCan(SimCanFrame{0x7FF, registerFrame(1, RegWrite, quint8(rid), value)});
    QCOMPARE(r.size(), 1);
    QCOMPARE(getU32(r.first().data, 4), accepted ? value : before);   // the reply shows what is stored
    QCOMPARE(m.registerRaw(rid), accepted ? value : before);
}

void TestSim::rangesFollowRegisters()
{
    SimMotor m(1, 0x11);
    m.setManualClock(true);
    QVERIFY(m.setRegister("PMAX", 3.14f));
    SimRanges r;
    r.pMax = 3.14f;
    m.receiveCan(SimCanFrame{1, specialCommand(SpecialEnable)});
    // A MIT target packed with the narrow range is understood with that range ...
    m.receiveCan(SimCanFrame{1, mitCommand(2.0f, 0, 100.0f, 1.0f, 0, r)});
    QVERIFY(std::fabs(m.setPoint().position - 2.0f) < 0.001f);
    m.advanceClock(1.0);
    // ... and the feedback only decodes right with it.
    const QByteArray fb = m.receiveCan(SimCanFrame{1, mitCommand(2.0f, 0, 100.0f, 1.0f, 0, r)}).first().data;
    QVERIFY(std::fabs(decodeFeedback(fb, r).position - 2.0f) < 0.01f);
    QVERIFY(std::fabs(decodeFeedback(fb).position - 2.0f) > 1.0f);
}

void TestSim::idQueryAssignmentAndScan()
{
    Rig rig;
    auto second = std::make_shared<SimMotor>(2, 0x12);
    rig.adapter.addMotor(second);

    const auto query = withStatus(rig.exchange(0x7FF, hex("550000aa"), 3), StatusRxOk);
    QCOMPARE(query.size(), 2);
    QCOMPARE(query[0].id, 0x11u);
    QCOMPARE(query[0].data, hex("550111aa"));
    QCOMPARE(query[1].data, hex("550212aa"));

    // Scan probe: a register read of can_br (RID 0x23) with a 4-byte frame.
    const auto probe = withStatus(rig.exchange(0x7FF, hex("02003323"), 2), StatusRxOk);
    QCOMPARE(probe.size(), 1);
    QCOMPARE(probe[0].id, 0x12u);
    QCOMPARE(probe[0].data.left(5), hex("0200332304"));
    rig.peer->send(transmitFrame(0x7FF, hex("05003323")));
    QCOMPARE(withStatus(rig.peer->readFrames(2, 200), StatusRxOk).size(), 0);

    const auto assign = withStatus(rig.exchange(0x7FF, hex("aa071755"), 3), StatusRxOk);
    QCOMPARE(assign.size(), 2);
    for (const auto &f : assign) {
        QCOMPARE(f.id, 0x17u);
        QCOMPARE(f.data, hex("aa071755"));
    }
    QCOMPARE(rig.motor->canId(), 7u);
    QCOMPARE(second->masterId(), 0x17u);
    QCOMPARE(second->savedRegisterRaw(SimMotor::RidEscId), 7u);
}

void TestSim::firmwareUpgradeOverCan()
{
    Rig rig;
    const QByteArray request = hex("550102aa0100aaaa");
    const auto entered = withStatus(rig.exchange(0x123, request, 2), StatusRxOk);
    QCOMPARE(entered.size(), 1);
    QCOMPARE(entered[0].data, QByteArray("Aupgrade"));
    QVERIFY(rig.motor->inBootloader());

    QByteArray image;
    for (int i = 0; i < 8192 + 100; ++i)
        image.append(char(i * 7 + 3));
    QStringList answers;
    for (int k = 0; k < 2; ++k) {
        const QByteArray chunk = image.mid(k * 8192, 8192);
        const QByteArray packet = firmwarePacket(chunk, quint8(1 - k));
        QByteArray all;
        int sent = 0;
        for (int i = 0; i <= packet.size() / 8; ++i) {
            rig.peer->send(transmitFrame(0x001, packet.mid(i * 8, 8), false, false, 3));
            ++sent;
            if (i % 64 == 63)
                rig.peer->readOnce(&all, 5);   // keep the terminal drained
        }
        all += rig.peer->readAtLeast((sent + 1) * 16 - all.size(), 5000);
        const auto frames = Peer::parse(all);
        for (const auto &f : withStatus(frames, StatusTxOk))
            QVERIFY2(f.data.count('\0') == f.data.size(), "firmware bytes are not echoed");
        for (const auto &f : withStatus(frames, StatusRxOk))
            answers << QString::fromLatin1(f.data);
    }
    QCOMPARE(answers, QStringList({"OK", "complete"}));
    QVERIFY(!rig.motor->inBootloader());
    QCOMPARE(rig.motor->firmwareImage(), image);
    QCOMPARE(rig.motor->firmwarePackets(), 2);
}

// ------------------------------------------------------------------ console

void TestSim::consoleBlockRead_data()
{
    QTest::addColumn<bool>("longLayout");
    QTest::newRow("128-byte record") << false;
    QTest::newRow("148-byte record") << true;
}

void TestSim::consoleBlockRead()
{
    QFETCH(bool, longLayout);
    Rig rig(SimSerialAdapter::Console);
    rig.motor->setLayout(longLayout ? SimMotor::Layout::Long : SimMotor::Layout::Short);
    rig.peer->send("s");
    rig.peer->send(hex("5567aa"));
    const int size = longLayout ? 150 : 130;
    const QByteArray reply = rig.peer->readAtLeast(size, 1000);
    QCOMPARE(reply.size(), size);
    QVERIFY(rig.peer->readFor(50).isEmpty());
    QCOMPARE(reply.at(0), 'g');
    QCOMPARE(quint8(reply.at(size - 1)), quint8(0xAA));
    QCOMPARE(getFloat(reply, 1 + 0 * 4), 10.0f);                // UV_Value
    QCOMPARE(getU32(reply, 1 + 7 * 4), 0x11u);                  // MST_ID
    QCOMPARE(getU32(reply, 1 + 8 * 4), 1u);                     // ESC_ID
    QCOMPARE(getFloat(reply, 1 + 21 * 4), 12.5f);               // PMAX
    QCOMPARE(getFloat(reply, 1 + 31 * 4), 0.0f);                // GREF2, last of the short record
    if (longLayout)
        QCOMPARE(getU32(reply, 1 + 35 * 4), 4u);                // can_br
    QCOMPARE(rig.motor->saveCount(), 1);                        // the "s"
}

void TestSim::consoleBlockWrite_data()
{
    QTest::addColumn<bool>("longLayout");
    QTest::addColumn<int>("bytes");          // record bytes sent
    QTest::addColumn<float>("vmax");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("long record") << true << 148 << 20.0f << QByteArray("UgU");
    QTest::newRow("short record") << false << 128 << 20.0f << QByteArray("UgU");
    QTest::newRow("short record to a long motor") << true << 128 << 20.0f << QByteArray("UgU");
    QTest::newRow("invalid VMAX") << true << 148 << -1.0f << QByteArray("UgZ");
    QTest::newRow("truncated") << false << 50 << 20.0f << QByteArray("UgZ");
}

void TestSim::consoleBlockWrite()
{
    QFETCH(bool, longLayout);
    QFETCH(int, bytes);
    QFETCH(float, vmax);
    QFETCH(QByteArray, answer);
    Rig rig(SimSerialAdapter::Console);
    const SimMotor::Layout layout = longLayout ? SimMotor::Layout::Long : SimMotor::Layout::Short;
    rig.motor->setLayout(layout);
    QByteArray record = rig.motor->recordBytes(SimMotor::Layout::Long).left(bytes);
    if (bytes > 22 * 4)
        putFloat(record, 22 * 4, vmax);
    if (bytes > 14 * 4 + 4)
        putU32(record, 14 * 4, 0xDEADBEEF);   // sw_ver: the controller keeps its own
    rig.peer->send(hex("556755") + record);
    QCOMPARE(rig.peer->readAtLeast(3, 1000), answer);
    const bool applied = answer == "UgU";
    QCOMPARE(rig.motor->registerValue("VMAX").toFloat(), applied ? vmax : 30.0f);
    QVERIFY(rig.motor->registerRaw(SimMotor::RidSwVer) != 0xDEADBEEF);
    // The console is ready for the next block.
    rig.peer->send(hex("5567aa"));
    QCOMPARE(rig.peer->readAtLeast(longLayout ? 150 : 130, 1000).at(0), 'g');
}

void TestSim::consoleCommandsVersionIdentification()
{
    Rig rig(SimSerialAdapter::Console);
    rig.peer->send("m");
    QTRY_VERIFY_WITH_TIMEOUT(rig.motor->isEnabled(), 1000);
    rig.peer->send(QByteArray(1, char(0x1B)));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.motor->isEnabled(), 1000);

    rig.peer->send("s");
    rig.peer->send(hex("5566aa"));
    // Application 1.2.0.5 and loader 1.0.3.0, shown from byte 4 down and byte 8 down.
    QCOMPARE(rig.peer->readAtLeast(9, 1000), QByteArray("f") + hex("0500020100030001"));

    rig.motor->setIdentifyDelayMs(100);
    rig.peer->send(hex("556555"));
    QVERIFY(rig.peer->readFor(50).isEmpty());
    const QByteArray e = rig.peer->readAtLeast(21, 1000);
    QCOMPARE(e.size(), 21);
    QCOMPARE(e.at(0), 'e');
    QCOMPARE(getFloat(e, 1), 0.315f);       // Rs
    QCOMPARE(getFloat(e, 5), 0.000186f);    // Ls
    QCOMPARE(getFloat(e, 17), 0.000185f);   // Inertia
    QVERIFY(rig.peer->readFor(50).isEmpty());
}

void TestSim::consoleFirmwareUpgrade()
{
    Rig rig(SimSerialAdapter::Console);
    rig.peer->send("X");
    const QByteArray hello = rig.peer->readFor(100);
    QVERIFY2(hello.contains("er Bootloa"), hello.constData());

    QByteArray image(8192 + 10, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i % 251);
    rig.peer->send(firmwarePacket(image.left(8192), 1));
    QVERIFY(rig.peer->readAtLeast(4, 2000).contains("OK"));
    QByteArray bad = firmwarePacket(image.mid(8192), 0);
    bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 0x5A);
    rig.peer->send(bad);
    QVERIFY(rig.peer->readAtLeast(7, 1000).contains("ERROR"));
    rig.peer->send(firmwarePacket(image.mid(8192), 0));
    QVERIFY(rig.peer->readAtLeast(10, 1000).contains("complete"));
    QCOMPARE(rig.motor->firmwareImage(), image);
    QVERIFY(!rig.motor->inBootloader());
}

void TestSim::autoModeServesBoth()
{
    Rig rig(SimSerialAdapter::Auto, true);
    rig.adapter.setHeartbeatIntervalMs(40);
    rig.motor->setLayout(SimMotor::Layout::Long);
    // Console traffic alone: no heartbeats, the block answer only.
    rig.peer->send(hex("5567aa"));
    const QByteArray block = rig.peer->readFor(200);
    QCOMPARE(block.size(), 150);
    QCOMPARE(block.at(0), 'g');
    // A console write whose record contains an adapter frame head is still a block.
    QByteArray record = rig.motor->recordBytes(SimMotor::Layout::Long);
    record.replace(4, 3, hex("55aa1e"));   // inside KT_Value, still a finite float
    putFloat(record, 22 * 4, 25.0f);
    rig.peer->send(hex("556755") + record);
    QCOMPARE(rig.peer->readAtLeast(3, 1000), QByteArray("UgU"));
    QCOMPARE(rig.motor->registerValue("VMAX").toFloat(), 25.0f);
    // Then an adapter frame: confirmed, and from now on heartbeats flow.
    const auto frames = rig.exchange(0x001, specialCommand(SpecialEnable), 2);
    QCOMPARE(withStatus(frames, StatusTxOk).size(), 1);
    QVERIFY(rig.motor->isEnabled());
    QVERIFY(!withStatus(rig.peer->readFrames(3, 500), StatusHeartbeat).isEmpty());
    QCOMPARE(rig.adapter.stats().garbageBytes, 0ull);
}

// ------------------------------------------------------------------ misbehaviour

void TestSim::heartbeatAboutOncePerSecond()
{
    Rig rig(SimSerialAdapter::Adapter, true);
    QList<qint64> arrivals;
    QElapsedTimer t;
    t.start();
    QByteArray pending;
    while (t.elapsed() < 2300) {
        rig.peer->readOnce(&pending, 50);
        const auto frames = Peer::parse(pending);
        for (int i = 0; i < frames.size(); ++i)
            arrivals << t.elapsed();
        pending.clear();
        for (const auto &f : frames)
            QCOMPARE(f.status, quint8(StatusHeartbeat));
    }
    QCOMPARE(arrivals.size(), 2);
    QVERIFY2(arrivals[0] > 800 && arrivals[0] < 1300, qPrintable(QString::number(arrivals[0])));
    const qint64 gap = arrivals[1] - arrivals[0];
    QVERIFY2(gap > 800 && gap < 1200, qPrintable(QString::number(gap)));
}

void TestSim::heartbeatCanBeStopped()
{
    Rig rig(SimSerialAdapter::Adapter, true);
    rig.adapter.setHeartbeatIntervalMs(30);
    QVERIFY(withStatus(rig.peer->readFrames(2, 500), StatusHeartbeat).size() >= 2);
    rig.adapter.setHeartbeatEnabled(false);
    rig.peer->readFor(40);
    QVERIFY(rig.peer->readFor(200).isEmpty());
    QVERIFY(rig.adapter.stats().heartbeatsSent >= 2);
}

void TestSim::dropsAnswers_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<int>("nth");
    QTest::addColumn<int>("answers");   // of 6 confirmations
    QTest::newRow("none dropped") << false << 0 << 6;
    QTest::newRow("every third") << false << 3 << 4;
    QTest::newRow("all") << true << 0 << 0;
}

void TestSim::dropsAnswers()
{
    QFETCH(bool, all);
    QFETCH(int, nth);
    QFETCH(int, answers);
    Rig rig;
    rig.adapter.clearMotors();   // confirmations only
    rig.adapter.setDropAll(all);
    rig.adapter.setDropEveryNth(nth);
    for (int i = 0; i < 6; ++i)
        rig.peer->send(transmitFrame(0x100 + i, hex("01")));
    const auto frames = rig.peer->readFrames(6, 300);
    QCOMPARE(frames.size(), answers);
    QCOMPARE(rig.adapter.stats().framesReceived, 6ull);
    QCOMPARE(rig.adapter.stats().answersDropped, quint64(6 - answers));
    if (nth == 3) {
        QCOMPARE(frames[2].id, 0x103u);   // 0x102 was the third
    }
}

void TestSim::delaysAnswers()
{
    Rig rig;
    rig.adapter.setAnswerDelayMs(300);
    QElapsedTimer t;
    t.start();
    rig.peer->send(transmitFrame(0x001, specialCommand(SpecialEnable)));
    QVERIFY(rig.peer->readFor(150).isEmpty());
    QVERIFY(rig.motor->isEnabled());   // the motor acted at once; only the answer waits
    QCOMPARE(rig.peer->readFrames(2, 1000).size(), 2);
    QVERIFY(t.elapsed() >= 290);
}

void TestSim::injectsGarbage()
{
    Rig rig;
    rig.peer->send(transmitFrame(0x200, hex("aa")));
    QCOMPARE(rig.peer->readAtLeast(16, 1000).size(), 16);
    rig.adapter.injectBytes("OK text\r\n");
    QCOMPARE(rig.peer->readAtLeast(9, 1000), QByteArray("OK text\r\n"));
    rig.peer->send(transmitFrame(0x200, hex("bb")));
    QByteArray rest;
    QCOMPARE(Peer::parse(rig.peer->readAtLeast(16, 1000), &rest).size(), 1);
    QVERIFY(rest.isEmpty());
}

void TestSim::corruptsAnswers()
{
    Rig rig;
    rig.adapter.clearMotors();
    rig.adapter.corruptNextAnswers(1, 0);
    rig.peer->send(transmitFrame(0x010, hex("01")));
    rig.peer->send(transmitFrame(0x011, hex("02")));
    const QByteArray bytes = rig.peer->readAtLeast(32, 1000);
    QCOMPARE(bytes.size(), 32);
    QCOMPARE(quint8(bytes[0]), quint8(0xAA ^ 0xFF));   // the head byte flipped
    QCOMPARE(bytes.mid(1, 15), receiveFrame(StatusTxOk, 0x010, hex("01")).mid(1));
    SimReceiveFrame f;
    QVERIFY(parseReceiveFrame(bytes, 16, &f));          // the next answer is clean
    QCOMPARE(f.id, 0x011u);
}

void TestSim::splitsWrites()
{
    Rig rig;
    rig.adapter.clearMotors();
    rig.adapter.setSplitOffsets({5, 12}, 80);
    rig.peer->send(transmitFrame(0x001, hex("0102")));
    QList<int> pieces;
    QByteArray all;
    for (int i = 0; i < 3; ++i) {
        QByteArray piece;
        QVERIFY(rig.peer->readOnce(&piece, 1000) > 0);
        pieces << int(piece.size());
        all += piece;
    }
    QCOMPARE(pieces, QList<int>({5, 7, 4}));
    QCOMPARE(all, receiveFrame(StatusTxOk, 0x001, hex("0102")));
}

void TestSim::closePortLooksUnplugged()
{
    Rig rig;
    QCOMPARE(rig.exchange(0x001, hex("00"), 2).size(), 2);
    rig.adapter.closePort();
    QVERIFY(!rig.adapter.isPortOpen());
    QByteArray got;
    int err = 0;
    const int n = rig.peer->readOnce(&got, 500, &err);
    QVERIFY2(n == 0 || (n < 0 && err == EIO), qPrintable(QString("read %1 errno %2").arg(n).arg(err)));
    pollfd p{rig.peer->fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 0), 1);
    QVERIFY(p.revents & POLLHUP);
    QVERIFY(!rig.adapter.start());
}

void TestSim::streamsNumberedFrames_data()
{
    QTest::addColumn<int>("rate");
    QTest::newRow("2000 frames/s") << 2000;
    QTest::newRow("line rate 5760 frames/s") << 5760;
    QTest::newRow("unpaced") << 0;
}

void TestSim::streamsNumberedFrames()
{
    QFETCH(int, rate);
    Rig rig;
    QElapsedTimer streaming;
    streaming.start();
    rig.adapter.startStreaming(rate, 0x321);
    QByteArray all = rig.peer->readFor(250);
    rig.adapter.stopStreaming();
    const double streamedSeconds = streaming.nsecsElapsed() / 1e9;
    all += rig.peer->readFor(100);
    QByteArray rest;
    const auto frames = Peer::parse(all, &rest);
    QVERIFY(rest.isEmpty());
    QVERIFY(frames.size() > 50);
    for (int i = 0; i < frames.size(); ++i) {
        const auto &f = frames[i];
        QCOMPARE(f.id, 0x321u);
        QCOMPARE(f.status, quint8(StatusRxOk));
        QCOMPARE(getU32(f.data, 0), quint32(i));
        QCOMPARE(getU32(f.data, 4), ~quint32(i));
    }
    QCOMPARE(rig.adapter.streamedFrames(), quint64(frames.size()));
    // Paced: never ahead of the schedule, however long this busy machine took to read.
    if (rate > 0)
        QVERIFY2(frames.size() <= rate * streamedSeconds + 10,
                 qPrintable(QString("%1 frames in %2 s").arg(frames.size()).arg(streamedSeconds)));
}

// ------------------------------------------------------------------ program, registry, threads

void TestSim::qserialPortOpensAndReopens()
{
    Rig rig;
    for (int round = 0; round < 2; ++round) {
        QSerialPort port;
        port.setPortName(rig.adapter.slavePath());
        port.setBaudRate(921600);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.write(transmitFrame(0x001, specialCommand(round ? SpecialDisable : SpecialEnable)));
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < 32 && t.elapsed() < 2000 && port.waitForReadyRead(100))
            got += port.readAll();
        const auto frames = withStatus(Peer::parse(got), StatusRxOk);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(decodeFeedback(frames.first().data).state, quint8(round ? 0 : 1));
        port.close();
    }
}

void TestSim::zkmotorProgram()
{
    const QString program = QStringLiteral(ZK_BUILD_DIR "/zkmotor");
    QVERIFY2(QFileInfo::exists(program), "build the zkmotor target first");
    QProcess p;
    p.start(program, {"--console", "--id", "0x05", "--master", "21", "--long-layout"});
    QVERIFY(p.waitForStarted());
    QVERIFY(p.waitForReadyRead(5000));
    const QString path = QString::fromLocal8Bit(p.readLine()).trimmed();
    QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
    {
        Peer peer(path);
        QVERIFY(peer.ok());
        peer.send(hex("5567aa"));
        const QByteArray block = peer.readAtLeast(150, 2000);
        QCOMPARE(block.size(), 150);
        QCOMPARE(getU32(block, 1 + 8 * 4), 5u);
        QCOMPARE(getU32(block, 1 + 7 * 4), 21u);
    }
    p.terminate();
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);

    // Two motors on one bus, each with its own master ID and bit rate; their answers to
    // the ID query come in arbitration order (the lower master ID first).
    p.start(program, {"--id", "2", "--master", "0x12", "--can-br", "3", "--id", "1", "--master", "0x11"});
    QVERIFY(p.waitForReadyRead(5000));
    {
        Peer peer(QString::fromLocal8Bit(p.readLine()).trimmed());
        peer.send(transmitFrame(0x7FF, hex("550000aa")));
        const auto ids = withStatus(peer.readFrames(3, 2000), StatusRxOk);
        QCOMPARE(ids.size(), 2);
        QCOMPARE(ids[0].data + ids[1].data, hex("550111aa550212aa"));
        for (int n : {2, 1}) {
            peer.send(transmitFrame(0x7FF, QByteArray(1, char(n)) + hex("003323")));
            const auto probe = withStatus(peer.readFrames(2, 2000), StatusRxOk);
            QCOMPARE(probe.size(), 1);
            QCOMPARE(probe[0].data.left(5), n == 2 ? hex("0200332303") : hex("0100332304"));
        }
    }
    p.terminate();
    QVERIFY(p.waitForFinished(5000));

    p.start(program, {"--id", "0x800"});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("invalid ID"));
    p.start(program, {"--id", "1", "--can-br", "10"});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
}

void TestSim::registryServesPorts()
{
    SimRegistry registry;
    SimRegistry::Options options;
    options.motorsPerPort = 2;
    options.consolePorts = 1;
    const auto ports = registry.start(2, options);
    QCOMPARE(ports.size(), 3);
    QVERIFY(ports[0].path != ports[1].path);
    QVERIFY(ports[0].description.contains("0x01") && ports[0].description.contains("0x12"));
    QVERIFY(ports[2].description.contains("console"));
    QVERIFY(registry.isSimulated(ports[1].path));
    QCOMPARE(registry.motor(1, 1)->canId(), 2u);
    QCOMPARE(registry.adapter(2)->mode(), SimSerialAdapter::Console);
    {
        Peer peer(ports[1].path);
        peer.send(transmitFrame(0x7FF, hex("550000aa")));
        const auto replies = withStatus(peer.readFrames(3, 1000), StatusRxOk);
        QCOMPARE(replies.size(), 2);
        QCOMPARE(replies[1].data, hex("550212aa"));
    }
    registry.stopAll();
    QVERIFY(registry.ports().isEmpty());
    QVERIFY(!registry.isSimulated(ports[0].path));
}

void TestSim::motorIsThreadSafe()
{
    SimMotor m(1, 0x11);
    std::atomic<int> replies{0};
    auto drive = [&](int mode) {
        for (int i = 0; i < 2000; ++i) {
            SimCanFrame f{commandId(1, mode), i % 100 == 0 ? specialCommand(SpecialEnable) : velocityCommand(float(i % 7))};
            if (mode != 2)
                f.data = i % 2 ? registerFrame(1, RegRead, quint8(i % 38)) : mitCommand(0.1f * (i % 10), 0, 5, 0.5f, 0);
            if (mode != 2 && i % 2)
                f.id = 0x7FF;
            replies += int(m.receiveCan(f).size());
            m.consoleInput(i % 50 == 0 ? hex("5567aa") : QByteArray("z"));
        }
    };
    std::thread a(drive, 0), b(drive, 2), c([&] {
        for (int i = 0; i < 2000; ++i) {
            (void)m.position();
            (void)m.feedback();
            (void)m.receivedFrames();
            m.setRegister("KP_APR", float(i));
        }
    });
    a.join();
    b.join();
    c.join();
    QCOMPARE(replies.load(), 4000);
    QCOMPARE(m.receivedFrameCount(), 4000ull);
    QCOMPARE(m.registerValue("KP_APR").toFloat(), 1999.0f);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
