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
#include "motor/paramRegisters.h"
#include "motor/paramRules.h"
#include "procedures/customCDC.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <cmath>

namespace {
// The control panel's set-points the assistant may fill, with their caption and unit labels.
struct SetPointField {
    const char *edit;
    const char *caption;
    const char *unit;
};
const SetPointField kSetPoints[] = {
    {"POSEdit", "POSCaption", "posUnitLabel"}, {"VELEdit", "VELCaption", "radsLabel"},
    {"KPEdit", "KPCaption", "kpUnitLabel"},    {"KDEdit", "KDCaption", "kdUnitLabel"},
    {"TOREdit", "TORCaption", "torUnitLabel"}, {"IEdit", "ICaption", "iUnitLabel"},
};

QString labelText(const QWidget *root, const char *name)
{
    const auto *l = root->findChild<QLabel *>(QLatin1String(name));
    return l ? l->text().remove(QRegularExpression("[:：]\\s*$")).trimmed() : QString();
}
} // namespace

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

    // What talks to the motor needs the link: the chat says so instead of claiming it done.
    // The buttons themselves stop and resume periodic sending as they always do.
    auto motor = [this, on](ChatAction action, void (MainWindow::*slot)()) {
        on(action, [this, slot](const QString &) {
            if (!portOpen) {
                chatDispatcher->refuse(tr("串口未打开，未执行"));
                return;
            }
            (this->*slot)();
        });
    };
    motor(ChatAction::ReadParameters, &MainWindow::on_ReadAllParam_clicked);
    motor(ChatAction::WriteParameters, &MainWindow::on_WriteAllParam_clicked);
    motor(ChatAction::EnableMotor, &MainWindow::on_btn_motorMode_clicked);
    motor(ChatAction::DisableMotor, &MainWindow::on_btn_motorModeExit_clicked);
    motor(ChatAction::SetZero, &MainWindow::on_btn_saveGroundZero_clicked);
    motor(ChatAction::ClearFault, &MainWindow::on_btn_canDebugClear_clicked);
    on(ChatAction::UpdateDebugData, [this](const QString &) { on_btn_canDebugUpdate_clicked(); });
    motor(ChatAction::ReadId, &MainWindow::on_btn_ReadID_clicked);
    // Set ID itself stops debug sending and asks for the confirmation.
    motor(ChatAction::WriteId, &MainWindow::on_btn_SetID_clicked);
    motor(ChatAction::Calibrate, &MainWindow::on_btn_calibration_clicked);
    motor(ChatAction::IdentifyParameters, &MainWindow::on_MPreCalculateButton_clicked);
    motor(ChatAction::QualityAnalysis, &MainWindow::on_btn_HarmonicAnalysis_clicked);
    on(ChatAction::StopDebugSend, [this](const QString &) {
        if (!isCanDebugRunning()) {
            chatDispatcher->refuse(tr("周期发送没有在运行"));
            return;
        }
        on_btn_canDebugSend_clicked();
    });
    on(ChatAction::StartDebugSend, [this](const QString &) {
        if (!portOpen) {
            chatDispatcher->refuse(tr("串口未打开，未执行"));
            return;
        }
        if (isCanDebugRunning()) {
            chatDispatcher->refuse(tr("周期发送已在运行"));
            return;
        }
        on_btn_canDebugSend_clicked();
    });
    on(ChatAction::StopAll, [this](const QString &) { chat->appendNote(QStringLiteral("→ ") + stopAll()); });
    connect(chat, &ZKChat::stopAllRequested, this, [this] { chat->appendNote(QStringLiteral("→ ") + stopAll()); });
    chatDispatcher->setValueCheck(
        [this](const ChatCommand &row, const QString &value) { return chatValueRefusal(row, value); });
}

