// The quality-analysis block: a received block checked (length, CRC-32) and converted,
// and the spectrum computed from the samples. The first byte chooses whether the rest is
// the block as received (mostly refused by its CRC) or the samples themselves, so that
// every kind of float reaches the spectrum.
#include "fuzzInput.h"

#include "charts/spectrum.h"
#include "charts/spectrumCapture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    static SpectrumAnalyzer analyzer;
    FuzzInput in(data, size);
    const bool asBlock = in.byte() & 1;
    const QByteArray rest = in.rest();
    QList<float> samples;
    if (asBlock) {
        if (SpectrumCapture::checkBlock(rest, &samples) != SpectrumCapture::Outcome::Done)
            return 0;
    } else {
        samples = ut32ToFloatVector(rest);
    }
    const Spectrum::Result r = analyzer.compute(samples, Spectrum::SampleRate, Spectrum::FftSize);
    (void)r;
    return 0;
}
