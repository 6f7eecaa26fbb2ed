#include "cli/cliDecode.h"

#include "can/canFrameData.h"
#include "can/canLogFile.h"
#include "motor/motorFrameDecode.h"

#include <QJsonArray>

namespace {

QJsonObject valuesOf(const MotorLogFrame &f, const MappingRanges &ranges)
{
    QJsonObject v;
    if (f.kind == MotorLogFrame::Feedback) {
        const MotorFeedback fb = decodeFeedback(f.d, ranges);
        v = {{"position", fb.position}, {"velocity", fb.velocity}, {"torque", fb.torque},
             {"driverTemp", fb.driverTemp}, {"motorTemp", fb.motorTemp}, {"state", fb.state}};
    } else if (f.kind == MotorLogFrame::Command) {
        const CommandValues c = decodeCommand(f, ranges);
        static const char *const modes[] = {"mit", "position-velocity", "velocity", "pvt"};
        v = {{"mode", modes[f.mode & 3]}, {"position", c.position}, {"velocity", c.velocity}};
        if (f.mode == MITMode) {
            v.insert("kp", c.kp);
            v.insert("kd", c.kd);
            v.insert("torque", c.torque);
        } else if (f.mode == PVTMode) {
            v.insert("current", c.current);
        }
        if (f.mode == VelMode)
            v.remove("position");
    } else if (f.kind == MotorLogFrame::RegisterRequest || f.kind == MotorLogFrame::RegisterReply) {
        const uint32_t raw = uint32_t(f.d[4]) | uint32_t(f.d[5]) << 8 | uint32_t(f.d[6]) << 16 | uint32_t(f.d[7]) << 24;
        v = {{"rid", f.rid}, {"register", registerNameText(f.rid)}, {"value", registerRawText(f.rid, raw)}};
    }
    return v;
}

} // namespace

CliResult decodeRecording(const QString &path, QStringList *problems)
{
    CliResult r;
    CanLogReader reader;
    QString error;
    if (!reader.open(path, &error)) {
        r.exit = CliExit::BadInput;
        r.error = QString("cannot open %1: %2").arg(path, error);
        return r;
    }
    const CanLogDecodeContext context; // the start-up mapping ranges: nothing is in force here
    QJsonArray frames;
    CanLogRecord rec;
    quint64 first = 0;
    quint32 index = 0;
    while (reader.next(&rec)) {
        if (index == 0)
            first = rec.timeUs;
        const qint64 sinceUs = qint64(rec.timeUs) - qint64(first);
        const CANFrameData row = canLogRowOf(rec, ++index, sinceUs);
        const MotorLogFrame f = row.motorFrame();
        const QString decoded = row.decodedText(context);
        const char direction = row.transmitted() ? 'T' : 'R';
        QString line = QString("%1  %2  %3  %4  %5  [%6]  %7")
                       .arg(index, 6)
                       .arg(double(sinceUs) / 1e6, 12, 'f', 6)
                       .arg(QChar(direction))
                       .arg(row.idText(), 10)
                       .arg(row.dataLen, 2)
                       .arg(row.dataText())
                       .arg(decoded);
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1); // a frame of no kind ends with its data
        r.lines << line;
        QJsonObject o{{"index", qint64(index)},
                      {"time", double(sinceUs) / 1e6},
                      {"direction", QString(QChar(direction))},
                      {"id", qint64(row.id)},
                      {"extended", row.has(CANFrameData::Extended)},
                      {"data", QString::fromLatin1(row.bytes().toHex())},
                      {"kind", motorFrameKindName(f.kind)},
                      {"decoded", decoded}};
        if (f.known() && f.kind != MotorLogFrame::IdQuery && f.kind != MotorLogFrame::IdentificationStart
            && f.kind != MotorLogFrame::VersionReply && f.kind != MotorLogFrame::FirmwareReply)
            o.insert(f.motorIdPartial() ? "motorIdLow4" : "motor", qint64(f.motorId));
        const QJsonObject values = valuesOf(f, context.ranges);
        if (!values.isEmpty())
            o.insert("values", values);
        frames.append(o);
    }
    if (!reader.error().isEmpty()) {
        r.exit = CliExit::Failed;
        r.error = QString("reading %1: %2").arg(path, reader.error());
    }
    QJsonArray skipped;
    for (const CanLogReader::Problem &p : reader.problems()) {
        skipped.append(QJsonObject{{"line", p.line}, {"reason", p.reason}});
        if (problems)
            *problems << QString("line %1: %2").arg(p.line).arg(p.reason);
    }
    r.json.insert("file", path);
    r.json.insert("frames", frames);
    r.json.insert("malformedLines", reader.problemCount());
    r.json.insert("malformed", skipped);
    return r;
}
