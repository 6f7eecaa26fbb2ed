// Bit timing of the USB FDCAN adapter: the search, the preset tables, rate texts, the
// manual rate check, the timing record and what a read-back record means.
#include "link/usb/baudTiming.h"

#include "byteHelpers.h"

#include <QtTest>

class TestBaudTiming : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void tolerance_data();
    void tolerance();
    void presetsGiveTheirRates();
    void unitText();
    void manual_data();
    void manual();
    void presetRecord();
    void readback_data();
    void readback();
};

void TestBaudTiming::search_data()
{
    QTest::addColumn<quint32>("wanted");
    QTest::addColumn<bool>("arbitration");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("prescaler");
    QTest::addColumn<int>("seg1");
    QTest::addColumn<int>("seg2");
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<double>("samplePoint");

    // p = 1 and 2 cannot split 160 and 80 quanta within the segment limits
    QTest::newRow("500k arbitration") << 500000u << true << true << 4 << 29 << 10 << 500000u << 75.0;
    // 62.5 % is below the data window; the next segment 1 gives 68.75 %
    QTest::newRow("5M data") << 5000000u << false << true << 1 << 10 << 5 << 5000000u << 68.75;
    // 80 MHz / 300 kbit/s is not whole: searched on 266 quanta
    QTest::newRow("300k uneven") << 300000u << true << true << 7 << 28 << 9 << 300751u << 76.315789;
    QTest::newRow("1M arbitration") << 1000000u << true << true << 2 << 29 << 10 << 1000000u << 75.0;
    QTest::newRow("zero") << 0u << true << false << 0 << 0 << 0 << 0u << 0.0;
    QTest::newRow("above the clock") << 100000000u << false << false << 0 << 0 << 0 << 0u << 0.0;
}

void TestBaudTiming::search()
{
    QFETCH(quint32, wanted);
    QFETCH(bool, arbitration);
    QFETCH(bool, found);
    const BaudSearchResult r = calculateBaudParams(kFdcanClockHz, wanted,
                                                   arbitration ? SampleWindow::Arbitration : SampleWindow::Data);
    QCOMPARE(r.found, found);
    QFETCH(double, samplePoint);
    QTEST(int(r.prescaler), "prescaler");
    QTEST(int(r.seg1), "seg1");
    QTEST(int(r.seg2), "seg2");
    QTEST(r.rate, "rate");
    QVERIFY2(qAbs(r.samplePoint - samplePoint) < 1e-4, qPrintable(QString::number(r.samplePoint)));
}

void TestBaudTiming::tolerance_data()
{
    QTest::addColumn<int>("seg1");
    QTest::addColumn<int>("seg2");
    QTest::addColumn<int>("sjw");
    QTest::addColumn<double>("percent");
    // SJW / (20 x bit time) is the smaller bound here: 2 / (20 x 40)
    QTest::newRow("1M preset") << 29 << 10 << 2 << 0.25;
    // 2 / (20 x 26) against 9 / (2 x (13 x 26 - 9))
    QTest::newRow("3M data search result") << 16 << 9 << 2 << 0.384615;
    // the phase bound is the smaller one: 1 / (2 x (13 x 5 - 1))
    QTest::newRow("short bit, big SJW") << 3 << 1 << 4 << 0.78125;
    QTest::newRow("empty timing") << 0 << 0 << 2 << 0.0;
}

void TestBaudTiming::tolerance()
{
    QFETCH(int, seg1);
    QFETCH(int, seg2);
    QFETCH(int, sjw);
    QFETCH(double, percent);
    const double got = timingTolerancePercent(quint32(seg1), quint32(seg2), quint32(sjw));
    QVERIFY2(qAbs(got - percent) < 1e-5, qPrintable(QString::number(got, 'g', 10)));
    QVERIFY(qAbs(rateErrorPercent(3000000, 3076923) - 2.564100) < 1e-5);
}

void TestBaudTiming::presetsGiveTheirRates()
{
    // The item text is what the user picks; the timing behind it must give that rate.
    const auto textRate = [](QString t) {
        t.remove("bps");
        const double scale = t.endsWith('M') ? 1e6 : 1e3;
        t.chop(1);
        return quint32(qRound64(t.toDouble() * scale));
    };
    for (const BaudPreset &p : kArbitrationPresets) {
        QCOMPARE(bitRate(kFdcanClockHz, p.prescaler, p.seg1, p.seg2), textRate(p.text));
        const double sp = samplePointPercent(p.seg1, p.seg2);
        QVERIFY2(sp >= 75.0 && sp <= 88.0, p.text);
    }
    for (const BaudPreset &p : kDataPresets)
        QCOMPARE(bitRate(kFdcanClockHz, p.prescaler, p.seg1, p.seg2), textRate(p.text));
}

void TestBaudTiming::unitText()
{
    const QList<QPair<quint64, QString>> cases = {{0, "0"},          {999, "999"},        {500000, "500k"},
                                                  {300751, "300.751k"}, {1000000, "1M"},  {3200000, "3.2M"},
                                                  {2000000000, "2G"}};
    for (const auto &c : cases)
        QCOMPARE(rateUnitText(c.first), c.second);
}

