#pragma once

#include "can/canTxModel.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

class QCheckBox;
class QComboBox;
class QLineEdit;
class SwitchButton;

// Moves values between the CAN transmit settings record and the panel's widgets.
// A null widget is logged and ignored.
class CANTxDelegate : public QObject
{
    Q_OBJECT

public:
    explicit CANTxDelegate(CANTxModel *model, QObject *parent = nullptr);

    CANTxModel *model() const { return m_model; }

    // Clears the box and fills it with the choices of the record's column: 0 the CAN
    // bit rates, 6 the ID types, 7 the frame types (item data = the stored value).
    // Any other column leaves the box empty.
    void setupComboBox(QComboBox *box, int column);
    // Re-sets the texts of a box filled by setupComboBox in the current language,
    // keeping its items and selection.
    void retranslateComboBox(QComboBox *box, int column);
    // Selects the entry whose item data equals `value`; no such entry: no change.
    void setComboBoxData(QComboBox *box, const QVariant &value, int column);
    QVariant getComboBoxData(QComboBox *box, int column) const;

    // An unsigned value is written in decimal, a string as it is; anything else
    // (including an invalid value) clears the edit.
    void setLineEditData(QLineEdit *edit, const QVariant &value);
    QString getLineEditData(QLineEdit *edit) const;

    void setCheckBoxData(QCheckBox *box, bool value);
    bool getCheckBoxData(QCheckBox *box) const;

    void setSwitchButtonData(SwitchButton *button, bool value);
    bool getSwitchButtonData(SwitchButton *button) const;

private:
    QPointer<CANTxModel> m_model;
};
