#include "calibration/calibrationMath.h"

#include "calibration/cubicSpline.h"
#include "link/byteOrder.h"
#include "motor/escInf.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace CalMath {

namespace {
QString trMain(const char *text) { return QCoreApplication::translate("MainWindow", text); }

quint32 floatBits(float f)
{
    quint32 u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

float bitsFloat(quint32 u)
{
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

void putPacketTail(QByteArray &packet, int count, int number)
{
    packet[62] = char(count);
    packet[63] = char(number);
}
} // namespace

double roundBankers(double x, int digits)
{
    const double scale = std::pow(10.0, digits);
    const double v = x * scale;
    const double whole = std::trunc(v);
    const double frac = v - whole;
    double r;
    if (std::fabs(frac) == 0.5)
        r = std::fmod(whole, 2.0) == 0.0 ? whole : whole + (v > 0 ? 1.0 : -1.0);
    else
        r = std::round(v);
    return r / scale;
}

void unwrapMotorError(QList<float> &err)
{
    for (qsizetype i = 1; i < err.size(); ++i) {
        if (std::fabs(err[i] - err[0]) > 3.2f && std::fabs(err[i] - err[i - 1]) > 6.0f)
            err[i] += err[i] - err[0] > 0 ? -6.28f : 6.28f;
    }
}

float interpolateTable(const QList<float> &table, int raw)
{
    const int size = int(table.size());
    if (size == 0)
        return 0;
    const int j = raw >> 6;
    const float lo = table[j % size], hi = table[(j + 1) % size];
    const float frac = float(raw / 64.0 - std::floor(raw / 64.0));
    return lo + frac * (hi - lo);
}

MotorCalibration calibrateMotorSide(const QList<float> &refer, const QList<float> &real, const QList<float> &err,
                                    const QList<int> &rawCounts, unsigned polePairs)
{
    MotorCalibration out;
    const int P = int(polePairs);
    const int N = kPointsPerPolePair;
    const qsizetype Q = qsizetype(N) * P;
    const qsizetype S = 2 * Q;
    if (P < 1) {
        out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "极对数为 0"));
        return out;
    }
    if (err.size() < S || refer.size() < Q || real.size() < Q || rawCounts.size() < Q) {
        out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "只有 %1 个采样，%2 对极需要 %3 个"))
                          .arg(std::min({err.size(), refer.size(), real.size()}))
                          .arg(P)
                          .arg(S);
        return out;
    }

    // 1-3. Direction averaging: the forward sample one step earlier and the backward
    // sample at the mirrored position saw the same spot from both sides.
    QList<float> avg(Q);
    double sum = 0;
    for (qsizetype l = 0; l < Q; ++l) {
        avg[l] = (err[(l - 1 + Q) % Q] + err[S - 1 - l]) / 2.0f;
        sum += avg[l];
    }
    const float mean = float(sum / double(Q));
    out.mean = mean;
    float elec = std::fmod(float(P) * mean, kTwoPi);
    if (elec < -kPi)
        elec += kTwoPi;
    if (elec > kPi)
        elec -= kTwoPi;
    out.elecOffset = elec;
    out.mechOffset = std::fmod(mean, kTwoPi);

    // 4. Moving average over half an electrical period removes the torque ripple.
    QList<float> smooth(Q);
    for (qsizetype m = 0; m < Q; ++m) {
        double s = 0;
        for (qsizetype k = m - N / 4; k < m + N / 4; ++k)
            s += avg[k < 0 ? k + Q : (k >= Q ? k - Q : k)];
        smooth[m] = float(s / (N / 2));
    }

    // 5. Ripple lists, lifted clear of zero when all positive.
    const auto [loIt, hiIt] = std::minmax_element(avg.cbegin(), avg.cend());
    const float lo = *loIt, hi = *hiIt;
    const float shift = lo > 0 ? (hi - lo) / 2 - lo : 0.0f;
    out.rippleAveraged.reserve(Q);
    out.rippleSmoothed.reserve(Q);
    for (qsizetype l = 0; l < Q; ++l) {
        out.rippleAveraged.append((avg[l] + shift) * kDegPerRad);
        out.rippleSmoothed.append((smooth[l] + shift) * kDegPerRad);
    }

    // 6. Measured angle at each grid point of the reference.
    const int M = int(Q / P);
    const double g = 360.0 / M;
    QList<double> ang(M);
    for (int l = 0; l < M; ++l) {
        double a = (-double(smooth[qsizetype(l) * P]) / double(kPi)) * 180.0 + l * g;
        if (a > 360)
            a -= 360;
        if (a < -1e-5)
            a += 360;
        ang[l] = a;
    }

    // 7. Make the angles monotonic.
    int rising = 0, falling = 0;
    QList<double> d(M - 1);
    for (int l = 0; l + 1 < M; ++l) {
        d[l] = ang[l + 1] - ang[l];
        rising += d[l] > 1e-4;
        falling += d[l] < -1e-4;
    }
    if (falling > 1 && rising <= 1) {
        int k = 0;
        for (int l = 1; l < M; ++l) {
            if (d[l - 1] > 1e-4)
                ++k;
            ang[l] -= 360.0 * k;
        }
        if (k == 1)
            for (double &a : ang)
                a = -a;
    } else if (falling <= 1) {
        int k = 0;
        for (int l = 1; l < M; ++l) {
            if (d[l - 1] < -1e-4)
                ++k;
            ang[l] += 360.0 * k;
        }
        if (k != 1 && rising == 1)
            for (double &a : ang)
                a = -a;
    }

    // The measured angle must advance with the commanded one: otherwise the encoder or the
    // phase order is reversed, or a sample is corrupt, and no table can undo that.
    for (int l = 0; l + 1 < M; ++l) {
        if (!(ang[l + 1] > ang[l])) {
            out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow",
                                                   "测得角度没有随指令角度前进（第 %1 点，%2° 之后为 %3°），"
                                                   "编码器或相序可能接反，或采样有误"))
                              .arg(l + 1)
                              .arg(ang[l], 0, 'f', 2)
                              .arg(ang[l + 1], 0, 'f', 2);
            return out;
        }
    }

    // 8. Centre the turn on 0 … 360.
    double angSum = 0;
    for (double a : ang)
        angSum += a;
    const double r = roundBankers((angSum / M - 180.0) / 360.0, 0);
    for (double &a : ang)
        a -= 360.0 * r;

    // 9. Measured → reference over three turns, so the middle turn has neighbours.
    QList<double> X, Y;
    X.reserve(3 * M);
    Y.reserve(3 * M);
    for (int turn = 0; turn < 3; ++turn) {
        for (int l = 0; l < M; ++l) {
            X.append(ang[l] + 360.0 * turn);
            Y.append(l * g + 360.0 * turn);
        }
    }
    const CubicSpline spline = interpolateNatural(X, Y);

    // 10. The table: what to add to a reading at each grid point, without the constant
    // part that the offset carries.
    out.compTable.reserve(M);
    const float meanCounts = ((mean * 0.5f) / kPi) * 16384.0f;
    for (int i = 0; i < M; ++i) {
        const double x = i * g + 360.0;
        float t = float(((spline.interpolate(x) - x) / 360.0) * 16384.0) - meanCounts;
        if (t > 8192)
            t -= 16384;
        if (t < -8192)
            t += 16384;
        if (!std::isfinite(t)) {
            out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "第 %1 项补偿值不是数值（测得角度重复）")).arg(i);
            out.compTable.clear();
            return out;
        }
        // A table entry is at most half a turn: one wrap brings any sound value there.
        if (t < -8192 || t > 8192) {
            out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "第 %1 项补偿值 %2 超出 -8192 … 8192"))
                              .arg(i)
                              .arg(double(t), 0, 'g', 6);
            out.compTable.clear();
            return out;
        }
        out.compTable.append(t);
    }

    // 11. Apply the table to the forward sweep's raw readings.
    const float offsetDeg = out.mechOffset * 180.0f / kPi;
    out.benefitCompensated.reserve(Q);
    out.benefitMeasured.reserve(Q);
    out.benefitReference.reserve(Q);
    for (qsizetype i = 0; i < Q; ++i) {
        const int raw = rawCounts[i];
        const float comp = interpolateTable(out.compTable, raw);
        float c = (float(raw) + comp) * 360.0f / 16384.0f + offsetDeg;
        if (c < 0)
            c += 360;
        if (c > 360)
            c -= 360;
        float m = real[i] * kDegPerRad + offsetDeg;
        if (m > 360)
            m -= 360;
        if (m < 0)
            m += 360;
        out.benefitCompensated.append(c);
        out.benefitMeasured.append(m);
        out.benefitReference.append(refer[i] * kDegPerRad);
    }
    out.ok = true;
    return out;
}

