#include "widgets/firmwareDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

FirmwareDialog::FirmwareDialog(bool fdcanVariant, QWidget *parent) : QDialog(parent), fdcan(fdcanVariant)
{
    setObjectName("firmwareDialog");
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    auto *layout = new QVBoxLayout(this);
    infoLabel = new QLabel(this);
    infoLabel->setObjectName("infoLabel");
    infoLabel->setWordWrap(true);
    infoLabel->setMinimumWidth(260);
    infoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(infoLabel);

    auto *buttons = new QGridLayout();
    readVersionButton = new QPushButton(this);
    readVersionButton->setObjectName("readVersionButton");
    fileOpenButton = new QPushButton(QIcon(":/source/folder-upload.png"), QString(), this);
    fileOpenButton->setObjectName("fileOpenButton");
    upgradeButton = new QPushButton(QIcon(":/source/install.png"), QString(), this);
    upgradeButton->setObjectName("upgradeButton");
    buttons->addWidget(readVersionButton, 0, 0);
    buttons->addWidget(fileOpenButton, 0, 1);
    buttons->addWidget(upgradeButton, 0, 2);
    layout->addLayout(buttons);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName("progressBar");
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    layout->addWidget(progressBar);

    connect(readVersionButton, &QPushButton::clicked, this, &FirmwareDialog::readVersionClicked);
    connect(fileOpenButton, &QPushButton::clicked, this, &FirmwareDialog::firmwareFileOpenClicked);
    connect(upgradeButton, &QPushButton::clicked, this, &FirmwareDialog::firmwareUpgradeClicked);
    retranslate();
}

void FirmwareDialog::retranslate()
{
    setWindowTitle(fdcan ? tr("FDCAN固件升级") : tr("电机固件升级"));
    readVersionButton->setText(tr("读版本"));
    fileOpenButton->setText(tr("固件选择"));
    upgradeButton->setText(tr("固件升级"));
    readVersionButton->setToolTip(fdcan ? tr("读取适配器当前的固件版本") : tr("读取电机的应用程序和引导程序版本"));
    fileOpenButton->setToolTip(fdcan ? tr("选择适配器固件文件 (*.enc)") : tr("选择电机固件文件 (*.bin)"));
    upgradeButton->setToolTip(tr("把所选固件写入设备，进度显示在下方"));
    refreshLabel();
}

void FirmwareDialog::setUpgradeEnabled(bool enabled) { upgradeButton->setEnabled(enabled); }

void FirmwareDialog::refreshLabel()
{
    QString text;
    if (fdcan)
        text = tr("FDCAN固件版本: ") + version + "\n" + tr("固件文件: ") + selectedFirmware;
    else
        text = "Firmware    REV:" + appVersion + "\nBootloader REV:" + loaderVersion + tr("\n固件版本:\n")
               + selectedFirmware;
    if (outcome == Outcome::Finished)
        text += "\n" + (detail.isEmpty() ? tr("升级完成") : detail);
    else if (outcome == Outcome::Failed)
        text += "\n" + tr("升级失败: ") + detail;
    infoLabel->setText(text);
    infoLabel->setStyleSheet(outcome == Outcome::Failed ? "color: red;" : QString());
}

void FirmwareDialog::on_fdcanVersionChanged(const QString &v)
{
    version = v;
    refreshLabel();
}

void FirmwareDialog::on_appVersionChanged(const QString &v)
{
    appVersion = v;
    refreshLabel();
}

void FirmwareDialog::on_loaderVersionChanged(const QString &v)
{
    loaderVersion = v;
    refreshLabel();
}

void FirmwareDialog::on_selectedFirmwareVersionChanged(const QString &name)
{
    selectedFirmware = name;
    refreshLabel();
}

void FirmwareDialog::on_progressBarChanged(int value)
{
    if (value > 0 && outcome != Outcome::None) {
        // A new transfer has started: the last one's outcome no longer applies.
        outcome = Outcome::None;
        refreshLabel();
    }
    progressBar->setValue(value >= 0 && value <= 100 ? value : 0);
}

void FirmwareDialog::on_fdcanUpgradeFinished()
{
    showOutcome(true);
    setUpgradeEnabled(true);
}

void FirmwareDialog::on_fdcanUpgradeFailed(const QString &reason) { showOutcome(false, reason); }

void FirmwareDialog::showOutcome(bool ok, const QString &reason)
{
    outcome = ok ? Outcome::Finished : Outcome::Failed;
    detail = reason;
    refreshLabel();
}

void FirmwareDialog::setLocked(bool locked)
{
    fileOpenButton->setEnabled(!locked);
    upgradeButton->setEnabled(!locked);
}
