#pragma once

// A main window wired to a simulated USB FDCAN adapter: the adapter (motor 0x01 on
// master ID 0x11 behind it) on the simulated USB backend, its own serial port on a
// pseudo-terminal selected in the window, and DialogService answering every box.

#include "app/mainwindow.h"

#include "simMotor.h"
#include "simSerialAdapter.h"
#include "simUsbAdapter.h"
#include "simUsbBackend.h"

#include <memory>

class SimUsbWindow
{
public:
    // The backend is set before the window is built, so that its hot-plug and
    // enumeration see the adapter.
    bool start(QString *error = nullptr);
    // Opens the port through the connection button; true when it is open.
    bool open();
    void stop();

    MainWindow *window() const { return w.get(); }
    SimUsbAdapter *adapter() const { return usb.get(); }
    const std::shared_ptr<SimUsbAdapter> &adapterPtr() const { return usb; }
    SimUsbBackend *backend() const { return usbBackend.get(); }
    SimMotor *motor() const { return simMotor.get(); }

private:
    std::shared_ptr<SimUsbBackend> usbBackend;
    std::shared_ptr<SimUsbAdapter> usb;
    std::unique_ptr<SimSerialAdapter> port;
    std::shared_ptr<SimMotor> simMotor;
    std::unique_ptr<MainWindow> w;
};
