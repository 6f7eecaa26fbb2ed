// Serial link of the main window: port settings, open / close / toggle, the port
// settings window, and the receive pipeline (reader trigger, reader, dispatcher, message
// table, terminal display).
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canFrameModel.h"
#include "can/canTxModel.h"
#include "can/ui/canTxDelegate.h"
#include "firmware/firmwareUpgrade.h"
#include "link/sendingRoads.h"
#include "link/serial/baudLists.h"
#include "procedures/customCDC.h"
#include "link/serial/portOpenFailure.h"
#include "link/serial/protocolFormat.h"
#include "link/serial/receiveDispatcher.h"
#include "link/serial/serialPortModel.h"
#include "link/serial/textHelpers.h"
#include "link/serial/ui/serialPortDelegate.h"
#include "link/usb/ui/connectGroupBox.h"
#include "log/log.h"
#include "widgets/detachedWindow.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"
#include "widgets/terminalOutput.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrent>

namespace {
const char *kLedGreen = "background-color: green; border-radius: 6px;";
const char *kLedRed = "background-color: red; border-radius: 6px;";
const char *kActiveButton = "QPushButton {    background-color: lightgreen;    color: black;}"
                            "QPushButton:hover {    background-color: #90EE90;}"
                            "QPushButton:pressed {    background-color: #7CFC00;}";

QSerialPort::Parity parityOf(const QString &checkBit)
{
    if (checkBit == "Odd")
        return QSerialPort::OddParity;
    if (checkBit == "Even")
        return QSerialPort::EvenParity;
    return QSerialPort::NoParity;
}

QSerialPort::StopBits stopBitsOf(double value)
{
    if (qFuzzyCompare(value, 1.5))
        return QSerialPort::OneAndHalfStop;
    if (qFuzzyCompare(value, 2.0))
        return QSerialPort::TwoStop;
    return QSerialPort::OneStop;
}
} // namespace

// ---------------------------------------------------------------- start-up bindings

void MainWindow::serialPortViewModelInit()
{
    serialPortModel.reset(new SerialPortModel);
    serialPortDelegate.reset(new SerialPortDelegate(serialPortModel.data()));
    struct Binding {
        QComboBox *combo;
        int column;
    };
    const Binding bindings[] = {{ui->comboCom_Port, 0},
                                {ui->comboCom_Baud, 1},
                                {ui->comboCom_DataBit, 2},
                                {ui->comboCom_CheckBit, 3},
                                {ui->comboCom_StopBit, 4}};
    for (const Binding &b : bindings) {
        serialPortDelegate->setupComboBox(b.combo, b.column);
        serialPortDelegate->setComboBoxData(b.combo, serialPortModel->data(serialPortModel->index(0, b.column)),
                                            b.column);
        QComboBox *combo = b.combo;
        const int column = b.column;
        connect(
            combo, &QComboBox::currentIndexChanged, this,
            [this, combo, column] {
                if (combo->currentIndex() < 0)
                    return;
                serialPortModel->setData(serialPortModel->index(0, column),
                                         serialPortDelegate->getComboBoxData(combo, column), Qt::EditRole);
            },
            Qt::DirectConnection);
    }
    if (ui->comboCom_Baud->count() > 9) {
        ui->comboCom_Baud->setCurrentIndex(9);
        serialPortModel->setData(serialPortModel->index(0, 1), ui->comboCom_Baud->itemText(9));
    }
    if (ui->comboCom_DataBit->count() > 3) {
        ui->comboCom_DataBit->setCurrentIndex(3);
        serialPortModel->setData(serialPortModel->index(0, 2), ui->comboCom_DataBit->itemData(3));
    }
    // A port can be typed in by path: it joins the list for the rest of the session.
    connect(ui->comboCom_Port->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString text = ui->comboCom_Port->currentText().trimmed();
        if (text.isEmpty() || ui->comboCom_Port->findText(text) >= 0)
            return;
        if (text.startsWith('/') && QFileInfo::exists(text))
            addPortByPath(text);
        else
            Logger::warning("端口不存在: " + text, "comboCom_Port");
    });
}

