#include "cli/cliRequest.h"

#include "link/canbus/qtCanBusAdapter.h"

#include "firmware/firmwareImage.h"
#include "motor/escInf.h"
#include "motor/motorIds.h"
#include "motor/motorProtocol.h"
#include "motor/paramRegisters.h"
#include "motor/paramRules.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace {

struct CommandInfo {
    const char *name;
    CliRequest::Command command;
    int files; // positional arguments after the command: 0, 1 (FILE) or -1 (NAME=VALUE ...)
};

const CommandInfo kCommands[] = {
    {"ports", CliRequest::Command::Ports, 0},         {"scan", CliRequest::Command::Scan, 0},
    {"read", CliRequest::Command::Read, 0},           {"write", CliRequest::Command::Write, -1},
    {"save", CliRequest::Command::Save, 0},           {"export", CliRequest::Command::Export, 1},
    {"import", CliRequest::Command::Import, 1},       {"set-id", CliRequest::Command::SetId, 0},
    {"enable", CliRequest::Command::Enable, 0},       {"disable", CliRequest::Command::Disable, 0},
    {"zero", CliRequest::Command::Zero, 0},           {"clear-fault", CliRequest::Command::ClearFault, 0},
    {"version", CliRequest::Command::Version, 0},     {"upgrade", CliRequest::Command::Upgrade, 1},
    {"tune", CliRequest::Command::Tune, 1},
    {"decode", CliRequest::Command::Decode, 1},       {"diff", CliRequest::Command::Diff, 1},
    {"report", CliRequest::Command::Report, 0},
};

constexpr int kMaxTimeoutMs = 600000;
constexpr int kMaxSimMotors = 8;

QString hex(quint32 v) { return QString("0x%1").arg(v, 2, 16, QLatin1Char('0')); }

// The values a register can take from the tool: a finite float, a 32-bit unsigned integer,
// an ID within 11 bits. The motor may still refuse a value (it then keeps its own).
bool parseAssignment(const QString &text, int &rid, quint32 &raw, QString &error)
{
    const int eq = int(text.indexOf('='));
    if (eq <= 0) {
        error = QString("\"%1\" is no NAME=VALUE assignment").arg(text);
        return false;
    }
    QString name = text.left(eq);
    const QString value = text.mid(eq + 1);
    if (name == QLatin1String("Deta")) // the parameter file's name for GREF2
        name = QStringLiteral("GREF2");
    rid = ESC_INF::staticMetaObject.indexOfProperty(name.toLatin1().constData());
    if (rid < 0 || rid >= ESC_INF::FieldCount) {
        error = QString("no register named \"%1\"").arg(text.left(eq));
        return false;
    }
    if (!isCanWritableRegister(rid)) {
        error = QString("register %1 (%2) is not written by write%3")
                    .arg(name)
                    .arg(rid)
                    .arg(name == QLatin1String("ESC_ID") ? "; set-id changes the CAN ID" : "");
        return false;
    }
    if (ESC_INF::isFloatRegister(rid)) {
        bool ok = false;
        const double d = value.trimmed().toDouble(&ok);
        const float f = float(d);
        if (!ok || value.trimmed() != value || !std::isfinite(f)) {
            error = QString("%1: \"%2\" is no finite number").arg(name, value);
            return false;
        }
        std::memcpy(&raw, &f, 4);
        return true;
    }
    if (!parseCliNumber(value, 0xFFFFFFFFu, &raw)) {
        error = QString("%1: \"%2\" is no unsigned 32-bit integer").arg(name, value);
        return false;
    }
    return true;
}

// Each value against its own register's range; the relations between registers are
// judged once the motor's other registers are known, before anything is written.
bool assignmentsWritable(const ESC_INF &record, const QList<int> &rids, QString &error)
{
    const QStringList problems = parameterProblemTexts(checkRegisterRanges(record, rids));
    if (problems.isEmpty())
        return true;
    error = problems.join("; ");
    return false;
}

