#include "chat/commandTable.h"

namespace {

ChatCommand command(const char16_t *phrase, ChatAction action, const char *target = nullptr,
                    ChatTarget kind = ChatTarget::None, int index = 0)
{
    return ChatCommand{QString::fromUtf16(phrase), action, QString(), QString::fromLatin1(target), kind, index};
}

ChatCommand value(const char16_t *phrase, ChatAction action, const char16_t *announce, const char *target,
                  ChatTarget kind = ChatTarget::Text)
{
    return ChatCommand{QString::fromUtf16(phrase), action, QString::fromUtf16(announce), QString::fromLatin1(target),
                       kind, 0};
}

QList<ChatCommand> buildTable()
{
    using A = ChatAction;
    using T = ChatTarget;
    return {
        // First: a sentence that also names another action stops all the same.
        command(u"停止全部", A::StopAll),
        command(u"刷新串口", A::RefreshPorts),
        command(u"打开串口", A::OpenPort),
        command(u"关闭串口", A::ClosePort),
        command(u"清除数据", A::ClearData),
        command(u"切换为UART通讯", A::SwitchToUart, "sw_btn_canUart", T::Switch, 0),
        command(u"切换为CAN通讯", A::SwitchToCan, "sw_btn_canUart", T::Switch, 1),
        command(u"参数标定", A::IdentifyParameters),
        command(u"读参数", A::ReadParameters),
        command(u"写参数", A::WriteParameters),
        command(u"电机使能", A::EnableMotor),
        command(u"电机失能", A::DisableMotor),
        command(u"设置零点", A::SetZero),
        // Before the next row, whose text it contains.
        command(u"停止发送电机调试数据", A::StopDebugSend),
        command(u"发送电机调试数据", A::StartDebugSend),
        command(u"清除电机故障", A::ClearFault),
        command(u"更新调试数据", A::UpdateDebugData),
        command(u"读ID", A::ReadId),
        command(u"写ID", A::WriteId),
        command(u"刷新设备", A::RefreshDevices),
        command(u"更新配置", A::ApplyFdcanConfig),
        command(u"校准", A::Calibrate),
        command(u"读版本", A::ReadVersion),
        command(u"质量分析", A::QualityAnalysis),
        command(u"切换为CAN2.0", A::SwitchToCan20, "sw_btn_FDCAN", T::Switch, 0),
        command(u"切换为FDCAN", A::SwitchToFdcan, "sw_btn_FDCAN", T::Switch, 1),
        command(u"切换为rad/s", A::SwitchToRadPerSecond, "sw_btn_rpmRads", T::Switch, 0),
        command(u"切换为RPM", A::SwitchToRpm, "sw_btn_rpmRads", T::Switch, 1),
        command(u"切换为ASCII", A::SwitchToAscii, "sw_btn_ASCIIHex", T::Switch, 0),
        command(u"切换为HEX", A::SwitchToHex, "sw_btn_ASCIIHex", T::Switch, 1),
        command(u"切换为MIT模式", A::SelectMitTab, "ctrModeTabBar", T::TabIndex, 0),
        command(u"切换为位置模式", A::SelectPositionTab, "ctrModeTabBar", T::TabIndex, 1),
        command(u"切换为速度模式", A::SelectVelocityTab, "ctrModeTabBar", T::TabIndex, 2),
        command(u"切换为PVT模式", A::SelectPvtTab, "ctrModeTabBar", T::TabIndex, 3),

        value(u"串口波特率设置", A::SetSerialBaud, u"已经将串口波特率设置为", "comboCom_Baud", T::ComboItem),
        value(u"CAN波特率设置", A::SetCanBaud, u"已经将CAN波特率设置为", "id_baud_combox", T::ComboItemBps),
        value(u"数据域波特率设置", A::SetDataBaud, u"已经将数据域波特率设置为", "data_baud_combox", T::ComboItemBps),
        value(u"仲裁域波特率设置", A::SetArbitrationBaud, u"已经将仲裁域波特率设置为", "id_baud_combox",
              T::ComboItemBps),
        value(u"位置设置", A::SetPosition, u"已经将位置设置为", "POSEdit"),
        // A row whose phrase contains an earlier row's phrase would never be reached:
        // acceleration and deceleration go before "速度设置", the speed and position
        // loop gains before "KP设置".
        value(u"加速度设置", A::SetAcceleration, u"已经将加速度参数设置为", "ACCEdit"),
        value(u"减速度设置", A::SetDeceleration, u"已经将减速度参数设置为", "DECEdit"),
        value(u"速度设置", A::SetVelocity, u"已经将速度设置为", "VELEdit"),
        value(u"速度KP设置", A::SetSpeedKp, u"已经将速度KP设置为", "KP_ASREdit"),
        value(u"位置KP设置", A::SetPositionKp, u"已经将位置KP设置为", "KP_APREdit"),
        value(u"KP设置", A::SetKp, u"已经将KP设置为", "KPEdit"),
        value(u"KD设置", A::SetKd, u"已经将KD设置为", "KDEdit"),
        value(u"转矩设置", A::SetTorque, u"已经将转矩设置为", "TOREdit"),
        value(u"电流设置", A::SetCurrent, u"已经将电流设置为", "IEdit"),
        value(u"极对数设置", A::SetPolePairs, u"已经将极对数设置为", "POLEEdit"),
        value(u"减速比设置", A::SetGearRatio, u"已经将减速比设置为", "GrEdit"),
        value(u"过流设置", A::SetOverCurrent, u"已经将过流保护值设置为", "OC_ValueEdit"),
        value(u"欠压设置", A::SetUnderVoltage, u"已经将欠压保护值设置为", "UV_ValueEdit"),
        value(u"过压设置", A::SetOverVoltage, u"已经将过压保护值设置为", "OV_ValueEdit"),
        value(u"过温设置", A::SetOverTemperature, u"已经将过温保护值设置为", "OT_ValueEdit"),
        value(u"限速设置", A::SetSpeedLimit, u"已经将限速设置为", "MAX_SPDEdit"),
        value(u"电流环增强系数设置", A::SetCurrentLoopGain, u"已经将电流环增强系数设置为", "IQ_clEdit"),
        value(u"速度环增强系数设置", A::SetSpeedLoopGain, u"已经将速度环增强系数设置为", "VL_clEdit"),
        value(u"速度环滤波带宽设置", A::SetSpeedFilterBandwidth, u"已经将速度环滤波带宽设置为", "V_BWEdit"),
        // The owner parses the value as a decimal ID; no widget takes it directly.
        value(u"CAN ID设置", A::SetCanId, u"已经将CAN ID设置为", nullptr, T::None),
        value(u"MASTER ID设置", A::SetMasterId, u"已经将MASTER ID设置为", "masteridEdit"),
        value(u"CAN TIMEOUT设置", A::SetCanTimeout, u"已经将CAN TIMEOUT设置为", "TIMEOUTEdit"),
        value(u"can_br设置", A::SetCanBr, u"已经将can_br设置为", "comboBox_canBaud", T::ComboText),
        value(u"PMAX设置", A::SetPmax, u"已经将PMAX设置为", "PMAXEdit"),
        value(u"VMAX设置", A::SetVmax, u"已经将VMAX设置为", "VMAXEdit"),
        value(u"TMAX设置", A::SetTmax, u"已经将TMAX设置为", "TMAXEdit"),
        value(u"KT_OUT设置", A::SetKtOut, u"已经将KT_OUT设置为", "KT_ValueEdit"),
        value(u"齿轮系数设置", A::SetGearFactor, u"已经将齿轮系数设置为", "GREFEdit"),
        value(u"阻尼因子设置", A::SetDampingFactor, u"已经将阻尼因子设置为", "GREF2Edit"),
        command(u"电机设置为MIT模式", A::SetModeMit, "comboBox_ctrMode", T::ComboIndex, 0),
        command(u"电机设置为位置-速度模式", A::SetModePositionVelocity, "comboBox_ctrMode", T::ComboIndex, 1),
        command(u"电机设置为速度模式", A::SetModeVelocity, "comboBox_ctrMode", T::ComboIndex, 2),
        command(u"电机设置为PVT模式", A::SetModePvt, "comboBox_ctrMode", T::ComboIndex, 3),
        value(u"速度KI设置", A::SetSpeedKi, u"已经将速度KI设置为", "KI_ASREdit"),
        value(u"位置KI设置", A::SetPositionKi, u"已经将位置KI设置为", "KI_APREdit"),
    };
}

bool isSentenceDelimiter(QChar c)
{
    switch (c.unicode()) {
    case 0x3002: case 0xFF1F: case 0xFF01: case 0xFF1B: case 0xFF0C: case '!': case '?': case ';':
        return true;
    default:
        return false;
    }
}

} // namespace

