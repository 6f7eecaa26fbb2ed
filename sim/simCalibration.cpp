#include "simCalibration.h"

#include "simCodec.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr int kPacketSize = 64;
constexpr int kShaftEntries = 4096;

double wrap2Pi(double a)
{
    a = std::fmod(a, kTwoPi);
    return a < 0 ? a + kTwoPi : a;
}

double wrapPi(double a)
{
    a = wrap2Pi(a);
    return a > kTwoPi / 2 ? a - kTwoPi : a;
}

double harmonics(const QList<SimCalibration::Harmonic> &list, double angle)
{
    double e = 0;
    for (const auto &h : list)
        e += h.amplitude * std::sin(h.order * angle + h.phase);
    return e;
}

// CRC-32/MPEG-2 bit by bit, apart from the tool's table-driven one.
quint32 crc32Mpeg2(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= quint32(quint8(ch)) << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : (crc << 1);
    }
    return crc;
}

void putU16(QByteArray &out, int offset, quint16 v)
{
    out[offset] = char(v & 0xFF);
    out[offset + 1] = char(v >> 8);
}

quint16 plotValue(double v)
{
    auto u = quint16(std::lround(800.0 * v));
    // never 'h' in the low byte: the tool takes byte 13 = 'h' for the short layout
    if ((u & 0xFF) == 'h')
        ++u;
    return u;
}
} // namespace

void SimCalibration::setConfig(const Config &config)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config = config;
}

SimCalibration::Config SimCalibration::config() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_config;
}

void SimCalibration::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = faults;
}

SimCalibration::Faults SimCalibration::faults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

double SimCalibration::motorError(double rotorAngle) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return harmonics(m_config.motorError, rotorAngle);
}

double SimCalibration::shaftError(double shaftAngle) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return harmonics(m_config.shaftError, shaftAngle);
}

QList<float> SimCalibration::motorTable() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motorTable;
}

float SimCalibration::motorOffset() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motorOffset;
}

int SimCalibration::motorPackets() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motorPackets;
}

QList<quint16> SimCalibration::shaftTable() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shaftTable;
}

int SimCalibration::shaftPackets() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shaftPackets;
}

int SimCalibration::recordsSent() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sent;
}

bool SimCalibration::isCommand(quint8 second)
{
    return second == 'c' || second == 'l' || takesPacket(second);
}

QByteArray SimCalibration::command(quint8 second, const QByteArray &identification, Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (takesPacket(second)) {
        m_packet = QByteArray(1, 'U') + char(second);
        return {};
    }
    if (m_faults.silentHandshake)
        return {};
    const bool motor = second == 'c';
    m_stream = motor ? (m_config.shortRecords ? Stream::MotorShort : Stream::MotorLong)
                     : (m_config.shortRecords ? Stream::ShaftShort : Stream::ShaftLong);
    m_identification = identification;
    m_streamStart = now + std::chrono::milliseconds(m_config.startDelayMs);
    m_sent = 0;
    m_tablePending = false;
    if (!motor)
        return {};
    QByteArray reply(6, '\0');
    reply[0] = 'c';
    SimCodec::putU32(reply, 1, m_config.polePairs);
    reply[5] = m_faults.badHandshake ? 'Z' : 'U';
    return reply;
}

int SimCalibration::streamLength() const
{
    const int s = int(512 * m_config.polePairs);
    switch (m_stream) {
    case Stream::MotorLong: return s;
    case Stream::MotorShort: return s + 2;
    case Stream::ShaftLong: return m_config.shaftPreRecords + 1 + kShaftEntries * m_config.shaftStep + 2;
    case Stream::ShaftShort: return m_config.shortShaftRecords + 1;
    case Stream::None: break;
    }
    return 0;
}

