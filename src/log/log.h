#pragma once

#include <QFile>
#include <QMutex>
#include <QRunnable>
#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>

// Static logger: one time-stamped, thread-tagged line per event into a file created at
// start-up, and a last-chance handler that turns fatal signals into a FATAL line with a
// stack trace, a message to the user and exit code 1.
class Logger
{
public:
    enum LogLevel { DEBUG = 0, INFO = 1, WARNING = 2, ERROR = 3, FATAL = 4 };

    // Empty directory selects <application dir>/logs, or <user data dir>/zktool/logs when
    // that cannot be written (an installed program). Also installs the fault hooks and
    // gives the calling (GUI) thread its alternate signal stack. Calling it again closes
    // the previous file and starts over.
    static void init(const QString &logDir = QString(), LogLevel level = DEBUG);
    static void setLogLevel(LogLevel level);
    // Warnings and errors are also echoed to the console unless this is turned off (a
    // command-line program keeps standard error for its own messages).
    static void setEcho(bool on);
    static LogLevel logLevel();

    static void debug(const QString &message, const char *function = nullptr);
    static void info(const QString &message, const char *function = nullptr);
    static void warning(const QString &message, const char *function = nullptr);
    static void error(const QString &message, const char *function = nullptr);
    static void fatal(const QString &message, const char *function = nullptr);

    static void writeLog(LogLevel level, const QString &message, const char *function);
    // "  #<i> 0x<address>\n" per return address, innermost first; empty when none.
    static QString getStackTrace(int maxFrames);
    // The fault hook. Never returns: logs, tells the user, _exit(1).
    static void handleCrash(int sig);
    static quint64 currentThreadId();

    static QString levelName(LogLevel level);
    // Empty while no log file is open.
    static QString logFilePath();
    // The folder init() chose, even when no file could be opened there.
    static QString logDirectory();
    // Human-readable reason for a fatal signal, as written into the FATAL line.
    static QString crashReason(int sig);

    // The widget shell installs this to show the crash box; the logger itself stays
    // free of widgets. Called on the faulting thread only when it is the GUI thread and
    // a QApplication exists; otherwise the crash report goes to standard error.
    using CrashNotifier = std::function<void(const QString &reason, const QString &logPath)>;
    static void setCrashNotifier(CrashNotifier notifier);

    // Gives the calling thread an alternate signal stack of at least `bytes` so that a
    // stack overflow on it still reaches the crash handler. Keeps a large enough stack
    // the thread already has. Returns 0 on success, else errno.
    static int installAlternateStack(size_t bytes);

    // Alternate stack given to the thread that calls init(). Larger than a pool
    // thread's because the crash box is shown from it.
    static constexpr size_t kGuiAltStackBytes = 0x100000;

private:
    static void closeLogFile();
    static QByteArray formatLine(LogLevel level, const char *function, const QString &message);
#ifdef Q_OS_WIN
    // Writes a crash line without ever waiting on the log mutex.
    static void writeCrashLine(const QByteArray &line);
    static long __stdcall winExceptionFilter(struct _EXCEPTION_POINTERS *info);
#endif

    static std::atomic<int> s_logLevel;
    static QFile s_logFile;
    static QString s_logFilePath;
    static QMutex s_mutex;
};

// Runs a task on a pool thread after reserving an emergency stack for the crash handler.
class EmergencyStackRunnable : public QRunnable
{
public:
    static constexpr size_t kEmergencyStackBytes = 0x10000;

    explicit EmergencyStackRunnable(std::function<void()> task, size_t stackBytes = kEmergencyStackBytes);
    void run() override;

private:
    std::function<void()> m_task;
    size_t m_stackBytes;
};
