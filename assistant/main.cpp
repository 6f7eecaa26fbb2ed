// retrieval_chatbot.exe: the offline assistant behind the tool's chat window.
//
// Reads one GBK-encoded message per line on standard input and writes one GBK answer
// line per message on standard output, flushed at once; diagnostics go to standard
// error. Ends at the end of its input. Needs no network and no model: requests for
// the tool are recognised by rule, questions answered from assistant_kb.txt beside the
// program (or the file given with --kb).
#include "assistant.h"
#include "knowledgeBase.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void diag(const QString &text)
{
    std::fprintf(stderr, "retrieval_chatbot: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::ios::sync_with_stdio(false);

    QString kbPath = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("assistant_kb.txt");
    bool verbose = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i) == "--kb" && i + 1 < args.size())
            kbPath = args.at(++i);
        else if (args.at(i) == "--verbose")
            verbose = true;
        else
            diag("unknown argument ignored: " + args.at(i));
    }

    KnowledgeBase kb;
    QString error;
    if (!kb.load(kbPath, &error))
        diag(error + " (questions about the tool cannot be answered)");
    for (const QString &w : kb.warnings())
        diag(w);
    // An answer that reads like a command would make the tool act on a question.
    KnowledgeBase checked;
    for (int i = 0; i < kb.size(); ++i) {
        const KnowledgeBase::Entry &e = kb.entry(i);
        if (Assistant::triggersCommand(e.zhAnswer) || Assistant::triggersCommand(e.enAnswer))
            diag("knowledge base entry dropped, its answer contains a command phrase: " + e.questions.value(0));
        else
            checked.addEntry(e);
    }
    checked.build();
    if (verbose)
        diag(QString("%1 knowledge base entries from %2").arg(checked.size()).arg(kbPath));

    QStringDecoder decoder("GBK");
    QStringEncoder encoder("GBK");
    const bool gbk = decoder.isValid() && encoder.isValid();
    if (!gbk)
        diag("no GBK codec available, using UTF-8");

    Assistant assistant(std::move(checked));
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const QByteArray raw(line.data(), qsizetype(line.size()));
        const QString message = gbk ? decoder.decode(raw) : QString::fromUtf8(raw);
        if (gbk && decoder.hasError()) {
            diag("input line is not valid GBK");
            decoder.resetState();
        }
        const QString reply = assistant.answer(message);
        for (const QString &d : assistant.takeDiagnostics())
            diag(d);
        if (verbose)
            diag(QString("<< %1\n>> %2").arg(message, reply));
        if (reply.isEmpty())
            continue;
        const QByteArray out = gbk ? QByteArray(encoder.encode(reply)) : reply.toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return 0;
}