void MainWindow::canTxViewModelInit()
{
    canTxModel.reset(new CANTxModel);
    canTxDelegate.reset(new CANTxDelegate(canTxModel.data()));
    canTxModel->setSendTimes(1);
    canTxModel->setSendInterval(0);
    canTxDelegate->setupComboBox(ui->comboCAN_Baud, 0);
    canTxDelegate->setupComboBox(ui->comboFrame_canIdType, 6);
    canTxDelegate->setupComboBox(ui->comboFrame_canFrameType, 7);

    canTxDelegate->setComboBoxData(ui->comboCAN_Baud, canTxModel->CANBaud(), 0);
    canTxDelegate->setLineEditData(ui->canIdEdit, canTxModel->canId());
    const QString canidHex = QString::number(canTxModel->canid(), 16);
    ui->canidEdit_2->setText(canidHex);
    ui->canidEdit->setText(canidHex);
    ui->masteridEdit->setText(QString::number(canTxModel->masterid(), 16));
    canTxDelegate->setLineEditData(ui->sendTimesEdit, canTxModel->sendTimes());
    canTxDelegate->setLineEditData(ui->sendIntervalEdit, canTxModel->sendInterval());
    canTxDelegate->setComboBoxData(ui->comboFrame_canIdType, canTxModel->canIdType(), 6);
    canTxDelegate->setComboBoxData(ui->comboFrame_canFrameType, canTxModel->canFrameType(), 7);
    canTxDelegate->setCheckBoxData(ui->dataAcc, canTxModel->dataAcc());
    canTxDelegate->setCheckBoxData(ui->idAcc, canTxModel->idAcc());
    canTxDelegate->setCheckBoxData(ui->dataSectionAcc, canTxModel->dataSectionAcc());

    CANTxModel *m = canTxModel.data();
    connect(ui->comboCAN_Baud, &QComboBox::currentIndexChanged, this,
            [this, m] { m->setCANBaud(ui->comboCAN_Baud->currentData().toInt()); });
    connect(ui->canIdEdit, &QLineEdit::editingFinished, this, &MainWindow::takeCanIdText);
    // Typed numbers: a text that does not parse counts as 0.
    auto bindNumber = [this](QLineEdit *edit, int base, std::function<void(uint)> store) {
        connect(edit, &QLineEdit::textChanged, this, [base, store](const QString &t) {
            bool ok = false;
            const uint v = t.toUInt(&ok, base);
            store(ok ? v : 0);
        });
    };
    // The motor's CAN ID takes only what fits every mode's command ID; a text that does not
    // leaves the ID as it was, and leaving the field says so.
    connect(ui->canidEdit_2, &QLineEdit::textChanged, this, [m](const QString &t) {
        uint32_t id = 0;
        if (parseMotorCanId(t, 16, id))
            m->setCanid(id);
    });
    connect(ui->canidEdit_2, &QLineEdit::editingFinished, this, [this, m] {
        uint32_t id = 0;
        const QString text = ui->canidEdit_2->text();
        if (text.isEmpty() || parseMotorCanId(text, 16, id))
            return;
        ui->canidEdit_2->setText(QString::number(m->canid(), 16));
        DialogService::warning(this, tr("提示"),
                               tr("“%1”不是有效的 CAN ID：须为 0 到 0x%2 之间的十六进制数。CAN ID 未更改。")
                                   .arg(text)
                                   .arg(MaxMotorCanId, 0, 16));
    });
    bindNumber(ui->masteridEdit, 16, [m](uint v) { m->setMasterid(v); });
    bindNumber(ui->sendTimesEdit, 10, [m](uint v) { m->setSendTimes(v); });
    bindNumber(ui->sendIntervalEdit, 10, [m](uint v) { m->setSendInterval(v); });
    connect(ui->comboFrame_canIdType, &QComboBox::currentIndexChanged, this,
            [this, m] { m->setCanIdType(quint8(ui->comboFrame_canIdType->currentData().toUInt())); });
    connect(ui->comboFrame_canFrameType, &QComboBox::currentIndexChanged, this,
            [this, m] { m->setCanFrameType(quint8(ui->comboFrame_canFrameType->currentData().toUInt())); });
    connect(ui->dataAcc, &QCheckBox::stateChanged, this, [m](int state) { m->setDataAcc(state == Qt::Checked); });
    connect(ui->idAcc, &QCheckBox::stateChanged, this, [m](int state) { m->setIdAcc(state == Qt::Checked); });
    ui->canDataStack->setCurrentWidget(ui->canDataPage);
}

