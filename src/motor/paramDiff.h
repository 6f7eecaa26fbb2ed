#pragma once

#include "motor/escInf.h"

#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// What a write would change on the motor: the registers whose bits differ between what
// the motor holds and what would be sent. Floats compare as their 32 bits, never as text,
// so a value that differs only in its last bit is a difference.

struct RegisterDiffRow
{
    int rid = 0;
    uint32_t motorRaw = 0; // what the motor holds
    uint32_t newRaw = 0;   // what the write would send
    bool write = true;     // unticked: the motor keeps its value
};

// The unit a register's value is in ("V", "℃", "rad/s"), empty where it has none.
QString registerUnit(int rid);

// Every register of `rids` whose bits differ, in register order.
QList<RegisterDiffRow> diffRegisters(const ESC_INF &motor, const ESC_INF &target, const QList<int> &rids);
// `target` with every unticked row back at the motor's value.
ESC_INF applyDiffSelection(const ESC_INF &motor, const ESC_INF &target, const QList<RegisterDiffRow> &rows);
// The registers of the ticked rows.
QList<int> tickedRegisters(const QList<RegisterDiffRow> &rows);

// "KP_ASR  0.5 -> 0.75 " lines: register, motor's value, new value, unit, aligned.
QStringList diffTableLines(const QList<RegisterDiffRow> &rows);
// [{"register": name, "rid": n, "motor": value, "new": value, "unit": text}, ...]; values
// as the parameter file writes them, so equal-looking floats still show their bits.
QJsonArray diffJson(const QList<RegisterDiffRow> &rows);
// A register's raw value as the parameter file writes it.
QString rawValueText(int rid, uint32_t raw);

// The comment lines an export begins with, which the import skips. Files without them
// import as before; an import that predates them skips them as malformed lines.
struct ParameterFileHeader
{
    QString toolVersion;
    QDateTime time;
    uint32_t canid = 0;
    uint32_t masterid = 0;
    QString appVersion;    // empty when not read
    QString loaderVersion;
};
// "# zktool 1.4.0\n# exported 2026-12-07 21:30:05\n# motor CAN ID 0x01 master ID 0x11\n..."
QString parameterFileHeaderText(const ParameterFileHeader &header);
// True for a line the import skips without counting it as malformed.
bool isParameterCommentLine(const QString &line);
