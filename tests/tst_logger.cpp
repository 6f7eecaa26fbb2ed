#include "log/log.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QMutex g_capturedMutex;
QStringList g_captured;

void captureMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&g_capturedMutex);
    g_captured << message;
}

QStringList captured()
{
    QMutexLocker lock(&g_capturedMutex);
    return g_captured;
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// One log line; captures 1 time stamp, 2 thread ID, 3 function, 4 message.
QRegularExpression lineRe(const QString &level)
{
    return QRegularExpression(QString(R"(^\[(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})\] \[%1\] )"
                                      R"(\[线程ID: 0x([1-9a-f][0-9a-f]*)\] \[([^\]]*)\] (.*)$)")
                                  .arg(QRegularExpression::escape(level)));
}

QDateTime stamp(const QString &text) { return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss.zzz"); }

void logAt(int level, const QString &message, const char *function)
{
    using LogCall = void (*)(const QString &, const char *);
    const LogCall calls[] = {Logger::debug, Logger::info, Logger::warning, Logger::error, Logger::fatal};
    calls[level](message, function);
}

bool crashHooksInstalled()
{
    struct sigaction current{};
    sigaction(SIGSEGV, nullptr, &current);
    return current.sa_handler == &Logger::handleCrash;
}

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineFormat_data();
    void lineFormat();
    void levelFiltering_data();
    void levelFiltering();
    void concurrentLinesStayWhole();
    void crashReason_data();
    void crashReason();
    void stackTrace_data();
    void stackTrace();
    void defaultDirectory();
    void initFailure_data();
    void initFailure();
    void emergencyStack_data();
    void emergencyStack();
    void crashChild_data();
    void crashChild();
    void crashBoxAfterOverflowFitsAltStack();

private:
    // Lines the current test added after init's own two.
    QStringList newLines() const { return readLines(Logger::logFilePath()).mid(2); }
    struct ChildRun {
        int exitCode = -1;
        QProcess::ExitStatus status = QProcess::CrashExit;
        qint64 pid = 0;
        QString err;
        QString logPath;
        QStringList log;
    };
    ChildRun runChild(const QString &mode);

    std::unique_ptr<QTemporaryDir> m_dir;
    QtMessageHandler m_previousHandler = nullptr;
};

void TestLogger::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    Logger::init(m_dir->path(), Logger::DEBUG);
    QVERIFY(!Logger::logFilePath().isEmpty());
    {
        QMutexLocker lock(&g_capturedMutex);
        g_captured.clear();
    }
    m_previousHandler = qInstallMessageHandler(captureMessages);
}

void TestLogger::cleanup()
{
    qInstallMessageHandler(m_previousHandler);
    Logger::setLogLevel(Logger::DEBUG);
}

void TestLogger::lineFormat_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("function"); // null: no function name given
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("levelText"); // empty: nothing may be written
    QTest::addColumn<bool>("toDebugOutput");

    QTest::newRow("debug writes nothing") << int(Logger::DEBUG) << QByteArray("f") << "x" << "" << false;
    QTest::newRow("info") << int(Logger::INFO) << QByteArray("f") << "x" << "INFO" << false;
    QTest::newRow("warning") << int(Logger::WARNING) << QByteArray("updateFPS") << "帧率 30" << "WARNING" << true;
    QTest::newRow("error") << int(Logger::ERROR) << QByteArray("usb_control_ack") << "无应答" << "ERROR" << true;
    QTest::newRow("fatal") << int(Logger::FATAL) << QByteArray("main") << "x \"quoted\"" << "FATAL" << true;
    QTest::newRow("null function") << int(Logger::INFO) << QByteArray() << "x" << "INFO" << false;
    QTest::newRow("placeholders stay") << int(Logger::INFO) << QByteArray("f") << "进度 %1 100%" << "INFO" << false;
}