void MainWindow::CustomCDCInit()
{
    cdc.reset(new CustomCDC);
    connect(ui->sw_btn_canUart, &SwitchButton::statusChanged, cdc.data(), [this](bool on) { cdc->canMode = on; });
    cdc->canMode = ui->sw_btn_canUart->checked();
    cdc->outputShaftEncoder = ui->sw_btn_calibration->checked();
    connect(cdc.data(), &CustomCDC::uartMsg, this, &MainWindow::on_uartMsg);
    connect(cdc.data(), &CustomCDC::MessageInfo, this, &MainWindow::on_MessageInfoRecv);
    connect(cdc.data(), &CustomCDC::TxCntChanged, this, [this] { ++pendingAdapterTx; });
    connect(this, &MainWindow::sendNextFrame, cdc.data(), &CustomCDC::sendNextFrame);
    // Queued: the link refuses while it holds the port lock.
    connect(
        cdc.data(), &CustomCDC::frameRefused, this,
        [this](quint32 id, bool extended) {
            stopCANDebug();
            emit autoQuitMessageBoxShow(tr("CAN ID 0x%1 超出%2的范围，帧未发送")
                                            .arg(id, 0, 16)
                                            .arg(extended ? tr("扩展帧（29 位）") : tr("标准帧（11 位）")));
        },
        Qt::QueuedConnection);
    connect(
        cdc.data(), &CustomCDC::consoleRefusedFrame, this,
        [this] {
            stopCANDebug();
            emit autoQuitMessageBoxShow(tr("串口连接的是电机控制台（UART 模式）：CAN 帧未发送"));
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------- ports

void MainWindow::fillPortCombo()
{
    serialPortDelegate->setupComboBox(ui->comboCom_Port, 0);
    const QSignalBlocker block(ui->comboCom_Port);
    ui->comboCom_Port->setCurrentIndex(serialPortModel->getSelectedPortIndex());
}

int MainWindow::addPortByPath(const QString &path, const QString &description)
{
    const int i = serialPortModel->addPortByPath(path, description);
    if (i < 0)
        return i;
    serialPortModel->setSelectedPortIndex(i);
    fillPortCombo();
    on_comboCom_Port_currentIndexChanged(i);
    ui->btn_comSwitch->setEnabled(!portOpen || ui->btn_comSwitch->isEnabled());
    if (!portOpen)
        ui->btn_comSwitch->setEnabled(true);
    return i;
}

void MainWindow::on_btn_comRefreash_clicked()
{
    serialPortModel->updateAvailablePorts();
    refreshCanInterfaces();
    fillPortCombo();
    ui->btn_comSwitch->setEnabled(serialPortModel->portCount() > 0);
    refreshUsbDevices();
}

void MainWindow::refreshDevices()
{
    if (portOpen) {
        // The open port is not re-listed under the user's feet (its loss shows up as a
        // port error); the list catches up when the port closes.
        portListStale = true;
        return;
    }
    portListStale = false;
    on_btn_comRefreash_clicked();
}

void MainWindow::on_btn_comSwitch_clicked() { on_actCom_Switch_triggered(); }

void MainWindow::on_actCom_Switch_triggered()
{
    const QString text = ui->btn_comSwitch->text();
    if (text == tr("打开串口")) {
        cdc->clearProcedureFlags();
        if (calWaveTimer)
            calWaveTimer->stop();
        stopCanTabSend();
        cdc->periodicTimer->stop();
        setCanDebugButton(false);
        if (on_actCom_Open_triggered()) {
            ui->btn_comSwitch->setText(tr("关闭串口"));
            ui->btn_comSwitch->setStyleSheet(kActiveButton);
        }
    } else if (text == tr("关闭串口")) {
        on_actCom_Close_triggered();
    }
}

bool MainWindow::on_actCom_Open_triggered()
{
    listDevicesOnce();
    // A path typed into the box and not yet confirmed still counts.
    const QString typed = ui->comboCom_Port->currentText().trimmed();
    if (!typed.isEmpty() && ui->comboCom_Port->findText(typed) < 0 && typed.startsWith('/') && QFileInfo::exists(typed))
        addPortByPath(typed);

    const QString location = serialPortModel->portLocation();
    if (location.isEmpty()) {
        emit MessageInfo(1);
        return false;
    }
    if (SerialPortModel::isCanInterface(location)) {
        if (!openCanBusLink(location))
            return false;
        portOpen = true;
        connectionLed->setStyleSheet(kLedGreen);
        for (QWidget *w : std::initializer_list<QWidget *>{ui->comboCom_Port, ui->comboCom_Baud, ui->btn_comRefreash})
            w->setEnabled(false);
        return true;
    }
    serialPort.setPortName(location);
    serialPort.setBaudRate(serialPortModel->Baud(), QSerialPort::AllDirections);
    serialPort.setDataBits(QSerialPort::DataBits(serialPortModel->dataBits()));
    serialPort.setParity(parityOf(serialPortModel->checkBit()));
    serialPort.setStopBits(stopBitsOf(serialPortModel->stopBits()));
    serialPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!serialPort.open(QIODevice::ReadWrite)) {
        Logger::error(QString("打开串口失败: %1 (%2)").arg(location, serialPort.errorString()), "on_actCom_Open_triggered");
        // The box says why: busy, no permission, gone.
        showMessageInfo(1, portOpenFailureText(serialPort.error(), location, serialPort.errorString()));
        return false;
    }
    Logger::info(QString("串口已打开: %1, %2").arg(location).arg(serialPortModel->Baud()), "on_actCom_Open_triggered");
    cdc->setComPort(&serialPort);
    on_comboCom_Port_currentIndexChanged(ui->comboCom_Port->currentIndex());
    if (!openCanAdapter()) {
        // The adapter paired with this port did not open: the open fails as a whole.
        QMutexLocker lock(&cdc->portMutex());
        serialPort.close();
        return false;
    }
    portOpen = true;

    recDataFuture = QtConcurrent::run([this](QPromise<void> &promise) { handleRecData(promise); });

    connectionLed->setStyleSheet(kLedGreen);
    for (QWidget *w : std::initializer_list<QWidget *>{ui->comboCom_Port, ui->comboCom_Baud, ui->comboCom_CheckBit,
                                                       ui->comboCom_DataBit, ui->comboCom_StopBit, ui->btn_comRefreash})
        w->setEnabled(false);
    return true;
}

void MainWindow::on_actCom_Close_triggered()
{
    // A tuning run ends first, while its disable can still reach the motor: the port
    // writes it out before it closes.
    if (portOpen) {
        stopTuningRun(tr("串口已关闭"));
        QMutexLocker lock(cdc ? &cdc->portMutex() : nullptr);
        if (serialPort.isOpen() && serialPort.bytesToWrite() > 0)
            serialPort.waitForBytesWritten(100);
    }
    ui->btn_comSwitch->setText(tr("打开串口"));
    ui->btn_comSwitch->setStyleSheet(QString());
    if (cdc) {
        // Nothing outlives its link: every road that sends by itself ends while the link is
        // still there to take the adapter's stop (periodic sends, repetition, replay, the
        // send queue, a transfer, which must not wait for a silence either).
        cdc->roads()->stopAll();
        cdc->upgrade()->cancel();
        cdc->periodicTimer->stop();
        stopCanTabSend();
        if (portOpen && cdc->usbConnected())
            cdc->stopAdapterSending();
        closeCanAdapter();
    }

    portOpen = false;
    if (cdc)
        cdc->stopRegisterSequence();
    if (recDataFuture.isRunning()) {
        recDataFuture.cancel();
        recDataFuture.waitForFinished();
    }
    // Nobody waits for a backlog of a closed link: the dispatcher stops at its next chunk.
    if (const qsizetype abandoned = rxChunkList.abandon())
        Logger::info(QString("关闭串口时丢弃未处理的接收数据 %1 字节").arg(abandoned), "on_actCom_Close_triggered");
    {
        QMutexLocker lock(cdc ? &cdc->portMutex() : nullptr);
        if (serialPort.isOpen()) {
            serialPort.close();
            Logger::info("串口已关闭: " + serialPort.portName(), "on_actCom_Close_triggered");
        }
    }

    ui->btn_comSwitch->setEnabled(serialPortModel && serialPortModel->portCount() > 0);
    connectionLed->setStyleSheet(kLedRed);
    for (QWidget *w : std::initializer_list<QWidget *>{ui->comboCom_Port, ui->comboCom_Baud, ui->comboCom_CheckBit,
                                                       ui->comboCom_DataBit, ui->comboCom_StopBit, ui->btn_comRefreash})
        w->setEnabled(true);
    adapterLabel->setText("DUR2IZA");
    adapterLabel->setStyleSheet("color: red;");
    motorBaudText.clear();
    motorBaudLabel->setText(tr("电机波特率未识别"));
    motorBaudLabel->setStyleSheet("color: red;");
    if (ui->paramWarningLabel->text() == tr("推荐先读取参数再进行调试"))
        setLabelTextAndColorRed(ui->paramWarningLabel, tr("推荐先读取参数再进行调试"));
    if (portListStale)
        refreshDevices();
    readoutsLinkClosed();
}

void MainWindow::onSerialPortError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || !portOpen)
        return;
    // Losing the device (adapter unplugged, other end of a pseudo-terminal gone) ends
    // the link as the user's close would; a single failed read or write does not.
    if (error == QSerialPort::ResourceError || error == QSerialPort::PermissionError
        || error == QSerialPort::DeviceNotFoundError) {
        const QString reason = serialPort.errorString();
        Logger::error(QString("串口异常断开: %1 (%2)").arg(serialPort.portName(), reason), "onSerialPortError");
        serialPort.clearError();
        // Closed from the event loop, not from inside the port's own notification.
        QTimer::singleShot(0, this, [this, reason] {
            if (!portOpen)
                return;
            on_actCom_Close_triggered();
            on_btn_comRefreash_clicked();
            emit autoQuitMessageBoxShow(tr("串口连接已断开: ") + reason);
        });
    }
}

