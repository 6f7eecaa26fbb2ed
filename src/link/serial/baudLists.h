#pragma once

#include <iterator>

// Fixed choice lists of the serial side. Plain arrays so that they exist before main()
// without any static-initialisation order to worry about.

// Serial port baud rates offered in the port settings (bit/s).
inline constexpr int UARTBaudList[] = {4800, 9600, 14400, 19200, 28800, 38400,
                                       57600, 115200, 460800, 921600, 4000000};

// CAN bit rates of the serial adapter (kbit/s). The position in this list is what the
// adapter's bit-rate request carries, so the order is part of the wire protocol.
inline constexpr int CANBaudList[] = {1000, 800, 666, 500, 400, 250, 200, 100, 80, 50, 40, 20, 10, 5};

inline constexpr int UARTBaudCount = int(std::size(UARTBaudList));
inline constexpr int CANBaudCount = int(std::size(CANBaudList));

// Position of a bit rate (kbit/s) in CANBaudList, or -1 when the adapter has no such rate.
int canBaudIndexOf(int kbps);