QString MainWindow::chatValueRefusal(const ChatCommand &row, const QString &value) const
{
    const QString v = value.trimmed();
    for (const SetPointField &f : kSetPoints) {
        if (row.target != QLatin1String(f.edit))
            continue;
        const QString name = labelText(ui->controlPanel, f.caption);
        const QString unit = labelText(ui->controlPanel, f.unit);
        const MappingRange r = setPointRange(row.target);
        bool ok = false;
        const float x = v.toFloat(&ok);
        if (!ok || !std::isfinite(x))
            return tr("%1“%2”不是数值，未填入").arg(name, v);
        if (x < r.min || x > r.max)
            return tr("%1 %2 超出面板范围 %3 … %4 %5，未填入")
                .arg(name, v, QString::number(double(r.min), 'g', 6), QString::number(double(r.max), 'g', 6), unit);
        return QString();
    }
    if (row.target == QLatin1String("masteridEdit")) {
        bool ok = false;
        const uint id = v.toUInt(&ok, 16);
        if (!ok || id > kMotorBroadcastId)
            return tr("主机ID“%1”无效：须为 0 到 0x7ff 之间的十六进制数，未填入").arg(v);
        return QString();
    }
    // A parameter register: against its own range, as a write would check it.
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid) {
        if (registerWidgetName(rid) != row.target || row.targetKind != ChatTarget::Text)
            continue;
        const QHash<QString, QString> texts{{row.target, v}};
        ESC_INF record = cdc->escInf;
        if (unwritableRegister(texts, record, {rid}) >= 0)
            return tr("%1“%2”不是该参数能取的值，未填入").arg(parameterFieldName(rid), v);
        widgetTextsToRecord(texts, record);
        const QList<ParameterProblem> problems =
            checkRegisterRanges(record, {rid}, [this](int r) { return parameterFieldName(r); });
        if (!problems.isEmpty())
            return tr("%1，未填入").arg(parameterProblemTexts(problems).join(tr("；")));
        return QString();
    }
    return QString();
}

QString MainWindow::chatActionEcho(const ChatCommand &row, const QString &value) const
{
    static const char *const modes[] = {QT_TR_NOOP("MIT模式"), QT_TR_NOOP("位置模式"), QT_TR_NOOP("速度模式"),
                                        QT_TR_NOOP("PVT模式")};
    const QString motor = hexIdText(motorCanid);
    const int tab = ui->ctrModeTabBar->currentIndex();
    const QString mode = tab >= 0 && tab < 4 ? tr(modes[tab]) : QString();
    auto inMode = [&](const QString &what) { return tr("%1 %2, %3").arg(what, motor, mode); };
    auto toMotor = [&](const QString &what) { return tr("%1 %2").arg(what, motor); };
    switch (row.action) {
    case ChatAction::EnableMotor: return inMode(tr("使能"));
    case ChatAction::DisableMotor: return inMode(tr("失能"));
    case ChatAction::SetZero: return inMode(tr("设置零点"));
    case ChatAction::ClearFault: return inMode(tr("清除故障"));
    case ChatAction::StartDebugSend:
        return ui->periodicSend->isChecked() ? inMode(tr("开始周期发送")) : inMode(tr("发送调试数据"));
    case ChatAction::StopDebugSend: return toMotor(tr("停止周期发送"));
    case ChatAction::UpdateDebugData: return inMode(tr("更新调试数据"));
    case ChatAction::ReadParameters: return toMotor(tr("读参数"));
    case ChatAction::WriteParameters: return toMotor(tr("写参数"));
    case ChatAction::ReadId: return tr("读ID（广播 0x7ff）");
    case ChatAction::WriteId: return tr("写ID（广播 0x7ff）");
    case ChatAction::Calibrate: return toMotor(tr("校准"));
    case ChatAction::IdentifyParameters: return toMotor(tr("参数标定"));
    case ChatAction::QualityAnalysis: return toMotor(tr("质量分析"));
    case ChatAction::ReadVersion: return toMotor(tr("读版本"));
    default: break;
    }
    if (!row.takesValue())
        return row.phrase;
    for (const SetPointField &f : kSetPoints)
        if (row.target == QLatin1String(f.edit))
            return tr("%1 = %2 %3").arg(labelText(ui->controlPanel, f.caption), value, labelText(ui->controlPanel, f.unit))
                .trimmed();
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
        if (registerWidgetName(rid) == row.target)
            return tr("%1 = %2").arg(parameterFieldName(rid), value);
    return tr("%1 = %2").arg(row.phrase, value);
}

void MainWindow::on_zkChatShow()
{
    chat->show();
    chat->raise();
    chat->activateWindow();
}

void MainWindow::on_invokeQtFunction(const QString &sentence)
{
    using O = ChatCommandDispatcher::Outcome;
    const O outcome = chatDispatcher->dispatch(sentence);
    const ChatCommandMatch &m = chatDispatcher->lastMatch();
    // Every action the chat takes is echoed there with its target, and every refusal with
    // its reason; Stop all reports itself.
    if (!m || m.command->action == ChatAction::StopAll)
        return;
    switch (outcome) {
    case O::Handled:
    case O::WidgetSet: chat->appendNote(QStringLiteral("→ ") + chatActionEcho(*m.command, m.value)); break;
    case O::Refused: {
        const QString why = chatDispatcher->lastRefusal();
        chat->appendNote(QStringLiteral("✗ ") + (why.isEmpty() ? tr("%1：当前不可用").arg(m.command->phrase) : why));
        break;
    }
    case O::NotAvailable: chat->appendNote(QStringLiteral("✗ ") + tr("%1：此版本不支持").arg(m.command->phrase)); break;
    case O::NoMatch: break;
    }
}
