#pragma once

#include "link/canbus/qtCanBusAdapter.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

// Settings of a Qt CAN interface chosen in the port list: bit rate, CAN FD and data bit
// rate where the plugin sets them, a note with the `ip link` commands where the system
// does (SocketCAN). Shown only while such an interface is selected.
class CanBusPanel : public QWidget
{
    Q_OBJECT
public:
    explicit CanBusPanel(QWidget *parent = nullptr);

    void setInterface(const QString &plugin, const QString &interfaceName);
    QtCanBusAdapter::Settings settings() const;
    // Rates are not changed under an open link.
    void setLinkOpen(bool open);

    QComboBox *bitRateBox() const { return m_bitRate; }
    QComboBox *dataBitRateBox() const { return m_dataBitRate; }
    QCheckBox *fdBox() const { return m_fd; }
    QLabel *noteLabel() const { return m_note; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void updateRows();

    QString m_plugin;
    QString m_interface;
    QLabel *m_bitRateLabel;
    QComboBox *m_bitRate;
    QCheckBox *m_fd;
    QLabel *m_dataBitRateLabel;
    QComboBox *m_dataBitRate;
    QLabel *m_note;
};
