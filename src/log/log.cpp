#include "log/log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <execinfo.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

std::atomic<int> Logger::s_logLevel{Logger::DEBUG};
namespace {
std::atomic_bool g_echo{true};
QString g_logDirectory;
} // namespace
QFile Logger::s_logFile;
QString Logger::s_logFilePath;
QMutex Logger::s_mutex;

namespace {

constexpr int kCrashFrames = 30;
const char *const kLevelNames[] = {"DEBUG", "INFO", "WARNING", "ERROR", "FATAL"};

const char *levelNameUtf8(int level)
{
    return (level >= Logger::DEBUG && level <= Logger::FATAL) ? kLevelNames[level] : "UNKNOWN";
}

// Appends into a fixed buffer without allocating or locking, so that the crash path can
// format its line with it; the ordinary writer uses it too, which keeps both formats
// identical. Overlong text is cut at the buffer's end.
struct TextBuf
{
    char *data;
    size_t cap;
    size_t len = 0;

    TextBuf(char *d, size_t c) : data(d), cap(c) {}
    void put(char c)
    {
        if (len < cap)
            data[len++] = c;
    }
    void put(const char *s)
    {
        while (*s && len < cap)
            data[len++] = *s++;
    }
    void putNumber(unsigned long long v, unsigned base, int width = 1)
    {
        char tmp[24];
        int n = 0;
        do {
            tmp[n++] = "0123456789abcdef"[v % base];
            v /= base;
        } while (v);
        while (n < width && n < int(sizeof tmp))
            tmp[n++] = '0';
        while (n)
            put(tmp[--n]);
    }
    void putDec(unsigned long long v, int width = 1) { putNumber(v, 10, width); }
    void putHex(unsigned long long v) { putNumber(v, 16); }
};

// "yyyy-MM-dd HH:mm:ss.zzz" from a UTC instant and the local offset, by arithmetic only:
// localtime_r takes glibc's time-zone lock, which a thread may hold when it faults.
void putTimestamp(TextBuf &b, const timespec &ts, long utcOffset)
{
    const long long local = static_cast<long long>(ts.tv_sec) + utcOffset;
    long long days = local / 86400;
    long long secs = local % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 in the proleptic Gregorian calendar.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);

    b.putDec(static_cast<unsigned long long>(year), 4);
    b.put('-');
    b.putDec(static_cast<unsigned long long>(month), 2);
    b.put('-');
    b.putDec(static_cast<unsigned long long>(day), 2);
    b.put(' ');
    b.putDec(static_cast<unsigned long long>(secs / 3600), 2);
    b.put(':');
    b.putDec(static_cast<unsigned long long>(secs / 60 % 60), 2);
    b.put(':');
    b.putDec(static_cast<unsigned long long>(secs % 60), 2);
    b.put('.');
    b.putDec(static_cast<unsigned long long>(ts.tv_nsec / 1000000), 3);
}

// Everything of "[%1] [%2] [线程ID: %3] [%4] %5" up to and including "[" before %4.
void putLinePrefix(TextBuf &b, const timespec &ts, long utcOffset, int level, quint64 tid)
{
    b.put('[');
    putTimestamp(b, ts, utcOffset);
    b.put("] [");
    b.put(levelNameUtf8(level));
    b.put("] [线程ID: 0x");
    b.putHex(tid);
    b.put("] [");
}

void putTrace(TextBuf &b, void *const *frames, int count)
{
    for (int i = 0; i < count; ++i) {
        b.put("  #");
        b.putDec(static_cast<unsigned>(i));
        b.put(" 0x");
        b.putHex(reinterpret_cast<quintptr>(frames[i]));
        b.put('\n');
    }
}

// Reasons of the fault hook. Marked for translation so that the crash box may show them
// translated; the log always gets the source text.
const char *knownCrashReason(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return QT_TRANSLATE_NOOP("Logger", "段错误(SIGSEGV) - 访问了无效的内存地址");
    case SIGABRT:
        return QT_TRANSLATE_NOOP("Logger", "异常终止(SIGABRT) - 程序调用了abort()");
#ifndef Q_OS_WIN
    case SIGFPE:
        return QT_TRANSLATE_NOOP("Logger", "浮点异常(SIGFPE) - 算术运算错误(如整数除以零)");
    case SIGBUS:
        return QT_TRANSLATE_NOOP("Logger", "总线错误(SIGBUS) - 访问了不存在或未对齐的内存地址");
    case SIGILL:
        return QT_TRANSLATE_NOOP("Logger", "非法指令(SIGILL) - 执行了无效的机器指令");
#endif
    default:
        return nullptr;
    }
}

