#include "firmware/ui/firmwareGroupBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

FirmwareGroupBox::FirmwareGroupBox(QWidget *parent) : QGroupBox(parent)
{
    setObjectName("upgradeGroupBox");
    auto *g = new QGridLayout(this);
    readVersionButton = new QPushButton(this);
    readVersionButton->setObjectName("readVersionButton");
    fileOpenButton = new QPushButton(QIcon(":/source/folder-upload.png"), QString(), this);
    fileOpenButton->setObjectName("fileOpenButton");
    upgradeButton = new QPushButton(QIcon(":/source/install.png"), QString(), this);
    upgradeButton->setObjectName("upgradeButton");

    auto *fwLabel = new QLabel("FW REV:", this);
    auto *blLabel = new QLabel("BL REV:", this);
    appVersionLabel = new QLabel(this);
    appVersionLabel->setObjectName("appVersionLabel");
    loaderVersionLabel = new QLabel(this);
    loaderVersionLabel->setObjectName("loaderVersionLabel");
    for (QLabel *l : {appVersionLabel, loaderVersionLabel})
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    firmwareNameLabel = new QLabel(this);
    firmwareNameLabel->setObjectName("firmwareNameLabel");
    firmwareNameLabel->setStyleSheet("color:red;");
    firmwareNameLabel->setFixedHeight(15);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName("progressBar");
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setFixedHeight(15);

    // Two buttons a row: the side panel is narrow, the English captions long.
    g->addWidget(readVersionButton, 0, 0, 1, 2);
    g->addWidget(fileOpenButton, 0, 2);
    g->addWidget(upgradeButton, 1, 0, 1, 3);
    g->addWidget(fwLabel, 2, 0);
    g->addWidget(appVersionLabel, 2, 1, 1, 2);
    g->addWidget(blLabel, 3, 0);
    g->addWidget(loaderVersionLabel, 3, 1, 1, 2);
    g->addWidget(firmwareNameLabel, 4, 0, 1, 3);
    g->addWidget(progressBar, 5, 0, 1, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(2, 2);

    connect(readVersionButton, &QPushButton::clicked, this, &FirmwareGroupBox::readVersionClicked);
    connect(fileOpenButton, &QPushButton::clicked, this, &FirmwareGroupBox::firmwareFileOpenClicked);
    connect(upgradeButton, &QPushButton::clicked, this, &FirmwareGroupBox::firmwareUpgradeClicked);
    retranslate();
}

void FirmwareGroupBox::retranslate()
{
    setTitle(tr("电机固件升级"));
    readVersionButton->setText(tr("读版本"));
    fileOpenButton->setText(tr("固件选择"));
    upgradeButton->setText(tr("固件升级"));
    readVersionButton->setToolTip(tr("读取电机的应用程序版本 (FW REV) 和引导程序版本 (BL REV)"));
    fileOpenButton->setToolTip(tr("选择电机固件文件 (*.bin)"));
    upgradeButton->setToolTip(tr("把所选固件经当前链路写入电机 (F8)，进度显示在下方"));
    progressBar->setToolTip(tr("固件传输进度，结束后回到 0"));
    firmwareNameLabel->setToolTip(tr("所选固件文件的名称"));
}

void FirmwareGroupBox::setLocked(bool locked)
{
    fileOpenButton->setEnabled(!locked);
    upgradeButton->setEnabled(!locked);
}

void FirmwareGroupBox::refreshLabels()
{
    appVersionLabel->setText(appVersion);
    loaderVersionLabel->setText(loaderVersion);
    firmwareNameLabel->setText(selectedFirmware);
}

void FirmwareGroupBox::on_appVersionChanged(const QString &version)
{
    appVersion = version;
    refreshLabels();
}

void FirmwareGroupBox::on_loaderVersionChanged(const QString &version)
{
    loaderVersion = version;
    refreshLabels();
}

void FirmwareGroupBox::on_selectedFirmwareVersionChanged(const QString &name)
{
    selectedFirmware = name;
    refreshLabels();
}

void FirmwareGroupBox::on_progressBarChanged(int value)
{
    progressBar->setValue(value >= 0 && value <= 100 ? value : 0);
}
