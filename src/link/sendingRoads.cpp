#include "link/sendingRoads.h"

#include "log/log.h"

#include <QCoreApplication>
#include <QMetaEnum>

#include <utility>

namespace {
const int s_roadListMetaType = qRegisterMetaType<QList<SendingRoads::Road>>("QList<SendingRoads::Road>");

const char *keyOf(SendingRoads::Road road) { return QMetaEnum::fromType<SendingRoads::Road>().valueToKey(road); }
} // namespace

SendingRoads::SendingRoads(QObject *parent) : QObject(parent) {}

void SendingRoads::started(Road road, Stopper stop)
{
    for (Entry &e : m_running) {
        if (e.road == road) {
            e.stop = std::move(stop);
            return;
        }
    }
    m_running.append({road, std::move(stop)});
    Logger::info(QString("sending road started: %1").arg(keyOf(road)), "SendingRoads");
    emit runningChanged(running());
}

void SendingRoads::ended(Road road)
{
    for (int i = 0; i < m_running.size(); ++i) {
        if (m_running[i].road == road) {
            m_running.removeAt(i);
            Logger::info(QString("sending road ended: %1").arg(keyOf(road)), "SendingRoads");
            emit runningChanged(running());
            return;
        }
    }
}

bool SendingRoads::isRunning(Road road) const
{
    for (const Entry &e : m_running)
        if (e.road == road)
            return true;
    return false;
}

QList<SendingRoads::Road> SendingRoads::running() const
{
    QList<Road> out;
    for (const Entry &e : m_running)
        out << e.road;
    return out;
}

QList<SendingRoads::Road> SendingRoads::stopAll()
{
    // Taken off the list before any stopper runs: a stopper may end other roads, and a
    // road started while stopping is a new one that stays.
    const QList<Entry> entries = std::exchange(m_running, {});
    QList<Road> stopped;
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        stopped << it->road;
    if (stopped.isEmpty())
        return stopped;
    Logger::info(QString("stopping %1 sending road(s)").arg(stopped.size()), "SendingRoads");
    emit runningChanged(running());
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        if (it->stop)
            it->stop();
    return stopped;
}

QString SendingRoads::roadName(Road road)
{
    switch (road) {
    case MotorPeriodic: return QCoreApplication::translate("SendingRoads", "周期发送电机命令");
    case CanTabPeriodic: return QCoreApplication::translate("SendingRoads", "CAN 发送");
    case AdapterRepeat: return QCoreApplication::translate("SendingRoads", "适配器重复发送");
    case Replay: return QCoreApplication::translate("SendingRoads", "回放");
    case SendQueue: return QCoreApplication::translate("SendingRoads", "串口发送队列");
    case FirmwareUpgrade: return QCoreApplication::translate("SendingRoads", "固件升级");
    case Tuning: return QCoreApplication::translate("SendingRoads", "调参");
    }
    return QString();
}
