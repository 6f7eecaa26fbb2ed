#pragma once

// What the simulated motor's serial console does besides registers, identification and
// firmware: the sample block of the quality analysis (request 0x55 0x54, answer "T",
// 1024 little-endian floats, CRC-32/MPEG-2 little-endian), an echo of plain text typed
// into the console, and a record of the bytes the console received.
// Thread-safe; SimMotor holds one and calls it under its own lock.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QtGlobal>

#include <mutex>

// The content of the recorded block: a sum of sines over a constant.
struct SimSpectrumSignal {
    struct Tone {
        double hz = 0;
        double amplitude = 0;
        double phase = 0; // radians
    };
    QList<Tone> tones;
    double offset = 0;
    int samples = 1024;
    int sampleRate = 1000;
    bool breakCrc = false; // send a CRC that does not match the data
    QMap<int, float> replaced; // sample index -> the value recorded instead (NaN, inf, ...)

    // A sound motor: a strong low-frequency component, small ones elsewhere, both
    // judged frequencies far below the limit.
    static SimSpectrumSignal healthy();
    // One tone: `hz` with `amplitude`, nothing else.
    static SimSpectrumSignal tone(double hz, double amplitude);
};

namespace SimSpectrum {
// The recorded samples as floats.
QList<float> samples(const SimSpectrumSignal &signal);
// The console's whole answer: "T", the sample bytes, the CRC.
QByteArray answer(const SimSpectrumSignal &signal);
// CRC-32/MPEG-2, bit by bit (independent of the tool's table-driven one).
quint32 crc32Mpeg2(const QByteArray &data);
} // namespace SimSpectrum

class SimConsoleExtras
{
public:
    SimConsoleExtras();

    void setSpectrumSignal(const SimSpectrumSignal &signal);
    SimSpectrumSignal spectrumSignal() const;
    int spectrumRequests() const;
    // Counts the request and gives the answer bytes.
    QByteArray spectrumAnswer();

    // On by default: plain text (no console command) comes back as typed. Control bytes
    // other than tab, CR and LF are not text and are never echoed.
    void setEcho(bool on);
    bool echo() const;
    QByteArray echoOf(quint8 c) const;

    // The latest received bytes (up to 1 MiB), oldest first.
    void record(const QByteArray &bytes);
    QByteArray receivedBytes() const;

private:
    mutable std::mutex m_mutex;
    SimSpectrumSignal m_signal;
    int m_requests = 0;
    bool m_echo = true;
    QByteArray m_received;
};