QByteArray SimCalibration::motorRecord(int i) const
{
    const int P = int(m_config.polePairs);
    const int Q = 256 * P;
    const double step = kTwoPi / Q;
    const bool forward = i < Q;
    const double refer = forward ? (i + 1) * step : (Q - 1 - (i - Q)) * step;
    const double dir = forward ? 1.0 : -1.0;
    const double rotor = refer - m_config.lag * dir - m_config.ripple * std::sin(2.0 * P * refer);
    const double reading = m_config.measuredScale * rotor + harmonics(m_config.motorError, rotor) + m_config.motorZero;
    const float real = float(wrap2Pi(reading));
    const float err = i == m_faults.wildSampleAt ? 3e4f : float(wrapPi(refer - double(real)));
    const auto raw = quint16(std::lround(double(real) / kTwoPi * 16384.0) & 0x3FFF);
    if (m_stream == Stream::MotorShort) {
        QByteArray r(9, '\0');
        r[0] = 'd';
        SimCodec::putFloat(r, 1, float(refer));
        SimCodec::putFloat(r, 5, real);
        return r;
    }
    QByteArray r(21, '\0');
    r[0] = char(0x89);
    SimCodec::putFloat(r, 1, float(refer));
    SimCodec::putFloat(r, 5, real);
    SimCodec::putFloat(r, 9, err);
    putU16(r, 13, raw);
    putU16(r, 15, quint16(i + (i == m_faults.countAheadAt ? 1 : 0)));
    return r;
}

QByteArray SimCalibration::shaftRecord(char type, double theta) const
{
    const double reading = wrap2Pi(theta + harmonics(m_config.shaftError, theta) + m_config.shaftZero);
    const bool data = type == 'h' || type == 'H';
    const float v1 = data ? float(wrap2Pi(10.0 * theta)) : 0.0f;
    const float v2 = data ? float(reading - kTwoPi / 2) : 0.0f;
    const float v3 = data ? float(wrapPi(theta - reading)) : 0.0f;
    quint16 v4 = data ? plotValue(1.5 + 0.5 * std::sin(theta)) : 0;
    quint16 v5 = data ? plotValue(1.0 + 0.25 * std::cos(theta)) : 0;
    if (type == 'J') {
        v4 = 1000;
        v5 = m_config.shaftStep;
    }
    if (m_stream == Stream::ShaftShort) {
        QByteArray r(13, '\0');
        r[0] = type;
        SimCodec::putFloat(r, 1, v1);
        SimCodec::putFloat(r, 5, v2);
        putU16(r, 9, v4);
        putU16(r, 11, v5);
        return r;
    }
    QByteArray r(21, '\0');
    r[0] = type;
    SimCodec::putFloat(r, 1, v1);
    SimCodec::putFloat(r, 5, v2);
    SimCodec::putFloat(r, 9, v3);
    putU16(r, 13, v4);
    putU16(r, 15, v5);
    SimCodec::putU32(r, 17, crc32Mpeg2(r.left(17)));
    return r;
}

QByteArray SimCalibration::record(int index) const
{
    QByteArray r;
    const int n = kShaftEntries * m_config.shaftStep;
    const double step = kTwoPi / n;
    const int pre = m_config.shaftPreRecords;
    switch (m_stream) {
    case Stream::MotorLong:
        r = motorRecord(index);
        break;
    case Stream::MotorShort:
        if (index == 0)
            r = m_identification;
        else if (index <= int(512 * m_config.polePairs))
            r = motorRecord(index - 1);
        else
            r = QByteArray(1, 'F') + QByteArray(8, '\0');
        break;
    case Stream::ShaftLong:
        if (index < pre)
            r = shaftRecord('h', m_config.shaftStart - (pre - index) * step);
        else if (index == pre)
            r = shaftRecord('J', 0);
        else if (index <= pre + n) {
            r = shaftRecord('H', m_config.shaftStart + (index - pre - 1) * step);
            if (index == m_faults.wildSampleAt) {
                SimCodec::putFloat(r, 9, 1.7e38f);
                SimCodec::putU32(r, 17, crc32Mpeg2(r.left(17)));
            }
        }
        else if (index == pre + n + 1)
            r = shaftRecord('Z', 0);
        else
            return m_config.shaftTrailer;
        break;
    case Stream::ShaftShort:
        r = index < m_config.shortShaftRecords ? shaftRecord('h', m_config.shaftStart + index * step)
                                               : shaftRecord('v', 0);
        break;
    case Stream::None:
        break;
    }
    if (index == m_faults.flipBitInRecord && r.size() > 5)
        r[5] = char(r[5] ^ 0x01);
    return r;
}

