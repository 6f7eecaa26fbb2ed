// The motor-side encoder calibration: a capture of 512 samples per pole pair (forward and
// backward sweep) through the table computation, and the table's packets and lookups.
// The first byte chooses the pole pairs and whether the samples are the input's floats
// or a plausible sweep with the input as measurement error.
#include "calibrationSweep.h"

#include "calibration/calibrationMath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    FuzzInput in(data, size);
    const uint8_t mode = in.byte();
    const unsigned polePairs = 1u + (mode & 0x07);
    const bool raw = mode & 0x80;
    const QByteArray body = in.rest();
    const auto *p = reinterpret_cast<const uint8_t *>(body.constData());
    const size_t n = size_t(body.size());

    const int count = int(2 * CalMath::kPointsPerPolePair * polePairs);
    const int half = count / 2;
    QList<float> refer, real, err;
    QList<int> rawCounts;
    for (int i = 0; i < count; ++i) {
        // The commanded electrical angle runs one way and back.
        const int k = i < half ? i : count - 1 - i;
        const float ref = float(k) * CalMath::kTwoPi / float(CalMath::kPointsPerPolePair);
        const float r = raw ? cycledFloat(p, n, 3 * size_t(i)) : ref;
        const float m = raw ? cycledFloat(p, n, 3 * size_t(i) + 1) : ref / float(polePairs) + cycledError(p, n, size_t(i));
        const float e = raw ? cycledFloat(p, n, 3 * size_t(i) + 2) : m - ref / float(polePairs);
        refer << r;
        real << m;
        err << e;
        // 14-bit encoder counts as the records carry them (16 bits on the wire).
        rawCounts << (raw && n ? int(p[(2 * size_t(i)) % n] | (p[(2 * size_t(i) + 1) % n] << 8))
                               : (k * 16384 / half) % 16384);
    }
    CalMath::unwrapMotorError(err);
    const CalMath::MotorCalibration c = CalMath::calibrateMotorSide(refer, real, err, rawCounts, polePairs);
    if (c.ok) {
        (void)CalMath::motorTablePackets(c.compTable, c.elecOffset);
        for (int raw14 : {0, 63, 64, 8191, 16383})
            (void)CalMath::interpolateTable(c.compTable, raw14);
    }
    return 0;
}
