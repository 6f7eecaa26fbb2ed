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
}

void ScanResults::insert(unsigned int canid, unsigned int masterid, int8_t canBr)
{
    QMutexLocker lock(&mutex);
    map.insert(canid, {masterid, unsigned(int(canBr))});
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
