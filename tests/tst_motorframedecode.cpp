// What the receive log says a motor frame is: one row per kind, each frame built by the
// tool's (or the simulated motor's) own encoder and compared with a vector worked out by
// hand, then decoded back to the values the encoder was given. Also the log's kind and
// motor filters, the feedback of a recording for the charts, and the CSV column.
#include "calibration/calConversation.h"
#include "can/canFrameModel.h"
#include "can/canLogExport.h"
#include "can/canLogFeedback.h"
#include "firmware/firmwareImage.h"
#include "link/canAdapter.h"
#include "motor/motorFrameDecode.h"
#include "motor/motorIds.h"
#include "motor/paramRegisters.h"

#include "byteHelpers.h"
#include "simCodec.h"
#include "simMotor.h"

#include <QBuffer>
#include <QtTest>

#include <cstring>

namespace {

QByteArray floatBytes(float f)
{
    QByteArray b(4, '\0');
    std::memcpy(b.data(), &f, 4);
    return b;
}

quint32 floatBits(float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    return u;
}

// The first answer of a simulated motor 0x01 (master 0x11) to a frame.
QByteArray motorAnswer(quint32 id, const QByteArray &request)
{
    SimMotor m(1, 0x11, SimMotor::Layout::Long);
    m.setRegister("can_br", 4u);
    const QList<SimCanFrame> out = m.receiveCan({id, request, false, false});
    return out.isEmpty() ? QByteArray() : out.first().data;
}

CANFrameData logRow(quint32 id, const QByteArray &data, bool sent, quint32 index = 1, quint64 us = 0)
{
    CanBusFrame f;
    f.id = id;
    f.payload = data;
    f.flags = sent ? CanBusFrame::Echo : 0;
    f.timestampUs = us;
    return canLogRow(f, index);
}

MotorLogFrame frameOf(quint32 id, const QByteArray &data, bool sent)
{
    return classifyLogFrame(id, true, sent, reinterpret_cast<const uint8_t *>(data.constData()), int(data.size()));
}

// The numbers a frame carries, in the order its encoder took them.
QList<double> decodedValues(const MotorLogFrame &f)
{
    const MappingRanges r;
    if (f.kind == MotorLogFrame::Command) {
        const CommandValues v = decodeCommand(f, r);
        switch (f.mode) {
        case MITMode: return {v.position, v.velocity, v.kp, v.kd, v.torque};
        case PosVelMode: return {v.position, v.velocity};
        case VelMode: return {v.velocity};
        default: return {v.position, v.velocity, v.current};
        }
    }
    if (f.kind == MotorLogFrame::Feedback) {
        const MotorFeedback fb = decodeFeedback(f.d, r);
        return {fb.position, fb.velocity, fb.torque, double(fb.driverTemp), double(fb.motorTemp)};
    }
    return {};
}

} // namespace

