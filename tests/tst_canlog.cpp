// Rules of the CAN tab without a window: log rows and their texts, the capped log and
// its filter, copy and CSV text, bus load, the feedback analysis text, and the transmit
// panel's data conversion and counting.
#include "can/canFrameModel.h"
#include "can/canLogExport.h"
#include "can/canTransmit.h"
#include "can/ui/canTxDialogs.h"
#include "link/canAdapter.h"
#include "link/serial/protocolFormat.h"
#include "motor/motorProtocol.h"

#include "byteHelpers.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QtTest>

using Ranges = QList<QPair<quint32, quint32>>;
Q_DECLARE_METATYPE(Ranges)

namespace {

CanBusFrame adapterFrame(quint32 id, const QByteArray &data, quint8 flags, quint64 us = 0)
{
    CanBusFrame f;
    f.id = id;
    f.payload = data;
    f.flags = flags;
    f.timestampUs = us;
    return f;
}

CANFrameData serialRow(quint8 code, quint32 id, quint8 info, const QByteArray &data, int ms = 0)
{
    CAN_Frame f;
    f.code = code;
    f.id = id;
    f.info = info;
    std::copy_n(data.constData(), qMin<qsizetype>(data.size(), 8), f.data);
    return canLogRow(f, 7, ms);
}

// A mixed log: row k is received (even k) or sent (odd k), ID 0x100 + k % 4.
QList<CANFrameData> mixedRows(int count, quint32 firstIndex = 1)
{
    QList<CANFrameData> out;
    for (int k = 0; k < count; ++k) {
        const quint8 flags = k % 2 ? CanBusFrame::Echo : 0;
        out << canLogRow(adapterFrame(0x100 + quint32(k % 4), bytes({k & 0xFF}), flags), firstIndex + quint32(k));
    }
    return out;
}

} // namespace

class TestCanLog : public QObject
{
    Q_OBJECT

private slots:
    void rowTexts_data()
    {
        QTest::addColumn<CANFrameData>("row");
        QTest::addColumn<QStringList>("cells"); // columns 1 to 8
        QTest::newRow("adapter, received classic")
            << canLogRow(adapterFrame(0x123, bytes({1, 2, 3, 4, 5, 6, 7, 8}), 0, 1500000), 1)
            << QStringList{"1.500000", "标准帧", "数据帧", "CAN", "0x123", "接收成功", "8", "01 02 03 04 05 06 07 08"};
        QTest::newRow("adapter, sent FD, extended, failed")
            << canLogRow(adapterFrame(0x1ABCDEF0, QByteArray(32, char(0xA5)),
                                      CanBusFrame::Echo | CanBusFrame::FlexibleData | CanBusFrame::Extended
                                          | CanBusFrame::Failed),
                         1)
            << QStringList{"0.000000", "扩展帧", "数据帧", "FDCAN", "0x1ABCDEF0", "发送失败", "32",
                           QStringList(32, "A5").join(' ')};
        QTest::newRow("adapter, received remote, failed")
            << canLogRow(adapterFrame(0x7FF, {}, CanBusFrame::Remote | CanBusFrame::Failed, 2000001), 1)
            << QStringList{"2.000001", "标准帧", "远程帧", "CAN", "0x7FF", "接收失败", "0", ""};
        QTest::newRow("serial, received extended, lower-case ID")
            << serialRow(0x11, 0x1abcd, 0x40 | 2, bytes({0xde, 0xad}), (13 * 3600 + 4 * 60 + 5) * 1000 + 6)
            << QStringList{"13:04:05.006", "扩展帧", "数据帧", "CAN", "0x1abcd", "接收成功", "2", "DE AD"};
        QTest::newRow("serial, length code beyond the 8 bytes carried")
            << serialRow(0x12, 0x21, 0x80 | 12, bytes({1, 2, 3, 4, 5, 6, 7, 8}))
            << QStringList{"00:00:00.000", "标准帧", "远程帧", "CAN", "0x21", "发送成功", "12",
                           "01 02 03 04 05 06 07 08"};
        QTest::newRow("serial heartbeat") << serialRow(0x00, 0, 0, {})
                                          << QStringList{"00:00:00.000", "标准帧", "数据帧", "CAN", "0x0", "心跳数据", "0", ""};
    }

