// The quality analysis end to end against the simulated motor console: the request, the
// block with its CRC, the torque chart, the spectrum and the verdict; and every way it
// can fail ending in message 6 with the receive pipeline working again.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "charts/spectrumCapture.h"
#include "charts/ui/spectrumAnalyzerDialog.h"
#include "charts/ui/spectrumTableDialog.h"
#include "charts/ui/waveForm.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "simWindow.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/dialogService.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

class TestQualityAnalysis : public QObject
{
    Q_OBJECT
    QTemporaryDir logDir;
    SimWindow sw;

    Ui_MainWindow *ui() const { return sw.window()->form(); }
    SpectrumAnalyzerDialog *dialog() const { return sw.window()->spectrumAnalyzer(); }

    void start()
    {
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Console, SimMotor::Layout::Long, &error), qPrintable(error));
        QVERIFY(sw.open());
    }

    // The terminal still gets what arrives: the console echoes a line typed into it.
    void pipelineWorks()
    {
        QVERIFY(!sw.window()->link()->harmonicAnalysis);
        QVERIFY(ui()->btn_HarmonicAnalysis->isEnabled());
        ui()->comInput->setPlainText("ping");
        ui()->btn_NormalSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(ui()->comOutput->toPlainText().split('\n').contains("ping"), 5000);
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }
    void cleanup() { sw.stop(); }

    void fullCheck_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<double>("hz");   // 0: the sim's healthy motor
        QTest::addColumn<QStringList>("verdicts");
        QTest::newRow("healthy, button") << "button" << 0.0 << QStringList{"正常", "正常"};
        QTest::newRow("24 Hz tone, menu") << "menu" << 1000.0 * 25 / 1024 << QStringList{"异常", "正常"};
        QTest::newRow("28 Hz tone, chat") << "chat" << 1000.0 * 29 / 1024 << QStringList{"正常", "异常"};
    }

    void fullCheck()
    {
        QFETCH(QString, trigger);
        QFETCH(double, hz);
        QFETCH(QStringList, verdicts);
        start();
        const SimSpectrumSignal signal = hz > 0 ? SimSpectrumSignal::tone(hz, 0.1) : SimSpectrumSignal::healthy();
        sw.motor()->consoleExtras().setSpectrumSignal(signal);
        if (trigger == "button")
            ui()->btn_HarmonicAnalysis->click();
        else if (trigger == "menu")
            ui()->actHarmonicAnalysis->trigger();
        else
            sw.window()->on_invokeQtFunction("质量分析!");
        QTRY_VERIFY_WITH_TIMEOUT(dialog()->isVisible(), 5000);

        QCOMPARE(sw.motor()->consoleExtras().spectrumRequests(), 1);
        QCOMPARE(sw.motor()->consoleExtras().receivedBytes(), QByteArray::fromHex("735554")); // "s", 55 54
        QCOMPARE(ui()->Torque->getWaveData(), SimSpectrum::samples(signal));
        const QTableWidget *t = dialog()->tableDialog()->table();
        QVERIFY(dialog()->tableDialog()->isVisible());
        QCOMPARE((QStringList{t->item(0, 3)->text(), t->item(1, 3)->text()}), verdicts);
        QCOMPARE(dialog()->windowTitle(), QString("质量分析"));
        QCOMPARE(ui()->harmonicProgressBar->value(), 100);
        QVERIFY(shownMessages().isEmpty());
        pipelineWorks();
    }

    // A block with a sample that is no number passes its CRC, but is no measurement.
    void badSampleIsNoMeasurement_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<float>("value");
        QTest::newRow("NaN at the first sample") << 0 << std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("infinity in the middle") << 511 << std::numeric_limits<float>::infinity();
        QTest::newRow("-infinity at the last") << 1023 << -std::numeric_limits<float>::infinity();
    }
    void badSampleIsNoMeasurement()
    {
        QFETCH(int, index);
        QFETCH(float, value);
        start();
        SimSpectrumSignal s = SimSpectrumSignal::tone(1000.0 * 25 / 1024, 0.1);
        s.replaced.insert(index, value);
        sw.motor()->consoleExtras().setSpectrumSignal(s);
        ui()->btn_HarmonicAnalysis->click();
        QTRY_VERIFY_WITH_TIMEOUT(!shownBoxes().isEmpty(), 5000);
        const QString text = shownBoxes().constLast().second;
        QVERIFY2(text.contains(QString("第 %1 个").arg(index + 1)) && text.contains(QString::number(double(value))),
                 qPrintable(text));
        QVERIFY(!dialog()->isVisible());
        QVERIFY(!dialog()->tableDialog()->isVisible());
        QVERIFY(ui()->btn_HarmonicAnalysis->isEnabled());
        QVERIFY(shownMessages().isEmpty());
    }

    void failuresEndInMessageSix_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("broken CRC") << "crc";
        QTest::newRow("silent motor") << "silent";
        QTest::newRow("first byte not T") << "header";
        QTest::newRow("block cut short") << "short";
    }

    void failuresEndInMessageSix()
    {
        QFETCH(QString, fault);
        start();
        SpectrumCapture *capture = sw.window()->qualityCapture();
        capture->setHeaderTimeoutMs(500);
        capture->setBlockTimeoutMs(300);
        if (fault == "crc") {
            SimSpectrumSignal s = SimSpectrumSignal::healthy();
            s.breakCrc = true;
            sw.motor()->consoleExtras().setSpectrumSignal(s);
        } else if (fault == "silent") {
            sw.adapter()->setDropAll(true);
        } else if (fault == "header") {
            sw.adapter()->corruptNextAnswers(1, 0);
        } else {
            sw.adapter()->setSplitOffsets({1000}, 1500);
        }
        ui()->btn_HarmonicAnalysis->click();
        QVERIFY(!ui()->btn_HarmonicAnalysis->isEnabled() && ui()->harmonicProgressBar->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{6}, 5000);
        QVERIFY(!ui()->harmonicProgressBar->isVisible());
        QVERIFY(!capture->isRunning());
        QVERIFY(!dialog()->isVisible());
        QVERIFY(ui()->Torque->getWaveData().isEmpty());
        sw.adapter()->setDropAll(false);
        sw.adapter()->setSplitOffsets({});
        // The late rest of a cut block reaches the terminal on its own line first.
        if (fault == "short") {
            QTRY_COMPARE_WITH_TIMEOUT(sw.adapter()->stats().answersSent, quint64(1), 5000);
            QTest::qWait(100);
        }
        pipelineWorks();
        QCOMPARE(shownMessages(), QList<int>{6});
    }

    // A closed port, or one that another procedure is reading, gets no request.
    void refusedWhenThePortIsNotFree()
    {
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Console, SimMotor::Layout::Long, &error), qPrintable(error));
        ui()->btn_HarmonicAnalysis->click();
        QCOMPARE(shownMessages(), QList<int>{0});
        QVERIFY(sw.open());
        sw.window()->link()->identifying = true;
        ui()->btn_HarmonicAnalysis->click();
        QTest::qWait(50);
        QCOMPARE(sw.adapter()->stats().consoleBytes, quint64(0));
        QVERIFY(!sw.window()->qualityCapture()->isRunning());
        QCOMPARE(DialogService::history().last().kind, DialogService::Notice);
    }
};

QTEST_MAIN(TestQualityAnalysis)
#include "tst_qualityanalysis.moc"
