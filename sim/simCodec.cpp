#include "simCodec.h"

#include <cmath>
#include <cstring>

namespace SimCodec {

quint8 crc8Maxim(const char *data, int length)
{
    quint8 crc = 0;
    for (int i = 0; i < length; ++i) {
        quint8 byte = quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = (crc ^ byte) & 0x01;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
            byte >>= 1;
        }
    }
    return crc;
}

int floatToUint(float x, float xMin, float xMax, int bits)
{
    if (!(x >= xMin)) // also catches NaN, which a device must not turn into garbage
        x = xMin;
    else if (x > xMax)
        x = xMax;
    const float span = xMax - xMin;
    if (!(span > 0.0f))
        return 0;
    const float scale = float((1u << bits) - 1u);
    return int(scale * (x - xMin) / span);
}

float uintToFloat(int code, float xMin, float xMax, int bits)
{
    const float scale = float(quint16((1u << bits) - 1u));
    return float(code) * (xMax - xMin) / scale + xMin;
}

void putU32(QByteArray &out, int offset, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = char((v >> (8 * i)) & 0xFF);
}

quint32 getU32(const QByteArray &in, int offset)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(quint8(in.at(offset + i))) << (8 * i);
    return v;
}

quint32 floatBits(float v)
{
    quint32 u;
    std::memcpy(&u, &v, 4);
    return u;
}

