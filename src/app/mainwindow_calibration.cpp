// Encoder calibration and motor parameter identification in the main window: the start
// of a run, the record cutting and the live chart, the results (computed here or
// uploaded by the controller), the table downloads, and the identification.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "calibration/calConversation.h"
#include "calibration/calibrationCapture.h"
#include "calibration/ui/calResultDialog.h"
#include "charts/ui/waveForm.h"
#include "link/sendingRoads.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int kRunHistory = 500000;   // samples the live chart keeps during a run
constexpr int kStartDelayMs = 100;    // before ESC, and from ESC to the handshake
constexpr int kCalibrationTabIndex = 3;
constexpr int kNoticeDelayMs = 20;

int percent(qint64 part, qint64 whole) { return whole > 0 ? int(qBound<qint64>(qint64(0), 100 * part / whole, qint64(100))) : 0; }
} // namespace

void MainWindow::calibrationInit()
{
    CalibrationCapture::Events ev;
    ev.rxCount = [this] { emit RxCntChanged(); };
    ev.text = [this](const QString &t) { emit uartMsg(t); };
    ev.message = [this](int code) { emit MessageInfo(code); };
    ev.chartTimer = [this](bool on) { emit CalWaveUpdateTimerActive(on); };
    ev.compensationTable = [this] { emit CompensationTableRecv(); };
    ev.outputShaftResult = [this] { emit outCalWaveResultShow(); };
    ev.sweepStarted = [this] { emit autoQuitMessageBoxShow(tr("开始接收校准数据！")); };
    calCapture = std::make_unique<CalibrationCapture>(cdc.data(), ev);

    tableDownload = new TableDownload(this);
    tableDownload->setPort(cdc->calPort());
    tableUpload = new TableUpload(this);
    tableUpload->setPort(cdc->calPort());

    connect(cdc.data(), &CustomCDC::nppChanged, this, &MainWindow::on_nppChanged);
    connect(cdc.data(), &CustomCDC::CalWaveUpdate, this, &MainWindow::on_CalWaveUpdate);
    connect(calWaveTimer, &QTimer::timeout, this, &MainWindow::onCalWaveUpdateTimerTimeout);
    connect(this, &MainWindow::CalWaveUpdateTimerActive, this, &MainWindow::onCalWaveUpdateTimerActive);
    connect(this, &MainWindow::MotorSideCalRecv, this, &MainWindow::on_MotorSideCalRecv);
    connect(this, &MainWindow::OutputShaftCalRecv, this, &MainWindow::on_OutputShaftCalRecv);
    connect(this, &MainWindow::CalWaveResultShow, this, &MainWindow::on_CalWaveResultShow);
    connect(this, &MainWindow::outCalWaveResultShow, this, &MainWindow::on_outCalWaveResultShow);
    connect(this, &MainWindow::CompensationTableRecv, this, &MainWindow::on_CompensationTableRecv);
    connect(this, &MainWindow::MotorParametersChanged, this, &MainWindow::on_MotorParametersChanged);
    connect(this, &MainWindow::multiDataProcessed, this, &MainWindow::on_multiDataProcessed);
    connect(ui->sw_btn_calibration, &SwitchButton::statusChanged, this, &MainWindow::on_calibration_statusChanged);
    on_calibration_statusChanged(ui->sw_btn_calibration->checked());

    connect(tableDownload, &TableDownload::packetConfirmed, this,
            [this](int packet, int total) { ui->calProgressBar->setValue(percent(packet + 1, total)); });
    connect(tableDownload, &TableDownload::lateReply, this,
            [this] { emit autoQuitMessageBoxShow(tr("设备无应答，传输失败！！")); });
    connect(tableDownload, &TableDownload::finished, this, [this](TableDownload::Outcome outcome, int packet) {
        const bool motor = tableDownload->kind() == TableDownload::Kind::MotorSide;
        (motor ? cdc->tableSending : cdc->outTableSending) = false;
        switch (outcome) {
        case TableDownload::Outcome::PortClosed:
            DialogService::critical(this, tr("错误"), tr("串口异常关闭，请检查设备链接！"));
            break;
        case TableDownload::Outcome::NoReply:
            emit autoQuitMessageBoxShow(tr("保存输出轴校准数据错误：设备无应答，传输失败！！"));
            break;
        case TableDownload::Outcome::WrongReply:
            Logger::warning(QString("补偿表第 %1 包应答错误").arg(packet), "SendCalibrateData");
            DialogService::critical(this, tr("错误"), tr("接收失败！"));
            break;
        case TableDownload::Outcome::Success:
            if (motor) {
                DialogService::information(this, tr("提示"), tr("传输成功！"));
            } else {
                emit uartMsg(tr("输出编码器校准完毕！"));
                DialogService::information(this, tr("提示"), tr("输出编码器校准完毕！"));
            }
            break;
        }
    });
    connect(tableUpload, &TableUpload::finished, this, [this](bool ok, const QList<float> &table) {
        if (!ok) {
            emit MessageInfo(14);
            emit CalWaveUpdateTimerActive(false);
            cdc->compTableExpected = false;
            return;
        }
        calResults.uploadedTable = table;
        showCalibrationResult(CalResultDialog::uploadedTable(table));
        cdc->compTableExpected = false;
        QTimer::singleShot(kNoticeDelayMs, this, [this] {
            emit autoQuitMessageBoxShow(tr("校准成功！"));
            emit CalWaveUpdateTimerActive(false);
        });
    });
}

