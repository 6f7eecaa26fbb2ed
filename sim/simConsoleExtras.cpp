#include "simConsoleExtras.h"

#include "simCodec.h"

#include <cmath>
#include <cstring>

namespace {
constexpr int kReceivedLimit = 1 << 20;
}

SimSpectrumSignal SimSpectrumSignal::healthy()
{
    SimSpectrumSignal s;
    s.offset = 0.02;
    s.tones = {{5.0, 0.30, 0.0}, {24.414, 0.012, 0.4}, {28.3, 0.008, 1.1}, {50.0, 0.05, 0.7}, {120.0, 0.02, 2.0}};
    return s;
}

SimSpectrumSignal SimSpectrumSignal::tone(double hz, double amplitude)
{
    SimSpectrumSignal s;
    s.tones = {{hz, amplitude, 0.0}};
    return s;
}

QList<float> SimSpectrum::samples(const SimSpectrumSignal &signal)
{
    QList<float> out;
    out.reserve(std::max(0, signal.samples));
    const double rate = signal.sampleRate > 0 ? signal.sampleRate : 1000;
    for (int i = 0; i < signal.samples; ++i) {
        double v = signal.offset;
        for (const auto &t : signal.tones)
            v += t.amplitude * std::sin(2.0 * M_PI * t.hz * i / rate + t.phase);
        out.append(signal.replaced.value(i, float(v)));
    }
    return out;
}

quint32 SimSpectrum::crc32Mpeg2(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= quint32(quint8(c)) << 24;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

QByteArray SimSpectrum::answer(const SimSpectrumSignal &signal)
{
    QByteArray data;
    for (float f : samples(signal)) {
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        QByteArray word(4, '\0');
        SimCodec::putU32(word, 0, bits);
        data += word;
    }
    QByteArray crc(4, '\0');
    SimCodec::putU32(crc, 0, crc32Mpeg2(data) ^ (signal.breakCrc ? 0x00000001u : 0u));
    return QByteArray(1, 'T') + data + crc;
}

SimConsoleExtras::SimConsoleExtras() : m_signal(SimSpectrumSignal::healthy()) {}

void SimConsoleExtras::setSpectrumSignal(const SimSpectrumSignal &signal)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signal = signal;
}

SimSpectrumSignal SimConsoleExtras::spectrumSignal() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signal;
}

int SimConsoleExtras::spectrumRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

QByteArray SimConsoleExtras::spectrumAnswer()
{
    SimSpectrumSignal signal;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_requests;
        signal = m_signal;
    }
    return SimSpectrum::answer(signal);
}

void SimConsoleExtras::setEcho(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_echo = on;
}

bool SimConsoleExtras::echo() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_echo;
}

QByteArray SimConsoleExtras::echoOf(quint8 c) const
{
    const bool text = c >= 0x20 ? c != 0x7F : (c == '\t' || c == '\r' || c == '\n');
    return text && echo() ? QByteArray(1, char(c)) : QByteArray();
}

void SimConsoleExtras::record(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received += bytes;
    if (m_received.size() > kReceivedLimit)
        m_received.remove(0, m_received.size() - kReceivedLimit);
}

QByteArray SimConsoleExtras::receivedBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}
