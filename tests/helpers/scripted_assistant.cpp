// A stand-in for the assistant program: answers each GBK line on standard input from a
// script, so that tests can drive the chat window and the dispatch along any road.
//
// The script is the file named by the first argument or by ZK_ASSISTANT_SCRIPT; each
// line is "input => output" (UTF-8). "*" as input matches every message; several lines
// with the same input all run, in order. "\n" in an output is a line break. The input
// "@start" runs once before the first message. Outputs starting with "@" are actions:
//   @echo            answer the message itself
//   @exit N          exit normally with code N
//   @crash           abort (a crash exit)
//   @stderr TEXT     write TEXT on standard error
//   @split N TEXT    write the GBK bytes of TEXT in two writes cut after byte N
//   @raw TEXT        write TEXT without a line break
//   @flood N TEXT    write TEXT N times without a line break
//   @errflood N TEXT write TEXT and a line break N times on standard error
//   @sleep MS        pause
//   @ignore-term     ignore SIGTERM from now on (only a kill ends the program)
// Lines that are empty or start with "#" are comments. Exit code 2: no script.
#include "link/serial/textHelpers.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void writeBytes(FILE *f, const QByteArray &b)
{
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fflush(f);
}

void run(const QString &action, const QString &message)
{
    if (!action.startsWith('@')) {
        writeBytes(stdout, QStringToGBK(action + "\n"));
        return;
    }
    const QString verb = action.section(' ', 0, 0);
    const QString arg = action.section(' ', 1);
    if (verb == "@echo") {
        writeBytes(stdout, QStringToGBK(message + "\n"));
    } else if (verb == "@exit") {
        std::fflush(stdout);
        std::exit(arg.toInt());
    } else if (verb == "@crash") {
        std::fflush(stdout);
        std::abort();
    } else if (verb == "@stderr") {
        writeBytes(stderr, QStringToGBK(arg + "\n"));
    } else if (verb == "@split") {
        const int cut = arg.section(' ', 0, 0).toInt();
        const QByteArray bytes = QStringToGBK(arg.section(' ', 1) + "\n");
        writeBytes(stdout, bytes.left(cut));
        QThread::msleep(50);
        writeBytes(stdout, bytes.mid(cut));
    } else if (verb == "@flood" || verb == "@errflood") {
        const bool err = verb == "@errflood";
        const QByteArray text = QStringToGBK(arg.section(' ', 1) + (err ? "\n" : ""));
        QByteArray all;
        for (int i = arg.section(' ', 0, 0).toInt(); i > 0; --i)
            all += text;
        writeBytes(err ? stderr : stdout, all);
    } else if (verb == "@raw") {
        writeBytes(stdout, QStringToGBK(arg));
    } else if (verb == "@sleep") {
        QThread::msleep(arg.toUInt());
    } else if (verb == "@ignore-term") {
        std::signal(SIGTERM, SIG_IGN);
    } else {
        writeBytes(stderr, "scripted_assistant: unknown action " + action.toUtf8() + "\n");
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("ZK_ASSISTANT_SCRIPT");
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "scripted_assistant: no script (%s)\n", qPrintable(path));
        return 2;
    }
    QList<QPair<QString, QString>> rules;
    for (const QString &raw : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int sep = line.indexOf(" => ");
        if (sep < 0)
            continue;
        QString out = line.mid(sep + 4);
        out.replace("\\n", "\n");
        rules << qMakePair(line.left(sep).trimmed(), out);
    }

    for (const auto &r : rules) {
        if (r.first == "@start")
            run(r.second, QString());
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString message = QByteArrayToQString(QByteArray(line.data(), qsizetype(line.size())));
        for (const auto &r : rules) {
            if (r.first == message || r.first == "*")
                run(r.second, message);
        }
    }
    return 0;
}
