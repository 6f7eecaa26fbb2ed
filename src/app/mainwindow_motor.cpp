// Motor commands and feedback in the main window: the control panel's mode tabs and
// payload, the command buttons, single and periodic sending with the wave-update task,
// the receive dispatch of motor frames, the state display and the frame-layout tables.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canTxModel.h"
#include "charts/ui/waveForm.h"
#include "firmware/firmwareImage.h"
#include "link/sendingRoads.h"
#include "procedures/customCDC.h"
#include "link/serial/protocolFormat.h"
#include "log/log.h"
#include "motor/motorActions.h"
#include "motor/paramRegisters.h"
#include "motor/ui/paramWidgets.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"
#include "widgets/utils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrent>

#include <cstring>
#include <algorithm>

namespace {
const char *kHeaderStyle = "QHeaderView::section { background-color: #BCDCF4; color: black; "
                           "border: 1px solid #CCCCCC; }";

QColor stateColour(StateColour c)
{
    switch (c) {
    case StateColour::DarkGreen: return Qt::darkGreen;
    case StateColour::DarkRed: return Qt::darkRed;
    case StateColour::Black: break;
    }
    return Qt::black;
}

void fillFormatTable(QTableWidget *table, const FrameLayoutTable &layout)
{
    // The row is rebuilt each time: spans of the previous mode must not survive.
    table->clearSpans();
    if (table->rowCount() > 0)
        table->removeRow(0);
    table->setColumnCount(int(layout.headers.size()));
    table->setHorizontalHeaderLabels(layout.headers);
    table->insertRow(0);
    for (const FormatCell &c : layout.cells) {
        if (c.column < 0 || c.column >= table->columnCount())
            continue;
        table->setItem(0, c.column, createCenteredItem(c.text));
        if (c.span > 1)
            table->setSpan(0, c.column, 1, c.span);
    }
    for (int col = 0; col < table->columnCount(); ++col) {
        QTableWidgetItem *item = table->item(0, col);
        if (!item) {
            item = createCenteredItem(QString());
            table->setItem(0, col, item);
        }
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    // Exactly the header and the one row, without an empty band below.
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height() + table->rowHeight(0)
                          + 2 * table->frameWidth());
}
} // namespace

// ---------------------------------------------------------------- control panel

void MainWindow::ctrModeInit()
{
    connect(ui->ctrModeTabBar, &CustomTabBar::tabClicked, this, &MainWindow::ctrModeComponentSwitch);
    {
        const QSignalBlocker block(ui->comboBox_ctrMode);
        ui->comboBox_ctrMode->clear();
        ui->comboBox_ctrMode->addItems({tr("1:MIT模式"), tr("2:位置速度模式"), tr("3:速度模式"), tr("4:PVT模式")});
    }
    on_comboBox_ctrMode_currentIndexChanged(ui->comboBox_ctrMode->currentIndex());
    for (const QString &t : {QStringLiteral("MIT"), tr("位置"), tr("速度"), QStringLiteral("PVT")})
        ui->ctrModeTabBar->addTab(t);
    ui->ctrModeTabBar->setCurrentTab(0);
    for (QLabel *l : ui->rangeLabels)
        setRangeLabel(l, l->text());

    // The receive task reads the motor's IDs for every frame: keep lock-free copies.
    auto syncIds = [this] {
        motorCanid = canTxModel->canid();
        motorMasterid = canTxModel->masterid();
        cdc->setMotorCanid(motorCanid);
        cdc->setMotorMasterid(motorMasterid);
    };
    connect(canTxModel.data(), &CANTxModel::dataChanged, this, syncIds);
    syncIds();
    feedbackFormatInit();
    panelInit();
    refreshSetPoints();
}

void MainWindow::ctrModeComponentSwitch(int index)
{
    if (index >= 0 && index < ui->ctrStackedWidget->count())
        ui->ctrStackedWidget->setCurrentIndex(index);
    // Shows what would be sent; the link's payload changes only on update or send.
    ui->canDebugDataLabel->setText(payloadText(canDataConvention()));
}

