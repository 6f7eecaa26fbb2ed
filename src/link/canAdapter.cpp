#include "link/canAdapter.h"

namespace {
const int s_frameListMetaType = qRegisterMetaType<QList<CanBusFrame>>("QList<CanBusFrame>");
const int s_stateMetaType = qRegisterMetaType<CanAdapter::State>("CanAdapter::State");
const int s_errorMetaType = qRegisterMetaType<CanAdapter::Error>("CanAdapter::Error");
} // namespace

CanAdapter::CanAdapter(QObject *parent) : QObject(parent) {}

CanAdapter::~CanAdapter() = default;

bool CanAdapter::connectDevice()
{
    if (state() == State::Connected)
        return true;
    if (state() != State::Unconnected)
        return false;
    m_error = Error::NoError;
    m_errorString.clear();
    setState(State::Connecting);
    if (!open()) {
        setState(State::Unconnected);
        return false;
    }
    setState(State::Connected);
    return true;
}

void CanAdapter::disconnectDevice()
{
    if (state() == State::Unconnected || state() == State::Closing)
        return;
    setState(State::Closing);
    close();
    setState(State::Unconnected);
}

void CanAdapter::setState(State s)
{
    if (m_state.exchange(s) != s)
        emit stateChanged(s);
}

void CanAdapter::setError(Error e, const QString &text)
{
    m_error = e;
    m_errorString = text;
    emit errorOccurred(e, text);
}

void CanAdapter::enqueueReceivedFrames(const QList<CanBusFrame> &frames)
{
    if (!frames.isEmpty())
        emit framesReceived(frames);
}