const char *crashReasonUtf8(int sig, char *buf, size_t cap)
{
    if (const char *known = knownCrashReason(sig))
        return known;
    TextBuf b(buf, cap - 1);
    b.put("未知信号(");
    if (sig < 0) {
        b.put('-');
        b.putDec(static_cast<unsigned long long>(-static_cast<long long>(sig)));
    } else {
        b.putDec(static_cast<unsigned long long>(sig));
    }
    b.put(')');
    buf[b.len] = '\0';
    return buf;
}

// What the crash path reads. Written by init() and the ordinary writer; read without
// locks from the signal handler.
std::atomic<int> g_logFd{-1};
char g_logPathUtf8[4096];
std::atomic<long> g_utcOffset{0};
std::atomic<quint64> g_guiTid{0};
// Never freed: a crash on another thread may be calling the old one.
std::atomic<Logger::CrashNotifier *> g_notifier{nullptr};

bool g_hooksInstalled = false;

#ifndef Q_OS_WIN
const int kCrashSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL};
struct sigaction g_previousActions[sizeof kCrashSignals / sizeof kCrashSignals[0]];

// Crash report state. Only the thread that wins g_crashTid touches the buffers.
enum CrashStage { CrashStarted = 0, CrashHeaderReady = 1, CrashLineWritten = 2, CrashReported = 3 };
std::atomic<quint64> g_crashTid{0};
std::atomic<int> g_crashStage{CrashStarted};
std::atomic<bool> g_crashNested{false};
char g_crashLine[8192];
size_t g_crashHeaderLen = 0;
char g_reasonBuf[64];
const char *g_crashReason = "";

void writeAll(int fd, const char *data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += n;
        len -= size_t(n);
    }
}

void writeStr(int fd, const char *s) { writeAll(fd, s, std::strlen(s)); }

// The two lines a user without the crash box gets on standard error.
void writeCrashStderrLines(const char *reason)
{
    writeStr(STDERR_FILENO, "程序崩溃: ");
    writeStr(STDERR_FILENO, reason);
    writeStr(STDERR_FILENO, "\n日志已保存至: ");
    writeStr(STDERR_FILENO, g_logPathUtf8);
    writeStr(STDERR_FILENO, "\n");
}

// A second fault on the thread that is already reporting one (in the stack trace or in
// the crash box): finish what the first pass could not, then leave.
[[noreturn]] void crashAgain()
{
    if (g_crashNested.exchange(true))
        _exit(1);
    const int stage = g_crashStage.load();
    if (stage == CrashHeaderReady) {
        // The trace could not be taken: write the line with an empty trace.
        g_crashLine[g_crashHeaderLen] = '\n';
        const int fd = g_logFd.load();
        if (fd >= 0)
            writeAll(fd, g_crashLine, g_crashHeaderLen + 1);
        writeAll(STDERR_FILENO, g_crashLine, g_crashHeaderLen + 1);
    }
    if (stage < CrashReported)
        writeCrashStderrLines(g_crashReason);
    _exit(1);
}

// Owns a thread's alternate signal stack: mapped with a guard page below it, released
// (after switching it off) when the thread ends.
struct AltStack
{
    void *base = nullptr;
    size_t mapped = 0;
    size_t size = 0;

    ~AltStack() { release(); }

    void release()
    {
        if (!base)
            return;
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == stackBottom()) {
            if (current.ss_flags & SS_ONSTACK)
                return; // never unmap the stack we are running on
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        }
        munmap(base, mapped);
        base = nullptr;
        mapped = size = 0;
    }

    void *stackBottom() const { return base ? static_cast<char *>(base) + pageSize() : nullptr; }
    static size_t pageSize() { return size_t(sysconf(_SC_PAGESIZE)); }
};

thread_local AltStack t_altStack;
#endif

} // namespace

void Logger::closeLogFile()
{
    QMutexLocker lock(&s_mutex);
    g_logFd.store(-1);
    g_logPathUtf8[0] = '\0';
    if (s_logFile.isOpen())
        s_logFile.close();
    s_logFilePath.clear();
}