QByteArray MainWindow::canDataConvention() const
{
    QWidget *panel = ui->controlPanel;
    const ControlSetPoints sp = ControlSetPoints::fromEdits([panel](const QString &name) {
        const auto *e = panel->findChild<QLineEdit *>(name);
        return e ? e->text() : QString();
    });
    return ::canDataConvention(ui->ctrModeTabBar->currentIndex(), sp, ui->sw_btn_rpmRads->checked(), ranges.get());
}

bool MainWindow::UpdateDebugData()
{
    if (ui->ctrModeTabBar->currentIndex() == MITMode) {
        // With an empty, reversed or infinite range every set-point maps to an extreme code:
        // a neutral command would go out as full negative position, velocity and torque.
        MappingRange bad;
        const QString name = unusableMitRange(ranges.get(), &bad);
        if (!name.isEmpty()) {
            stopCANDebug();
            Logger::warning(QString("MIT range %1 [%2, %3] unusable: nothing sent").arg(name).arg(bad.min).arg(bad.max),
                            "UpdateDebugData");
            DialogService::warning(this, tr("提示"),
                                   tr("%1映射范围 [%2, %3] 无效，MIT 命令未发送。请先读取参数，或检查 PMAX、VMAX、TMAX。")
                                       .arg(name)
                                       .arg(double(bad.min))
                                       .arg(double(bad.max)));
            return false;
        }
    }
    cdc->debugPayload = canDataConvention();
    ui->canDebugDataLabel->setText(payloadText(cdc->debugPayload));
    return true;
}

void MainWindow::on_comboBox_ctrMode_currentIndexChanged(int index)
{
    static const QStringList gains = {"KP_ASREdit", "KI_ASREdit", "KP_APREdit", "KI_APREdit"};
    showModePicture(index);
    switch (index) {
    case 0: setLineEditsReadOnly(gains, {true, true, true, true}, ui->tab_Parameters); break;
    case 1: setLineEditsReadOnly(gains, {false, false, false, false}, ui->tab_Parameters); break;
    case 2: setLineEditsReadOnly(gains, {false, false, true, true}, ui->tab_Parameters); break;
    case 3: setLineEditsReadOnly(gains, {false, false, false, false}, ui->tab_Parameters); break;
    default: break;
    }
    controlFormatTableSwitch(index);
}

void MainWindow::controlFormatTableSwitch(int mode) { fillFormatTable(ui->controlFormatTableWidget, controlFormatTable(mode)); }

void MainWindow::feedbackFormatInit()
{
    QTableWidget *fb = ui->feedBackFormatTableWidget;
    fillFormatTable(fb, feedbackFormatTable());
    fb->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    fb->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (QTableWidget *t : {ui->feedBackFormatTableWidget, ui->controlFormatTableWidget})
        t->horizontalHeader()->setStyleSheet(kHeaderStyle);
    ui->feedBackExplainEdit->setPlainText(feedbackIdErrExplanation());
    ui->feedBackExplainEdit_2->setPlainText(feedbackValueExplanation());
}

// ---------------------------------------------------------------- state display

void MainWindow::motorStateInit()
{
    for (QLabel *l : {ui->motorTempLabel, ui->driverTempLabel, ui->motorStateLabel})
        setLabelTextAndColor(l, Qt::darkGreen, "Na");
    shownMotorTemp = INT_MIN;
    shownDriverTemp = INT_MIN;
    shownStateIcon = -1;
    shownStateCode = -1;
    motorStateQLabelSet(true);
}