// The tune command's test, checked against the control panel's default ranges (the motor's
// own PMAX and VMAX are read and checked again before it moves). Empty when sound.
QString parseTune(const QCommandLineParser &p, const QCommandLineOption &step, const QCommandLineOption &sweep,
                  const QCommandLineOption &duration, const QCommandLineOption &repeat, const QCommandLineOption &fromHz,
                  const QCommandLineOption &toHz, const QCommandLineOption &period,
                  const QCommandLineOption &speedLimit, const QString &size, Tuning::Test &t)
{
    if (p.isSet(step) == p.isSet(sweep))
        return "tune needs either --step KIND or --sweep KIND";
    t.signal = p.isSet(step) ? Tuning::Signal::Step : Tuning::Signal::Sweep;
    const QString kind = p.value(p.isSet(step) ? step : sweep);
    if (kind != QLatin1String("position") && kind != QLatin1String("velocity"))
        return QString("--%1 %2: position or velocity").arg(p.isSet(step) ? "step" : "sweep", kind);
    t.quantity = kind == QLatin1String("position") ? Tuning::Quantity::Position : Tuning::Quantity::Velocity;
    if (t.signal == Tuning::Signal::Sweep && (!p.isSet(fromHz) || !p.isSet(toHz)))
        return "--sweep needs --from HZ and --to HZ";
    auto number = [&](const QString &text, const QString &what, double &out) {
        bool ok = false;
        out = text.trimmed().toDouble(&ok);
        return ok && text.trimmed() == text && std::isfinite(out) ? QString() : QString("%1 \"%2\" is no number").arg(what, text);
    };
    QString e = number(size, "size", t.size);
    const QList<QPair<const QCommandLineOption *, double *>> reals = {
        {&duration, &t.durationS}, {&fromHz, &t.fromHz}, {&toHz, &t.toHz}, {&speedLimit, &t.speedLimit}};
    for (const auto &o : reals)
        if (e.isEmpty() && p.isSet(*o.first))
            e = number(p.value(*o.first), "--" + o.first->names().constFirst(), *o.second);
    for (const auto &o : {qMakePair(&repeat, &t.repeats), qMakePair(&period, &t.periodMs)}) {
        quint32 n = 0;
        if (e.isEmpty() && p.isSet(*o.first)) {
            if (!parseCliNumber(p.value(*o.first), 1000000, &n))
                e = QString("--%1 %2 is no whole number").arg(o.first->names().constFirst(), p.value(*o.first));
            *o.second = int(n);
        }
    }
    if (!e.isEmpty())
        return e;
    return Tuning::validate(t, Tuning::Limits());
}

} // namespace

QString cliExitName(CliExit code)
{
    switch (code) {
    case CliExit::Done: return QStringLiteral("done");
    case CliExit::Failed: return QStringLiteral("failed");
    case CliExit::BadInput: return QStringLiteral("bad-input");
    case CliExit::NoAdapter: return QStringLiteral("no-adapter");
    case CliExit::NoAnswer: return QStringLiteral("no-answer");
    case CliExit::Refused: return QStringLiteral("refused");
    }
    return QString();
}

bool parseCliNumber(const QString &text, quint64 max, quint32 *value)
{
    static const QRegularExpression form(QStringLiteral("^(0[xX][0-9a-fA-F]{1,8}|[0-9]{1,10})$"));
    if (!form.match(text).hasMatch())
        return false;
    bool ok = false;
    const quint64 v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toULongLong(&ok, 16)
                                                                                : text.toULongLong(&ok, 10);
    if (!ok || v > max)
        return false;
    *value = quint32(v);
    return true;
}

