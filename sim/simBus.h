#pragma once

// A CAN bus with several simulated motors, behind any simulated adapter. Every frame an
// adapter puts on the bus reaches every motor; their answers come back in the order the
// bus's arbitration gives them (the lower identifier first, a motor's own answers in the
// order it sent them). Each motor has its own CAN ID, master ID and can_br code, and
// answers the ID query, the ID assignment and the scan probe on its own. Thread-safe.

#include "simCodec.h"
#include "simMotor.h"

#include <QList>
#include <QString>

#include <memory>
#include <mutex>

class SimBus
{
public:
    struct MotorSetup {
        quint32 canId = 1;
        quint32 masterId = 0;
        int canBr = -1;  // the can_br code (0 = 125K .. 9 = 5M); -1 keeps the motor's default
        SimMotor::Layout layout = SimMotor::Layout::Short;
        // 0 keeps the factory registers; n > 0 gives a bench of motors that differ: gains,
        // limits, serial number and application version move with n.
        int profile = 0;
    };

    SimBus() = default;
    explicit SimBus(const QList<MotorSetup> &setups);
    SimBus(const SimBus &) = delete;
    SimBus &operator=(const SimBus &) = delete;

    // Adds a motor built from the setup; null when the setup is refused (an ID beyond 11
    // bits, an unknown can_br code).
    std::shared_ptr<SimMotor> addMotor(const MotorSetup &setup);
    void addMotor(const std::shared_ptr<SimMotor> &motor);
    void clear();
    QList<std::shared_ptr<SimMotor>> motors() const;
    std::shared_ptr<SimMotor> motor(int index) const;
    int size() const;

    // A motor unplugged from the bus hears nothing and answers nothing until plugged in
    // again (a bench where motors arrive one at a time). Out-of-range indexes are ignored.
    void setPluggedIn(int index, bool on);
    bool isPluggedIn(int index) const;

    // One frame on the bus; every plugged-in motor's answers, in arbitration order.
    QList<SimCanFrame> transmit(const SimCanFrame &frame) const;

    // "motor 0x01, master 0x11, 1M; motor 0x02, master 0x12, 500K"
    QString describe() const;

private:
    mutable std::mutex m_mutex;
    QList<std::shared_ptr<SimMotor>> m_motors;
    QList<std::shared_ptr<SimMotor>> m_unplugged;
};
