// The USB FDCAN adapter in the main window: the adapter list and its pairing with the
// serial ports, opening and closing it together with the port, its transfer errors,
// and the receive handler that turns its frame batches into log rows, counts and motor
// frames.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canTxModel.h"
#include "link/serial/customCDC.h"
#include "link/serial/serialCanAdapter.h"
#include "link/serial/serialPortModel.h"
#include "link/usb/control_protocol.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usb_class.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QSerialPortInfo>
#include <QStackedWidget>
#include <QTableView>

namespace {
constexpr quint32 kLogRowsPerHeightReset = 100000;
constexpr int kWideRowData = 47; // data longer than this needs taller log rows
} // namespace

void MainWindow::usbInit()
{
    usbAdapter = new UsbCanAdapter(&fdcanFIFO, this);
    usbBatches = std::make_unique<OrderedPoolQueue<QList<CanBusFrame>>>(
        [this](const QList<CanBusFrame> &frames) { insertFrames(frames); });
    connect(usbAdapter, &CanAdapter::framesReceived, this, &MainWindow::on_canFramesReceived);
    connect(usbAdapter, &CanAdapter::errorOccurred, this, &MainWindow::onUsbAdapterError);
}

void MainWindow::usbShutdown()
{
    if (cdc)
        cdc->setCanAdapter(nullptr);
    delete usbAdapter; // stops its threads
    usbAdapter = nullptr;
    usbBatches->waitForDone();
    clear_ctx();
}

// ---------------------------------------------------------------- devices and pairing

QList<USBDeviceInfo> MainWindow::pairingPorts() const
{
    QList<USBDeviceInfo> ports = systemSerialPorts();
    ports += options.usbPorts;
    // A port typed by path (a /dev/serial/by-id link) still has the identity of its device.
    for (const auto &e : serialPortModel->portEntries()) {
        if (e.listed)
            continue;
        const bool known = std::any_of(options.usbPorts.begin(), options.usbPorts.end(),
                                       [&](const USBDeviceInfo &u) { return u.portName == e.portName; });
        const QSerialPortInfo info(e.location);
        if (known || !info.hasVendorIdentifier() || !info.hasProductIdentifier())
            continue;
        ports.append({e.portName, info.description(), info.vendorIdentifier(), info.productIdentifier(),
                      info.serialNumber()});
    }
    return ports;
}

void MainWindow::refreshUsbDevices()
{
    // The open adapter is not re-listed under the user's feet.
    if (portOpen)
        return;
    Logger::debug("点击刷新USB设备", "on_refresh_usb_btn_clicked");
    int count = 0;
    usbDeviceNames = usb_get_zk_device(count);
    matchUSBDeviceInfo(pairingPorts());
    showUsbDevices();
    on_comboCom_Port_currentIndexChanged(ui->comboCom_Port->currentIndex());
}

void MainWindow::showUsbDevices()
{
    QStringList shown;
    for (const QString &name : std::as_const(usbDeviceNames)) {
        const QString port = Libusb2Qserialport(name);
        shown << (port.isEmpty() ? name : QString("%1 (%2)").arg(name, port));
    }
    ui->fdcanPlaceholderLabel->setText(shown.isEmpty() ? tr("未发现USB FDCAN适配器")
                                                       : tr("USB FDCAN适配器: %1").arg(shown.join(", ")));
}

void MainWindow::on_usbDeviceChanged(const QString &name)
{
    const QString port = Libusb2Qserialport(name);
    fdcanDeviceSelected = !port.isEmpty();
    fdcanDeviceName = fdcanDeviceSelected ? name : QString();
    if (fdcanDeviceSelected) {
        const QSignalBlocker block(ui->comboCom_Port);
        const int i = ui->comboCom_Port->findText(port);
        if (i >= 0) {
            ui->comboCom_Port->setCurrentIndex(i);
            serialPortModel->setSelectedPortIndex(i);
        }
    }
}

// ---------------------------------------------------------------- open and close

bool MainWindow::openCanAdapter()
{
    if (!fdcanDeviceSelected) {
        cdc->setCanAdapter(nullptr);
        cdc->serialAdapter()->connectDevice();
        return true;
    }
    if (!fdcanConnect())
        return false;
    heartbeatSuspended = false;
    if (!fdcanBoot)
        on_fdcanGetBaudRate_clicked();
    return true;
}

void MainWindow::closeCanAdapter()
{
    if (usbAdapter && usbAdapter->state() != CanAdapter::State::Unconnected) {
        heartbeatSuspended = true;
        usbAdapter->disconnectDevice();
    }
    cdc->setCanAdapter(nullptr);
    cdc->serialAdapter()->disconnectDevice();
}