class TestMotorFrameDecode : public QObject
{
    Q_OBJECT

private slots:
    void everyKind_data()
    {
        QTest::addColumn<QByteArray>("encoded"); // empty: neither the tool nor the simulator builds it
        QTest::addColumn<QByteArray>("hand");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("groups");
        QTest::addColumn<quint32>("motor");
        QTest::addColumn<QList<double>>("given"); // what the encoder was given
        QTest::addColumn<double>("step");         // one quantisation step of the coarsest field
        QTest::addColumn<QString>("text");

        const MappingRanges r;
        ControlSetPoints sp;
        sp.position = 1.5f, sp.velocity = 2.0f, sp.kp = 50.0f, sp.kd = 1.0f, sp.torque = 0.5f;
        sp.posPosition = 1.0f, sp.posVelocity = -2.5f, sp.velVelocity = 3.0f;
        sp.pvtPosition = 0.5f, sp.pvtVelocity = 1.5f, sp.pvtCurrent = 0.25f;
        using K = MotorLogFrame;
        const int cmd = K::Commands, reg = K::Registers, ids = K::Ids, fw = K::Firmware;

        QTest::newRow("MIT") << canDataConvention(MITMode, sp, false, r) << bytes({0x8F, 0x5B, 0x88, 0x81, 0x99, 0x33, 0x38, 0x65})
                             << 0x001u << true << int(K::Command) << cmd << 1u << QList<double>{1.5, 2.0, 50.0, 1.0, 0.5}
                             << 500.0 / 4095 << "MIT → 0x01: p 1.500 rad, v 2.00 rad/s, Kp 49.9, Kd 1.00, τ 0.50 N·m";
        QTest::newRow("position-velocity")
            << canDataConvention(PosVelMode, sp, false, r) << bytes({0, 0, 0x80, 0x3F, 0, 0, 0x20, 0xC0}) << 0x101u << true
            << int(K::Command) << cmd << 1u << QList<double>{1.0, -2.5} << 0.0 << "位置速度 → 0x01: p 1.000 rad, v -2.50 rad/s";
        QTest::newRow("velocity") << canDataConvention(VelMode, sp, false, r) << bytes({0, 0, 0x40, 0x40}) << 0x202u << true
                                  << int(K::Command) << cmd << 2u << QList<double>{3.0} << 0.0 << "速度 → 0x02: v 3.00 rad/s";
        QTest::newRow("PVT") << canDataConvention(PVTMode, sp, false, r) << bytes({0, 0, 0, 0x3F, 0x96, 0, 0xC4, 0x09})
                             << 0x301u << true << int(K::Command) << cmd << 1u << QList<double>{0.5, 1.5, 0.25} << 0.01
                             << "PVT → 0x01: p 0.500 rad, v 1.50 rad/s, i 0.2500";
        const QByteArray ff7 = QByteArray(7, char(0xFF));
        QTest::newRow("enable") << specialFrame(MotorCommand::Enable) << ff7 + char(0xFC) << 0x001u << true
                                << int(K::Special) << cmd << 1u << QList<double>{} << 0.0 << "使能 → 0x01";
        QTest::newRow("disable on the velocity ID") << specialFrame(MotorCommand::Disable) << ff7 + char(0xFD) << 0x203u << true
                                                    << int(K::Special) << cmd << 3u << QList<double>{} << 0.0 << "失能 → 0x03";
        QTest::newRow("save zero") << specialFrame(MotorCommand::SaveZero) << ff7 + char(0xFE) << 0x001u << true
                                   << int(K::Special) << cmd << 1u << QList<double>{} << 0.0 << "保存零点 → 0x01";
        QTest::newRow("clear error") << specialFrame(MotorCommand::ClearError) << ff7 + char(0xFB) << 0x001u << true
                                     << int(K::Special) << cmd << 1u << QList<double>{} << 0.0 << "清除错误 → 0x01";

        SimFeedback fb{1, 1, 1.5f, 2.0f, 0.5f, 31, 33};
        QTest::newRow("feedback") << SimCodec::feedbackPayload(fb, SimRanges{})
                                  << bytes({0x11, 0x8F, 0x5B, 0x88, 0x88, 0x65, 0x1F, 0x21}) << 0x11u << false
                                  << int(K::Feedback) << int(K::FeedbackFrames) << 1u << QList<double>{1.5, 2.0, 0.5, 31, 33}
                                  << 20.0 / 4095 << "0x11 ← 0x?1: 1.500 rad, 2.00 rad/s, 0.50 N·m, MOS 31 ℃, 线圈 33 ℃, 电机已使能";
        fb = {0xA, 2, -12.5f, -30.0f, -10.0f, -5, 120};
        QTest::newRow("feedback with a fault") << SimCodec::feedbackPayload(fb, SimRanges{}) << bytes({0xA2, 0, 0, 0, 0, 0, 0xFB, 0x78})
                                               << 0x12u << false << int(K::Feedback) << int(K::FeedbackFrames) << 2u
                                               << QList<double>{-12.5, -30, -10, -5, 120} << 0.0
                                               << "0x12 ← 0x?2: -12.500 rad, -30.00 rad/s, -10.00 N·m, MOS -5 ℃, 线圈 120 ℃, 电机过流错误";

        QTest::newRow("register read") << registerReadFrame(1, 21) << bytes({1, 0, 0x33, 21, 0, 0, 0, 0}) << 0x7FFu << true
                                       << int(K::RegisterRequest) << reg << 1u << QList<double>{} << 0.0 << "读寄存器 → 0x01: PMAX (21)";
        QTest::newRow("register write") << registerFrame(RegisterFrame::Write, 0x105, 21, floatBits(3.14f))
                                        << bytes({5, 1, 0x55, 21, 0xC3, 0xF5, 0x48, 0x40}) << 0x7FFu << true
                                        << int(K::RegisterRequest) << reg << 0x105u << QList<double>{} << 0.0
                                        << "写寄存器 → 0x105: PMAX (21) = 3.14";
        QTest::newRow("register save") << registerSaveFrame(1) << bytes({1, 0, 0xAA, 0, 0, 0, 0, 0}) << 0x7FFu << true
                                       << int(K::RegisterRequest) << reg << 1u << QList<double>{} << 0.0 << "保存参数到Flash → 0x01";
        QTest::newRow("register reply") << motorAnswer(0x7FF, registerReadFrame(1, 22)) << bytes({1, 0, 0x33, 22, 0, 0, 0xF0, 0x41})
                                        << 0x11u << false << int(K::RegisterReply) << reg << 1u << QList<double>{} << 0.0
                                        << "0x11 ← 0x01: 读应答 VMAX (22) = 30";
        QTest::newRow("master ID reply") << motorAnswer(0x7FF, registerReadFrame(1, 7)) << bytes({1, 0, 0x33, 7, 0x11, 0, 0, 0})
                                         << 0x11u << false << int(K::RegisterReply) << reg << 1u << QList<double>{} << 0.0
                                         << "0x11 ← 0x01: 读应答 MST_ID (7) = 0x11";

        QTest::newRow("ID query") << idQueryFrame() << bytes({0x55, 0, 0, 0xAA}) << 0x7FFu << true << int(K::IdQuery) << ids
                                  << 0u << QList<double>{} << 0.0 << "读ID（广播）";
        QTest::newRow("ID assignment") << idAssignFrame(5, 0x15) << bytes({0xAA, 5, 0x15, 0x55}) << 0x7FFu << true
                                       << int(K::IdAssign) << ids << 5u << QList<double>{} << 0.0
                                       << "设ID（广播）: CAN ID 0x05, 主ID 0x15";
        QTest::newRow("ID query reply") << motorAnswer(0x7FF, idQueryFrame()) << bytes({0x55, 1, 0x11, 0xAA}) << 0x11u << false
                                        << int(K::IdQueryReply) << ids << 1u << QList<double>{} << 0.0
                                        << "0x11 ← ID应答: CAN ID 0x01, 主ID 0x11";
        QTest::newRow("ID assignment reply") << motorAnswer(0x7FF, idAssignFrame(5, 0x15)) << bytes({0xAA, 5, 0x15, 0x55})
                                             << 0x15u << false << int(K::IdAssignReply) << ids << 5u << QList<double>{}
                                             << 0.0 << "0x15 ← 设ID应答: CAN ID 0x05, 主ID 0x15";
        QTest::newRow("scan probe") << scanProbeFrame(5) << bytes({5, 0, 0x33, 0x23}) << 0x7FFu << true << int(K::ScanProbe)
                                    << ids << 5u << QList<double>{} << 0.0 << "扫描探测 → 0x05 (读 can_br)";
        QTest::newRow("scan reply") << motorAnswer(0x7FF, scanProbeFrame(1)) << bytes({1, 0, 0x33, 0x23, 4, 0, 0, 0}) << 0x11u
                                    << false << int(K::RegisterReply) << (reg | ids) << 1u << QList<double>{} << 0.0
                                    << "0x11 ← 0x01: 读应答/扫描应答 can_br (35) = 4 (1M)";
        QTest::newRow("version reply") << QByteArray() << bytes({0x11, '1', '2', 0xEE}) << 0x11u << false
                                       << int(K::VersionReply) << fw << 0u << QList<double>{} << 0.0 << "0x11 ← 应用版本 1.2.x.x";

        QTest::newRow("calibration start") << specialCalibrationFrame(0x101) << bytes({1, 1, 0x66, 0, 0, 0, 0, 0}) << 0x7FFu
                                           << true << int(K::CalibrationStart) << cmd << 0x101u << QList<double>{} << 0.0
                                           << "开始校准 → 0x101";
        QTest::newRow("identification start") << specialIdentificationFrame() << bytes({1, 0, 0x99, 0, 0, 0, 0, 0}) << 0x7FFu
                                              << true << int(K::IdentificationStart) << cmd << 0u << QList<double>{} << 0.0
                                              << "开始参数辨识";

        // A 20-byte image: one packet '#' 00 '#' 14 00, the data, CRC-8; 26 bytes in four frames.
        const QByteArray image = QByteArray("0123456789ABCDEFGHIJ");
        const QList<QByteArray> packet = firmwarePacketFrames(firmwarePacket(image, 1));
        QTest::newRow("bootloader request") << firmwareUpgradeRequest(1) << bytes({0x55, 1, 2, 0xAA, 1, 0, 0xAA, 0xAA})
                                            << 0x123u << true << int(K::FirmwareRequest) << fw << 1u << QList<double>{} << 0.0
                                            << "进入Bootloader请求 → 0x01";
        QTest::newRow("firmware packet head") << packet.value(0) << bytes({'#', 0, '#', 20, 0, '0', '1', '2'}) << 0x001u << true
                                              << int(K::FirmwarePacket) << fw << 1u << QList<double>{} << 0.0
                                              << "固件包头 → 0x01: 其后还有 0 包, 数据 20 字节";
        QTest::newRow("firmware packet end") << packet.value(3) << QByteArray("J") + char(firmwarePacket(image, 1).back())
                                             << 0x001u << true << int(K::FirmwareData) << fw << 1u << QList<double>{} << 0.0
                                             << "固件数据 → 0x01";
        QTest::newRow("bootloader reply") << motorAnswer(0x001, firmwareUpgradeRequest(1)) << QByteArray("Aupgrade") << 0x11u
                                          << false << int(K::FirmwareReply) << fw << 0u << QList<double>{} << 0.0
                                          << "0x11 ← Bootloader应答 “Aupgrade”";

        // Of no kind: blank.
        QTest::newRow("short frame on a command ID") << QByteArray() << bytes({1, 2, 3}) << 0x101u << true << int(K::None) << 0
                                                     << 0u << QList<double>{} << 0.0 << "";
        QTest::newRow("sent above the command IDs") << QByteArray() << QByteArray(8, '\0') << 0x400u << true << int(K::None)
                                                    << 0 << 0u << QList<double>{} << 0.0 << "";
        QTest::newRow("received, three bytes") << QByteArray() << bytes({1, 2, 3}) << 0x11u << false << int(K::None) << 0 << 0u
                                               << QList<double>{} << 0.0 << "";
        QTest::newRow("broadcast of no kind") << QByteArray() << bytes({1, 0, 0x44, 0, 0, 0, 0, 0}) << 0x7FFu << true
                                              << int(K::None) << 0 << 0u << QList<double>{} << 0.0 << "";
    }