void MainWindow::on_btn_BuadSet_clicked()
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    cdc->BuadSet(ui->comboCAN_Baud->currentIndex());
}

void MainWindow::on_btn_CANStop_clicked()
{
    stopCanTabSend();
    cdc->periodicTimer->stop();
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    cdc->stopAdapterSending();
}

void MainWindow::configDevice()
{
    if (deviceConfigWindow && deviceConfigWindow->isVisible()) {
        deviceConfigWindow->raise();
        deviceConfigWindow->activateWindow();
        return;
    }
    auto *window = new DetachedWindow(this, tr("设备配置"), QSize(230, 320));
    window->setObjectName("deviceConfigWindow");
    window->borrow(ui->comGroupBox, ui->deviceGroupsLayout);
    window->borrow(ui->fdcanGroupBox, ui->deviceGroupsLayout);
    deviceConfigWindow = window;
    window->show();
}

// ---------------------------------------------------------------- receive pipeline

void MainWindow::handleRecData(QPromise<void> &promise)
{
    while (!promise.isCanceled()) {
        QThread::msleep(10);
        if (!portOpen)
            continue;
        CustomCDC &c = *cdc;
        if (c.motorSideHandshake || c.calHandshakeBusy || c.tableSending || c.outTableSending || c.compTableExpected
            || c.harmonicAnalysis)
            continue;
        if (c.motorSideStreaming)
            emit MotorSideCalRecv();
        else if (c.outputShaftStreaming)
            emit OutputShaftCalRecv();
        else if (!rxReadQueued.exchange(true)) // requests must not pile up while the GUI is busy
            emit normalDataRecv();
        // Records cut but not decoded when a stream ended go on as ordinary bytes.
        if (!c.motorSideStreaming && !c.outputShaftStreaming) {
            for (;;) {
                QByteArray chunk;
                {
                    QMutexLocker lock(&c.calRecordMutex);
                    if (c.calRecordQueue.isEmpty())
                        break;
                    chunk = c.calRecordQueue.takeFirst();
                }
                rxChunkList.push(chunk);
            }
        }
    }
}

