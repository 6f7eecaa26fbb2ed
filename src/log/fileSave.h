#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

// Whole-file saves for everything the tool writes on the user's behalf (parameter files,
// CSV data; the log has its own file). The bytes go to a temporary file beside the target;
// every write and the final flush are checked, and only then does the temporary file
// replace the target. On any failure the previous file stays as it was. The target is
// never written in place: a disk that fills up half-way must not cost the user the file
// they already had.
enum class FileSaveResult { Saved, OpenFailed, WriteFailed };

// `fill` writes the content and returns false when it could not.
FileSaveResult saveFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &fill,
                                  QString *error = nullptr, bool text = true);
FileSaveResult saveFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                                  bool text = true);

// For tests that cannot make a real full file system: while set, every save fails at its
// final flush as on a full disk.
void setFileSaveDiskFullForTesting(bool full);
