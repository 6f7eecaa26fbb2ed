#pragma once

// The bootloader of a simulated motor controller. The controller enters it on the
// console byte 'X' (answer "Enter Bootloader\r\n") or on the CAN request
// 55 01 02 AA <its CAN ID, low, high> AA AA (answer "Aupgrade"). It then takes packets
// '#' cmd '#' length(LE 16) data CRC-8/MAXIM(data) of up to 8192 data bytes, byte by
// byte as they come (over CAN, the data of the frames on the motor's ID), and answers
// each with "OK", the one whose cmd is 0 with "complete", a bad packet with "ERROR".
// Answers are words ended by '\n' (the console adds '\r'; over CAN each word is one
// frame). A packet left unfinished for a second is dropped with "ERROR". After
// "complete" the image received is kept for comparison and the controller runs again.
// Between packets on the console, ESC leaves the bootloader and 'X' starts over, as the
// CAN request does at any time.
//
// Faults on purpose: silence (the request, or packet n onward, is taken but never
// answered), "ERROR" for packet n (for the request: a refusal), or another answer to
// the request that leaves the controller in its application.
//
// Thread-safe; the motor calls it with its own lock held, and it never calls back.

#include <QByteArray>
#include <QList>

#include <chrono>
#include <mutex>

class SimBootloader
{
public:
    using Clock = std::chrono::steady_clock;
    enum class Path { Off, Console, Can };

    // The answer to entering over a path; empty while the request is to go unanswered.
    QByteArray enter(Path path, Clock::time_point now);
    void leave();
    Path path() const;
    bool active() const { return path() != Path::Off; }

    // Bytes of the running transfer; the answer words, '\n'-separated. Taking stops
    // where the bootloader is left; `taken` tells how many bytes it took.
    QByteArray feed(const QByteArray &bytes, Clock::time_point now, int *taken = nullptr);
    // "ERROR\n" for a packet left unfinished for a second, once.
    QByteArray poll(Clock::time_point now);
    bool packetPending() const;
    int bytesExpected() const;   // to finish the packet being received; 0 between packets
    void shiftClock(Clock::duration by);

    // ---- what was received
    QByteArray image() const;          // the image of the last transfer that completed
    int packets() const;               // its packet count
    QList<quint8> commands() const;    // cmd bytes of the packets taken in the current (or last) transfer
    QByteArray received() const;       // data taken so far in the current transfer
    int transfers() const;             // transfers completed

    // ---- faults; -1 switches one off. Packets are counted from 1 in each transfer; 0
    // means the request itself.
    void setSilentFrom(int packet);
    void setErrorAt(int packet);
    void setRefusal(const QByteArray &text); // the answer to the request; empty: none

private:
    QByteArray enterLocked(Path path, Clock::time_point now);
    QByteArray takeByteLocked(char ch);

    mutable std::mutex m_mutex;
    Path m_path = Path::Off;
    QByteArray m_packet;
    QByteArray m_newImage, m_image;
    QList<quint8> m_commands;
    int m_newPackets = 0, m_packets = 0, m_transfers = 0;
    Clock::time_point m_touched{};
    int m_silentFrom = -1;
    int m_errorAt = -1;
    QByteArray m_refusal;
};
