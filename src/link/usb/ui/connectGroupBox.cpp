#include "link/usb/ui/connectGroupBox.h"

#include "widgets/firmwareDialog.h"
#include "link/usb/adapterFirmware.h"
#include "link/usb/fdcanCommands.h"
#include "link/usb/ui/customBaudDialog.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/factsDialog.h"
#include "widgets/switchbutton.h"
#include "widgets/utils.h"

#include <QComboBox>
#include <QDir>
#include <QThread>
#include <QTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QAbstractItemView>
#include <QtConcurrent/QtConcurrent>

#include <iterator>

namespace {
// After the end command the adapter restarts before it answers again.
constexpr int kAdapterRestartMs = 500;
constexpr int kAdapterVersionAttempts = 3;
} // namespace

void Ui_ConnectGroupBox::setupUi(QGroupBox *box)
{
    box->setObjectName("fdcanGroupBox");
    grid = new QGridLayout(box);
    const auto label = [box](const char *name) {
        auto *l = new QLabel(box);
        l->setObjectName(name);
        return l;
    };
    const auto combo = [box](const char *name) {
        auto *c = new QComboBox(box);
        c->setObjectName(name);
        c->setMinimumWidth(90);
        return c;
    };
    const auto button = [box](const char *name) {
        auto *b = new QPushButton(box);
        b->setObjectName(name);
        return b;
    };
    deviceLabel = label("deviceLabel");
    usb_device_comboBox = combo("usb_device_comboBox");
    modeLabel = label("modeLabel");
    sw_btn_FDCAN = new SwitchButton(box);
    sw_btn_FDCAN->setObjectName("sw_btn_FDCAN");
    sw_btn_FDCAN->setFixedSize(70, 20);
    idBaudLabel = label("idBaudLabel");
    id_baud_combox = combo("id_baud_combox");
    dataBaudLabel = label("dataBaudLabel");
    data_baud_combox = combo("data_baud_combox");
    samplePointCaption = label("samplePointCaption");
    samplePointLabel = label("samplePointLabel");
    firmwareUpdateBtn = button("firmwareUpdateBtn");
    refresh_usb_btn = button("refresh_usb_btn");
    config_btn = button("config_btn");

    for (const BaudPreset &p : kArbitrationPresets)
        id_baud_combox->addItem(QString::fromLatin1(p.text));
    id_baud_combox->addItem(QString());
    for (const BaudPreset &p : kDataPresets)
        data_baud_combox->addItem(QString::fromLatin1(p.text));
    data_baud_combox->addItem(QString());
    samplePointLabel->setText("75.0");

    grid->addWidget(deviceLabel, 0, 0);
    grid->addWidget(usb_device_comboBox, 0, 1);
    grid->addWidget(modeLabel, 1, 0);
    grid->addWidget(sw_btn_FDCAN, 1, 1, Qt::AlignLeft);
    grid->addWidget(idBaudLabel, 2, 0);
    grid->addWidget(id_baud_combox, 2, 1);
    // The data-rate row shares the grid's columns so that its combo lines up with the
    // others in either language.
    dataBaudLayout = new QHBoxLayout();
    dataBaudLayout->setObjectName("dataBaudLayout");
    dataBaudLayout->addWidget(data_baud_combox);
    grid->addWidget(dataBaudLabel, 3, 0);
    grid->addLayout(dataBaudLayout, 3, 1);
    grid->addWidget(samplePointCaption, 4, 0);
    grid->addWidget(samplePointLabel, 4, 1);
    auto *buttons = new QHBoxLayout();
    buttons->addWidget(firmwareUpdateBtn);
    buttons->addWidget(refresh_usb_btn);
    buttons->addWidget(config_btn);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    // The panel lives in a narrow fixed-size window: tight margins leave the combo boxes
    // room for a whole adapter name, and the list opens as wide as its longest name.
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(4);
    usb_device_comboBox->view()->setTextElideMode(Qt::ElideNone);
}

