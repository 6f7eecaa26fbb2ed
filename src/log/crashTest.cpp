#include "log/crashTest.h"

#include "log/log.h"

#include <QThreadPool>

#include <atomic>

namespace {

volatile int *volatile g_nullTarget = nullptr;
// Read on every level so that the compiler keeps the recursion unbounded but real.
volatile bool g_keepRecursing = true;

constexpr int kPoolStackBytes = 0x1000000;

} // namespace

void CrashTest::nullWrite()
{
    *g_nullTarget = 0x5a;
}

void CrashTest::recurse(int depth)
{
    volatile char frame[256]; // gives every level a stack cost of its own
    frame[0] = char(depth);
    Logger::info(QString("递归深度: %1").arg(depth), "CrashTest::recurse");
    if (g_keepRecursing)
        recurse(depth + 1);
    frame[1] = frame[0]; // work after the call: no tail call
}

void CrashTest::nullWriteOnGuiThread()
{
    Logger::info("测试1：即将进行空指针解引用", "CrashTest::nullWriteOnGuiThread");
    nullWrite();
}

void CrashTest::nullWriteOnWorkerThread()
{
    Logger::info("测试2：即将进行子线程空指针解引用", "CrashTest::nullWriteOnWorkerThread");
    CrashThread::startOnce();
}

void CrashTest::stackOverflowOnGuiThread()
{
    Logger::info("测试3：即将进行栈溢出（递归无终止）", "CrashTest::stackOverflowOnGuiThread");
    recurse(0);
}

void CrashTest::QtConcurrentInit()
{
    QThreadPool *pool = QThreadPool::globalInstance();
    // Only threads the pool creates from now on get the larger stack.
    pool->setStackSize(kPoolStackBytes);
    Logger::info(QString("QtConcurrent 线程池配置完成：总栈大小 %1 MB，最大线程数 %2")
                     .arg(pool->stackSize() / (1024 * 1024))
                     .arg(pool->maxThreadCount()),
                 "QtConcurrentInit");
    pool->start(new EmergencyStackRunnable([] { CrashTest::recurse(0); }));
    Logger::info("handleRecData 任务已提交到线程池", "QtConcurrentInit");
}

void CrashThread::startOnce()
{
    // Deliberately never freed: the process ends with the fault this thread raises.
    static std::atomic<CrashThread *> instance{nullptr};
    CrashThread *thread = instance.load();
    if (thread && thread->isRunning()) {
        Logger::info("子线程已在运行，无需重复启动", "CrashThread::startOnce");
        return;
    }
    if (!thread) {
        thread = new CrashThread;
        instance.store(thread);
    }
    thread->start();
}

void CrashThread::run()
{
    Logger::info("子线程启动，准备触发非法内存访问", "CrashThread::run");
    CrashTest::nullWrite();
}
