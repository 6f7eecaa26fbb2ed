#include "simCanBusPeer.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {
constexpr int kSeenKept = 100000;
}

SimCanBusPeer::SimCanBusPeer(std::shared_ptr<SimBus> bus, QString interfaceName, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_interface(std::move(interfaceName))
{
}

SimCanBusPeer::~SimCanBusPeer() { stop(); }

bool SimCanBusPeer::start(QString *error)
{
    QString why;
    m_device.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), m_interface, &why));
    if (!m_device) {
        if (error)
            *error = why;
        return false;
    }
    // The motors answer classic frames; FD frames of the tool still reach the bus.
    m_device->setConfigurationParameter(QCanBusDevice::CanFdKey, QVariant(true));
    connect(m_device.get(), &QCanBusDevice::framesReceived, this, &SimCanBusPeer::take);
    if (!m_device->connectDevice()) {
        if (error)
            *error = m_device->errorString();
        m_device.reset();
        return false;
    }
    QDeadlineTimer deadline(5000);
    while (m_device->state() == QCanBusDevice::ConnectingState && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(m_device.get(), &QCanBusDevice::stateChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (m_device->state() != QCanBusDevice::ConnectedState) {
        if (error)
            *error = QStringLiteral("virtualcan %1: not connected").arg(m_interface);
        m_device.reset();
        return false;
    }
    return true;
}

void SimCanBusPeer::stop()
{
    if (!m_device)
        return;
    m_device->disconnectDevice();
    m_device.reset();
}

QList<QCanBusFrame> SimCanBusPeer::seen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

qint64 SimCanBusPeer::seenCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seenCount;
}

void SimCanBusPeer::clearSeen()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seen.clear();
    m_seenCount = 0;
}

bool SimCanBusPeer::inject(const QCanBusFrame &frame) { return m_device && m_device->writeFrame(frame); }

void SimCanBusPeer::take()
{
    const QList<QCanBusFrame> frames = m_device->readAllFrames();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.append(frames);
        m_seenCount += frames.size();
        if (m_seen.size() > kSeenKept)
            m_seen.remove(0, m_seen.size() - kSeenKept);
    }
    for (const QCanBusFrame &f : frames) {
        // A motor takes data frames of up to 8 bytes (classic, or FD on an FD bus).
        if (f.frameType() != QCanBusFrame::DataFrame || f.payload().size() > 8)
            continue;
        for (const SimCanFrame &a : m_bus->transmit({f.frameId(), f.payload(), f.hasExtendedFrameFormat(), false})) {
            QCanBusFrame reply(a.id, a.data);
            reply.setExtendedFrameFormat(a.extended);
            m_device->writeFrame(reply);
        }
    }
}
