#pragma once

#include <atomic>

// The flags with which one procedure at a time takes over the serial receive stream, and
// the link mode the stream is read in. The procedures set them on the GUI thread; the
// receive pipeline reads them every 10 ms on its own task, hence atomics. The link layer
// knows only these flags, not the procedures behind them.
struct ReceiveSteering
{
    std::atomic_bool canMode{true}; // the port carries the adapter (CAN) or the motor's console (UART)

    std::atomic_bool motorSideHandshake{false};
    std::atomic_bool calHandshakeBusy{false};
    std::atomic_bool motorSideStreaming{false};
    std::atomic_bool outputShaftStreaming{false};
    std::atomic_bool tableSending{false};
    std::atomic_bool outTableSending{false};
    std::atomic_bool compTableExpected{false};
    std::atomic_bool harmonicAnalysis{false};
    std::atomic_bool paramReading{false};
    std::atomic_bool paramWriting{false};
    std::atomic_bool versionReading{false};
    std::atomic_bool identifying{false};
    std::atomic_bool longParamFormat{false};
    std::atomic_bool bootWaitSerial{false};
    std::atomic_bool bootWaitUsb{false};
    std::atomic_bool upgradeDone{false};
    std::atomic_bool upgradeMode{false};
    std::atomic_bool upgradeSending{false};
    std::atomic_bool outputShaftEncoder{false};
    std::atomic_bool shortRecords{false}; // calibration records of 9 / 13 bytes instead of 21
    std::atomic_bool versionMode{false};  // a CAN version read is under way
};
