#include "calibration/calibrationCapture.h"

#include "calibration/calibrationMath.h"
#include "link/byteOrder.h"
#include "procedures/customCDC.h"
#include "link/serial/textHelpers.h"
#include "link/usb/crc.h"
#include "log/log.h"

#include <cstring>

namespace {
constexpr int kLong = 21;
constexpr int kMotorShort = 9;
constexpr int kShaftShort = 13;
constexpr float kPlotScale = 800.0f; // values 4 and 5 are plotted divided by this
constexpr quint8 kMotorDataHead = 0x89;

const uint8_t *bytes(const QByteArray &r) { return reinterpret_cast<const uint8_t *>(r.constData()); }

float f32(const QByteArray &r, int offset)
{
    const quint32 u = getLe32(bytes(r) + offset);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

quint16 u16(const QByteArray &r, int offset) { return quint16(bytes(r)[offset] | (bytes(r)[offset + 1] << 8)); }

template <typename F, typename... A> void call(const F &f, A &&...args)
{
    if (f)
        f(std::forward<A>(args)...);
}
} // namespace

CalibrationCapture::CalibrationCapture(CustomCDC *link, Events events) : cdc(link), ev(std::move(events)) {}

QString CalibrationCapture::motorRecordLine(float refer, float real, float err, quint16 raw, quint16 count)
{
    using CalMath::float2strRightJustified;
    return float2strRightJustified(refer, 10) + float2strRightJustified(real, 10) + float2strRightJustified(err, 10)
        + float2strRightJustified(raw, 8) + float2strRightJustified(count, 8);
}

void CalibrationCapture::resetRun()
{
    QMutexLocker lock(&sampleMutex);
    for (QList<float> *l : {&calSample1, &calSample2, &calSample3, &calSample4, &calSample5, &outShaftAngle1,
                            &outShaftAngle2, &outShaftAngle3})
        l->clear();
    calRawCounts.clear();
    calFrameCount = 0;
    outShaftHCount = 0;
    outShaftParamA = outShaftStep = outShaftSampleCount = 0;
    outShaftStartCount = 0;
    for (QList<float> *l : {&calSnapshot1, &calSnapshot2, &calSnapshot3, &calSnapshot4, &calSnapshot5})
        l->clear();
}

CalibrationCapture::Mode CalibrationCapture::mode() const
{
    if (cdc->motorSideStreaming)
        return cdc->shortRecords ? Mode::MotorShort : Mode::MotorLong;
    if (cdc->outputShaftStreaming)
        return cdc->shortRecords ? Mode::ShaftShort : Mode::ShaftLong;
    return Mode::None;
}

void CalibrationCapture::endStream()
{
    Logger::info("帧头错误", "calDataAnalysis");
    if (cdc->motorSideStreaming)
        cdc->motorSideStreaming = false;
    else
        cdc->outputShaftStreaming = false;
    call(ev.message, 6);
    call(ev.chartTimer, false);
}

void CalibrationCapture::decodePending(const std::function<bool()> &portOpen)
{
    if (cdc->calHandshakeBusy || cdc->upgradeSending)
        return;
    const bool motor = cdc->motorSideStreaming;
    if (!motor && !cdc->outputShaftStreaming)
        return;
    QStringList lines;
    auto flush = [&] {
        if (!lines.isEmpty())
            call(ev.text, lines.join('\n'));
        lines.clear();
    };
    while (portOpen() && (motor ? cdc->motorSideStreaming.load() : cdc->outputShaftStreaming.load())) {
        QByteArray record;
        {
            QMutexLocker lock(&cdc->calRecordMutex);
            if (cdc->calRecordQueue.isEmpty())
                break;
            record = cdc->calRecordQueue.takeFirst();
        }
        call(ev.rxCount);
        if (motor)
            decodeMotorRecord(record, lines);
        else
            decodeShaftRecord(record, lines);
    }
    flush();
}

void CalibrationCapture::decodeMotorRecord(const QByteArray &r, QStringList &lines)
{
    auto flushLines = [&] {
        if (!lines.isEmpty())
            call(ev.text, lines.join('\n'));
        lines.clear();
    };
    if (!cdc->shortRecords) {
        const int expected = frameCount();
        if (r.size() < kLong || quint8(r[0]) != kMotorDataHead || u16(r, 15) != quint16(expected)) {
            flushLines();
            endStream();
            return;
        }
        const float refer = f32(r, 1), real = f32(r, 5), err = f32(r, 9);
        const quint16 raw = u16(r, 13), count = u16(r, 15);
        {
            QMutexLocker lock(&sampleMutex);
            calSample1.append(refer);
            calSample2.append(real);
            calSample3.append(err);
            calRawCounts.append(raw);
            ++calFrameCount;
        }
        lines << motorRecordLine(refer, real, err, raw, count);
        return;
    }
    if (r.size() >= kMotorShort && r[0] == 'd') {
        const float refer = f32(r, 1), real = f32(r, 5);
        {
            QMutexLocker lock(&sampleMutex);
            calSample1.append(refer);
            calSample2.append(real);
        }
        lines << CalMath::float2strRightJustified(refer, 10) + CalMath::float2strRightJustified(real, 10);
        return;
    }
    flushLines();
    if (r.size() >= kMotorShort && r[0] == 'F') {
        cdc->compTableExpected = true;
        cdc->motorSideStreaming = false;
        call(ev.compensationTable);
        return;
    }
    endStream();
}

void CalibrationCapture::decodeShaftRecord(const QByteArray &r, QStringList &lines)
{
    Q_UNUSED(lines);
    if (cdc->shortRecords) {
        if (r.size() >= kShaftShort && r[0] == 'h') {
            QMutexLocker lock(&sampleMutex);
            calSample1.append(f32(r, 1));
            calSample2.append(f32(r, 5));
            calSample4.append(u16(r, 9) / kPlotScale);
            calSample5.append(u16(r, 11) / kPlotScale);
            ++calFrameCount;
            return;
        }
        if (r.size() >= kShaftShort && r[0] == 'v') {
            cdc->compTableExpected = true;
            cdc->outputShaftStreaming = false;
            call(ev.compensationTable);
            return;
        }
        endStream();
        return;
    }

    if (r.size() < kLong || calculateCRC32(r.left(17)) != getLe32(bytes(r) + 17)) {
        endStream();
        return;
    }
    const float v1 = f32(r, 1), v2 = f32(r, 5), v3 = f32(r, 9);
    const quint16 v4 = u16(r, 13), v5 = u16(r, 15);
    switch (r[0]) {
    case 'h':
    case 'H': {
        QMutexLocker lock(&sampleMutex);
        calSample1.append(v1);
        calSample2.append(v2);
        calSample3.append(v3);
        calSample4.append(v4 / kPlotScale);
        calSample5.append(v5 / kPlotScale);
        ++calFrameCount;
        if (r[0] == 'H') {
            outShaftAngle1.append(v3);
            outShaftAngle2.append(v2);
            outShaftAngle3.append(v1);
            ++outShaftHCount;
        }
        return;
    }
    case 'J': {
        {
            QMutexLocker lock(&sampleMutex);
            outShaftStep = v5;
            outShaftParamA = v4;
            outShaftHCount = 0;
            outShaftSampleCount = unsigned(v5) << 12;
            outShaftStartCount = calFrameCount;
            outShaftAngle1.clear();
            outShaftAngle2.clear();
            outShaftAngle3.clear();
        }
        call(ev.sweepStarted);
        return;
    }
    case 'Z': {
        cdc->outputShaftStreaming = false;
        QByteArray rest;
        {
            QMutexLocker lock(&cdc->calRecordMutex);
            for (const QByteArray &b : std::as_const(cdc->calRecordQueue))
                rest += b;
            cdc->calRecordQueue.clear();
        }
        const QString text = QByteArrayToQString(rest);
        if (!text.isEmpty())
            call(ev.text, text);
        call(ev.outputShaftResult);
        return;
    }
    default:
        endStream();
        return;
    }
}

CalibrationCapture::Snapshot CalibrationCapture::takeSnapshot()
{
    Snapshot s;
    s.mode = mode();
    if (s.mode == Mode::None)
        return s;
    {
        QMutexLocker lock(&sampleMutex);
        calSnapshot1.swap(calSample1);
        calSnapshot2.swap(calSample2);
        calSnapshot3.swap(calSample3);
        calSnapshot4.swap(calSample4);
        calSnapshot5.swap(calSample5);
        for (QList<float> *l : {&calSample1, &calSample2, &calSample3, &calSample4, &calSample5})
            l->clear();
        s.frameCount = calFrameCount;
    }
    switch (s.mode) {
    case Mode::MotorShort: s.channels = {calSnapshot1, calSnapshot2}; break;
    case Mode::MotorLong: s.channels = {calSnapshot1, calSnapshot2, calSnapshot3}; break;
    case Mode::ShaftShort: s.channels = {calSnapshot1, calSnapshot2, calSnapshot4, calSnapshot5}; break;
    case Mode::ShaftLong: s.channels = {calSnapshot1, calSnapshot2, calSnapshot3, calSnapshot4, calSnapshot5}; break;
    case Mode::None: break;
    }
    s.motorSideComplete = s.mode == Mode::MotorLong && polePairs > 0
        && qint64(s.frameCount) >= qint64(polePairs) * 2 * CalMath::kPointsPerPolePair;
    return s;
}

QList<int> CalibrationCapture::rawCounts() const
{
    QMutexLocker lock(&sampleMutex);
    return calRawCounts;
}

QList<QList<float>> CalibrationCapture::outputShaftAngles() const
{
    QMutexLocker lock(&sampleMutex);
    return {outShaftAngle1, outShaftAngle2, outShaftAngle3};
}

unsigned CalibrationCapture::shaftStep() const
{
    QMutexLocker lock(&sampleMutex);
    return outShaftStep;
}

int CalibrationCapture::shaftHCount() const
{
    QMutexLocker lock(&sampleMutex);
    return outShaftHCount;
}

int CalibrationCapture::frameCount() const
{
    QMutexLocker lock(&sampleMutex);
    return calFrameCount;
}

void CalibrationCapture::resetShaftHCount()
{
    QMutexLocker lock(&sampleMutex);
    outShaftHCount = 0;
}
