#include "motor/motorActions.h"

#include "procedures/customCDC.h"
#include "log/log.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace MotorActions {

void waitProcessingEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void sendCommand(CustomCDC &link, MotorCommand command, int mode, QObject *context, std::function<void()> sent)
{
    link.stopAdapterSending();
    QPointer<CustomCDC> guard(&link);
    auto send = [guard, command, mode, sent] {
        if (!guard)
            return;
        if (command == MotorCommand::ClearError)
            guard->canDebugClear(mode);
        else
            guard->motorMode(int(command), false, mode);
        if (sent)
            sent();
    };
    if (command == MotorCommand::ClearError && link.usbConnected())
        send();
    else
        QTimer::singleShot(CommandDelayMs, context, send);
}

void queryIds(CustomCDC &link, IdReplyMap &replies, QObject *context, std::function<bool()> linkOpen)
{
    replies.clear();
    QPointer<CustomCDC> guard(&link);
    QTimer::singleShot(PrepareDelayMs, context, [guard, linkOpen] {
        if (guard && linkOpen())
            guard->ReadID();
    });
}

void assignIds(CustomCDC &link, unsigned canid, unsigned masterid, QObject *context, std::function<bool()> linkOpen)
{
    link.motorMode(int(MotorCommand::Disable), true, 0);
    QPointer<CustomCDC> guard(&link);
    QTimer::singleShot(PrepareDelayMs, context, [guard, linkOpen, canid, masterid] {
        if (guard && linkOpen())
            guard->SetID(canid, masterid);
    });
}

void startRegisters(CustomCDC &link, int type, QObject *context)
{
    if (type == 2) {
        link.controllerAllParamsCRU(2);
        return;
    }
    if (link.canMode)
        link.stopAdapterSending();
    else
        link.motorMode(int(MotorCommand::Disable), true, 0); // the console takes the block only outside motor mode
    QPointer<CustomCDC> guard(&link);
    QTimer::singleShot(PrepareDelayMs, context, [guard, type] {
        if (!guard)
            return;
        if (type == 0)
            guard->registerReplies.begin(RegisterReplyState::Operation::None);
        guard->controllerAllParamsCRU(type);
    });
}

bool scanBus(CustomCDC &link, std::atomic_bool &scanning, const std::function<bool()> &linkOpen,
             const std::function<void()> &afterLastProbe)
{
    scanning = true;
    for (int n = 0; n < kScanCount; ++n) {
        waitProcessingEvents(1);
        if (!linkOpen()) {
            scanning = false; // else the dispatch would keep dropping every frame
            Logger::warning("扫描中串口已关闭，扫描中止", "scanDevice");
            return false;
        }
        link.frameSend(scanProbeFrame(n), kMotorBroadcastId);
    }
    if (afterLastProbe)
        afterLastProbe();
    waitProcessingEvents(link.usbConnected() ? ScanSettleUsbMs : ScanSettleSerialMs);
    scanning = false;
    return true;
}

} // namespace MotorActions