    void rowTexts()
    {
        QFETCH(CANFrameData, row);
        QFETCH(QStringList, cells);
        for (int c = 1; c <= 8; ++c)
            QCOMPARE(row.text(c), cells[c - 1]);
    }

    void logKeepsTheNewestRows_data()
    {
        QTest::addColumn<QList<int>>("batches");
        QTest::addColumn<bool>("sentOnly"); // filter on the sent rows (every other row)
        QTest::addColumn<int>("rows");
        QTest::addColumn<quint32>("firstIndex");
        QTest::addColumn<int>("lastRemoved"); // what the last append reports as gone
        QTest::newRow("100 001 in one batch") << QList<int>{100001} << false << 100000 << 2u << 0;
        QTest::newRow("one over, a row at a time") << QList<int>{100000, 1} << false << 100000 << 2u << 1;
        QTest::newRow("batches wrap the ring") << QList<int>{60000, 50000, 30000} << false << 100000 << 40001u << 30000;
        QTest::newRow("filtered: the kept rows that pass")
            << QList<int>{60000, 50000} << true << 50000 << 10002u << 5000;
        QTest::newRow("filtered, batch larger than the log")
            << QList<int>{10, 150001} << true << 50000 << 50012u << 0;
    }

    void logKeepsTheNewestRows()
    {
        QFETCH(QList<int>, batches);
        QFETCH(bool, sentOnly);
        QFETCH(int, rows);
        QFETCH(quint32, firstIndex);
        QFETCH(int, lastRemoved);
        CANFrameModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CANLogFilter filter;
        filter.direction = sentOnly ? CANLogFilter::Transmitted : CANLogFilter::AnyDirection;
        model.setFilter(filter);
        quint32 next = 1;
        int removed = -1;
        for (int n : batches) {
            removed = model.appendRows(mixedRows(n, next));
            next += quint32(n);
        }
        QCOMPARE(model.storedRowCount(), qMin(int(next - 1), CANFrameModel::kMaxRows));
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.index(0, 0).data().toUInt(), firstIndex);
        QCOMPARE(model.index(rows - 1, 0).data().toUInt(), sentOnly && (next - 1) % 2 ? next - 2 : next - 1);
        QCOMPARE(removed, lastRemoved);
        QCOMPARE(model.appendedRows(), quint64(next - 1));
    }

    void filterHidesRowsOnly()
    {
        CANFrameModel model;
        model.appendRows(mixedRows(8));
        model.appendRows({serialRow(0x00, 0, 0, {})});
        CANLogFilter f;
        QVERIFY(CANLogFilter::parseIds("101-102", f.idRanges));
        f.direction = CANLogFilter::Transmitted;
        model.setFilter(f);
        QCOMPARE(model.rowCount(), 2); // rows 2 and 6 (ID 0x101, sent); 0x102 rows are received
        QCOMPARE(model.index(1, 0).data().toUInt(), 6u);
        QCOMPARE(model.storedRowCount(), 9);
        QCOMPARE(logText(model).count('\n'), 8);

        QBuffer all, shown;
        all.open(QIODevice::WriteOnly);
        shown.open(QIODevice::WriteOnly);
        QVERIFY(writeCanLogCsv(all, model, {0}, false));
        QVERIFY(writeCanLogCsv(shown, model, {0}, true));
        QCOMPARE(all.data().count('\n'), 10);
        QCOMPARE(shown.data(), QByteArray("\"序号\"\n\"2\"\n\"6\"\n"));

        model.setFilter(CANLogFilter());
        QCOMPARE(model.rowCount(), 9);
    }

    void filterMatches_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("hideHeartbeats");
        QTest::addColumn<QString>("ids");
        QTest::addColumn<CANFrameData>("row");
        QTest::addColumn<bool>("shown");
        const CANFrameData rx = serialRow(0x11, 0x123, 8, {});
        const CANFrameData txFailed = canLogRow(adapterFrame(0x200, {}, CanBusFrame::Echo | CanBusFrame::Failed), 1);
        const CANFrameData heartbeat = serialRow(0x00, 0, 0, {});
        const CANFrameData bitRateOk = serialRow(0x13, 0, 0, {});
        QTest::newRow("no filter, heartbeat") << 0 << 0 << false << "" << heartbeat << true;
        QTest::newRow("heartbeats hidden") << 0 << 0 << true << "" << heartbeat << false;
        QTest::newRow("heartbeats hidden, frame") << 0 << 0 << true << "" << rx << true;
        QTest::newRow("received only, sent frame") << 1 << 0 << false << "" << txFailed << false;
        QTest::newRow("sent only, sent frame") << 2 << 0 << false << "" << txFailed << true;
        QTest::newRow("sent only, bit-rate answer") << 2 << 0 << false << "" << bitRateOk << false;
        QTest::newRow("failed only, failed") << 0 << 2 << false << "" << txFailed << true;
        QTest::newRow("failed only, succeeded") << 0 << 2 << false << "" << rx << false;
        QTest::newRow("succeeded, bit-rate answer") << 0 << 1 << false << "" << bitRateOk << true;
        QTest::newRow("succeeded, heartbeat") << 0 << 1 << false << "" << heartbeat << false;
        QTest::newRow("ID in range") << 0 << 0 << false << "100-1FF" << rx << true;
        QTest::newRow("ID outside the list") << 0 << 0 << false << "100, 1FF" << rx << false;
    }

    void filterMatches()
    {
        QFETCH(int, direction);
        QFETCH(int, outcome);
        QFETCH(bool, hideHeartbeats);
        QFETCH(QString, ids);
        QFETCH(CANFrameData, row);
        QFETCH(bool, shown);
        CANLogFilter f;
        f.direction = CANLogFilter::Direction(direction);
        f.outcome = CANLogFilter::Outcome(outcome);
        f.hideHeartbeats = hideHeartbeats;
        QVERIFY(CANLogFilter::parseIds(ids, f.idRanges));
        QCOMPARE(f.matches(row), shown);
    }

    void parseIds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<QString>("bad");
        QTest::newRow("list and range") << "123, 200-2FF" << true << Ranges{{0x123, 0x123}, {0x200, 0x2FF}} << "";
        QTest::newRow("prefixes, semicolons, spaced dash")
            << "0x7ff;1  0x10 - 0X1f" << true << Ranges{{0x7FF, 0x7FF}, {1, 1}, {0x10, 0x1F}} << "";
        QTest::newRow("29-bit ID") << "1FFFFFFF" << true << Ranges{{0x1FFFFFFF, 0x1FFFFFFF}} << "";
        QTest::newRow("empty: every ID") << " " << true << Ranges{} << "";
        QTest::newRow("not hex") << "123, 12G" << false << Ranges{} << "12G";
        QTest::newRow("range backwards") << "300-200" << false << Ranges{} << "300-200";
        QTest::newRow("nine digits") << "123456789" << false << Ranges{} << "123456789";
        QTest::newRow("open range") << "100-" << false << Ranges{} << "100-";
    }

    void parseIds()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(Ranges, ranges);
        QFETCH(QString, bad);
        const Ranges before{{9, 9}};
        Ranges out = before;
        QString offending;
        QCOMPARE(CANLogFilter::parseIds(text, out, &offending), ok);
        QCOMPARE(out, ok ? ranges : before);
        QCOMPARE(offending, bad);
    }

    void copiedCells()
    {
        CANFrameModel model;
        model.appendRows(mixedRows(2));
        const QModelIndexList picked = {model.index(1, 1), model.index(0, 2), model.index(0, 1)};
        QCOMPARE(copiedCellsText(picked), model.index(0, 1).data().toString() + '\t' + model.index(0, 2).data().toString()
                                              + '\n' + model.index(1, 1).data().toString());
    }

    void csv_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "0x123" << "\"0x123\"";
        QTest::newRow("quotes doubled") << "a \"b\"" << "\"a \"\"b\"\"\"";
        QTest::newRow("comma and line feed kept inside") << "a,b\nc" << "\"a,b\nc\"";
    }

    void csv()
    {
        QFETCH(QString, field);
        QFETCH(QString, written);
        QCOMPARE(csvField(field), written);
    }

    void csvFile()
    {
        CANFrameModel model;
        model.appendRows({canLogRow(adapterFrame(0x123, bytes({0xAB, 0x01}), CanBusFrame::Echo), 5)});
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(writeCanLogCsv(out, model, {0, 5, 8}, false));
        QCOMPARE(QString::fromUtf8(out.data()), QString("\"序号\",\"ID\",\"数据内容\"\n\"5\",\"0x123\",\"AB 01\"\n"));
    }

    void busLoad_data()
    {
        QTest::addColumn<double>("fps");
        QTest::addColumn<bool>("fd");
        QTest::addColumn<double>("percent");
        QTest::newRow("idle") << 0.0 << false << 0.0;
        QTest::newRow("classic, half") << 5000.0 << false << 50.0;
        QTest::newRow("FD, half") << 10775.5 << true << 50.0;
        QTest::newRow("classic at FD's rate: capped") << 21551.0 << false << 99.0;
        QTest::newRow("ten times the bus") << 215510.0 << true << 99.0;
    }

    void busLoad()
    {
        QFETCH(double, fps);
        QFETCH(bool, fd);
        QFETCH(double, percent);
        QCOMPARE(busLoadPercent(fps, fd), percent);
    }

    void feedbackText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<float>>("values"); // position, velocity, torque, state
        QTest::newRow("zeros") << "00 00 00 00 00 00 00 00" << true << QByteArray(8, '\0')
                               << QList<float>{-12.5f, -30.f, -10.f, 0};
        QTest::newRow("full scale") << "00 FF FF FF FF FF 00 00" << true << bytes({0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0})
                                    << QList<float>{12.5f, 30.f, 10.f, 0};
        QTest::newRow("short text padded") << "1" << true << bytes({0x10, 0, 0, 0, 0, 0, 0, 0})
                                           << QList<float>{-12.5f, -30.f, -10.f, 1};
        QTest::newRow("longer text: first 16 digits") << "0102030405060708 09" << true << bytes({1, 2, 3, 4, 5, 6, 7, 8})
                                                      << QList<float>{};
        QTest::newRow("bad pair") << "0G 00 00 00 00 00 00 00" << false << QByteArray("0G") << QList<float>{};
        QTest::newRow("sign is no digit") << "+F" << false << QByteArray("+F") << QList<float>{};
    }

    void feedbackText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<float>, values);
        std::array<uint8_t, 8> d{};
        QString bad;
        QCOMPARE(parseFeedbackText(text, d, &bad), ok);
        if (!ok) {
            QCOMPARE(bad, QString::fromLatin1(bytes));
            return;
        }
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(d.data()), 8), bytes);
        if (values.isEmpty())
            return;
        const MotorFeedback fb = decodeFeedback(d, MappingRanges());
        QCOMPARE(QList<float>({fb.position, fb.velocity, fb.torque, float(fb.state)}), values);
    }

    void dataLengths_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("classic");
        QTest::addColumn<bool>("fd");
        QTest::newRow("0") << 0 << true << true;
        QTest::newRow("8") << 8 << true << true;
        QTest::newRow("9") << 9 << false << false;
        QTest::newRow("10") << 10 << false << false;
        QTest::newRow("12") << 12 << false << true;
        QTest::newRow("64") << 64 << false << true;
        QTest::newRow("-1") << -1 << false << false;
    }

    void dataLengths()
    {
        QFETCH(int, length);
        QFETCH(bool, classic);
        QFETCH(bool, fd);
        QCOMPARE(isCanDataLength(length), classic);
        QCOMPARE(isFdCanDataLength(length), fd);
    }

    void convertData_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("normalised pairs") << "8" << "12 30 00 00 00 00 00 00" << 0 << bytes({0x12, 0x30, 0, 0, 0, 0, 0, 0});
        QTest::newRow("surplus ignored") << "2" << "11 22 33" << 0 << bytes({0x11, 0x22});
        QTest::newRow("short text zero-filled, empty parts skipped") << "4" << "11  22" << 0 << bytes({0x11, 0x22, 0, 0});
        QTest::newRow("zero length") << "0" << "" << 0 << QByteArray();
        QTest::newRow("length not a number") << "x" << "11" << int(CanDataConversion::BadLength) << QByteArray();
        QTest::newRow("negative length") << "-1" << "11" << int(CanDataConversion::BadLength) << QByteArray();
        QTest::newRow("part not hex") << "3" << "11 ZZ" << int(CanDataConversion::BadHex) << QByteArray();
    }

    void convertData()
    {
        QFETCH(QString, length);
        QFETCH(QString, text);
        QFETCH(int, error);
        QFETCH(QByteArray, data);
        const CanDataConversion c = convertCanDataText(length, text);
        QCOMPARE(int(c.error), error);
        QCOMPARE(c.data, data);
        QCOMPARE(c.badPart, QString(error == CanDataConversion::BadHex ? "ZZ" : ""));
    }

    void dataCounter_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QByteArray>("data");
        const QByteArray nines(8, char(0x99));
        QTest::newRow("1 byte") << 1 << 0x1234 << bytes({0x34});
        QTest::newRow("2 bytes") << 2 << 0x1234 << bytes({0x34, 0x12});
        QTest::newRow("3 bytes: unchanged") << 3 << 0x1234 << nines.left(3);
        QTest::newRow("4 bytes") << 4 << 0x01020304 << bytes({4, 3, 2, 1});
        QTest::newRow("8 bytes sign-extended") << 8 << -2 << bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    }

    void dataCounter()
    {
        QFETCH(int, length);
        QFETCH(int, counter);
        QFETCH(QByteArray, data);
        QByteArray d(length, char(0x99));
        applyDataCounter(d, length, counter);
        QCOMPARE(d, data);
    }

    void idCounting_data()
    {
        QTest::addColumn<quint32>("id");
        QTest::addColumn<quint32>("step");
        QTest::addColumn<quint32>("stopId");
        QTest::addColumn<QList<quint32>>("ids"); // counters 0, 1, 2, 3
        QTest::newRow("step 2") << 0x100u << 2u << 0x7FFu << QList<quint32>{0x100, 0x102, 0x104, 0x106};
        QTest::newRow("wraps at stop ID + 1") << 0x100u << 1u << 0x101u << QList<quint32>{0x100, 0x101, 0, 1};
        QTest::newRow("stop ID 0") << 0x100u << 1u << 0u << QList<quint32>{0, 0, 0, 0};
        QTest::newRow("stop ID FFFFFFFF wraps at 2^32")
            << 0xFFFFFFFEu << 1u << 0xFFFFFFFFu << QList<quint32>{0xFFFFFFFE, 0xFFFFFFFF, 0, 1};
    }

    void idCounting()
    {
        QFETCH(quint32, id);
        QFETCH(quint32, step);
        QFETCH(quint32, stopId);
        QFETCH(QList<quint32>, ids);
        for (quint32 k = 0; k < 4; ++k)
            QCOMPARE(countedCanId(id, step, k, stopId), ids[k]);
    }

    void sendCounter()
    {
        CanSendCounter c;
        c.start(0); // one frame
        QVERIFY(c.advance());
        c.start(3);
        QVERIFY(!c.advance());
        QVERIFY(!c.advance());
        QVERIFY(c.advance());
        QCOMPARE(c.counter(), 0);
        c.start(5); // stopped after two frames, started again: continues
        c.advance();
        c.advance();
        c.start(5);
        QCOMPARE(c.counter(), 2);
    }

    void idIncrementValues_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("stopId");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<quint32>("stopValue");
        QTest::newRow("plain") << "2" << "7FF" << true << 0x7FFu;
        QTest::newRow("0x prefix") << "1" << "0x101" << true << 0x101u;
        QTest::newRow("largest stop ID") << "65535" << "FFFFFFFF" << true << 0xFFFFFFFFu;
        QTest::newRow("step too large") << "65536" << "7FF" << false << 0u;
        QTest::newRow("step not decimal") << "A" << "7FF" << false << 0u;
        QTest::newRow("stop ID empty") << "1" << "" << false << 0u;
        QTest::newRow("stop ID nine digits") << "1" << "1FFFFFFFF" << false << 0u;
    }

    void idIncrementValues()
    {
        QFETCH(QString, step);
        QFETCH(QString, stopId);
        QFETCH(bool, ok);
        QFETCH(quint32, stopValue);
        quint16 s = 7;
        quint32 id = 7;
        QString reason;
        QCOMPARE(IdIncrementDialog::parse(step, stopId, s, id, &reason), ok);
        QCOMPARE(reason.isEmpty(), ok);
        QCOMPARE(id, ok ? stopValue : 7u);
    }
};

QTEST_MAIN(TestCanLog)
#include "tst_canlog.moc"