QByteArray SimCalibration::uploadTable(char head) const
{
    QByteArray t(1026, '\0');
    t[0] = m_faults.badUpload ? 'X' : head;
    const bool motor = head == 'H';
    for (int i = 0; i < 256; ++i) {
        const double a = i * kTwoPi / 256;
        const double e = harmonics(motor ? m_config.motorError : m_config.shaftError, a);
        SimCodec::putFloat(t, 1 + 4 * i, float(-e * 16384.0 / kTwoPi));
    }
    return t;
}

QByteArray SimCalibration::poll(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QByteArray out;
    if (m_stream != Stream::None && now >= m_streamStart) {
        const double elapsed = std::chrono::duration<double>(now - m_streamStart).count();
        const int total = streamLength();
        const int due = std::min(total, 1 + int(elapsed * std::max(1, m_config.recordsPerSecond)));
        while (m_sent < due)
            out += record(m_sent++);
        if (m_sent >= total) {
            if (m_stream == Stream::MotorShort || m_stream == Stream::ShaftShort) {
                m_tablePending = true;
                m_tableDue = now + std::chrono::milliseconds(m_config.tableDelayMs);
                m_uploadHead = m_stream == Stream::MotorShort ? 'H' : 'I';
            }
            m_stream = Stream::None;
        }
    }
    if (m_tablePending && now >= m_tableDue) {
        m_tablePending = false;
        out += uploadTable(m_uploadHead);
    }
    return out;
}

bool SimCalibration::active() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stream != Stream::None || m_tablePending;
}

void SimCalibration::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stream = Stream::None;
    m_tablePending = false;
    m_packet.clear();
}

int SimCalibration::packetBytesExpected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_packet.isEmpty() ? 0 : kPacketSize - int(m_packet.size());
}

QByteArray SimCalibration::packetByte(quint8 b)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_packet.isEmpty())
        return {};
    m_packet.append(char(b));
    return m_packet.size() < kPacketSize ? QByteArray() : finishPacket();
}

QByteArray SimCalibration::finishPacket()
{
    const QByteArray p = m_packet;
    m_packet.clear();
    const char kind = p[1];
    const int number = quint8(p[63]);
    if (kind == 'd') {
        if (number == 0)
            m_motorPackets = 0;
        ++m_motorPackets;
        if (number < 17) {
            for (int e = 0; e < 15; ++e)
                m_motorTable[15 * number + e] = SimCodec::getFloat(p, 2 + 4 * e);
        } else if (number == 17) {
            m_motorTable[255] = SimCodec::getFloat(p, 2);
            m_motorOffset = SimCodec::getFloat(p, 6);
        }
    } else {
        if (number == 0)
            m_shaftPackets = 0;
        ++m_shaftPackets;
        const int count = quint8(p[62]);
        for (int e = 0; e < count && e < 30 && 30 * number + e < kShaftEntries; ++e)
            m_shaftTable[30 * number + e] = quint16(quint8(p[2 + 2 * e]) | (quint8(p[3 + 2 * e]) << 8));
    }
    if (number == m_faults.silentReplyAt)
        return {};
    QByteArray reply(2, '\0');
    reply[0] = kind;
    reply[1] = char(number == m_faults.wrongReplyAt ? number + 1 : number);
    return reply;
}
