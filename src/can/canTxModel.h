#pragma once

#include <QAbstractItemModel>
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// Settings of the CAN transmit panel as a one-row table model; also the program-wide
// holder of the motor's CAN ID and master ID and of the CAN / CAN FD switch.
//
// The class declares its own dataChanged signal with the base class's signature. Code
// that connects through &CANTxModel::dataChanged or by signature string gets this
// one; code that connects through &QAbstractItemModel::dataChanged (views, proxies,
// model testers) gets the base signal, which is re-emitted from this one. Either way a
// listener sees every change exactly once.
class CANTxModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column {
        ColCANBaud = 0,
        ColCanId = 1,
        ColCanid = 2,
        ColMasterid = 3,
        ColSendTimes = 4,
        ColSendInterval = 5,
        ColCanIdType = 6,
        ColCanFrameType = 7,
        ColCANTxData = 8,
        ColDataAcc = 9,
        ColIdAcc = 10,
        ColByte0 = 11,
        ColByte7 = 18,
        ColCanType = 19,
        ColDataSectionAcc = 20,
        ColumnCount = 21
    };

    explicit CANTxModel(QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    int CANBaud() const { return m_CANBaud; }
    QString canId() const { return m_canId; }
    uint32_t canid() const { return m_canid; }
    uint32_t masterid() const { return m_masterid; }
    uint32_t sendTimes() const { return m_sendTimes; }
    uint32_t sendInterval() const { return m_sendInterval; }
    uint8_t canIdType() const { return m_canIdType; }
    uint8_t canFrameType() const { return m_canFrameType; }
    QByteArray CANTxData() const { return m_CANTxData; }
    bool dataAcc() const { return m_dataAcc; }
    bool idAcc() const { return m_idAcc; }
    bool canType() const { return m_canType; }
    bool dataSectionAcc() const { return m_dataSectionAcc; }

    // Each setter is a no-op for the value already held; otherwise it stores the value
    // and emits dataChanged for its column (roles display + edit).
    void setCANBaud(int value);
    void setCanId(const QString &value);
    void setCanid(uint32_t value);
    void setMasterid(uint32_t value);
    void setSendTimes(uint32_t value);
    void setSendInterval(uint32_t value);
    void setCanIdType(uint8_t value);
    void setCanFrameType(uint8_t value);
    // Emits twice: column 8, then columns 11-18.
    void setCANTxData(const QByteArray &value);
    void setDataAcc(bool value);
    void setIdAcc(bool value);
    void setCANType(bool value);
    void setDataSectionAcc(bool value);

signals:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles);

private:
    void notifyColumns(int first, int last, const QList<int> &roles);

    int m_CANBaud = 0;
    QString m_canId = QStringLiteral("7FF");
    uint32_t m_canid = 1;
    uint32_t m_masterid = 0;
    uint32_t m_sendTimes = 0;
    uint32_t m_sendInterval = 0;
    uint8_t m_canIdType = 0;
    uint8_t m_canFrameType = 0;
    QByteArray m_CANTxData = QByteArray(8, '\0');
    bool m_dataAcc = false;
    bool m_idAcc = false;
    bool m_canType = false;
    bool m_dataSectionAcc = false;
};