void MainWindow::on_normalDataRecv()
{
    rxReadQueued = false;
    // A wake-up queued just before a procedure took the port must not read its answer.
    if (!portOpen || cdc->harmonicAnalysis)
        return;
    QByteArray chunk;
    {
        QMutexLocker lock(&cdc->portMutex());
        if (serialPort.isOpen() && serialPort.bytesAvailable() > 0)
            chunk = serialPort.readAll();
    }
    if (!chunk.isEmpty())
        rxChunkList.push(chunk);
    // The dispatcher gives up a partial frame only after reads that found nothing.
    rxChunkList.noteRead();
}

void MainWindow::receiveDropsInit()
{
    rxDropLabel = new QLabel(this);
    rxDropLabel->setObjectName("rxDropLabel");
    rxDropLabel->setStyleSheet("color: red;");
    statusBar()->addPermanentWidget(rxDropLabel);
    showReceiveDrops();
}

void MainWindow::showReceiveDrops()
{
    const quint64 dropped = droppedReceiveBytes();
    const quint64 rows = droppedLogRows;
    if (rxDropLabel) {
        QString text = tr("接收积压，已丢弃 %1 字节").arg(dropped);
        if (rows > 0)
            text += tr("，%1 帧未记入日志").arg(rows);
        rxDropLabel->setText(text);
        rxDropLabel->setToolTip(tr("接收的数据多于本工具能处理的数据时，超出的部分被丢弃；“清空计数”将其清零"));
        rxDropLabel->setVisible(dropped > 0 || rows > 0);
    }
}

