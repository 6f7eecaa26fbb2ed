#pragma once

#include <QGroupBox>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// The motor firmware group of the main window: read the versions, choose an image,
// upgrade, with the application and bootloader versions, the chosen image's name and
// the transfer's progress. The window connects the three button signals to its
// operations and feeds the slots.
class FirmwareGroupBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FirmwareGroupBox(QWidget *parent = nullptr);

    void retranslate();
    // The file and upgrade buttons, which must not be used during a transfer.
    void setLocked(bool locked);

    QString appVersion;
    QString loaderVersion;
    QString selectedFirmware;

    QPushButton *readVersionButton = nullptr;
    QPushButton *fileOpenButton = nullptr;
    QPushButton *upgradeButton = nullptr;
    QLabel *appVersionLabel = nullptr;
    QLabel *loaderVersionLabel = nullptr;
    QLabel *firmwareNameLabel = nullptr;
    QProgressBar *progressBar = nullptr;

signals:
    void readVersionClicked();
    void firmwareFileOpenClicked();
    void firmwareUpgradeClicked();
    void MessageInfo(int code);

public slots:
    void on_appVersionChanged(const QString &version);
    void on_loaderVersionChanged(const QString &version);
    void on_selectedFirmwareVersionChanged(const QString &name);
    void on_progressBarChanged(int value);

private:
    void refreshLabels();
};