void TestLogger::lineFormat()
{
    QFETCH(int, level);
    QFETCH(QByteArray, function);
    QFETCH(QString, message);
    QFETCH(QString, levelText);
    QFETCH(bool, toDebugOutput);

    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    logAt(level, message, function.isNull() ? nullptr : function.constData());
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);

    const QStringList lines = newLines();
    if (levelText.isEmpty()) {
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join('\n')));
        QVERIFY(captured().isEmpty());
        return;
    }
    QCOMPARE(lines.size(), 1);
    const QRegularExpressionMatch m = lineRe(levelText).match(lines[0]);
    QVERIFY2(m.hasMatch(), qPrintable(lines[0]));
    const QDateTime when = stamp(m.captured(1));
    QVERIFY2(when >= before && when <= after, qPrintable(m.captured(1)));
    QCOMPARE(m.captured(2).toULongLong(nullptr, 16), Logger::currentThreadId());
    QCOMPARE(m.captured(3), function.isNull() ? QString("unknown") : QString::fromUtf8(function));
    QCOMPARE(m.captured(4), message);
    // The debug output gets the same line, without quotes around it.
    QCOMPARE(captured(), toDebugOutput ? QStringList{lines[0]} : QStringList{});
}

void TestLogger::levelFiltering_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("level");
    const char *names[] = {"DEBUG", "INFO", "WARNING", "ERROR", "FATAL"};
    for (int minimum = Logger::DEBUG; minimum <= Logger::FATAL; ++minimum)
        for (int level = Logger::INFO; level <= Logger::FATAL; ++level)
            QTest::addRow("minimum %s, %s", names[minimum], names[level]) << minimum << level;
}

void TestLogger::levelFiltering()
{
    QFETCH(int, minimum);
    QFETCH(int, level);
    Logger::setLogLevel(Logger::LogLevel(minimum));
    QCOMPARE(int(Logger::logLevel()), minimum);
    logAt(level, "m", "f");

    const bool written = level >= minimum;
    const QStringList lines = newLines();
    QCOMPARE(lines.size(), written ? 1 : 0);
    if (written)
        QVERIFY(lineRe(Logger::levelName(Logger::LogLevel(level))).match(lines[0]).hasMatch());
    QCOMPARE(captured().size(), written && level >= Logger::WARNING ? 1 : 0);
}

void TestLogger::concurrentLinesStayWhole()
{
    constexpr int kLines = 3000;
    auto writer = [](QChar fill) {
        const QString body(300, fill);
        for (int i = 0; i < kLines; ++i)
            Logger::info(body + QString::number(i), "writer");
    };
    std::thread a(writer, QChar('A'));
    std::thread b(writer, QChar('B'));
    a.join();
    b.join();

    const QStringList lines = newLines();
    QCOMPARE(lines.size(), 2 * kLines);
    const QRegularExpression re = lineRe("INFO");
    const QRegularExpression body("^(A{300}|B{300})(\\d+)$");
    int next[2] = {0, 0};
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = re.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line.left(120)));
        const QRegularExpressionMatch b = body.match(m.captured(4));
        QVERIFY2(b.hasMatch(), qPrintable(line.left(120)));
        // Each writer's lines arrive whole and in its own order.
        const int writer = b.captured(1).startsWith('A') ? 0 : 1;
        QCOMPARE(b.captured(2).toInt(), next[writer]++);
    }
    QCOMPARE(next[0], kLines);
    QCOMPARE(next[1], kLines);
}

