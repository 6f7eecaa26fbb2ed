#pragma once

// A test-only libusb-1.0: the library's functions that the tool calls, with the real
// header's signatures, serving simulated adapters instead of a USB bus. Link it in
// place of libusb-1.0.

#include "simUsbAdapter.h"

#include <memory>

namespace FakeLibusb {
// The devices on the simulated bus (replaces the previous set and drops pending
// hot-plug events; raises none).
void setDevices(const QList<std::shared_ptr<SimUsbAdapter>> &devices);
// Unplug / plug a device and queue the hot-plug event for the next event handling.
void unplug(const std::shared_ptr<SimUsbAdapter> &device);
void plug(const std::shared_ptr<SimUsbAdapter> &device);
// libusb_init fails with this code (0 = succeeds).
void setInitResult(int code);
// Live objects, so that tests can see that everything taken was given back.
int liveContexts();
int liveDevices();
int openHandles();
int claimedInterfaces();
} // namespace FakeLibusb
