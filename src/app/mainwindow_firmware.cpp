// Motor firmware in the main window: the firmware group and its dialog, the file choice,
// the upgrade over the current path with its lock of the controls, and the version read.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "chat/commandTable.h"
#include "chat/ui/chatCommandDispatcher.h"
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "widgets/firmwareDialog.h"
#include "firmware/ui/firmwareGroupBox.h"
#include "procedures/customCDC.h"
#include "link/usb/usb_class.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

void MainWindow::firmwareInit()
{
    // The group stands in the side panel below the connection group.
    upgradeGroupBox = new FirmwareGroupBox(ui->connectGroupBox->parentWidget());
    if (auto *side = qobject_cast<QVBoxLayout *>(ui->connectGroupBox->parentWidget()->layout()))
        side->insertWidget(side->indexOf(ui->connectGroupBox) + 1, upgradeGroupBox);

    // The menu action reaches on_actFirmwareUpdate_triggered by its name.
    ui->actFirmwareUpdate->setIcon(QIcon(":/source/install.png"));
    auto *f8 = new QShortcut(QKeySequence(Qt::Key_F8), this);
    connect(f8, &QShortcut::activated, this, &MainWindow::on_firmwareUpgradeClicked);

    connect(upgradeGroupBox, &FirmwareGroupBox::readVersionClicked, this, &MainWindow::on_readVersionClicked);
    connect(upgradeGroupBox, &FirmwareGroupBox::firmwareFileOpenClicked, this, &MainWindow::on_firmwareFileOpenClicked);
    connect(upgradeGroupBox, &FirmwareGroupBox::firmwareUpgradeClicked, this, &MainWindow::on_firmwareUpgradeClicked);
    connect(upgradeGroupBox, &FirmwareGroupBox::MessageInfo, this, &MainWindow::on_MessageInfoRecv);
    connect(this, &MainWindow::appVersionChanged, upgradeGroupBox, &FirmwareGroupBox::on_appVersionChanged);
    connect(this, &MainWindow::loaderVersionChanged, upgradeGroupBox, &FirmwareGroupBox::on_loaderVersionChanged);
    connect(this, &MainWindow::selectedFirmwareVersionChanged, upgradeGroupBox,
            &FirmwareGroupBox::on_selectedFirmwareVersionChanged);
    connect(cdc.data(), &CustomCDC::progressBarChanged, upgradeGroupBox, &FirmwareGroupBox::on_progressBarChanged);

    FirmwareUpgrade *up = cdc->upgrade();
    connect(up, &FirmwareUpgrade::lockChanged, this, &MainWindow::upgradeLock);
    connect(up, &FirmwareUpgrade::finished, this, [this](FirmwareUpgrade::Outcome outcome) {
        if (outcome == FirmwareUpgrade::Outcome::Completed)
            emit autoQuitMessageBoxShow(tr("固件升级完成"));
    });

    chatDispatcher->registerHandler(ChatAction::ReadVersion,
                                    [this](const QString &) { emit upgradeGroupBox->readVersionClicked(); });
    firmwareLanguageChanged();
}

void MainWindow::firmwareLanguageChanged()
{
    upgradeGroupBox->retranslate();
    if (firmwareDialog)
        firmwareDialog->retranslate();
}

FirmwareGroupBox *MainWindow::firmwareGroupBox() const { return upgradeGroupBox; }
FirmwareDialog *MainWindow::motorFirmwareDialog() const { return firmwareDialog; }

void MainWindow::on_firmwareFileOpenClicked()
{
    const QString path =
        DialogService::getOpenFileName(this, tr("固件选择"), desktopPath, tr("固件文件(*.bin)"));
    if (path.isEmpty()) {
        Logger::info("file don`t exist", "on_firmwareFileOpenClicked");
        return;
    }
    Logger::debug(QString("file address: %1").arg(path), "on_firmwareFileOpenClicked");
    desktopPath = QFileInfo(path).absolutePath();
    const FirmwareFile file = loadFirmwareFile(path);
    if (!file.ok()) {
        // The previous choice stays.
        Logger::info("file open false: " + file.error, "on_firmwareFileOpenClicked");
        DialogService::warning(this, tr("提示"), file.error);
        return;
    }
    cdc->firmwareImage = file.image;
    Logger::debug(QString("fileLength: %1").arg(file.image.size()), "on_firmwareFileOpenClicked");
    emit selectedFirmwareVersionChanged(file.name);
}

void MainWindow::on_firmwareUpgradeClicked()
{
    // F8 reaches here while the buttons are locked.
    if (cdc->upgrade()->isRunning()) {
        Logger::info("firmware upgrade already running", "on_firmwareUpgradeClicked");
        return;
    }
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (cdc->firmwareImage.isEmpty()) {
        emit MessageInfo(9);
        return;
    }
    // Nothing else may reach the motor during the transfer: over CAN the bootloader takes
    // every frame on its ID as image data. Every sending road ends (the link object does
    // that as the upgrade starts) and stays off afterwards: the motor restarts with its
    // new firmware.
    if (cdc->canMode)
        cdc->stopAdapterSending();
    if (cdc->usbConnected())
        clearWINUSBhalt();
    cdc->firmwareUpgrade();
}

void MainWindow::on_readVersionClicked()
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    cdc->readVersion();
}

void MainWindow::firmwareLock(bool locked)
{
    upgradeGroupBox->setLocked(locked);
    if (firmwareDialog)
        firmwareDialog->setLocked(locked);
}

void MainWindow::on_actFirmwareUpdate_triggered()
{
    auto *dialog = new FirmwareDialog(false, this);
    firmwareDialog = dialog;
    connect(dialog, &FirmwareDialog::readVersionClicked, this, &MainWindow::on_readVersionClicked);
    connect(dialog, &FirmwareDialog::firmwareFileOpenClicked, this, &MainWindow::on_firmwareFileOpenClicked);
    connect(dialog, &FirmwareDialog::firmwareUpgradeClicked, this, &MainWindow::on_firmwareUpgradeClicked);
    connect(this, &MainWindow::appVersionChanged, dialog, &FirmwareDialog::on_appVersionChanged);
    connect(this, &MainWindow::loaderVersionChanged, dialog, &FirmwareDialog::on_loaderVersionChanged);
    connect(this, &MainWindow::selectedFirmwareVersionChanged, dialog,
            &FirmwareDialog::on_selectedFirmwareVersionChanged);
    connect(cdc.data(), &CustomCDC::progressBarChanged, dialog, &FirmwareDialog::on_progressBarChanged);
    connect(cdc->upgrade(), &FirmwareUpgrade::finished, dialog, [dialog](FirmwareUpgrade::Outcome outcome) {
        dialog->showOutcome(outcome == FirmwareUpgrade::Outcome::Completed, FirmwareUpgrade::outcomeText(outcome));
    });
    // What the group already shows.
    dialog->on_appVersionChanged(upgradeGroupBox->appVersion);
    dialog->on_loaderVersionChanged(upgradeGroupBox->loaderVersion);
    dialog->on_selectedFirmwareVersionChanged(upgradeGroupBox->selectedFirmware);
    dialog->setLocked(cdc->upgrade()->isRunning());
    DialogService::exec(dialog);
    delete dialog;
}
