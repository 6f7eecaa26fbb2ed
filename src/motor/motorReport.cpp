#include "motor/motorReport.h"

#include "motor/paramRegisters.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cmath>

namespace {
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(MotorReport)
};
QString hex(uint32_t id) { return QStringLiteral("0x%1").arg(id, 2, 16, QLatin1Char('0')); }
QString esc(const QString &s) { return s.toHtmlEscaped(); }
QString number(double v) { return QString::number(v, 'g', 6); }
QString orUnknown(const QString &s) { return s.isEmpty() ? Texts::tr("未读取") : s; }
} // namespace

double largestMagnitude(const QList<float> &values)
{
    double m = 0;
    for (float v : values)
        if (std::isfinite(v))
            m = std::max(m, std::fabs(double(v)));
    return m;
}

QString reportBaseName(const MotorReport &r)
{
    return QStringLiteral("motor_%1_%2").arg(hex(r.canid), r.time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QJsonObject motorReportJson(const MotorReport &r)
{
    QJsonObject o{{"time", r.time.toString(Qt::ISODate)},
                  {"toolVersion", r.toolVersion},
                  {"note", r.note},
                  {"canId", qint64(r.canid)},
                  {"masterId", qint64(r.masterid)},
                  {"bitRate", r.canBr >= 0 ? QJsonValue(canBaudText(r.canBr)) : QJsonValue(QJsonValue::Null)},
                  {"application", r.appVersion.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(r.appVersion)},
                  {"bootloader",
                   r.loaderVersion.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(r.loaderVersion)}};
    if (r.hasRegisters) {
        QJsonArray regs;
        for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
            regs.append(QJsonObject{{"register", ESC_INF::propertyName(rid)},
                                    {"value", registerValueText(r.registers, rid)},
                                    {"unit", registerUnit(rid)}});
        o.insert("registers", regs);
    }
    if (!r.compareFile.isEmpty()) {
        o.insert("comparedWith", r.compareFile);
        o.insert("differences", diffJson(r.differences));
    }
    if (r.hasCalibration)
        o.insert("calibration", QJsonObject{{"errorBeforeDeg", r.errorBeforeDeg}, {"errorAfterDeg", r.errorAfterDeg}});
    if (r.hasQuality)
        o.insert("quality", QJsonObject{{"amplitude24Hz", r.amp24}, {"amplitude28Hz", r.amp28}, {"passed", r.qualityPassed}});
    if (r.hasIdentification) {
        const MotorParameter &p = r.identification;
        o.insert("identification", QJsonObject{{"Rs", double(p.Rs)}, {"Ls", double(p.Ls)}, {"Flux", double(p.Flux)},
                                               {"Damp", double(p.Damp)}, {"Inertia", double(p.Inertia)}});
    }
    QJsonArray faults;
    for (const FaultSeen &f : r.faults)
        faults.append(QJsonObject{{"time", f.time.toString(Qt::ISODate)}, {"canId", qint64(f.canid)}, {"code", f.code},
                                  {"text", f.text}});
    o.insert("faults", faults);
    return o;
}

QString motorReportHtml(const MotorReport &r, const QList<QPair<QString, QString>> &pictures)
{
    QString h = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>")
                    .arg(esc(reportBaseName(r)));
    auto row = [](const QString &k, const QString &v) {
        return QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>").arg(esc(k), esc(v));
    };
    h += QStringLiteral("<h1>%1 %2</h1>").arg(esc(Texts::tr("电机调试记录")), esc(hex(r.canid)));
    h += QStringLiteral("<table cellpadding=\"3\">");
    h += row(Texts::tr("日期时间"), r.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    h += row(Texts::tr("工具版本"), r.toolVersion);
    h += row(Texts::tr("操作说明"), r.note);
    h += row(Texts::tr("CAN ID"), hex(r.canid));
    h += row(Texts::tr("主机ID"), hex(r.masterid));
    h += row(Texts::tr("CAN波特率"), r.canBr >= 0 ? canBaudText(r.canBr) : Texts::tr("未读取"));
    h += row(Texts::tr("应用版本"), orUnknown(r.appVersion));
    h += row(Texts::tr("引导版本"), orUnknown(r.loaderVersion));
    h += QStringLiteral("</table>");

    h += QStringLiteral("<h2>%1</h2>").arg(esc(Texts::tr("参数")));
    if (!r.hasRegisters) {
        h += QStringLiteral("<p>%1</p>").arg(esc(Texts::tr("未读取参数")));
    } else {
        h += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr><th>%1</th><th>%2</th><th>%3</th></tr>")
                 .arg(esc(Texts::tr("寄存器")), esc(Texts::tr("值")), esc(Texts::tr("单位")));
        for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
            h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                     .arg(esc(ESC_INF::propertyName(rid)), esc(registerValueText(r.registers, rid)), esc(registerUnit(rid)));
        h += QStringLiteral("</table>");
    }
    if (!r.compareFile.isEmpty()) {
        h += QStringLiteral("<h2>%1</h2><p>%2</p>").arg(esc(Texts::tr("与参数文件的差异")), esc(r.compareFile));
        if (r.differences.isEmpty()) {
            h += QStringLiteral("<p>%1</p>").arg(esc(Texts::tr("没有差异")));
        } else {
            h += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th></tr>")
                     .arg(esc(Texts::tr("寄存器")), esc(Texts::tr("电机的值")), esc(Texts::tr("文件的值")), esc(Texts::tr("单位")));
            for (const RegisterDiffRow &d : r.differences)
                h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                         .arg(esc(ESC_INF::propertyName(d.rid)), esc(rawValueText(d.rid, d.motorRaw)),
                              esc(rawValueText(d.rid, d.newRaw)), esc(registerUnit(d.rid)));
            h += QStringLiteral("</table>");
        }
    }
    auto section = [&](const QString &title, bool has, const QString &body, const QString &picture) {
        h += QStringLiteral("<h2>%1</h2>").arg(esc(title));
        h += has ? body : QStringLiteral("<p>%1</p>").arg(esc(Texts::tr("本次未进行")));
        for (const auto &p : pictures)
            if (has && p.first == picture)
                h += QStringLiteral("<p><img src=\"%1\" width=\"600\"></p>").arg(esc(p.second));
    };
    section(Texts::tr("编码器校准"), r.hasCalibration,
            QStringLiteral("<table>") + row(Texts::tr("补偿前最大误差"), number(r.errorBeforeDeg) + QStringLiteral(" °"))
                + row(Texts::tr("补偿后最大误差"), number(r.errorAfterDeg) + QStringLiteral(" °")) + QStringLiteral("</table>"),
            QStringLiteral("calibration"));
    section(Texts::tr("质量分析"), r.hasQuality,
            QStringLiteral("<table>") + row(Texts::tr("24 Hz 幅值"), number(r.amp24)) + row(Texts::tr("28 Hz 幅值"), number(r.amp28))
                + row(Texts::tr("结论"), r.qualityPassed ? Texts::tr("正常") : Texts::tr("异常")) + QStringLiteral("</table>"),
            QStringLiteral("quality"));
    const MotorParameter &p = r.identification;
    section(Texts::tr("参数标定"), r.hasIdentification,
            QStringLiteral("<table>") + row(QStringLiteral("Rs"), number(p.Rs) + QStringLiteral(" Ω"))
                + row(QStringLiteral("Ls"), number(p.Ls) + QStringLiteral(" H"))
                + row(QStringLiteral("Flux"), number(p.Flux) + QStringLiteral(" Wb"))
                + row(QStringLiteral("Damp"), number(p.Damp))
                + row(QStringLiteral("Inertia"), number(p.Inertia) + QStringLiteral(" kg·m²")) + QStringLiteral("</table>"),
            QString());
    h += QStringLiteral("<h2>%1</h2>").arg(esc(Texts::tr("启动以来的故障")));
    if (r.faults.isEmpty()) {
        h += QStringLiteral("<p>%1</p>").arg(esc(Texts::tr("无")));
    } else {
        h += QStringLiteral("<ul>");
        for (const FaultSeen &f : r.faults)
            h += QStringLiteral("<li>%1 %2 %3 (0x%4)</li>")
                     .arg(esc(f.time.toString(QStringLiteral("HH:mm:ss"))), esc(hex(f.canid)), esc(f.text))
                     .arg(f.code, 0, 16);
        h += QStringLiteral("</ul>");
    }
    h += QStringLiteral("</body></html>");
    return h;
}
