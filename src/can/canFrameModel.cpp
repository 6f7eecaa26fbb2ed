#include "can/canFrameModel.h"

#include <QCoreApplication>

CANFrameModel::CANFrameModel(QObject *parent) : QAbstractTableModel(parent) {}

int CANFrameModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(frames.size()); }
int CANFrameModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 9; }

QVariant CANFrameModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= frames.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    const CANFrameData &f = frames[index.row()];
    switch (index.column()) {
    case 0: return f.index;
    case 1: return f.timestamp;
    case 2: return f.frameType;
    case 3: return f.frameFormat;
    case 4: return f.canType;
    case 5: return f.id;
    case 6: return f.status;
    case 7: return f.dataLen;
    case 8: {
        bool ok = false;
        const int n = f.dataLen.toInt(&ok, 10);
        return formatCANData(f.data, ok ? n : 0);
    }
    default: return QVariant();
    }
}

QVariant CANFrameModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *headers[] = {QT_TRANSLATE_NOOP("CANFrameModel", "序号"), QT_TRANSLATE_NOOP("CANFrameModel", "时间戳"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "帧类型"), QT_TRANSLATE_NOOP("CANFrameModel", "帧格式"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "CAN类型"), QT_TRANSLATE_NOOP("CANFrameModel", "ID"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "状态"), QT_TRANSLATE_NOOP("CANFrameModel", "数据长度"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "数据内容")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 9)
        return QCoreApplication::translate("CANFrameModel", headers[section]);
    return QVariant();
}

void CANFrameModel::appendRows(const QList<CANFrameData> &rows)
{
    if (rows.isEmpty())
        return;
    const qsizetype surplus = frames.size() + rows.size() - kMaxRows;
    if (surplus > kMaxRows / 10) {
        // A flood: most rows change at once, and a reset costs the views far less than
        // inserting at the end and removing as many at the front.
        beginResetModel();
        if (rows.size() >= kMaxRows) {
            frames = rows.mid(rows.size() - kMaxRows);
        } else {
            frames.remove(0, surplus);
            frames.append(rows);
        }
        endResetModel();
        return;
    }
    beginInsertRows(QModelIndex(), int(frames.size()), int(frames.size() + rows.size() - 1));
    frames.append(rows);
    endInsertRows();
    if (frames.size() > kMaxRows) {
        const int extra = int(frames.size()) - kMaxRows;
        beginRemoveRows(QModelIndex(), 0, extra - 1);
        frames.remove(0, extra);
        endRemoveRows();
    }
}

void CANFrameModel::clear()
{
    beginResetModel();
    frames.clear();
    endResetModel();
}

QString CANFrameModel::formatCANData(const QByteArray &data, int n)
{
    if (n < 1)
        return QString();
    const int count = qMin(n, int(data.size()));
    QString out;
    out.reserve(count * 3);
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ' ';
        out += QString("%1").arg(quint8(data[i]), 2, 16, QChar('0')).toUpper();
    }
    return out;
}