void TestLogger::crashReason_data()
{
    QTest::addColumn<int>("sig");
    QTest::addColumn<QString>("reason");
    const QString bus = "总线错误(SIGBUS) - 访问了不存在或未对齐的内存地址";
    QTest::newRow("SIGSEGV") << int(SIGSEGV) << "段错误(SIGSEGV) - 访问了无效的内存地址";
    QTest::newRow("SIGABRT") << int(SIGABRT) << "异常终止(SIGABRT) - 程序调用了abort()";
    QTest::newRow("SIGFPE") << int(SIGFPE) << "浮点异常(SIGFPE) - 算术运算错误(如整数除以零)";
    QTest::newRow("SIGILL") << int(SIGILL) << "非法指令(SIGILL) - 执行了无效的机器指令";
    QTest::newRow("SIGBUS") << int(SIGBUS) << bus;
    // 7 is unknown where the fault hook has no SIGBUS; on Linux/x86 it is SIGBUS.
    QTest::newRow("7") << 7 << (SIGBUS == 7 ? bus : QString("未知信号(7)"));
    QTest::newRow("SIGTRAP") << int(SIGTRAP) << QString("未知信号(%1)").arg(SIGTRAP);
    QTest::newRow("64") << 64 << "未知信号(64)";
    QTest::newRow("-1") << -1 << "未知信号(-1)";
}

void TestLogger::crashReason()
{
    QFETCH(int, sig);
    QFETCH(QString, reason);
    QCOMPARE(Logger::crashReason(sig), reason);
}

void TestLogger::stackTrace_data()
{
    QTest::addColumn<int>("maxFrames");
    QTest::newRow("0") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("3") << 3;
    QTest::newRow("30") << 30;
}

void TestLogger::stackTrace()
{
    QFETCH(int, maxFrames);
    const QString trace = Logger::getStackTrace(maxFrames);
    if (maxFrames <= 0) {
        QVERIFY(trace.isEmpty());
        return;
    }
    QVERIFY(trace.endsWith('\n'));
    const QStringList lines = trace.chopped(1).split('\n');
    // The test runner sits at least a few frames below us.
    QCOMPARE(lines.size(), qMin(maxFrames, lines.size()));
    QVERIFY(lines.size() >= qMin(maxFrames, 3));
    const QRegularExpression re("^  #(\\d+) 0x([0-9a-f]+)$");
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = re.match(lines[i]);
        QVERIFY2(m.hasMatch(), qPrintable(lines[i]));
        QCOMPARE(m.captured(1).toInt(), i);
        QVERIFY(m.captured(2).toULongLong(nullptr, 16) != 0);
    }
}

void TestLogger::defaultDirectory()
{
    Logger::init(QString(), Logger::DEBUG);
    const QString path = Logger::logFilePath();
    const QFileInfo info(path);
    QCOMPARE(info.absolutePath(), QCoreApplication::applicationDirPath() + "/logs");
    QVERIFY2(QRegularExpression("^\\d{8}-\\d{6}\\.log$").match(info.fileName()).hasMatch(), qPrintable(path));
    const QStringList lines = readLines(path);
    QFile::remove(path);
    QVERIFY(lines.size() >= 2);
    const QRegularExpressionMatch first = lineRe("INFO").match(lines[lines.size() - 2]);
    const QRegularExpressionMatch second = lineRe("INFO").match(lines.last());
    QVERIFY(first.hasMatch() && second.hasMatch());
    QCOMPARE(first.captured(3), QString("Logger::init"));
    QCOMPARE(first.captured(4), QString("日志系统初始化完成"));
    QCOMPARE(second.captured(3), QString("Logger::init"));
    QCOMPARE(second.captured(4), "日志文件路径: " + path);
    QVERIFY(crashHooksInstalled());
}

void TestLogger::initFailure_data()
{
    QTest::addColumn<bool>("dirBlocked");
    QTest::addColumn<QString>("warningPrefix");
    QTest::newRow("directory cannot be created") << true << "无法创建日志目录: ";
    QTest::newRow("file cannot be opened") << false << "无法打开日志文件: ";
}