QString cliUsage()
{
    return QStringLiteral(
        "usage: zktool-cli [options] COMMAND [ARGUMENTS]\n"
        "\n"
        "Commissions CAN-bus servo motors without a window.\n"
        "\n"
        "Commands:\n"
        "  ports               list serial ports, USB CAN FD adapters and CAN interfaces\n"
        "  scan                probe the motor IDs 0x00..0x7f; lists CAN ID, master ID, bit rate\n"
        "                      (with --id: fails unless that motor answers)\n"
        "  read                read all parameter registers of motor --id\n"
        "  write NAME=VALUE... read all registers, change the named ones, write them back;\n"
        "                      the motor saves them to flash\n"
        "  save                save the motor's registers to flash\n"
        "  export FILE         read all registers into a parameter file\n"
        "  import FILE         write a parameter file's registers to the motor (saved); the\n"
        "                      motor keeps its master ID unless --import-ids is given\n"
        "  write --from FILE   write only the registers where FILE differs from the motor (saved)\n"
        "  diff FILE           the registers where FILE differs from the motor: register, motor's\n"
        "                      value, file's value, unit (floats compared bit for bit)\n"
        "  report              the motor's commissioning record: IDs, bit rate, versions, every\n"
        "                      register (with --from FILE its differences, --note TEXT a note)\n"
        "  set-id              give the one motor on the bus the CAN ID --id and master ID --master\n"
        "                      (refused unless exactly one motor answers a scan)\n"
        "  enable, disable, zero, clear-fault\n"
        "                      enter or leave motor mode, save the position as zero, clear a fault\n"
        "  version             read the motor's application and bootloader versions\n"
        "  upgrade FILE        send the firmware image FILE (.bin) to the motor's bootloader;\n"
        "                      prints the versions before and after\n"
        "  tune --step KIND SIZE | --sweep KIND AMPLITUDE --from HZ --to HZ\n"
        "                      step (position or velocity: SIZE from where the motor stands,\n"
        "                      held, then back) or sine sweep; prints rise time, overshoot,\n"
        "                      settling time, steady-state error and peak torque, or gain and\n"
        "                      phase per frequency and the -3 dB bandwidth. The motor is enabled\n"
        "                      for the test and disabled afterwards (Ctrl-C too). --duration S\n"
        "                      (each hold / one sweep, default 1), --repeat N, --period MS (one\n"
        "                      command each, default 1), --speed-limit RAD_S (position, default\n"
        "                      10), --save FILE (bench file), --csv FILE; a negative SIZE after --\n"
        "  decode FILE         print a can-utils recording (candump -l) with what each frame\n"
        "                      means to a motor (start-up mapping ranges); no adapter\n"
        "\n"
        "Options:\n"
        "  --port PATH         serial port of the adapter (serial: required without --simulate;\n"
        "                      usb: picks the adapter behind that port)\n"
        "  --adapter KIND      serial (default), usb, or canbus:PLUGIN:IFACE (e.g. canbus:socketcan:can0)\n"
        "  --id N              the motor's CAN ID (0..0x4fe; set-id: the new one, 0..0xff)\n"
        "  --master N          the motor's master ID (0..0x7ff; set-id: the new one, 0..0xff)\n"
        "  --json              one JSON object on standard output\n"
        "  --timeout MS        longest wait for an answer (1..600000, default 1000; upgrade:\n"
        "                      each wait for the bootloader, default its own 1.1 to 5.2 s)\n"
        "  --from FILE         write, report: the parameter file to compare with\n"
        "  --from HZ           tune --sweep: the lowest frequency\n"
        "  --note TEXT         report: the operator's note\n"
        "  --import-ids        import, diff, write --from: take the file's master ID too (the CAN ID changes\n"
        "                      only through set-id)\n"
        "  --force             upgrade: send a FILE that is not named .bin\n"
        "  --simulate          simulated adapters with motors 0x01, 0x02 (master 0x11, 0x12)\n"
        "  --sim-motors N      motors on the simulated bus (1..8, default 2)\n"
        "  -h, --help          this text;  -v, --version  the version\n"
        "\n"
        "Numbers are decimal, or hexadecimal after 0x.\n"
        "Exit codes: 0 done, 1 failed, 2 bad input, 3 no adapter, 4 no answer, 5 refused.\n");
}

