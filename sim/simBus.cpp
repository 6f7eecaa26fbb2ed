#include "simBus.h"

#include <QStringList>

#include <algorithm>

namespace {
// The motor's can_br codes as bit rates.
const char *const kCanBrTexts[] = {"125K", "200K", "250K", "500K", "1M", "2M", "2.5M", "3.2M", "4M", "5M"};
constexpr int kCanBrCount = int(sizeof(kCanBrTexts) / sizeof(kCanBrTexts[0]));
} // namespace

SimBus::SimBus(const QList<MotorSetup> &setups)
{
    for (const MotorSetup &s : setups)
        addMotor(s);
}

std::shared_ptr<SimMotor> SimBus::addMotor(const MotorSetup &setup)
{
    if (setup.canId > 0x7FF || setup.masterId > 0x7FF || setup.canBr >= kCanBrCount || setup.canBr < -1)
        return nullptr;
    auto motor = std::make_shared<SimMotor>(setup.canId, setup.masterId, setup.layout);
    if (setup.canBr >= 0)
        motor->setSavedRegister(SimMotor::RidCanBr, setup.canBr);
    if (setup.profile > 0) {
        const int n = setup.profile;
        motor->setSavedRegister(SimMotor::RidUV, 10.0f + float(n));
        motor->setSavedRegister(SimMotor::RidOT, 80.0f - 5.0f * float(n));
        motor->setSavedRegister(SimMotor::registerIndex(QStringLiteral("KP_ASR")), 0.03f + 0.01f * float(n));
        motor->setSavedRegister(SimMotor::registerIndex(QStringLiteral("SN")), 23081501u + quint32(n));
        // "1205", "1206", ...: the application version the panel reads per motor.
        const quint32 sw = quint32('1') | quint32('2') << 8 | quint32('0') << 16 | quint32('5' + n % 5) << 24;
        motor->setSavedRegister(SimMotor::RidSwVer, sw);
    }
    addMotor(motor);
    return motor;
}

void SimBus::addMotor(const std::shared_ptr<SimMotor> &motor)
{
    if (!motor)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_motors.append(motor);
}

void SimBus::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_motors.clear();
    m_unplugged.clear();
}

void SimBus::setPluggedIn(int index, bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= m_motors.size())
        return;
    m_unplugged.removeAll(m_motors[index]);
    if (!on)
        m_unplugged.append(m_motors[index]);
}

bool SimBus::isPluggedIn(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && index < m_motors.size() && !m_unplugged.contains(m_motors[index]);
}

QList<std::shared_ptr<SimMotor>> SimBus::motors() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motors;
}

std::shared_ptr<SimMotor> SimBus::motor(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && index < m_motors.size() ? m_motors[index] : nullptr;
}

int SimBus::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_motors.size());
}

QList<SimCanFrame> SimBus::transmit(const SimCanFrame &frame) const
{
    // Motors answer outside the bus lock: each one takes its own.
    QList<std::shared_ptr<SimMotor>> present;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &m : m_motors)
            if (!m_unplugged.contains(m))
                present.append(m);
    }
    QList<SimCanFrame> out;
    for (const auto &m : present)
        out += m->receiveCan(frame);
    // Answers that start together are arbitrated by their identifiers; a stable sort
    // keeps one motor's answers (same identifier) in their order.
    std::stable_sort(out.begin(), out.end(), [](const SimCanFrame &a, const SimCanFrame &b) { return a.id < b.id; });
    return out;
}

QString SimBus::describe() const
{
    QStringList parts;
    for (const auto &m : motors()) {
        const quint32 code = m->registerRaw(SimMotor::RidCanBr);
        parts << QStringLiteral("motor 0x%1, master 0x%2, %3")
                     .arg(m->canId(), 2, 16, QLatin1Char('0'))
                     .arg(m->masterId(), 2, 16, QLatin1Char('0'))
                     .arg(code < quint32(kCanBrCount) ? QString::fromLatin1(kCanBrTexts[code]) : QString::number(code));
    }
    return parts.join(QStringLiteral("; "));
}