void Ui_ConnectGroupBox::retranslateUi(QGroupBox *box, bool fd)
{
    box->setTitle(ConnectGroupBox::tr("FDCAN配置"));
    deviceLabel->setText(ConnectGroupBox::tr("设备端口"));
    modeLabel->setText(ConnectGroupBox::tr("工作模式"));
    idBaudLabel->setText(fd ? ConnectGroupBox::tr("仲裁域波特率") : ConnectGroupBox::tr("波特率"));
    dataBaudLabel->setText(ConnectGroupBox::tr("数据域波特率"));
    samplePointCaption->setText(ConnectGroupBox::tr("采样点"));
    firmwareUpdateBtn->setText(ConnectGroupBox::tr("固件更新"));
    refresh_usb_btn->setText(ConnectGroupBox::tr("刷新设备"));
    config_btn->setText(ConnectGroupBox::tr("更新配置"));
    usb_device_comboBox->setToolTip(ConnectGroupBox::tr("USB FDCAN适配器 (总线号,设备地址)；选择串口时自动匹配"));
    sw_btn_FDCAN->setToolTip(ConnectGroupBox::tr("CAN2.0：经典CAN；FDCAN：带数据域波特率的CAN FD"));
    id_baud_combox->setToolTip(ConnectGroupBox::tr("仲裁域波特率；“自定义”打开自定义波特率配置"));
    data_baud_combox->setToolTip(ConnectGroupBox::tr("CAN FD数据域波特率；“自定义”打开自定义波特率配置"));
    samplePointLabel->setToolTip(ConnectGroupBox::tr("仲裁域采样点 (%)"));
    config_btn->setToolTip(ConnectGroupBox::tr("把所选波特率写入适配器并读回"));
    refresh_usb_btn->setToolTip(ConnectGroupBox::tr("重新查找USB FDCAN适配器 (串口打开时不可用)"));
}

ConnectGroupBox::ConnectGroupBox(QWidget *parent) : QGroupBox(parent), cmds(FdcanCommands::none())
{
    qRegisterMetaType<customBaudconfiguration>();
    ui.setupUi(this);
    ui.sw_btn_FDCAN->setTextOn("FDCAN");
    ui.sw_btn_FDCAN->setTextOff("CAN2.0");
    setCustomEntryText(ui.id_baud_combox, kArbitrationCustomIndex, QString());
    setCustomEntryText(ui.data_baud_combox, kDataCustomIndex, QString());
    ui.retranslateUi(this, false);

    connect(ui.usb_device_comboBox, &QComboBox::currentIndexChanged, this,
            &ConnectGroupBox::on_usb_device_comboBox_currentIndexChanged);
    connect(ui.sw_btn_FDCAN, &SwitchButton::statusChanged, this, &ConnectGroupBox::on_FDCAN_statusChanged);
    connect(ui.refresh_usb_btn, &QPushButton::clicked, this, &ConnectGroupBox::on_refresh_usb_btn_clicked);
    connect(ui.config_btn, &QPushButton::clicked, this, &ConnectGroupBox::on_config_btn_clicked);
    connect(ui.firmwareUpdateBtn, &QPushButton::clicked, this, &ConnectGroupBox::on_firmwareUpdateBtn_clicked);
    connect(ui.id_baud_combox, &QComboBox::activated, this, &ConnectGroupBox::on_id_baud_combox_activated);
    connect(ui.data_baud_combox, &QComboBox::activated, this, &ConnectGroupBox::on_data_baud_combox_activated);
    // Whatever selects a preset (the user, a read-back, the assistant) shows its sample point.
    connect(ui.id_baud_combox, &QComboBox::currentIndexChanged, this, &ConnectGroupBox::showPresetSamplePoint);
    on_FDCAN_statusChanged(ui.sw_btn_FDCAN->checked());
    ui.firmwareUpdateBtn->hide();
}

ConnectGroupBox::~ConnectGroupBox()
{
    // The upgrade task uses the commands and emits on this object: it must end first.
    stopUpgrade();
}

void ConnectGroupBox::stopUpgrade()
{
    if (upgrade)
        upgrade->cancel();
    upgradeFuture.waitForFinished();
}

CustomBaudDialog *ConnectGroupBox::customDialog() const { return baudDialog; }

