#include "link/serial/serialPortModel.h"

#include "link/serial/baudLists.h"

#include <QFileInfo>

#include <algorithm>

SerialPortModel::SerialPortModel(QObject *parent) : QAbstractItemModel(parent)
{
    ports = QSerialPortInfo::availablePorts();
    rebuildEntries();
}

void SerialPortModel::rebuildEntries()
{
    entries.clear();
    for (const auto &info : ports) {
        // What the system says the device is; many drivers leave the description empty
        // but name the maker.
        const QString description = info.description().isEmpty() ? info.manufacturer() : info.description();
        entries.append({info.portName(), info.systemLocation(), description, true});
    }
    for (const auto &extra : extraPorts) {
        bool dup = false;
        for (const auto &e : entries)
            dup = dup || e.location == extra.location;
        if (!dup)
            entries.append(extra);
    }
    entries.append(canInterfaces);
}

void SerialPortModel::setCanInterfaces(const QList<PortEntry> &interfaces)
{
    const QString selected = portLocation();
    beginResetModel();
    canInterfaces = interfaces;
    rebuildEntries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].location == selected)
            selectedPort = i;
    }
    selectedPort = std::clamp(selectedPort, 0, std::max(0, int(entries.size()) - 1));
    endResetModel();
}

QModelIndex SerialPortModel::index(int row, int column, const QModelIndex &parent) const
{
    return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
}

QModelIndex SerialPortModel::parent(const QModelIndex &) const { return QModelIndex(); }
int SerialPortModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 1; }
int SerialPortModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 5; }

QVariant SerialPortModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case 0: return port();
    case 1: return baudValue;
    case 2: return dataBitsValue;
    case 3: return checkBitValue;
    case 4: return stopBitsValue;
    default: return QVariant();
    }
}

bool SerialPortModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() < 0 || index.column() > 4)
        return false;
    switch (index.column()) {
    case 0: selectedPort = value.toInt(); break;
    case 1: baudValue = value.toInt(); break;
    case 2: dataBitsValue = value.toInt(); break;
    case 3: checkBitValue = value.toString(); break;
    case 4: stopBitsValue = value.toDouble(); break;
    }
    emit dataChanged(index, index, {Qt::DisplayRole});
    return true;
}

QVariant SerialPortModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *headers[] = {"Available Port", "Baud", "Data Bits", "Check Bit", "Stop Bits"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 5)
        return QString(headers[section]);
    return QVariant();
}

Qt::ItemFlags SerialPortModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return QAbstractItemModel::flags(index) | Qt::ItemIsEditable;
}

void SerialPortModel::updateAvailablePorts()
{
    const QString selected = portLocation();
    beginResetModel();
    ports = QSerialPortInfo::availablePorts();
    // A port given by path leaves the list when its device node is gone.
    extraPorts.erase(std::remove_if(extraPorts.begin(), extraPorts.end(),
                                    [](const PortEntry &e) { return !QFileInfo::exists(e.location); }),
                     extraPorts.end());
    rebuildEntries();
    // The chosen port stays chosen while it exists; a vanished one falls back to the first.
    selectedPort = 0;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].location == selected)
            selectedPort = i;
    }
    endResetModel();
    emit dataChanged(index(0, 0), index(0, 0), {Qt::DisplayRole});
}

void SerialPortModel::setSelectedPortIndex(int i)
{
    if (i < 0 || i >= entries.size())
        return;
    selectedPort = i;
    emit dataChanged(index(0, 0), index(0, 0), {Qt::DisplayRole});
}

int SerialPortModel::addPortByPath(const QString &path, const QString &description)
{
    const QString location = path.trimmed();
    if (location.isEmpty())
        return -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].location == location || entries[i].portName == location)
            return i;
    }
    extraPorts.append({location, location, description, false});
    beginResetModel();
    rebuildEntries();
    endResetModel();
    emit dataChanged(index(0, 0), index(0, 0), {Qt::DisplayRole});
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].location == location)
            return i;
    }
    return -1;
}

QString SerialPortModel::port() const
{
    return (selectedPort >= 0 && selectedPort < entries.size()) ? entries[selectedPort].portName : QString();
}

QString SerialPortModel::portLocation() const
{
    return (selectedPort >= 0 && selectedPort < entries.size()) ? entries[selectedPort].location : QString();
}

QSerialPortInfo SerialPortModel::getPortInfo(int i) const
{
    return (i >= 0 && i < ports.size()) ? ports[i] : QSerialPortInfo();
}

QList<int> SerialPortModel::availablePortsIndices() const
{
    QList<int> out;
    for (int i = 0; i < entries.size(); ++i)
        out << i;
    return out;
}

QList<int> SerialPortModel::availableBaudOptions()
{
    QList<int> out;
    for (int b : UARTBaudList)
        out << b;
    return out;
}

QList<int> SerialPortModel::availableDataBitsOptions() { return {5, 6, 7, 8, 9}; }
QStringList SerialPortModel::availableCheckBitOptions() { return {"None", "Odd", "Even"}; }
QList<double> SerialPortModel::availableStopBitsOptions() { return {1, 1.5, 2}; }
