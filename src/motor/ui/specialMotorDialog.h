#pragma once

#include <QDialog>

class QPushButton;

// The motor-type choice (F4): a conventional motor or the X5810 in-wheel hub motor,
// which later picks the calibration and identification routine. Modeless; the button of
// the current type is green, and a click changes the type and stays open.
class SpecialMotorDialog : public QDialog
{
    Q_OBJECT
public:
    enum Type { Conventional = 0, HubMotor = 1 };

    explicit SpecialMotorDialog(int type, QWidget *parent = nullptr);

    int type() const { return current; }
    void setType(int type);
    void retranslate();

signals:
    void typeChanged(int type);

protected:
    void changeEvent(QEvent *event) override;

private:
    QPushButton *conventionalButton = nullptr;
    QPushButton *hubButton = nullptr;
    int current = Conventional;
};
