#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QSerialPortInfo>
#include <QStringList>

// Settings of the one COM port: which port, baud, data bits, parity and stop bits.
// One row, five columns; the combo boxes of the connection group are bound to it.
class SerialPortModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // A port the user can pick: one the system lists, or one given by path (a
    // pseudo-terminal, a /dev/serial/by-id link, a simulated adapter).
    struct PortEntry {
        QString portName;    // shown in the combo box
        QString location;    // what QSerialPort opens
        QString description;
        bool listed = false; // found by QSerialPortInfo
    };

    explicit SerialPortModel(QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void updateAvailablePorts();
    void setSelectedPortIndex(int i);
    // Adds a port by path for the rest of the session; returns its index.
    int addPortByPath(const QString &path, const QString &description = QString());
    // The CAN interfaces of Qt's plugins, listed after the serial ports: the name is
    // "PLUGIN:IFACE", the location "canbus:PLUGIN:IFACE". The selection stays on its
    // location when it is still listed.
    void setCanInterfaces(const QList<PortEntry> &interfaces);
    static bool isCanInterface(const QString &location) { return location.startsWith(QLatin1String("canbus:")); }

    QString port() const;          // selected port's name, empty without ports
    QString portLocation() const;  // what to open for the selected port
    int Baud() const { return baudValue; }
    int dataBits() const { return dataBitsValue; }
    QString checkBit() const { return checkBitValue; }
    double stopBits() const { return stopBitsValue; }
    int getSelectedPortIndex() const { return selectedPort; }
    QList<QSerialPortInfo> availablePorts() const { return ports; }
    QList<PortEntry> portEntries() const { return entries; }
    QSerialPortInfo getPortInfo(int i) const;
    QList<int> availablePortsIndices() const;
    int portCount() const { return entries.size(); }

    static QList<int> availableBaudOptions();
    static QList<int> availableDataBitsOptions();
    static QStringList availableCheckBitOptions();
    static QList<double> availableStopBitsOptions();

private:
    void rebuildEntries();

    QList<QSerialPortInfo> ports;
    QList<PortEntry> extraPorts;
    QList<PortEntry> canInterfaces;
    QList<PortEntry> entries; // listed ports first, then the ones given by path
    int selectedPort = 0;
    int baudValue = 921600;
    int dataBitsValue = 8;
    QString checkBitValue = "None";
    double stopBitsValue = 1.0;
};
