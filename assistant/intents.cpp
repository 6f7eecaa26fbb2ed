#include "intents.h"

#include <QRegularExpressionMatch>

#include <cmath>

namespace {

using A = ChatAction;
using V = ValueKind;

QRegularExpression rx(const QString &pattern)
{
    if (pattern.isEmpty())
        return QRegularExpression();
    QRegularExpression re(pattern);
    Q_ASSERT_X(re.isValid(), "intentRules", qPrintable(pattern));
    return re;
}

IntentRule rule(A action, const char *zh, const char *en, V kind, const char *zhText, const char *enText)
{
    return IntentRule{action, rx(QString::fromUtf8(zh)), rx(QString::fromUtf8(en)), kind,
                      QString::fromUtf8(zhText), QString::fromUtf8(enText)};
}

// Verbs that choose a mode, a unit or a display.
const char *const kZhSwitch = "(?:切换|切到|切|换成|换到|换|改成|改为|改用|改|使用|用|选择|选|进入|转到|设为|设成|去)";
const char *const kEnSwitch = "\\b(?:switch|change|go|use|select|set|move|open|turn|show|display)\\b";

QString zhSwitch(const char *target) { return QString::fromUtf8(kZhSwitch) + ".{0,3}" + QString::fromUtf8(target); }
QString enSwitch(const char *target) { return QString::fromUtf8(kEnSwitch) + ".*" + QString::fromUtf8(target); }

IntentRule switchRule(A action, const char *zhTarget, const char *enTarget, const char *zhText, const char *enText)
{
    return IntentRule{action, rx(zhSwitch(zhTarget)), rx(enSwitch(enTarget)), V::None, QString::fromUtf8(zhText),
                      QString::fromUtf8(enText)};
}

// Mode words, position-velocity before velocity: "position velocity mode" contains
// "velocity mode".
struct ModeWords {
    A registerAction;
    A tabAction;
    const char *zh;
    const char *en;
    const char *zhName;
    const char *enName;
};

const ModeWords kModes[] = {
    {A::SetModePvt, A::SelectPvtTab, "pvt", "pvt", "PVT模式", "PVT mode"},
    {A::SetModeMit, A::SelectMitTab, "mit", "mit", "MIT模式", "MIT mode"},
    {A::SetModePositionVelocity, A::SelectPositionTab, "(?:位置[-—]?速度|位置)",
     "(?:position[- ]?(?:velocity|speed)|pos[- ]?vel|position)", "位置-速度模式", "position-velocity mode"},
    {A::SetModeVelocity, A::SelectVelocityTab, "(?:速度|转速)", "(?:velocity|speed)", "速度模式", "velocity mode"},
};

QList<IntentRule> buildRules()
{
    QList<IntentRule> r;

    // Commands with words of their own come first: their wording could otherwise be
    // mistaken for naming a field ("set the current position as zero"). Stopping
    // everything before stopping the periodic send, whose words it shares.
    r << rule(A::StopAll, "(?:全部|所有|一切)(?:都)?停(?:止|下)?|停止(?:全部|所有|一切)|紧急停止|急停|^停止?$",
              "\\bstop\\s+(?:all|everything)\\b|\\bemergency\\s+stop\\b|^stop$", V::None,
              "好的，全部停下：结束一切发送，使能过的电机都会收到失能命令。",
              "Everything stops: all sending ends and every motor that was enabled gets a disable.")
      << rule(A::StopDebugSend, "停止(?:发送)?(?:电机)?调试数据|停止(?:周期|循环|连续)?(?:性)?发送|停发|停止调试",
              "\\bstop\\b.*\\b(?:send|sending|debug|debugging|periodic|transmit|transmitting)\\b",
              V::None, "好的，停止周期性地发送控制指令。", "Periodic sending of the control command stops.")
      << rule(A::StartDebugSend,
              "发送(?:电机)?调试数据|(?:开始|启动)(?:周期|循环|连续)?(?:性)?(?:地)?发送|开始调试|启动调试",
              "\\b(?:start|begin|resume)\\b.*\\b(?:send|sending|debug|debugging|periodic|transmit|transmitting)\\b"
              "|\\bsend\\b.*\\bdebug\\b",
              V::None, "好的，开始周期性地发送当前的控制指令，请注意安全。",
              "The current control command is now sent periodically; keep clear of the motor.")
      << rule(A::UpdateDebugData, "(?:更新|刷新|应用)调试数据",
              "\\b(?:update|refresh|apply)\\b.*\\bdebug\\b", V::None,
              "好的，按输入框里的当前值刷新控制指令。", "The control command now uses the values in the fields.")
      << rule(A::ClearFault, "清除(?:电机)?(?:的)?(?:故障|错误)|清(?:故障|错误)|(?:故障|错误)(?:清除|复位)|复位故障",
              "\\b(?:clear|reset|acknowledge)\\b.*\\b(?:fault|faults|error|errors)\\b", V::None,
              "好的，正在清掉电机的故障标志。", "The motor's fault flags are being cleared.")
      << rule(A::ClearData, "清除数据|清空(?:数据|显示|接收|界面|日志)|清屏",
              "\\bclear\\b.*\\b(?:data|display|screen|received|output|log|logs)\\b", V::None,
              "好的，接收区和图表的数据都会清空。", "The received data, the log and the charts are emptied.")
      << rule(A::IdentifyParameters,
              "参数标定|参数辨识|参数识别|辨识.{0,6}参数|(?<!\\S)识别.{0,6}参数|测量.{0,4}电机参数",
              "\\bidentif(?:y|ication)\\b.*\\bparam|\\bparam\\w*\\b.*\\bidentif|\\bmeasure\\b.*\\bmotor param",
              V::None, "好的，开始辨识电机的电气参数，请让电机空载。",
              "Motor parameter identification starts; leave the motor unloaded.")
      << rule(A::Calibrate, "校准|编码器标定|标定编码器", "\\bcalibrat\\w*", V::None,
              "好的，开始编码器标定，请让电机空载。", "Encoder calibration starts; leave the motor unloaded.")
      << rule(A::SetZero,
              "设置零点|设零点|设定零点|保存零点|零点设置|设为零点|设成零点|设置零位|保存零位|设为零位|设成零位",
              "\\b(?:set|save|store|define|mark)\\b(?: the)?(?: current position as)?(?: the)? zero(?: point| position)?\\b"
              "|\\bzero (?:point|position)\\b|\\bzero the (?:motor|encoder|position)\\b",
              V::None, "好的，把当前位置保存为电机的零位。", "The current position becomes the motor's zero.")
      << rule(A::ReadParameters, "读参数|读取.{0,6}参数|读一下.{0,4}参数|参数读取|读出.{0,4}参数",
              "\\b(?:read|load|fetch|get|upload|refresh)\\b.*\\bparam", V::None,
              "好的，正在从电机读取全部参数。", "Reading all parameters from the motor.")
      << rule(A::WriteParameters, "写参数|写入.{0,6}参数|参数写入|把参数写|下发参数|保存参数",
              "\\b(?:write|download|save|store|flash)\\b.*\\bparam", V::None,
              "好的，正在把参数表写入电机。", "Writing the parameter table into the motor.")
      << rule(A::WriteId, "写id|写入(?:电机|新)?(?:的)?id|id写入", "\\bwrite (?:the )?(?:new )?(?:motor )?ids?\\b",
              V::None, "好的，准备修改电机的ID，请在弹出的窗口里确认。",
              "Changing the motor IDs; confirm in the dialog that opens.")
      << rule(A::ReadId, "读id|读取.{0,6}id|查询.{0,6}id|获取.{0,6}id|id读取",
              "\\b(?:read|query|get|fetch|detect)\\b.*\\bids?\\b", V::None,
              "好的，正在查询总线上电机的ID。", "Asking the motor on the bus for its IDs.")
      << rule(A::QualityAnalysis, "质量分析|质量检测|频谱分析|(?:分析|检测|检查).{0,4}(?:电机)?(?:的)?(?:质量|频谱)",
              "\\bquality\\b.*\\b(?:analysis|analyse|analyze|check|test)\\b|\\bspectrum\\b", V::None,
              "好的，开始频谱质量检测：向电机请求采样数据并计算频谱（需在UART模式下直连电机串口）。",
              "Quality analysis starts: the motor's samples are fetched and their spectrum computed "
              "(the motor must be on its serial console, UART mode).")
      << rule(A::ReadVersion, "读.{0,4}版本|查询.{0,6}版本|获取.{0,6}版本|版本号",
              "\\b(?:read|get|query|check|show|fetch)\\b.*\\bversions?\\b", V::None,
              "好的，正在读取电机的固件版本。", "Reading the motor's firmware version.")
      << rule(A::RefreshPorts, "刷新.{0,4}串口|串口列表|(?:重新)?扫描串口",
              "\\b(?:refresh|rescan|reload|scan|update)\\b.*\\b(?:serial |com )?ports?\\b|\\bport list\\b", V::None,
              "好的，重新扫描可用的端口。", "Refreshing the list of serial ports.")
      << rule(A::OpenPort, "打开.{0,6}串口|开启串口|连接串口|串口打开|打开端口",
              "\\b(?:open|connect)\\b.*\\b(?:serial|com|port)\\b", V::None,
              "好的，正在打开选中的端口。", "Opening the selected serial port.")
      << rule(A::ClosePort, "关闭.{0,6}串口|断开.{0,4}串口|断开连接|串口关闭|关闭端口",
              "\\b(?:close|disconnect)\\b.*\\b(?:serial|com|port|connection)\\b", V::None,
              "好的，正在断开当前的端口连接。", "Closing the serial port.")
      << rule(A::RefreshDevices, "刷新.{0,4}(?:设备|usb|适配器)|(?:重新)?扫描.{0,4}(?:usb|适配器)",
              "\\b(?:refresh|rescan|scan|reload)\\b.*\\b(?:usb|devices?|adapters?)\\b", V::None,
              "好的，重新查找USB适配器。", "Looking for USB adapters again.")
      << rule(A::ApplyFdcanConfig, "更新配置|应用.{0,6}配置|下发.{0,6}配置|配置生效",
              "\\b(?:apply|update|write|send|push)\\b.*\\b(?:config|configuration|settings)\\b", V::None,
              "好的，把面板上的CAN总线设定下发给适配器。", "Sending the panel's bus settings to the adapter.");

    // The control-mode register ("the motor's mode") before the mode pages.
    for (const ModeWords &m : kModes) {
        const QString zh = QString("(?:电机|控制模式|模式参数|cmode).{0,8}(?:设|改|切换|选|换|为|成).{0,4}%1\\s*模式"
                                   "|(?:控制模式|模式参数|cmode).{0,6}%1")
                               .arg(QString::fromUtf8(m.zh));
        const QString en = QString("\\b(?:motor|control|cmode)\\b.*\\bmode\\b.*\\b%1\\b|\\bmotor\\b.*\\b%1 mode\\b"
                                   "|\\bcmode\\b.*\\b%1\\b")
                               .arg(QString::fromUtf8(m.en));
        r << IntentRule{m.registerAction, rx(zh), rx(en), V::None,
                        QString("好的，电机的控制模式参数改为%1，写入电机后生效。").arg(QString::fromUtf8(m.zhName)),
                        QString("The motor's control-mode parameter becomes %1; it takes effect once written.")
                            .arg(QString::fromUtf8(m.enName))};
    }
    for (const ModeWords &m : kModes) {
        const QString zh = QString("%1.{0,3}%2\\s*模式|%2\\s*模式(?:页|标签|界面)")
                               .arg(QString::fromUtf8(kZhSwitch), QString::fromUtf8(m.zh));
        const QString en = QString("%1.*\\b%2(?: control)? (?:mode|page|tab)\\b|^%2 mode$")
                               .arg(QString::fromUtf8(kEnSwitch), QString::fromUtf8(m.en));
        r << IntentRule{m.tabAction, rx(zh), rx(en), V::None,
                        QString("好的，控制页面切到%1。").arg(QString::fromUtf8(m.zhName)),
                        QString("The control page shows %1 now.").arg(QString::fromUtf8(m.enName))};
    }

    // Value rows, the more specific names first ("速度环增强系数" before "速度").
    auto value = [&r](A action, const char *zh, const char *en, V kind, const char *zhName, const char *enName) {
        r << rule(action, zh, en, kind, zhName, enName);
    };
    value(A::SetSerialBaud, "串口.{0,2}波特率|uart.{0,2}波特率|com口.{0,2}波特率",
          "\\b(?:serial|uart|com)(?: port)? (?:baud|bit ?rate|speed)", V::SerialBaud, "串口波特率", "serial baud rate");
    value(A::SetDataBaud, "数据(?:域|段|相位)?(?:的)?(?:波特率|比特率)",
          "\\bdata[- ](?:phase |field |segment )?(?:baud|bit ?rate)", V::DataBaud, "数据域波特率", "data-phase baud rate");
    value(A::SetArbitrationBaud, "仲裁(?:域|段|相位)?(?:的)?(?:波特率|比特率)",
          "\\barbitration[- ]?(?:phase |field |segment )?(?:baud|bit ?rate)|\\bnominal (?:baud|bit ?rate)",
          V::NominalBaud, "仲裁域波特率", "arbitration baud rate");
    value(A::SetCanBr, "can_br|电机(?:的)?\\s*(?:can)?\\s*(?:波特率|比特率)",
          "\\bcan_br\\b|\\bmotor(?:'s)? (?:can )?(?:baud|bit ?rate)", V::MotorBaud, "电机的CAN波特率(can_br)",
          "motor CAN baud rate (can_br)");
    value(A::SetCanBaud, "can\\s*(?:总线)?(?:的)?(?:波特率|比特率)|总线(?:的)?波特率",
          "\\bcan (?:bus )?(?:baud|bit ?rate)|\\bbus (?:baud|bit ?rate)", V::NominalBaud, "CAN波特率", "CAN baud rate");
    value(A::SetCurrentLoopGain, "电流环(?:的)?(?:增强系数|增益|系数)",
          "\\bcurrent[- ]loop (?:gain|boost|enhancement|coefficient|factor)", V::Real, "电流环增强系数",
          "current loop gain");
    value(A::SetSpeedLoopGain, "速度环(?:的)?(?:增强系数|增益|系数)",
          "\\b(?:speed|velocity)[- ]loop (?:gain|boost|enhancement|coefficient|factor)", V::Real, "速度环增强系数",
          "speed loop gain");
    value(A::SetSpeedFilterBandwidth, "(?:速度环)?(?:的)?滤波(?:器)?带宽",
          "\\b(?:speed |velocity )?(?:loop )?filter bandwidth", V::Real, "速度环滤波带宽", "speed filter bandwidth");
    value(A::SetSpeedKp, "速度环?(?:的)?\\s*kp", "\\b(?:speed|velocity)[- ](?:loop )?kp\\b|\\bkp of the (?:speed|velocity)",
          V::Real, "速度环KP", "speed-loop KP");
    value(A::SetSpeedKi, "速度环?(?:的)?\\s*ki", "\\b(?:speed|velocity)[- ](?:loop )?ki\\b|\\bki of the (?:speed|velocity)",
          V::Real, "速度环KI", "speed-loop KI");
    value(A::SetPositionKp, "位置环?(?:的)?\\s*kp", "\\bposition[- ](?:loop )?kp\\b|\\bkp of the position", V::Real,
          "位置环KP", "position-loop KP");
    value(A::SetPositionKi, "位置环?(?:的)?\\s*ki", "\\bposition[- ](?:loop )?ki\\b|\\bki of the position", V::Real,
          "位置环KI", "position-loop KI");
    value(A::SetKp, "kp", "\\bkp\\b", V::Real, "KP", "KP");
    value(A::SetKd, "kd", "\\bkd\\b", V::Real, "KD", "KD");
    value(A::SetKtOut, "kt_out|kt\\s*out|(?:转矩|力矩)常数", "\\bkt[_ ]?out\\b|\\btorque constant", V::Real, "KT_OUT",
          "KT_OUT");
    value(A::SetTmax, "tmax|最大(?:转矩|力矩|扭矩)|(?:转矩|力矩|扭矩)(?:上限|范围|最大值)",
          "\\btmax\\b|\\bmax(?:imum)? torque|\\btorque (?:range|limit)", V::Real, "TMAX", "TMAX");
    value(A::SetPmax, "pmax|最大位置|位置(?:上限|范围|最大值)", "\\bpmax\\b|\\bmax(?:imum)? position|\\bposition (?:range|limit)",
          V::Real, "PMAX", "PMAX");
    value(A::SetVmax, "vmax|速度(?:范围|映射)", "\\bvmax\\b|\\bvelocity (?:range|mapping)", V::Real, "VMAX", "VMAX");
    value(A::SetSpeedLimit, "限速|速度(?:限制|上限)|最大(?:速度|转速)|转速上限",
          "\\bspeed limit|\\bmax(?:imum)? (?:speed|velocity)|\\bvelocity limit", V::Real, "限速", "speed limit");
    value(A::SetOverCurrent, "过流", "\\bover[- ]?current", V::Real, "过流保护值", "over-current limit");
    value(A::SetUnderVoltage, "欠压", "\\bunder[- ]?voltage", V::Real, "欠压保护值", "under-voltage limit");
    value(A::SetOverVoltage, "过压", "\\bover[- ]?voltage", V::Real, "过压保护值", "over-voltage limit");
    value(A::SetOverTemperature, "过温|过热", "\\bover[- ]?(?:temperature|temp|heat)", V::Real, "过温保护值",
          "over-temperature limit");
    value(A::SetAcceleration, "加速度", "\\bacceleration\\b|\\baccel\\b", V::Real, "加速度", "acceleration");
    value(A::SetDeceleration, "减速度", "\\bdeceleration\\b|\\bdecel\\b", V::Real, "减速度", "deceleration");
    value(A::SetGearRatio, "减速比|传动比", "\\b(?:gear|reduction|gearbox) ratio", V::Real, "减速比", "gear ratio");
    value(A::SetDampingFactor, "阻尼(?:因子|系数)?|gref2", "\\bdamping(?: factor| coefficient)?\\b|\\bgref2\\b", V::Real,
          "阻尼因子", "damping factor");
    value(A::SetGearFactor, "齿轮系数|gref", "\\bgear (?:factor|coefficient)|\\bgref\\b", V::Real, "齿轮系数",
          "gear factor");
    value(A::SetPolePairs, "极对数", "\\bpole[- ]?pairs?\\b|\\bpole count\\b|\\bnumber of poles?\\b", V::Count, "极对数",
          "pole pairs");
    value(A::SetCanTimeout, "can\\s*timeout|can\\s*超时|超时(?:时间)?", "\\b(?:can )?time[- ]?out\\b", V::Count,
          "CAN TIMEOUT", "CAN timeout");
    value(A::SetMasterId, "master\\s*id|主机\\s*id|主站\\s*id|主\\s*id", "\\bmaster (?:can )?id\\b", V::MasterId,
          "MASTER ID", "master ID");
    value(A::SetCanId, "can\\s*id|电机\\s*id", "\\b(?:can|motor|node) id\\b", V::CanId, "CAN ID", "CAN ID");
    value(A::SetTorque, "转矩|力矩|扭矩", "\\btorque\\b", V::Real, "转矩", "torque");
    value(A::SetCurrent, "电流", "\\bcurrent\\b", V::Real, "电流", "current");
    value(A::SetPosition, "位置|角度", "\\bposition\\b|\\bangle\\b", V::Real, "位置", "position");
    value(A::SetVelocity, "速度|转速", "\\bvelocity\\b|\\bspeed\\b", V::Real, "速度", "velocity");

    // Switches: after the value rows, since "set the CAN FD data baud rate" names CAN FD.
    r << switchRule(A::SwitchToUart, "(?:uart\\s*(?:通讯|通信|模式)?|串口\\s*(?:通讯|通信|模式)|控制台\\s*模式)",
                    "\\b(?:uart|serial console|console)\\b", "好的，通讯方式改为电机的串口控制台（UART）。",
                    "The link now talks to the motor's serial console (UART).")
      << switchRule(A::SwitchToCan, "can\\s*(?:通讯|通信|模式)",
                    "\\bcan(?: bus)? (?:mode|communication|link)\\b|\\bto can(?: bus)?$",
                    "好的，通讯方式改为CAN。", "The link now talks CAN.")
      << switchRule(A::SwitchToCan20, "(?:can\\s*2(?:\\.0)?|经典\\s*can|标准\\s*can)",
                    "\\b(?:can ?2(?:\\.0)?|classic(?:al)? can)\\b", "好的，适配器改用经典CAN（CAN2.0）。",
                    "The adapter uses classic CAN (CAN 2.0).")
      << switchRule(A::SwitchToFdcan, "(?:fdcan|can\\s*fd)", "\\b(?:fdcan|can[- ]?fd)\\b", "好的，适配器改用CAN FD。",
                    "The adapter uses CAN FD.")
      << switchRule(A::SwitchToRadPerSecond, "(?:rad/s|rads|弧度)", "\\b(?:rad/s|rads|radians?)",
                    "好的，速度单位改为rad/s。", "Velocities are shown in rad/s.")
      << switchRule(A::SwitchToRpm, "(?:rpm|转每分)", "\\brpm\\b", "好的，速度单位改为RPM。", "Velocities are shown in RPM.")
      << switchRule(A::SwitchToAscii, "(?:ascii|文本|字符)", "\\b(?:ascii|text)\\b", "好的，终端改为文本（ASCII）显示。",
                    "The terminal shows text (ASCII).")
      << switchRule(A::SwitchToHex, "(?:hex|十六进制|16进制)", "\\b(?:hex|hexadecimal)\\b",
                    "好的，终端改为十六进制（HEX）显示。", "The terminal shows hexadecimal bytes (HEX).");

    r << rule(A::EnableMotor, "电机使能|使能电机|(?<!失)使能|上使能|启动电机",
              "\\b(?:enable|arm|activate|energi[sz]e|start)\\b.*\\bmotor\\b|\\bmotor\\b.*\\b(?:enable|on)\\b"
              "|^(?:please )?enable(?: it)?$|\\b(?:turn|switch|power) on\\b.*\\bmotor\\b",
              V::None, "好的，电机马上进入使能状态，请注意安全。", "The motor is being enabled; keep clear of it.")
      << rule(A::DisableMotor, "电机失能|失能电机|失能|下使能|关闭电机|停止电机|停机",
              "\\b(?:disable|disarm|deactivate|de-?energi[sz]e)\\b.*\\bmotor\\b|\\bmotor\\b.*\\b(?:disable|off)\\b"
              "|^(?:please )?disable(?: it)?$|\\b(?:turn|switch|power) off\\b.*\\bmotor\\b|\\bstop the motor\\b",
              V::None, "好的，电机马上退出使能。", "The motor is being disabled.");
    return r;
}

const QRegularExpression &setVerb()
{
    static const QRegularExpression re(QString::fromUtf8(
        "设置|设为|设成|设定|设到|设|改为|改成|改到|调为|调成|调到|调整|修改|填为|填成|写为|定为|=|:"
        "|\\b(?:set|change|make|adjust|put|update|configure|modify)\\b"));
    return re;
}

const QRegularExpression &numberRx()
{
    static const QRegularExpression re(QString::fromUtf8(
        "(负|-|\\+)?\\s*(0x[0-9a-f]+|\\d+(?:\\.\\d+)?|\\.\\d+)(e[-+]?\\d+)?"
        "(?:\\s*(mbps|kbps|bps|mbit/s|kbit/s|mbit|kbit|m|k)(?![a-z]))?"));
    return re;
}

const QRegularExpression &markerBefore()
{
    static const QRegularExpression re(QString::fromUtf8("(?:\\bto|\\bas|\\bat|=|:|为|成|到|是|设)\\s*$"));
    return re;
}

struct Number {
    bool found = false;
    bool negative = false;
    bool hex = false;
    QString digits;   // as typed, without sign
    QString exponent; // "e-3" or empty
    QString unit;     // baud units only
};

Number findNumber(const QString &text)
{
    QList<QRegularExpressionMatch> matches;
    auto it = numberRx().globalMatch(text);
    while (it.hasNext())
        matches << it.next();
    if (matches.isEmpty()) {
        Number n;
        if (QRegularExpression("\\bzero\\b").match(text).hasMatch()) {
            n.found = true;
            n.digits = "0";
        }
        return n;
    }
    // The number after "to" / "为" is the value; otherwise the last one said.
    QRegularExpressionMatch chosen = matches.last();
    for (const QRegularExpressionMatch &m : matches) {
        if (markerBefore().match(text.left(m.capturedStart())).hasMatch()) {
            chosen = m;
            break;
        }
    }
    Number n;
    n.found = true;
    n.negative = !chosen.captured(1).isEmpty() && chosen.captured(1) != "+";
    n.digits = chosen.captured(2);
    n.hex = n.digits.startsWith("0x");
    n.exponent = chosen.captured(3);
    n.unit = chosen.captured(4);
    return n;
}

QString formatBaud(double bps)
{
    if (bps >= 1e6)
        return QString::number(bps / 1e6, 'g', 6) + "M";
    return QString::number(bps / 1e3, 'g', 6) + "K";
}

// Bit rate in bit/s from what the user typed: "1000000", "1M", "500 kbps", "500".
bool baudFromNumber(const Number &n, double *bps)
{
    if (n.negative || n.hex || !n.exponent.isEmpty())
        return false;
    bool ok = false;
    const double v = n.digits.toDouble(&ok);
    if (!ok || v <= 0)
        return false;
    const QString u = n.unit;
    if (u.startsWith('m'))
        *bps = v * 1e6;
    else if (u.startsWith('k'))
        *bps = v * 1e3;
    else if (u == "bps" || v >= 10000)
        *bps = v;
    else if (v <= 10) // "2.5" alone means 2.5 Mbit/s
        *bps = v * 1e6;
    else              // "500" alone means 500 kbit/s
        *bps = v * 1e3;
    *bps = std::round(*bps);
    return true;
}

ParsedValue invalid(const QString &zh, const QString &en)
{
    ParsedValue p;
    p.status = ParsedValue::Invalid;
    p.zhHint = zh;
    p.enHint = en;
    return p;
}

ParsedValue ok(const QString &value)
{
    ParsedValue p;
    p.status = ParsedValue::Ok;
    p.value = value;
    return p;
}

ParsedValue pickBaud(const Number &n, const QStringList &allowed, const QString &zhName, const QString &enName)
{
    double bps = 0;
    if (baudFromNumber(n, &bps)) {
        const QString text = formatBaud(bps);
        if (allowed.contains(text))
            return ok(text);
    }
    return invalid(QString("%1只能选：%2。").arg(zhName, allowed.join("、")),
                   QString("The %1 must be one of %2.").arg(enName, allowed.join(", ")));
}

bool parseId(const Number &n, uint *id)
{
    if (n.negative || !n.exponent.isEmpty() || n.digits.contains('.'))
        return false;
    bool ok = false;
    *id = n.hex ? n.digits.mid(2).toUInt(&ok, 16) : n.digits.toUInt(&ok, 10);
    return ok && *id <= 0x7FF;
}

} // namespace