FirmwareDialog *ConnectGroupBox::firmwareDialog() const { return fwDialog; }

void ConnectGroupBox::setCommands(FdcanCommands *c) { cmds = c ? c : FdcanCommands::none(); }

// ---------------------------------------------------------------- adapters and pairing

void ConnectGroupBox::setDeviceNames(const QStringList &names)
{
    const QString previous = currentDevice();
    const QSignalBlocker block(ui.usb_device_comboBox);
    ui.usb_device_comboBox->clear();
    ui.usb_device_comboBox->addItems(names);
    ui.usb_device_comboBox->setCurrentIndex(names.isEmpty() ? -1 : qMax(0, int(names.indexOf(previous))));
    QAbstractItemView *list = ui.usb_device_comboBox->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth());
}

QString ConnectGroupBox::currentDevice() const
{
    return ui.usb_device_comboBox->currentIndex() < 0 ? QString() : ui.usb_device_comboBox->currentText();
}

void ConnectGroupBox::selectDevice(const QString &name)
{
    const QSignalBlocker block(ui.usb_device_comboBox);
    ui.usb_device_comboBox->setCurrentIndex(name.isEmpty() ? -1 : ui.usb_device_comboBox->findText(name));
}

void ConnectGroupBox::on_refresh_usb_btn_clicked()
{
    Logger::debug("点击刷新USB设备", "on_refresh_usb_btn_clicked");
    setDeviceNames(cmds->deviceNames());
    cmds->rebuildPairing();
    emit devicesRefreshed();
}

void ConnectGroupBox::on_usb_device_comboBox_currentIndexChanged(int)
{
    emit usbDeviceChanged(currentDevice());
}

void ConnectGroupBox::changedRefreashState(bool enabled) { ui.refresh_usb_btn->setEnabled(enabled); }

// ---------------------------------------------------------------- connection

bool ConnectGroupBox::fdcanConnect()
{
    Logger::debug("连接USB设备", "fdcanConnect");
    const QString name = currentDevice();
    if (ui.usb_device_comboBox->count() == 0 || name.isEmpty()) {
        Logger::error("无usb设备", "fdcanConnect");
        DialogService::warning(this, tr("警告"), tr("并未发现USB设备，请检查链接"));
        return false;
    }
    Logger::debug(QString("打开:%1").arg(name), "fdcanConnect");
    if (!cmds->open(name)) {
        Logger::error(QString("打开:%1失败").arg(name), "fdcanConnect");
        DialogService::warning(this, tr("警告"), tr("打开:") + name + tr("失败"));
        return false;
    }
    checkIsBoot();
    return true;
}

bool ConnectGroupBox::checkIsBoot()
{
    QByteArray reply;
    const quint8 code = cmds->testAck(&reply);
    bootFlag = code == 0 && adapterReplyIsBoot(reply);
    if (bootFlag)
        Logger::info("适配器处于boot状态", "checkIsBoot");
    return bootFlag;
}

// ---------------------------------------------------------------- timing

bool ConnectGroupBox::fdMode() const { return ui.sw_btn_FDCAN->checked(); }

void ConnectGroupBox::setFdMode(bool on)
{
    ui.sw_btn_FDCAN->setChecked(on);
    on_FDCAN_statusChanged(on);
}

void ConnectGroupBox::on_FDCAN_statusChanged(bool on)
{
    setLayoutVisible(ui.dataBaudLayout, on);
    ui.dataBaudLabel->setVisible(on);
    ui.idBaudLabel->setText(on ? tr("仲裁域波特率") : tr("波特率"));
}

void ConnectGroupBox::setCustomEntryText(QComboBox *combo, int index, const QString &suffix)
{
    combo->setItemText(index, tr("自定义") + suffix);
}

void ConnectGroupBox::showPresetSamplePoint(int index)
{
    if (index < 0 || index >= int(std::size(kArbitrationPresets)))
        return;
    const BaudPreset &p = kArbitrationPresets[index];
    ui.samplePointLabel->setText(samplePointText(p.seg1, p.seg2));
}