bool MainWindow::fdcanConnect()
{
    Logger::debug("连接USB设备", "fdcanConnect");
    if (usbDeviceNames.isEmpty()) {
        Logger::error("无usb设备", "fdcanConnect");
        DialogService::warning(this, tr("警告"), tr("并未发现USB设备，请检查链接"));
        return false;
    }
    Logger::debug("打开:" + fdcanDeviceName, "fdcanConnect");
    usbAdapter->setDeviceName(fdcanDeviceName);
    if (!usbAdapter->connectDevice()) {
        Logger::error(QString("打开:%1失败").arg(fdcanDeviceName), "fdcanConnect");
        DialogService::warning(this, tr("警告"), tr("打开:") + fdcanDeviceName + tr("失败"));
        return false;
    }
    cdc->setCanAdapter(usbAdapter);
    fdcanBoot = checkIsBoot();
    return true;
}

bool MainWindow::checkIsBoot()
{
    QByteArray reply;
    if (USB_CMD_TEST_ACK(reply) != UsbResult::Ok)
        return false;
    return QString::fromUtf8(reply).contains("boot");
}

void MainWindow::on_fdcanGetBaudRate_clicked()
{
    const QByteArray timing = USB_CMD_GetBaudRate();
    if (timing.size() < 9) {
        Logger::error("nullptr", "on_fdcanGetBaudRate_clicked");
        return;
    }
    // What the transmit settings follow; the panel's selections come with the panel.
    const bool fd = timing[0] != 0;
    canTxModel->setCANType(fd);
    ui->canDataStack->setCurrentWidget(fd ? ui->fdcanDataPage : ui->canDataPage);
    if (fd)
        ui->comboFrame_canFrameType->setCurrentIndex(ui->comboFrame_canFrameType->findData(0));
    ui->comboFrame_canFrameType->setEnabled(!fd);
    canTxModel->setDataSectionAcc(fd);
    ui->dataSectionAcc->setChecked(fd);
}

void MainWindow::onUsbAdapterError(CanAdapter::Error error, const QString &text)
{
    if (error != CanAdapter::Error::ReadError)
        return;
    Logger::info("USB错误：处理UI线程开始", "onUsbAdapterError");
    if (portOpen) {
        on_actCom_Close_triggered();
        emit autoQuitMessageBoxShow(tr("USB设备连接已断开: ") + text);
    }
    Logger::info("USB错误：处理UI线程结束", "onUsbAdapterError");
    on_btn_comRefreash_clicked();
}

// ---------------------------------------------------------------- receive handler

void MainWindow::on_canFramesReceived(const QList<CanBusFrame> &frames) { usbBatches->post(frames); }

CANFrameData MainWindow::insert_item(const CanBusFrame &frame, quint32 &rx, quint32 &tx)
{
    if (frame.has(CanBusFrame::Echo)) {
        ++tx;
    } else {
        ++rx;
        parseFDCANReceiveFrame(frame, cdc->escInf);
    }
    return canLogRow(frame, ++canRxSeq);
}

void MainWindow::insertFrames(const QList<CanBusFrame> &frames)
{
    QList<CANFrameData> rows;
    rows.reserve(frames.size());
    quint32 rx = 0;
    quint32 tx = 0;
    bool resetHeight = false;
    bool widen = false;
    for (const CanBusFrame &f : frames) {
        rows.append(insert_item(f, rx, tx));
        if (rows.last().index % kLogRowsPerHeightReset == 0) {
            usbLogWidest = 0;
            resetHeight = true;
        } else if (const int len = int(f.payload.size()); len > kWideRowData && len > usbLogWidest) {
            // Batches are handled one at a time: no other writer.
            usbLogWidest = len;
            widen = true;
        }
    }
    {
        QMutexLocker lock(&canFrameMutex);
        canFrameList.append(rows);
    }
    QMetaObject::invokeMethod(
        this,
        [this, rx, tx, resetHeight, widen] {
            addFrameCounts(rx, tx);
            if (resetHeight || widen)
                ui->tableView->verticalHeader()->setDefaultSectionSize(widen ? 40 : 30);
        },
        Qt::QueuedConnection);
}

void MainWindow::parseFDCANReceiveFrame(const CanBusFrame &frame, ESC_INF &record)
{
    motorFrameReceived(frame.id, reinterpret_cast<const uint8_t *>(frame.payload.constData()),
                       int(frame.payload.size()), ReceivePath::UsbAdapter, record);
}
