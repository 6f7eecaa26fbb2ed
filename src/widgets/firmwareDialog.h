#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// The firmware upgrade dialog: read the version, choose an image, upgrade, with a
// progress bar and one information label. Built for the motor controller (flag false)
// or for the USB FDCAN adapter (flag true); the owner connects the three button
// signals to its operations and feeds the slots.
class FirmwareDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FirmwareDialog(bool fdcan, QWidget *parent = nullptr);

    bool isFdcan() const { return fdcan; }
    // The upgrade control; locked while an upgrade runs.
    void setUpgradeEnabled(bool enabled);
    // The file and upgrade controls, during a motor firmware transfer.
    void setLocked(bool locked);
    // The result of the last upgrade under the versions: why it failed, or what it
    // changed (empty: just that it completed).
    void showOutcome(bool ok, const QString &reason = QString());
    void retranslate();

    QPushButton *readVersionButton = nullptr;
    QPushButton *fileOpenButton = nullptr;
    QPushButton *upgradeButton = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *infoLabel = nullptr;

signals:
    void readVersionClicked();
    void firmwareFileOpenClicked();
    void firmwareUpgradeClicked();

public slots:
    void on_fdcanVersionChanged(const QString &version);
    void on_appVersionChanged(const QString &version);
    void on_loaderVersionChanged(const QString &version);
    void on_selectedFirmwareVersionChanged(const QString &name);
    void on_progressBarChanged(int value);
    void on_fdcanUpgradeFinished();
    void on_fdcanUpgradeFailed(const QString &reason);

private:
    void refreshLabel();

    bool fdcan = false;
    QString version;       // adapter variant: the adapter's firmware version
    QString appVersion;    // motor variant: application and bootloader versions
    QString loaderVersion;
    QString selectedFirmware;
    enum class Outcome { None, Finished, Failed } outcome = Outcome::None;
    QString detail;
};
