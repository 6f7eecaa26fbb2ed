#pragma once

#include "motor/escInf.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What the parameter registers may hold before a write, in one place for the window, the
// chat (which writes through the window) and the command-line tool.

// One reason a write must not go out, naming the fields concerned.
struct ParameterProblem
{
    QList<int> rids;   // the register, or the pair of a relation
    QString text;      // translated
};

// How a register is called in a problem's text: the window adds its caption, the command
// line uses the register's name (the default).
using RegisterNamer = std::function<QString(int rid)>;

// The registers `rids` of `record` as a write would send them. Each against its own
// range: control mode 1 … 4 and can_br 0 … 9 (the choices the window offers), PMAX, VMAX,
// TMAX above 0 (their mapping range is [-x, x]), IDs within 11 bits, the protection
// limits above 0, bandwidths and loop gains not negative, every float finite. Then the
// relations a controller needs among them: under-voltage below over-voltage, and the
// master ID apart from the motor's own command IDs (ID, 0x100 + ID, 0x200 + ID,
// 0x300 + ID) and from 0x7FF, the ID of every register and ID frame. Empty when the
// write may go out.
QList<ParameterProblem> checkParameters(const ESC_INF &record, const QList<int> &rids,
                                        const RegisterNamer &name = {});
// Only the ranges of each register, for values given before the rest of the record is
// known (the command line checks its arguments before it reads the motor).
QList<ParameterProblem> checkRegisterRanges(const ESC_INF &record, const QList<int> &rids,
                                            const RegisterNamer &name = {});
QStringList parameterProblemTexts(const QList<ParameterProblem> &problems);

// Registers the tool shows but never lets the user change: a CAN write skips them and a
// console write sends back what was read (the motor's CAN ID changes through Set ID in
// CAN mode). The reason, translated, for the field's tool tip; empty for the others.
QString readOnlyParameterReason(int rid);

// An import brings a file's registers into `record`, which holds the motor's current
// ones. It never takes the file's IDs (MST_ID, ESC_ID) unless `takeIds`: two motors with
// one master ID answer over each other.
struct ParameterImport
{
    bool ok = false;
    QString error;         // translated
    int applied = 0;       // lines stored
    int skipped = 0;
    int filled = 0;        // registers whose value the file changed
    bool idsDiffer = false; // the file names other IDs than `record`
    uint fileMasterId = 0, fileCanId = 0;
};
// `keep`: registers that stay as they are whatever the file says (fields the page shows
// read-only keep what the motor reported).
ParameterImport importParameterText(const QString &text, ESC_INF &record, bool takeIds,
                                    const QList<int> &keep = {});
