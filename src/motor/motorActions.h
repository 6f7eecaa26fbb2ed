#pragma once

#include "motor/motorIds.h"
#include "motor/motorProtocol.h"

#include <QObject>

#include <atomic>
#include <functional>

class CustomCDC;

// The motor actions as the tool runs them, whoever asks: the window's buttons and the
// command line. Each sends through the link object on the caller's thread; the delays
// are single-shot timers (or waits that keep the event loop running), so replies keep
// coming in meanwhile. Nothing is sent once `context` is gone.
namespace MotorActions {

constexpr int CommandDelayMs = 10;  // before a special command
constexpr int PrepareDelayMs = 100; // before register, ID query and ID assignment operations
// After the last scan probe. A reply through the serial adapter passes the port reader and
// the dispatcher, which poll every 10 ms each, before the scan sees it: 10 ms would lose
// the replies to the last probes (the USB adapter's parser hands them over at once).
constexpr int ScanSettleUsbMs = 10;
constexpr int ScanSettleSerialMs = 100;

// Waits `ms` while the event loop keeps running (replies, repaints, typing).
void waitProcessingEvents(int ms);

// Enable, disable, save zero or clear error for the link's motor, to the command ID of
// control mode `mode` (the mode the user has selected now). What the adapter repeats is
// stopped first; the command follows CommandDelayMs later, except clear error on an
// adapter that repeats frames itself, which goes at once. `sent` runs right after the
// command went out.
void sendCommand(CustomCDC &link, MotorCommand command, int mode, QObject *context, std::function<void()> sent = {});

// The ID query: `replies` is emptied now, the query follows PrepareDelayMs later if the
// link is still open then.
void queryIds(CustomCDC &link, IdReplyMap &replies, QObject *context, std::function<bool()> linkOpen);

// The ID assignment that every motor on the bus takes: the console's disable byte now,
// the assignment (each ID as one byte) PrepareDelayMs later if the link is still open.
void assignIds(CustomCDC &link, unsigned canid, unsigned masterid, QObject *context,
               std::function<bool()> linkOpen);

// A whole-record register operation (0 read, 1 write, 2 save) over the link's transport.
// Read and write first stop what the adapter repeats (CAN mode) or send the console's
// disable byte (UART mode) and start PrepareDelayMs later; a read begins a fresh reply
// count. Save goes at once.
void startRegisters(CustomCDC &link, int type, QObject *context);

// The bus scan: `scanning` is set, one probe per millisecond goes out for the IDs
// 0 .. kScanCount - 1, `afterLastProbe` runs, and after the settle time for the adapter in
// use `scanning` is cleared again. The receive dispatch collects the replies while it is
// set. False when the link closed on the way (the scan is abandoned, nothing to evaluate).
bool scanBus(CustomCDC &link, std::atomic_bool &scanning, const std::function<bool()> &linkOpen,
             const std::function<void()> &afterLastProbe = {});

} // namespace MotorActions
