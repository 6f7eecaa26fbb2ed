// Throughput of the motor frame code on the receive path (classification and feedback
// decoding, run for every received frame) and of the command payload builder (run per
// periodic send). For scale: a 1 Mbit/s CAN bus carries at most ~21 000 frames/s.

#include "motor/motorProtocol.h"
#include "motor/paramRegisters.h"

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace {

// A mix as the bus delivers it while a motor runs: mostly feedback, some frames of
// other motors, an occasional register reply.
QList<QPair<uint32_t, QByteArray>> receivedFrames()
{
    QList<QPair<uint32_t, QByteArray>> out;
    for (int i = 0; i < 1024; ++i) {
        QByteArray d(8, '\0');
        for (int k = 0; k < 8; ++k)
            d[k] = char(i * 7 + k * 13);
        uint32_t id = 0x11;
        if (i % 16 == 0) { // register reply
            d[0] = 0x01, d[1] = 0x00, d[2] = 0x33, d[3] = char(i % 37);
        } else if (i % 5 == 0) { // another motor
            d[0] = char(0x12);
            id = 0x12;
        } else {
            d[0] = char(0x11);
        }
        out.append({id, d});
    }
    return out;
}

} // namespace

#ifdef ZK_HAVE_GBENCH
#include <benchmark/benchmark.h>

static void BM_classifyMotorFrame(benchmark::State &state)
{
    const auto frames = receivedFrames();
    const MappingRanges ranges;
    size_t i = 0;
    for (auto _ : state) {
        const auto &f = frames[int(i++ & 1023)];
        benchmark::DoNotOptimize(classifyMotorFrame(f.first, f.second, 0x01, 0x11, ranges, ReceivePath::SerialAdapter));
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_classifyMotorFrame);

static void BM_parseRIDFrame(benchmark::State &state)
{
    ESC_INF rec;
    RegisterReplyState replies;
    std::atomic_bool version{false};
    SharedMappingRanges ranges;
    QByteArray frame = registerReadFrame(1, 0);
    int rid = 0;
    for (auto _ : state) {
        frame[3] = char(rid++ % 37);
        benchmark::DoNotOptimize(
            parseRIDFrame(reinterpret_cast<const uint8_t *>(frame.constData()), rec, replies, version, &ranges));
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_parseRIDFrame);

static void BM_canDataConvention(benchmark::State &state)
{
    ControlSetPoints sp;
    sp.position = 1.25f, sp.velocity = 60, sp.kp = 20, sp.kd = 1, sp.torque = -2;
    const MappingRanges ranges;
    const int mode = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(canDataConvention(mode, sp, true, ranges));
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_canDataConvention)->DenseRange(0, 3);

BENCHMARK_MAIN();

#else
#include <QElapsedTimer>

int main()
{
    const auto frames = receivedFrames();
    const MappingRanges ranges;
    QElapsedTimer t;
    t.start();
    const int n = 4000000;
    int feedback = 0;
    for (int i = 0; i < n; ++i) {
        const auto &f = frames[i & 1023];
        feedback += classifyMotorFrame(f.first, f.second, 0x01, 0x11, ranges, ReceivePath::SerialAdapter).kind
                    == MotorFrameKind::Feedback;
    }
    std::printf("classifyMotorFrame: %.0f frames/s (%d feedback)\n", n / (t.nsecsElapsed() / 1e9), feedback);
    return 0;
}
#endif
