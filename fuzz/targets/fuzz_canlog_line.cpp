// The can-utils log format: every line parsed as a recording or an opened file gives it,
// the log row made of a parsed record with what it means to a motor (said for every
// frame of a kind, for no other), and the line written back from it, which must read
// again as the same frame (the recorder's lines are the reader's input).
#include "fuzzInput.h"

#include "can/canFrameData.h"
#include "can/canLogFile.h"
#include "motor/motorFrameDecode.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &line : text.split('\n')) {
        CanLogRecord r;
        QString why;
        if (!parseCanLogLine(QByteArrayView(line), &r, &why))
            continue;
        const CANFrameData row = canLogRowOf(r, 1, 0);
        if (row.motorFrame().known() == row.decodedText().isEmpty())
            std::abort();
        const QByteArray written = canLogLine(r);
        CanLogRecord back;
        if (!parseCanLogLine(QByteArrayView(written).chopped(written.endsWith('\n') ? 1 : 0), &back, &why))
            std::abort();
        if (!(back == r))
            std::abort();
    }
    return 0;
}
