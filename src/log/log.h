#pragma once

#include <QFile>
#include <QMutex>
#include <QRunnable>
#include <QString>

#include <functional>

// Static logger: one time-stamped, thread-tagged line per event into a file created at
// start-up, and a last-chance handler that turns fatal signals into a FATAL line with a
// stack trace, a message to the user and exit code 1.
class Logger
{
public:
    enum LogLevel { DEBUG = 0, INFO = 1, WARNING = 2, ERROR = 3, FATAL = 4 };

    // Empty directory selects <application dir>/logs.
    static void init(const QString &logDir = QString(), LogLevel level = DEBUG);
    static void setLogLevel(LogLevel level);
    static LogLevel logLevel();

    static void debug(const QString &message, const char *function = nullptr);
    static void info(const QString &message, const char *function = nullptr);
    static void warning(const QString &message, const char *function = nullptr);
    static void error(const QString &message, const char *function = nullptr);
    static void fatal(const QString &message, const char *function = nullptr);

    static void writeLog(LogLevel level, const QString &message, const char *function);
    static QString getStackTrace(int maxFrames);
    static void handleCrash(int sig);
    static quint64 currentThreadId();

    static QString levelName(LogLevel level);
    static QString logFilePath();
    // Human-readable reason for a fatal signal, as written into the FATAL line.
    static QString crashReason(int sig);

    // The widget shell installs this to show the crash box; the logger itself stays
    // free of widgets. Called on the faulting thread only when it is the GUI thread.
    using CrashNotifier = std::function<void(const QString &reason, const QString &logPath)>;
    static void setCrashNotifier(CrashNotifier notifier);

    // Gives the calling thread an alternate signal stack so that a stack overflow on
    // it still reaches the crash handler. Returns 0 on success, else errno.
    static int installAlternateStack(size_t bytes);

private:
    static int s_logLevel;
    static QFile s_logFile;
    static QString s_logFilePath;
    static QMutex s_mutex;
};

// Runs a task on a pool thread after reserving an emergency stack for the crash handler.
class EmergencyStackRunnable : public QRunnable
{
public:
    explicit EmergencyStackRunnable(std::function<void()> task);
    void run() override;

private:
    std::function<void()> m_task;
};
