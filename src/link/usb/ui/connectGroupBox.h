#pragma once

#include "link/usb/baudTiming.h"

#include <QFuture>
#include <QGroupBox>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class AdapterFirmwareUpgrade;
class CustomBaudDialog;
class FdcanCommands;
class FirmwareDialog;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class SwitchButton;

// The panel's widgets, built in code.
struct Ui_ConnectGroupBox {
    QGridLayout *grid = nullptr;
    QLabel *deviceLabel = nullptr;
    QComboBox *usb_device_comboBox = nullptr;
    QLabel *modeLabel = nullptr;
    SwitchButton *sw_btn_FDCAN = nullptr;
    QLabel *idBaudLabel = nullptr;
    QComboBox *id_baud_combox = nullptr;
    QHBoxLayout *dataBaudLayout = nullptr; // shown only while the switch is on
    QLabel *dataBaudLabel = nullptr;
    QComboBox *data_baud_combox = nullptr;
    QLabel *samplePointCaption = nullptr;
    QLabel *samplePointLabel = nullptr;
    QPushButton *firmwareUpdateBtn = nullptr;
    QPushButton *refresh_usb_btn = nullptr;
    QPushButton *config_btn = nullptr;

    void setupUi(QGroupBox *box);
    void retranslateUi(QGroupBox *box, bool fd);
};

// "FDCAN配置": the USB FDCAN adapter's connection panel. It lists the adapters, pairs
// the selected one with the main window's serial port, connects it when the port opens,
// holds the CAN / CAN FD switch and the two bit-rate selectors with the configuration
// button and the custom timing dialog, and drives the adapter's own firmware update.
// Everything it asks of the adapter goes through FdcanCommands.
class ConnectGroupBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit ConnectGroupBox(QWidget *parent = nullptr);
    ~ConnectGroupBox() override;

    // nullptr selects FdcanCommands::none().
    void setCommands(FdcanCommands *commands);
    FdcanCommands *commands() const { return cmds; }
    const Ui_ConnectGroupBox &form() const { return ui; }

    // ---- adapters and pairing; none of these emits usbDeviceChanged
    // Fills the device list, keeping the selected adapter when it is still there.
    void setDeviceNames(const QStringList &names);
    QString currentDevice() const;
    // Selects an adapter by name; an empty or unknown name leaves no selection.
    void selectDevice(const QString &name);

    // ---- connection
    bool fdcanConnect();
    bool checkIsBoot();
    bool isBoot() const { return bootFlag; }
    void changedRefreashState(bool enabled);

    // ---- timing
    bool fdMode() const;
    // Sets the CAN FD switch (which shows or hides the data-rate row).
    void setFdMode(bool on);
    // Shows a timing read back from the adapter: switch, both selections, sample point.
    void showReadback(const BaudReadback &readback);
    bool customSelectionMarked() const { return customSelectionMark; }
    // The custom timing dialog while it is open.
    CustomBaudDialog *customDialog() const;

    // ---- firmware
    FirmwareDialog *firmwareDialog() const;
    QString firmwarePath() const { return imagePath; }
    bool upgradeRunning() const { return upgrading; }
    // Stops a running upgrade before its next sector and waits for it.
    void stopUpgrade();

    // Closes the firmware and custom timing dialogs (main window closing).
    void closeDialogs();
    void switchLanguage();

signals:
    void usbDeviceChanged(const QString &device);
    // The device list was enumerated again and the pairing rebuilt.
    void devicesRefreshed();
    void fdcanConfigChanged();
    void fdcanAcc(bool fd);
    void fdcanVersionChanged(const QString &version);
    void selectedFirmwareVersionChanged(const QString &name);
    void progressBarChanged(int percent);
    void fdcanUpgradeFinished();
    void fdcanUpgradeFailed(const QString &reason);
    void MessageInfo(int code);

public slots:
    void on_refresh_usb_btn_clicked();
    void on_usb_device_comboBox_currentIndexChanged(int index);
    void on_FDCAN_statusChanged(bool on);
    void on_config_btn_clicked();
    void on_id_baud_combox_activated(int index);
    void on_data_baud_combox_activated(int index);
    void customBaudDialogShow();
    void on_customBaudConfig(const customBaudconfiguration &config);
    void on_firmwareUpdateBtn_clicked();
    void on_readVersionClicked();
    void on_firmwareFileOpenClicked();
    void on_firmwareUpgradeClicked();

private:
    void sendTiming(const customBaudconfiguration &config);
    // The adapter's version text now, as the dialog shows it; empty without an answer.
    QString adapterVersion(quint8 *code = nullptr);
    bool confirmUpgrade(const QString &versionNow);
    // After a complete upgrade: the version again, before and after, for the user.
    void reportUpgradeVersion();
    void showPresetSamplePoint(int index);
    void setCustomEntryText(QComboBox *combo, int index, const QString &suffix);

    Ui_ConnectGroupBox ui;
    FdcanCommands *cmds = nullptr;
    bool bootFlag = true;
    bool customSelectionMark = false;
    QString idCustomSuffix;   // rate shown after "自定义" in each combo
    QString dataCustomSuffix;
    QString imagePath;
    QString versionBeforeUpgrade;
    QPointer<FirmwareDialog> fwDialog;
    QPointer<CustomBaudDialog> baudDialog;
    std::unique_ptr<AdapterFirmwareUpgrade> upgrade;
    QFuture<void> upgradeFuture;
    std::atomic_bool upgrading{false};
};
