#pragma once

#include <QThread>

// Deliberate faults for the hidden diagnostics tab (crashBtn .. crashBtn_4) and for the
// crash tests: each logs a notice, then raises a fault that Logger::handleCrash must turn
// into a FATAL line. Never call them for anything else.
namespace CrashTest {

// crashBtn: invalid write on the calling (GUI) thread.
void nullWriteOnGuiThread();
// crashBtn_2: invalid write on the worker thread CrashThread, started at most once.
void nullWriteOnWorkerThread();
// crashBtn_3: unbounded recursion on the calling (GUI) thread.
void stackOverflowOnGuiThread();
// crashBtn_4: sets the global pool's stack size to 16 MB and submits the unbounded
// recursion to it wrapped in an EmergencyStackRunnable.
void QtConcurrentInit();

// Writes through a null pointer the compiler cannot see through.
void nullWrite();
// Logs "递归深度: <depth>" at each level and never returns.
void recurse(int depth);

} // namespace CrashTest

class CrashThread : public QThread
{
public:
    // Starts the single instance unless it is already running.
    static void startOnce();

protected:
    void run() override;
};