void Logger::init(const QString &logDir, LogLevel level)
{
    s_logLevel.store(level);
    closeLogFile();
#ifndef Q_OS_WIN
    // A new log file means the previous hooks no longer have a file to report into;
    // they are installed again only once the new file is open.
    if (g_hooksInstalled) {
        for (size_t i = 0; i < std::size(kCrashSignals); ++i)
            sigaction(kCrashSignals[i], &g_previousActions[i], nullptr);
        g_hooksInstalled = false;
    }
#endif

    QString dir = logDir;
    if (dir.isEmpty()) {
        // Without an application object Qt cannot name its directory; ask the kernel.
        const QString appDir = QCoreApplication::instance()
                                   ? QCoreApplication::applicationDirPath()
                                   : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        dir = appDir + "/logs";
        // An installed program's folder belongs to root: the user's data folder instead.
        if (!QDir().mkpath(dir) || !QFileInfo(dir).isWritable())
            dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/zktool/logs";
    }
    g_logDirectory = dir;
    if (!QDir().mkpath(dir)) {
        qWarning().noquote() << "无法创建日志目录:" << dir;
        return;
    }

    const QString path = dir + "/" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss") + ".log";
    {
        QMutexLocker lock(&s_mutex);
        s_logFile.setFileName(path);
        if (!s_logFile.open(QIODevice::Append | QIODevice::Text)) {
            const QString reason = s_logFile.errorString();
            lock.unlock();
            qWarning().noquote() << "无法打开日志文件:" << reason;
            return;
        }
        s_logFilePath = path;
        const QByteArray utf8 = path.toUtf8();
        const size_t n = std::min(size_t(utf8.size()), sizeof g_logPathUtf8 - 1);
        std::memcpy(g_logPathUtf8, utf8.constData(), n);
        g_logPathUtf8[n] = '\0';
        g_logFd.store(s_logFile.handle());
    }

    info("日志系统初始化完成", "Logger::init");
    info("日志文件路径: " + s_logFilePath, "Logger::init");

    // The crash box may only be shown from the GUI thread: the one that owns the
    // application object and calls init. Failing that, the process's main thread.
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        g_guiTid.store(currentThreadId());
#ifndef Q_OS_WIN
    else
        g_guiTid.store(quint64(getpid()));
#endif

#ifdef Q_OS_WIN
    signal(SIGSEGV, handleCrash);
    signal(SIGABRT, handleCrash);
    SetUnhandledExceptionFilter(&Logger::winExceptionFilter);
#else
    // backtrace() loads the unwinder on first use; do that now, not in the crash path.
    void *warm[4];
    backtrace(warm, 4);

    if (const int err = installAlternateStack(kGuiAltStackBytes))
        warning(QString("无法为当前线程预留崩溃处理栈，错误码: %1").arg(err), "Logger::init");

    struct sigaction action{};
    action.sa_handler = &Logger::handleCrash;
    sigemptyset(&action.sa_mask);
    // SA_ONSTACK: a stack overflow still reaches the handler. SA_NODEFER: a fault inside
    // the handler re-enters it, and the re-entry guard ends the process with code 1
    // instead of the kernel killing it.
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    for (size_t i = 0; i < std::size(kCrashSignals); ++i)
        sigaction(kCrashSignals[i], &action, &g_previousActions[i]);
    g_hooksInstalled = true;
#endif
}

void Logger::setLogLevel(LogLevel level) { s_logLevel.store(level); }
void Logger::setEcho(bool on) { g_echo = on; }
QString Logger::logDirectory() { return g_logDirectory; }
Logger::LogLevel Logger::logLevel() { return LogLevel(s_logLevel.load()); }

void Logger::debug(const QString &, const char *) {}
void Logger::info(const QString &m, const char *f) { writeLog(INFO, m, f); }
void Logger::warning(const QString &m, const char *f) { writeLog(WARNING, m, f); }
void Logger::error(const QString &m, const char *f) { writeLog(ERROR, m, f); }
void Logger::fatal(const QString &m, const char *f) { writeLog(FATAL, m, f); }

QString Logger::levelName(LogLevel level) { return QString::fromLatin1(levelNameUtf8(level)); }

QString Logger::logFilePath()
{
    QMutexLocker lock(&s_mutex);
    return s_logFilePath;
}

