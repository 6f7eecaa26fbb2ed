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
#include "motor/paramRegisters.h"
#include "widgets/dialogService.h"
#include "widgets/factsDialog.h"

#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// After "complete": the controller restarts before it answers again.
constexpr int kRestartMs = 500;
// A version read: both paths give up after 0.64 s.
constexpr int kVersionWaitMs = 1500;
constexpr int kVersionAttempts = 3;
} // namespace

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
            // The controller restarts into its new application first.
            QTimer::singleShot(kRestartMs, this, &MainWindow::reportUpgradeVersions);
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
    firmwarePath = path;
    Logger::debug(QString("fileLength: %1").arg(file.image.size()), "on_firmwareFileOpenClicked");
    emit selectedFirmwareVersionChanged(file.name);
}

MainWindow::FirmwareVersions MainWindow::probeVersions(int timeoutMs)
{
    FirmwareVersions v;
    if (!portOpen || versionProbeLoop)
        return v;
    QEventLoop loop;
    QString app;
    QObject scope; // the connections end with this read
    connect(this, &MainWindow::appVersionChanged, &scope, [&app](const QString &a) { app = a; });
    // Both paths give the loader's version last.
    connect(this, &MainWindow::loaderVersionChanged, &scope, [&](const QString &loader) {
        v = {!app.isEmpty() || !loader.isEmpty(), app, loader};
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    versionProbeLoop = &loop;
    cdc->readVersion();
    loop.exec();
    versionProbeLoop = nullptr;
    if (!v.read) {
        // An answer that comes later is no version any more.
        cdc->versionMode = false;
        cdc->versionReading = false;
    }
    return v;
}

QString MainWindow::firmwareVersionText(const FirmwareVersions &v)
{
    return v.read ? tr("应用程序 %1，引导程序 %2").arg(v.app, v.loader) : tr("未能读取（电机没有应答）");
}

QString MainWindow::firmwareTargetText() const
{
    if (!cdc->canMode)
        return tr("经串口 %1 直连的电机（UART 控制台）").arg(ui->comboCom_Port->currentText());
    return tr("电机 CAN ID %1（主机 ID %2），经%3")
        .arg(hexIdText(cdc->motorCanid()), hexIdText(cdc->motorMasterid()), adapterText());
}

bool MainWindow::confirmFirmwareUpgrade(const FirmwareVersions &now)
{
    const QByteArray &image = cdc->firmwareImage;
    const int packets = firmwarePacketCount(image.size());
    FactsDialog dialog(tr("确认固件升级"),
                       tr("把固件写入电机？写入期间电机不受控制，不要断电或断开连接；写入后电机以新固件重新启动。"),
                       this);
    dialog.setObjectName("firmwareConfirmation");
    dialog.addFact(tr("目标:"), firmwareTargetText());
    dialog.addFact(tr("文件:"), QDir::toNativeSeparators(firmwarePath));
    QString size = tr("%1 字节，%2 包").arg(image.size()).arg(packets);
    if (cdc->canMode)
        size += tr("（%1 个 CAN 帧）").arg(firmwareFrameCount(image.size()));
    dialog.addFact(tr("大小:"), size);
    dialog.addFact(tr("当前版本:"), firmwareVersionText(now));
    if (!firmwareFileFits(firmwarePath, FirmwareTarget::Motor))
        dialog.addProblem(tr("文件名不以 .%1 结尾：它可能不是电机固件（.enc 是 USB 适配器的固件）。")
                              .arg(firmwareSuffix(FirmwareTarget::Motor)));
    dialog.setConfirmText(tr("开始升级"));
    Logger::info("asking: " + dialog.text().replace('\n', "; "), "on_firmwareUpgradeClicked");
    return DialogService::exec(&dialog) == QDialog::Accepted;
}

void MainWindow::reportUpgradeVersions()
{
    const FirmwareVersions before = versionsBeforeUpgrade;
    FirmwareVersions after;
    // The controller may need a moment longer to answer.
    for (int attempt = 0; attempt < kVersionAttempts && portOpen && !after.read; ++attempt)
        after = probeVersions(kVersionWaitMs);
    QString text;
    if (!after.read)
        text = tr("固件升级完成。升级后未能读取版本；升级前为 %1。").arg(firmwareVersionText(before));
    else if (!before.read)
        text = tr("固件升级完成。现在的版本：%1。").arg(firmwareVersionText(after));
    else if (before.app == after.app && before.loader == after.loader)
        text = tr("固件升级完成，但版本没有改变：仍为 %1。请确认所选文件是新版本的固件。").arg(firmwareVersionText(after));
    else
        text = tr("固件升级完成。应用程序版本 %1 → %2，引导程序版本 %3 → %4。")
                   .arg(before.app, after.app, before.loader, after.loader);
    Logger::info(text, "reportUpgradeVersions");
    if (firmwareDialog)
        firmwareDialog->showOutcome(true, text);
    DialogService::information(this, tr("固件升级"), text);
}

void MainWindow::on_firmwareUpgradeClicked()
{
    // F8 reaches here while the buttons are locked, and while the question is up.
    if (cdc->upgrade()->isRunning() || firmwareAsking) {
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
    // Nothing is sent before the user has seen what goes where, and onto which version.
    firmwareAsking = true;
    const FirmwareVersions now = probeVersions(kVersionWaitMs);
    const bool go = portOpen && confirmFirmwareUpgrade(now);
    firmwareAsking = false;
    if (!go) {
        Logger::info("firmware upgrade not confirmed", "on_firmwareUpgradeClicked");
        return;
    }
    versionsBeforeUpgrade = now;
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
