#pragma once

#include "can/canLogFilter.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The bar above the CAN receive log: the filter (IDs, direction, outcome, heartbeats),
// how many rows it shows, and the export and bus-load buttons. The filter hides rows
// only; the log keeps every frame.
class CANLogBar : public QWidget
{
    Q_OBJECT
public:
    explicit CANLogBar(QWidget *parent = nullptr);

    QLineEdit *idFilterEdit() const { return m_ids; }
    QComboBox *directionCombo() const { return m_direction; }
    QComboBox *outcomeCombo() const { return m_outcome; }
    QCheckBox *hideHeartbeatsBox() const { return m_hideHeartbeats; }
    QPushButton *exportButton() const { return m_export; }      // ExportAnaysis
    QPushButton *busLoadButton() const { return m_busLoad; }    // ChannelOccupancyRate

    // The filter last accepted (a mistyped ID list keeps the one before).
    CANLogFilter filter() const { return m_filter; }
    // "shown / kept" while a filter hides rows, nothing otherwise.
    void showCounts(int shown, int kept);

signals:
    void filterChanged(const CANLogFilter &filter);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void apply();

    QLineEdit *m_ids;
    QComboBox *m_direction;
    QComboBox *m_outcome;
    QCheckBox *m_hideHeartbeats;
    QLabel *m_idError;
    QLabel *m_counts;
    QPushButton *m_export;
    QPushButton *m_busLoad;
    CANLogFilter m_filter;
    QString m_badIds;
    int m_shown = -1;
    int m_kept = -1;
};
