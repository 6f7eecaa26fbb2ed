#include "motor/paramDiff.h"

#include "motor/paramRegisters.h"

#include <QJsonObject>

#include <algorithm>

QString registerUnit(int rid)
{
    switch (rid) {
    case 0: case 29: return QStringLiteral("V");
    case 2: return QStringLiteral("℃");
    case 3: return QStringLiteral("%");
    case 4: case 5: return QStringLiteral("krad/s²");
    case 6: case 22: return QStringLiteral("rad/s");
    case 9: return QStringLiteral("50 µs");
    case 12: return QStringLiteral("kg·m²");
    case 17: return QStringLiteral("Ω");
    case 18: return QStringLiteral("H");
    case 19: return QStringLiteral("Wb");
    case 21: return QStringLiteral("rad");
    case 23: return QStringLiteral("N·m");
    case 24: case 32: return QStringLiteral("Hz");
    default: return QString();
    }
}

QList<RegisterDiffRow> diffRegisters(const ESC_INF &motor, const ESC_INF &target, const QList<int> &rids)
{
    QList<int> sorted = rids;
    std::sort(sorted.begin(), sorted.end());
    QList<RegisterDiffRow> rows;
    for (int rid : sorted) {
        if (rid < 0 || rid >= ESC_INF::FieldCount)
            continue;
        if (motor.rawValue(rid) != target.rawValue(rid))
            rows.append({rid, motor.rawValue(rid), target.rawValue(rid), true});
    }
    return rows;
}

ESC_INF applyDiffSelection(const ESC_INF &motor, const ESC_INF &target, const QList<RegisterDiffRow> &rows)
{
    ESC_INF out = target;
    for (const RegisterDiffRow &r : rows)
        if (!r.write)
            out.setRawValue(r.rid, motor.rawValue(r.rid));
    return out;
}

QList<int> tickedRegisters(const QList<RegisterDiffRow> &rows)
{
    QList<int> out;
    for (const RegisterDiffRow &r : rows)
        if (r.write)
            out << r.rid;
    return out;
}

QString rawValueText(int rid, uint32_t raw)
{
    ESC_INF r;
    r.setRawValue(rid, raw);
    return registerValueText(r, rid);
}

QStringList diffTableLines(const QList<RegisterDiffRow> &rows)
{
    QList<QStringList> cells{{QStringLiteral("register"), QStringLiteral("motor"), QStringLiteral("new"),
                              QStringLiteral("unit")}};
    for (const RegisterDiffRow &r : rows)
        cells.append({ESC_INF::propertyName(r.rid), rawValueText(r.rid, r.motorRaw), rawValueText(r.rid, r.newRaw),
                      registerUnit(r.rid)});
    QList<int> width(4, 0);
    for (const QStringList &c : cells)
        for (int i = 0; i < 4; ++i)
            width[i] = std::max(width[i], int(c[i].size()));
    QStringList lines;
    for (const QStringList &c : cells) {
        QString line;
        for (int i = 0; i < 4; ++i)
            line += c[i].leftJustified(width[i] + 2);
        lines << line.trimmed();
    }
    return lines;
}

QJsonArray diffJson(const QList<RegisterDiffRow> &rows)
{
    QJsonArray out;
    for (const RegisterDiffRow &r : rows)
        out.append(QJsonObject{{"register", ESC_INF::propertyName(r.rid)},
                               {"rid", r.rid},
                               {"motor", rawValueText(r.rid, r.motorRaw)},
                               {"new", rawValueText(r.rid, r.newRaw)},
                               {"unit", registerUnit(r.rid)}});
    return out;
}

QString parameterFileHeaderText(const ParameterFileHeader &h)
{
    // No ": " in these lines: the import splits at it, and an older import must skip them.
    auto hex = [](uint32_t id) { return QStringLiteral("0x%1").arg(id, 2, 16, QLatin1Char('0')); };
    QString out = QStringLiteral("# zktool %1\n").arg(h.toolVersion);
    out += QStringLiteral("# exported %1\n").arg(h.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out += QStringLiteral("# motor CAN ID %1 master ID %2\n").arg(hex(h.canid), hex(h.masterid));
    out += QStringLiteral("# application %1 bootloader %2\n")
               .arg(h.appVersion.isEmpty() ? QStringLiteral("unknown") : h.appVersion,
                    h.loaderVersion.isEmpty() ? QStringLiteral("unknown") : h.loaderVersion);
    return out;
}

bool isParameterCommentLine(const QString &line) { return line.startsWith(QLatin1Char('#')); }
