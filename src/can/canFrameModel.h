#pragma once

#include "can/canFrameData.h"

#include <QAbstractTableModel>
#include <QList>

// The CAN receive log: one row per frame, appended in batches, capped so that a bus
// running for hours does not eat the machine's memory.
class CANFrameModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static const int kMaxRows = 100000;

    explicit CANFrameModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void appendRows(const QList<CANFrameData> &rows);
    void clear();
    // Tells the views that the column headers changed language.
    void retranslate() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }
    const QList<CANFrameData> &rows() const { return frames; }

    static QString formatCANData(const QByteArray &data, int n);

private:
    QList<CANFrameData> frames;
};
