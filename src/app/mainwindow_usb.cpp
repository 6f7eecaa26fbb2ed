// The USB FDCAN adapter in the main window: the adapter object and the panel's binding
// to it, the serial ports it pairs with, its transfer errors, and the receive handler
// that turns its frame batches into log rows, counts and motor frames. The panel,
// pairing, open and close are in mainwindow_fdcan.cpp.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canFrameModel.h"
#include "can/canTxModel.h"
#include "firmware/firmwareUpgrade.h"
#include "procedures/customCDC.h"
#include "link/serial/serialCanAdapter.h"
#include "link/serial/serialPortModel.h"
#include "link/usb/control_protocol.h"
#include "link/usb/ui/connectGroupBox.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usbFdcanCommands.h"
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
    // Batches go to the handler's queue straight from the adapter's thread.
    connect(usbAdapter, &CanAdapter::framesReceived, this, &MainWindow::on_canFramesReceived, Qt::DirectConnection);
    connect(usbAdapter, &CanAdapter::errorOccurred, this, &MainWindow::onUsbAdapterError);
    usbCommands = std::make_unique<UsbFdcanCommands>(usbAdapter, [this] { return pairingPorts(); });
    ui->fdcanGroupBox->setCommands(usbCommands.get());
}

void MainWindow::usbShutdown()
{
    // An adapter firmware upgrade still running ends before the adapter and the USB
    // context go.
    ui->fdcanGroupBox->stopUpgrade();
    ui->fdcanGroupBox->setCommands(nullptr);
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
        // A motor firmware upgrade over this adapter takes the bootloader's answers first, from
        // the motor being upgraded only. A Qt CAN interface delivers here too; its upgrade
        // runs on the serial adapter's path and waits.
        const auto path = cdc->usbConnected() ? FirmwareUpgrade::Path::UsbAdapter : FirmwareUpgrade::Path::SerialAdapter;
        if (!frame.has(CanBusFrame::Extended) && !frame.has(CanBusFrame::Remote) && !frame.has(CanBusFrame::Failed)
            && cdc->upgrade()->offerFrameReply(frame.id, frame.payload, path))
            emit uartByteMsg(frame.payload);
        if (!frame.has(CanBusFrame::ErrorFrame))
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
    canRecorder->append(rows);
    {
        QMutexLocker lock(&canFrameMutex);
        canFrameList.append(rows);
        // Of a backlog longer than the log, the log would keep the newest rows only: the
        // older ones pass it now (counted as appended and gone) instead of holding memory.
        constexpr qsizetype kBacklog = CANFrameModel::kMaxRows;
        if (canFrameList.size() > kBacklog + 8192) {
            const qsizetype excess = canFrameList.size() - kBacklog;
            canFrameList.remove(0, excess);
            canFramesPassedBy += quint64(excess);
        }
    }
    pendingAdapterRx += rx;
    pendingAdapterTx += tx;
    if (resetHeight || widen)
        QMetaObject::invokeMethod(
            this, [this, widen] { ui->tableView->verticalHeader()->setDefaultSectionSize(widen ? 40 : 30); },
            Qt::QueuedConnection);
}

void MainWindow::parseFDCANReceiveFrame(const CanBusFrame &frame, ESC_INF &record)
{
    motorFrameReceived(frame.id, reinterpret_cast<const uint8_t *>(frame.payload.constData()),
                       int(frame.payload.size()), ReceivePath::UsbAdapter, record);
}