void MainWindow::motorStateQLabelSet(bool ok)
{
    // Feedback arrives up to a thousand times a second: load the picture only on a change.
    if (shownStateIcon == int(ok))
        return;
    shownStateIcon = int(ok);
    const QPixmap pix(ok ? ":/source/normal.png" : ":/source/error.png");
    if (pix.isNull()) {
        ui->motorStateQLabel->setText("Failed to load image.");
        return;
    }
    ui->motorStateQLabel->setPixmap(pix);
    ui->motorStateQLabel->setScaledContents(true);
}

void MainWindow::on_motorErrorChanged(unsigned char code)
{
    shownStateCode = code;
    motorStateQLabelSet(code < 2);
    const MotorStateDisplay d = motorStateDisplay(code);
    if (ui->motorStateLabel->text() != d.text || ui->motorStateLabel->palette().color(QPalette::WindowText)
                                                     != stateColour(d.colour))
        setLabelTextAndColor(ui->motorStateLabel, stateColour(d.colour), d.text);
}

void MainWindow::on_motorTempChanged(signed char celsius)
{
    setLabelTextAndColor(ui->motorTempLabel, Qt::darkGreen, temperatureText(celsius));
}

void MainWindow::on_driverTempChanged(signed char celsius)
{
    setLabelTextAndColor(ui->driverTempLabel, Qt::darkGreen, temperatureText(celsius));
}

// ---------------------------------------------------------------- receive dispatch

void MainWindow::parseCANReceiveFrame(const CAN_Frame &frame, ESC_INF &record)
{
    // The frame carries eight data bytes; its length code says how many were received,
    // which tells a four-byte ID reply from feedback.
    motorFrameReceived(frame.id, frame.data, std::clamp(frame.dataLength(), 0, 8), ReceivePath::SerialAdapter,
                       record);
}

void MainWindow::motorFrameReceived(uint32_t frameId, const uint8_t *data, int length, ReceivePath path,
                                    ESC_INF &record)
{
    const MotorFrame f = classifyMotorFrame(frameId, data, length, motorCanid, motorMasterid, ranges.get(), path,
                                            scanning);
    if (f.kind == MotorFrameKind::Feedback || f.kind == MotorFrameKind::Ignored)
        busFeedback.offer(frameId, data, length); // the motors panel's live columns
    switch (f.kind) {
    case MotorFrameKind::RegisterReply: {
        // The record and the reply counter belong to the GUI thread; queued calls keep
        // the replies in order.
        const std::array<uint8_t, 8> data = f.data;
        ESC_INF *target = &record;
        QMetaObject::invokeMethod(this, [this, data, target] { parseRIDFrame(data.data(), *target); },
                                  Qt::QueuedConnection);
        break;
    }
    case MotorFrameKind::Feedback: {
        const MotorFeedback &fb = f.feedback;
        appendFeedbackSamples(fb.position, fb.velocity, fb.torque);
        tuningInbox.pushFeedback(fb);
        ++feedbackFrames;
        // The labels change only when the value does.
        if (shownMotorTemp.exchange(fb.motorTemp) != fb.motorTemp)
            emit motorTempChanged(fb.motorTemp);
        if (shownDriverTemp.exchange(fb.driverTemp) != fb.driverTemp)
            emit driverTempChanged(fb.driverTemp);
        latestStateCode = fb.state;
        if (!stateSignalPending.exchange(true))
            emit motorErrorChanged(fb.state);
        break;
    }
    case MotorFrameKind::IdQueryReply:
        if (idReplyMap.insert(f.replyCanid, f.replyMasterid)) {
            emit canidChanged(f.replyCanid);
            emit masteridChanged(f.replyMasterid);
        }
        break;
    case MotorFrameKind::IdSetReply:
        emit canidChanged(f.replyCanid);
        emit masteridChanged(f.replyMasterid);
        break;
    case MotorFrameKind::AppVersion:
        Logger::info("AppVersion:" + f.appVersion, "parseCANReceiveFrame");
        break;
    case MotorFrameKind::ScanProbeReply:
        scanResults.insert(f.replyCanid, f.replyMasterid, f.canBr);
        break;
    case MotorFrameKind::Ignored:
    case MotorFrameKind::ScanDropped:
        break;
    }
}

