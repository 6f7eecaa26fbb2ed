// Register frames, the reply step, the paced CAN sequences with their time-out, the
// console blocks, the parameter tab formats and the parameter file.
#include "motor/motorProtocol.h"
#include "motor/paramRegisters.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// The reply a motor with CAN ID `canid` sends to a request frame.
QByteArray replyTo(const QByteArray &request, uint32_t value)
{
    QByteArray r = request;
    for (int i = 0; i < 4; ++i)
        r[4 + i] = char((value >> (8 * i)) & 0xFF);
    return r;
}

RegisterReply feed(const QByteArray &frame, ESC_INF &rec, RegisterReplyState &state, std::atomic_bool &version,
                   SharedMappingRanges *ranges = nullptr)
{
    return parseRIDFrame(reinterpret_cast<const uint8_t *>(frame.constData()), rec, state, version, ranges);
}

// A record whose values survive the six-digit widget formats.
ESC_INF sampleRecord()
{
    ESC_INF r;
    r.UV_Value = 10, r.KT_Value = 0.5f, r.OT_Value = 80, r.OC_Value = 90, r.ACC = 1.5f, r.DEC = 2.5f;
    r.MAX_SPD = 45, r.MST_ID = 0x11, r.ESC_ID = 0x7F, r.TIMEOUT = 200, r.cmode = 3, r.Damp = 0.0025f;
    r.Inertia = 0.0123f, r.hw_ver = 5, r.sw_ver = 0x31323334, r.SN = 4000000000u, r.POLE = 14, r.Rs = 0.123f;
    r.Ls = 0.00025f, r.Flux = 0.0065f, r.Gr = 6, r.PMAX = 3.14f, r.VMAX = 45, r.TMAX = 18, r.I_BW = 1000;
    r.KP_ASR = 0.01f, r.KI_ASR = 0.002f, r.KP_APR = 30, r.KI_APR = 0, r.OV_Value = 60, r.GREF = 1, r.GREF2 = 0.3f;
    r.V_BW = 100, r.IQ_cl = 1e-05f, r.VL_cl = 1e+06f, r.can_br = 4, r.sub_ver = 0x34333231;
    return r;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TestParamRegisters : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("expected");
        const ESC_INF rec = sampleRecord();
        QTest::newRow("read") << registerReadFrame(0x123, 5) << hex("2301330500000000");
        QTest::newRow("write PMAX 3.14") << registerWriteFrame(0x01, 21, rec) << hex("01005515C3F54840");
        QTest::newRow("write MST_ID") << registerWriteFrame(0x01, 7, rec) << hex("0100550711000000");
        QTest::newRow("write ESC_ID carries zero") << registerWriteFrame(0x01, 8, rec) << hex("0100550800000000");
        QTest::newRow("write POLE carries zero") << registerWriteFrame(0x01, 16, rec) << hex("0100551000000000");
        QTest::newRow("write sub_ver carries zero") << registerWriteFrame(0x01, 36, rec) << hex("0100552400000000");
        QTest::newRow("write can_br") << registerWriteFrame(0x01, 35, rec) << hex("0100552304000000");
        QTest::newRow("save") << registerSaveFrame(0x01) << hex("0100AA0000000000");
        QTest::newRow("11-bit canid") << registerSaveFrame(0x7FF, 3) << hex("FF07AA0300000000");
    }
    void frames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame.toHex(' '), expected.toHex(' '));
    }

    // 25 frames (RIDs 0..7, 9, 10, 21..35), one per tick, empty ticks for 8 and 11..20,
    // then the save frame 10 ms after the last tick.
    void writeSequence_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::addColumn<int>("interval");
        QTest::newRow("serial adapter") << false << 2;
        QTest::newRow("USB adapter") << true << 1;
    }
    void writeSequence()
    {
        QFETCH(bool, usb);
        RegisterSequence seq;
        const ESC_INF rec = sampleRecord();
        QTEST(seq.start(RegisterSequence::Kind::Write, 0x01, rec, usb), "interval");
        QList<int> sent, empty;
        RegisterStep s;
        int ticks = 0;
        for (; ticks < 100; ++ticks) {
            s = seq.tick(RegisterSequence::Kind::Write);
            if (s.sendSave || s.stopTimer)
                break;
            if (s.frame.isEmpty()) {
                empty << s.rid;
            } else {
                QCOMPARE(s.frame, registerWriteFrame(0x01, s.rid, rec));
                sent << s.rid;
            }
        }
        QCOMPARE(sent, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                                   32, 33, 34, 35}));
        QCOMPARE(empty, (QList<int>{8, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
        QCOMPARE(ticks, 36);
        QVERIFY(s.sendSave);
        QVERIFY(s.frame.isEmpty());
        QCOMPARE(s.saveDelayMs, 10);
        QCOMPARE(s.saveFrame, hex("0100AA0000000000"));
        QVERIFY(s.stopTimer); // no reply state given: nothing to wait for
        QVERIFY(!seq.running());
    }

    void readSequence()
    {
        RegisterSequence seq;
        QCOMPARE(seq.start(RegisterSequence::Kind::Read, 0x0102, ESC_INF(), false), 2);
        for (int rid = 0; rid < 37; ++rid) {
            const RegisterStep s = seq.tick(RegisterSequence::Kind::Read);
            QCOMPARE(s.frame, registerReadFrame(0x0102, rid));
            QVERIFY(!s.stopTimer);
        }
        const RegisterStep last = seq.tick(RegisterSequence::Kind::Read);
        QVERIFY(last.frame.isEmpty());
        QVERIFY(last.stopTimer);
        QVERIFY(!last.timedOut);
    }

    // A tick from another operation's timer (still running from before) must not
    // advance the current one.
    void foreignTimerStops()
    {
        RegisterSequence seq;
        seq.start(RegisterSequence::Kind::Read, 1, ESC_INF(), true);
        const RegisterStep s = seq.tick(RegisterSequence::Kind::Write);
        QVERIFY(s.stopTimer);
        QVERIFY(s.frame.isEmpty());
        QCOMPARE(seq.ridCounter(), 0);
        QCOMPARE(seq.tick(RegisterSequence::Kind::Read).frame, registerReadFrame(1, 0));
    }

    void storeSequence()
    {
        RegisterSequence seq;
        seq.start(RegisterSequence::Kind::Store, 1, ESC_INF(), false);
        QList<int> saved;
        RegisterStep s;
        for (int i = 0; i < 100 && !(s = seq.tick(RegisterSequence::Kind::Store)).stopTimer; ++i)
            if (!s.frame.isEmpty()) {
                QCOMPARE(s.frame, registerSaveFrame(1, s.rid));
                saved << s.rid;
            }
        QCOMPARE(saved.size(), 25);
        QVERIFY(!saved.contains(8) && !saved.contains(15) && !saved.contains(36));
        QVERIFY(!s.sendSave);
    }

    // The read and write wait for their replies; what the user learns depends on how
    // many arrived before the time-out.
    void replyTimeout_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("replies");
        QTest::addColumn<bool>("completes");
        QTest::addColumn<bool>("timesOut");
        QTest::addColumn<int>("keptRid"); // the motor answers this write with another value
        const int read = int(RegisterSequence::Kind::Read), write = int(RegisterSequence::Kind::Write);
        QTest::newRow("read, all 37") << read << 37 << true << false << -1;
        QTest::newRow("read, one lost") << read << 36 << false << true << -1;
        QTest::newRow("read, no motor") << read << 0 << false << true << -1;
        QTest::newRow("write, all 25") << write << 25 << true << false << -1;
        QTest::newRow("write, 24 of 25 is no success") << write << 24 << false << true << -1;
        QTest::newRow("write, UV_Value kept by the motor") << write << 25 << true << false << 0;
        QTest::newRow("write, no motor") << write << 0 << false << true << -1;
    }
    void replyTimeout()
    {
        QFETCH(int, kind);
        QFETCH(int, replies);
        QFETCH(bool, completes);
        QFETCH(bool, timesOut);
        QFETCH(int, keptRid);
        const auto k = RegisterSequence::Kind(kind);
        RegisterSequence seq;
        RegisterReplyState state;
        std::atomic_bool version{false};
        ESC_INF motor = sampleRecord(), rec;
        seq.start(k, 0x01, motor, false, &state);
        QCOMPARE(int(state.awaiting()),
                 int(k == RegisterSequence::Kind::Read ? RegisterReplyState::Operation::Read
                                                       : RegisterReplyState::Operation::Write));

        int answered = 0, completions = 0;
        RegisterStep s;
        for (int i = 0; i < 100; ++i) {
            s = seq.tick(k);
            if (!s.frame.isEmpty() && answered < replies) {
                ++answered;
                const uint32_t answer = motor.rawValue(s.rid) + (s.rid == keptRid ? 1 : 0);
                const RegisterReply r = feed(replyTo(s.frame, answer), rec, state, version);
                if (r.completion != RegisterReply::NotYet) {
                    ++completions;
                    QCOMPARE(r.writeRefused, keptRid < 0 ? QList<int>{} : QList<int>{keptRid});
                    QCOMPARE(int(r.completion), int(k == RegisterSequence::Kind::Read ? RegisterReply::ReadComplete
                                                                                     : RegisterReply::WriteComplete));
                    if (r.completion == RegisterReply::ReadComplete)
                        QVERIFY(r.record == motor);
                }
            }
            if (s.stopTimer || s.newIntervalMs)
                break;
        }
        QCOMPARE(completions, completes ? 1 : 0);
        if (completes) {
            QVERIFY(s.stopTimer);
            QCOMPARE(s.newIntervalMs, 0);
            QVERIFY(!s.timedOut);
            return;
        }
        // Still awaited after the last frame: one more tick, ReplyTimeoutMs later.
        QCOMPARE(s.newIntervalMs, RegisterSequence::ReplyTimeoutMs);
        QVERIFY(!s.stopTimer);
        s = seq.tick(k);
        QVERIFY(s.stopTimer);
        QCOMPARE(s.timedOut, timesOut);
        QVERIFY(!seq.running());
        QCOMPARE(state.count(), 0);

        // A late reply after the time-out does not complete the abandoned read.
        if (k == RegisterSequence::Kind::Read && replies == 36) {
            const RegisterReply late = feed(replyTo(registerReadFrame(1, 36), 0), rec, state, version);
            QCOMPARE(int(late.completion), int(RegisterReply::NotYet));
        }
    }

    // A reply that completes during the wait ends it without a message.
    void replyDuringWait()
    {
        RegisterSequence seq;
        RegisterReplyState state;
        std::atomic_bool version{false};
        ESC_INF rec;
        seq.start(RegisterSequence::Kind::Read, 1, rec, true, &state);
        RegisterStep s;
        while (!(s = seq.tick(RegisterSequence::Kind::Read)).newIntervalMs)
            QVERIFY(!s.stopTimer);
        for (int rid = 0; rid < 37; ++rid)
            feed(replyTo(registerReadFrame(1, rid), 0), rec, state, version);
        s = seq.tick(RegisterSequence::Kind::Read);
        QVERIFY(s.stopTimer);
        QVERIFY(!s.timedOut);
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("masterIdChanged");
        QTest::addColumn<bool>("rangeChanged");
        QTest::newRow("MST_ID") << hex("0100330722000000") << true << true << false;
        QTest::newRow("PMAX") << hex("01003315C3F54840") << true << false << true;
        QTest::newRow("TMAX") << hex("0100331700009041") << true << false << true;
        QTest::newRow("sub_ver") << hex("0100332431323334") << true << false << false;
        QTest::newRow("RID 37 is not in the record") << hex("0100332578563412") << false << false << false;
        QTest::newRow("RID 200 is only counted") << hex("010033C878563412") << false << false << false;
    }
    void replies()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, stored);
        QFETCH(bool, masterIdChanged);
        QFETCH(bool, rangeChanged);
        ESC_INF rec = sampleRecord();
        const ESC_INF before = rec;
        RegisterReplyState state;
        std::atomic_bool version{false};
        SharedMappingRanges ranges;
        const RegisterReply r = feed(frame, rec, state, version, &ranges);
        const int rid = uchar(frame[3]);
        const uint32_t value = uchar(frame[4]) | uchar(frame[5]) << 8 | uchar(frame[6]) << 16 | uint32_t(uchar(frame[7])) << 24;
        QCOMPARE(r.rid, rid);
        QCOMPARE(r.raw, value);
        QCOMPARE(r.stored, stored);
        QCOMPARE(r.masterIdChanged, masterIdChanged);
        QCOMPARE(r.rangeChanged, rangeChanged);
        QCOMPARE(state.count(), 1);
        for (int i = 0; i < 37; ++i)
            QCOMPARE(rec.rawValue(i), i == rid ? value : before.rawValue(i));
        if (masterIdChanged)
            QCOMPARE(r.masterId, 0x22u);
        const MappingRanges m = ranges.get();
        if (rid == 21)
            QCOMPARE(m.position, (MappingRange{-3.14f, 3.14f}));
        else if (rid == 23)
            QCOMPARE(m.torque, (MappingRange{-18.0f, 18.0f}));
        else
            QCOMPARE(m.position, MappingRanges().position);
        if (rid == 37) {
            QCOMPARE(state.loaderVersion(), value);
        }
    }

    // Version mode: the second reply ends it and reports both numbers.
    void versionReplies()
    {
        RegisterReplyState state;
        std::atomic_bool version{true};
        ESC_INF rec;
        state.begin(RegisterReplyState::Operation::Read);
        feed(replyTo(registerReadFrame(1, 3), 0), rec, state, version); // a stray reply from before
        state.beginVersionRead();
        const RegisterReply first = feed(replyTo(registerReadFrame(1, 14), 0x312E3256), rec, state, version);
        QCOMPARE(int(first.completion), int(RegisterReply::NotYet));
        QVERIFY(version);
        const RegisterReply second = feed(replyTo(registerReadFrame(1, 37), 0x04030201), rec, state, version);
        QCOMPARE(int(second.completion), int(RegisterReply::VersionsComplete));
        QCOMPARE(second.appVersion, 0x312E3256u);
        QCOMPARE(second.loaderVersion, 0x04030201u);
        QVERIFY(!version);
        QCOMPARE(state.count(), 0);
        QCOMPARE(rec.sw_ver, 0x312E3256u);
    }

    void consoleBlocks_data()
    {
        QTest::addColumn<bool>("longLayout");
        QTest::addColumn<int>("size");
        QTest::newRow("short layout: 3 + 128") << false << 131;
        QTest::newRow("long layout: 3 + 148") << true << 151;
    }
    void consoleBlocks()
    {
        QFETCH(bool, longLayout);
        QFETCH(int, size);
        const ESC_INF rec = sampleRecord();
        const QByteArray block = consoleWriteRequest(rec, longLayout);
        QCOMPARE(block.size(), size);
        QCOMPARE(block.left(3), hex("556755"));
        QCOMPARE(block.mid(3), structToBytes(rec, longLayout));
        QCOMPARE(consoleReadRequest(), hex("5567AA"));
        QCOMPARE(QByteArray(ConsoleEnterText), QByteArray("s"));
    }

    void widgetTexts_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("text");
        QTest::newRow("float") << "UV_ValueEdit" << "10";
        QTest::newRow("six digits") << "KI_ASREdit" << "0.002";
        QTest::newRow("master ID") << "MST_IDEdit" << "0x11";
        QTest::newRow("CAN ID") << "ESC_IDEdit" << "0x7f";
        QTest::newRow("timeout") << "TIMEOUTEdit" << "200";
        QTest::newRow("pole pairs") << "POLEEdit" << "14";
        QTest::newRow("mode combo") << "comboBox_ctrMode" << "2";
        QTest::newRow("resistance") << "RsLabel" << "123 mR";
        QTest::newRow("inductance") << "LsLabel" << "250 uH";
        QTest::newRow("flux") << "FluxLabel" << "0.0065 Wb";
        QTest::newRow("damping") << "DampLabel" << "0.0025";
        QTest::newRow("inertia") << "InertiaLabel" << "0.0123 kg*m2";
        QTest::newRow("bit rate combo") << "comboBox_canBaud" << "4";
        QTest::newRow("sub-version") << "sub_verEdit" << "1234";
        QTest::newRow("exponent") << "VL_clEdit" << "1e+06";
    }
    void widgetTexts()
    {
        QFETCH(QString, widget);
        const QHash<QString, QString> texts = recordToWidgetTexts(sampleRecord(), true);
        QTEST(texts.value(widget), "text");
    }

    void widgetLayouts()
    {
        ESC_INF rec = sampleRecord();
        const QHash<QString, QString> shortTexts = recordToWidgetTexts(rec, false);
        for (const char *name : {"V_BWEdit", "IQ_clEdit", "VL_clEdit", "comboBox_canBaud", "sub_verEdit"})
            QVERIFY2(!shortTexts.contains(name), name);
        QCOMPARE(shortTexts.size(), 29);
        QCOMPARE(recordToWidgetTexts(rec, true).size(), 34);
        rec.cmode = 0; // no mode: the combo box keeps its selection
        QVERIFY(!recordToWidgetTexts(rec, true).contains("comboBox_ctrMode"));
        QCOMPARE(hexIdText(5), QString("0x05"));
        QCOMPARE(hexIdText(0x123), QString("0x123"));
    }

    // Widgets to record gives back what record to widgets showed; the version fields
    // are not the widgets' to change.
    void widgetRoundTrip()
    {
        const ESC_INF rec = sampleRecord();
        ESC_INF back;
        back.hw_ver = 1, back.sw_ver = 2, back.SN = 3, back.sub_ver = 4;
        widgetTextsToRecord(recordToWidgetTexts(rec, true), back);
        for (int rid = 0; rid < 37; ++rid) {
            if (rid == 13 || rid == 14 || rid == 15 || rid == 36)
                continue;
            if (ESC_INF::isFloatRegister(rid))
                QVERIFY2(qFuzzyCompare(getPropertyValueByName(back, ESC_INF::propertyName(rid)).toFloat(),
                                       getPropertyValueByName(rec, ESC_INF::propertyName(rid)).toFloat())
                             || (rid == 28 && back.KI_APR == 0),
                         qPrintable(ESC_INF::propertyName(rid)));
            else
                QCOMPARE(back.rawValue(rid), rec.rawValue(rid));
        }
        QCOMPARE(back.hw_ver, 1u);
        QCOMPARE(back.sw_ver, 2u);
        QCOMPARE(back.SN, 3u);
        QCOMPARE(back.sub_ver, 4u);
    }

    void widgetParsing_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("property");
        QTest::addColumn<double>("value");
        QTest::newRow("hex without prefix") << "MST_IDEdit" << "1f" << "MST_ID" << 31.0;
        QTest::newRow("hex with prefix") << "ESC_IDEdit" << "0x1F" << "ESC_ID" << 31.0;
        QTest::newRow("not a number") << "PMAXEdit" << "abc" << "PMAX" << 0.0;
        QTest::newRow("empty label") << "RsLabel" << "" << "Rs" << 0.0;
        QTest::newRow("no mode selected") << "comboBox_ctrMode" << "-1" << "cmode" << 0.0;
    }
    void widgetParsing()
    {
        QFETCH(QString, widget);
        QFETCH(QString, text);
        QFETCH(QString, property);
        QFETCH(double, value);
        ESC_INF rec = sampleRecord();
        widgetTextsToRecord({{widget, text}}, rec);
        QCOMPARE(getPropertyValueByName(rec, property).toDouble(), value);
    }

    void canBaud_data()
    {
        QTest::addColumn<qlonglong>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("first") << 0LL << "125K";
        QTest::newRow("1M") << 4LL << "1M";
        QTest::newRow("last") << 9LL << "5M";
        QTest::newRow("past the end") << 10LL << "";
        QTest::newRow("negative (signed reply byte)") << -1LL << "";
    }
    void canBaud()
    {
        QFETCH(qlonglong, code);
        QTEST(canBaudText(code), "text");
    }

    // 37 lines in register order, GREF2 as "Deta", floats in their shortest form.
    void exportFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("params.txt");
        const ESC_INF rec = sampleRecord();
        const ParamFileResult r = exportParameters(path, rec);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QStringList lines = QString::fromUtf8(fileBytes(path)).split('\n');
        QCOMPARE(lines.size(), 38); // and the final newline
        QVERIFY(lines.last().isEmpty());
        QCOMPARE(lines[0], QString("UV_Value: 10"));
        QCOMPARE(lines[15], QString("SN: 4000000000"));
        QCOMPARE(lines[21], QString("PMAX: 3.14"));
        QCOMPARE(lines[31], QString("Deta: 0.3"));
        QCOMPARE(lines[33], QString("IQ_cl: 1e-05"));
        QCOMPARE(lines[36], QString("sub_ver: 875770417"));
        for (int i = 0; i < 37; ++i)
            if (i != 31)
                QVERIFY(lines[i].startsWith(ESC_INF::propertyName(i) + ": "));
    }

    // Importing an exported file restores every register, including unsigned values
    // above 2^31 and floats printed with an exponent.
    void exportImportRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("params.txt");
        ESC_INF rec = sampleRecord();
        rec.Ls = 2.5e-7f;
        rec.hw_ver = 0xFFFFFFFF;
        QVERIFY(exportParameters(path, rec).ok);
        ESC_INF back;
        const ParamFileResult r = importParameters(path, back);
        QVERIFY(r.ok);
        QCOMPARE(r.applied, 37);
        QCOMPARE(r.skipped, 0);
        QVERIFY(back == rec);
    }

    void exportReplacesOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("params.txt");
        writeFile(path, QByteArray(5000, 'x'));
        QVERIFY(exportParameters(path, ESC_INF()).ok);
        QVERIFY(!fileBytes(path).contains("xx"));
        QCOMPARE(fileBytes(path).count('\n'), 37);
    }

    void exportFailures_data()
    {
        QTest::addColumn<QString>("where"); // relative to a temporary folder
        QTest::newRow("missing folder") << "no/such/folder/params.txt";
        QTest::newRow("a folder") << ".";
        QTest::newRow("read-only folder") << "ro/params.txt";
        QTest::newRow("file system without files") << "/proc/zk_params.txt"; // even for root
    }
    void exportFailures()
    {
        QFETCH(QString, where);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("ro");
        QFile::setPermissions(dir.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (where.startsWith("ro/") && QFileInfo(dir.filePath("ro")).isWritable())
            QSKIP("running with rights that ignore folder permissions");
        const QString path = QDir::isAbsolutePath(where) ? where : dir.filePath(where);
        const ParamFileResult r = exportParameters(path, sampleRecord());
        QFile::setPermissions(dir.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QString("无法打开文件"));
    }

    void importLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("property");
        QTest::addColumn<double>("value"); // afterwards; the record starts from sampleRecord()
        QTest::addColumn<int>("applied");
        QTest::newRow("POLE 14") << QByteArray("POLE: 14\n") << "POLE" << 14.0 << 1;
        QTest::newRow("Gr 6") << QByteArray("Gr: 6\n") << "Gr" << 6.0 << 1;
        QTest::newRow("POLE changed") << QByteArray("POLE: 21\n") << "POLE" << 21.0 << 1;
        QTest::newRow("Deta is GREF2") << QByteArray("Deta: 0.75\n") << "GREF2" << 0.75 << 1;
        QTest::newRow("GREF2 by its name") << QByteArray("GREF2: 0.25") << "GREF2" << 0.25 << 1;
        QTest::newRow("exponent without point") << QByteArray("Rs: 2e-3\n") << "Rs" << double(2e-3f) << 1;
        QTest::newRow("CRLF") << QByteArray("POLE: 8\r\n") << "POLE" << 8.0 << 1;
        QTest::newRow("unknown key") << QByteArray("Foo: 3\nPOLE: 9\n") << "POLE" << 9.0 << 1;
        QTest::newRow("no separator") << QByteArray("POLE 21\n") << "POLE" << 14.0 << 0;
        QTest::newRow("two separators") << QByteArray("POLE: 21: 3\n") << "POLE" << 14.0 << 0;
        QTest::newRow("no blank after colon") << QByteArray("POLE:21\n") << "POLE" << 14.0 << 0;
        QTest::newRow("empty value") << QByteArray("POLE: \n") << "POLE" << 14.0 << 0;
        QTest::newRow("text value") << QByteArray("POLE: many\n") << "POLE" << 14.0 << 0;
        QTest::newRow("broken float") << QByteArray("Gr: 1.2.3\n") << "Gr" << 6.0 << 0;
        QTest::newRow("negative into unsigned wraps") << QByteArray("POLE: -1\n") << "POLE" << 4294967295.0 << 1;
        QTest::newRow("too large for unsigned") << QByteArray("SN: 99999999999\n") << "SN" << 4000000000.0 << 0;
        QTest::newRow("empty file") << QByteArray() << "POLE" << 14.0 << 0;
        QTest::newRow("last value wins") << QByteArray("POLE: 1\nPOLE: 2\n") << "POLE" << 2.0 << 2;
    }
    void importLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, property);
        QFETCH(double, value);
        QFETCH(int, applied);
        QTemporaryDir dir;
        const QString path = dir.filePath("in.txt");
        writeFile(path, text);
        ESC_INF rec = sampleRecord();
        const ParamFileResult r = importParameters(path, rec);
        QCOMPARE(r.ok, applied > 0); // a file that applies nothing is refused as a whole
        QCOMPARE(r.applied, applied);
        QCOMPARE(getPropertyValueByName(rec, property).toDouble(), value);
        QCOMPARE(fileBytes(path), text);
    }

    // Whatever the file holds, the import ends, keeps the file as it was and only
    // stores well-formed lines.
    void importGarbage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray random(64 * 1024, '\0');
        QRandomGenerator gen(1234);
        for (char &c : random)
            c = char(gen.bounded(256));
        QTest::newRow("random bytes") << random;
        QTest::newRow("one long line") << QByteArray(300 * 1024, 'A');
        QTest::newRow("long line then a good one") << QByteArray(10000, 'B') + "\nPOLE: 21\n";
        QTest::newRow("NUL bytes") << QByteArray("PO\0LE: 3\n\0\0\0: \0\nPOLE\0x: 3\n", 26);
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe: \xc3\x28\n");
        QTest::newRow("only separators") << QByteArray(": : : :\n: \n");
    }
    void importGarbage()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("garbage.txt");
        writeFile(path, bytes);
        const QDateTime modified = QFileInfo(path).lastModified();
        ESC_INF rec = sampleRecord();
        const ParamFileResult r = importParameters(path, rec);
        QCOMPARE(r.ok, bytes.endsWith("POLE: 21\n"));
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        ESC_INF expected = sampleRecord();
        if (bytes.endsWith("POLE: 21\n"))
            expected.POLE = 21;
        QVERIFY(rec == expected);
    }

    void importMissingFile()
    {
        QTemporaryDir dir;
        ESC_INF rec = sampleRecord();
        const ParamFileResult r = importParameters(dir.filePath("absent.txt"), rec);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QString("无法打开文件"));
        QVERIFY(rec == sampleRecord());
    }
};

QTEST_GUILESS_MAIN(TestParamRegisters)
#include "tst_paramregisters.moc"
