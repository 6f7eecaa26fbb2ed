#pragma once

#include "chat/commandTable.h"

#include <QList>
#include <QRegularExpression>
#include <QString>

// Recognises what a user asks the tool to do, in Chinese or English, and the value
// that goes with it. Works on one clause at a time (see splitClauses).

// How the value of a row is read from the user's words and written for the tool.
enum class ValueKind {
    None,       // a command: no value
    Real,       // any decimal number
    Count,      // a whole number >= 0
    SerialBaud, // one of the serial port rates, written in decimal
    NominalBaud,// an arbitration-phase rate of the adapter, written "1M", "500K"
    DataBaud,   // a data-phase rate of the adapter
    MotorBaud,  // a value of the motor's can_br register ("125K" .. "5M")
    CanId,      // 0..0x7FF, written in decimal (the tool parses it so)
    MasterId,   // 0..0x7FF, written "0x.." (the tool shows and parses it in hexadecimal)
};

struct IntentRule {
    ChatAction action;
    QRegularExpression zh;
    QRegularExpression en;
    ValueKind kind = ValueKind::None;
    QString zhName; // value rows: what the field is called; commands: what is done
    QString enName;
};

struct ParsedValue {
    enum Status { Missing, Invalid, Ok } status = Missing;
    QString value;   // Ok: the text the tool receives
    QString zhHint;  // Invalid: why, in Chinese
    QString enHint;  // ... and in English
};

struct Intent {
    const IntentRule *rule = nullptr;
    ParsedValue value;
};

// Lower case, full-width forms folded to ASCII, runs of white space made single.
QString normalizeText(const QString &text);
bool containsChinese(const QString &text);

// One request per clause: "enable the motor and switch to velocity mode" gives two.
QStringList splitClauses(const QString &normalized);

const QList<IntentRule> &intentRules();

// The first rule the clause asks for; rule == nullptr when none. Value rows need a
// verb of setting or a number in the clause, so that merely naming a field ("the
// position") is no request.
Intent recogniseIntent(const QString &normalizedClause);

// The clause says not to do something ("don't", "不要").
bool isNegated(const QString &normalizedClause);
// The message asks how, what or why rather than asking for an action.
bool isQuestion(const QString &normalizedMessage);

ParsedValue parseValue(ValueKind kind, const QString &clauseWithoutField);