void MainWindow::parseRIDFrame(const unsigned char *data, ESC_INF &record)
{
    const RegisterReply r = ::parseRIDFrame(data, record, cdc->registerReplies, cdc->versionMode, &ranges);
    if (r.command == RegisterFrame::Read) {
        float value;
        std::memcpy(&value, &r.raw, 4);
        tuningInbox.pushRegister(r.rid, value);
    }
    if (r.masterIdChanged) {
        canTxModel->setMasterid(r.masterId);
        ui->masteridEdit->setText(QString::number(r.masterId, 16));
    }
    switch (r.completion) {
    case RegisterReply::ReadComplete:
        cdc->longParamFormat = true;
        noteMotorValues(r.record);
        if (!silentRead) // a read for a diff leaves the page as the user typed it
            emit ParametersChanged(r.record);
        canFrameResend();
        break;
    case RegisterReply::WriteComplete: {
        noteMotorValues(record); // the written values, and what the motor kept where it refused
        // Periodic sending resumes before the box, which waits for the user.
        canFrameResend();
        if (r.writeRefused.isEmpty()) {
            emit MessageInfo(7);
            break;
        }
        // The motor answered these with the value it kept: no success to report.
        QStringList kept;
        for (qsizetype i = 0; i < r.writeRefused.size(); ++i) {
            const int rid = r.writeRefused[i];
            ESC_INF asked;
            asked.setRawValue(rid, r.writeAsked.value(i));
            kept << tr("%1 = %2（写入 %3）")
                        .arg(parameterFieldName(rid), registerValueText(record, rid), registerValueText(asked, rid));
        }
        Logger::warning("motor kept: " + kept.join("; "), "parseRIDFrame");
        DialogService::warning(this, tr("提示"), tr("电机未接受以下参数，保留了原值：\n%1").arg(kept.join('\n')));
        break;
    }
    case RegisterReply::VersionsComplete:
        Logger::info(QString("register versions: app 0x%1, loader 0x%2")
                         .arg(r.appVersion, 8, 16, QChar('0'))
                         .arg(r.loaderVersion, 8, 16, QChar('0')),
                     "parseRIDFrame");
        emit appVersionChanged(ParseVersion(r.appVersion, true));
        emit loaderVersionChanged(ParseVersion(r.loaderVersion, false));
        break;
    case RegisterReply::NotYet:
        break;
    }
}

// ---------------------------------------------------------------- command buttons

void MainWindow::motorCommand(int type)
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (refuseWhileUpgrading())
        return;
    stopPeriodicTimers();
    // The command goes to the mode the tab bar shows now, whatever the last send used.
    MotorActions::sendCommand(*cdc, MotorCommand(type), ui->ctrModeTabBar->currentIndex(), this,
                              [this] { canFrameResend(); });
}

void MainWindow::stopPeriodicTimers()
{
    stopCanTabSend();
    cdc->periodicTimer->stop();
}

void MainWindow::on_btn_motorMode_clicked() { motorCommand(0); }
void MainWindow::on_btn_motorModeExit_clicked() { motorCommand(1); }
void MainWindow::on_btn_saveGroundZero_clicked() { motorCommand(2); }

void MainWindow::on_btn_canDebugClear_clicked()
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (refuseWhileUpgrading())
        return;
    stopPeriodicTimers();
    MotorActions::sendCommand(*cdc, MotorCommand::ClearError, ui->ctrModeTabBar->currentIndex(), this);
    if (!cdc->usbConnected()) {
        QElapsedTimer wait;
        wait.start();
        while (wait.nsecsElapsed() < 1000000)
            QCoreApplication::processEvents();
    }
    if (isCanDebugRunning())
        canFrameResend();
}