void MainWindow::handleFIFO(QPromise<void> &promise)
{
    ReceiveDispatcher::Events ev;
    ev.rxCount = [this] { ++pendingAdapterRx; };
    ev.terminalBytes = [this](const QByteArray &b) {
        // One queued call takes whatever text arrived meanwhile, however fast it comes.
        if (terminalFeed.append(b))
            QMetaObject::invokeMethod(this, [this] {
                for (const QByteArray &chunk : terminalFeed.take())
                    on_uartByteMsg(chunk);
            }, Qt::QueuedConnection);
    };
    ev.message = [this](int code) { emit MessageInfo(code); };
    ev.parameterBlock = [this](const QByteArray &record, bool longLayout) {
        emit parameterBlockReceived(record, longLayout);
    };
    ev.upgradeReply = [this](const QByteArray &bytes, bool fromFrame, quint32 id) {
        return fromFrame ? cdc->upgrade()->offerFrameReply(id, bytes, FirmwareUpgrade::Path::SerialAdapter)
                         : cdc->upgrade()->offerReply(bytes, FirmwareUpgrade::Path::Console);
    };
    ev.versions = [this](const QString &app, const QString &loader) {
        emit appVersionChanged(app);
        emit loaderVersionChanged(loader);
    };
    ev.canFrame = [this](const QByteArray &frame) { handleSerialCANFrame(frame); };
    ev.motorParameters = [this](const QByteArray &b) { emit MotorParametersChanged(byteToStruct<MotorParameter>(b)); };
    ReceiveDispatcher dispatcher(cdc.data(), ev);

    while (!promise.isCanceled()) {
        QThread::msleep(10);
        if (!portOpen)
            continue;
        dispatcher.pass(rxChunkList);
    }
}

