#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "tuning/tuningTest.h"

// What the command line asks for, checked in full before anything is opened or sent.

// Exit codes: one per way a command can end, so that scripts can tell them apart.
enum class CliExit {
    Done = 0,
    Failed = 1,    // anything else (a file that cannot be written)
    BadInput = 2,  // unknown command, value out of range, missing file
    NoAdapter = 3, // the adapter cannot be opened or went away
    NoAnswer = 4,  // the motor (or the adapter) did not answer in time
    Refused = 5,   // the motor answered but did not do what was asked
};
// "done", "failed", "bad-input", "no-adapter", "no-answer", "refused"
QString cliExitName(CliExit code);

struct CliRequest
{
    enum class Command {
        Ports, Scan, Read, Write, Save, Export, Import, SetId, Enable, Disable, Zero, ClearFault, Version, Upgrade,
        Tune, Decode, Diff, Report
    };
    enum class Adapter { Serial, Usb, CanBus };

    Command command = Command::Ports;
    QString commandName;
    QString file;                           // export, import, upgrade, decode
    QList<QPair<int, quint32>> assignments; // write: register number and raw value
    QString importText;                     // import: the file's content, read once
    QByteArray firmware;                    // upgrade: the image, read once
    QString firmwareName;                   // upgrade: the name the tool shows for it
    Tuning::Test tune;                      // tune: the test, checked against the panel's ranges
    QString tuneSave;                       // tune: the bench file to write the run into
    QString tuneCsv;                        // tune: the CSV to export the run to

    Adapter adapter = Adapter::Serial;
    QString port;
    QString canBusPlugin;
    QString canBusInterface;
    bool hasId = false;
    quint32 id = 0;
    bool hasMaster = false;
    quint32 master = 0;
    bool json = false;
    bool importIds = false;                 // import: the file's master ID is written too
    bool force = false;                     // upgrade: a file not named as a motor image
    bool fromFile = false;                  // write, report: `file` is the parameter file to compare with
    QString note;                           // report: the operator's note
    int timeoutMs = 1000;
    bool timeoutGiven = false; // the upgrade keeps the bootloader's own waits otherwise
    bool simulate = false;
    int simMotors = 2;

    bool talksToMotor() const
    {
        return command != Command::Ports && command != Command::Scan && command != Command::SetId
               && command != Command::Decode;
    }
    // Works on a file alone: no adapter is opened.
    bool offline() const { return command == Command::Ports || command == Command::Decode; }
};

struct CliParse
{
    enum class Outcome { Run, Help, Version, Error };
    Outcome outcome = Outcome::Error;
    QString error; // Error: what is wrong, naming the option or argument
    CliRequest request;
};

// `arguments` without the program name.
CliParse parseCliArguments(const QStringList &arguments);
QString cliUsage();

// A number as typed: decimal, or hexadecimal after "0x"; no sign, no blanks. False when it
// is no such number or above `max`.
bool parseCliNumber(const QString &text, quint64 max, quint32 *value);
