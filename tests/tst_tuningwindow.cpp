// The tuning window against the simulated motor behind the serial adapter: a run from the
// motor tab's button after a confirmation, its figures, two runs overlaid, saved and
// opened again, and every way a run can be cut short leaving the motor as the run found it.
#include "app/ui_mainwindow.h"
#include "link/sendingRoads.h"
#include "procedures/customCDC.h"
#include "tuning/ui/tuningWindow.h"
#include "widgets/dialogService.h"

#include "simWindow.h"

#include <QChart>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tuning;

class TestTuningWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations"); }
    void init();
    void cleanup() { sw.stop(); }
    void runsAreMeasuredOverlaidAndReopened();
    void sweepShowsGainPhaseAndBandwidth();
    void cutShortRunsLeaveTheMotorAsFound_data();
    void cutShortRunsLeaveTheMotorAsFound();

private:
    TuningWindow *openBench(const Test &t)
    {
        sw.window()->form()->btn_tuning->click();
        TuningWindow *w = sw.window()->tuningBench();
        if (w)
            w->setTest(t);
        return w;
    }
    SimWindow sw;
    QStringList questions;
};

void TestTuningWindow::init()
{
    QVERIFY(sw.start(SimSerialAdapter::Adapter));
    // Questions are answered yes; the confirmations are kept.
    questions.clear();
    DialogService::setHandler([this](const DialogService::Request &r) {
        DialogService::Reply reply;
        reply.result = r.kind == DialogService::Question ? QMessageBox::Yes : QMessageBox::Ok;
        if (r.dialog && r.dialog->objectName() == "firmwareConfirmation")
            reply.result = QDialog::Accepted;
        if (r.kind == DialogService::Question)
            questions << r.text;
        if (r.kind == DialogService::SaveFile)
            reply.path = sw.savePath;
        if (r.kind == DialogService::OpenFile)
            reply.path = sw.openPath;
        return reply;
    });
    QVERIFY(sw.open());
}

void TestTuningWindow::runsAreMeasuredOverlaidAndReopened()
{
    Test t;
    t.size = 0.4;
    t.durationS = 0.4;
    t.periodMs = 2;
    TuningWindow *w = openBench(t);
    QVERIFY(w);
    auto *start = w->findChild<QPushButton *>("tuneStartButton");
    for (const double speedKp : {1.0, 3.0}) {
        QVERIFY(sw.motor()->setRegister("KP_ASR", float(speedKp)));
        const qsizetype kept = w->runs().size();
        start->click();
        QVERIFY(w->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!w->isRunning(), 15000);
        QTRY_COMPARE(w->runs().size(), kept + 1); // the finished run is kept once its end is handled
        QTRY_VERIFY(!sw.motor()->isEnabled()); // enabled for the run only
    }
    QCOMPARE(questions.size(), 2);
    QVERIFY2(questions[0].contains("0x01") && questions[0].contains("位置阶跃 0.4 rad"), qPrintable(questions[0]));
    QCOMPARE(w->runs().size(), 2);
    for (int i = 0; i < 2; ++i) {
        const Run &r = w->runs()[i];
        QVERIFY(r.complete);
        QCOMPARE(r.gains.first(), qMakePair(QString("KP_ASR"), i ? 3.0 : 1.0));
        const RunFigures f = runFigures(r);
        QVERIFY2(f.step.riseTime > 0.01 && f.step.riseTime < 0.4, qPrintable(QString::number(f.step.riseTime)));
        QVERIFY2(std::fabs(std::fabs(f.edges.first().final - r.start) - 0.4) < 0.01,
                 qPrintable(QString::number(f.edges.first().final)));
    }
    // Overlaid: command and response of both, figures side by side.
    QCOMPARE(w->timeChart()->series().size(), 4);
    QTableWidget *table = w->figuresTable();
    QCOMPARE(table->columnCount(), 2);
    QStringList rowNames;
    for (int row = 0; row < table->rowCount(); ++row)
        rowNames << table->verticalHeaderItem(row)->text();
    const int kp = int(rowNames.indexOf("KP_ASR")), rise = int(rowNames.indexOf("上升时间 10–90% (ms)"));
    QVERIFY(kp >= 0 && rise >= 0);
    QCOMPARE(table->item(kp, 0)->text(), QString("1"));
    QCOMPARE(table->item(kp, 1)->text(), QString("3"));
    QVERIFY(table->item(rise, 1)->text().toDouble() > 0);

    const QString shots = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    w->resize(1100, 600);
    if (!shots.isEmpty()) {
        QTest::qWait(50);
        w->grab().save(shots + "/tuning_zh.png");
    }
    QVERIFY(sw.window()->switchLanguage("en_US"));
    QTRY_COMPARE(start->text(), QString("Start")); // the language change is posted to each window
    QCOMPARE(table->verticalHeaderItem(rise)->text(), QString("Rise time 10–90% (ms)"));
    if (!shots.isEmpty()) {
        QTest::qWait(50); // the charts redraw their titles
        w->grab().save(shots + "/tuning_en.png");
    }

    QTemporaryDir dir;
    sw.savePath = sw.openPath = dir.filePath("bench.zktune");
    w->findChild<QPushButton *>("tuneSaveButton")->click();
    const QList<Run> before = w->runs();
    TuningWindow fresh(TuningHost{}, nullptr);
    QVERIFY(fresh.openFrom(sw.openPath));
    QVERIFY(fresh.runs() == before);
    QCOMPARE(fresh.timeChart()->series().size(), 4);
}