void MainWindow::handleSerialCANFrame(const QByteArray &bytes)
{
    const CAN_Frame frame = byteArrayToCANFrame(bytes);
    // A received bus frame goes to the motor dispatch (which, while a bus scan runs, takes
    // the probe answers and drops the rest). Every frame is logged; its texts are made
    // when it is shown.
    if (canStatusTextIndex(frame.code) == CANFrameData::RxOk)
        parseCANReceiveFrame(frame, cdc->escInf);
    const CANFrameData row = canLogRow(frame, ++canRxSeq, QTime::currentTime().msecsSinceStartOfDay());
    canRecorder->append({row});
    QMutexLocker lock(&canFrameMutex);
    canFrameList.append(row);
    // While the GUI is behind, rows wait here; more than a quarter of the log is a
    // backlog it will not catch up with: the oldest are dropped and counted.
    constexpr int kTrimBlock = 4096;
    if (canFrameList.size() > CANFrameModel::kMaxRows / 4 + kTrimBlock) {
        canFrameList.remove(0, kTrimBlock);
        droppedLogRows += kTrimBlock;
    }
}

void MainWindow::handleCANAnalysis()
{
    while (!fifoFuture.isCanceled()) {
        QThread::msleep(100);
        if (cdc->motorSideStreaming || cdc->outputShaftStreaming || cdc->motorSideHandshake || cdc->calHandshakeBusy
            || cdc->tableSending || cdc->outTableSending || cdc->upgradeMode)
            continue;
        // One batch at a time: while the GUI is still on the last one, rows keep
        // gathering here (bounded below) instead of queueing batch after batch.
        if (logBatchPending)
            continue;
        QList<CANFrameData> batch;
        quint64 passedBy = 0;
        {
            QMutexLocker lock(&canFrameMutex);
            batch.swap(canFrameList);
            std::swap(passedBy, canFramesPassedBy);
        }
        if (!batch.isEmpty()) {
            logBatchPending = true;
            logBatchPassedBy = passedBy;
            emit CANRxVector(batch);
        }
    }
}

void MainWindow::on_CANRxVector(const QList<CANFrameData> &rows)
{
    appendLogRows(rows, logBatchPassedBy.exchange(0));
    logBatchPending = false;
}

void MainWindow::on_uartMsg(const QString &text)
{
    if (ui->sw_btn_RecvDisplay->checked())
        return;
    ui->comOutput->appendLine(ui->sw_btn_ASCIIHex_3->checked() ? AsciiToHex(text) : FilterNoPrintChar(text));
    // The tool's own messages (calibration, identification) are few: shown at once.
    ui->comOutput->flushPending();
}

void MainWindow::on_uartByteMsg(const QByteArray &bytes)
{
    if (ui->sw_btn_RecvDisplay->checked())
        return;
    if (ui->sw_btn_ASCIIHex_3->checked())
        ui->comOutput->appendLine(byteArrayToHexChars(bytes));
    else
        ui->comOutput->appendLine(FilterNoPrintChar(QByteArrayToQString(bytes)));
}