void ConnectGroupBox::showReadback(const BaudReadback &r)
{
    if (!r.valid)
        return;
    setFdMode(r.fd);
    idCustomSuffix = r.idCustomSuffix;
    dataCustomSuffix = r.dataCustomSuffix;
    setCustomEntryText(ui.id_baud_combox, kArbitrationCustomIndex, idCustomSuffix);
    setCustomEntryText(ui.data_baud_combox, kDataCustomIndex, dataCustomSuffix);
    // The selection made here is the adapter's, not the user's.
    customSelectionMark = r.idIndex == kArbitrationCustomIndex;
    ui.id_baud_combox->setCurrentIndex(r.idIndex);
    ui.data_baud_combox->setCurrentIndex(r.dataIndex);
    ui.samplePointLabel->setText(r.samplePoint);
}

void ConnectGroupBox::on_config_btn_clicked()
{
    if (!cmds->connected()) {
        emit MessageInfo(10);
        return;
    }
    const bool fd = fdMode();
    const int idIndex = ui.id_baud_combox->currentIndex();
    const int dataIndex = ui.data_baud_combox->currentIndex();
    // A custom entry has no preset to send: it is configured through its dialog.
    if (idIndex == kArbitrationCustomIndex || (fd && dataIndex == kDataCustomIndex)) {
        Logger::info("自定义波特率：打开配置对话框", "on_config_btn_clicked");
        customBaudDialogShow();
        return;
    }
    Logger::debug(fd ? "选择预留FD加速方案" : "选择进行FD不加速", "on_config_btn_clicked");
    Logger::debug("选择预留仲裁域速率", "on_config_btn_clicked");
    sendTiming(customBaudconfiguration::fromPresets(fd, idIndex, dataIndex));
}

void ConnectGroupBox::on_customBaudConfig(const customBaudconfiguration &config)
{
    if (!cmds->connected()) {
        emit MessageInfo(10);
        return;
    }
    sendTiming(config);
}

void ConnectGroupBox::sendTiming(const customBaudconfiguration &config)
{
    const quint8 code = cmds->setupBaud(config);
    if (code != 0) {
        Logger::error(QString("波特率配置失败: %1").arg(code), "sendTiming");
        emit MessageInfo(16);
        return;
    }
    emit MessageInfo(15);
    emit fdcanConfigChanged();
    // The mode the adapter now runs, which a custom timing may have chosen.
    emit fdcanAcc(config.mode != 0);
}

void ConnectGroupBox::on_id_baud_combox_activated(int index)
{
    if (customSelectionMark) {
        customSelectionMark = false;
        if (index == kArbitrationCustomIndex)
            return;
    }
    if (index == kArbitrationCustomIndex)
        customBaudDialogShow();
    else
        showPresetSamplePoint(index);
}

void ConnectGroupBox::on_data_baud_combox_activated(int index)
{
    if (index == kDataCustomIndex)
        customBaudDialogShow();
}

void ConnectGroupBox::customBaudDialogShow()
{
    if (baudDialog)
        return; // one modal loop at a time
    auto *dialog = new CustomBaudDialog(this);
    baudDialog = dialog;
    connect(dialog, &CustomBaudDialog::customBaudConfig, this, &ConnectGroupBox::on_customBaudConfig);
    DialogService::exec(dialog);
    baudDialog = nullptr;
    dialog->deleteLater();
}

// ---------------------------------------------------------------- firmware

