#include "can/canTxModel.h"
#include "can/canTxRecord.h"

#include <QAbstractItemModelTester>
#include <QIdentityProxyModel>
#include <QSignalSpy>
#include "byteHelpers.h"

#include <QtTest>

#include <cstring>

namespace {


// Calls the setter of `column` with `value`.
void callSetter(CANTxModel &m, int column, const QVariant &value)
{
    switch (column) {
    case CANTxModel::ColCANBaud: m.setCANBaud(value.toInt()); break;
    case CANTxModel::ColCanId: m.setCanId(value.toString()); break;
    case CANTxModel::ColCanid: m.setCanid(value.toUInt()); break;
    case CANTxModel::ColMasterid: m.setMasterid(value.toUInt()); break;
    case CANTxModel::ColSendTimes: m.setSendTimes(value.toUInt()); break;
    case CANTxModel::ColSendInterval: m.setSendInterval(value.toUInt()); break;
    case CANTxModel::ColCanIdType: m.setCanIdType(uint8_t(value.toUInt())); break;
    case CANTxModel::ColCanFrameType: m.setCanFrameType(uint8_t(value.toUInt())); break;
    case CANTxModel::ColDataAcc: m.setDataAcc(value.toBool()); break;
    case CANTxModel::ColIdAcc: m.setIdAcc(value.toBool()); break;
    case CANTxModel::ColCanType: m.setCANType(value.toBool()); break;
    case CANTxModel::ColDataSectionAcc: m.setDataSectionAcc(value.toBool()); break;
    default: QFAIL("no setter for this column");
    }
}

void soil(can_tx_type &rec)
{
    rec.idStep = rec.flags = rec.dataLength = 0xEE;
    rec.sendTimes = 0x0EEEEEEE;
    rec.stopId = rec.interval = rec.frameId = 0xEEEEEEEEu;
    std::memset(rec.data, 0xEE, sizeof rec.data);
}

} // namespace

class TestCANTxModel : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void shape();
    void headers();
    void byteColumnBeyondData();
    void setData_data();
    void setData();
    void setters_data();
    void setters();
    void setCANTxData_emitsTwice();
    void baseSignalListenersSeeEachChangeOnce();
    void modelTester();

    void txRecord_flags_data();
    void txRecord_flags();
    void txRecord_layout();
    void txRecord_dataCapAndZeroFill();
    void txRecord_fromBytes();
};

void TestCANTxModel::defaults()
{
    CANTxModel m;
    QCOMPARE(m.CANBaud(), 0);
    QCOMPARE(m.canId(), QString("7FF"));
    QCOMPARE(m.canid(), 1u);
    QCOMPARE(m.masterid(), 0u);
    QCOMPARE(m.sendTimes(), 0u);
    QCOMPARE(m.sendInterval(), 0u);
    QCOMPARE(m.canIdType(), uint8_t(0));
    QCOMPARE(m.canFrameType(), uint8_t(0));
    QCOMPARE(m.CANTxData(), QByteArray(8, '\0'));
    QVERIFY(!m.dataAcc());
    QVERIFY(!m.idAcc());
    QVERIFY(!m.canType());
    QVERIFY(!m.dataSectionAcc());

    // The same values through the table interface.
    QCOMPARE(m.data(m.index(0, 1)).toString(), QString("7FF"));
    QCOMPARE(m.data(m.index(0, 2)).toUInt(), 1u);
    QCOMPARE(m.data(m.index(0, 8)).toString(), QString("0000000000000000"));
    for (int c = 11; c <= 18; ++c)
        QCOMPARE(m.data(m.index(0, c)).toString(), QString("00"));
    for (int c : {9, 10, 19, 20})
        QCOMPARE(m.data(m.index(0, c)).typeId(), int(QMetaType::Bool));
}

void TestCANTxModel::shape()
{
    CANTxModel m;
    QCOMPARE(m.rowCount(), 1);
    QCOMPARE(m.columnCount(), 21);
    QVERIFY(m.index(0, 0).isValid());
    QVERIFY(m.index(0, 20).isValid());
    QVERIFY(!m.index(0, 21).isValid());
    QVERIFY(!m.index(1, 0).isValid());
    QVERIFY(!m.index(-1, 0).isValid());
    QVERIFY(!m.parent(m.index(0, 3)).isValid());
    QVERIFY(m.flags(m.index(0, 5)) & Qt::ItemIsEditable);
    QVERIFY(m.flags(m.index(0, 5)) & Qt::ItemIsEnabled);
    QCOMPARE(m.flags(QModelIndex()), Qt::NoItemFlags);
    QVERIFY(!m.data(m.index(0, 1), Qt::ToolTipRole).isValid());
    QVERIFY(!m.data(QModelIndex()).isValid());
}

