// Motor command payloads, special frames, the fixed-point mapping and the
// classification of received motor frames.
#include "link/serial/protocolFormat.h"
#include "motor/escInf.h"
#include "motor/motorProtocol.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(MotorFrameKind)
Q_DECLARE_METATYPE(ReceivePath)
Q_DECLARE_METATYPE(StateColour)
Q_DECLARE_METATYPE(MappingRanges)
Q_DECLARE_METATYPE(ControlSetPoints)

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

MappingRanges rangesWithMax(float pmax, float vmax, float tmax)
{
    MappingRanges r;
    r.applyRegister(21, pmax);
    r.applyRegister(22, vmax);
    r.applyRegister(23, tmax);
    return r;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

} // namespace

class TestMotorProtocol : public QObject
{
    Q_OBJECT

private slots:
    void floatToUint_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("code");
        QTest::newRow("zero, 16 bits") << 0.0f << -12.5f << 12.5f << 16 << 32767;
        QTest::newRow("upper bound") << 12.5f << -12.5f << 12.5f << 16 << 65535;
        QTest::newRow("lower bound") << -12.5f << -12.5f << 12.5f << 16 << 0;
        QTest::newRow("beyond upper") << 20.0f << -12.5f << 12.5f << 16 << 65535;
        QTest::newRow("beyond lower") << -20.0f << -12.5f << 12.5f << 16 << 0;
        QTest::newRow("zero, 12 bits") << 0.0f << -30.0f << 30.0f << 12 << 2047;
        QTest::newRow("Kp mid") << 250.0f << 0.0f << 500.0f << 12 << 2047;
        QTest::newRow("Kp max") << 500.0f << 0.0f << 500.0f << 12 << 4095;
        QTest::newRow("truncates toward zero") << 1.0f << 0.0f << 3.0f << 12 << 1365;
        QTest::newRow("+inf clamps") << kInf << -10.0f << 10.0f << 12 << 4095;
        QTest::newRow("-inf clamps") << -kInf << -10.0f << 10.0f << 12 << 0;
        // Inputs that would otherwise reach an undefined float-to-int conversion.
        QTest::newRow("NaN counts as 0") << kNaN << -12.5f << 12.5f << 16 << 32767;
        QTest::newRow("empty range (PMAX 0)") << 1.0f << 0.0f << 0.0f << 16 << 0;
        QTest::newRow("infinite range") << 0.0f << -kInf << kInf << 16 << 0;
        QTest::newRow("NaN range") << 0.0f << kNaN << kNaN << 16 << 0;
        QTest::newRow("reversed range, above") << 5.0f << 3.0f << -3.0f << 16 << 65535;
        QTest::newRow("reversed range, below") << 0.0f << 3.0f << -3.0f << 16 << 0;
    }
    void floatToUint()
    {
        QFETCH(float, x);
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(int, bits);
        QFETCH(int, code);
        QCOMPARE(float_to_uint(x, min, max, bits), code);
    }

    void uintToFloat_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<int>("bits");
        QTest::addColumn<float>("value");
        QTest::newRow("0 is min") << 0 << -12.5f << 12.5f << 16 << -12.5f;
        QTest::newRow("all ones is max") << 65535 << -12.5f << 12.5f << 16 << 12.5f;
        QTest::newRow("12-bit max") << 4095 << -30.0f << 30.0f << 12 << 30.0f;
        QTest::newRow("PMAX 3.14") << 65535 << -3.14f << 3.14f << 16 << 3.14f;
        QTest::newRow("mid code") << 32767 << -12.5f << 12.5f << 16 << -0.00019073f;
    }
    void uintToFloat()
    {
        QFETCH(int, code);
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(int, bits);
        QFETCH(float, value);
        QVERIFY2(std::fabs(uint_to_float(uint16_t(code), min, max, bits) - value) < 1e-6f,
                 qPrintable(QString::number(uint_to_float(uint16_t(code), min, max, bits), 'g', 9)));
    }

    void payloads_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<ControlSetPoints>("sp");
        QTest::addColumn<bool>("rpm");
        QTest::addColumn<MappingRanges>("ranges");
        QTest::addColumn<QByteArray>("payload");

        const MappingRanges def;
        ControlSetPoints zero;
        QTest::newRow("MIT all zero") << 0 << zero << false << def << hex("7FFF7FF0000007FF");

        ControlSetPoints top;
        top.position = 12.5f, top.velocity = 30, top.kp = 500, top.kd = 5, top.torque = 10;
        QTest::newRow("MIT at the maxima") << 0 << top << false << def << hex("FFFFFFFFFFFFFFFF");
        ControlSetPoints bottom;
        bottom.position = -12.5f, bottom.velocity = -30, bottom.kp = 0, bottom.kd = 0, bottom.torque = -10;
        QTest::newRow("MIT at the minima") << 0 << bottom << false << def << hex("0000000000000000");
        ControlSetPoints over = top;
        over.position = 99, over.kp = 1e6f;
        QTest::newRow("MIT out of range is clamped") << 0 << over << false << def << hex("FFFFFFFFFFFFFFFF");

        // Nibble packing: v = 0xABC, kp = 0x123, kd = 0x456, t = 0x789.
        ControlSetPoints nib;
        nib.position = 0;
        nib.velocity = float(0xABC) + 0.5f;
        nib.kp = float(0x123) + 0.5f;
        nib.kd = float(0x456) + 0.5f;
        nib.torque = float(0x789) + 0.5f;
        MappingRanges identity;
        identity.position = {0, 65535};
        identity.velocity = identity.kp = identity.kd = identity.torque = {0, 4095};
        QTest::newRow("MIT nibbles") << 0 << nib << false << identity << hex("0000ABC123456789");

        ControlSetPoints pos;
        pos.position = 3.14f;
        QTest::newRow("MIT position 3.14, default range") << 0 << pos << false << def << hex("A0267FF0000007FF");
        QTest::newRow("MIT position 3.14, PMAX 3.14") << 0 << pos << false << rangesWithMax(3.14f, 30, 10)
                                                       << hex("FFFF7FF0000007FF");

        // 60 RPM is sent as 6.2831852 rad/s: code 2476 = 0x9AC.
        ControlSetPoints rpm;
        rpm.velocity = 60;
        QTest::newRow("MIT velocity 60 RPM") << 0 << rpm << true << def << hex("7FFF9AC0000007FF");
        ControlSetPoints rads;
        rads.velocity = 6.2831852f;
        QTest::newRow("MIT velocity 6.2831852 rad/s") << 0 << rads << false << def << hex("7FFF9AC0000007FF");

        ControlSetPoints pv;
        pv.posPosition = 1.0f, pv.posVelocity = 2.0f;
        QTest::newRow("position-velocity") << 1 << pv << false << def << hex("0000803F00000040");
        ControlSetPoints pvRpm;
        pvRpm.posPosition = 1.0f, pvRpm.posVelocity = 30.0f; // 30 RPM = 3.1415926 rad/s
        QTest::newRow("position-velocity, RPM") << 1 << pvRpm << true << def << hex("0000803FDA0F4940");
        QTest::newRow("position-velocity ignores the MIT range")
            << 1 << pv << false << rangesWithMax(0.5f, 0.5f, 0.5f) << hex("0000803F00000040");

        ControlSetPoints vel;
        vel.velVelocity = -1.0f;
        QTest::newRow("velocity: four bytes") << 2 << vel << false << def << hex("000080BF");

        ControlSetPoints pvt;
        pvt.pvtPosition = 0, pvt.pvtVelocity = 700, pvt.pvtCurrent = 0.5f;
        QTest::newRow("PVT 700 rad/s saturates") << 3 << pvt << false << def << hex("00000000FFFF8813");
        ControlSetPoints pvtNeg;
        pvtNeg.pvtPosition = -2.0f, pvtNeg.pvtVelocity = -5, pvtNeg.pvtCurrent = 0;
        QTest::newRow("PVT negative velocity clamps to 0") << 3 << pvtNeg << false << def << hex("000000C000000000");
        ControlSetPoints pvtRpm;
        pvtRpm.pvtVelocity = 30; // 3.1415926 rad/s x 100 = 314
        QTest::newRow("PVT velocity in RPM") << 3 << pvtRpm << true << def << hex("000000003A010000");
        ControlSetPoints pvtHuge;
        pvtHuge.pvtVelocity = -1e30f, pvtHuge.pvtCurrent = kNaN;
        QTest::newRow("PVT beyond the int range") << 3 << pvtHuge << false << def << hex("0000000000000000");

        QTest::newRow("unknown mode") << 4 << top << false << def << QByteArray(8, '\0');
        QTest::newRow("negative mode") << -1 << top << false << def << QByteArray(8, '\0');
    }
    void payloads()
    {
        QFETCH(int, mode);
        QFETCH(ControlSetPoints, sp);
        QFETCH(bool, rpm);
        QFETCH(MappingRanges, ranges);
        QFETCH(QByteArray, payload);
        const QByteArray got = canDataConvention(mode, sp, rpm, ranges);
        QCOMPARE(payloadText(got), payloadText(payload));
    }

    void rpmConversion()
    {
        QCOMPARE(rpmToRads(60.0f), 6.2831852f);
        QCOMPARE(rpmToRads(-30.0f), -3.1415926f);
    }

    void setPointsFromEdits()
    {
        const QHash<QString, QString> edits{{"POSEdit", "1.5"},    {"VELEdit", "abc"},      {"KPEdit", "10"},
                                            {"VELEdit_VEL", "-2"}, {"POSEdit_PVT", "0.25"}, {"IEdit", "0.5"}};
        const ControlSetPoints sp = ControlSetPoints::fromEdits([&](const QString &n) { return edits.value(n); });
        QCOMPARE(sp.position, 1.5f);
        QCOMPARE(sp.velocity, 0.0f); // not a number
        QCOMPARE(sp.kp, 10.0f);
        QCOMPARE(sp.kd, 0.0f);       // no such edit
        QCOMPARE(sp.velVelocity, -2.0f);
        QCOMPARE(sp.pvtPosition, 0.25f);
        QCOMPARE(sp.pvtCurrent, 0.5f);
        QCOMPARE(payloadText(canDataConvention(2, sp, false, MappingRanges())), QString("00 00 00 C0"));
    }

    void specialFrames_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("console");
        QTest::newRow("enable") << 0 << hex("FFFFFFFFFFFFFFFC") << QByteArray("m");
        QTest::newRow("disable") << 1 << hex("FFFFFFFFFFFFFFFD") << QByteArray("\x1B");
        QTest::newRow("save zero") << 2 << hex("FFFFFFFFFFFFFFFE") << QByteArray("z");
        QTest::newRow("clear error") << 3 << hex("FFFFFFFFFFFFFFFB") << QByteArray();
    }
    void specialFrames()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, console);
        QCOMPARE(specialFrame(MotorCommand(command)), frame);
        QCOMPARE(consoleCommand(MotorCommand(command)), console);
    }

    void classify_data()
    {
        QTest::addColumn<uint>("frameId");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<ReceivePath>("path");
        QTest::addColumn<bool>("scanning");
        QTest::addColumn<MotorFrameKind>("kind");
        // The motor: canid 0x01, master ID 0x11.
        const auto serial = ReceivePath::SerialAdapter;
        const auto usb = ReceivePath::UsbAdapter;
        QTest::newRow("feedback") << 0x11u << hex("117FFF7FF7FF1E1F") << serial << false << MotorFrameKind::Feedback;
        QTest::newRow("feedback over USB") << 0x11u << hex("017FFF7FF7FF1E1F") << usb << false
                                           << MotorFrameKind::Feedback;
        QTest::newRow("register reply on the master ID wins") << 0x11u << hex("0100331500004840") << serial << false
                                                              << MotorFrameKind::RegisterReply;
        QTest::newRow("write reply") << 0x7FFu << hex("0100550700000000") << serial << false
                                     << MotorFrameKind::RegisterReply;
        QTest::newRow("save reply over serial is no register reply")
            << 0x22u << hex("0100AA0000000000") << serial << false << MotorFrameKind::Ignored;
        QTest::newRow("save reply over USB") << 0x22u << hex("0100AA0000000000") << usb << false
                                             << MotorFrameKind::RegisterReply;
        QTest::newRow("other motor's nibble") << 0x11u << hex("127FFF7FF7FF1E1F") << serial << false
                                              << MotorFrameKind::Ignored;
        QTest::newRow("other master ID") << 0x12u << hex("117FFF7FF7FF1E1F") << serial << false
                                         << MotorFrameKind::Ignored;
        QTest::newRow("ID query reply") << 0x22u << hex("550522AA") << serial << false << MotorFrameKind::IdQueryReply;
        QTest::newRow("ID set reply") << 0x22u << hex("AA052255") << serial << false << MotorFrameKind::IdSetReply;
        QTest::newRow("version") << 0x22u << hex("113132EE00000000") << serial << false << MotorFrameKind::AppVersion;
        QTest::newRow("no version over USB") << 0x22u << hex("113132EE00000000") << usb << false
                                             << MotorFrameKind::Ignored;
        QTest::newRow("scan probe reply") << 0x33u << hex("0300332304000000") << usb << true
                                          << MotorFrameKind::ScanProbeReply;
        QTest::newRow("scan drops feedback") << 0x11u << hex("117FFF7FF7FF1E1F") << usb << true
                                             << MotorFrameKind::ScanDropped;
        // The serial adapter's scan collects the same replies.
        QTest::newRow("scan probe reply over serial") << 0x33u << hex("0300332304000000") << serial << true
                                                      << MotorFrameKind::ScanProbeReply;
        QTest::newRow("serial scan drops an ID reply") << 0x22u << hex("550522AA") << serial << true
                                                       << MotorFrameKind::ScanDropped;
        QTest::newRow("short USB frame read as zero-padded") << 0x22u << hex("5505") << usb << false
                                                             << MotorFrameKind::Ignored;
        QTest::newRow("empty frame") << 0x11u << QByteArray() << usb << false << MotorFrameKind::Ignored;
    }
    void classify()
    {
        QFETCH(uint, frameId);
        QFETCH(QByteArray, data);
        QFETCH(ReceivePath, path);
        QFETCH(bool, scanning);
        QFETCH(MotorFrameKind, kind);
        const MotorFrame f = classifyMotorFrame(frameId, data, 0x01, 0x11, MappingRanges(), path, scanning);
        QCOMPARE(int(f.kind), int(kind));
        switch (kind) {
        case MotorFrameKind::IdQueryReply:
        case MotorFrameKind::IdSetReply:
            QCOMPARE(f.replyCanid, 0x05u);
            QCOMPARE(f.replyMasterid, 0x22u);
            break;
        case MotorFrameKind::AppVersion:
            QCOMPARE(f.appVersion, QString("1.2.x.x"));
            break;
        case MotorFrameKind::ScanProbeReply:
            QCOMPARE(f.replyCanid, 0x03u);
            QCOMPARE(f.replyMasterid, 0x33u);
            QCOMPARE(int(f.canBr), 4);
            break;
        default:
            break;
        }
    }

    // The serial adapter's frame goes through the same checks, with its own 8 bytes.
    void classifySerialFrame()
    {
        CAN_Frame frame;
        frame.id = 0x11;
        frame.info = 8;
        const QByteArray d = hex("0100331500004840");
        std::memcpy(frame.data, d.constData(), 8);
        const MotorFrame f = classifyMotorFrame(frame, 0x01, 0x11, MappingRanges());
        QCOMPARE(int(f.kind), int(MotorFrameKind::RegisterReply));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(f.data.data()), 8), d);
    }

    // Motors whose ID ends in 5 or A: their four-byte ID replies pass the feedback's ID
    // check, eight-byte feedback of the same look stays feedback.
    void idRepliesBeforeFeedback_data()
    {
        QTest::addColumn<uint>("canid");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<MotorFrameKind>("kind");
        QTest::newRow("read ID reply, motor 0x05") << 0x05u << hex("550515AA") << MotorFrameKind::IdQueryReply;
        QTest::newRow("set ID reply, motor 0x0A") << 0x0Au << hex("AA0A1A55") << MotorFrameKind::IdSetReply;
        QTest::newRow("over-current feedback, motor 0x0A")
            << 0x0Au << hex("AA0A1A5500001E1F") << MotorFrameKind::Feedback;
    }
    void idRepliesBeforeFeedback()
    {
        QFETCH(uint, canid);
        QFETCH(QByteArray, data);
        QFETCH(MotorFrameKind, kind);
        const uint masterid = canid + 0x10;
        for (ReceivePath path : {ReceivePath::SerialAdapter, ReceivePath::UsbAdapter}) {
            const MotorFrame f = classifyMotorFrame(masterid, data, canid, masterid, MappingRanges(), path);
            QCOMPARE(int(f.kind), int(kind));
            if (kind != MotorFrameKind::Feedback) {
                QCOMPARE(f.replyCanid, canid);
                QCOMPARE(f.replyMasterid, masterid);
            }
        }
        // The serial adapter's frame says its length in the length code.
        CAN_Frame frame;
        frame.id = masterid;
        frame.info = quint8(data.size());
        std::memcpy(frame.data, data.constData(), size_t(data.size()));
        QCOMPARE(int(classifyMotorFrame(frame, canid, masterid, MappingRanges()).kind), int(kind));
    }

    void feedback_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<MappingRanges>("ranges");
        QTest::addColumn<int>("state");
        QTest::addColumn<float>("position");
        QTest::addColumn<float>("velocity");
        QTest::addColumn<float>("torque");
        QTest::addColumn<int>("driverTemp");
        QTest::addColumn<int>("motorTemp");
        const MappingRanges def;
        QTest::newRow("extremes") << hex("11FFFF000FFF1EFB") << def << 1 << 12.5f << -30.0f << 10.0f << 30 << -5;
        QTest::newRow("PMAX 3.14") << hex("11FFFF000FFF1EFB") << rangesWithMax(3.14f, 30, 10) << 1 << 3.14f
                                   << -30.0f << 10.0f << 30 << -5;
        QTest::newRow("VMAX and TMAX") << hex("810000FFF0002880") << rangesWithMax(12.5f, 45, 18) << 8 << -12.5f
                                       << 45.0f << -18.0f << 40 << -128;
    }
    void feedback()
    {
        QFETCH(QByteArray, data);
        QFETCH(MappingRanges, ranges);
        const MotorFrame f = classifyMotorFrame(0x11, data, 0x01, 0x11, ranges, ReceivePath::SerialAdapter);
        QCOMPARE(int(f.kind), int(MotorFrameKind::Feedback));
        QTEST(int(f.feedback.state), "state");
        QTEST(f.feedback.position, "position");
        QTEST(f.feedback.velocity, "velocity");
        QTEST(f.feedback.torque, "torque");
        QTEST(int(f.feedback.driverTemp), "driverTemp");
        QTEST(int(f.feedback.motorTemp), "motorTemp");
    }

    void sharedRanges()
    {
        SharedMappingRanges shared;
        QVERIFY(shared.applyRegister(21, 3.14f));
        QVERIFY(!shared.applyRegister(20, 3.14f));
        QCOMPARE(shared.get().position, (MappingRange{-3.14f, 3.14f}));
        ESC_INF rec;
        rec.PMAX = 1, rec.VMAX = 2, rec.TMAX = 3;
        shared.applyRecord(rec);
        const MappingRanges r = shared.get();
        QCOMPARE(r.position, (MappingRange{-1, 1}));
        QCOMPARE(r.velocity, (MappingRange{-2, 2}));
        QCOMPARE(r.torque, (MappingRange{-3, 3}));
        QCOMPARE(r.kp, (MappingRange{0, 500})); // never follows a register
    }

    void idReplyMap()
    {
        IdReplyMap map;
        QVERIFY(map.insert(1, 0x11));  // first answer sets the IDs
        QVERIFY(!map.insert(2, 0x12)); // later answers only enlarge the map
        QCOMPARE(map.snapshot().size(), 2);
        map.clear();
        QVERIFY(map.insert(2, 0x12));
    }

    void stateDisplay_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<StateColour>("colour");
        QTest::addColumn<bool>("ok");
        QTest::newRow("0") << 0 << "电机未使能" << StateColour::DarkGreen << true;
        QTest::newRow("1") << 1 << "电机已使能" << StateColour::DarkGreen << true;
        QTest::newRow("8") << 8 << "电机供电超压" << StateColour::DarkRed << false;
        QTest::newRow("9") << 9 << "电机供电欠压" << StateColour::DarkRed << false;
        QTest::newRow("A") << 0xA << "电机过流错误" << StateColour::DarkRed << false;
        QTest::newRow("B") << 0xB << "驱动过温错误" << StateColour::DarkRed << false;
        QTest::newRow("C") << 0xC << "电机过温错误" << StateColour::DarkRed << false;
        QTest::newRow("D") << 0xD << "通讯丢失错误" << StateColour::DarkRed << false;
        QTest::newRow("E") << 0xE << "电机过载错误" << StateColour::DarkRed << false;
        QTest::newRow("5") << 5 << "错误类型: 0x05" << StateColour::Black << false;
        QTest::newRow("F") << 0xF << "错误类型: 0x0f" << StateColour::Black << false;
        QTest::newRow("2") << 2 << "错误类型: 0x02" << StateColour::Black << false;
    }
    void stateDisplay()
    {
        QFETCH(int, code);
        const MotorStateDisplay d = motorStateDisplay(uchar(code));
        QTEST(d.text, "text");
        QTEST(d.colour, "colour");
        QTEST(d.ok, "ok");
    }

    void temperature() { QCOMPARE(temperatureText(-5), QString::fromUtf8("-5 ℃")); }

    void frameLayout_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("headerCount");
        QTest::addColumn<QString>("cells"); // column:span:text, comma separated
        QTest::newRow("MIT") << 0 << 11
                             << "0:1:ID,1:1:p_des[15:8],2:1:p_des[7:0],3:1:v_des[11:4],4:1:v_des[3:0],5:1:Kp[11:8],"
                                "6:1:Kp[7:0],7:1:Kd[11:4],8:1:Kd[3:0],9:1:t_ff[11:8],10:1:t_ff[7:0]";
        QTest::newRow("position-velocity") << 1 << 9 << "0:1:0x100+ID,1:4:p_des,5:4:v_des";
        QTest::newRow("velocity") << 2 << 5 << "0:1:0x200+ID,1:4:v_des";
        QTest::newRow("PVT") << 3 << 9 << "0:1:0x300+ID,1:4:p_des,5:2:v_des,7:2:i_des";
        QTest::newRow("other") << 9 << 9 << "";
    }
    void frameLayout()
    {
        QFETCH(int, mode);
        QFETCH(int, headerCount);
        QFETCH(QString, cells);
        const FrameLayoutTable t = controlFormatTable(mode);
        QCOMPARE(t.headers.size(), headerCount);
        QCOMPARE(t.headers.first(), QString("控制报文"));
        QStringList got;
        for (const FormatCell &c : t.cells) {
            QVERIFY(c.column + c.span <= headerCount); // a span never runs past the headers
            got << QString("%1:%2:%3").arg(c.column).arg(c.span).arg(c.text);
        }
        QCOMPARE(got.join(','), cells);
    }

    void feedbackLayout()
    {
        const FrameLayoutTable t = feedbackFormatTable();
        QCOMPARE(t.headers.size(), 11);
        QCOMPARE(t.cells.size(), 11);
        QCOMPARE(t.headers.first(), QString("反馈报文"));
        QCOMPARE(t.cells.first().text, QString("MST_ID"));
        QCOMPARE(t.cells.last().text, QString("T_Rotor"));
        QVERIFY(feedbackIdErrExplanation().startsWith("ID 表示控制器的ID"));
        QVERIFY(feedbackValueExplanation().endsWith("速度和扭矩均使用12位。"));
    }

    void sendInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "250" << 250;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("negative") << "-5" << 1;
        QTest::newRow("not a number") << "1O" << 1;
        QTest::newRow("decimal point") << "2.5" << 1;
        QTest::newRow("beyond 32 bits") << "4294967296" << 1;
        QTest::newRow("int max") << "2147483647" << 2147483647;
    }
    void sendInterval()
    {
        QFETCH(QString, text);
        QTEST(sendIntervalValue(text), "value");
    }
};

QTEST_GUILESS_MAIN(TestMotorProtocol)
#include "tst_motorprotocol.moc"
