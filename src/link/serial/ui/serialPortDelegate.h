#pragma once

#include <QObject>
#include <QVariant>

class QComboBox;
class SerialPortModel;

// Moves values between the port settings model and the combo boxes that show them.
class SerialPortDelegate : public QObject
{
    Q_OBJECT
public:
    explicit SerialPortDelegate(SerialPortModel *model, QObject *parent = nullptr);

    void setupComboBox(QComboBox *combo, int column) const;
    QVariant getComboBoxData(QComboBox *combo, int column) const;
    void setComboBoxData(QComboBox *combo, const QVariant &value, int column) const;

private:
    SerialPortModel *model;
};
