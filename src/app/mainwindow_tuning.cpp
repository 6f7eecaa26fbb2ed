// The tuning bench in the main window: the 调参 button of the motor debug tab opens it;
// its runs reach the motor on the control panel's and parameter page's roads, and end
// when the link closes.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canTxModel.h"
#include "link/serial/customCDC.h"
#include "link/serial/protocolFormat.h"
#include "tuning/ui/tuningWindow.h"

#include <QPushButton>

namespace {
// The motor's can_br register -> its nominal bit rate (the data rates of 5 and above keep
// a 1 Mbit/s arbitration phase).
int canBrBitRate(quint32 code)
{
    static const int rates[] = {125000, 200000, 250000, 500000, 1000000};
    return code < 5 ? rates[code] : 1000000;
}
} // namespace

void MainWindow::on_btn_tuning_clicked()
{
    if (!tuningWindow) {
        TuningHost host;
        host.linkProblem = [this]() -> QString {
            if (!portOpen)
                return tr("请打开串口");
            if (!cdc->canMode)
                return tr("调参经 CAN 发送指令：电机通道为 UART 时不可用，请切换到 CAN");
            return QString();
        };
        host.motorId = [this] { return canTxModel->canid(); };
        host.limits = [this] {
            Tuning::Limits l;
            const MappingRanges r = ranges.get();
            l.positionMax = r.position.max;
            l.velocityMax = r.velocity.max;
            l.minPeriodMs = Tuning::minimumPeriodMs(cdc->longParamFormat ? canBrBitRate(cdc->escInf.can_br) : 0);
            return l;
        };
        host.motorEnabled = [this] { return portOpen && feedbackFrames > 0 && latestStateCode.load() == 1; };
        host.road = [this] {
            TuningRoad road;
            road.readRegister = [this](int rid) {
                if (portOpen)
                    cdc->controllerAllParamsCRUFunc(0, rid);
            };
            road.special = [this](MotorCommand c, int mode) {
                if (!portOpen)
                    return;
                cdc->frameSend(specialFrame(c), canidConvention(canTxModel->canid(), mode));
                // A run started right after this one must not take the motor for enabled
                // before the disable's own feedback says so.
                if (c == MotorCommand::Disable)
                    latestStateCode = 0;
            };
            road.command = [this](int mode, const QByteArray &payload) {
                if (portOpen)
                    cdc->frameSend(payload, canidConvention(canTxModel->canid(), mode));
            };
            return road;
        };
        host.beforeRun = [this] { on_btn_CANStop_clicked(); };
        host.afterRun = [this] { canFrameResend(); };
        host.inbox = &tuningInbox;
        tuningWindow = new TuningWindow(host, this);
    }
    tuningWindow->show();
    tuningWindow->raise();
    tuningWindow->activateWindow();
}

TuningWindow *MainWindow::tuningBench() const { return tuningWindow.data(); }

void MainWindow::stopTuningRun(const QString &why)
{
    if (tuningWindow)
        tuningWindow->stopRun(why);
}
