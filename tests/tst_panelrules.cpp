// Rules of the control panel's fields and of the bus scan without a window: the edge
// cases of the slider and the pull back into range, and what a scan's answers lead to
// (the window test drives the common cases end to end).
#include "motor/controlPanel.h"
#include "motor/motorIds.h"

#include <QtTest>

class TestPanelRules : public QObject
{
    Q_OBJECT

private slots:
    void setPoint_data()
    {
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("applies");
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("rewritten"); // empty: the text stays
        QTest::newRow("position -20 pulled to -12.5") << -12.5f << 12.5f << "-20" << true << 0 << "-12.5";
        QTest::newRow("not a number shows the 0 it sends") << -12.5f << 12.5f << "abc" << true << 50 << "0";
        QTest::newRow("NaN shows the 0 it sends") << -12.5f << 12.5f << "nan" << true << 50 << "0";
        QTest::newRow("empty stays empty") << -12.5f << 12.5f << "" << true << 50 << "";
        QTest::newRow("infinity pulled to the bound") << -30.0f << 30.0f << "-inf" << true << 0 << "-30";
        QTest::newRow("Kp -10 pulled to 0") << 0.0f << 500.0f << "-10" << true << 0 << "0";
        QTest::newRow("Kp 250 mid-scale") << 0.0f << 500.0f << "250" << true << 50 << "";
        QTest::newRow("Kd above 5") << 0.0f << 5.0f << "7" << true << 100 << "5";
        QTest::newRow("current -0.5 pulled to 0") << 0.0f << 1.0f << "-0.5" << true << 0 << "0";
        QTest::newRow("empty range changes nothing") << 0.0f << 0.0f << "5" << false << 0 << "";
        QTest::newRow("reversed range changes nothing") << 1.0f << -1.0f << "5" << false << 0 << "";
    }
    void setPoint()
    {
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(QString, text);
        QFETCH(bool, applies);
        QFETCH(int, slider);
        QFETCH(QString, rewritten);
        const SetPointCheck c = checkSetPoint(min, max, text);
        QCOMPARE(c.applies, applies);
        if (!applies)
            return;
        QCOMPARE(c.slider, slider);
        QCOMPARE(c.rewrite, !rewritten.isEmpty());
        QCOMPARE(c.text, rewritten);
    }

    void scanOutcome_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<ScanResultMap>("found");
        QTest::addColumn<QString>("adopted"); // "canid/masterid/code", empty when nothing is taken
        QTest::addColumn<bool>("clearIds");
        QTest::addColumn<QString>("warning");
        // The common outcomes are driven end to end by the window test.
        QTest::newRow("nothing answered") << "7f" << ScanResultMap{} << "" << true
                                          << "总线上 ID：0x7f 不存在，\n总线上设备数量为 0，ID：";
        QTest::newRow("ID 10 upper-cased as 0X0A")
            << "1G" << ScanResultMap{{10, {0x1A, 0xFFFFFFFFu}}} << "10/26/-1" << false
            << "总线上 ID：0x00 不存在，\n总线上设备数量为 1，ID：0X0A";
    }
    void scanOutcome()
    {
        QFETCH(QString, typed);
        QFETCH(ScanResultMap, found);
        QFETCH(QString, adopted);
        QFETCH(bool, clearIds);
        QFETCH(QString, warning);
        const ScanOutcome o = evaluateScan(typed, found);
        QCOMPARE(o.adopt ? QString("%1/%2/%3").arg(o.canid).arg(o.masterid).arg(o.canBr) : QString(), adopted);
        QCOMPARE(o.clearIds, clearIds);
        QCOMPARE(o.warn, !warning.isEmpty());
        QCOMPARE(o.warning, warning);
    }

    void motorBaudText()
    {
        QCOMPARE(motorBaudSuffix(4), QString(":1M"));
        QCOMPARE(motorBaudSuffix(0), QString(":125K"));
        // A code the list does not have is shown as the number the motor sent.
        QCOMPARE(motorBaudSuffix(10), QString(":10"));
        QCOMPARE(motorBaudSuffix(-1), QString(":-1"));
    }
};

QTEST_GUILESS_MAIN(TestPanelRules)
#include "tst_panelrules.moc"