ShaftCalibration calibrateOutputShaft(QList<float> angle1, const QList<float> &angle2, unsigned step)
{
    ShaftCalibration out;
    const qsizetype k = qsizetype(step);
    const qsizetype n = k * kShaftTableSize;
    if (k < 1) {
        out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "步长为 0"));
        return out;
    }
    if (angle1.size() < n || angle2.size() < n) {
        out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "只有 %1 个采样，需要 %2 个"))
                          .arg(std::min(angle1.size(), angle2.size()))
                          .arg(n);
        return out;
    }

    for (qsizetype i = 1; i < n; ++i) {
        if (std::fabs(angle1[i] - angle1[0]) > 3.2f && std::fabs(angle1[i] - angle1[i - 1]) > 6.0f)
            angle1[i] = float(double(angle1[i]) + (angle1[i] - angle1[0] > 0 ? -kShaftTwoPi : kShaftTwoPi));
    }

    // The zero position: the first minimum below zero (index 0 when nothing is negative).
    out.minValue = 0;
    out.minIndex = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (angle2[i] < out.minValue) {
            out.minValue = angle2[i];
            out.minIndex = int(i);
        }
    }
    auto B = [&](qsizetype t) { return double(angle1[(t + out.minIndex) % n]); };

    out.inverse = QList<quint16>(kShaftTableSize + 1, 0);
    out.forward = QList<quint16>(kShaftTableSize, 0);
    const double b0 = B(0);
    for (int i = 0; i < kShaftTableSize; ++i) {
        double p = i - (B(k * i) - b0) * kShaftTableSize / kShaftTwoPi;
        if (p < 0)
            p += 4095;
        else if (p > 4095)
            p -= 4095;
        // Only a position within the table is converted: a wild sample can make p any
        // double, and converting one beyond the integer range is undefined.
        if (!(p >= 0 && p < kShaftTableSize)) {
            out.outside.append(i);
            if (out.problem.isEmpty())
                out.problem = trMain(QT_TRANSLATE_NOOP("MainWindow", "第 %1 项位置 %2 超出 0 … 4095"))
                                  .arg(i)
                                  .arg(p, 0, 'g', 6);
            out.forward[i] = quint16(kShaftTableSize);
            continue;
        }
        const auto idx = quint16(p);
        out.forward[i] = idx;
        out.inverse[idx] = quint16(i);
    }
    for (int i = 1; i < kShaftTableSize; ++i) {
        if (out.inverse[i] == 0 && out.inverse[i - 1] != 0)
            out.inverse[i] = out.inverse[i - 1];
    }
    for (int i = 0; i < kShaftTableSize; ++i) {
        if (out.forward[i] < kShaftTableSize)
            out.roundTrip.append(out.inverse[out.forward[i]]);
        out.inverseList.append(out.inverse[i]);
    }
    // A table with holes would send the shaft to wrong positions: refused whole.
    out.ok = out.outside.isEmpty();
    return out;
}