void ConnectGroupBox::on_firmwareUpdateBtn_clicked()
{
    if (fwDialog) {
        fwDialog->raise();
        fwDialog->activateWindow();
        return;
    }
    auto *dialog = new FirmwareDialog(true, this);
    fwDialog = dialog;
    connect(dialog, &FirmwareDialog::readVersionClicked, this, &ConnectGroupBox::on_readVersionClicked);
    connect(dialog, &FirmwareDialog::firmwareFileOpenClicked, this, &ConnectGroupBox::on_firmwareFileOpenClicked);
    connect(dialog, &FirmwareDialog::firmwareUpgradeClicked, this, &ConnectGroupBox::on_firmwareUpgradeClicked);
    connect(this, &ConnectGroupBox::fdcanVersionChanged, dialog, &FirmwareDialog::on_fdcanVersionChanged);
    connect(this, &ConnectGroupBox::selectedFirmwareVersionChanged, dialog,
            &FirmwareDialog::on_selectedFirmwareVersionChanged);
    connect(this, &ConnectGroupBox::progressBarChanged, dialog, &FirmwareDialog::on_progressBarChanged);
    connect(this, &ConnectGroupBox::fdcanUpgradeFinished, dialog, &FirmwareDialog::on_fdcanUpgradeFinished);
    connect(this, &ConnectGroupBox::fdcanUpgradeFailed, dialog, &FirmwareDialog::on_fdcanUpgradeFailed);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    // Two transfers into one flash would interleave their sectors.
    dialog->setUpgradeEnabled(!upgrading);
    if (!imagePath.isEmpty())
        emit selectedFirmwareVersionChanged(QFileInfo(imagePath).completeBaseName());
    dialog->show();
}

QString ConnectGroupBox::adapterVersion(quint8 *code)
{
    QByteArray reply;
    const quint8 result = cmds->connected() ? cmds->testAck(&reply) : quint8(5);
    if (code)
        *code = result;
    if (result != 0 || reply.isEmpty()) {
        Logger::error(QString("读取适配器版本失败: %1").arg(result), "on_readVersionClicked");
        return QString();
    }
    Logger::debug(QString("rawData: %1").arg(QString::fromUtf8(reply)), "on_readVersionClicked");
    return adapterVersionText(reply);
}

void ConnectGroupBox::on_readVersionClicked()
{
    if (!cmds->connected()) {
        emit MessageInfo(10);
        return;
    }
    quint8 code = 0;
    const QString version = adapterVersion(&code);
    emit fdcanVersionChanged(version.isEmpty() ? tr("读取失败 (错误码 %1)").arg(code) : version);
}

void ConnectGroupBox::on_firmwareFileOpenClicked()
{
    const QString path = DialogService::getOpenFileName(fwDialog ? static_cast<QWidget *>(fwDialog) : this,
                                                        tr("选择文件"), "./", tr("烧录文件 (*.enc)"));
    if (path.isEmpty()) {
        Logger::error("没有选择文件", "on_firmwareFileOpenClicked");
        return;
    }
    imagePath = path;
    emit selectedFirmwareVersionChanged(QFileInfo(path).completeBaseName());
}

void ConnectGroupBox::on_firmwareUpgradeClicked()
{
    if (!cmds->connected()) {
        emit MessageInfo(10);
        return;
    }
    if (imagePath.isEmpty()) {
        emit MessageInfo(9);
        return;
    }
    if (upgrading.exchange(true)) {
        Logger::warning("固件升级正在进行", "on_firmwareUpgradeClicked");
        return;
    }
    // Nothing is sent before the user has seen what goes where, and onto which version.
    const QString now = adapterVersion();
    if (fwDialog && !now.isEmpty())
        emit fdcanVersionChanged(now);
    if (!confirmUpgrade(now)) {
        Logger::info("适配器固件升级未确认", "on_firmwareUpgradeClicked");
        upgrading = false;
        return;
    }
    versionBeforeUpgrade = now;
    if (fwDialog)
        fwDialog->setUpgradeEnabled(false);
    upgradeFuture.waitForFinished(); // the previous run has returned; its object may go
    upgrade = std::make_unique<AdapterFirmwareUpgrade>(cmds);
    // Emitted on the pool thread, delivered here queued.
    connect(upgrade.get(), &AdapterFirmwareUpgrade::progressBarChanged, this, &ConnectGroupBox::progressBarChanged);
    connect(upgrade.get(), &AdapterFirmwareUpgrade::fdcanUpgradeFinished, this,
            &ConnectGroupBox::fdcanUpgradeFinished);
    // The adapter restarts into its new firmware before it answers again.
    connect(upgrade.get(), &AdapterFirmwareUpgrade::fdcanUpgradeFinished, this,
            [this] { QTimer::singleShot(kAdapterRestartMs, this, &ConnectGroupBox::reportUpgradeVersion); });
    connect(upgrade.get(), &AdapterFirmwareUpgrade::upgradeFailed, this, &ConnectGroupBox::fdcanUpgradeFailed);
    AdapterFirmwareUpgrade *task = upgrade.get();
    const QString path = imagePath;
    upgradeFuture = QtConcurrent::run([this, task, path] {
        task->run(path);
        upgrading = false;
    });
}

