#pragma once

#include <QString>
#include <QStringList>

// The phrases that let the assistant operate the tool. Each sentence of an assistant
// reply is tested against the rows in table order and the first row found wins. This
// file depends on Qt Core only: the shipped assistant program compiles it too, so that
// what it says and what the tool recognises can never drift apart.

enum class ChatAction {
    // Commands
    RefreshPorts,
    OpenPort,
    ClosePort,
    ClearData,
    SwitchToUart,
    SwitchToCan,
    IdentifyParameters,
    ReadParameters,
    WriteParameters,
    EnableMotor,
    DisableMotor,
    SetZero,
    StopDebugSend,
    StartDebugSend,
    ClearFault,
    UpdateDebugData,
    ReadId,
    WriteId,
    RefreshDevices,
    ApplyFdcanConfig,
    Calibrate,
    ReadVersion,
    QualityAnalysis,
    SwitchToCan20,
    SwitchToFdcan,
    SwitchToRadPerSecond,
    SwitchToRpm,
    SwitchToAscii,
    SwitchToHex,
    SelectMitTab,
    SelectPositionTab,
    SelectVelocityTab,
    SelectPvtTab,
    // Values
    SetSerialBaud,
    SetCanBaud,
    SetDataBaud,
    SetArbitrationBaud,
    SetPosition,
    SetVelocity,
    SetKp,
    SetKd,
    SetTorque,
    SetCurrent,
    SetPolePairs,
    SetGearRatio,
    SetOverCurrent,
    SetUnderVoltage,
    SetOverVoltage,
    SetOverTemperature,
    SetAcceleration,
    SetDeceleration,
    SetSpeedLimit,
    SetCurrentLoopGain,
    SetSpeedLoopGain,
    SetSpeedFilterBandwidth,
    SetCanId,
    SetMasterId,
    SetCanTimeout,
    SetCanBr,
    SetPmax,
    SetVmax,
    SetTmax,
    SetKtOut,
    SetGearFactor,
    SetDampingFactor,
    SetModeMit,
    SetModePositionVelocity,
    SetModeVelocity,
    SetModePvt,
    SetSpeedKp,
    SetSpeedKi,
    SetPositionKp,
    SetPositionKi,
    // Ends every sending road and disables every motor the tool enabled.
    StopAll,
};

// What a row does to its target widget when the owner registers no handler of its own.
enum class ChatTarget {
    None,         // no widget: only a registered handler can carry the row out
    Text,         // the value becomes the widget's text
    ComboItem,    // the combo item whose display text equals the value
    ComboItemBps, // the combo item whose display text is the value followed by "bps"
    ComboText,    // the combo's current text is set to the value
    ComboIndex,   // combo item `index`
    TabIndex,     // tab `index` of a tab bar
    Switch,       // a switch turned on (index 1) or off (index 0)
};

struct ChatCommand {
    QString phrase;       // found anywhere in the sentence
    ChatAction action;
    QString announce;     // value rows: the text that precedes the value; empty otherwise
    QString target;       // object name of the widget the row acts on; empty for none
    ChatTarget targetKind = ChatTarget::None;
    int index = 0;        // ComboIndex / TabIndex: the index; Switch: 1 on, 0 off

    bool takesValue() const { return !announce.isEmpty(); }
    bool isComboBox() const
    {
        return targetKind == ChatTarget::ComboItem || targetKind == ChatTarget::ComboItemBps
               || targetKind == ChatTarget::ComboText || targetKind == ChatTarget::ComboIndex;
    }
    // The text to select in a combo box for this value ("1M" -> "1Mbps" where the items
    // carry the unit); the value itself for every other row.
    QString comboText(const QString &value) const
    {
        return targetKind == ChatTarget::ComboItemBps ? value + QStringLiteral("bps") : value;
    }
};

// All rows, commands first, then value rows, in the order they are tested.
const QList<ChatCommand> &chatCommandTable();
// The row of an action; nullptr for none (never for a declared action).
const ChatCommand *chatCommandFor(ChatAction action);

struct ChatCommandMatch {
    const ChatCommand *command = nullptr; // nullptr: no phrase in the sentence
    QString value;                        // value rows only
    explicit operator bool() const { return command != nullptr; }
};

// Tests one sentence of an assistant reply. Every "!" is removed first; a row matches
// when the sentence holds its phrase or, for a value row, its announcing phrase. The
// value is the rest of the sentence with every occurrence of the announcing phrase
// removed, trimmed, without a trailing sentence delimiter.
ChatCommandMatch matchChatCommand(const QString &sentence);

// True when a message typed into the chat asks to stop everything ("停止", "stop",
// "停止全部", "stop all", "急停"): the tool acts on it at once, without the assistant.
bool isStopAllRequest(const QString &message);

// The sentence the assistant says to trigger a row: the phrase and "!" for a command,
// the announcing phrase, the value and "!" for a value row.
QString chatConfirmation(const ChatCommand &command, const QString &value = QString());
