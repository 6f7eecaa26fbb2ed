// The output-shaft encoder calibration: step x 4096 samples of the two shaft angles
// through the index table computation, and the table's packets. The first byte chooses
// the step and whether the samples are the input's floats or a plausible turn with the
// input as measurement error.
#include "calibrationSweep.h"

#include "calibration/calibrationMath.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    FuzzInput in(data, size);
    const uint8_t mode = in.byte();
    const unsigned step = 1u + (mode & 0x01);
    const bool raw = mode & 0x80;
    const QByteArray body = in.rest();
    const auto *p = reinterpret_cast<const uint8_t *>(body.constData());
    const size_t n = size_t(body.size());

    const int count = int(step) * CalMath::kShaftTableSize;
    QList<float> angle1, angle2;
    for (int i = 0; i < count; ++i) {
        const float turn = float(i) * float(CalMath::kShaftTwoPi) / float(count);
        angle1 << (raw ? cycledFloat(p, n, 2 * size_t(i)) : turn + cycledError(p, n, size_t(i)));
        // Crosses below zero once, a quarter turn in: the zero position.
        angle2 << (raw ? cycledFloat(p, n, 2 * size_t(i) + 1) : std::sin(turn - 1.5f) + cycledError(p, n, size_t(i) + 7));
    }
    const CalMath::ShaftCalibration c = CalMath::calibrateOutputShaft(angle1, angle2, step);
    if (c.ok)
        (void)CalMath::outputShaftPackets(c.inverse);
    return 0;
}
