#pragma once

#include "motor/paramDiff.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// What a write would change, row by row: register, the motor's value, the new value and
// the unit. Each row has a tick; an unticked row keeps the motor's value.
class ParamDiffDialog : public QDialog
{
    Q_OBJECT
public:
    // `acceptText`: the button that goes ahead (empty: write the ticked rows).
    ParamDiffDialog(const QList<RegisterDiffRow> &rows, const QString &intro, QWidget *parent = nullptr,
                    const QString &acceptText = QString());

    // The rows with the user's ticks.
    QList<RegisterDiffRow> rows() const;
    void setTicked(int row, bool ticked);
    QTableWidget *table() const { return m_table; }

private:
    QList<RegisterDiffRow> m_rows;
    QTableWidget *m_table = nullptr;
};