QString normalizeText(const QString &text)
{
    return text.normalized(QString::NormalizationForm_KC).toLower().simplified();
}

bool containsChinese(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

QStringList splitClauses(const QString &normalized)
{
    static const QRegularExpression sep(QString::fromUtf8(
        "(?<!\\d),|,(?!\\d)|[;!?。、\\n]|\\.(?=\\s|$)|\\b(?:and then|then|and|but|also|after that|afterwards)\\b"
        "|然后|接着|并且|同时|之后|但是|再"));
    QStringList out;
    for (const QString &part : normalized.split(sep, Qt::SkipEmptyParts)) {
        const QString p = part.trimmed();
        if (!p.isEmpty())
            out << p;
    }
    return out;
}

const QList<IntentRule> &intentRules()
{
    static const QList<IntentRule> rules = buildRules();
    return rules;
}

Intent recogniseIntent(const QString &clause)
{
    // A field named without a value is the weakest reading: "速度单位改为rad/s" names
    // the velocity but asks for a unit. Any later rule that fits better wins.
    Intent missingValue;
    for (const IntentRule &r : intentRules()) {
        QRegularExpressionMatch m = r.zh.pattern().isEmpty() ? QRegularExpressionMatch() : r.zh.match(clause);
        if (!m.hasMatch() && !r.en.pattern().isEmpty())
            m = r.en.match(clause);
        if (!m.hasMatch())
            continue;
        Intent intent;
        intent.rule = &r;
        if (r.kind == ValueKind::None)
            return intent;
        // The field's own name may hold digits ("gref2"); the value is looked for
        // in what remains.
        QString rest = clause;
        rest.remove(m.capturedStart(), m.capturedLength());
        const bool asked = setVerb().match(rest).hasMatch();
        const bool hasNumber = numberRx().match(rest).hasMatch();
        if (!asked && !hasNumber)
            continue;
        intent.value = parseValue(r.kind, rest);
        if (intent.value.status == ParsedValue::Missing) {
            if (!missingValue.rule)
                missingValue = intent;
            continue;
        }
        return intent;
    }
    return missingValue;
}

bool isNegated(const QString &clause)
{
    static const QRegularExpression re(QString::fromUtf8(
        "\\b(?:don't|dont|do not|never|no need to|not)\\b|不要|不用|无需|不必|(?<![识区分级类告])别"));
    return re.match(clause).hasMatch();
}

bool isQuestion(const QString &message)
{
    static const QRegularExpression asking(QString::fromUtf8(
        "\\b(?:how|what|what's|whats|why|where|when|which|who|explain)\\b|\\btell me about\\b|\\bis there\\b"
        "|如何|怎么|怎样|为什么|为何|什么|哪|是否|啥|介绍一下|说明一下"));
    if (asking.match(message).hasMatch())
        return true;
    static const QRegularExpression request(QString::fromUtf8(
        "^(?:please |pls |kindly )?(?:can|could|would|will) you\\b|\\bplease\\b|帮我|帮忙|麻烦|给我|(?<!请问)请(?!问)"));
    if (request.match(message).hasMatch())
        return false;
    const QString m = message.trimmed();
    return m.endsWith('?') || m.endsWith(QString::fromUtf8("吗")) || m.endsWith(QString::fromUtf8("吗?"))
           || m.endsWith(QString::fromUtf8("呢")) || m.startsWith(QString::fromUtf8("请问"))
           || QRegularExpression("^(?:is|are|does|do|can i|should|could i|shall)\\b").match(m).hasMatch();
}

ParsedValue parseValue(ValueKind kind, const QString &given)
{
    // "1,000,000" groups thousands; "1,5" may be a decimal comma. Bit rates are
    // whole numbers, so grouping is the only reading there; elsewhere ask again
    // rather than guess a number that moves the motor.
    QString rest = given;
    static const QRegularExpression grouped("\\d{1,3}(?:,\\d{3})+(?![\\d.])");
    static const QRegularExpression digitComma("\\d,\\d");
    const bool isBaud = kind == ValueKind::SerialBaud || kind == ValueKind::NominalBaud
                        || kind == ValueKind::DataBaud || kind == ValueKind::MotorBaud;
    if (isBaud) {
        QRegularExpressionMatch g = grouped.match(rest);
        while (g.hasMatch()) {
            rest.replace(g.capturedStart(), g.capturedLength(), g.captured().remove(','));
            g = grouped.match(rest);
        }
    }
    if (digitComma.match(rest).hasMatch())
        return invalid("数值请用小数点，不要用逗号分隔，例如1.5。",
                       "Please write the number with a decimal point and without commas, e.g. 1.5.");
    const Number n = findNumber(rest);
    if (!n.found)
        return {};

    switch (kind) {
    case ValueKind::None:
        return {};
    case ValueKind::Real: {
        if (n.hex)
            return invalid("这里需要一个十进制数。", "That needs a decimal number.");
        QString digits = n.digits;
        if (digits.startsWith('.'))
            digits.prepend('0');
        return ok((n.negative ? "-" : "") + digits + n.exponent);
    }
    case ValueKind::Count:
        if (n.negative || n.hex || !n.exponent.isEmpty() || n.digits.contains('.'))
            return invalid("这里需要一个不小于0的整数。", "That needs a whole number of at least 0.");
        return ok(QString::number(n.digits.toULongLong()));
    case ValueKind::SerialBaud: {
        static const QList<qint64> rates = {4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200, 460800, 921600, 4000000};
        QStringList texts;
        for (qint64 r : rates)
            texts << QString::number(r);
        double bps = 0;
        if (!n.negative && !n.hex && n.exponent.isEmpty()) {
            bool good = false;
            const double v = n.digits.toDouble(&good);
            bps = n.unit.startsWith('m') ? v * 1e6 : n.unit.startsWith('k') ? v * 1e3 : v;
            if (good && rates.contains(qint64(std::round(bps))))
                return ok(QString::number(qint64(std::round(bps))));
        }
        return invalid(QString("串口波特率只能选：%1。").arg(texts.join("、")),
                       QString("The serial baud rate must be one of %1.").arg(texts.join(", ")));
    }
    case ValueKind::NominalBaud:
        return pickBaud(n, {"1M", "500K", "250K", "200K", "125K", "100K"}, "CAN仲裁域波特率", "CAN arbitration baud rate");
    case ValueKind::DataBaud:
        return pickBaud(n, {"5M", "4M", "3.2M", "2.5M", "2M", "1M", "500K", "250K", "200K", "125K", "100K"},
                        "数据域波特率", "data-phase baud rate");
    case ValueKind::MotorBaud:
        return pickBaud(n, {"125K", "200K", "250K", "500K", "1M", "2M", "2.5M", "3.2M", "4M", "5M"}, "电机的CAN波特率",
                        "motor CAN baud rate");
    case ValueKind::CanId: {
        uint id = 0;
        if (!parseId(n, &id))
            return invalid("CAN ID必须是0到2047（0x7FF）之间的整数。", "A CAN ID is a whole number from 0 to 2047 (0x7FF).");
        return ok(QString::number(id));
    }
    case ValueKind::MasterId: {
        uint id = 0;
        if (!parseId(n, &id))
            return invalid("MASTER ID必须是0到2047（0x7FF）之间的整数。",
                           "A master ID is a whole number from 0 to 2047 (0x7FF).");
        return ok("0x" + QString::number(id, 16));
    }
    }
    return {};
}
