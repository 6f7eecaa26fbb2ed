// Runs a fuzz target's entry point once for every file of its corpus, so that the normal
// build replays what the fuzzer found (or was seeded with) without clang. Arguments: files
// or folders. Fails when nothing was found to replay.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        QStringList files;
        const QFileInfo arg(QString::fromLocal8Bit(argv[i]));
        if (arg.isDir()) {
            QDirIterator it(arg.filePath(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
            files.sort();
        } else {
            files << arg.filePath();
        }
        for (const QString &path : files) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 2;
            }
            const QByteArray input = f.readAll();
            std::printf("%s (%lld bytes)\n", qPrintable(QFileInfo(path).fileName()), qlonglong(input.size()));
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