bool ConnectGroupBox::confirmUpgrade(const QString &versionNow)
{
    const QFileInfo file(imagePath);
    const int sectors = iapSectorCount(file.size());
    QWidget *parent = fwDialog ? static_cast<QWidget *>(fwDialog) : this;
    FactsDialog dialog(tr("确认适配器固件升级"),
                       tr("把固件写入 USB FDCAN 适配器？写入期间适配器不收发 CAN 帧，不要拔出它；"
                          "写入后适配器以新固件重新启动。"),
                       parent);
    dialog.setObjectName("firmwareConfirmation");
    const QString device = currentDevice();
    const QString port = cmds->portOfDevice(device);
    dialog.addFact(tr("目标:"), port.isEmpty() ? tr("USB FDCAN 适配器 %1").arg(device)
                                               : tr("USB FDCAN 适配器 %1（串口 %2）").arg(device, port));
    dialog.addFact(tr("文件:"), QDir::toNativeSeparators(imagePath));
    dialog.addFact(tr("大小:"), tr("%1 字节，%2 包（每包 %3 字节）").arg(file.size()).arg(sectors).arg(kIapSectorSize));
    dialog.addFact(tr("当前版本:"), versionNow.isEmpty() ? tr("未能读取（适配器没有应答）") : versionNow);
    if (!adapterImageFileFits(imagePath))
        dialog.addProblem(tr("文件名不以 .%1 结尾：它可能不是适配器固件（.bin 是电机的固件）。")
                              .arg(QLatin1String(kAdapterImageSuffix)));
    dialog.setConfirmText(tr("开始升级"));
    Logger::info("asking: " + dialog.text().replace('\n', "; "), "on_firmwareUpgradeClicked");
    return DialogService::exec(&dialog) == QDialog::Accepted;
}

void ConnectGroupBox::reportUpgradeVersion()
{
    QString after;
    for (int attempt = 0; attempt < kAdapterVersionAttempts && after.isEmpty(); ++attempt) {
        if (attempt > 0)
            QThread::msleep(kAdapterRestartMs);
        after = adapterVersion();
    }
    const QString before = versionBeforeUpgrade;
    QString text;
    if (after.isEmpty())
        text = tr("适配器固件升级完成。升级后未能读取版本；升级前为 %1。").arg(before.isEmpty() ? tr("未知") : before);
    else if (before.isEmpty())
        text = tr("适配器固件升级完成。现在的版本：%1。").arg(after);
    else if (before == after)
        text = tr("适配器固件升级完成，但版本没有改变：仍为 %1。请确认所选文件是新版本的固件。").arg(after);
    else
        text = tr("适配器固件升级完成。版本 %1 → %2。").arg(before, after);
    Logger::info(text, "reportUpgradeVersion");
    if (!after.isEmpty())
        emit fdcanVersionChanged(after);
    if (fwDialog)
        fwDialog->showOutcome(true, text);
    DialogService::information(fwDialog ? static_cast<QWidget *>(fwDialog) : this, tr("适配器固件升级"), text);
}

// ---------------------------------------------------------------- window

void ConnectGroupBox::closeDialogs()
{
    if (baudDialog)
        baudDialog->reject();
    if (fwDialog)
        fwDialog->close();
}

void ConnectGroupBox::switchLanguage()
{
    ui.retranslateUi(this, fdMode());
    setCustomEntryText(ui.id_baud_combox, kArbitrationCustomIndex, idCustomSuffix);
    setCustomEntryText(ui.data_baud_combox, kDataCustomIndex, dataCustomSuffix);
    if (fwDialog)
        fwDialog->retranslate();
}
