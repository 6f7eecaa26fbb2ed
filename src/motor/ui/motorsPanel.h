#pragma once

#include "motor/motorIds.h"

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Every motor on the bus at a glance: the scan's rows with the versions read from each,
// and, while feedback arrives, state and temperatures. Selecting a row asks the window
// to make that motor the current one.
class MotorsPanel : public QWidget
{
    Q_OBJECT
public:
    struct Row {
        ScannedMotor motor;
        QString appVersion;    // empty: not read (or a conflict: not asked)
        QString loaderVersion;
    };
    struct Live {
        bool fresh = false;
        QString state;
        QString motorTemp;
        QString driverTemp;
        bool fault = false;
    };

    explicit MotorsPanel(QWidget *parent = nullptr);

    void setRows(const QList<Row> &rows);
    const QList<Row> &rows() const { return m_rows; }
    // Live columns of the row of `canid`.
    void setLive(unsigned canid, const Live &live);
    void setStatus(const QString &text);
    void setBusy(bool busy);
    void retranslate();

    QTableWidget *table() const { return m_table; }
    QPushButton *refreshButton() const { return m_refresh; }
    QPushButton *reportButton() const { return m_report; }
    QPushButton *sequenceButton() const { return m_sequence; }
    QLineEdit *noteEdit() const { return m_note; }
    // The parameter file the report compares the motor with; empty: the last one written
    // or imported.
    QLineEdit *compareFileEdit() const { return m_compare; }
    QLabel *statusLabel() const { return m_status; }

signals:
    void refreshRequested();
    void motorSelected(unsigned canid, unsigned masterid);
    void reportRequested();
    void sequenceRequested();

private:
    void fillRow(int row);

    QList<Row> m_rows;
    QTableWidget *m_table = nullptr;
    QPushButton *m_refresh = nullptr;
    QPushButton *m_report = nullptr;
    QPushButton *m_sequence = nullptr;
    QLineEdit *m_note = nullptr;
    QLabel *m_noteLabel = nullptr;
    QLineEdit *m_compare = nullptr;
    QLabel *m_compareLabel = nullptr;
    QPushButton *m_browse = nullptr;
    QLabel *m_status = nullptr;
};