QByteArray Logger::formatLine(LogLevel level, const char *function, const QString &message)
{
    const quint64 tid = currentThreadId();
    char prefix[128];
    TextBuf b(prefix, sizeof prefix);
#ifdef Q_OS_WIN
    b.put('[');
    b.put(QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz").toLatin1().constData());
    b.put("] [");
    b.put(levelNameUtf8(level));
    b.put("] [线程ID: 0x");
    b.putHex(tid);
    b.put("] [");
#else
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    // Kept for the crash path, which must not call localtime_r.
    g_utcOffset.store(local.tm_gmtoff, std::memory_order_relaxed);
    putLinePrefix(b, ts, local.tm_gmtoff, level, tid);
#endif
    QByteArray line(prefix, qsizetype(b.len));
    line += function ? function : "unknown";
    line += "] ";
    line += message.toUtf8();
    return line;
}

void Logger::writeLog(LogLevel level, const QString &message, const char *function)
{
    QMutexLocker lock(&s_mutex);
    if (level < s_logLevel.load())
        return;
    QByteArray line = formatLine(level, function, message);
    if (level >= WARNING && g_echo)
        qDebug().noquote() << QString::fromUtf8(line);
    if (s_logFile.isOpen()) {
        line += '\n';
        s_logFile.write(line);
        s_logFile.flush();
    }
}

QString Logger::getStackTrace(int maxFrames)
{
    if (maxFrames <= 0)
        return QString();
    std::vector<void *> frames(size_t(maxFrames), nullptr);
#ifdef Q_OS_WIN
    const int count = RtlCaptureStackBackTrace(0, DWORD(maxFrames), frames.data(), nullptr);
#else
    const int count = backtrace(frames.data(), maxFrames);
#endif
    if (count <= 0)
        return QString();
    std::vector<char> text(size_t(count) * 48);
    TextBuf b(text.data(), text.size());
    putTrace(b, frames.data(), count);
    return QString::fromLatin1(text.data(), qsizetype(b.len));
}

// Runs on the faulting thread, usually on its alternate stack. Everything up to the
// crash box is async-signal-safe: no allocation, no waiting on any lock (the log mutex
// is only tried), plain write() to the log file's descriptor and to standard error.
void Logger::handleCrash(int sig)
{
#ifdef Q_OS_WIN
    static std::atomic<bool> entered{false};
    if (entered.exchange(true))
        _exit(1);
    const QString reason = crashReason(sig);
    writeCrashLine(formatLine(FATAL, "Logger::handleCrash",
                              QString("程序崩溃: %1\n当前堆栈跟踪:\n%2").arg(reason, getStackTrace(kCrashFrames))));
    QCoreApplication *app = QCoreApplication::instance();
    CrashNotifier *notifier = g_notifier.load();
    if (notifier && *notifier && app && app->inherits("QApplication") && currentThreadId() == g_guiTid.load()) {
        (*notifier)(reason, QString::fromUtf8(g_logPathUtf8));
    } else {
        fprintf(stderr, "程序崩溃: %s\n日志已保存至: %s\n", reason.toUtf8().constData(), g_logPathUtf8);
        fflush(stderr);
    }
    _exit(1);
#else
    const quint64 tid = currentThreadId();
    quint64 owner = 0;
    if (!g_crashTid.compare_exchange_strong(owner, tid)) {
        if (owner == tid)
            crashAgain();
        // Another thread is reporting its fault and will end the process.
        for (;;)
            pause();
    }

    g_crashReason = crashReasonUtf8(sig, g_reasonBuf, sizeof g_reasonBuf);
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    TextBuf b(g_crashLine, sizeof g_crashLine - 1);
    putLinePrefix(b, ts, g_utcOffset.load(std::memory_order_relaxed), FATAL, tid);
    b.put("Logger::handleCrash] 程序崩溃: ");
    b.put(g_crashReason);
    b.put("\n当前堆栈跟踪:\n");
    g_crashHeaderLen = b.len;
    g_crashStage.store(CrashHeaderReady);

    void *frames[kCrashFrames];
    const int count = backtrace(frames, kCrashFrames);
    putTrace(b, frames, count);
    b.put('\n');

    if (FATAL >= s_logLevel.load()) {
        // Taken only if free: the faulting thread itself, or one stopped by the fault,
        // may hold it. O_APPEND keeps our line whole either way; a line some other
        // thread had half-built in the QFile buffer is simply never flushed.
        const bool locked = s_mutex.tryLock();
        const int fd = g_logFd.load();
        if (fd >= 0)
            writeAll(fd, g_crashLine, b.len);
        // The FATAL line's copy for the debug output: Qt's message handler allocates,
        // so the crash path writes it to standard error itself.
        writeAll(STDERR_FILENO, g_crashLine, b.len);
        if (locked)
            s_mutex.unlock();
    }
    g_crashStage.store(CrashLineWritten);

    QCoreApplication *app = QCoreApplication::instance();
    CrashNotifier *notifier = g_notifier.load();
    if (notifier && *notifier && app && app->inherits("QApplication") && tid == g_guiTid.load())
        (*notifier)(QString::fromUtf8(g_crashReason), QString::fromUtf8(g_logPathUtf8));
    else
        writeCrashStderrLines(g_crashReason);
    g_crashStage.store(CrashReported);

    // Every line went out with write(); nothing is left in user-space buffers.
    _exit(1);
#endif
}

#ifdef Q_OS_WIN
void Logger::writeCrashLine(const QByteArray &line)
{
    qDebug().noquote() << QString::fromUtf8(line);
    // Never wait: the faulting thread may hold the mutex itself.
    const bool locked = s_mutex.tryLock();
    if (s_logFile.isOpen()) {
        s_logFile.write(line + "\n");
        s_logFile.flush();
    }
    if (locked)
        s_mutex.unlock();
}

long __stdcall Logger::winExceptionFilter(struct _EXCEPTION_POINTERS *info)
{
    static std::atomic<bool> entered{false};
    if (entered.exchange(true))
        _exit(1);
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    QString reason;
    switch (code) {
    case 0xC000008E:
        reason = "浮点异常";
        break;
    case 0xC00000FD:
        reason = "堆栈溢出";
        break;
    case 0xC0000005:
        reason = "访问冲突（非法内存访问）";
        break;
    default:
        reason = QString("结构化异常(0x%1)").arg(qulonglong(code), 8, 16, QLatin1Char('0'));
        break;
    }
    writeCrashLine(formatLine(FATAL, "Logger::WinExceptionFilter",
                              QString("Windows结构化异常: %1\n堆栈跟踪:\n%2").arg(reason, getStackTrace(kCrashFrames))));
    _exit(1);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

quint64 Logger::currentThreadId()
{
#ifdef Q_OS_WIN
    return quint64(GetCurrentThreadId());
#else
    return quint64(::syscall(SYS_gettid));
#endif
}

QString Logger::crashReason(int sig)
{
    char buf[64];
    return QString::fromUtf8(crashReasonUtf8(sig, buf, sizeof buf));
}

void Logger::setCrashNotifier(CrashNotifier notifier)
{
    g_notifier.store(notifier ? new CrashNotifier(std::move(notifier)) : nullptr);
}

int Logger::installAlternateStack(size_t bytes)
{
#ifdef Q_OS_WIN
    ULONG guarantee = ULONG(bytes);
    return SetThreadStackGuarantee(&guarantee) ? 0 : int(GetLastError());
#else
    if (bytes == 0)
        return EINVAL;
    stack_t current{};
    if (sigaltstack(nullptr, &current) != 0)
        return errno;
    if (!(current.ss_flags & SS_DISABLE) && current.ss_size >= bytes)
        return 0;
    if (current.ss_flags & SS_ONSTACK)
        return EPERM;

    const size_t page = AltStack::pageSize();
    const size_t usable = (bytes + page - 1) / page * page;
    const size_t mapped = usable + page;
    void *base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (base == MAP_FAILED)
        return errno;
    // Guard page: overrunning the emergency stack faults instead of corrupting memory.
    mprotect(base, page, PROT_NONE);

    stack_t next{};
    next.ss_sp = static_cast<char *>(base) + page;
    next.ss_size = bytes; // the kernel judges the size asked for, not the rounded one
    next.ss_flags = 0;
    if (sigaltstack(&next, nullptr) != 0) {
        const int err = errno;
        munmap(base, mapped);
        return err;
    }
    t_altStack.release(); // a smaller stack of ours from an earlier call
    t_altStack.base = base;
    t_altStack.mapped = mapped;
    t_altStack.size = bytes;
    return 0;
#endif
}

EmergencyStackRunnable::EmergencyStackRunnable(std::function<void()> task, size_t stackBytes)
    : m_task(std::move(task)), m_stackBytes(stackBytes)
{
}

void EmergencyStackRunnable::run()
{
    const int err = Logger::installAlternateStack(m_stackBytes);
    const QString tid = QString::number(Logger::currentThreadId(), 16);
    if (err == 0)
        Logger::info(QString("线程池线程紧急栈预留成功，大小: %1 KB，线程ID: 0x%2").arg(m_stackBytes / 1024).arg(tid),
                     "EmergencyStackRunnable::run");
    else
        Logger::error(QString("线程池线程紧急栈预留失败，错误码: %1，线程ID: 0x%2").arg(err).arg(tid),
                      "EmergencyStackRunnable::run");
    if (m_task)
        m_task();
}
