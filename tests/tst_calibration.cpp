// Encoder calibration and parameter identification end to end against the simulated
// controller on its serial console: both encoders, long and short records, the table
// downloads with right and wrong replies, the uploaded table, the failures of the
// handshake and the stream, the special motor's CAN commands and the chat rows.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "calibration/calibrationCapture.h"
#include "charts/ui/waveForm.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "simWindow.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QDialog>
#include <QLineSeries>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;

QStringList notices()
{
    QStringList out;
    for (const auto &r : DialogService::history())
        if (r.kind == DialogService::Notice)
            out << r.text;
    return out;
}

double wrap180(double deg) { return std::remainder(deg, 360.0); }

void screenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + "/" + name + ".png");
}
} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    SimWindow sw;

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }
    SimCalibration &sim() const { return sw.motor()->calibration(); }

    void start(SimCalibration::Config config, SimCalibration::Faults faults = {},
               SimSerialAdapter::Mode mode = SimSerialAdapter::Console)
    {
        QString error;
        QVERIFY2(sw.start(mode, SimMotor::Layout::Long, &error), qPrintable(error));
        sim().setConfig(config);
        sim().setFaults(faults);
        QVERIFY(sw.open());
    }

    void calibrate(bool outputShaft)
    {
        ui()->sw_btn_calibration->setChecked(outputShaft);
        ui()->btn_calibration->click();
    }

    bool boxShown(const QString &title, const QString &text) const { return shownBoxes().contains({title, text}); }

    // The result window offers the table; nothing reaches the controller before the user
    // confirms the download there.
    void confirmDownload(const QString &entries)
    {
        QTRY_VERIFY_WITH_TIMEOUT(w()->calibrationResultDialog() != nullptr, 20000);
        QDialog *d = w()->calibrationResultDialog();
        QTest::qWait(150);
        QCOMPARE(sim().motorPackets() + sim().shaftPackets(), 0);
        QVERIFY(!w()->link()->tableSending && !w()->link()->outTableSending);
        QVERIFY2(d->findChild<QLabel *>("calDownloadFacts")->text().contains(entries),
                 qPrintable(d->findChild<QLabel *>("calDownloadFacts")->text()));
        d->findChild<QPushButton *>("calDownloadButton")->click();
    }