const QList<ChatCommand> &chatCommandTable()
{
    static const QList<ChatCommand> table = buildTable();
    return table;
}

const ChatCommand *chatCommandFor(ChatAction action)
{
    for (const ChatCommand &row : chatCommandTable()) {
        if (row.action == action)
            return &row;
    }
    return nullptr;
}

ChatCommandMatch matchChatCommand(const QString &sentence)
{
    QString text = sentence;
    text.remove(QLatin1Char('!'));
    for (const ChatCommand &row : chatCommandTable()) {
        // Some value rows announce with a wording that does not contain their phrase
        // ("已经将过流保护值设置为" for "过流设置"); the announcement alone must still count.
        const bool found = text.contains(row.phrase, Qt::CaseSensitive)
                           || (row.takesValue() && text.contains(row.announce, Qt::CaseSensitive));
        if (!found)
            continue;
        ChatCommandMatch match;
        match.command = &row;
        if (row.takesValue()) {
            QString v = text;
            v.remove(row.announce, Qt::CaseSensitive);
            v = v.trimmed();
            // A full-width "！" or "。" closing the sentence is not part of the number.
            while (!v.isEmpty() && isSentenceDelimiter(v.back()))
                v.chop(1);
            match.value = v.trimmed();
        }
        return match;
    }
    return {};
}

bool isStopAllRequest(const QString &message)
{
    QString t = message.trimmed().toLower();
    while (!t.isEmpty() && (isSentenceDelimiter(t.back()) || t.back() == QLatin1Char('.')))
        t.chop(1);
    t = t.simplified();
    static const QStringList words = {QStringLiteral("停止"), QStringLiteral("停"), QStringLiteral("停止全部"),
                                      QStringLiteral("全部停止"), QStringLiteral("急停"), QStringLiteral("stop"),
                                      QStringLiteral("stop all"), QStringLiteral("stop everything")};
    return words.contains(t);
}

QString chatConfirmation(const ChatCommand &command, const QString &value)
{
    if (command.takesValue())
        return command.announce + value + QLatin1Char('!');
    return command.phrase + QLatin1Char('!');
}