CliParse parseCliArguments(const QStringList &arguments)
{
    CliParse out;
    CliRequest &r = out.request;
    auto fail = [&out](const QString &error) {
        out.outcome = CliParse::Outcome::Error;
        out.error = error;
        return out;
    };

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "help");
    const QCommandLineOption version({"v", "version"}, "version");
    const QCommandLineOption port("port", "port", "path");
    const QCommandLineOption adapter("adapter", "adapter", "kind");
    const QCommandLineOption id("id", "id", "n");
    const QCommandLineOption master("master", "master", "n");
    const QCommandLineOption json("json", "json");
    const QCommandLineOption timeout("timeout", "timeout", "ms");
    const QCommandLineOption simulate("simulate", "simulate");
    const QCommandLineOption simMotors("sim-motors", "sim-motors", "n");
    const QCommandLineOption step("step", "step", "kind");
    const QCommandLineOption sweep("sweep", "sweep", "kind");
    const QCommandLineOption duration("duration", "duration", "s");
    const QCommandLineOption repeat("repeat", "repeat", "n");
    // A file for write and report, the sweep's lowest frequency for tune.
    const QCommandLineOption from("from", "from", "file|hz");
    const QCommandLineOption toHz("to", "to", "hz");
    const QCommandLineOption period("period", "period", "ms");
    const QCommandLineOption speedLimit("speed-limit", "speed-limit", "rad/s");
    const QCommandLineOption save("save", "save", "file");
    const QCommandLineOption csv("csv", "csv", "file");
    const QList<QCommandLineOption> tuneOptions = {step, sweep, duration, repeat, toHz, period, speedLimit, save, csv};
    const QCommandLineOption importIds("import-ids", "import-ids");
    const QCommandLineOption force("force", "force");
    const QCommandLineOption note("note", "note", "text");
    parser.addOptions({help, version, port, adapter, id, master, json, timeout, simulate, simMotors, importIds, from, note, force});
    parser.addOptions(tuneOptions);
    if (!parser.parse(QStringList{QStringLiteral("zktool-cli")} + arguments))
        return fail(parser.errorText());
    r.json = parser.isSet(json);
    r.importIds = parser.isSet(importIds);
    r.force = parser.isSet(force);
    if (parser.isSet(help) || parser.isSet(version)) {
        out.outcome = parser.isSet(help) ? CliParse::Outcome::Help : CliParse::Outcome::Version;
        return out;
    }
    for (const QCommandLineOption &o : QList<QCommandLineOption>{port, adapter, id, master, timeout, simMotors, from, note} + tuneOptions)
        if (parser.values(o).size() > 1)
            return fail(QString("--%1 given more than once").arg(o.names().constFirst()));

    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return fail("no command given");
    const QString name = args.takeFirst();
    const CommandInfo *info = nullptr;
    for (const CommandInfo &c : kCommands)
        if (name == QLatin1String(c.name))
            info = &c;
    if (!info)
        return fail(QString("unknown command \"%1\"").arg(name));
    r.command = info->command;
    r.commandName = name;

    r.simulate = parser.isSet(simulate);
    if (parser.isSet(simMotors)) {
        quint32 n = 0;
        if (!parseCliNumber(parser.value(simMotors), kMaxSimMotors, &n) || n < 1)
            return fail(QString("--sim-motors %1: 1 to %2 motors").arg(parser.value(simMotors)).arg(kMaxSimMotors));
        r.simMotors = int(n);
    }
    if (parser.isSet(timeout)) {
        quint32 ms = 0;
        if (!parseCliNumber(parser.value(timeout), kMaxTimeoutMs, &ms) || ms < 1)
            return fail(QString("--timeout %1: 1 to %2 ms").arg(parser.value(timeout)).arg(kMaxTimeoutMs));
        r.timeoutMs = int(ms);
        r.timeoutGiven = true;
    }
    r.port = parser.value(port);
    if (parser.isSet(port) && r.port.isEmpty())
        return fail("--port needs a path");

    const QString kind = parser.value(adapter);
    if (kind.isEmpty() || kind == QLatin1String("serial")) {
        r.adapter = CliRequest::Adapter::Serial;
    } else if (kind == QLatin1String("usb")) {
        r.adapter = CliRequest::Adapter::Usb;
    } else if (kind.startsWith(QLatin1String("canbus:"))) {
        // As the window reads it: the interface may hold colons (virtualcan's
        // tcp://host:port/can0).
        if (!QtCanBusAdapter::parseLocation(kind, &r.canBusPlugin, &r.canBusInterface))
            return fail(QString("--adapter %1: canbus:PLUGIN:IFACE, e.g. canbus:socketcan:can0").arg(kind));
        r.adapter = CliRequest::Adapter::CanBus;
        if (r.simulate)
            return fail("--simulate offers the serial and the usb adapter, no CAN interface");
    } else {
        return fail(QString("--adapter %1: serial, usb or canbus:PLUGIN:IFACE").arg(kind));
    }
    if (!r.offline() && r.adapter == CliRequest::Adapter::Serial && r.port.isEmpty() && !r.simulate)
        return fail("the serial adapter needs --port PATH (or --simulate)");

    // IDs: the motor addressed, or for set-id the IDs to assign (one byte each).
    const bool setId = r.command == CliRequest::Command::SetId;
    const bool scan = r.command == CliRequest::Command::Scan;
    const quint32 idMax = setId ? kMaxAssignableId : scan ? quint32(kScanCount - 1) : MaxMotorCanId;
    const quint32 masterMax = setId ? kMaxAssignableId : 0x7FF;
    if (parser.isSet(id)) {
        if (!parseCliNumber(parser.value(id), idMax, &r.id))
            return fail(QString("--id %1: %2 to %3").arg(parser.value(id), hex(0), hex(idMax)));
        r.hasId = true;
    }
    if (parser.isSet(master)) {
        if (!parseCliNumber(parser.value(master), masterMax, &r.master))
            return fail(QString("--master %1: %2 to %3").arg(parser.value(master), hex(0), hex(masterMax)));
        r.hasMaster = true;
    }
    if (r.talksToMotor() && !r.hasId)
        return fail(QString("%1 needs the motor's --id").arg(name));
    if (setId && (!r.hasId || !r.hasMaster))
        return fail("set-id needs the new --id and --master");

    if (info->files == 0 && !args.isEmpty())
        return fail(QString("%1 takes no argument \"%2\"").arg(name, args.first()));
    if (info->files == 1 && args.size() != 1)
        return fail(QString("%1 needs exactly one FILE").arg(name));
    r.note = parser.value(note);
    if (parser.isSet(note) && r.command != CliRequest::Command::Report)
        return fail(QString("--note is for report, not %1").arg(name));
    const bool takesFrom = r.command == CliRequest::Command::Write || r.command == CliRequest::Command::Report;
    if (parser.isSet(from) && !takesFrom && r.command != CliRequest::Command::Tune)
        return fail(QString("--from is for write, report and tune, not %1").arg(name));
    if (parser.isSet(from) && r.command == CliRequest::Command::Write && !args.isEmpty())
        return fail("write takes either NAME=VALUE assignments or --from FILE");
    if (info->files == -1 && args.isEmpty() && !parser.isSet(from))
        return fail(QString("%1 needs at least one NAME=VALUE (or --from FILE)").arg(name));

    if (r.command == CliRequest::Command::Write) {
        ESC_INF only;
        QList<int> seen;
        for (const QString &a : std::as_const(args)) {
            int rid = 0;
            quint32 raw = 0;
            QString error;
            if (!parseAssignment(a, rid, raw, error))
                return fail(error);
            if (seen.contains(rid))
                return fail(QString("%1 given more than once").arg(ESC_INF::propertyName(rid)));
            seen << rid;
            r.assignments.append({rid, raw});
            only.setRawValue(rid, raw);
        }
        QString error;
        if (!assignmentsWritable(only, seen, error))
            return fail(error);
    }
    if (r.command == CliRequest::Command::Export) {
        r.file = args.first();
        const QFileInfo f(r.file);
        const QFileInfo dir(f.absolutePath());
        if (f.isDir())
            return fail(QString("%1 is a folder").arg(r.file));
        if (!dir.isDir() || !dir.isWritable())
            return fail(QString("cannot write into %1").arg(f.absolutePath()));
    }
    // A parameter file to import, compare or write from: read once, each value in range.
    auto loadParameterFile = [&](const QString &file) -> QString {
        r.file = file;
        if (!QFileInfo::exists(r.file))
            return QString("no such file: %1").arg(r.file);
        const ParamFileResult read = readParameterFile(r.file, r.importText);
        if (!read.ok)
            return QString("%1: %2").arg(r.file, read.error);
        ESC_INF only;
        if (applyParameterText(r.importText, only).applied == 0)
            return QString("%1 holds no parameter line (NAME: VALUE)").arg(r.file);
        QList<int> written;
        for (int rid : parameterTextRegisters(r.importText))
            if (isCanWritableRegister(rid) && (rid != 7 || r.importIds)) // MST_ID stays the motor's
                written << rid;
        QString error;
        if (!assignmentsWritable(only, written, error))
            return QString("%1: %2").arg(r.file, error);
        return QString();
    };
    if (r.command == CliRequest::Command::Diff || (parser.isSet(from) && takesFrom)) {
        if (const QString error = loadParameterFile(r.command == CliRequest::Command::Diff ? args.first()
                                                                                          : parser.value(from));
            !error.isEmpty())
            return fail(error);
        r.fromFile = r.command != CliRequest::Command::Diff;
    }
    if (r.command == CliRequest::Command::Import)
        if (const QString error = loadParameterFile(args.first()); !error.isEmpty())
            return fail(error);
    if (r.command != CliRequest::Command::Tune)
        for (const QCommandLineOption &o : tuneOptions)
            if (parser.isSet(o))
                return fail(QString("--%1 belongs to tune").arg(o.names().constFirst()));
    if (r.command == CliRequest::Command::Tune) {
        const QString error = parseTune(parser, step, sweep, duration, repeat, from, toHz, period, speedLimit,
                                        args.first(), r.tune);
        if (!error.isEmpty())
            return fail(error);
        r.tuneSave = parser.value(save);
        r.tuneCsv = parser.value(csv);
        for (const QString &f : {r.tuneSave, r.tuneCsv}) {
            const QFileInfo dir(QFileInfo(f).absolutePath());
            if (!f.isEmpty() && (QFileInfo(f).isDir() || !dir.isDir() || !dir.isWritable()))
                return fail(QString("cannot write %1").arg(f));
        }
    }
    if (r.command == CliRequest::Command::Decode) {
        r.file = args.first();
        const QFileInfo f(r.file);
        if (!f.exists())
            return fail(QString("no such file: %1").arg(r.file));
        if (!f.isFile())
            return fail(QString("%1 is no regular file").arg(r.file));
    }
    if (r.command == CliRequest::Command::Upgrade) {
        r.file = args.first();
        const FirmwareFile image = loadFirmwareFile(r.file);
        if (!image.ok())
            return fail(image.error);
        // The motor takes any bytes as its new firmware: only a file that says it is a
        // motor image goes, unless the user insists.
        if (!r.force && !firmwareFileFits(r.file, FirmwareTarget::Motor))
            return fail(QString("%1 is no motor firmware image (.%2)%3; --force sends it anyway")
                            .arg(r.file, firmwareSuffix(FirmwareTarget::Motor),
                                 firmwareFileFits(r.file, FirmwareTarget::Adapter)
                                     ? QString(": .%1 is the USB adapter's firmware").arg(firmwareSuffix(FirmwareTarget::Adapter))
                                     : QString()));
        r.firmware = image.image;
        r.firmwareName = image.name;
    }
    out.outcome = CliParse::Outcome::Run;
    return out;
}