void MainWindow::on_MessageInfoRecv(int code)
{
    // The version read before or after a firmware upgrade tells its failure in the
    // upgrade's own question or report, not in a box of its own.
    if (versionProbeLoop && (code == 2 || code == 6)) {
        Logger::info(QString("version read failed (message %1)").arg(code), "on_MessageInfoRecv");
        versionProbeLoop->quit();
        return;
    }
    showMessageInfo(code, QString());
}

void MainWindow::showMessageInfo(int code, const QString &detail)
{
    struct Entry {
        QMessageBox::Icon icon;
        const char *text;
    };
    static const Entry table[] = {
        {QMessageBox::Warning, QT_TR_NOOP("请打开串口")},
        {QMessageBox::Critical, QT_TR_NOOP("打开串口时出现错误")},
        {QMessageBox::Critical, QT_TR_NOOP("数据接收错误")},
        {QMessageBox::Critical, QT_TR_NOOP("canid不能为空")},
        {QMessageBox::Warning, QT_TR_NOOP("参数不能为空")},
        {QMessageBox::Warning, QT_TR_NOOP("设备无应答，请重新校准！！")},
        {QMessageBox::Critical, QT_TR_NOOP("数据传输错误！")},
        {QMessageBox::Information, QT_TR_NOOP("写参数成功")},
        {QMessageBox::Warning, QT_TR_NOOP("请配置FDCAN并打开串口后重试！")},
        {QMessageBox::Critical, QT_TR_NOOP("未选择固件文件！")},
        {QMessageBox::Warning, QT_TR_NOOP("请打开fdcan设备")},
        {QMessageBox::Critical, QT_TR_NOOP("固件升级失败！")},
        {QMessageBox::Information, QT_TR_NOOP("校准成功！")},
        {QMessageBox::Warning, QT_TR_NOOP("新老校准判别失败！")},
        {QMessageBox::Warning, QT_TR_NOOP("补偿表接收失败！")},
        {QMessageBox::Information, QT_TR_NOOP("波特率配置成功")},
        {QMessageBox::Warning, QT_TR_NOOP("波特率配置失败")},
    };
    if (code < 0 || code > 16)
        return;
    if (messageBoxOpen) {
        Logger::info(QString("提示框已打开，丢弃消息 %1").arg(code), "on_MessageInfoRecv");
        return;
    }
    const Entry &e = table[code];
    const QString title = e.icon == QMessageBox::Critical ? tr("错误") : tr("提示");
    QMessageBox box(e.icon, title, tr(e.text), QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName("messageInfoBox");
    box.setInformativeText(detail);
    messageBoxOpen = true;
    DialogService::exec(&box);
    messageBoxOpen = false;
}

void MainWindow::upgradeLock(bool locked)
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->sw_btn_canUart, ui->canidEdit, ui->masteridEdit,
                                                       ui->canidEdit_2})
        w->setEnabled(!locked);
    firmwareLock(locked);
}

void MainWindow::on_canidChanged(unsigned int id)
{
    // Every mode's command ID (ID + 0x100 ... 0x300) must stay a standard identifier below
    // the register frames' 0x7FF, or commands would reach other IDs than the user meant.
    if (!isValidMotorCanId(id)) {
        Logger::warning(QString("CAN ID 0x%1 refused").arg(id, 0, 16), "on_canidChanged");
        DialogService::warning(this, tr("提示"),
                               tr("CAN ID 0x%1 超出范围：电机 CAN ID 须在 0 到 0x%2 之间（各模式的命令 ID 须为标准帧 ID）。"
                                  "CAN ID 未更改。")
                                   .arg(id, 0, 16)
                                   .arg(MaxMotorCanId, 0, 16));
        return;
    }
    const QString hex = QString::number(id, 16);
    ui->canidEdit->setText(hex);
    ui->canidEdit_2->setText(hex);
    canTxModel->setCanid(id);
}

void MainWindow::on_masteridChanged(unsigned int id) { ui->masteridEdit->setText(QString::number(id, 16)); }