void MainWindow::calDataAnalysis()
{
    while (calAnalysisRunning) {
        QThread::msleep(10);
        calCapture->decodePending([this] { return portOpen.load(); });
    }
}

// ---------------------------------------------------------------- start

void MainWindow::on_calibration_statusChanged(bool outputShaft)
{
    cdc->outputShaftEncoder = outputShaft;
    ui->calibrationLabel->setText(outputShaft ? tr("输出轴编码器") : tr("电机侧编码器"));
    ui->calibrationLabel->setStyleSheet(outputShaft ? "color: rgb(205, 55, 0);" : "color: rgb(34, 193, 34);");
}

void MainWindow::on_btn_calibration_clicked()
{
    // Nothing else may drive the motor while it calibrates.
    cdc->roads()->stopAll();
    // A new run starts from scratch: whatever the last one left running stops here.
    if (CalHandshake *h = cdc->calibrationHandshake())
        h->cancel();
    tableDownload->cancel();
    tableUpload->cancel();
    for (std::atomic_bool *f : {&cdc->motorSideStreaming, &cdc->outputShaftStreaming, &cdc->tableSending,
                                &cdc->outTableSending, &cdc->compTableExpected, &cdc->calHandshakeBusy,
                                &cdc->motorSideHandshake})
        *f = false;
    {
        QMutexLocker lock(&cdc->calRecordMutex);
        cdc->calRecordQueue.clear();
    }

    calCapture->resetRun();
    ui->Calibration->setMaxPoints(kRunHistory);
    ui->Calibration->setVisiblePoints(kRunHistory);
    calResults.clear();
    ui->Calibration->reset();
    ui->calProgressBar->setValue(0);

    QTimer::singleShot(kStartDelayMs, this, [this] {
        stopCANDebug();
        if (!portOpen) {
            emit MessageInfo(0);
            return;
        }
        cdc->motorMode(1, true, 0);
        QTimer::singleShot(kStartDelayMs, this, [this] {
            if (motorType == 0)
                cdc->calibration();
            else
                cdc->SpecialCalibration();
        });
    });
}

void MainWindow::on_CalWaveUpdate()
{
    if (calibrationTab) {
        ui->tabWidget->insertTab(kCalibrationTabIndex, calibrationTab, tr("校准"));
        calibrationTab = nullptr;
    }
    ui->tabWidget->setCurrentIndex(kCalibrationTabIndex);
    calWaveTimer->start();
}

void MainWindow::on_nppChanged(unsigned int polePairs)
{
    calCapture->polePairs = polePairs;
    on_autoQuitMessageBoxShow(tr("待校准极对数为") + QString::number(polePairs));
}

void MainWindow::onCalWaveUpdateTimerActive(bool active)
{
    if (active && !calWaveTimer->isActive())
        calWaveTimer->start();
    else if (!active && calWaveTimer->isActive())
        calWaveTimer->stop();
}

// ---------------------------------------------------------------- stream

void MainWindow::cutCalibrationRecords(bool streaming, int recordSize)
{
    // A poll queued before the stream ended must not eat the bytes that follow it.
    if (!portOpen || !streaming || cdc->compTableExpected)
        return;
    QMutexLocker port(&cdc->portMutex());
    QMutexLocker queue(&cdc->calRecordMutex);
    while (serialPort.isOpen() && serialPort.bytesAvailable() >= recordSize)
        cdc->calRecordQueue.append(serialPort.read(recordSize));
}

void MainWindow::on_MotorSideCalRecv() { cutCalibrationRecords(cdc->motorSideStreaming, cdc->shortRecords ? 9 : 21); }

void MainWindow::on_OutputShaftCalRecv()
{
    cutCalibrationRecords(cdc->outputShaftStreaming, cdc->shortRecords ? 13 : 21);
}

