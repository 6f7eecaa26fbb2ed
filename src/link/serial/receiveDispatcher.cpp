#include "link/serial/receiveDispatcher.h"

#include "link/serial/receiveSteering.h"
#include "link/serial/protocolFormat.h"

namespace {
const int kFrameSize = 16;
const char kFrameHead = char(0xAA);
const quint8 kStatusReceived = 0x11;

template <typename F, typename... A> void call(const F &f, A &&...args)
{
    if (f)
        f(std::forward<A>(args)...);
}
} // namespace

QString versionText(const QByteArray &b)
{
    if (b.size() < 4)
        return QString();
    return QString("%1.%2.%3.%4").arg(quint8(b[3])).arg(quint8(b[2])).arg(quint8(b[1])).arg(quint8(b[0]));
}

ReceiveDispatcher::ReceiveDispatcher(ReceiveSteering *steering, Events events) : cdc(steering), ev(std::move(events)) {}

void ReceiveDispatcher::pass(ChunkSource &source)
{
    ReceiveSteering &c = *cdc;
    if (c.harmonicAnalysis || c.motorSideHandshake || c.calHandshakeBusy
        || (c.motorSideStreaming && c.outputShaftStreaming) || c.tableSending || c.outTableSending)
        return;

    if (c.paramReading || c.paramWriting || c.versionReading) {
        ++rxTimeoutTicks;
        if (rxTimeoutTicks > kIdentifyTimeoutPasses) {
            if (c.identifying) {
                c.identifying = false;
                timeOut();
            }
        } else if (rxTimeoutTicks > kRequestTimeoutPasses) {
            if (c.paramReading) {
                c.paramReading = false;
                timeOut();
            } else if (c.paramWriting) {
                c.paramWriting = false;
                timeOut();
            } else if (c.versionReading) {
                // A register reply that comes late must not be taken for a version.
                c.versionReading = false;
                c.versionMode = false;
                timeOut();
            }
        }
    } else if (c.identifying) {
        if (++rxTimeoutTicks > kIdentifyTimeoutPasses) {
            c.identifying = false;
            timeOut();
        }
    }

    // Every read counted up to here has queued its chunk, so the chunks taken below
    // include all of them.
    const quint64 readsBefore = source.reads();
    QByteArray chunk;
    bool gotBytes = false;
    while (source.take(chunk)) {
        gotBytes = gotBytes || !chunk.isEmpty();
        processChunk(chunk);
    }
    if (gotBytes) {
        // A chunk taken may come from a read not yet counted.
        heldAtRead = source.reads() + 1;
    } else if (!held.isEmpty() && readsBefore >= heldAtRead + quint64(tailHoldReads)) {
        // Reads went on and nothing completed the carried tail: it was console bytes.
        flushHeldTail();
    }
}

void ReceiveDispatcher::timeOut()
{
    rxTimeoutTicks = 0;
    call(ev.message, 6);
    answerBuffer.clear();
}

void ReceiveDispatcher::processChunk(const QByteArray &chunk)
{
    if (cdc->paramReading || cdc->paramWriting || cdc->identifying || cdc->versionReading) {
        // Bytes held from before the request are no part of its answer.
        if (!held.isEmpty()) {
            call(ev.rxCount);
            emitTerminal(held);
            held.clear();
        }
        // A parameter block may well hold 0xAA and, 15 bytes on, 0x55 (ACC = 10.0415 next
        // to ESC_ID = 0x55): the answer is taken whole.
        gbkLead = false;
        if (!chunk.isEmpty())
            handleRest(chunk);
        return;
    }

    // A held tail starts at a character boundary.
    bool lead = held.isEmpty() && gbkLead;
    const QByteArray data = held + chunk;
    held.clear();
    const bool mayHold = cdc->canMode;

    QList<int> positions;
    QByteArray rest;
    int i = 0;
    const int n = int(data.size());
    while (i < n) {
        const char b = data[i];
        if (b == kFrameHead) {
            if (i + kFrameSize - 1 < n) {
                if (data[i + kFrameSize - 1] == char(0x55)) {
                    positions << i;
                    i += kFrameSize;
                    lead = false;
                    continue;
                }
            } else if (mayHold && !lead && (i + 2 >= n || (quint8(data[i + 2]) & 0x3F) <= 8)) {
                // A frame may start here whose end has not arrived yet (its length code, if
                // already here, is one of a classic CAN frame).
                held = data.mid(i);
                break;
            }
        }
        lead = !lead && quint8(b) >= 0x81 && quint8(b) <= 0xFE;
        rest.append(b);
        ++i;
    }
    gbkLead = held.isEmpty() && lead;

    if (!rest.isEmpty())
        handleRest(rest);
    for (int p : positions)
        handleFrame(data.mid(p, kFrameSize));
}

