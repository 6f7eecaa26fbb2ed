#include "link/usb/baudTiming.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <iterator>

QByteArray customBaudconfiguration::toPayload() const
{
    const char bytes[kSize] = {char(mode),     char(idSeg1),   char(idSeg2),  char(idSjw),        char(idPrescaler),
                               char(dataSeg1), char(dataSeg2), char(dataSjw), char(dataPrescaler)};
    return QByteArray(bytes, kSize);
}

bool customBaudconfiguration::fromPayload(const QByteArray &bytes)
{
    if (bytes.size() < kSize)
        return false;
    const auto b = [&bytes](int i) { return quint8(bytes[i]); };
    mode = b(0);
    idSeg1 = b(1);
    idSeg2 = b(2);
    idSjw = b(3);
    idPrescaler = b(4);
    dataSeg1 = b(5);
    dataSeg2 = b(6);
    dataSjw = b(7);
    dataPrescaler = b(8);
    return true;
}

customBaudconfiguration customBaudconfiguration::fromPresets(bool fd, int id, int data)
{
    customBaudconfiguration c;
    c.mode = fd ? 1 : 0;
    if (id >= 0 && id < int(std::size(kArbitrationPresets))) {
        const BaudPreset &p = kArbitrationPresets[id];
        c.idPrescaler = p.prescaler;
        c.idSeg1 = p.seg1;
        c.idSeg2 = p.seg2;
    }
    if (fd && data >= 0 && data < int(std::size(kDataPresets))) {
        const BaudPreset &p = kDataPresets[data];
        c.dataPrescaler = p.prescaler;
        c.dataSeg1 = p.seg1;
        c.dataSeg2 = p.seg2;
    }
    return c;
}

quint32 bitRate(quint32 clock, quint32 prescaler, quint32 seg1, quint32 seg2)
{
    if (prescaler == 0)
        return 0;
    return clock / prescaler / (seg1 + seg2 + 1);
}

double samplePointPercent(quint32 seg1, quint32 seg2)
{
    if (seg1 == 0 && seg2 == 0)
        return 0;
    return double(seg1 + 1) / double(seg1 + seg2 + 1) * 100.0;
}

QString samplePointText(quint32 seg1, quint32 seg2)
{
    return QString::number(samplePointPercent(seg1, seg2), 'f', 1);
}

BaudSearchResult calculateBaudParams(quint32 clock, quint32 wanted, SampleWindow window)
{
    BaudSearchResult r;
    if (wanted == 0)
        return r;
    const double lo = window == SampleWindow::Arbitration ? 75.0 : 65.0;
    const double hi = window == SampleWindow::Arbitration ? 87.5 : 75.0;
    const quint32 n = clock / wanted; // time quanta per bit times prescaler
    // p * T == n for every candidate, so all share one rate error: the first one met
    // (smallest prescaler, then smallest segment 1) is the answer.
    for (quint32 p = 1; p <= 64; ++p) {
        if (n % p != 0)
            continue;
        const quint32 t = n / p;
        if (t < 3)
            continue;
        const quint32 maxSeg1 = qMin<quint32>(t - 2, 32);
        for (quint32 s1 = 1; s1 <= maxSeg1; ++s1) {
            const quint32 s2 = t - 1 - s1;
            if (s2 > 16)
                continue;
            const double sp = double(s1 + 1) / double(t) * 100.0;
            if (sp < lo || sp > hi)
                continue;
            r.found = true;
            r.prescaler = quint16(p);
            r.seg1 = quint16(s1);
            r.seg2 = quint16(s2);
            r.rate = clock / (p * t);
            r.samplePoint = sp;
            return r;
        }
    }
    return r;
}

double timingTolerancePercent(quint32 seg1, quint32 seg2, quint32 sjw)
{
    const double t = double(seg1) + double(seg2) + 1.0;
    if (seg1 == 0 || seg2 == 0)
        return 0;
    // A resynchronisation never moves an edge further than phase segment 2 allows.
    const double jump = double(qMin(sjw, seg2)) / (20.0 * t);
    const double phase = double(qMin(seg1, seg2)) / (2.0 * (13.0 * t - double(seg2)));
    return qMin(jump, phase) * 100.0;
}

double rateErrorPercent(quint32 wanted, quint32 actual)
{
    return wanted == 0 ? 0.0 : (double(actual) - double(wanted)) / double(wanted) * 100.0;
}