void TestCANTxModel::headers()
{
    CANTxModel m;
    QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QString("CAN Baud"));
    QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QString("canid"));
    QCOMPARE(m.headerData(8, Qt::Horizontal).toString(), QString("CAN TX Data"));
    QCOMPARE(m.headerData(11, Qt::Horizontal).toString(), QString("Byte 0"));
    QCOMPARE(m.headerData(18, Qt::Horizontal).toString(), QString("Byte 7"));
    QCOMPARE(m.headerData(20, Qt::Horizontal).toString(), QString("dataSectionAcc"));
    QVERIFY(!m.headerData(21, Qt::Horizontal).isValid());
    QVERIFY(!m.headerData(-1, Qt::Horizontal).isValid());
    QVERIFY(!m.headerData(0, Qt::Vertical).isValid());
    QVERIFY(!m.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
}

void TestCANTxModel::byteColumnBeyondData()
{
    CANTxModel m;
    m.setCANTxData(bytes({1, 2, 3, 4}));
    QCOMPARE(m.data(m.index(0, 11 + 3)).toString(), QString("04"));
    QVERIFY(!m.data(m.index(0, 11 + 4)).isValid());
    QVERIFY(!m.data(m.index(0, 11 + 5)).isValid());
    QSignalSpy spy(&m, &CANTxModel::dataChanged);
    QVERIFY(!m.setData(m.index(0, 11 + 5), "aa"));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(m.CANTxData(), bytes({1, 2, 3, 4}));
}

void TestCANTxModel::setData_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("stored");   // data(EditRole) afterwards when accepted

    const int edit = Qt::EditRole;
    QTest::newRow("byte 1G") << 11 << QVariant("1G") << edit << false << QVariant();
    QTest::newRow("byte 123") << 12 << QVariant("123") << edit << false << QVariant();
    QTest::newRow("byte empty") << 13 << QVariant("") << edit << false << QVariant();
    QTest::newRow("byte single digit") << 13 << QVariant("5") << edit << false << QVariant();
    QTest::newRow("byte blanks a5 blanks") << 14 << QVariant("  a5  ") << edit << true << QVariant("a5");
    QTest::newRow("byte upper case") << 18 << QVariant("C3") << edit << true << QVariant("c3");
    QTest::newRow("canid keeps low byte") << 2 << QVariant(0x1234u) << edit << true << QVariant(0x34u);
    QTest::newRow("masterid keeps low byte") << 3 << QVariant(0x1FFu) << edit << true << QVariant(0xFFu);
    QTest::newRow("data hex with separators") << 8 << QVariant("01 02:0A") << edit << true
                                              << QVariant("01020a");
    QTest::newRow("can id text") << 1 << QVariant("123") << edit << true << QVariant("123");
    QTest::newRow("send times") << 4 << QVariant(25u) << edit << true << QVariant(25u);
    QTest::newRow("send times not a number") << 4 << QVariant("abc") << edit << false << QVariant();
    QTest::newRow("baud") << 0 << QVariant(500) << edit << true << QVariant(500);
    QTest::newRow("id type") << 6 << QVariant(1) << edit << true << QVariant(1u);
    QTest::newRow("can fd") << 19 << QVariant(true) << edit << true << QVariant(true);
    QTest::newRow("display role refused") << 4 << QVariant(3u) << int(Qt::DisplayRole) << false << QVariant();
    QTest::newRow("column 21 refused") << 21 << QVariant(1) << edit << false << QVariant();
}

void TestCANTxModel::setData()
{
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(int, role);
    QFETCH(bool, accepted);
    QFETCH(QVariant, stored);

    CANTxModel m;
    const QModelIndex idx = m.index(0, column);  // invalid beyond column 20
    const QVariant before = m.data(idx, Qt::EditRole);
    QSignalSpy spy(&m, &CANTxModel::dataChanged);

    QCOMPARE(m.setData(idx, value, role), accepted);
    if (!accepted) {
        QCOMPARE(spy.count(), 0);
        QCOMPARE(m.data(idx, Qt::EditRole), before);
        return;
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QModelIndex>(), idx);
    QCOMPARE(spy.at(0).at(1).value<QModelIndex>(), idx);
    QCOMPARE(spy.at(0).at(2).value<QList<int>>(), QList<int>{Qt::EditRole});
    QCOMPARE(m.data(idx, Qt::EditRole).toString(), stored.toString());
}