QList<QByteArray> motorTablePackets(const QList<float> &table, float eoffset)
{
    QList<QByteArray> packets;
    QByteArray buf(kPacketSize, '\0');
    buf[0] = 'U';
    buf[1] = 'd';
    auto entry = [&](int i) { return i < table.size() ? table[i] : 0.0f; };
    for (int k = 0; k < kMotorPackets; ++k) {
        auto *p = reinterpret_cast<uint8_t *>(buf.data());
        if (k < kMotorPackets - 1) {
            for (int e = 0; e < 15; ++e)
                putLe32(p + 2 + 4 * e, floatBits(entry(15 * k + e)));
            putPacketTail(buf, 16, k);
        } else {
            putLe32(p + 2, floatBits(entry(255)));
            putLe32(p + 6, floatBits(eoffset));
            putPacketTail(buf, 2, k);
        }
        packets.append(buf);
    }
    return packets;
}

QList<QByteArray> outputShaftPackets(const QList<quint16> &inverse)
{
    QList<QByteArray> packets;
    QByteArray buf(kPacketSize, '\0');
    buf[0] = 'U';
    buf[1] = 'M';
    for (int k = 0; k < kShaftPackets; ++k) {
        const int count = k < kShaftPackets - 1 ? 30 : 16;
        for (int e = 0; e < count; ++e) {
            const quint16 v = inverse.value(30 * k + e);
            buf[2 + 2 * e] = char(v & 0xFF);
            buf[3 + 2 * e] = char(v >> 8);
        }
        putPacketTail(buf, count, k);
        packets.append(buf);
    }
    return packets;
}

QString compensationTableText(const QString &heading, const QList<float> &table, float eoffset, int rawOffset,
                              int index, int rawFirst, int rawLast)
{
    auto fixed = [](float v) { return QString("%1\n").arg(double(v), -10, 'f', 6); };
    auto integer = [](int v) { return QString("%1\n").arg(v); };
    QString text = heading;
    for (float v : table)
        text += fixed(v);
    text += "eoffset\n\n" + fixed(eoffset);
    text += "raw_offset\n\n" + integer(rawOffset);
    text += "ind\n\n" + integer(index);
    text += "_raw_f\n\n" + integer(rawFirst);
    text += "_raw_b\n\n" + integer(rawLast);
    return text;
}

bool parseCompensationUpload(const QByteArray &bytes, QList<float> *table)
{
    if (bytes.size() < kUploadSize || (bytes[0] != 'H' && bytes[0] != 'I'))
        return false;
    QList<float> t;
    t.reserve(kTableSize);
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.constData());
    for (int i = 0; i < kTableSize; ++i)
        t.append(bitsFloat(getLe32(p + 1 + 4 * i)));
    *table = t;
    return true;
}

QStringList motorParameterTexts(const MotorParameter &p)
{
    auto num = [](double v) { return QString::number(v, 'g', 6); };
    return {num(double(p.Rs) * 1000) + " mR", num(double(p.Ls) * 1e6) + " uH", num(p.Flux) + " Wb", num(p.Damp),
            num(p.Inertia) + " kg*m2"};
}

QString float2strRightJustified(float value, int width)
{
    return QString::number(value, 'g', 6).rightJustified(width, ' ');
}

} // namespace CalMath
