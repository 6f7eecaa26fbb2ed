// The serial terminal's send side and the spectrum quality analysis in the main window.
// The terminal itself is SerialTerminal; the conversation with the motor is
// SpectrumCapture; the window wires them, shows the result and raises the messages.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "charts/spectrum.h"
#include "charts/spectrumCapture.h"
#include "charts/ui/spectrumAnalyzerDialog.h"
#include "charts/ui/waveForm.h"
#include "link/sendingRoads.h"
#include "link/serial/serialCanAdapter.h"
#include "procedures/customCDC.h"
#include "link/serial/ui/serialTerminal.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include <QAction>
#include <QBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

void MainWindow::terminalInit()
{
    SerialTerminal::Widgets t;
    t.output = ui->comOutput;
    t.input = ui->comInput;
    t.sendButton = ui->btn_NormalSend;
    t.inputHex = ui->sw_btn_ASCIIHex;
    t.outputHex = ui->sw_btn_ASCIIHex_3;
    t.queueGroup = ui->DataListGroupBox;
    t.queueHome = ui->dataListLayout;
    t.queueInput = ui->DataListInput;
    t.queueHex = ui->sw_btn_ASCIIHex_2;
    t.queueList = ui->DataListWidget;
    t.add = ui->addDataList;
    t.remove = ui->deleteDataList;
    t.up = ui->upDataList;
    t.down = ui->downDataList;
    t.clear = ui->clearDataList;
    t.sendQueue = ui->sendDataList;
    t.interval = ui->sendListIntervalEdit;
    serialTerminal = new SerialTerminal(t, cdc->serialAdapter(), this);
    connect(serialTerminal, &SerialTerminal::MessageInfo, this, &MainWindow::on_MessageInfoRecv);
    connect(serialTerminal, &SerialTerminal::queueRunningChanged, this, [this](bool running) {
        if (running)
            cdc->roads()->started(SendingRoads::SendQueue, [this] { serialTerminal->stopQueue(); });
        else
            cdc->roads()->ended(SendingRoads::SendQueue);
    });
    connect(ui->btn_comDataList, &QPushButton::clicked, this, &MainWindow::comDataList);
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, &MainWindow::comDataList);

    spectrumDialog = new SpectrumAnalyzerDialog(this);
    spectrumCapture = new SpectrumCapture(cdc.data(), this);
    connect(spectrumCapture, &SpectrumCapture::finished, this,
            [this](SpectrumCapture::Outcome outcome, const QList<float> &samples) {
                onSpectrumCaptured(int(outcome), samples);
            });
    connect(spectrumCapture, &SpectrumCapture::progress, ui->harmonicProgressBar, &QProgressBar::setValue);
    connect(ui->actHarmonicAnalysis, &QAction::triggered, this, &MainWindow::on_btn_HarmonicAnalysis_clicked);
}

void MainWindow::comDataList() { serialTerminal->comDataList(); }

void MainWindow::on_btn_HarmonicAnalysis_clicked()
{
    if (spectrumCapture->isRunning())
        return;
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    // One procedure at a time owns the receive stream.
    CustomCDC &c = *cdc;
    for (const std::atomic_bool *busy :
         {&c.motorSideHandshake, &c.calHandshakeBusy, &c.motorSideStreaming, &c.outputShaftStreaming, &c.tableSending,
          &c.outTableSending, &c.compTableExpected, &c.paramReading, &c.paramWriting, &c.versionReading,
          &c.identifying, &c.bootWaitSerial, &c.upgradeMode}) {
        if (*busy) {
            emit autoQuitMessageBoxShow(tr("串口正被其他操作占用，请稍后再试"));
            return;
        }
    }
    // Periodic frames would be written into the console while it answers.
    spectrumPausedTimers.clear();
    for (QTimer *timer : {cdc->periodicTimer, canPeriodicTimer}) {
        if (timer && timer->isActive()) {
            timer->stop();
            spectrumPausedTimers.append(timer);
        }
    }
    if (!spectrumCapture->start())
        return;
    ui->btn_HarmonicAnalysis->setEnabled(false);
    ui->actHarmonicAnalysis->setEnabled(false);
    ui->harmonicProgressBar->show();
}

void MainWindow::onSpectrumCaptured(int result, const QList<float> &samples)
{
    ui->btn_HarmonicAnalysis->setEnabled(true);
    ui->actHarmonicAnalysis->setEnabled(true);
    ui->harmonicProgressBar->hide();
    for (const QPointer<QTimer> &timer : std::as_const(spectrumPausedTimers))
        if (timer && portOpen)
            timer->start();
    spectrumPausedTimers.clear();

    switch (SpectrumCapture::Outcome(result)) {
    case SpectrumCapture::Outcome::Done:
        break;
    case SpectrumCapture::Outcome::PortClosed:
        return; // the user closed the port, or its loss was reported already
    default:
        emit MessageInfo(6);
        return;
    }
    const int bad = Spectrum::firstNonFiniteSample(samples, Spectrum::FftSize);
    if (bad >= 0) {
        // A NaN or infinity turns every amplitude into nonsense: no chart, no verdict.
        spectrumDialog->discardResult();
        spectrumDialog->hide();
        DialogService::warning(this, tr("提示"),
                               tr("质量分析数据的第 %1 个采样值无效（%2），这不是一次有效的测量：未计算频谱，也未作判定。")
                                   .arg(bad + 1)
                                   .arg(QString::number(double(samples[bad]))));
        return;
    }
    ui->Torque->reset();
    ui->Torque->prepareData(samples);
    spectrumDialog->setTitle(tr("质量分析"));
    spectrumDialog->setData(samples.mid(0, Spectrum::FftSize), Spectrum::SampleRate, Spectrum::FftSize);
    spectrumDialog->show();
    spectrumDialog->raise();
}