void TestLogger::initFailure()
{
    QFETCH(bool, dirBlocked);
    QFETCH(QString, warningPrefix);
    QVERIFY(crashHooksInstalled());

    QString dir = m_dir->filePath("target");
    if (dirBlocked) {
        // A regular file where a parent folder should be.
        QFile blocker(m_dir->filePath("target"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        dir += "/logs";
    } else {
        // Folders named like the log file for the seconds around the call.
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = -1; s <= 5; ++s)
            QVERIFY(QDir().mkpath(dir + "/" + now.addSecs(s).toString("yyyyMMdd-hhmmss") + ".log"));
    }
    Logger::init(dir, Logger::DEBUG);

    const QStringList messages = captured();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(warningPrefix), qPrintable(messages[0]));
    if (dirBlocked)
        QCOMPARE(messages[0], warningPrefix + dir);
    else
        QVERIFY(messages[0].size() > warningPrefix.size());
    QVERIFY(Logger::logFilePath().isEmpty());
    QVERIFY(!crashHooksInstalled());

    // Logging goes on, only to the debug output.
    Logger::info("i", "f");
    Logger::error("e", "f");
    QCOMPARE(captured().size(), 2);
    QVERIFY(lineRe("ERROR").match(captured().last()).hasMatch());
    const QStringList files = QDir(m_dir->path()).entryList({"*.log"}, QDir::Files);
    QVERIFY2(files.size() == 1, qPrintable(files.join(','))); // only the one init() opened
}

void TestLogger::emergencyStack_data()
{
    QTest::addColumn<qulonglong>("bytes");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("text"); // %1: the pool thread's ID

    QTest::newRow("64 KB") << qulonglong(EmergencyStackRunnable::kEmergencyStackBytes) << "INFO"
                           << "线程池线程紧急栈预留成功，大小: 64 KB，线程ID: 0x%1";
    const QString failed = "线程池线程紧急栈预留失败，错误码: %1，线程ID: 0x%2";
    QTest::newRow("below the kernel's minimum") << qulonglong(1) << "ERROR"
                                                << failed.arg(ENOMEM).arg("%1");
    QTest::newRow("zero") << qulonglong(0) << "ERROR" << failed.arg(EINVAL).arg("%1");
}

void TestLogger::emergencyStack()
{
    QFETCH(qulonglong, bytes);
    QFETCH(QString, level);
    QFETCH(QString, text);
#if defined(__SANITIZE_ADDRESS__)
    if (level == "ERROR" && bytes > 0)
        QSKIP("the sanitizer gives every thread an alternate stack, which is kept");
#endif

    std::atomic<quint64> taskTid{0};
    std::atomic<size_t> altSize{0};
    QThreadPool pool; // fresh threads, without an alternate stack yet
    pool.start(new EmergencyStackRunnable(
        [&] {
            taskTid = Logger::currentThreadId();
            stack_t ss{};
            sigaltstack(nullptr, &ss);
            altSize = (ss.ss_flags & SS_DISABLE) ? 0 : ss.ss_size;
        },
        bytes));
    QVERIFY(pool.waitForDone(10000));
    QVERIFY(taskTid != 0); // the task runs whether or not the stack was reserved
    QVERIFY(taskTid != Logger::currentThreadId());

    const QStringList lines = newLines();
    QCOMPARE(lines.size(), 1);
    const QRegularExpressionMatch m = lineRe(level).match(lines[0]);
    QVERIFY2(m.hasMatch(), qPrintable(lines[0]));
    QCOMPARE(m.captured(2).toULongLong(nullptr, 16), quint64(taskTid));
    QCOMPARE(m.captured(3), QString("EmergencyStackRunnable::run"));
    QCOMPARE(m.captured(4), text.arg(QString::number(taskTid, 16)));
    if (level == "INFO")
        QVERIFY(altSize >= bytes);
}