void TestCANTxModel::setters_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("CANBaud") << 0 << QVariant(250);
    QTest::newRow("canId") << 1 << QVariant("123");
    QTest::newRow("canid") << 2 << QVariant(5u);
    QTest::newRow("masterid") << 3 << QVariant(0xFDu);
    QTest::newRow("sendTimes") << 4 << QVariant(10u);
    QTest::newRow("sendInterval") << 5 << QVariant(100u);
    QTest::newRow("canIdType") << 6 << QVariant(1u);
    QTest::newRow("canFrameType") << 7 << QVariant(1u);
    QTest::newRow("dataAcc") << 9 << QVariant(true);
    QTest::newRow("idAcc") << 10 << QVariant(true);
    QTest::newRow("canType") << 19 << QVariant(true);
    QTest::newRow("dataSectionAcc") << 20 << QVariant(true);
}

void TestCANTxModel::setters()
{
    QFETCH(int, column);
    QFETCH(QVariant, value);

    CANTxModel m;
    const QVariant original = m.data(m.index(0, column), Qt::EditRole);
    QSignalSpy spy(&m, &CANTxModel::dataChanged);

    callSetter(m, column, original);                  // the value already held
    QCOMPARE(spy.count(), 0);

    callSetter(m, column, value);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QModelIndex>(), m.index(0, column));
    QCOMPARE(spy.at(0).at(1).value<QModelIndex>(), m.index(0, column));
    QCOMPARE(spy.at(0).at(2).value<QList<int>>(), (QList<int>{Qt::DisplayRole, Qt::EditRole}));
    QCOMPARE(m.data(m.index(0, column), Qt::EditRole).toString(), value.toString());

    callSetter(m, column, value);                     // again: nothing new
    QCOMPARE(spy.count(), 1);
}

void TestCANTxModel::setCANTxData_emitsTwice()
{
    CANTxModel m;
    QSignalSpy spy(&m, &CANTxModel::dataChanged);
    m.setCANTxData(bytes({1, 2}));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).value<QModelIndex>().column(), 8);
    QCOMPARE(spy.at(0).at(1).value<QModelIndex>().column(), 8);
    QCOMPARE(spy.at(1).at(0).value<QModelIndex>().column(), 11);
    QCOMPARE(spy.at(1).at(1).value<QModelIndex>().column(), 18);
    QCOMPARE(spy.at(1).at(2).value<QList<int>>(), (QList<int>{Qt::DisplayRole, Qt::EditRole}));

    m.setCANTxData(bytes({1, 2}));
    QCOMPARE(spy.count(), 2);
}

