#pragma once

#include "can/canFrameData.h"
#include "can/canLogFilter.h"

#include <QAbstractTableModel>
#include <QList>

#include <deque>
#include <functional>
#include <vector>

// The CAN receive log: one row per frame, appended in batches, capped so that a bus
// running for hours does not eat the machine's memory. The rows live in a ring of at
// most kMaxRows raw frames (the oldest are overwritten, no row is ever moved) and their
// texts are made in data() for the rows a view shows.
//
// A filter hides rows from the views without touching the log: rowCount() and data()
// speak of the rows that pass it, storedRowCount() and storedRow() of every row kept.
class CANFrameModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kMaxRows = 100000;

    explicit CANFrameModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Appends a batch: the rows that no longer fit go first, then the batch goes in, each
    // in one bracket (a batch larger than the log resets it). Returns how many of the rows
    // the views showed left the front. `passedBy` rows came before the batch in a backlog
    // longer than the log and were never kept: they count as appended and gone, and
    // the log then holds the batch's newest rows only.
    int appendRows(const QList<CANFrameData> &rows, quint64 passedBy = 0);
    void clear();
    // Tells the views that headers and cells changed language.
    void retranslate();

    // Every row kept, oldest first, whatever the filter shows.
    int storedRowCount() const { return int(m_count); }
    const CANFrameData &storedRow(int i) const { return m_ring[(m_head + size_t(i)) % m_ring.size()]; }
    // The row a view shows at `row`.
    const CANFrameData &visibleRow(int row) const;
    // A copy of every row kept, or of the rows the filter shows, oldest first.
    QList<CANFrameData> snapshot(bool visibleOnly = false) const;
    // Rows appended since construction (clearing does not reset it).
    quint64 appendedRows() const { return m_appended; }

    // Where the decoded column takes the mapping ranges and the motor in force; asked
    // when a decoded cell is made (on the GUI thread). Without it: the start-up ranges.
    using DecodeSource = std::function<CANFrameData::DecodeContext()>;
    void setDecodeSource(DecodeSource source) { m_decodeSource = std::move(source); }
    CANFrameData::DecodeContext decodeContext() const;
    // A row's cell text as the views show it.
    QString cellText(const CANFrameData &row, int column) const;

    void setFilter(const CANLogFilter &filter);
    const CANLogFilter &filter() const { return m_filter; }
    bool isFiltered() const { return m_filter.isActive(); }

    // The first min(n, size) bytes as upper-case hexadecimal pairs joined by single
    // spaces; empty for n < 1.
    static QString formatCANData(const QByteArray &data, int n);
    static QString formatCANData(const quint8 *data, int size, int n);

private:
    // Position of stored row i counted from the first row ever kept (survives trimming).
    quint64 absolute(size_t i) const { return m_dropped + i; }
    void rebuildMatches();

    std::vector<CANFrameData> m_ring; // grows to kMaxRows, then wraps
    size_t m_head = 0;                // oldest row in the ring
    size_t m_count = 0;
    quint64 m_dropped = 0;            // rows that left the front since the last clear
    quint64 m_appended = 0;
    CANLogFilter m_filter;
    DecodeSource m_decodeSource;
    std::deque<quint64> m_matches;    // absolute positions of the rows the filter lets through
};