QString rateUnitText(quint64 rate)
{
    if (rate == 0)
        return QStringLiteral("0");
    const auto shortest = [](double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); };
    if (rate < 1000)
        return QString::number(rate);
    if (rate < 1000000)
        return shortest(rate / 1e3) + 'k';
    if (rate < 1000000000)
        return shortest(rate / 1e6) + 'M';
    return shortest(rate / 1e9) + 'G';
}

ManualRate manualRate(quint32 clock, quint32 prescaler, quint32 seg1, quint32 seg2, bool arbitration)
{
    ManualRate m;
    if (clock == 0 || prescaler == 0 || seg1 == 0 || seg2 == 0)
        return m;
    const double r = double(clock) / prescaler / (seg1 + seg2 + 1);
    if (arbitration && r > 1000000.0)
        m.status = ManualRate::TooHigh;
    else if (r != std::floor(r))
        m.status = ManualRate::NotWhole;
    else {
        m.status = ManualRate::Ok;
        m.kbps = clock / prescaler / (seg1 + seg2 + 1) / 1000;
    }
    return m;
}

namespace {
// The preset whose timing is exactly the record's (SJW included), or `custom`: any other
// entry would send a different timing when the user configures it again.
int presetIndexOf(const BaudPreset *presets, int count, int custom, quint8 prescaler, quint8 seg1, quint8 seg2,
                  quint8 sjw)
{
    for (int i = 0; i < count; ++i)
        if (presets[i].prescaler == prescaler && presets[i].seg1 == seg1 && presets[i].seg2 == seg2
            && sjw == kPresetSjw)
            return i;
    return custom;
}

// Classic CAN leaves the data timing unused: the data entry is picked by prescaler and
// segment 1, as it always was.
int dataPresetByRule(quint8 prescaler, quint8 seg1)
{
    switch (prescaler) {
    case 2:
        switch (seg1) {
        case 5: return 0;
        case 6: return 1;
        case 9: return 3;
        case 14: return 4;
        default: return 5;
        }
    case 5: return 2;
    case 8: return 6;
    case 16: return seg1 == 16 ? 7 : 8;
    case 20: return 9;
    default: return 10;
    }
}
} // namespace

BaudReadback interpretBaudRecord(const QByteArray &record)
{
    BaudReadback r;
    customBaudconfiguration c;
    if (!c.fromPayload(record))
        return r;
    r.valid = true;
    r.fd = c.mode != 0;
    r.idRate = bitRate(kFdcanClockHz, c.idPrescaler, c.idSeg1, c.idSeg2);
    r.dataRate = bitRate(kFdcanClockHz, c.dataPrescaler, c.dataSeg1, c.dataSeg2);
    r.samplePoint = samplePointText(c.idSeg1, c.idSeg2);

    r.idIndex = presetIndexOf(kArbitrationPresets, int(std::size(kArbitrationPresets)), kArbitrationCustomIndex,
                              c.idPrescaler, c.idSeg1, c.idSeg2, c.idSjw);
    if (r.idIndex == kArbitrationCustomIndex && !r.fd)
        r.idCustomSuffix = rateUnitText(r.idRate);

    // In CAN FD mode a data timing that is none of the presets is shown as what it is,
    // not as the nearest preset.
    if (r.fd) {
        r.dataIndex = presetIndexOf(kDataPresets, int(std::size(kDataPresets)), kDataCustomIndex, c.dataPrescaler,
                                    c.dataSeg1, c.dataSeg2, c.dataSjw);
        if (r.dataIndex == kDataCustomIndex)
            r.dataCustomSuffix = rateUnitText(r.dataRate);
    } else {
        r.dataIndex = dataPresetByRule(c.dataPrescaler, c.dataSeg1);
    }

    if (r.fd) {
        r.dataSectionAcc = true;
        if (r.dataRate >= 5000000) {
            r.upgradeFlagSet = true;
            r.upgradeFlag = 0;
        }
        r.labelCaption = QT_TRANSLATE_NOOP("MainWindow", "数据域波特率");
        r.labelRate = rateUnitText(r.dataRate);
    } else {
        r.upgradeFlagSet = true;
        r.upgradeFlag = -1;
        r.labelCaption = QT_TRANSLATE_NOOP("MainWindow", "波特率");
        r.labelRate = rateUnitText(r.idRate);
    }
    return r;
}
