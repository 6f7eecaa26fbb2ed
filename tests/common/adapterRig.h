#pragma once

// A main window on a simulated motor (CAN ID 1, master ID 0x11) behind any of the three
// adapters: the serial adapter, the simulated USB adapter, or a Qt CAN interface on a
// private virtualcan bus; and the frames each put on the wire, alike for all three.

#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canTxModel.h"
#include "can/ui/canTxDialogs.h"
#include "simCanBusPeer.h"
#include "simUsbWindow.h"
#include "simWindow.h"
#include "widgets/dialogService.h"

#include <QCanBusFrame>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

enum class Adapter { Serial, Usb, CanBus };

// A virtualcan interface on a free local port, so that this process has a bus of its own.
inline QString privateVirtualCanInterface()
{
    QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false");
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return QString();
    return QString("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
}

// One frame as the bus saw it.
struct Wire {
    quint32 id = 0;
    bool extended = false, remote = false, fd = false;
    QByteArray data;
};


// A window on a simulated motor (CAN ID 1, master ID 0x11) behind one of the three adapters.
class Rig
{
public:
    bool start(Adapter a, const QString &canIface)
    {
        kind = a;
        QString error;
        if (a == Adapter::Serial) {
            if (!serial.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error) || !serial.open())
                return false;
            win = serial.window();
        } else if (a == Adapter::Usb) {
            if (!usb.start(&error) || !usb.open())
                return false;
            win = usb.window();
        } else {
            bus = std::make_shared<SimBus>(QList<SimBus::MotorSetup>{{1, 0x11, 4, SimMotor::Layout::Long}});
            peer = std::make_unique<SimCanBusPeer>(bus, canIface);
            if (!peer->start(&error))
                return false;
            StartupOptions o;
            o.canInterfaces.append({"virtualcan:" + canIface, "simulated motors"});
            own = std::make_unique<MainWindow>(o);
            win = own.get();
            win->form()->masteridEdit->setText("11");
            win->show();
            win->form()->comboCom_Port->setCurrentIndex(win->form()->comboCom_Port->findText("virtualcan:" + canIface));
            win->form()->btn_comSwitch->click();
            if (!win->isPortOpen())
                return false;
        }
        DialogService::setHandler([](const DialogService::Request &r) {
            DialogService::Reply reply;
            const QString name = r.dialog ? r.dialog->objectName() : QString();
            // The logs written here mark no direction: a replay sends every frame.
            if (name == "replayConfirmation")
                r.dialog->findChild<QCheckBox *>()->setChecked(false);
            const bool accept = name == "confirmationDialog" || name == "firmwareConfirmation" || name == "replayConfirmation";
            reply.result = accept ? int(QDialog::Accepted) : int(QMessageBox::Ok);
            return reply;
        });
        return true;
    }
    void stop()
    {
        own.reset();
        peer.reset();
        bus.reset();
        serial.stop();
        usb.stop();
        win = nullptr;
    }
    Ui_MainWindow *ui() const { return win->form(); }
    SimMotor *motor() const
    {
        return kind == Adapter::Serial ? serial.motor() : kind == Adapter::Usb ? usb.motor() : bus->motor(0).get();
    }
    QList<Wire> wire() const
    {
        QList<Wire> out;
        if (kind == Adapter::Serial)
            for (const SimCanFrame &f : serial.adapter()->busFrames())
                out.append({f.id, f.extended, f.remote, false, f.data});
        else if (kind == Adapter::Usb)
            for (const SimUsbFrame &f : usb.adapter()->busFrames())
                out.append({f.id, f.extended, f.remote, f.fd, f.data});
        else
            for (const QCanBusFrame &f : peer->seen())
                out.append({f.frameId(), f.hasExtendedFrameFormat(), f.frameType() == QCanBusFrame::RemoteRequestFrame,
                            f.hasFlexibleDataRateFormat(), f.payload()});
        return out;
    }
    QList<Wire> since(int mark) const { return wire().mid(mark); }

    // Every option of the CAN tab's transmit settings at once.
    void setEveryCanTabOption()
    {
        CANTxModel *m = win->txModel();
        m->setCanIdType(1);
        m->setCanFrameType(1);
        m->setCANType(true);
        m->setDataSectionAcc(true);
        ui()->dataAcc->setChecked(true);
        setIdCounting("300", "1FFFFFFF");
        ui()->sendTimesEdit->setText("5");
        ui()->sendIntervalEdit->setText("3");
        QVERIFY(m->idAcc() && m->dataAcc() && m->canType() && m->sendTimes() == 5);
    }

    // ID counting on, with its step and stop ID, through the CAN tab's dialog.
    void setIdCounting(const QString &step, const QString &stopId)
    {
        ui()->idAcc->click();
        auto *d = win->findChild<IdIncrementDialog *>();
        QVERIFY(d);
        d->stepEdit()->setText(step);
        d->stopIdEdit()->setText(stopId);
        d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    }

    Adapter kind = Adapter::Serial;
    MainWindow *win = nullptr;
    SimWindow serial;
    SimUsbWindow usb;
    std::shared_ptr<SimBus> bus;
    std::unique_ptr<SimCanBusPeer> peer;
    std::unique_ptr<MainWindow> own;
};

