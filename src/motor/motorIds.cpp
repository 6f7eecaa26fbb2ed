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
    counts.clear();
}

void ScanResults::insert(unsigned int canid, unsigned int masterid, int8_t canBr)
{
    QMutexLocker lock(&mutex);
    // The first motor to answer keeps its master ID and bit rate; later ones only count.
    if (!map.contains(canid))
        map.insert(canid, {masterid, unsigned(int(canBr))});
    ++counts[canid];
}

QList<ScannedMotor> ScanResults::census() const
{
    QMutexLocker lock(&mutex);
    QList<ScannedMotor> out;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        out.append({it.key(), it->first, scanCanBrCode(it->second), counts.value(it.key(), 1)});
    return out;
}

int motorCount(const QList<ScannedMotor> &census)
{
    int n = 0;
    for (const ScannedMotor &m : census)
        n += m.replies;
    return n;
}

QString scanConflictText(const ScannedMotor &m)
{
    if (m.replies < 2)
        return QString();
    return QCoreApplication::translate("MainWindow", "ID 0x%1：%2 台电机")
        .arg(m.canid, 2, 16, QLatin1Char('0'))
        .arg(m.replies);
}

QString setIdRefusal(const QList<ScannedMotor> &census)
{
    const int n = motorCount(census);
    if (n == 1)
        return QString();
    if (n == 0)
        return QCoreApplication::translate("MainWindow", "总线上没有电机应答扫描，未发送设ID命令。");
    QStringList ids;
    for (const ScannedMotor &m : census) {
        const QString conflict = scanConflictText(m);
        ids << (conflict.isEmpty() ? QStringLiteral("0x%1").arg(m.canid, 2, 16, QLatin1Char('0')) : conflict);
    }
    return QCoreApplication::translate("MainWindow",
                                       "总线上有 %1 台电机应答（%2）：设ID是广播，会把它们全部改成同一个ID。"
                                       "请只在总线上接入要设置的那台电机，未发送设ID命令。")
        .arg(n)
        .arg(ids.join(QStringLiteral(", ")));
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

ScanOutcome evaluateScan(const QString &wantedText, const ScanResultMap &results)
{
    ScanOutcome out;
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
        return out;
    }
    if (results.size() == 1)
        adopt(results.cbegin());
    else
        out.clearIds = true;
    out.warn = true;
    out.warning = scanWarningText(wanted, results);
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
