#include "tuning/tuningRun.h"

#include "log/fileSave.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cmath>
#include <limits>

namespace Tuning {

namespace {


const char *kFormat = "zktool-tuning";
constexpr int kVersion = 1;
constexpr int kMaxRuns = 1000;
const char *kChannels[] = {"t", "command", "position", "velocity", "torque"};

double &channel(Sample &s, int c)
{
    switch (c) {
    case 0: return s.t;
    case 1: return s.command;
    case 2: return s.position;
    case 3: return s.velocity;
    default: return s.torque;
    }
}

QByteArray number(double v) { return QByteArray::number(v, 'g', QLocale::FloatingPointShortest); }

QJsonObject testJson(const Test &t)
{
    return QJsonObject{{"signal", t.signal == Signal::Step ? "step" : "sweep"},
                       {"quantity", t.quantity == Quantity::Position ? "position" : "velocity"},
                       {"size", t.size},
                       {"durationS", t.durationS},
                       {"repeats", t.repeats},
                       {"fromHz", t.fromHz},
                       {"toHz", t.toHz},
                       {"speedLimit", t.speedLimit},
                       {"periodMs", t.periodMs}};
}

// Reads one run; an empty string when it is sound, else what is wrong with it.
QString runFromJson(const QJsonObject &o, Run &r)
{
    auto finite = [](const QJsonValue &v) { return v.isDouble() && std::isfinite(v.toDouble()); };
    auto integer = [&](const QJsonValue &v, double lo, double hi) {
        return finite(v) && v.toDouble() == std::floor(v.toDouble()) && v.toDouble() >= lo && v.toDouble() <= hi;
    };
    if (!o.value("name").isString())
        return QCoreApplication::translate("Tuning", "缺少名称");
    r.name = o.value("name").toString();
    r.started = QDateTime::fromString(o.value("started").toString(), Qt::ISODateWithMs);
    if (!r.started.isValid())
        return QCoreApplication::translate("Tuning", "开始时间无效");
    r.started = r.started.toUTC();
    if (!integer(o.value("canId"), 0, 0x7FF))
        return QCoreApplication::translate("Tuning", "电机ID无效");
    r.canId = quint32(o.value("canId").toDouble());
    if (!integer(o.value("lostFeedback"), 0, kMaxSamplesPerRun) || !o.value("complete").isBool() || !finite(o.value("start")))
        return QCoreApplication::translate("Tuning", "运行信息无效");
    r.lostFeedback = int(o.value("lostFeedback").toDouble());
    r.complete = o.value("complete").toBool();
    r.start = o.value("start").toDouble();

    const QJsonObject t = o.value("test").toObject();
    const QString signal = t.value("signal").toString(), quantity = t.value("quantity").toString();
    if ((signal != "step" && signal != "sweep") || (quantity != "position" && quantity != "velocity"))
        return QCoreApplication::translate("Tuning", "测试信号无效");
    for (const char *k : {"size", "durationS", "fromHz", "toHz", "speedLimit"})
        if (!finite(t.value(k)))
            return QCoreApplication::translate("Tuning", "测试参数 %1 无效").arg(k);
    if (!integer(t.value("repeats"), 1, kMaxRepeats) || !integer(t.value("periodMs"), 1, kMaxPeriodMs))
        return QCoreApplication::translate("Tuning", "测试参数无效");
    Test &test = r.test;
    test.signal = signal == "step" ? Signal::Step : Signal::Sweep;
    test.quantity = quantity == "position" ? Quantity::Position : Quantity::Velocity;
    test.size = t.value("size").toDouble();
    test.durationS = t.value("durationS").toDouble();
    test.repeats = int(t.value("repeats").toDouble());
    test.fromHz = t.value("fromHz").toDouble();
    test.toHz = t.value("toHz").toDouble();
    test.speedLimit = t.value("speedLimit").toDouble();
    test.periodMs = int(t.value("periodMs").toDouble());
    // Whatever range the motor had, the test itself must make sense.
    const Limits any{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), 1};
    const QString bad = validate(test, any, 0.0);
    if (!bad.isEmpty())
        return bad;

    const QJsonValue gains = o.value("gains");
    if (!gains.isArray())
        return QCoreApplication::translate("Tuning", "增益无效");
    for (const QJsonValue &g : gains.toArray()) {
        const QJsonObject go = g.toObject();
        if (!go.value("register").isString() || !finite(go.value("value")))
            return QCoreApplication::translate("Tuning", "增益无效");
        r.gains.append({go.value("register").toString(), go.value("value").toDouble()});
    }

