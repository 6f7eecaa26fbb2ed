#include "can/canFrameModel.h"

#include <QCoreApplication>

#include <algorithm>

CANFrameModel::CANFrameModel(QObject *parent) : QAbstractTableModel(parent) {}

int CANFrameModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(isFiltered() ? m_matches.size() : m_count);
}

int CANFrameModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : CANFrameData::ColumnCount;
}

const CANFrameData &CANFrameModel::visibleRow(int row) const
{
    if (!isFiltered())
        return storedRow(row);
    return storedRow(int(m_matches[size_t(row)] - m_dropped));
}

QVariant CANFrameModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(index.column() == CANFrameData::DecodedColumn ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    // A long decoded text is cut by its column: the tool tip holds it whole.
    const bool tip = role == Qt::ToolTipRole && index.column() == CANFrameData::DecodedColumn;
    if (role != Qt::DisplayRole && !tip)
        return QVariant();
    const CANFrameData &f = visibleRow(index.row());
    if (index.column() == 0)
        return f.index;
    if (index.column() < 0 || index.column() >= CANFrameData::ColumnCount)
        return QVariant();
    return cellText(f, index.column());
}

CANFrameData::DecodeContext CANFrameModel::decodeContext() const
{
    return m_decodeSource ? m_decodeSource() : CANFrameData::DecodeContext();
}

QString CANFrameModel::cellText(const CANFrameData &row, int column) const
{
    if (column == CANFrameData::DecodedColumn)
        return row.decodedText(decodeContext());
    return row.text(column);
}

QVariant CANFrameModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *headers[] = {QT_TRANSLATE_NOOP("CANFrameModel", "序号"), QT_TRANSLATE_NOOP("CANFrameModel", "时间戳"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "帧类型"), QT_TRANSLATE_NOOP("CANFrameModel", "帧格式"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "CAN类型"), QT_TRANSLATE_NOOP("CANFrameModel", "ID"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "状态"), QT_TRANSLATE_NOOP("CANFrameModel", "数据长度"),
                                    QT_TRANSLATE_NOOP("CANFrameModel", "数据内容"), QT_TRANSLATE_NOOP("CANFrameModel", "解析")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < CANFrameData::ColumnCount)
        return QCoreApplication::translate("CANFrameModel", headers[section]);
    return QVariant();
}

int CANFrameModel::appendRows(const QList<CANFrameData> &rows, quint64 passedBy)
{
    if (rows.isEmpty() && passedBy == 0)
        return 0;
    const size_t n = size_t(rows.size());
    m_appended += n + passedBy;
    if (n >= size_t(kMaxRows) || passedBy > 0) {
        // More than the log holds: only the newest rows stay, everything changes at once.
        const size_t kept = std::min(n, size_t(kMaxRows));
        beginResetModel();
        m_ring.assign(rows.end() - qsizetype(kept), rows.end());
        m_dropped += m_count + passedBy + (n - kept);
        m_head = 0;
        m_count = kept;
        rebuildMatches();
        endResetModel();
        return 0;
    }

    // The oldest rows that no longer fit leave first; the ring then takes the batch in
    // place of them, so nothing is ever moved.
    const size_t overflow = m_count + n > size_t(kMaxRows) ? m_count + n - size_t(kMaxRows) : 0;
    size_t hidden = 0;
    if (overflow > 0) {
        if (m_ring.size() < size_t(kMaxRows))
            m_ring.resize(size_t(kMaxRows)); // the head is still 0 here
        const quint64 firstKept = m_dropped + overflow;
        hidden = overflow;
        if (isFiltered()) {
            hidden = 0;
            while (hidden < m_matches.size() && m_matches[hidden] < firstKept)
                ++hidden;
        }
        if (hidden > 0)
            beginRemoveRows(QModelIndex(), 0, int(hidden) - 1);
        m_matches.erase(m_matches.begin(), m_matches.begin() + qsizetype(isFiltered() ? hidden : 0));
        m_head = (m_head + overflow) % m_ring.size();
        m_count -= overflow;
        m_dropped = firstKept;
        if (hidden > 0)
            endRemoveRows();
    }

    size_t shown = n;
    if (isFiltered()) {
        shown = 0;
        for (const CANFrameData &r : rows)
            shown += m_filter.matches(r) ? 1 : 0;
    }
    const int first = rowCount();
    if (shown > 0)
        beginInsertRows(QModelIndex(), first, first + int(shown) - 1);
    for (const CANFrameData &r : rows) {
        if (isFiltered() && m_filter.matches(r))
            m_matches.push_back(absolute(m_count));
        if (m_ring.size() < size_t(kMaxRows) && m_count == m_ring.size())
            m_ring.push_back(r);
        else
            m_ring[(m_head + m_count) % m_ring.size()] = r;
        ++m_count;
    }
    if (shown > 0)
        endInsertRows();
    return int(hidden);
}

QList<CANFrameData> CANFrameModel::snapshot(bool visibleOnly) const
{
    const int n = visibleOnly ? rowCount() : storedRowCount();
    QList<CANFrameData> out;
    out.reserve(n);
    for (int r = 0; r < n; ++r)
        out.append(visibleOnly ? visibleRow(r) : storedRow(r));
    return out;
}

void CANFrameModel::clear()
{
    beginResetModel();
    std::vector<CANFrameData>().swap(m_ring);
    m_head = 0;
    m_count = 0;
    m_dropped = 0;
    m_matches.clear();
    endResetModel();
}

void CANFrameModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void CANFrameModel::setFilter(const CANLogFilter &filter)
{
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    rebuildMatches();
    endResetModel();
}

void CANFrameModel::rebuildMatches()
{
    m_matches.clear();
    if (!isFiltered())
        return;
    for (size_t i = 0; i < m_count; ++i)
        if (m_filter.matches(storedRow(int(i))))
            m_matches.push_back(absolute(i));
}

QString CANFrameModel::formatCANData(const QByteArray &data, int n)
{
    return formatCANData(reinterpret_cast<const quint8 *>(data.constData()), int(data.size()), n);
}

QString CANFrameModel::formatCANData(const quint8 *data, int size, int n)
{
    if (n < 1)
        return QString();
    static const char digits[] = "0123456789ABCDEF";
    const int count = qMin(n, size);
    QString out(qMax(0, count * 3 - 1), QLatin1Char(' '));
    QChar *p = out.data();
    for (int i = 0; i < count; ++i, p += 3) {
        p[0] = QLatin1Char(digits[data[i] >> 4]);
        p[1] = QLatin1Char(digits[data[i] & 0xF]);
    }
    return out;
}