void TestBaudTiming::manual_data()
{
    QTest::addColumn<int>("prescaler");
    QTest::addColumn<int>("seg1");
    QTest::addColumn<int>("seg2");
    QTest::addColumn<bool>("arbitration");
    QTest::addColumn<int>("status");
    QTest::addColumn<quint32>("kbps");
    QTest::newRow("1025641 bit/s too high") << 3 << 20 << 5 << true << int(ManualRate::TooHigh) << 0u;
    QTest::newRow("666666.67 not whole") << 3 << 29 << 10 << true << int(ManualRate::NotWhole) << 0u;
    QTest::newRow("500 kbit/s") << 10 << 11 << 4 << true << int(ManualRate::Ok) << 500u;
    QTest::newRow("data has no 1M limit") << 1 << 10 << 5 << false << int(ManualRate::Ok) << 5000u;
    QTest::newRow("data not whole") << 3 << 29 << 10 << false << int(ManualRate::NotWhole) << 0u;
    QTest::newRow("segment missing") << 4 << 29 << 0 << true << int(ManualRate::Incomplete) << 0u;
}

void TestBaudTiming::manual()
{
    QFETCH(int, prescaler);
    QFETCH(int, seg1);
    QFETCH(int, seg2);
    QFETCH(bool, arbitration);
    const ManualRate m = manualRate(kFdcanClockHz, prescaler, seg1, seg2, arbitration);
    QTEST(int(m.status), "status");
    QTEST(m.kbps, "kbps");
}

void TestBaudTiming::presetRecord()
{
    // mode, arbitration seg1, seg2, SJW, prescaler, data seg1, seg2, SJW, prescaler
    QCOMPARE(customBaudconfiguration::fromPresets(true, 0, 2).toPayload(), bytes({1, 29, 10, 2, 2, 3, 1, 2, 5}));
    QCOMPARE(customBaudconfiguration::fromPresets(false, 3, 2).toPayload(), bytes({0, 43, 6, 2, 8, 0, 0, 2, 0}));
    customBaudconfiguration back;
    QVERIFY(!back.fromPayload(bytes({1, 2, 3})));
    QVERIFY(back.fromPayload(bytes({1, 29, 10, 2, 2, 3, 1, 2, 5})));
    QCOMPARE(back, customBaudconfiguration::fromPresets(true, 0, 2));
}

void TestBaudTiming::readback_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("fd");
    QTest::addColumn<int>("idIndex");
    QTest::addColumn<QString>("idSuffix");
    QTest::addColumn<int>("dataIndex");
    QTest::addColumn<QString>("dataSuffix");
    QTest::addColumn<QString>("label");  // caption + ":" + rate
    QTest::addColumn<int>("upgradeFlag"); // 99: left as it is

    QTest::newRow("classic 1M preset") << bytes({0, 29, 10, 2, 2, 0, 0, 2, 0}) << true << false << 0 << "" << 10
                                       << "" << "波特率:1M" << -1;
    QTest::newRow("classic custom 5,10,5") << bytes({0, 10, 5, 2, 5, 0, 0, 2, 0}) << true << false << 6 << "1M"
                                           << 10 << "" << "波特率:1M" << -1;
    QTest::newRow("fd 5M data") << bytes({1, 29, 10, 2, 2, 5, 2, 2, 2}) << true << true << 0 << "" << 0 << ""
                                << "数据域波特率:5M" << 0;
    QTest::newRow("fd 2M data below 5M") << bytes({1, 69, 10, 2, 4, 14, 5, 2, 2}) << true << true << 2 << "" << 4
                                         << "" << "数据域波特率:2M" << 99;
    QTest::newRow("fd custom data") << bytes({1, 29, 10, 2, 2, 10, 5, 2, 1}) << true << true << 0 << "" << 11 << "5M"
                                    << "数据域波特率:5M" << 0;
    QTest::newRow("fd custom arbitration keeps its name") << bytes({1, 10, 5, 2, 5, 15, 4, 2, 8}) << true << true << 6
                                                          << "" << 6 << "" << "数据域波特率:500k" << 99;
    // Only a timing equal to a preset in every field is shown as that preset: 2/29/5 is
    // not "1Mbps" (2/29/10), and configuring the entry again would change the adapter.
    QTest::newRow("fd data 2/29/5 is no preset") << bytes({1, 29, 10, 2, 2, 29, 5, 2, 2}) << true << true << 0 << ""
                                                << 11 << "1.142857M" << "数据域波特率:1.142857M" << 99;
    QTest::newRow("fd data SJW 3 is no preset") << bytes({1, 29, 10, 2, 2, 5, 2, 3, 2}) << true << true << 0 << ""
                                               << 11 << "5M" << "数据域波特率:5M" << 0;
    QTest::newRow("classic arbitration SJW 1 is no preset") << bytes({0, 29, 10, 1, 2, 0, 0, 2, 0}) << true << false
                                                           << 6 << "1M" << 10 << "" << "波特率:1M" << -1;
    QTest::newRow("zeroed record") << QByteArray(9, '\0') << true << false << 6 << "0" << 10 << "" << "波特率:0" << -1;
    QTest::newRow("short record") << bytes({0, 29, 10, 2, 2, 0, 0, 2}) << false << false << -1 << "" << -1 << "" << ""
                                  << 99;
}

void TestBaudTiming::readback()
{
    QFETCH(QByteArray, record);
    const BaudReadback r = interpretBaudRecord(record);
    QTEST(r.valid, "valid");
    QTEST(r.fd, "fd");
    QTEST(r.idIndex, "idIndex");
    QTEST(r.idCustomSuffix, "idSuffix");
    QTEST(r.dataIndex, "dataIndex");
    QTEST(r.dataCustomSuffix, "dataSuffix");
    QTEST(r.labelCaption ? QString::fromUtf8(r.labelCaption) + ":" + r.labelRate : QString(), "label");
    QTEST(r.upgradeFlagSet ? r.upgradeFlag : 99, "upgradeFlag");
    if (r.valid)
        QCOMPARE(r.dataSectionAcc, r.fd);
}

QTEST_APPLESS_MAIN(TestBaudTiming)
#include "tst_baudtiming.moc"
