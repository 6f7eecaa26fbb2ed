#include "can/canTxModel.h"

#include <QRegularExpression>

namespace {

const char *const kHeaders[CANTxModel::ColumnCount] = {
    "CAN Baud", "CAN ID", "canid", "Master ID", "Send Times", "Send Interval",
    "CAN ID Type", "CAN Frame Type", "CAN TX Data", "Data Acc", "ID Acc",
    "Byte 0", "Byte 1", "Byte 2", "Byte 3", "Byte 4", "Byte 5", "Byte 6", "Byte 7",
    "canType", "dataSectionAcc"};

const QList<int> kSetterRoles = {Qt::DisplayRole, Qt::EditRole};

bool isByteColumn(int column)
{
    return column >= CANTxModel::ColByte0 && column <= CANTxModel::ColByte7;
}

} // namespace

CANTxModel::CANTxModel(QObject *parent) : QAbstractItemModel(parent)
{
    // Listeners bound to the base class's signal (views, proxies) must see changes too.
    connect(this, &CANTxModel::dataChanged, this, &QAbstractItemModel::dataChanged);
}

QModelIndex CANTxModel::index(int row, int column, const QModelIndex &parent) const
{
    return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
}

QModelIndex CANTxModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int CANTxModel::rowCount(const QModelIndex &parent) const
{
    // A flat table: only the invisible root has children.
    return parent.isValid() ? 0 : 1;
}

int CANTxModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

Qt::ItemFlags CANTxModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return QAbstractItemModel::flags(index) | Qt::ItemIsEditable;
}

QVariant CANTxModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QVariant();
    return QString::fromLatin1(kHeaders[section]);
}

QVariant CANTxModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();

    const int column = index.column();
    switch (column) {
    case ColCANBaud: return m_CANBaud;
    case ColCanId: return m_canId;
    case ColCanid: return m_canid;
    case ColMasterid: return m_masterid;
    case ColSendTimes: return m_sendTimes;
    case ColSendInterval: return m_sendInterval;
    case ColCanIdType: return uint(m_canIdType);
    case ColCanFrameType: return uint(m_canFrameType);
    case ColCANTxData: return QString::fromLatin1(m_CANTxData.toHex());
    case ColDataAcc: return m_dataAcc;
    case ColIdAcc: return m_idAcc;
    case ColCanType: return m_canType;
    case ColDataSectionAcc: return m_dataSectionAcc;
    default: break;
    }
    if (isByteColumn(column)) {
        const int pos = column - ColByte0;
        if (pos >= m_CANTxData.size())
            return QVariant();
        return QString("%1").arg(uint8_t(m_CANTxData.at(pos)), 2, 16, QLatin1Char('0'));
    }
    return QVariant();
}

bool CANTxModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this || role != Qt::EditRole)
        return false;

    const int column = index.column();
    bool ok = true;
    switch (column) {
    case ColCANBaud: {
        const int v = value.toInt(&ok);
        if (ok)
            m_CANBaud = v;
        break;
    }
    case ColCanId:
        m_canId = value.toString();
        break;
    case ColCanid:
    case ColMasterid: {
        // The motor IDs are single bytes on the wire.
        const uint v = value.toUInt(&ok) & 0xFFu;
        if (ok)
            (column == ColCanid ? m_canid : m_masterid) = v;
        break;
    }
    case ColSendTimes:
    case ColSendInterval: {
        const uint v = value.toUInt(&ok);
        if (ok)
            (column == ColSendTimes ? m_sendTimes : m_sendInterval) = v;
        break;
    }
    case ColCanIdType:
    case ColCanFrameType: {
        const uint8_t v = uint8_t(value.toUInt(&ok));
        if (ok)
            (column == ColCanIdType ? m_canIdType : m_canFrameType) = v;
        break;
    }
    case ColCANTxData:
        m_CANTxData = QByteArray::fromHex(value.toString().toLatin1());
        break;
    case ColDataAcc: m_dataAcc = value.toBool(); break;
    case ColIdAcc: m_idAcc = value.toBool(); break;
    case ColCanType: m_canType = value.toBool(); break;
    case ColDataSectionAcc: m_dataSectionAcc = value.toBool(); break;
    default: {
        if (!isByteColumn(column))
            return false;
        static const QRegularExpression hexByte(QStringLiteral("^[0-9A-Fa-f]{2}$"));
        const QString text = value.toString().trimmed();
        const int pos = column - ColByte0;
        if (!hexByte.match(text).hasMatch() || pos >= m_CANTxData.size())
            return false;
        m_CANTxData[pos] = char(text.toUInt(nullptr, 16));
        break;
    }
    }
    if (!ok)
        return false;
    emit dataChanged(index, index, {Qt::EditRole});
    return true;
}

void CANTxModel::notifyColumns(int first, int last, const QList<int> &roles)
{
    emit dataChanged(index(0, first), index(0, last), roles);
}

// The setters share one shape: ignore the value already held, store, notify.
#define ZK_SETTER(name, member, type, column)          \
    void CANTxModel::name(type value)                   \
    {                                                   \
        if (member == value)                            \
            return;                                     \
        member = value;                                 \
        notifyColumns(column, column, kSetterRoles);    \
    }

ZK_SETTER(setCANBaud, m_CANBaud, int, ColCANBaud)
ZK_SETTER(setCanId, m_canId, const QString &, ColCanId)
ZK_SETTER(setCanid, m_canid, uint32_t, ColCanid)
ZK_SETTER(setMasterid, m_masterid, uint32_t, ColMasterid)
ZK_SETTER(setSendTimes, m_sendTimes, uint32_t, ColSendTimes)
ZK_SETTER(setSendInterval, m_sendInterval, uint32_t, ColSendInterval)
ZK_SETTER(setCanIdType, m_canIdType, uint8_t, ColCanIdType)
ZK_SETTER(setCanFrameType, m_canFrameType, uint8_t, ColCanFrameType)
ZK_SETTER(setDataAcc, m_dataAcc, bool, ColDataAcc)
ZK_SETTER(setIdAcc, m_idAcc, bool, ColIdAcc)
ZK_SETTER(setCANType, m_canType, bool, ColCanType)
ZK_SETTER(setDataSectionAcc, m_dataSectionAcc, bool, ColDataSectionAcc)

#undef ZK_SETTER

void CANTxModel::setCANTxData(const QByteArray &value)
{
    if (m_CANTxData == value)
        return;
    m_CANTxData = value;
    notifyColumns(ColCANTxData, ColCANTxData, kSetterRoles);
    notifyColumns(ColByte0, ColByte7, kSetterRoles);
}