    const QJsonObject samples = o.value("samples").toObject();
    QJsonArray arrays[5];
    for (int c = 0; c < 5; ++c) {
        if (!samples.value(kChannels[c]).isArray())
            return QCoreApplication::translate("Tuning", "缺少采样 %1").arg(kChannels[c]);
        arrays[c] = samples.value(kChannels[c]).toArray();
        if (arrays[c].size() != arrays[0].size())
            return QCoreApplication::translate("Tuning", "采样 %1 的个数与时间不符").arg(kChannels[c]);
    }
    if (arrays[0].size() > kMaxSamplesPerRun)
        return QCoreApplication::translate("Tuning", "采样过多");
    r.samples.resize(arrays[0].size());
    for (int c = 0; c < 5; ++c)
        for (qsizetype i = 0; i < arrays[c].size(); ++i) {
            if (!finite(arrays[c].at(i)))
                return QCoreApplication::translate("Tuning", "采样 %1 第 %2 个不是有限数").arg(kChannels[c]).arg(i + 1);
            channel(r.samples[i], c) = arrays[c].at(i).toDouble();
        }
    for (qsizetype i = 1; i < r.samples.size(); ++i)
        if (r.samples[i].t < r.samples[i - 1].t)
            return QCoreApplication::translate("Tuning", "采样时间第 %1 个倒退").arg(i + 1);
    return QString();
}

} // namespace

const QStringList &gainRegisters()
{
    static const QStringList names = {"KP_ASR", "KI_ASR", "KP_APR", "KI_APR"};
    return names;
}

bool Run::operator==(const Run &o) const
{
    return name == o.name && started == o.started && canId == o.canId && test == o.test && start == o.start
        && gains == o.gains && samples == o.samples && lostFeedback == o.lostFeedback && complete == o.complete;
}

RunFigures runFigures(const Run &run)
{
    RunFigures f;
    const Plan plan(run.test);
    if (run.test.signal == Signal::Sweep) {
        f.sweep = sweepFigures(run.samples, run.test.quantity, plan);
        return f;
    }
    // The value before each edge: the lead-in before the first, the last tenth of the
    // hold before the others.
    for (const StepEdge &e : plan.edges()) {
        const double before = e.time <= kLeadS ? kLeadS : run.test.durationS * 0.1;
        f.edges.append(stepFigures(run.samples, run.test.quantity, e.time - before, e.time, e.end));
    }
    f.step = meanStepFigures(f.edges);
    return f;
}

QByteArray runsJson(const QList<Run> &runs)
{
    QJsonArray list;
    for (const Run &r : runs) {
        QJsonArray gains;
        for (const auto &g : r.gains)
            gains.append(QJsonObject{{"register", g.first}, {"value", g.second}});
        QJsonObject samples;
        for (int c = 0; c < 5; ++c) {
            QJsonArray a;
            for (Sample s : r.samples)
                a.append(channel(s, c));
            samples.insert(kChannels[c], a);
        }
        list.append(QJsonObject{{"name", r.name},
                                {"started", r.started.toUTC().toString(Qt::ISODateWithMs)},
                                {"canId", qint64(r.canId)},
                                {"test", testJson(r.test)},
                                {"start", r.start},
                                {"gains", gains},
                                {"lostFeedback", r.lostFeedback},
                                {"complete", r.complete},
                                {"samples", samples}});
    }
    const QJsonObject top{{"format", kFormat}, {"version", kVersion}, {"runs", list}};
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

bool parseRuns(const QByteArray &bytes, QList<Run> *runs, QString *error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (doc.isNull())
        return fail(QCoreApplication::translate("Tuning", "不是调参文件：%1（第 %2 字节）").arg(pe.errorString()).arg(pe.offset));
    const QJsonObject top = doc.object();
    if (top.value("format").toString() != QLatin1String(kFormat))
        return fail(QCoreApplication::translate("Tuning", "不是调参文件"));
    if (top.value("version").toDouble() != kVersion)
        return fail(QCoreApplication::translate("Tuning", "调参文件版本 %1 不受支持").arg(top.value("version").toDouble()));
    const QJsonArray list = top.value("runs").toArray();
    if (list.size() > kMaxRuns)
        return fail(QCoreApplication::translate("Tuning", "运行过多"));
    QList<Run> out;
    for (qsizetype i = 0; i < list.size(); ++i) {
        Run r;
        const QString why = runFromJson(list.at(i).toObject(), r);
        if (!why.isEmpty())
            return fail(QCoreApplication::translate("Tuning", "第 %1 次运行：%2").arg(i + 1).arg(why));
        out.append(r);
    }
    *runs = out;
    return true;
}

bool saveRuns(const QString &path, const QList<Run> &runs, QString *error)
{
    return saveFileAtomically(path, runsJson(runs), error, false) == FileSaveResult::Saved;
}

bool loadRuns(const QString &path, QList<Run> *runs, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QCoreApplication::translate("Tuning", "无法打开文件 %1：%2").arg(path, f.errorString());
        return false;
    }
    if (f.size() > kMaxFileBytes) {
        if (error)
            *error = QCoreApplication::translate("Tuning", "文件 %1 过大").arg(path);
        return false;
    }
    return parseRuns(f.readAll(), runs, error);
}

QByteArray runCsv(const Run &run)
{
    QByteArray out = "time_s,command,position_rad,velocity_rad_s,torque_Nm\n";
    out.reserve(out.size() + run.samples.size() * 48);
    for (const Sample &s : run.samples)
        out += number(s.t) + ',' + number(s.command) + ',' + number(s.position) + ',' + number(s.velocity) + ','
            + number(s.torque) + '\n';
    return out;
}

bool exportCsv(const QString &path, const Run &run, QString *error)
{
    return saveFileAtomically(path, runCsv(run), error) == FileSaveResult::Saved;
}

} // namespace Tuning
