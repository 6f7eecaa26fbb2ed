#pragma once

#include "cli/cliRunner.h"

#include <QStringList>

// `decode FILE`: a can-utils recording, one line per frame with what it means to a motor
// (the receive log's decoded column, with the start-up mapping ranges), or the same as
// JSON with the values in numbers. Malformed lines are skipped and listed in `problems`.
CliResult decodeRecording(const QString &path, QStringList *problems = nullptr);