    void everyKind()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, hand);
        QFETCH(quint32, id);
        QFETCH(bool, sent);
        QFETCH(int, kind);
        QFETCH(int, groups);
        QFETCH(quint32, motor);
        QFETCH(QList<double>, given);
        QFETCH(double, step);
        QFETCH(QString, text);
        if (!encoded.isNull())
            QCOMPARE(encoded.toHex(' '), hand.toHex(' '));

        const MotorLogFrame f = frameOf(id, hand, sent);
        QCOMPARE(int(f.kind), kind);
        QCOMPARE(int(f.groups), groups);
        if (f.known() && kind != MotorLogFrame::IdQuery && kind != MotorLogFrame::IdentificationStart
            && kind != MotorLogFrame::VersionReply && kind != MotorLogFrame::FirmwareReply)
            QCOMPARE(f.motorId, motor);
        const QList<double> values = decodedValues(f);
        QCOMPARE(values.size(), given.size());
        for (int i = 0; i < values.size(); ++i)
            QVERIFY2(std::fabs(values[i] - given[i]) <= std::max(step, 1e-6),
                     qPrintable(QString("value %1: %2, given %3").arg(i).arg(values[i]).arg(given[i])));
        QCOMPARE(describeMotorFrame(f, MappingRanges()), text);
        // The log row says the same, and only of standard data frames.
        QCOMPARE(logRow(id, hand, sent).decodedText(), text);
        CANFrameData extended = logRow(id, hand, sent);
        extended.flags |= CANFrameData::Extended;
        QCOMPARE(extended.decodedText(), QString());
    }

    // The decoded column follows the ranges in force and names the motor the tool talks to.
    void feedbackFollowsTheRangesAndTheKnownMotor()
    {
        const QByteArray d = bytes({0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x19, 0x1A});
        const CANFrameData row = logRow(0x21, d, false);
        CanLogDecodeContext c;
        c.ranges.applyRegister(21, 3.14f);
        QVERIFY(row.decodedText(c).startsWith("0x21 ← 0x?1: 3.140 rad, 30.00 rad/s, 10.00 N·m"));
        c.canid = 0x31;
        c.masterid = 0x21;
        QVERIFY(row.decodedText(c).startsWith("0x21 ← 0x31: 3.140 rad"));
        c.masterid = 0x22; // another master ID: not that motor's feedback
        QVERIFY(row.decodedText(c).startsWith("0x21 ← 0x?1:"));
    }

    void filterByMotorAndKind_data()
    {
        QTest::addColumn<qint64>("motor");
        QTest::addColumn<qint64>("master");
        QTest::addColumn<int>("kinds");
        QTest::addColumn<QList<int>>("shown"); // rows of the session below
        // 0 enable → 1, 1 feedback 0x11 ← 1, 2 MIT → 2, 3 feedback 0x12 ← 2, 4 read PMAX of 1,
        // 5 its reply on 0x11, 6 ID query, 7 reply of 2 on 0x12, 8 read of 0x21 (low bits 1),
        // 9 feedback 0x31 ← 0x?1, 10 a frame of another device on 0x12, 11 bootloader "OK" on 0x11
        QTest::newRow("motor 1 with its master ID") << 1LL << 0x11LL << 0 << QList<int>{0, 1, 4, 5, 6, 11};
        QTest::newRow("motor 1, feedback by its low bits") << 1LL << -1LL << 0 << QList<int>{0, 1, 4, 5, 6, 9};
        QTest::newRow("master ID alone") << -1LL << 0x12LL << 0 << QList<int>{3, 7, 10};
        QTest::newRow("feedback") << -1LL << -1LL << int(MotorLogFrame::FeedbackFrames) << QList<int>{1, 3, 9};
        QTest::newRow("commands") << -1LL << -1LL << int(MotorLogFrame::Commands) << QList<int>{0, 2};
        QTest::newRow("registers") << -1LL << -1LL << int(MotorLogFrame::Registers) << QList<int>{4, 5, 8};
        QTest::newRow("IDs") << -1LL << -1LL << int(MotorLogFrame::Ids) << QList<int>{6, 7};
        QTest::newRow("firmware") << -1LL << -1LL << int(MotorLogFrame::Firmware) << QList<int>{11};
        QTest::newRow("motor 2's commands") << 2LL << 0x12LL << int(MotorLogFrame::Commands) << QList<int>{2};
    }

    void filterByMotorAndKind()
    {
        QFETCH(qint64, motor);
        QFETCH(qint64, master);
        QFETCH(int, kinds);
        QFETCH(QList<int>, shown);
        const QByteArray feedback = bytes({0x11, 0x80, 0, 0x80, 0x08, 0, 30, 30});
        const QList<CANFrameData> rows = {
            logRow(0x001, specialFrame(MotorCommand::Enable), true),
            logRow(0x11, feedback, false),
            logRow(0x002, QByteArray(8, '\x10'), true),
            logRow(0x12, bytes({0x12, 0x80, 0, 0x80, 0x08, 0, 30, 30}), false),
            logRow(0x7FF, registerReadFrame(1, 21), true),
            logRow(0x11, bytes({1, 0, 0x33, 21, 0, 0, 0x48, 0x41}), false),
            logRow(0x7FF, idQueryFrame(), true),
            logRow(0x12, bytes({0x55, 2, 0x12, 0xAA}), false),
            logRow(0x7FF, registerReadFrame(0x21, 0), true),
            logRow(0x31, feedback, false),
            logRow(0x12, bytes({9, 9}), false),
            logRow(0x11, QByteArray("OK"), false),
        };
        CANLogFilter filter;
        filter.motorId = motor;
        filter.masterId = master;
        filter.kinds = quint8(kinds);
        QVERIFY(filter.isActive());
        QList<int> got;
        for (int i = 0; i < rows.size(); ++i)
            if (filter.matches(rows[i]))
                got << i;
        QCOMPARE(got, shown);
    }

    // A recording's feedback per motor on its time axis, each motor's decoding following
    // its own PMAX reply as the live dispatch does.
    void recordingFeedbackPerMotor()
    {
        FeedbackTrackCollector c;
        const QByteArray top = bytes({0x11, 0xFF, 0xFF, 0x80, 0x08, 0, 30, 30}); // highest position code
        c.add(logRow(0x001, specialFrame(MotorCommand::Enable), true), 0.0);
        c.add(logRow(0x11, top, false), 0.001);
        c.add(logRow(0x12, bytes({0x12, 0x80, 0, 0x80, 0x08, 0, 30, 30}), false), 0.002);
        c.add(logRow(0x11, bytes({1, 0, 0x33, 21, 0xC3, 0xF5, 0x48, 0x40}), false), 0.003); // PMAX 3.14 of motor 1
        c.add(logRow(0x11, top, false), 0.5);
        c.add(logRow(0x12, bytes({0x12, 0xFF, 0xFF, 0x80, 0x08, 0, 30, 30}), false), 0.6);
        const QList<FeedbackTrack> tracks = c.tracks();
        QCOMPARE(tracks.size(), 2);
        const FeedbackTrack &one = tracks[0];
        QVERIFY(one.belongsTo(1, 0x11));
        QCOMPARE(one.commandedMotor, 1LL);
        QCOMPARE(one.seconds, (QList<double>{0.001, 0.5}));
        QCOMPARE(one.position, (QList<float>{12.5f, 3.14f}));
        QCOMPARE(tracks[1].position, (QList<float>{uint_to_float(0x8000, -12.5f, 12.5f, 16), 12.5f})); // motor 2 keeps its range
        QCOMPARE(tracks[1].commandedMotor, -1LL);
        QCOMPARE(feedbackTrackLabel(one), QString("电机 0x01 / 主ID 0x11（2 点）"));
        QCOMPARE(feedbackTrackLabel(tracks[1]), QString("电机 0x?2 / 主ID 0x12（2 点）"));
    }

    // The optional CSV column and the log's copy carry the decoded text with the ranges in force.
    void csvAndCopyCarryTheDecodedColumn()
    {
        CANFrameModel model;
        model.appendRows({logRow(0x001, specialFrame(MotorCommand::Enable), true), logRow(0x11, bytes({0x11, 0xFF, 0xFF, 0x80, 0x08, 0, 30, 30}), false)});
        CanLogDecodeContext c;
        c.ranges.applyRegister(21, 2.0f);
        model.setDecodeSource([c] { return c; });
        QCOMPARE(model.headerData(CANFrameData::DecodedColumn, Qt::Horizontal).toString(), QString("解析"));
        QCOMPARE(model.data(model.index(0, CANFrameData::DecodedColumn)).toString(), QString("使能 → 0x01"));
        QBuffer csv;
        csv.open(QIODevice::WriteOnly);
        QVERIFY(writeCanLogCsv(csv, model.snapshot(), {5, CANFrameData::DecodedColumn}, CsvProgress(), model.decodeContext()));
        const QStringList lines = QString::fromLocal8Bit(csv.data()).split('\n');
        QCOMPARE(lines.value(0), QString("\"ID\",\"解析\""));
        QCOMPARE(lines.value(1), QString("\"0x1\",\"使能 → 0x01\""));
        QVERIFY2(lines.value(2).startsWith("\"0x11\",\"0x11 ← 0x?1: 2.000 rad"), qPrintable(lines.value(2)));
        QVERIFY(logText(model).split('\n').value(1).endsWith(lines.value(2).section("\",\"", 1).chopped(1)));
    }
};

QTEST_GUILESS_MAIN(TestMotorFrameDecode)
#include "tst_motorframedecode.moc"
