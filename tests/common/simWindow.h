#pragma once

// A main window wired to a simulated motor: the real QSerialPort on a pseudo-terminal
// whose other side is the simulated serial adapter (or the motor's console), and
// DialogService answering every box so that nothing blocks.

#include "app/mainwindow.h"

#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QList>
#include <QMessageBox>
#include <QString>

#include <memory>

class SimWindow
{
public:
    // Motor 0x01 answering on master ID 0x11. Console mode serves the motor's console and
    // puts the window in UART mode; Adapter mode keeps the window in CAN mode.
    bool start(SimSerialAdapter::Mode mode, SimMotor::Layout layout = SimMotor::Layout::Long, QString *error = nullptr);
    // Opens the port through the connection button; true when it is open.
    bool open();
    void stop();

    MainWindow *window() const { return w.get(); }
    SimSerialAdapter *adapter() const { return sim.get(); }
    SimMotor *motor() const { return simMotor.get(); }

    // File dialogs answer with these paths (empty: cancelled).
    QString savePath;
    QString openPath;
    // What questions are answered with.
    QMessageBox::StandardButton questionAnswer = QMessageBox::Ok;

private:
    std::unique_ptr<SimSerialAdapter> sim;
    std::shared_ptr<SimMotor> simMotor;
    std::unique_ptr<MainWindow> w;
};

// The message-table codes (0..16) shown so far, in order.
QList<int> shownMessages();
// Message boxes other than the message table (title, text), in order.
QList<QPair<QString, QString>> shownBoxes();