TestLogger::ChildRun TestLogger::runChild(const QString &mode)
{
    ChildRun run;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // A local time far from UTC, so that a wrong offset in the crash line shows.
    env.insert("TZ", "CST-8");
    child.setProcessEnvironment(env);
    child.setChildProcessModifier([] {
        // A known stack limit for the overflow cases, and no core files.
        rlimit stack{8 << 20, 8 << 20};
        setrlimit(RLIMIT_STACK, &stack);
        rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
    });
    child.start(QString(ZK_TEST_HELPER_DIR) + "/crash_child", {mode, m_dir->path()});
    if (!child.waitForStarted(10000))
        return run;
    run.pid = child.processId();
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return run;
    }
    run.exitCode = child.exitCode();
    run.status = child.exitStatus();
    run.err = QString::fromUtf8(child.readAllStandardError());
    const QStringList logs = QDir(m_dir->path()).entryList({"*.log"}, QDir::Files, QDir::Time);
    // Our own init() made one file too; the child's is the newest other one.
    for (const QString &name : logs) {
        const QString path = m_dir->filePath(name);
        if (path != Logger::logFilePath()) {
            run.logPath = path;
            run.log = readLines(path);
            break;
        }
    }
    return run;
}

void TestLogger::crashChild_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("onGuiThread");
    QTest::addColumn<bool>("boxShown");  // the crash notifier ran instead of the stderr lines
    QTest::addColumn<QString>("logText"); // must also be in the log

    const QString segv = "段错误(SIGSEGV) - 访问了无效的内存地址";
    QTest::newRow("gui-null-write") << segv << true << false << "测试1：即将进行空指针解引用";
    QTest::newRow("worker-null-write") << segv << false << false << "子线程启动，准备触发非法内存访问";
    QTest::newRow("abort") << "异常终止(SIGABRT) - 程序调用了abort()" << true << false << "";
    QTest::newRow("main-overflow") << segv << true << false << "递归深度: 1000";
    QTest::newRow("pool-overflow") << segv << false << false << "线程池线程紧急栈预留成功，大小: 64 KB";
    QTest::newRow("other-holds-lock") << segv << true << false << "";
    QTest::newRow("self-holds-lock") << segv << true << false << "";
    QTest::newRow("fpe") << "浮点异常(SIGFPE) - 算术运算错误(如整数除以零)" << true << false << "";
    QTest::newRow("ill") << "非法指令(SIGILL) - 执行了无效的机器指令" << true << false << "";
    QTest::newRow("bus") << "总线错误(SIGBUS) - 访问了不存在或未对齐的内存地址" << true << false << "";
    QTest::newRow("notify-gui") << segv << true << true << "";
    QTest::newRow("notify-worker") << segv << false << false << "";
    QTest::newRow("notify-coreapp") << segv << true << false << "";
    // The notifier itself faults: the re-entry still ends with code 1 and the stderr lines.
    QTest::newRow("notify-reenter") << segv << true << false << "";
}

void TestLogger::crashChild()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the sanitizer runtime owns the fault signals");
#endif
#if defined(__SANITIZE_THREAD__)
    // Its runtime grows the stack of a recursing child far past the emergency stack, and
    // ends a child whose notifier allocates inside the re-entered handler.
    const QString tag = QTest::currentDataTag();
    if (tag.endsWith("overflow") || tag == "notify-reenter")
        QSKIP("the thread sanitizer runtime takes over this crash");
