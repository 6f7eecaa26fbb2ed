// The tuning bench in the main window: the 调参 button of the motor debug tab opens it;
// its runs reach the motor on the motor's own roads and are a sending road of their own,
// so that closing or losing the link, an upgrade, a calibration and stopping everything
// end them.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "firmware/firmwareUpgrade.h"
#include "link/sendingRoads.h"
#include "procedures/customCDC.h"
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
            if (cdc->portIsConsole())
                return tr("调参经 CAN 发送指令：电机通道为 UART 时不可用，请切换到 CAN");
            if (cdc->upgrade()->isRunning())
                return tr("固件升级进行中，升级结束前不能发送其他帧");
            return QString();
        };
        host.motorId = [this] { return cdc->motorCanid(); };
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
            TuningRoad road = motorTuningRoad(*cdc, [this] { return portOpen.load(); });
            // A run started right after this one must not take the motor for enabled
            // before the disable's own feedback says so.
            road.special = [this, special = road.special](MotorCommand c, int mode) {
                const bool sent = special(c, mode);
                if (sent && c == MotorCommand::Disable)
                    latestStateCode = 0;
                return sent;
            };
            return road;
        };
        host.beforeRun = [this] {
            // The run alone drives the motor: whatever else sends ends first and does not
            // come back by itself afterwards.
            cdc->roads()->stopAll();
            cdc->roads()->started(SendingRoads::Tuning, [this] { stopTuningRun(tr("已随全部发送一同停止")); });
        };
        host.afterRun = [this] { cdc->roads()->ended(SendingRoads::Tuning); };
        host.inbox = &tuningInbox;
        tuningWindow = new TuningWindow(host, this);
        // Another road that starts sending would fight the run for the motor.
        connect(cdc->roads(), &SendingRoads::runningChanged, tuningWindow,
                [this](const QList<SendingRoads::Road> &running) {
                    for (SendingRoads::Road r : running)
                        if (r != SendingRoads::Tuning && running.contains(SendingRoads::Tuning)) {
                            stopTuningRun(tr("“%1”已开始，调参已停止").arg(SendingRoads::roadName(r)));
                            return;
                        }
                });
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