void MainWindow::onCalWaveUpdateTimerTimeout()
{
    using Mode = CalibrationCapture::Mode;
    CalibrationCapture::Snapshot snap = calCapture->takeSnapshot();
    if (snap.mode == Mode::None)
        return;
    WaveForm *chart = ui->Calibration;
    const bool fresh = std::any_of(snap.channels.cbegin(), snap.channels.cend(),
                                   [](const QList<float> &c) { return !c.isEmpty(); });
    if (fresh) {
        if (snap.mode == Mode::ShaftLong)
            emit multiDataProcessed(chart, chart->processMultiWaveData(snap.channels));
        else
            chart->prepareDataVector(snap.channels, {});
    }
    if (snap.mode == Mode::MotorLong)
        ui->calProgressBar->setValue(
            percent(snap.frameCount, qint64(calCapture->polePairs) * 2 * CalMath::kPointsPerPolePair));
    else if (snap.mode == Mode::ShaftLong)
        ui->calProgressBar->setValue(
            percent(calCapture->shaftHCount(), qint64(calCapture->shaftStep()) * CalMath::kShaftTableSize));

    if (snap.motorSideComplete) {
        cdc->motorSideStreaming = false;
        if (calWaveTimer->isActive())
            calWaveTimer->stop();
        emit CalWaveResultShow();
    }
}

void MainWindow::on_multiDataProcessed(WaveForm *chart, const MultiWaveDataContainer &data)
{
    chart->drawMultiWaveData(data);
}

// ---------------------------------------------------------------- motor-side result

void MainWindow::on_CalWaveResultShow()
{
    calResults.calWaveDatas = ui->Calibration->getWaveDatas();
    QList<QList<float>> &ch = calResults.calWaveDatas;
    if (ch.size() < 3) {
        Logger::error(QString("calibration chart holds %1 channels").arg(ch.size()), "on_CalWaveResultShow");
        DialogService::critical(this, tr("错误"), tr("校准数据不完整或无效，未生成补偿表。"));
        return;
    }
    CalMath::unwrapMotorError(ch[2]);
    calResults.rawRefer.clear();
    calResults.rawReal.clear();
    calResults.rawErr.clear();
    for (qsizetype i = 0; i < ch[0].size() && i < ch[1].size() && i < ch[2].size(); ++i) {
        calResults.rawRefer.append(ch[0][i] * CalMath::kDegPerRad);
        calResults.rawReal.append(ch[1][i] * CalMath::kDegPerRad);
        calResults.rawErr.append(ch[2][i] * CalMath::kDegPerRad);
    }
    Cal_calibrate();
}

void MainWindow::Cal_calibrate()
{
    const QList<QList<float>> &ch = calResults.calWaveDatas;
    const QList<int> raw = calCapture->rawCounts();
    CalMath::MotorCalibration r = CalMath::calibrateMotorSide(ch.value(0), ch.value(1), ch.value(2), raw,
                                                              calCapture->polePairs);
    if (!r.ok) {
        Logger::error("no table: " + r.problem, "Cal_calibrate");
        DialogService::critical(this, tr("错误"), tr("校准数据不完整或无效，未生成补偿表，未向电机发送任何数据：\n%1").arg(r.problem));
        return;
    }
    calResults.motor = r;
    calResults.elecOffset = r.elecOffset;
    calResults.mechOffset = r.mechOffset;
    auto *dialog = CalResultDialog::motorResult(calResults);
    const auto [lo, hi] = std::minmax_element(r.compTable.cbegin(), r.compTable.cend());
    dialog->offerDownload(tr("补偿表 %1 项，取值 %2 … %3（单位 1/16384 圈），电角度偏移 %4 rad；"
                             "下载共 %5 包，写入后电机使用新表。")
                              .arg(r.compTable.size())
                              .arg(double(*lo), 0, 'f', 1)
                              .arg(double(*hi), 0, 'f', 1)
                              .arg(double(r.elecOffset), 0, 'f', 4)
                              .arg(CalMath::kMotorPackets));
    // The table downloads only once the user has looked at it and said so.
    connect(dialog, &CalResultDialog::downloadRequested, this, [this] {
        cdc->tableSending = true;
        QTimer::singleShot(1, this, [this] { SendCalibrateData(); });
    });
    showCalibrationResult(dialog);
    const qsizetype S = qsizetype(calCapture->polePairs) * 2 * CalMath::kPointsPerPolePair;
    change_Text(r.compTable.constData(), r.elecOffset, calResults.rawOffset, calResults.indexOffset, raw.value(0),
                raw.value(S - 1));
}

