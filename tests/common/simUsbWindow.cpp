#include "simUsbWindow.h"

#include "app/ui_mainwindow.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>

bool SimUsbWindow::start(QString *error)
{
    DialogService::clearHistory();
    DialogService::setHandler([](const DialogService::Request &) {
        DialogService::Reply reply;
        reply.result = QMessageBox::Ok;
        return reply;
    });
    port = std::make_unique<SimSerialAdapter>();
    port->setMode(SimSerialAdapter::Adapter);
    port->setHeartbeatEnabled(false);
    if (!port->start(error))
        return false;
    usbBackend = std::make_shared<SimUsbBackend>();
    usb = std::make_shared<SimUsbAdapter>("ZK0001", 1, 5);
    simMotor = std::make_shared<SimMotor>(1, 0x11, SimMotor::Layout::Long);
    usb->addMotor(simMotor);
    usbBackend->addDevice(usb);
    setUsbBackend(usbBackend);

    StartupOptions o;
    o.port = port->slavePath();
    o.usbPorts.append({o.port, "USB CAN FD", usb->vendorId(), usb->productId(), usb->serialNumber()});
    w = std::make_unique<MainWindow>(o);
    w->form()->masteridEdit->setText("11");
    w->form()->sw_btn_canUart->setChecked(true);
    w->show();
    // The device lists follow the first paint.
    QDeadlineTimer deadline(5000);
    while (!w->startupFinished() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return w->startupFinished();
}

bool SimUsbWindow::open()
{
    w->form()->btn_comSwitch->click();
    return w->isPortOpen();
}

void SimUsbWindow::stop()
{
    w.reset();
    port.reset();
    usb.reset();
    simMotor.reset();
    setUsbBackend(nullptr);
    usbBackend.reset();
    DialogService::setHandler(nullptr);
}