void TestTuningWindow::sweepShowsGainPhaseAndBandwidth()
{
    Test t;
    t.signal = Signal::Sweep;
    t.quantity = Quantity::Velocity;
    t.size = 2;
    t.fromHz = 5;
    t.toHz = 40;
    t.durationS = 0.5;
    t.periodMs = 2;
    TuningWindow *w = openBench(t);
    w->findChild<QPushButton *>("tuneStartButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->isRunning(), 20000);
    QTRY_VERIFY2(w->runs().size() == 1, qPrintable(w->findChild<QLabel *>("tuneStatusLabel")->text()));
    QVERIFY(w->runs().first().complete);
    QCOMPARE(w->sweepChart()->series().size(), 2); // gain and phase
    QTableWidget *table = w->figuresTable();
    int bandwidth = -1;
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->verticalHeaderItem(row)->text() == "−3 dB 带宽 (Hz)")
            bandwidth = row;
    QVERIFY(bandwidth >= 0);
    const double hz = table->item(bandwidth, 0)->text().toDouble();
    QVERIFY2(hz > 5 && hz < 40, qPrintable(table->item(bandwidth, 0)->text()));
    const QString shots = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        w->resize(1100, 600);
        QTest::qWait(50);
        w->grab().save(shots + "/tuning_sweep.png");
    }
}

void TestTuningWindow::cutShortRunsLeaveTheMotorAsFound_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("enabledBefore");
    for (const bool enabled : {false, true}) {
        const QString e = enabled ? " (enabled before)" : "";
        QTest::newRow(qPrintable("stop button" + e)) << "button" << enabled;
        QTest::newRow(qPrintable("Esc" + e)) << "esc" << enabled;
        QTest::newRow(qPrintable("stop all" + e)) << "stopAll" << enabled;
    }
    QTest::newRow("closing the port") << "close" << false;
    QTest::newRow("an upgrade starts") << "upgrade" << false;
    QTest::newRow("periodic motor commands start") << "periodic" << false;
    QTest::newRow("losing the adapter") << "loss" << false;
}

void TestTuningWindow::cutShortRunsLeaveTheMotorAsFound()
{
    QFETCH(QString, how);
    QFETCH(bool, enabledBefore);
    MainWindow *mw = sw.window();
    SendingRoads *roads = mw->link()->roads();
    if (enabledBefore) {
        mw->form()->btn_motorMode->click();
        QTRY_VERIFY(sw.motor()->isEnabled());
        QTRY_COMPARE(mw->form()->motorStateLabel->text(), QString("电机已使能"));
    }
    Test t;
    t.quantity = Quantity::Velocity;
    t.size = 2;
    t.durationS = 20;
    t.periodMs = 2;
    TuningWindow *w = openBench(t);
    w->findChild<QPushButton *>("tuneStartButton")->click();
    QCOMPARE(roads->running(), QList<SendingRoads::Road>{SendingRoads::Tuning});
    QTRY_VERIFY_WITH_TIMEOUT(sw.motor()->velocity() > 1.0f, 10000); // moving
    if (how == "button") {
        w->findChild<QPushButton *>("tuneStartButton")->click();
    } else if (how == "esc") {
        QTest::keyClick(w, Qt::Key_Escape);
    } else if (how == "stopAll") {
        roads->stopAll();
    } else if (how == "close") {
        mw->form()->btn_comSwitch->click();
    } else if (how == "upgrade") {
        sw.motor()->bootloader().setSilentFrom(1); // keeps the transfer waiting
        mw->link()->firmwareImage = QByteArray(100, 'i');
        mw->on_firmwareUpgradeClicked();
        QVERIFY(roads->isRunning(SendingRoads::FirmwareUpgrade));
    } else if (how == "periodic") {
        mw->form()->periodicSend->setChecked(true);
        mw->form()->btn_canDebugSend->click();
        QVERIFY(roads->isRunning(SendingRoads::MotorPeriodic));
    } else {
        sw.adapter()->closePort();
        QTRY_VERIFY_WITH_TIMEOUT(!mw->isPortOpen(), 5000);
    }
    QVERIFY(!w->isRunning());
    QVERIFY(!roads->isRunning(SendingRoads::Tuning));
    QTRY_COMPARE(w->runs().size(), 1);
    QVERIFY(!w->runs().first().complete);
    if (how == "loss")
        return; // nothing reaches the motor any more, the disable neither
    QTRY_COMPARE(sw.motor()->isEnabled(), enabledBefore);
    if (how == "upgrade" || how == "periodic")
        return; // the road that took over goes on sending
    QTest::qWait(100); // frames sent before the stop may still be on their way
    const quint64 frames = sw.motor()->receivedFrameCount();
    QTest::qWait(200);
    QCOMPARE(sw.motor()->receivedFrameCount(), frames); // nothing after the stop
}

QTEST_MAIN(TestTuningWindow)
#include "tst_tuningwindow.moc"