void MainWindow::showCalibrationResult(QDialog *dialog)
{
    if (calResultDialog) {
        calResultDialog->close();
        calResultDialog->deleteLater();
    }
    calResultDialog = dialog;
    dialog->show();
}

void MainWindow::change_Text(const float *table, float offset, int rawOffset, int index, int rawFirst, int rawLast)
{
    calResults.compTable = QList<float>(table, table + CalMath::kTableSize);
    calResults.eoffset = offset;
    ui->comOutput->appendPlainText(CalMath::compensationTableText(tr("校准数据\n\n"), calResults.compTable, offset,
                                                                  rawOffset, index, rawFirst, rawLast));
}

void MainWindow::SendCalibrateData()
{
    ui->calProgressBar->setValue(0);
    cdc->tableSending = true;
    tableDownload->start(TableDownload::Kind::MotorSide,
                         CalMath::motorTablePackets(calResults.compTable, calResults.eoffset));
}

// ---------------------------------------------------------------- output-shaft result

void MainWindow::on_outCalWaveResultShow()
{
    const unsigned step = calCapture->shaftStep();
    const QList<QList<float>> angles = calCapture->outputShaftAngles();
    calResults.rawRefer.clear();
    calResults.rawReal.clear();
    ui->Calibration->setMaxPoints(CalMath::kShaftTableSize);
    ui->Calibration->setVisiblePoints(CalMath::kShaftTableSize);
    CalMath::ShaftCalibration r = CalMath::calibrateOutputShaft(angles.value(0), angles.value(1), step);
    for (int i : std::as_const(r.outside))
        Logger::error(QString("第 %1 项位置超出 0 … 4095").arg(i), "on_outCalWaveResultShow");
    if (!r.ok) {
        Logger::error("no output-shaft table: " + r.problem, "on_outCalWaveResultShow");
        DialogService::critical(this, tr("错误"),
                                tr("输出轴校准数据不完整或无效，未生成补偿表，未向电机发送任何数据：\n%1").arg(r.problem));
        emit CalWaveUpdateTimerActive(false);
        return;
    }
    calResults.shaft = r;
    QList<QList<float>> curves{r.roundTrip, r.inverseList};
    ui->Calibration->prepareDataVector(curves, {false, false});
    calCapture->resetShaftHCount();
    auto *dialog = CalResultDialog::shaftResult(calResults);
    const auto [lo, hi] = std::minmax_element(r.inverse.cbegin(), r.inverse.cbegin() + CalMath::kShaftTableSize);
    dialog->offerDownload(tr("输出轴索引表 %1 项，取值 %2 … %3；下载共 %4 包，写入后电机使用新表。")
                              .arg(CalMath::kShaftTableSize)
                              .arg(*lo)
                              .arg(*hi)
                              .arg(CalMath::kShaftPackets));
    connect(dialog, &CalResultDialog::downloadRequested, this, [this] {
        cdc->outTableSending = true;
        QTimer::singleShot(1, this, [this] { SendOutCalibrateData(); });
    });
    showCalibrationResult(dialog);
}

void MainWindow::SendOutCalibrateData()
{
    ui->calProgressBar->setValue(0);
    cdc->outTableSending = true;
    tableDownload->start(TableDownload::Kind::OutputShaft, CalMath::outputShaftPackets(calResults.shaft.inverse));
}

// ---------------------------------------------------------------- controller-computed table

void MainWindow::on_CompensationTableRecv() { tableUpload->start(); }

// ---------------------------------------------------------------- identification

void MainWindow::on_MPreCalculateButton_clicked()
{
    cdc->roads()->stopAll();
    stopCANDebug();
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    cdc->motorMode(1, true, 0);
    QTimer::singleShot(kStartDelayMs, this, [this] {
        if (motorType == 0)
            cdc->MPreCalculate();
        else
            cdc->SpecialMPreCalculate();
    });
}

void MainWindow::on_MotorParametersChanged(const MotorParameter &parameters)
{
    const QStringList t = CalMath::motorParameterTexts(parameters);
    QLabel *labels[] = {ui->RsLabel, ui->LsLabel, ui->FluxLabel, ui->DampLabel, ui->InertiaLabel};
    for (int i = 0; i < 5; ++i) {
        labels[i]->setText(t[i]);
        shownParameters.texts.insert(labels[i]->objectName(), t[i]);
    }
    // The labels round to six digits; a later write sends what was measured.
    ESC_INF &shown = shownParameters.record;
    shown.Rs = parameters.Rs;
    shown.Ls = parameters.Ls;
    shown.Flux = parameters.Flux;
    shown.Damp = parameters.Damp;
    shown.Inertia = parameters.Inertia;
}

QDialog *MainWindow::calibrationResultDialog() const { return calResultDialog; }
