// The USB FDCAN adapter's side of the main window: the connection panel's wiring,
// pairing of the adapter with the selected serial port, connecting it when the port
// opens, and the timing read-back with its effects on the transmit settings and the
// status bar.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canTxModel.h"
#include "can/ui/canTxDelegate.h"
#include "chat/commandTable.h"
#include "chat/ui/chatCommandDispatcher.h"
#include "procedures/customCDC.h"
#include "link/serial/serialCanAdapter.h"
#include "link/usb/baudTiming.h"
#include "link/usb/fdcanCommands.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/ui/connectGroupBox.h"
#include "log/log.h"
#include "widgets/switchbutton.h"
#include "widgets/utils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>

void MainWindow::fdcanInit()
{
    ConnectGroupBox *panel = ui->fdcanGroupBox;
    connect(panel, &ConnectGroupBox::MessageInfo, this, &MainWindow::on_MessageInfoRecv);
    connect(panel, &ConnectGroupBox::usbDeviceChanged, this, &MainWindow::on_usbDeviceChanged);
    connect(panel, &ConnectGroupBox::fdcanConfigChanged, this, &MainWindow::on_fdcanConfigChanged);
    connect(panel, &ConnectGroupBox::fdcanAcc, this, &MainWindow::on_fdcanAcc);
    // A new device list may pair the selected port differently.
    connect(panel, &ConnectGroupBox::devicesRefreshed, this, [this] {
        if (!portOpen)
            on_comboCom_Port_currentIndexChanged(ui->comboCom_Port->currentIndex());
    });
    // The switch starts from the transmit record's mode; afterwards the read-back sets both.
    panel->setFdMode(canTxModel->canType());

    auto *f9 = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(f9, &QShortcut::activated, this, &MainWindow::on_fdcanupdateDialogShow);
    connect(ui->btn_fdcanUpdate, &QPushButton::clicked, this, &MainWindow::on_fdcanupdateDialogShow);

    // The two switch rows and the three rate rows act on the panel's widgets directly.
    chatDispatcher->registerHandler(ChatAction::ApplyFdcanConfig,
                                    [panel](const QString &) { panel->on_config_btn_clicked(); });
}

void MainWindow::setFdcanCommands(FdcanCommands *commands)
{
    ui->fdcanGroupBox->setCommands(commands);
    refreshUsbDevices();
}

FdcanCommands *MainWindow::fdcanCommands() const { return ui->fdcanGroupBox->commands(); }

QString MainWindow::selectedUsbDevice() const
{
    return fdcanDeviceSelected ? ui->fdcanGroupBox->currentDevice() : QString();
}

QStringList MainWindow::usbDevices() const
{
    QStringList names;
    const QComboBox *box = ui->fdcanGroupBox->form().usb_device_comboBox;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

void MainWindow::refreshUsbDevices()
{
    // The open adapter is not re-listed under the user's feet.
    if (!portOpen)
        ui->fdcanGroupBox->on_refresh_usb_btn_clicked();
}

QString MainWindow::adapterLabelText() const { return adapterLabel->text(); }

// ---------------------------------------------------------------- pairing

void MainWindow::on_comboCom_Port_currentIndexChanged(int)
{
    ConnectGroupBox *panel = ui->fdcanGroupBox;
    const QString device = fdcanCommands()->deviceOfPort(ui->comboCom_Port->currentText());
    panel->selectDevice(device);
    fdcanDeviceSelected = !device.isEmpty() && panel->currentDevice() == device;
    updateCanBusPanel();
}

void MainWindow::on_usbDeviceChanged(const QString &device)
{
    const QString port = device.isEmpty() ? QString() : fdcanCommands()->portOfDevice(device);
    if (!port.isEmpty() && !portOpen)
        setComboBoxIndexByText(ui->comboCom_Port, port);
    fdcanDeviceSelected = !port.isEmpty() && ui->comboCom_Port->currentText() == port;
}

// ---------------------------------------------------------------- port open and close

bool MainWindow::openCanAdapter()
{
    ConnectGroupBox *panel = ui->fdcanGroupBox;
    panel->form().sw_btn_FDCAN->setEnabled(fdcanDeviceSelected);
    if (!fdcanDeviceSelected) {
        cdc->setCanAdapter(nullptr);
        cdc->serialAdapter()->connectDevice();
    } else {
        // Opening also clears the halts, lets the readers run and starts capture.
        if (!panel->fdcanConnect() || !fdcanCommands()->connected())
            return false;
        cdc->setCanAdapter(usbAdapter);
        heartbeatSuspended = false;
        if (!panel->isBoot())
            on_fdcanGetBaudRate_clicked();
    }
    panel->changedRefreashState(false);
    return true;
}

void MainWindow::closeCanAdapter()
{
    closeCanBusLink();
    // Closed whatever the selection says now: the device box stays usable while open.
    if (fdcanCommands()->connected()) {
        heartbeatSuspended = true;
        fdcanCommands()->close();
    }
    cdc->setCanAdapter(nullptr);
    cdc->serialAdapter()->disconnectDevice();
    ui->fdcanGroupBox->changedRefreashState(true);
    // Locked only while a port without an adapter is open: the next port may have one.
    ui->fdcanGroupBox->form().sw_btn_FDCAN->setEnabled(true);
}

// ---------------------------------------------------------------- timing

void MainWindow::on_fdcanGetBaudRate_clicked()
{
    const QByteArray record = fdcanCommands()->getBaudRate();
    if (record.isEmpty()) {
        Logger::error("nullptr", "on_fdcanGetBaudRate_clicked");
        return;
    }
    const BaudReadback r = interpretBaudRecord(record);
    if (!r.valid) {
        Logger::error(QString("波特率记录过短: %1 字节").arg(record.size()), "on_fdcanGetBaudRate_clicked");
        return;
    }
    canTxModel->setCANType(r.fd);
    ui->canDataStack->setCurrentWidget(r.fd ? ui->fdcanDataPage : ui->canDataPage);
    if (r.fd)
        canTxDelegate->setComboBoxData(ui->comboFrame_canFrameType, 0, CANTxModel::ColCanFrameType);
    ui->comboFrame_canFrameType->setEnabled(!r.fd);
    ui->fdcanGroupBox->showReadback(r);
    if (r.upgradeFlagSet)
        cdc->upgradeFrameFlag = r.upgradeFlag;
    canTxModel->setDataSectionAcc(r.dataSectionAcc);
    canTxDelegate->setCheckBoxData(ui->dataSectionAcc, r.dataSectionAcc);
    adapterLabel->setText(tr(r.labelCaption) + ":" + r.labelRate);
    adapterLabel->setStyleSheet(QString("color: %1;").arg(QColor(Qt::darkGreen).name()));
}

void MainWindow::on_fdcanConfigChanged()
{
    if (!ui->fdcanGroupBox->isBoot())
        on_fdcanGetBaudRate_clicked();
}

void MainWindow::on_fdcanAcc(bool fd)
{
    ui->fdcanGroupBox->setFdMode(fd);
    canTxDelegate->setCheckBoxData(ui->dataSectionAcc, fd);
}

// ---------------------------------------------------------------- firmware, language

void MainWindow::on_fdcanupdateDialogShow() { ui->fdcanGroupBox->on_firmwareUpdateBtn_clicked(); }

void MainWindow::fdcanLanguageChanged()
{
    ui->fdcanGroupBox->switchLanguage();
    // The read-back writes the status-bar text in the new language.
    if (fdcanCommands()->connected() && !ui->fdcanGroupBox->isBoot())
        on_fdcanGetBaudRate_clicked();
    else
        adapterLabel->setText("DUR2IZA");
}