void ReceiveDispatcher::flushHeldTail()
{
    const QByteArray tail = held;
    held.clear();
    if (!tail.isEmpty())
        handleRest(tail);
}

void ReceiveDispatcher::emitTerminal(const QByteArray &bytes) { call(ev.terminalBytes, bytes); }

void ReceiveDispatcher::handleRest(const QByteArray &rest)
{
    ReceiveSteering &c = *cdc;
    call(ev.rxCount);

    if (c.paramReading) {
        answerBuffer.append(rest);
        bool done = false;
        if (answerBuffer.size() > 149 && answerBuffer[0] == 'g' && answerBuffer[149] == kFrameHead) {
            call(ev.parameterBlock, answerBuffer.mid(1, 148), true);
            c.longParamFormat = true;
            done = true;
        } else if (answerBuffer.size() == 130 && answerBuffer[0] == 'g' && answerBuffer[129] == kFrameHead) {
            QByteArray record(148, '\0');
            record.replace(0, 128, answerBuffer.mid(1, 128));
            call(ev.parameterBlock, record, false);
            c.longParamFormat = false;
            done = true;
        }
        if (done) {
            answerBuffer.clear();
            c.paramReading = false;
            rxTimeoutTicks = 0;
        }
        return;
    }

    if (c.paramWriting) {
        answerBuffer.append(rest);
        if (answerBuffer.size() > 2) {
            if (answerBuffer.startsWith("UgZ"))
                call(ev.message, 2);
            else if (answerBuffer.startsWith("UgU"))
                call(ev.message, 7);
            answerBuffer.clear();
            c.paramWriting = false;
            rxTimeoutTicks = 0;
        }
        return;
    }

    if (c.identifying) {
        answerBuffer.append(rest);
        if (answerBuffer.size() > 20) {
            if (answerBuffer[0] == 'e')
                call(ev.motorParameters, answerBuffer.mid(1, 20));
            else
                call(ev.message, 2);
            answerBuffer.clear();
            c.identifying = false;
            rxTimeoutTicks = 0;
        }
        return;
    }

    if (c.versionReading) {
        answerBuffer.append(rest);
        if (answerBuffer.size() > 8) {
            if (answerBuffer[0] == 'f')
                call(ev.versions, versionText(answerBuffer.mid(1, 4)), versionText(answerBuffer.mid(5, 4)));
            else
                call(ev.message, 2);
            answerBuffer.clear();
            c.versionReading = false;
            rxTimeoutTicks = 0;
        }
        return;
    }

    if (ev.upgradeReply)
        ev.upgradeReply(rest, false, 0);
    emitTerminal(rest);
}

void ReceiveDispatcher::handleFrame(const QByteArray &frame)
{
    ReceiveSteering &c = *cdc;
    call(ev.rxCount);
    if (!c.upgradeMode)
        call(ev.canFrame, frame);

    // Only the data of a frame received from the bus can be the bootloader's answer: the
    // adapter's confirmations of sent frames carry the tool's own bytes.
    if (quint8(frame[1]) != kStatusReceived || !ev.upgradeReply)
        return;
    // The bootloader answers in standard data frames.
    const CAN_Frame f = byteArrayToCANFrame(frame);
    if (f.isExtended() || f.isRemote())
        return;
    const QByteArray data = frame.mid(7, qMin(f.dataLength(), 8));
    if (ev.upgradeReply(data, true, f.id))
        emitTerminal(data);
}