float bitsFloat(quint32 v)
{
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

void putFloat(QByteArray &out, int offset, float v) { putU32(out, offset, floatBits(v)); }
float getFloat(const QByteArray &in, int offset) { return bitsFloat(getU32(in, offset)); }

QByteArray transmitFrame(quint32 id, const QByteArray &data, bool extended, bool remote,
                         quint8 command, quint32 count, quint32 intervalField)
{
    QByteArray f(TransmitFrameSize, '\0');
    f[0] = char(0x55);
    f[1] = char(0xAA);
    f[2] = char(TransmitFrameSize);
    f[3] = char(command);
    putU32(f, 4, count);
    putU32(f, 8, intervalField);
    f[12] = extended ? 1 : 0;
    putU32(f, 13, id);
    f[17] = remote ? 1 : 0;
    const int n = int(qMin<qsizetype>(data.size(), 8));
    f[18] = char(n);
    for (int i = 0; i < n; ++i)
        f[21 + i] = data[i];
    f[29] = char(crc8Maxim(f.constData(), TransmitFrameSize));
    return f;
}

QByteArray bitRateRequest(quint8 index)
{
    QByteArray r;
    r.append(char(0x55)).append(char(0x05)).append(char(index)).append(char(0xAA)).append(char(0x55));
    return r;
}

QByteArray stopRequest()
{
    return QByteArray::fromHex("5503aa55");
}

bool transmitFrameValid(const QByteArray &frame)
{
    if (frame.size() < TransmitFrameSize)
        return false;
    if (quint8(frame[0]) != 0x55 || quint8(frame[1]) != 0xAA || quint8(frame[2]) != TransmitFrameSize)
        return false;
    QByteArray copy = frame.left(TransmitFrameSize);
    copy[29] = 0;
    return crc8Maxim(copy) == quint8(frame[29]);
}

QByteArray receiveFrame(quint8 status, quint32 id, const QByteArray &data, bool extended, bool remote)
{
    QByteArray f(ReceiveFrameSize, '\0');
    const int n = int(qMin<qsizetype>(data.size(), 8));
    f[0] = char(0xAA);
    f[1] = char(status);
    f[2] = char(n | (extended ? 0x40 : 0) | (remote ? 0x80 : 0));
    putU32(f, 3, id);
    for (int i = 0; i < n; ++i)
        f[7 + i] = data[i];
    f[15] = char(0x55);
    return f;
}

bool parseReceiveFrame(const QByteArray &bytes, int offset, SimReceiveFrame *out)
{
    if (offset < 0 || offset + ReceiveFrameSize > bytes.size())
        return false;
    if (quint8(bytes[offset]) != 0xAA || quint8(bytes[offset + 15]) != 0x55)
        return false;
    out->status = quint8(bytes[offset + 1]);
    out->info = quint8(bytes[offset + 2]);
    out->id = getU32(bytes, offset + 3);
    const int n = qMin(out->info & 0x3F, 8);
    out->data = bytes.mid(offset + 7, n);
    return true;
}

QByteArray mitCommand(float p, float v, float kp, float kd, float t, const SimRanges &r)
{
    const int pc = floatToUint(p, -r.pMax, r.pMax, 16);
    const int vc = floatToUint(v, -r.vMax, r.vMax, 12);
    const int kpc = floatToUint(kp, 0.0f, r.kpMax, 12);
    const int kdc = floatToUint(kd, 0.0f, r.kdMax, 12);
    const int tc = floatToUint(t, -r.tMax, r.tMax, 12);
    QByteArray d(8, '\0');
    d[0] = char(pc >> 8);
    d[1] = char(pc & 0xFF);
    d[2] = char(vc >> 4);
    d[3] = char(((vc & 0xF) << 4) | (kpc >> 8));
    d[4] = char(kpc & 0xFF);
    d[5] = char(kdc >> 4);
    d[6] = char(((kdc & 0xF) << 4) | (tc >> 8));
    d[7] = char(tc & 0xFF);
    return d;
}

QByteArray positionVelocityCommand(float p, float v)
{
    QByteArray d(8, '\0');
    putFloat(d, 0, p);
    putFloat(d, 4, v);
    return d;
}

QByteArray velocityCommand(float v)
{
    QByteArray d(4, '\0');
    putFloat(d, 0, v);
    return d;
}

static quint16 scaled16(float value, float factor)
{
    const double product = double(value) * double(factor);
    if (product > 65535.0)
        return 0xFFFF;
    return quint16(qint64(product) & 0xFFFF);
}

QByteArray pvtCommand(float p, float v, float currentFraction)
{
    QByteArray d(8, '\0');
    putFloat(d, 0, p);
    const quint16 vc = scaled16(v, 100.0f);
    const quint16 ic = scaled16(currentFraction, 10000.0f);
    d[4] = char(vc & 0xFF);
    d[5] = char(vc >> 8);
    d[6] = char(ic & 0xFF);
    d[7] = char(ic >> 8);
    return d;
}

QByteArray specialCommand(Special which)
{
    QByteArray d(8, char(0xFF));
    d[7] = char(which);
    return d;
}

quint32 commandId(quint32 canId, int mode)
{
    if (mode < 0 || mode > 3)
        return canId;
    return (canId & 0x7FF) + quint32(mode) * 0x100;
}

QByteArray feedbackPayload(const SimFeedback &fb, const SimRanges &r)
{
    const int p = floatToUint(fb.position, -r.pMax, r.pMax, 16);
    const int v = floatToUint(fb.velocity, -r.vMax, r.vMax, 12);
    const int t = floatToUint(fb.torque, -r.tMax, r.tMax, 12);
    QByteArray d(8, '\0');
    d[0] = char(((fb.state & 0xF) << 4) | (fb.idNibble & 0xF));
    d[1] = char(p >> 8);
    d[2] = char(p & 0xFF);
    d[3] = char(v >> 4);
    d[4] = char(((v & 0xF) << 4) | (t >> 8));
    d[5] = char(t & 0xFF);
    d[6] = char(fb.driverTemp);
    d[7] = char(fb.motorTemp);
    return d;
}

SimFeedback decodeFeedback(const QByteArray &data, const SimRanges &r)
{
    SimFeedback fb;
    if (data.size() < 8)
        return fb;
    auto b = [&](int i) { return int(quint8(data[i])); };
    fb.state = quint8(b(0) >> 4);
    fb.idNibble = quint8(b(0) & 0xF);
    fb.position = uintToFloat((b(1) << 8) | b(2), -r.pMax, r.pMax, 16);
    fb.velocity = uintToFloat((b(3) << 4) | (b(4) >> 4), -r.vMax, r.vMax, 12);
    fb.torque = uintToFloat(((b(4) & 0xF) << 8) | b(5), -r.tMax, r.tMax, 12);
    fb.driverTemp = qint8(data[6]);
    fb.motorTemp = qint8(data[7]);
    return fb;
}

QByteArray registerFrame(quint32 canId, quint8 command, quint8 rid, quint32 value)
{
    QByteArray d(8, '\0');
    d[0] = char(canId & 0xFF);
    d[1] = char((canId >> 8) & 0xFF);
    d[2] = char(command);
    d[3] = char(rid);
    putU32(d, 4, value);
    return d;
}

QByteArray firmwarePacket(const QByteArray &data, quint8 command)
{
    QByteArray p;
    p.reserve(data.size() + 6);
    p.append('#').append(char(command)).append('#');
    p.append(char(data.size() & 0xFF)).append(char((data.size() >> 8) & 0xFF));
    p.append(data);
    p.append(char(crc8Maxim(data)));
    return p;
}

} // namespace SimCodec
