#pragma once

#include "can/canLogFilter.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The bar above the CAN receive log: the filter (IDs, direction, outcome, heartbeats,
// one motor, the motor protocol's kinds of frame), how many rows it shows, the switch
// of the decoded column, and the export and bus-load buttons. The filter hides rows
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
    QLineEdit *motorIdEdit() const { return m_motor; }
    QLineEdit *masterIdEdit() const { return m_master; }
    QComboBox *kindCombo() const { return m_kind; }
    QCheckBox *decodedBox() const { return m_decoded; }
    QPushButton *exportButton() const { return m_export; }      // ExportAnaysis
    QPushButton *busLoadButton() const { return m_busLoad; }    // ChannelOccupancyRate

    // The filter last accepted (a mistyped ID list keeps the one before).
    CANLogFilter filter() const { return m_filter; }
    // "shown / kept" while a filter hides rows, nothing otherwise.
    void showCounts(int shown, int kept);

signals:
    void filterChanged(const CANLogFilter &filter);
    void decodedColumnToggled(bool shown);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void apply();
    void showErrors();

    QLineEdit *m_ids;
    QComboBox *m_direction;
    QComboBox *m_outcome;
    QCheckBox *m_hideHeartbeats;
    QLineEdit *m_motor;
    QLineEdit *m_master;
    QComboBox *m_kind;
    QCheckBox *m_decoded;
    QLabel *m_idError;
    QLabel *m_counts;
    QPushButton *m_export;
    QPushButton *m_busLoad;
    CANLogFilter m_filter;
    QString m_badIds;
    QString m_badMotor;
    int m_shown = -1;
    int m_kept = -1;
};
