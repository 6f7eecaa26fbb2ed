#include "log/fileSave.h"

#include "log/log.h"

#include <QSaveFile>

#include <atomic>

namespace {
std::atomic_bool s_diskFull{false};
}

void setFileSaveDiskFullForTesting(bool full) { s_diskFull = full; }

FileSaveResult saveFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &fill, QString *error,
                                  bool text)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    auto fail = [&](FileSaveResult result, const QString &reason) {
        Logger::warning(QString("%1: %2").arg(path, reason), "saveFileAtomically");
        if (error)
            *error = reason;
        file.cancelWriting();
        return result;
    };
    if (!file.open(text ? QIODevice::WriteOnly | QIODevice::Text : QIODevice::WriteOnly))
        return fail(FileSaveResult::OpenFailed, file.errorString());
    bool ok = fill(file) && file.error() == QFileDevice::NoError;
    // Written bytes sit in the device's buffer: a full disk shows only when they are
    // flushed, and commit() would not notice it.
    ok = ok && file.flush() && file.error() == QFileDevice::NoError;
    if (ok && s_diskFull)
        return fail(FileSaveResult::WriteFailed, QStringLiteral("No space left on device"));
    if (!ok)
        return fail(FileSaveResult::WriteFailed, file.errorString());
    if (!file.commit())
        return fail(FileSaveResult::WriteFailed, file.errorString());
    return FileSaveResult::Saved;
}

FileSaveResult saveFileAtomically(const QString &path, const QByteArray &bytes, QString *error, bool text)
{
    return saveFileAtomically(
        path, [&bytes](QIODevice &d) { return d.write(bytes) == bytes.size(); }, error, text);
}
