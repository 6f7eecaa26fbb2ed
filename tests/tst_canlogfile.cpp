// Bus recordings in the can-utils log format: the line of each kind of frame and back,
// malformed lines with their numbers, the recorder's times, a 60 s session at full line
// rate recorded and read back frame for frame, a file of the tool read by python-can,
// and replay timing.
#include "can/canFrameData.h"
#include "can/canLogFile.h"
#include "can/canRecorder.h"
#include "can/canReplay.h"
#include "link/canAdapter.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

Q_DECLARE_METATYPE(CanLogRecord)

namespace {

CanLogRecord rec(quint64 t, quint32 id, quint8 flags, const QByteArray &data, char dir = 0, quint8 remoteLength = 0)
{
    CanLogRecord r;
    r.timeUs = t;
    r.iface = "can0";
    r.id = id;
    r.flags = flags;
    r.data = data;
    r.direction = dir;
    r.remoteLength = remoteLength;
    return r;
}

// Row i of a synthetic session at `fps` frames a second: every kind of frame, both ways.
CANFrameData sessionRow(quint32 i, int fps)
{
    CanBusFrame f;
    f.id = 0x100 + i % 0x500;
    f.timestampUs = quint64(i) * 1000000 / quint64(fps);
    switch (i % 7) {
    case 0: f.payload = QByteArray(8, char(i)); break;
    case 1: f.flags = CanBusFrame::Extended; f.id = 0x1ABC0000 + i % 0x10000; f.payload = QByteArray(3, char(i >> 8)); break;
    case 2: f.flags = CanBusFrame::Remote; f.payload = QByteArray(i % 9, '\0'); break;
    case 3: f.flags = CanBusFrame::FlexibleData | CanBusFrame::BitRateSwitch; f.payload = QByteArray(64, char(i)); break;
    case 4: f.flags = CanBusFrame::FlexibleData | CanBusFrame::Extended; f.payload = QByteArray(12, char(i)); break;
    case 5: f.flags = CanBusFrame::ErrorFrame | CanBusFrame::Failed; f.id = 0x80; f.payload = QByteArray(8, '\x01'); break;
    default: f.payload = QByteArray(); break;
    }
    if (i % 3 == 0 && !f.has(CanBusFrame::ErrorFrame))
        f.flags |= CanBusFrame::Echo;
    return canLogRow(f, i);
}

QList<CanLogRecord> readAll(const QString &path, CanLogReader *reader)
{
    QList<CanLogRecord> out;
    QString error;
    if (!reader->open(path, &error))
        return out;
    for (CanLogRecord r; reader->next(&r);)
        out << r;
    return out;
}

} // namespace

class TestCanLogFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void lines_data()
    {
        QTest::addColumn<CanLogRecord>("record");
        QTest::addColumn<QByteArray>("line");
        using R = CanLogRecord;
        QTest::newRow("classic, standard, sent") << rec(1436509052249713, 0x123, 0, QByteArray::fromHex("11223344"), 'T')
                                                 << QByteArray("(1436509052.249713) can0 123#11223344 T\n");
        QTest::newRow("extended, empty, no direction") << rec(5, 0x1ABCDEF, R::Extended, {})
                                                       << QByteArray("(0000000000.000005) can0 01ABCDEF#\n");
        QTest::newRow("remote with length") << rec(1000000, 0x7FF, R::Remote, {}, 'R', 3)
                                            << QByteArray("(0000000001.000000) can0 7FF#R3 R\n");
        QTest::newRow("remote without length") << rec(1000000, 0x12345678, R::Remote | R::Extended, {})
                                               << QByteArray("(0000000001.000000) can0 12345678#R\n");
        QTest::newRow("FD with bit rate switch") << rec(2, 0x001, R::FlexibleData | R::BitRateSwitch, QByteArray(12, '\xA5'), 'R')
                                                 << QByteArray("(0000000000.000002) can0 001##1A5A5A5A5A5A5A5A5A5A5A5A5 R\n");
        QTest::newRow("FD, no flags") << rec(2, 0x001, R::FlexibleData, QByteArray::fromHex("0102"))
                                      << QByteArray("(0000000000.000002) can0 001##00102\n");
        QTest::newRow("error frame") << rec(3, 0x40, R::ErrorFrame, QByteArray(8, '\0'), 'R')
                                     << QByteArray("(0000000000.000003) can0 20000040#0000000000000000 R\n");
    }

    void lines()
    {
        QFETCH(CanLogRecord, record);
        QFETCH(QByteArray, line);
        QCOMPARE(canLogLine(record), line);
        CanLogRecord back;
        QString why;
        QVERIFY2(parseCanLogLine(line, &back, &why), qPrintable(why));
        QCOMPARE(back, record);
    }

    void otherWritersLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<quint64>("timeUs");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("CRLF, lower case, dots") << QByteArray("(12.5) vcan0 1a0#de.ad.be.ef t\r\n") << quint64(12500000)
                                                << QByteArray::fromHex("deadbeef");
        QTest::newRow("nanoseconds") << QByteArray("(1.123456789) can1 123#00") << quint64(1123456) << QByteArray(1, '\0');
        QTest::newRow("length beyond 8 (len8_dlc)") << QByteArray("(1.0) can0 123#0011223344556677_D") << quint64(1000000)
                                                    << QByteArray::fromHex("0011223344556677");
    }

    void otherWritersLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(quint64, timeUs);
        QFETCH(QByteArray, data);
        CanLogRecord r;
        QString why;
        QVERIFY2(parseCanLogLine(line, &r, &why), qPrintable(why));
        QCOMPARE(r.timeUs, timeUs);
        QCOMPARE(r.data, data);
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no time stamp") << QByteArray("can0 123#00") << "缺少括号中的时间戳";
        QTest::newRow("time stamp not a number") << QByteArray("(12a.5) can0 123#00") << "时间戳格式应为 (秒.微秒)";
        QTest::newRow("no fraction") << QByteArray("(12) can0 123#00") << "时间戳格式应为 (秒.微秒)";
        QTest::newRow("no frame") << QByteArray("(1.0) can0") << "缺少接口名或帧";
        QTest::newRow("no #") << QByteArray("(1.0) can0 12300") << "帧中缺少“#”";
        QTest::newRow("ID of 4 digits") << QByteArray("(1.0) can0 1234#00") << "ID 应为 3 位（标准帧）或 8 位（扩展帧）十六进制数";
        QTest::newRow("standard ID too large") << QByteArray("(1.0) can0 800#00") << "标准帧 ID 超过 0x7FF";
        QTest::newRow("extended ID too large") << QByteArray("(1.0) can0 40000000#00") << "扩展帧 ID 超过 0x1FFFFFFF";
        QTest::newRow("data not hex") << QByteArray("(1.0) can0 123#0G") << "数据中有非十六进制字符“G”";
        QTest::newRow("odd digits") << QByteArray("(1.0) can0 123#001") << "数据的十六进制位数为奇数";
        QTest::newRow("nine bytes classic") << QByteArray("(1.0) can0 123#001122334455667788") << "CAN 帧不能超过 8 个数据字节";
        QTest::newRow("FD of 9 bytes") << QByteArray("(1.0) can0 123##0001122334455667788") << "CAN FD 帧不能有 9 个数据字节";
        QTest::newRow("FD without flags") << QByteArray("(1.0) can0 123##") << "CAN FD 帧在“##”后缺少标志位";
        QTest::newRow("remote length 9") << QByteArray("(1.0) can0 123#R9") << "远程帧的长度应为 0 到 8";
        QTest::newRow("text after the frame") << QByteArray("(1.0) can0 123#00 X") << "帧后有多余的内容";
    }

    void malformed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, reason);
        CanLogRecord r;
        QString why;
        QVERIFY(!parseCanLogLine(line, &r, &why));
        QCOMPARE(why, reason);
    }

    void readerSkipsAndNumbersBadLines()
    {
        const QString path = dir.filePath("mixed.log");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("(1.000000) can0 001#01\n"
                "oops\n"
                "\n"
                "(2.000000) can0 002#02\r\n"
                + QByteArray(10000, 'x') + "\n"
                "(3.000000) can0 003#0\n"
                "(4.000000) can0 004#04"); // no line feed at the end
        f.close();
        CanLogReader reader;
        const QList<CanLogRecord> records = readAll(path, &reader);
        QList<quint32> ids;
        for (const auto &r : records)
            ids << r.id;
        QCOMPARE(ids, (QList<quint32>{1, 2, 4}));
        QCOMPARE(reader.problemCount(), 3);
        QList<qint64> lines;
        for (const auto &p : reader.problems())
            lines << p.line;
        QCOMPARE(lines, (QList<qint64>{2, 5, 6}));
        QCOMPARE(canLogProblemsText(reader.problems(), reader.problemCount(), 2),
                 QString("第 2 行：缺少括号中的时间戳\n第 5 行：行过长\n……另有 1 行"));
    }

    void recorderTimes_data()
    {
        QTest::addColumn<QList<CANFrameData>>("rows");
        QTest::addColumn<QList<qint64>>("gapsUs"); // between consecutive lines
        auto serialRow = [](int msOfDay) {
            CanBusFrame f;
            CANFrameData r = canLogRow(f, 0);
            r.source = CANFrameData::SerialAdapter;
            r.time = msOfDay;
            r.statusCode = 0x11;
            return r;
        };
        auto adapterRow = [](qint64 us) {
            CanBusFrame f;
            f.timestampUs = quint64(us);
            return canLogRow(f, 0);
        };
        const int day = 86400000;
        QTest::newRow("serial adapter past midnight") << QList<CANFrameData>{serialRow(day - 100), serialRow(100)}
                                                      << QList<qint64>{200000};
        QTest::newRow("adapter clock") << QList<CANFrameData>{adapterRow(5000), adapterRow(5250), adapterRow(9000)}
                                       << QList<qint64>{250, 3750};
        QTest::newRow("adapter clock starting anew never goes back")
            << QList<CANFrameData>{adapterRow(90000000), adapterRow(10)} << QList<qint64>{0};
    }

    void recorderTimes()
    {
        QFETCH(QList<CANFrameData>, rows);
        QFETCH(QList<qint64>, gapsUs);
        const QString path = dir.filePath("times.log");
        CanRecorder recorder;
        QString error;
        QVERIFY2(recorder.start(path, "can0", &error), qPrintable(error));
        recorder.append(rows);
        QCOMPARE(recorder.stop(), QString());
        CanLogReader reader;
        const QList<CanLogRecord> records = readAll(path, &reader);
        QCOMPARE(records.size(), rows.size());
        QList<qint64> gaps;
        for (int i = 1; i < records.size(); ++i)
            gaps << qint64(records[i].timeUs) - qint64(records[i - 1].timeUs);
        QCOMPARE(gaps, gapsUs);
        QVERIFY(qAbs(qint64(records.first().timeUs) / 1000 - QDateTime::currentMSecsSinceEpoch()) < 60000);
    }

    void sixtySecondsAtLineRateReadBackFrameForFrame()
    {
        // A full classic bus (21 551 frames/s) for 60 s, handed over in the batches the
        // receive path makes; what is read back is what went in, frame for frame.
        constexpr int fps = 21551;
        constexpr quint32 total = 60u * fps;
        const QString path = dir.filePath("sixty.log");
        CanRecorder recorder;
        QString error;
        QVERIFY2(recorder.start(path, "can0", &error), qPrintable(error));
        for (quint32 i = 0; i < total;) {
            QList<CANFrameData> batch;
            for (int k = 0; k < 500 && i < total; ++k, ++i)
                batch.append(sessionRow(i, fps));
            recorder.append(batch);
        }
        QCOMPARE(recorder.stop(), QString());
        QCOMPARE(recorder.framesWritten(), qint64(total));
        QCOMPARE(recorder.droppedRows(), 0);

        CanLogReader reader;
        QVERIFY(reader.open(path, &error));
        CanLogRecord r;
        quint32 i = 0;
        quint64 firstUs = 0;
        for (; reader.next(&r); ++i) {
            const CANFrameData row = sessionRow(i, fps);
            if (i == 0)
                firstUs = r.timeUs;
            CanLogRecord expected;
            QVERIFY(canLogRecordOf(row, firstUs + quint64(row.time), "can0", &expected));
            if (!(r == expected))
                QFAIL(qPrintable(QString("frame %1 differs: %2 read back as %3")
                                     .arg(i)
                                     .arg(QString::fromLatin1(canLogLine(expected)), QString::fromLatin1(canLogLine(r)))));
        }
        QCOMPARE(i, total);
        QCOMPARE(reader.problemCount(), 0);
    }

    void pythonCanReadsTheToolsFile()
    {
        const QString python = "/usr/bin/python3";
        QProcess check;
        check.start(python, {"-c", "import can.io.canutils"});
        if (!check.waitForFinished(30000) || check.exitCode() != 0)
            QSKIP("python3-can is not installed (apt install python3-can): no independent reader to check against");

        const QString path = dir.filePath("for-python.log");
        CanRecorder recorder;
        QString error;
        QVERIFY(recorder.start(path, "can0", &error));
        QList<CANFrameData> rows;
        for (quint32 i = 0; i < 7; ++i)
            rows << sessionRow(i, 1000);
        recorder.append(rows);
        QCOMPARE(recorder.stop(), QString());

        QProcess py;
        py.start(python, {"-c", "import sys\n"
                                "from can.io.canutils import CanutilsLogReader\n"
                                "for m in CanutilsLogReader(sys.argv[1]):\n"
                                "    if m.is_error_frame:\n"
                                "        print('error'); continue\n"
                                "    print('%X %d %d %d %d %d %d %s' % (m.arbitration_id, m.is_extended_id, m.is_remote_frame,\n"
                                "          m.is_fd, m.bitrate_switch, m.is_rx, m.dlc, bytes(m.data or b'').hex()))\n",
                          path});
        QVERIFY(py.waitForFinished(30000));
        QCOMPARE(py.exitCode(), 0);
        const QStringList got = QString::fromLatin1(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        const QStringList expected = {
            "100 0 0 0 0 0 8 " + QString("00").repeated(8),   // sent: T
            "1ABC0001 1 0 0 0 1 3 000000",
            "102 0 1 0 0 1 2 ",
            "103 0 0 1 1 0 64 " + QString("03").repeated(64), // sent
            "104 1 0 1 0 1 12 " + QString("04").repeated(12),
            "error",
            "106 0 0 0 0 0 0 ",                              // sent
        };
        QCOMPARE(got, expected);
    }

    // A disk that fills up: a real 64 KiB file system where this process may mount one
    // (root, as in CI), and /dev/full, which refuses the very first byte.
    void recorderOnAFullDisk_data()
    {
        QTest::addColumn<bool>("smallFileSystem");
        QTest::newRow("64 KiB tmpfs filling up") << true;
        QTest::newRow("/dev/full") << false;
    }
    void recorderOnAFullDisk()
    {
        QFETCH(bool, smallFileSystem);
        QTemporaryDir mountPoint;
        QString path = "/dev/full";
        if (smallFileSystem) {
            if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0, "size=64k") != 0)
                QSKIP(qPrintable(QString("cannot mount a small tmpfs here (%1)").arg(std::strerror(errno))));
            path = mountPoint.filePath("full.log");
        } else if (!QFileInfo::exists(path)) {
            QSKIP("no /dev/full here");
        }
        auto unmount = qScopeGuard([&] {
            if (smallFileSystem)
                ::umount2(QFile::encodeName(mountPoint.path()).constData(), MNT_DETACH);
        });
        CanRecorder recorder;
        QSignalSpy failed(&recorder, &CanRecorder::failed);
        QString error;
        QVERIFY2(recorder.start(path, "can0", &error), qPrintable(error));
        for (quint32 i = 0; i < 20000; i += 500) {
            QList<CANFrameData> rows;
            for (quint32 k = i; k < i + 500; ++k)
                rows << sessionRow(k, 1000);
            recorder.append(rows);
        }
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 10000);
        QVERIFY(!recorder.isRecording());
        const QString system = QString::fromLocal8Bit(std::strerror(ENOSPC));
        QCOMPARE(failed.at(0).at(0).toString(), system);
        QCOMPARE(recorder.stop(), system);
        if (!smallFileSystem) {
            QCOMPARE(recorder.framesWritten(), 0);
            return;
        }
        // Whole lines only, and the counter says how many.
        QVERIFY(recorder.framesWritten() > 100);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().endsWith('\n'));
        f.close();
        CanLogReader reader;
        const QList<CanLogRecord> records = readAll(path, &reader);
        QCOMPARE(reader.problemCount(), 0);
        QCOMPARE(qint64(records.size()), recorder.framesWritten());
    }

    void replay_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<bool>("sentOnly");
        QTest::addColumn<QList<quint32>>("ids");
        QTest::addColumn<qint64>("atLeastMs"); // before the last frame may go
        QTest::newRow("original timing") << 1.0 << false << QList<quint32>{1, 2, 3} << qint64(300);
        QTest::newRow("ten times faster, sent frames only") << 10.0 << true << QList<quint32>{1, 3} << qint64(30);
        QTest::newRow("no gaps") << 0.0 << false << QList<quint32>{1, 2, 3} << qint64(0);
    }

    void replay()
    {
        QFETCH(double, speed);
        QFETCH(bool, sentOnly);
        QFETCH(QList<quint32>, ids);
        QFETCH(qint64, atLeastMs);
        const QString path = dir.filePath("replay.log");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("(100.000000) can0 001#01 T\n"
                "(100.100000) can0 002#R2 R\n"
                "(100.150000) can0 20000004#0000000000000000 R\n"
                "bad line\n"
                "(100.300000) can0 00000003##1" + QByteArray(24, 'A') + " T\n");
        f.close();
        QList<CanBusFrame> sent;
        QElapsedTimer clock;
        qint64 lastAt = -1;
        CanReplay replay([&](const CanBusFrame &fr) {
            sent << fr;
            lastAt = clock.elapsed();
            return true;
        });
        QSignalSpy done(&replay, &CanReplay::finished);
        QString error;
        clock.start();
        QVERIFY(replay.start(path, speed, sentOnly, &error));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        QList<quint32> got;
        for (const auto &fr : sent)
            got << fr.id;
        QCOMPARE(got, ids);
        QVERIFY2(lastAt >= atLeastMs, qPrintable(QString::number(lastAt)));
        const auto result = done.first().first().value<CanReplay::Result>();
        QCOMPARE(result.sent, qint64(ids.size()));
        QCOMPARE(result.malformed, qint64(1));
        QCOMPARE(result.problems.first().line, qint64(4));
        QCOMPARE(sent.last().flags, quint8(CanBusFrame::Extended | CanBusFrame::FlexibleData | CanBusFrame::BitRateSwitch));
        QCOMPARE(sent.last().payload, QByteArray(12, '\xAA'));
    }
};

QTEST_MAIN(TestCanLogFile)
#include "tst_canlogfile.moc"
