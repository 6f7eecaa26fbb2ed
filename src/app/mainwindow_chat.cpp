// The assistant chat: the window, and the actions its recognised sentences trigger.
// Rows whose target is a plain widget (edits, combo boxes, switches, the mode tab bar)
// are carried out by the dispatcher itself; rows that need the window's procedures get
// a handler here.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "chat/commandTable.h"
#include "chat/ui/chatCommandDispatcher.h"
#include "chat/ui/zkChat.h"
#include "log/log.h"
#include "motor/motorProtocol.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QPushButton>

void MainWindow::chatInit()
{
    chat = new ZKChat(this);
    chatDispatcher = new ChatCommandDispatcher(this);
    connect(chat, &ZKChat::invokeQtFunction, this, &MainWindow::on_invokeQtFunction);

    auto on = [this](ChatAction action, std::function<void(const QString &)> handler) {
        chatDispatcher->registerHandler(action, std::move(handler));
    };
    on(ChatAction::RefreshPorts, [this](const QString &) { on_btn_comRefreash_clicked(); });
    on(ChatAction::RefreshDevices, [this](const QString &) { refreshUsbDevices(); });
    // The toggle opens a closed port and closes an open one; each phrase only does what it says.
    on(ChatAction::OpenPort, [this](const QString &) {
        if (!portOpen && ui->btn_comSwitch->isEnabled())
            on_actCom_Switch_triggered();
    });
    on(ChatAction::ClosePort, [this](const QString &) {
        if (portOpen)
            on_actCom_Switch_triggered();
    });
    on(ChatAction::ClearData, [this](const QString &) { on_actClear_triggered(); });
    on(ChatAction::SwitchToUart, [this](const QString &) { ui->sw_btn_canUart->setChecked(false); });
    on(ChatAction::SwitchToCan, [this](const QString &) { ui->sw_btn_canUart->setChecked(true); });
    on(ChatAction::SetCanId, [this](const QString &value) {
        // "-5", "1e308" or "NaN" must not become ID 0.
        uint32_t id = 0;
        if (parseMotorCanId(value, 10, id)) {
            on_canidChanged(id);
            return;
        }
        Logger::warning("CAN ID refused: " + value, "on_invokeQtFunction");
        DialogService::warning(this, tr("提示"),
                               tr("助手给出的 CAN ID“%1”无效：须为 0 到 %2 之间的十进制整数。CAN ID 未更改。")
                                   .arg(value.trimmed())
                                   .arg(MaxMotorCanId));
    });

    on(ChatAction::ReadParameters, [this](const QString &) { on_ReadAllParam_clicked(); });
    on(ChatAction::WriteParameters, [this](const QString &) { on_WriteAllParam_clicked(); });
    // The command buttons already check the port, stop and resume periodic sending.
    on(ChatAction::EnableMotor, [this](const QString &) { on_btn_motorMode_clicked(); });
    on(ChatAction::DisableMotor, [this](const QString &) { on_btn_motorModeExit_clicked(); });
    on(ChatAction::SetZero, [this](const QString &) { on_btn_saveGroundZero_clicked(); });
    on(ChatAction::ClearFault, [this](const QString &) { on_btn_canDebugClear_clicked(); });
    on(ChatAction::UpdateDebugData, [this](const QString &) { on_btn_canDebugUpdate_clicked(); });
    on(ChatAction::ReadId, [this](const QString &) { on_btn_ReadID_clicked(); });
    // Set ID itself stops debug sending, checks the port and asks for the confirmation.
    on(ChatAction::WriteId, [this](const QString &) { on_btn_SetID_clicked(); });
    on(ChatAction::Calibrate, [this](const QString &) { on_btn_calibration_clicked(); });
    on(ChatAction::IdentifyParameters, [this](const QString &) { on_MPreCalculateButton_clicked(); });
    on(ChatAction::QualityAnalysis, [this](const QString &) { on_btn_HarmonicAnalysis_clicked(); });
    on(ChatAction::StopDebugSend, [this](const QString &) {
        if (isCanDebugRunning())
            on_btn_canDebugSend_clicked();
    });
    on(ChatAction::StartDebugSend, [this](const QString &) {
        if (!isCanDebugRunning())
            on_btn_canDebugSend_clicked();
    });
}

void MainWindow::on_zkChatShow()
{
    chat->show();
    chat->raise();
    chat->activateWindow();
}

void MainWindow::on_invokeQtFunction(const QString &sentence) { chatDispatcher->dispatch(sentence); }