private slots:
    void initTestCase()
    {
        Logger::init(logDir.path(), Logger::DEBUG);
        MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
    }
    void cleanup() { sw.stop(); }

    // 7 pole pairs: 3584 records, a table that cancels the encoder error, 18 confirmed packets.
    void motorSideRunCancelsTheEncoderError_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Chinese") << "zh_CN";
        if (!qEnvironmentVariableIsEmpty("ZK_SCREENSHOT_DIR"))
            QTest::newRow("English") << "en_US";
    }
    void motorSideRunCancelsTheEncoderError()
    {
        QFETCH(QString, language);
        SimCalibration::Config c;
        c.polePairs = 7;
        c.recordsPerSecond = 2500;
        start(c);
        if (language == "en_US")
            w()->findChild<SwitchButton *>("languageSwitch")->setChecked(true);
        QCOMPARE(ui()->tabWidget->indexOf(ui()->tab_Calibration), -1);
        calibrate(false);

        QTRY_VERIFY_WITH_TIMEOUT(w()->link()->motorSideStreaming, 5000);
        QCOMPARE(ui()->tabWidget->indexOf(ui()->tab_Calibration), 3);
        QCOMPARE(ui()->tabWidget->currentIndex(), 3);
        QTRY_VERIFY(notices().contains(QString("待校准极对数为7")) || language != "zh_CN");
        QTRY_VERIFY_WITH_TIMEOUT(sim().recordsSent() > 1500, 10000);
        screenshot(w(), "calibration_live_" + language);

        confirmDownload("256");
        QCOMPARE(sim().recordsSent(), 3584);
        QCOMPARE(w()->calibrationCapture()->frameCount(), 3584);
        const QList<QList<float>> chart = ui()->Calibration->getWaveDatas();
        QCOMPARE(chart.size(), 3);
        QCOMPARE(chart[0].size(), 3584);
        QTRY_VERIFY_WITH_TIMEOUT(boxShown(w()->tr("提示"), w()->tr("传输成功！")), 5000);
        QTest::qWait(200);
        screenshot(w()->calibrationResultDialog(), "calibration_result_" + language);

        const CalibrationResults &r = w()->calibrationResults();
        QVERIFY(r.motor.ok);
        QCOMPARE(w()->calibrationResultDialog()->findChildren<WaveForm *>().size(), 4);
        // The controller got exactly the table and offset that were computed.
        QCOMPARE(sim().motorPackets(), 18);
        QCOMPARE(sim().motorTable(), r.compTable);
        QCOMPARE(sim().motorOffset(), r.eoffset);
        QCOMPARE(r.eoffset, r.motor.elecOffset);
        QVERIFY(ui()->comOutput->toPlainText().contains("eoffset\n\n"));

        // Compensated forward readings against the rotor's true position: the error the
        // encoder added (about ±1.6°) is gone to within 0.05°.
        const int Q = 256 * 7;
        double worstCompensated = 0, worstMeasured = 0;
        for (int i = 0; i < Q; ++i) {
            const double refer = (i + 1) * kTwoPi / Q;
            const double rotor = refer - c.lag - c.ripple * std::sin(2.0 * 7 * refer);
            const double rotorDeg = rotor * 180 / M_PI;
            worstCompensated = std::max(worstCompensated, std::fabs(wrap180(r.motor.benefitCompensated[i] - rotorDeg)));
            worstMeasured = std::max(worstMeasured,
                                     std::fabs(wrap180(r.motor.benefitMeasured[i] - rotorDeg)));
        }
        qInfo("worst compensated error %.4f°, uncompensated %.4f°", worstCompensated, worstMeasured);
        QVERIFY2(worstCompensated < 0.05, qPrintable(QString::number(worstCompensated)));
        QVERIFY(worstMeasured > 0.5);
        QVERIFY(shownMessages().isEmpty());
    }

    void downloadStopsAtAWrongReply_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("outputShaft");
        QTest::addColumn<int>("packet");
        QTest::newRow("motor side, wrong packet number") << false << false << 5;
        QTest::newRow("motor side, no reply") << true << false << 9;
        QTest::newRow("output shaft, wrong packet number") << false << true << 40;
        QTest::newRow("output shaft, no reply") << true << true << 3;
    }
    void downloadStopsAtAWrongReply()
    {
        QFETCH(bool, silent);
        QFETCH(bool, outputShaft);
        QFETCH(int, packet);
        SimCalibration::Config c;
        c.polePairs = 1;
        SimCalibration::Faults f;
        (silent ? f.silentReplyAt : f.wrongReplyAt) = packet;
        start(c, f);
        calibrate(outputShaft);
        confirmDownload(outputShaft ? "4096" : "256");
        const int taken = packet + 1;
        QTRY_VERIFY_WITH_TIMEOUT((outputShaft ? sim().shaftPackets() : sim().motorPackets()) == taken, 15000);
        if (outputShaft && silent) {
            QTRY_VERIFY(notices().contains(w()->tr("保存输出轴校准数据错误：设备无应答，传输失败！！")));
        } else {
            QTRY_VERIFY(boxShown(w()->tr("错误"), w()->tr("接收失败！")));
            QCOMPARE(notices().contains(w()->tr("设备无应答，传输失败！！")), silent);
        }
        QTRY_VERIFY(!w()->link()->tableSending && !w()->link()->outTableSending);
        QTest::qWait(100);
        QCOMPARE(outputShaft ? sim().shaftPackets() : sim().motorPackets(), taken);
        QVERIFY(!boxShown(w()->tr("提示"), w()->tr("传输成功！")));
    }

    // The output shaft with step 1: 4096 'H' records, 137 confirmed packets, and a table
    // that maps each measured index back to the true one.
    void outputShaftRun()
    {
        SimCalibration::Config c;
        start(c);
        calibrate(true);
        QTRY_VERIFY_WITH_TIMEOUT(notices().contains(w()->tr("开始接收校准数据！")), 5000);
        confirmDownload("4096");
        QTRY_VERIFY_WITH_TIMEOUT(boxShown(w()->tr("提示"), w()->tr("输出编码器校准完毕！")), 15000);
        QCOMPARE(sim().shaftPackets(), 137);
        const CalibrationResults &r = w()->calibrationResults();
        QVERIFY(r.shaft.ok);
        QCOMPARE(sim().shaftTable(), r.shaft.inverse.mid(0, 4096));
        QVERIFY(ui()->comOutput->toPlainText().contains(w()->tr("输出编码器校准完毕！")));

        // Index i past the zero position reads i + (e(θi) − e(θ0))·4096/2π.
        double zero = 0;
        for (int t = 0; t < 4096; ++t) { // the sample where the reading wraps through 0
            const double th = c.shaftStart + t * kTwoPi / 4096;
            const double reading = std::fmod(th + sim().shaftError(th) + c.shaftZero, kTwoPi);
            const double prev = std::fmod(th - kTwoPi / 4096 + sim().shaftError(th - kTwoPi / 4096) + c.shaftZero, kTwoPi);
            if (reading < prev)
                zero = th;
        }
        int worst = 0;
        for (int i = 0; i < 4096; ++i) {
            const double th = zero + i * kTwoPi / 4096;
            const int measured = int(std::floor(i + (sim().shaftError(th) - sim().shaftError(zero)) * 4096 / kTwoPi));
            const int m = (measured + 4096) % 4096;
            const int d = std::abs(int(r.shaft.inverse[m]) - i);
            worst = std::max(worst, std::min(d, 4096 - d));
        }
        qInfo("worst output-shaft index error %d", worst);
        QVERIFY(worst <= 2);
        QVERIFY(shownMessages().isEmpty());
    }

    void streamErrorsStopTheRun_data()
    {
        QTest::addColumn<bool>("outputShaft");
        QTest::addColumn<QString>("fault");
        QTest::newRow("output shaft, one flipped bit") << true << "flip";
        QTest::newRow("motor side, count one ahead") << false << "count";
    }
    void streamErrorsStopTheRun()
    {
        QFETCH(bool, outputShaft);
        QFETCH(QString, fault);
        SimCalibration::Config c;
        c.polePairs = 1;
        SimCalibration::Faults f;
        (fault == "flip" ? f.flipBitInRecord : f.countAheadAt) = 30;
        start(c, f);
        calibrate(outputShaft);
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{6}, 10000);
        QVERIFY(!w()->link()->motorSideStreaming && !w()->link()->outputShaftStreaming);
        QTest::qWait(300);
        QCOMPARE(sim().shaftPackets() + sim().motorPackets(), 0);
        QVERIFY(!w()->calibrationResultDialog());
    }

    // A capture that cannot give a sound table: refused with the reason, nothing sent.
    void corruptTablesAreRefused_data()
    {
        QTest::addColumn<bool>("outputShaft");
        QTest::addColumn<int>("polePairs");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("wildSample");
        QTest::newRow("motor side, encoder reads 1.5 times the travel") << false << 4 << 1.5 << -1;
        QTest::newRow("motor side, one wild sample") << false << 7 << 1.0 << 1000;
        QTest::newRow("output shaft, one wild sample") << true << 1 << 1.0 << 48 + 100;
    }
    void corruptTablesAreRefused()
    {
        QFETCH(bool, outputShaft);
        QFETCH(int, polePairs);
        QFETCH(double, scale);
        QFETCH(int, wildSample);
        SimCalibration::Config c;
        c.polePairs = quint32(polePairs);
        c.recordsPerSecond = 4000;
        c.measuredScale = scale;
        SimCalibration::Faults f;
        f.wildSampleAt = wildSample;
        start(c, f);
        calibrate(outputShaft);
        QTRY_VERIFY_WITH_TIMEOUT(!shownBoxes().isEmpty(), 20000);
        const QPair<QString, QString> box = shownBoxes().constFirst();
        QCOMPARE(box.first, w()->tr("错误"));
        QVERIFY2(box.second.contains("未向电机发送任何数据：\n") && !box.second.endsWith('\n'), qPrintable(box.second));
        QTest::qWait(300);
        QVERIFY(!w()->calibrationResultDialog());
        QCOMPARE(sim().motorPackets() + sim().shaftPackets(), 0);
        QVERIFY(!w()->link()->tableSending && !w()->link()->outTableSending);
    }

    // Short records: the controller computes the table and uploads it. Started from the
    // chat as well.
    void shortRecordsEndInTheUploadedTable_data()
    {
        QTest::addColumn<bool>("outputShaft");
        QTest::addColumn<bool>("fromChat");
        QTest::addColumn<bool>("badUpload");
        QTest::newRow("motor side") << false << false << false;
        QTest::newRow("output shaft, from the chat") << true << true << false;
        QTest::newRow("motor side, wrong first byte") << false << false << true;
    }
    void shortRecordsEndInTheUploadedTable()
    {
        QFETCH(bool, outputShaft);
        QFETCH(bool, fromChat);
        QFETCH(bool, badUpload);
        SimCalibration::Config c;
        c.shortRecords = true;
        c.polePairs = 2;
        SimCalibration::Faults f;
        f.badUpload = badUpload;
        start(c, f);
        ui()->sw_btn_calibration->setChecked(outputShaft);
        if (fromChat)
            w()->on_invokeQtFunction(QString("好的，马上开始校准!"));
        else
            ui()->btn_calibration->click();
        if (badUpload) {
            QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{14}, 15000);
            QVERIFY(!w()->link()->compTableExpected);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(notices().contains(w()->tr("校准成功！")), 15000);
        QCOMPARE(w()->calibrationResultDialog()->findChildren<WaveForm *>().size(), 1);
        const QList<float> table = w()->calibrationResults().uploadedTable;
        QCOMPARE(table.size(), 256);
        const double e0 = outputShaft ? sim().shaftError(0) : sim().motorError(0);
        QCOMPARE(table[0], float(-e0 * 16384 / kTwoPi));
        QCOMPARE(ui()->comOutput->toPlainText().contains("Rs: 0.315 Ls: "), !outputShaft);
        QVERIFY(!w()->link()->compTableExpected);
        QVERIFY(shownMessages().isEmpty());
    }

    void handshakeFailures_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("outputShaft");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("message");
        QTest::newRow("port closed") << false << false << "" << 0;
        QTest::newRow("output shaft, no reply") << true << true << "silent" << 5;
        QTest::newRow("motor side, wrong reply") << true << false << "bad" << 6;
        QTest::newRow("motor side, no pole pairs") << true << false << "npp0" << 6;
    }
    void handshakeFailures()
    {
        QFETCH(bool, open);
        QFETCH(bool, outputShaft);
        QFETCH(QString, fault);
        QFETCH(int, message);
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Console, SimMotor::Layout::Long, &error), qPrintable(error));
        SimCalibration::Faults f;
        f.silentHandshake = fault == "silent";
        f.badHandshake = fault == "bad";
        sim().setFaults(f);
        SimCalibration::Config c;
        c.polePairs = fault == "npp0" ? 0 : 7;
        sim().setConfig(c);
        if (open)
            QVERIFY(sw.open());
        calibrate(outputShaft);
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{message}, 5000);
        QVERIFY(!w()->link()->calHandshakeBusy && !w()->link()->motorSideHandshake);
        QVERIFY(!w()->link()->motorSideStreaming && !w()->link()->outputShaftStreaming);
    }

    void identification_data()
    {
        QTest::addColumn<bool>("fromChat");
        QTest::newRow("button") << false;
        QTest::newRow("chat") << true;
    }
    void identification()
    {
        QFETCH(bool, fromChat);
        start({});
        QVERIFY(sw.motor()->setRegister("Rs", 0.123f));
        QVERIFY(sw.motor()->setRegister("Ls", 0.00025f));
        QVERIFY(sw.motor()->setRegister("Flux", 0.0071f));
        sw.motor()->setIdentifyDelayMs(300);
        if (fromChat)
            w()->on_invokeQtFunction(QString("请稍等，正在参数标定!"));
        else
            ui()->MPreCalculateButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui()->RsLabel->text(), QString("123 mR"), 5000);
        QCOMPARE(ui()->LsLabel->text(), QString("250 uH"));
        QCOMPARE(ui()->FluxLabel->text(), QString("0.0071 Wb"));
        QCOMPARE(ui()->DampLabel->text(), QString("0.0023"));
        QCOMPARE(ui()->InertiaLabel->text(), QString("0.000185 kg*m2"));
        QVERIFY(!w()->link()->identifying);
        QVERIFY(shownMessages().isEmpty());
    }

    // A run's window of 300 000 samples is drawn per pixel column, every peak kept.
    void liveChartDrawsLongRunsPerPixel()
    {
        WaveForm chart;
        chart.createChart("校准", false);
        chart.setMaxPoints(500000);
        chart.setVisiblePoints(500000);
        chart.resize(800, 400);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QList<float> line(300000, 1.0f);
        line[123457] = 9.0f;
        line[200001] = -4.0f;
        QList<QList<float>> channels{line, QList<float>(300000, 2.0f)};
        chart.prepareDataVector(channels, {});
        const auto series = chart.dataSeries();
        QCOMPARE(series.size(), 2);
        const QList<QPointF> pts = qobject_cast<QLineSeries *>(series[0])->points();
        QVERIFY2(pts.size() < 2 * 800 + 4, qPrintable(QString::number(pts.size())));
        float lo = 0, hi = 0;
        for (const QPointF &p : pts) {
            lo = std::min(lo, float(p.y()));
            hi = std::max(hi, float(p.y()));
        }
        QCOMPARE(hi, 9.0f);
        QCOMPARE(lo, -4.0f);
        QCOMPARE(chart.getWaveDatas().value(0).size(), 300000);
    }

    // The in-wheel hub motor takes one CAN command instead of the console dialogue.
    void specialMotorCommands_data()
    {
        QTest::addColumn<bool>("calibration");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("calibration") << true << QByteArray("\x01\x00\x66\x00\x00\x00\x00\x00", 8);
        QTest::newRow("identification") << false << QByteArray("\x01\x00\x99\x00\x00\x00\x00\x00", 8);
    }
    void specialMotorCommands()
    {
        QFETCH(bool, calibration);
        QFETCH(QByteArray, payload);
        start({}, {}, SimSerialAdapter::Adapter);
        w()->motorType = 1;
        (calibration ? ui()->btn_calibration : ui()->MPreCalculateButton)->click();
        auto sent = [&] {
            for (const SimCanFrame &f : sw.adapter()->busFrames())
                if (f.id == 0x7FF && f.data == payload)
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(sent(), 3000);
        QVERIFY(!w()->link()->motorSideHandshake && !w()->link()->identifying);
    }
};

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
