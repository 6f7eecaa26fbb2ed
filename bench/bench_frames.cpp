// Throughput of the serial adapter frame code: the receive-frame scanner over a mixed
// stream and the transmit-frame builder. For scale: a 921 600 baud line carries at most
// ~5 760 receive frames (~92 KB) per second, a 1 Mbit/s CAN bus ~21 000 frames/s.

#include "can/canTxModel.h"
#include "can/canTxRecord.h"
#include "link/serial/protocolFormat.h"

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace {

// Receive frames interleaved with console text, some of it containing stray 0xAA bytes
// that start a candidate frame and must be rejected.
QByteArray mixedStream(int targetBytes)
{
    QByteArray out;
    out.reserve(targetBytes + 64);
    uint32_t id = 0;
    while (out.size() < targetBytes) {
        QByteArray frame(16, '\0');
        frame[0] = char(0xAA);
        frame[1] = 0x11;
        frame[2] = 8;
        frame[3] = char(id & 0xFF);
        frame[4] = char((id >> 8) & 0x07);
        for (int i = 7; i < 15; ++i)
            frame[i] = char(id * 31 + uint32_t(i));
        frame[15] = 0x55;
        out += frame;
        if (id % 3 == 0)
            out += "OK\r\n";
        if (id % 7 == 0)
            out += QByteArray("pos=1.234 vel=") + char(0xAA) + "0.5\r\n";
        ++id;
    }
    return out;
}

} // namespace

#ifdef ZK_HAVE_GBENCH
#include <benchmark/benchmark.h>

static void BM_isCANFrame_mixedStream(benchmark::State &state)
{
    const QByteArray stream = mixedStream(int(state.range(0)));
    QList<int> positions;
    QByteArray rest;
    positions.reserve(stream.size() / 16 + 1);
    rest.reserve(stream.size());
    for (auto _ : state) {
        positions.clear();
        rest.clear();
        benchmark::DoNotOptimize(isCANFrame(stream, 0, positions, rest));
        benchmark::DoNotOptimize(positions.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * stream.size());
    state.counters["frames"] = double(positions.size());
}
BENCHMARK(BM_isCANFrame_mixedStream)->Arg(4096)->Arg(1 << 20);

static void BM_fillCANFrame(benchmark::State &state)
{
    CANTxModel model;
    const QByteArray data("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    QByteArray frame;
    uint32_t id = 0;
    for (auto _ : state) {
        fillCANFrame(data, model, frame, 1, id++ & 0x7FF, 1, 1);
        benchmark::DoNotOptimize(frame.constData());
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_fillCANFrame);

static void BM_CRC8(benchmark::State &state)
{
    const QByteArray data(int(state.range(0)), char(0x5A));
    for (auto _ : state)
        benchmark::DoNotOptimize(CRC_8(data));
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_CRC8)->Arg(8192);

BENCHMARK_MAIN();

#else
#include <QElapsedTimer>

int main()
{
    const QByteArray stream = mixedStream(1 << 20);
    QList<int> positions;
    QByteArray rest;
    QElapsedTimer t;
    t.start();
    const int rounds = 200;
    for (int i = 0; i < rounds; ++i) {
        positions.clear();
        rest.clear();
        isCANFrame(stream, 0, positions, rest);
    }
    std::printf("isCANFrame mixed stream: %.1f MB/s\n",
                double(stream.size()) * rounds / 1e6 / (t.nsecsElapsed() / 1e9));

    CANTxModel model;
    QByteArray frame;
    const QByteArray data("\x01\x02\x03", 3);
    t.restart();
    const int frames = 2000000;
    for (int i = 0; i < frames; ++i)
        fillCANFrame(data, model, frame, 1, uint32_t(i) & 0x7FF, 1, 1);
    std::printf("fillCANFrame: %.0f frames/s\n", frames / (t.nsecsElapsed() / 1e9));
    return 0;
}
#endif
