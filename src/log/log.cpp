#include "log/log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>

#include <unistd.h>
#include <sys/syscall.h>

int Logger::s_logLevel = Logger::DEBUG;
QFile Logger::s_logFile;
QString Logger::s_logFilePath;
QMutex Logger::s_mutex;

namespace {
Logger::CrashNotifier g_notifier;
}

void Logger::init(const QString &logDir, LogLevel level)
{
    s_logLevel = level;
    QString dir = logDir.isEmpty() ? QCoreApplication::applicationDirPath() + "/logs" : logDir;
    if (!QDir().mkpath(dir)) {
        qWarning() << "无法创建日志目录:" << dir;
        return;
    }
    s_logFilePath = dir + "/" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss") + ".log";
    s_logFile.setFileName(s_logFilePath);
    if (!s_logFile.open(QIODevice::Append | QIODevice::Text)) {
        qWarning() << "无法打开日志文件:" << s_logFile.errorString();
        return;
    }
    info("日志系统初始化完成", "Logger::init");
    info("日志文件路径: " + s_logFilePath, "Logger::init");
}

void Logger::setLogLevel(LogLevel level) { s_logLevel = level; }
Logger::LogLevel Logger::logLevel() { return LogLevel(s_logLevel); }
void Logger::debug(const QString &, const char *) {}
void Logger::info(const QString &m, const char *f) { writeLog(INFO, m, f); }
void Logger::warning(const QString &m, const char *f) { writeLog(WARNING, m, f); }
void Logger::error(const QString &m, const char *f) { writeLog(ERROR, m, f); }
void Logger::fatal(const QString &m, const char *f) { writeLog(FATAL, m, f); }

QString Logger::levelName(LogLevel level)
{
    static const char *names[] = {"DEBUG", "INFO", "WARNING", "ERROR", "FATAL"};
    return (level >= DEBUG && level <= FATAL) ? names[level] : "UNKNOWN";
}

QString Logger::logFilePath() { return s_logFilePath; }

void Logger::writeLog(LogLevel level, const QString &message, const char *function)
{
    QMutexLocker lock(&s_mutex);
    if (level < s_logLevel)
        return;
    const QString line = QString("[%1] [%2] [线程ID: %3] [%4] %5")
                             .arg(QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz"),
                                  levelName(level),
                                  "0x" + QString::number(currentThreadId(), 16),
                                  function ? QString::fromUtf8(function) : QString("unknown"),
                                  message);
    if (level >= WARNING)
        qDebug().noquote() << line;
    if (s_logFile.isOpen()) {
        s_logFile.write((line + "\n").toUtf8());
        s_logFile.flush();
    }
}

QString Logger::getStackTrace(int) { return QString(); }
void Logger::handleCrash(int) {}
quint64 Logger::currentThreadId() { return quint64(::syscall(SYS_gettid)); }
QString Logger::crashReason(int sig) { return QString("未知信号(%1)").arg(sig); }
void Logger::setCrashNotifier(CrashNotifier notifier) { g_notifier = std::move(notifier); }
int Logger::installAlternateStack(size_t) { return 0; }

EmergencyStackRunnable::EmergencyStackRunnable(std::function<void()> task) : m_task(std::move(task)) {}
void EmergencyStackRunnable::run()
{
    if (m_task)
        m_task();
}