#endif
    QFETCH(QString, reason);
    QFETCH(bool, onGuiThread);
    QFETCH(bool, boxShown);
    QFETCH(QString, logText);

    const ChildRun run = runChild(QTest::currentDataTag());
    QVERIFY2(run.status == QProcess::NormalExit, qPrintable(run.err.right(2000)));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(!run.logPath.isEmpty(), "no log file");

    const QRegularExpression fatalRe = lineRe("FATAL");
    int at = -1;
    for (int i = 0; i < run.log.size() && at < 0; ++i)
        if (run.log[i].contains("[FATAL]"))
            at = i;
    QVERIFY2(at > 0, qPrintable(run.log.mid(run.log.size() - 5).join('\n')));
    // The line, the trace header, 1 to 30 frames, the blank line its trace ends with;
    // nothing after it.
    const int frames = run.log.size() - at - 3;
    QVERIFY2(frames >= 1 && frames <= 30, qPrintable(run.log.mid(at).join('\n')));
    QCOMPARE(run.log.last(), QString());
    for (int i = 0; i < frames; ++i)
        QVERIFY2(QRegularExpression(QString("^  #%1 0x[0-9a-f]+$").arg(i)).match(run.log[at + 2 + i]).hasMatch(),
                 qPrintable(run.log[at + 2 + i]));
    const QRegularExpressionMatch m = fatalRe.match(run.log[at]);
    QVERIFY2(m.hasMatch(), qPrintable(run.log[at]));
    QCOMPARE(m.captured(3), QString("Logger::handleCrash"));
    QCOMPARE(m.captured(4), "程序崩溃: " + reason);
    QCOMPARE(run.log[at + 1], QString("当前堆栈跟踪:"));
    // Thread: the GUI (main) thread's ID is the process ID.
    QCOMPARE(m.captured(2).toLongLong(nullptr, 16) == run.pid, onGuiThread);
    // The crash line computes local time without localtime_r: it must agree with the
    // ordinary line before it, written in the child's time zone (UTC+8).
    const QRegularExpressionMatch previous = QRegularExpression("^\\[([^\\]]+)\\]").match(run.log[at - 1]);
    QVERIFY(previous.hasMatch());
    const qint64 gap = stamp(previous.captured(1)).msecsTo(stamp(m.captured(1)));
    QVERIFY2(gap >= 0 && gap < 10000, qPrintable(m.captured(1) + " after " + previous.captured(1)));
    const QDateTime utc8 = stamp(QDateTime::currentDateTimeUtc().addSecs(8 * 3600).toString("yyyy-MM-dd HH:mm:ss.zzz"));
    QVERIFY2(qAbs(utc8.msecsTo(stamp(m.captured(1)))) < 120000, qPrintable(m.captured(1)));
    if (!logText.isEmpty())
        QVERIFY2(run.log.filter(logText).size() >= 1, qPrintable(logText));

    // The FATAL line's copy on standard error, then either the box or the two lines.
    QVERIFY(run.err.contains("[FATAL]"));
    QVERIFY(run.err.contains("] [Logger::handleCrash] 程序崩溃: " + reason + "\n当前堆栈跟踪:\n  #0 0x"));
    const QString stderrLines = "\n程序崩溃: " + reason + "\n日志已保存至: " + run.logPath + "\n";
    if (boxShown) {
        QVERIFY(run.err.contains("NOTIFIER|" + reason + "|" + run.logPath + "\n"));
        QVERIFY(!run.err.contains("日志已保存至"));
    } else {
        QVERIFY2(run.err.contains(stderrLines), qPrintable(run.err.right(500)));
        QVERIFY(!run.err.contains("NOTIFIER|"));
    }
}

void TestLogger::crashBoxAfterOverflowFitsAltStack()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("the sanitizer runtime owns the fault signals");
#endif
    const ChildRun run = runChild("overflow-box");
    QVERIFY2(run.status == QProcess::NormalExit, qPrintable(run.err.right(2000)));
    QCOMPARE(run.exitCode, 1);
    const QRegularExpressionMatch m = QRegularExpression("ALTSTACK\\|(\\d+)\\|(\\d+)").match(run.err);
    QVERIFY2(m.hasMatch(), qPrintable(run.err.right(2000)));
    const qulonglong crashPath = m.captured(1).toULongLong();
    const qulonglong withBox = m.captured(2).toULongLong();
    qInstallMessageHandler(m_previousHandler); // let the figures reach the test output
    qInfo("alternate stack used: crash path %llu bytes, with the crash box %llu bytes", crashPath, withBox);
    // The pool threads' emergency stack must hold the crash path with room to spare,
    // the GUI thread's the crash box as well.
    QVERIFY(crashPath > 0);
    QVERIFY(crashPath * 2 < EmergencyStackRunnable::kEmergencyStackBytes);
    QVERIFY(withBox * 2 < Logger::kGuiAltStackBytes);
    QVERIFY(run.err.contains("NOTIFIER|段错误(SIGSEGV)"));
}

QTEST_MAIN(TestLogger)
#include "tst_logger.moc"
