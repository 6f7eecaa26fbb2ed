// Cost of one log line as callers pay it: written and flushed, filtered out, and the
// stack trace of the crash line.
#include "log/log.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#ifdef ZK_HAVE_GBENCH
#include <benchmark/benchmark.h>

static void BM_InfoLineWritten(benchmark::State &state)
{
    Logger::setLogLevel(Logger::DEBUG);
    const QString message = QStringLiteral("电机 1 反馈: 位置 1.234 速度 0.567 力矩 0.089");
    for (auto _ : state)
        Logger::info(message, "BM_InfoLineWritten");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InfoLineWritten)->Threads(1)->Threads(2)->UseRealTime();

static void BM_InfoLineFilteredOut(benchmark::State &state)
{
    Logger::setLogLevel(Logger::ERROR);
    const QString message = QStringLiteral("电机 1 反馈");
    for (auto _ : state)
        Logger::info(message, "BM_InfoLineFilteredOut");
    Logger::setLogLevel(Logger::DEBUG);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InfoLineFilteredOut);

static void BM_StackTrace30(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Logger::getStackTrace(30));
}
BENCHMARK(BM_StackTrace30);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Logger::init(dir.path(), Logger::DEBUG);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
#else
#include <cstdio>
int main()
{
    std::puts("bench_logger needs Google Benchmark");
    return 0;
}
#endif
