#pragma once

// A flood of bus traffic for the simulated adapters: frames at a chosen rate (far beyond
// what a real bus carries, if asked), with chosen data lengths, mixed received and
// transmitted, classic and FD. Frame k of a flood is always the same, so a reader can
// check that every frame arrived, in order: its data starts with the 32-bit frame number
// and its complement (little-endian), as far as the length allows, then zeros.

#include <QByteArray>
#include <QList>
#include <QtGlobal>

struct SimFlood {
    int framesPerSecond = 21551;
    QList<int> lengths{8};       // data lengths, one after the other (0-64; the serial adapter caps at 8)
    QList<quint32> ids{0x7FE};   // IDs, one after the other
    int transmittedEvery = 0;    // every n-th frame is one the adapter transmitted (0: none)
    int fdEvery = 0;             // every n-th frame is CAN FD even when short (longer than 8: always)
    bool extended = false;
};

struct SimFloodFrame {
    quint32 id = 0;
    QByteArray data;
    bool transmitted = false;
    bool fd = false;
    bool extended = false;
};

SimFloodFrame simFloodFrame(const SimFlood &flood, quint64 k);
// The frame number a flood frame's data carries, or -1 when its data is too short to
// tell or the complement does not match.
qint64 simFloodNumber(const QByteArray &data);
