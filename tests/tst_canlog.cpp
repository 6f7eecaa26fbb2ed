// Rules of the CAN tab without a window: log rows and their texts, the capped log and
// its filter, copy and CSV text, and the counting of the transmit panel.
#include "can/canFrameModel.h"
#include "can/canLogExport.h"
#include "can/canTransmit.h"
#include "can/ui/canTxDialogs.h"
#include "link/canAdapter.h"
#include "link/serial/protocolFormat.h"

#include "byteHelpers.h"

#include <QAbstractItemModelTester>
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
        QTest::newRow("adapter, sent FD, extended, failed")
            << canLogRow(adapterFrame(0x1ABCDEF0, QByteArray(32, char(0xA5)),
                                      CanBusFrame::Echo | CanBusFrame::FlexibleData | CanBusFrame::Extended
                                          | CanBusFrame::Failed),
                         1)
            << QStringList{"0.000000", "扩展帧", "数据帧", "FDCAN", "0x1ABCDEF0", "发送失败", "32",
                           QStringList(32, "A5").join(' ')};
        QTest::newRow("adapter time, the 2^24th microsecond and one")
            << canLogRow(adapterFrame(0x7, bytes({1}), 0, 16777217), 1)
            << QStringList{"16.777217", "标准帧", "数据帧", "CAN", "0x7", "接收成功", "1", "01"};
        QTest::newRow("adapter time beyond 100 s")
            << canLogRow(adapterFrame(0x7, bytes({1}), 0, 100000001), 1)
            << QStringList{"100.000001", "标准帧", "数据帧", "CAN", "0x7", "接收成功", "1", "01"};
        QTest::newRow("serial, received extended, lower-case ID")
            << serialRow(0x11, 0x1abcd, 0x40 | 2, bytes({0xde, 0xad}), (13 * 3600 + 4 * 60 + 5) * 1000 + 6)
            << QStringList{"13:04:05.006", "扩展帧", "数据帧", "CAN", "0x1abcd", "接收成功", "2", "DE AD"};
        QTest::newRow("serial, length code beyond the 8 bytes carried")
            << serialRow(0x12, 0x21, 0x80 | 12, bytes({1, 2, 3, 4, 5, 6, 7, 8}))
            << QStringList{"00:00:00.000", "标准帧", "远程帧", "CAN", "0x21", "发送成功", "12",
                           "01 02 03 04 05 06 07 08"};
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
        QTest::addColumn<int>("passedBy");    // rows of a backlog before the last batch
        QTest::newRow("100 001 in one batch") << QList<int>{100001} << false << 100000 << 2u << 0 << 0;
        QTest::newRow("one over, a row at a time") << QList<int>{100000, 1} << false << 100000 << 2u << 1 << 0;
        QTest::newRow("batches wrap the ring") << QList<int>{60000, 50000, 30000} << false << 100000 << 40001u << 30000 << 0;
        QTest::newRow("filtered: the kept rows that pass")
            << QList<int>{60000, 50000} << true << 50000 << 10002u << 5000 << 0;
        QTest::newRow("filtered, batch larger than the log")
            << QList<int>{10, 150001} << true << 50000 << 50012u << 0 << 0;
        QTest::newRow("a backlog longer than the log passed it")
            << QList<int>{30000, 100000} << false << 100000 << 80001u << 0 << 50000;
        QTest::newRow("passed by, then a short batch") << QList<int>{30000, 10} << false << 10 << 80001u << 0 << 50000;
    }

    void logKeepsTheNewestRows()
    {
        QFETCH(QList<int>, batches);
        QFETCH(bool, sentOnly);
        QFETCH(int, rows);
        QFETCH(quint32, firstIndex);
        QFETCH(int, lastRemoved);
        QFETCH(int, passedBy);
        CANFrameModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CANLogFilter filter;
        filter.direction = sentOnly ? CANLogFilter::Transmitted : CANLogFilter::AnyDirection;
        model.setFilter(filter);
        quint32 next = 1;
        int removed = -1;
        for (int i = 0; i < batches.size(); ++i) {
            const quint64 passed = i == batches.size() - 1 ? quint64(passedBy) : 0;
            next += quint32(passed);
            removed = model.appendRows(mixedRows(batches[i], next), passed);
            next += quint32(batches[i]);
        }
        QCOMPARE(model.storedRowCount(), passedBy ? qMin(batches.last(), CANFrameModel::kMaxRows)
                                                  : qMin(int(next - 1), CANFrameModel::kMaxRows));
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.index(0, 0).data().toUInt(), firstIndex);
        QCOMPARE(model.index(rows - 1, 0).data().toUInt(), sentOnly && (next - 1) % 2 ? next - 2 : next - 1);
        QCOMPARE(removed, lastRemoved);
        QCOMPARE(model.appendedRows(), quint64(next - 1));
    }

    // Direction, heartbeats and IDs are driven through the window's filter bar.
    void filterOutcome_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<CANFrameData>("row");
        QTest::addColumn<bool>("shown");
        const CANFrameData txFailed = canLogRow(adapterFrame(0x200, {}, CanBusFrame::Echo | CanBusFrame::Failed), 1);
        const CANFrameData bitRateOk = serialRow(0x13, 0, 0, {});
        QTest::newRow("failed only, failed") << int(CANLogFilter::Failed) << txFailed << true;
        QTest::newRow("succeeded only, failed") << int(CANLogFilter::Succeeded) << txFailed << false;
        QTest::newRow("succeeded only, bit-rate answer") << int(CANLogFilter::Succeeded) << bitRateOk << true;
        QTest::newRow("succeeded only, heartbeat") << int(CANLogFilter::Succeeded) << serialRow(0x00, 0, 0, {}) << false;
    }

    void filterOutcome()
    {
        QFETCH(int, outcome);
        QFETCH(CANFrameData, row);
        QFETCH(bool, shown);
        CANLogFilter f;
        f.outcome = CANLogFilter::Outcome(outcome);
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
        QTest::newRow("empty: every ID") << " " << true << Ranges{} << "";
        QTest::newRow("not hex") << "123, 12G" << false << Ranges{} << "12G";
        QTest::newRow("nine digits") << "123456789" << false << Ranges{} << "123456789";
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
        QTest::newRow("quotes doubled") << "a \"b\"" << "\"a \"\"b\"\"\"";
        QTest::newRow("comma and line feed kept inside") << "a,b\nc" << "\"a,b\nc\"";
    }

    void csv()
    {
        QFETCH(QString, field);
        QFETCH(QString, written);
        QCOMPARE(csvField(field), written);
    }

    void dataCounter_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("5 bytes: unchanged") << 5 << 0x1234 << QByteArray(5, char(0x99));
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

    void idIncrementValues_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("stopId");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<quint32>("stopValue");
        QTest::newRow("largest stop ID") << "65535" << "FFFFFFFF" << true << 0xFFFFFFFFu;
        QTest::newRow("step too large") << "65536" << "7FF" << false << 0u;
        QTest::newRow("stop ID empty") << "1" << "" << false << 0u;
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