void TestCANTxModel::baseSignalListenersSeeEachChangeOnce()
{
    CANTxModel m;
    QSignalSpy own(&m, &CANTxModel::dataChanged);
    QSignalSpy base(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy bySignature(&m, SIGNAL(dataChanged(QModelIndex,QModelIndex,QList<int>)));
    QIdentityProxyModel proxy;
    proxy.setSourceModel(&m);
    QSignalSpy viaProxy(&proxy, &QAbstractItemModel::dataChanged);

    m.setSendTimes(7);
    QVERIFY(m.setData(m.index(0, 12), "7e"));

    QCOMPARE(own.count(), 2);
    QCOMPARE(base.count(), 2);
    QCOMPARE(bySignature.count(), 2);
    QCOMPARE(viaProxy.count(), 2);
    QCOMPARE(viaProxy.at(1).at(0).value<QModelIndex>().column(), 12);
    QCOMPARE(proxy.data(proxy.index(0, 12)).toString(), QString("7e"));
}

void TestCANTxModel::modelTester()
{
    CANTxModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.setCANTxData(bytes({1, 2, 3}));
    m.setCanid(9);
    QVERIFY(m.setData(m.index(0, 11), "ff"));
    QVERIFY(!QTest::currentTestFailed());
}

void TestCANTxModel::txRecord_flags_data()
{
    QTest::addColumn<bool>("canFd");
    QTest::addColumn<bool>("brsBox");
    QTest::addColumn<int>("frameType");
    QTest::addColumn<int>("idType");
    QTest::addColumn<bool>("idAcc");
    QTest::addColumn<bool>("dataAcc");
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("flags");

    QTest::newRow("classic data frame") << false << false << 0 << 0 << false << false << 0 << 0x02;
    QTest::newRow("classic ignores brs box") << false << true << 0 << 0 << false << false << 0 << 0x02;
    QTest::newRow("fd, brs off") << true << false << 0 << 0 << false << false << 0 << 0x03;
    QTest::newRow("fd, brs on") << true << true << 0 << 0 << false << false << 0 << 0x0B;
    QTest::newRow("remote frame") << false << false << 1 << 0 << false << false << 0 << 0x00;
    QTest::newRow("extended id") << false << false << 0 << 1 << false << false << 0 << 0x06;
    QTest::newRow("id acc") << false << false << 0 << 0 << true << false << 0 << 0x12;
    QTest::newRow("data acc") << false << false << 0 << 0 << false << true << 0 << 0x22;
    QTest::newRow("extra flag") << false << false << 0 << 0 << false << false << 5 << 0x42;
    QTest::newRow("everything") << true << true << 0 << 1 << true << true << 1 << 0x7F;
}

void TestCANTxModel::txRecord_flags()
{
    QFETCH(bool, canFd);
    QFETCH(bool, brsBox);
    QFETCH(int, frameType);
    QFETCH(int, idType);
    QFETCH(bool, idAcc);
    QFETCH(bool, dataAcc);
    QFETCH(int, extra);
    QFETCH(int, flags);

    CANTxModel m;
    m.setCANType(canFd);
    m.setDataSectionAcc(brsBox);
    m.setCanFrameType(uint8_t(frameType));
    m.setCanIdType(uint8_t(idType));
    m.setIdAcc(idAcc);
    m.setDataAcc(dataAcc);

    can_tx_type rec;
    fillFDCANFrame(bytes({1, 2}), m, rec, uint8_t(extra), 0x123, 1, 0, 1, 0x7FF);
    const QByteArray wire = rec.toBytes();
    QCOMPARE(int(uint8_t(wire[2])), flags);
}

void TestCANTxModel::txRecord_layout()
{
    CANTxModel m;
    can_tx_type rec;
    fillFDCANFrame(bytes({0xDE, 0xAD, 0xBE}), m, rec, 0, 0xFFFFFFFFu, -1, 0x01020304u, 0x0305, 0x7FF);
    const QByteArray w = rec.toBytes();
    QCOMPARE(w.size(), 88);
    const auto *p = reinterpret_cast<const uint8_t *>(w.constData());

    QCOMPARE(p[0], uint8_t(0x05));                     // low byte of the ID step
    QCOMPARE(p[1], uint8_t(0));
    QCOMPARE(p[3], uint8_t(0));
    QCOMPARE(p[4], uint8_t(3));
    QCOMPARE(w.mid(5, 3), QByteArray(3, '\0'));
    QCOMPARE(w.mid(8, 4), bytes({0xFF, 0xFF, 0xFF, 0xFF}));   // -1: until stopped
    QCOMPARE(w.mid(12, 4), bytes({0xFF, 0x07, 0x00, 0x00}));
    QCOMPARE(w.mid(16, 4), bytes({0x04, 0x03, 0x02, 0x01}));
    QCOMPARE(w.mid(20, 4), bytes({0xFF, 0xFF, 0xFF, 0x1F}));  // 29-bit ID
    QCOMPARE(w.mid(24, 3), bytes({0xDE, 0xAD, 0xBE}));
    QCOMPARE(w.mid(27), QByteArray(88 - 27, '\0'));
}

void TestCANTxModel::txRecord_dataCapAndZeroFill()
{
    CANTxModel m;
    can_tx_type rec;
    soil(rec);                                         // stale content from an earlier frame

    QByteArray big(100, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i + 1);
    fillFDCANFrame(big, m, rec, 0, 0x10, 1, 0, 1, 0x7FF);
    QByteArray w = rec.toBytes();
    QCOMPARE(int(uint8_t(w[4])), 64);                  // never more than was copied
    QCOMPARE(w.mid(24), big.left(64));

    soil(rec);
    fillFDCANFrame(bytes({9}), m, rec, 0, 0x10, 1, 0, 1, 0x7FF);
    w = rec.toBytes();
    QCOMPARE(int(uint8_t(w[4])), 1);
    QCOMPARE(w.mid(25), QByteArray(63, '\0'));
    QCOMPARE(int(uint8_t(w[1])), 0);

    fillFDCANFrame(QByteArray(), m, rec, 0, 0x10, 1, 0, 1, 0x7FF);
    QCOMPARE(rec.toBytes().mid(24), QByteArray(64, '\0'));
    QCOMPARE(rec.dataLength, uint8_t(0));
}

void TestCANTxModel::txRecord_fromBytes()
{
    CANTxModel m;
    m.setCANType(true);
    can_tx_type rec;
    fillFDCANFrame(QByteArray(12, char(0x5A)), m, rec, 0, 0x1ABCDEF, 42, 20, 2, 0x1FFFFFFF);

    can_tx_type back;
    QVERIFY(can_tx_type::fromBytes(rec.toBytes(), back));
    QCOMPARE(back.toBytes(), rec.toBytes());
    QCOMPARE(back.frameId, 0x1ABCDEFu);
    QCOMPARE(back.sendTimes, 42);
    QCOMPARE(back.dataLength, uint8_t(12));

    can_tx_type untouched;
    untouched.frameId = 77;
    QVERIFY(!can_tx_type::fromBytes(QByteArray(87, '\0'), untouched));
    QCOMPARE(untouched.frameId, 77u);
}

QTEST_GUILESS_MAIN(TestCANTxModel)
#include "tst_cantxmodel.moc"