void MainWindow::on_btn_canDebugUpdate_clicked()
{
    cdc->ctrlMode = ui->ctrModeTabBar->currentIndex();
    if (!UpdateDebugData())
        return;
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    on_btn_CANStop_clicked();
    if (isCanDebugRunning())
        canFrameResend();
}

// ---------------------------------------------------------------- sending

void MainWindow::setCanDebugButton(bool running)
{
    canDebugRunning = running;
    if (running)
        cdc->roads()->started(SendingRoads::MotorPeriodic, [this] { endCanDebug(); });
    else
        cdc->roads()->ended(SendingRoads::MotorPeriodic);
    ui->btn_canDebugSend->setText(running ? tr("停止") : tr("发送"));
    ui->btn_canDebugSend->setStyleSheet(running ? QString::fromLatin1(kActiveButtonStyle) : QString());
    ui->periodicSend->setEnabled(!running);
    ui->sendIntervalEdit_2->setEnabled(!running);
}

void MainWindow::startCanDebugTask()
{
    stopCanDebugTask();
    canDebugFuture = QtConcurrent::run([this](QPromise<void> &promise) {
        Logger::info(QString("WaveUpdatefuture Background task started. Thread ID: %1").arg(Logger::currentThreadId()),
                     "operator()");
        while (!promise.isCanceled()) {
            QThread::msleep(100);
            if (promise.isCanceled())
                break;
            onWaveUpdateTimerTimeout();
        }
        Logger::info(QString("WaveUpdatefuture Thread %1 finished.").arg(Logger::currentThreadId()), "operator()");
    });
}

void MainWindow::stopCanDebugTask()
{
    if (canDebugFuture.isRunning()) {
        canDebugFuture.cancel();
        canDebugFuture.waitForFinished();
    }
}

void MainWindow::on_btn_canDebugSend_clicked()
{
    cdc->ctrlMode = ui->ctrModeTabBar->currentIndex();
    // Stopping a running send needs no payload.
    if (!isCanDebugRunning() && !UpdateDebugData())
        return;

    if (!ui->periodicSend->isChecked()) {
        if (!portOpen)
            emit MessageInfo(0);
        else if (!refuseWhileUpgrading())
            cdc->canDebugSend();
        return;
    }

    if (!isCanDebugRunning()) {
        if (!portOpen) {
            emit MessageInfo(0);
            return;
        }
        if (refuseWhileUpgrading())
            return;
        // A text that is no positive number would give a 0 ms timer that floods the link
        // and starves the GUI thread: it counts as 1 ms, as the field's own rule.
        const int interval = sendIntervalValue(ui->sendIntervalEdit_2->text());
        if (cdc->usbConnected()) {
            cdc->canDebugSendTimes(quint32(interval));
        } else {
            cdc->periodicTimer->setInterval(interval);
            cdc->periodicTimer->start();
        }
        startCanDebugTask();
        setCanDebugButton(true);
        return;
    }

    // Running: stop.
    endCanDebug();
}

void MainWindow::endCanDebug()
{
    cdc->periodicTimer->stop();
    if (portOpen && cdc->usbConnected())
        cdc->stopAdapterSending();
    stopCanDebugTask();
    setCanDebugButton(false);
}

void MainWindow::on_sendIntervalEdit_2_editingFinished()
{
    ui->sendIntervalEdit_2->setText(QString::number(sendIntervalValue(ui->sendIntervalEdit_2->text())));
}

void MainWindow::canFrameResend()
{
    if (!ui->periodicSend->isChecked() || !isCanDebugRunning())
        return;
    if (cdc->usbConnected())
        cdc->canDebugSendTimes(quint32(sendIntervalValue(ui->sendIntervalEdit_2->text())));
    else
        cdc->periodicTimer->start();
}

void MainWindow::stopCANDebug()
{
    if (!isCanDebugRunning())
        return;
    on_btn_CANStop_clicked();
    stopCanDebugTask();
    setCanDebugButton(false);
}
