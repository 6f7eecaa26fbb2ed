#include "motor/motorIds.h"

#include "motor/paramRegisters.h"

#include <QStringList>

QByteArray idQueryFrame() { return QByteArray::fromHex("550000AA"); }

QByteArray idAssignFrame(uint8_t canid, uint8_t masterid)
{
    QByteArray f(4, '\0');
    f[0] = char(0xAA);
    f[1] = char(canid);
    f[2] = char(masterid);
    f[3] = char(0x55);
    return f;
}

QByteArray scanProbeFrame(int n)
{
    QByteArray f(4, '\0');
    f[0] = char(n & 0x7F);
    f[2] = char(0x33);
    f[3] = char(0x23);
    return f;
}

void ScanResults::clear()
{
    QMutexLocker lock(&mutex);
    map.clear();
    answers.clear();
}

void ScanResults::insert(unsigned int canid, unsigned int masterid, int8_t canBr)
{
    QMutexLocker lock(&mutex);
    map.insert(canid, {masterid, unsigned(int(canBr))});
    ++answers[canid];
}

QMap<unsigned int, int> ScanResults::counts() const
{
    QMutexLocker lock(&mutex);
    return answers;
}

int IdCensus::motors() const
{
    int n = 0;
    for (int c : counts)
        n += c;
    return n;
}

QList<unsigned int> IdCensus::conflicts() const
{
    QList<unsigned int> out;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > 1)
            out << it.key();
    return out;
}

QString idListText(const QList<unsigned int> &ids)
{
    QStringList texts;
    for (unsigned int id : ids)
        texts << hexIdText(id);
    return texts.join(QStringLiteral(", "));
}

QString idConflictText(const IdCensus &census)
{
    QStringList texts;
    for (unsigned int id : census.conflicts())
        texts << QCoreApplication::translate("MainWindow", "ID %1：%2 台电机").arg(hexIdText(id)).arg(census.counts.value(id));
    return texts.join(QStringLiteral("; "));
}

QString idAssignmentRefusal(const IdCensus &census)
{
    if (census.assignable())
        return QString();
    if (census.motors() == 0)
        return QCoreApplication::translate("MainWindow", "没有电机应答 ID 查询，没有发送设置 ID。请检查连接和波特率。");
    QString text = QCoreApplication::translate("MainWindow",
                                               "总线上有 %1 台电机应答（ID：%2）。设置 ID 发给总线上所有设备，"
                                               "会把它们改成同一个 ID，因此没有发送。请只连接要设置的电机。")
                       .arg(census.motors())
                       .arg(idListText(census.counts.keys()));
    const QString conflicts = idConflictText(census);
    if (!conflicts.isEmpty())
        text += QStringLiteral("\n") + conflicts;
    return text;
}

ScanResultMap ScanResults::snapshot() const
{
    QMutexLocker lock(&mutex);
    return map;
}

QString motorBaudSuffix(int canBrCode)
{
    const QString text = canBaudText(canBrCode);
    return QStringLiteral(":") + (text.isEmpty() ? QString::number(canBrCode) : text);
}

QString scanWarningText(unsigned int wanted, const ScanResultMap &results)
{
    QString ids;
    for (auto it = results.cbegin(); it != results.cend(); ++it)
        ids += QStringLiteral("0x%1, ").arg(it.key(), 2, 16, QLatin1Char('0'));
    ids = ids.toUpper();
    ids.chop(2); // the last ", "
    return QCoreApplication::translate("MainWindow", "总线上 ID：0x%1 不存在，\n总线上设备数量为 %2，ID：%3")
        .arg(QStringLiteral("%1").arg(wanted, 2, 16, QLatin1Char('0')))
        .arg(results.size())
        .arg(ids);
}

ScanOutcome evaluateScan(const QString &wantedText, const ScanResultMap &results,
                         const QMap<unsigned int, int> &counts)
{
    ScanOutcome out;
    // Two motors on one ID answer as one entry of the map: say so whatever else is found.
    const QString conflicts = idConflictText(IdCensus{counts});
    auto warnConflicts = [&out, &conflicts] {
        if (conflicts.isEmpty())
            return;
        out.warn = true;
        out.warning += (out.warning.isEmpty() ? QString() : QStringLiteral("\n")) + conflicts;
    };
    unsigned int wanted = 0;
    const bool parsed = parseHexId(wantedText, &wanted);
    auto adopt = [&out](ScanResultMap::const_iterator it) {
        out.adopt = true;
        out.canid = it.key();
        out.masterid = it->first;
        out.canBr = scanCanBrCode(it->second);
    };
    const auto found = results.constFind(wanted);
    if (parsed && found != results.cend()) {
        adopt(found);
        warnConflicts();
        return out;
    }
    if (results.size() == 1)
        adopt(results.cbegin());
    else
        out.clearIds = true;
    out.warn = true;
    out.warning = scanWarningText(wanted, results);
    warnConflicts();
    return out;
}

bool parseHexId(const QString &text, unsigned int *value)
{
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    if (ok && value)
        *value = v;
    return ok;
}
