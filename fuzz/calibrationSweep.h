#pragma once

// Calibration captures made of fuzz input: either the input's bytes as floats, as a
// device could send any, or a plausible sweep (the commanded angle stepping evenly) with
// the input as the measured error, so that the computations get past their first checks.

#include "fuzzInput.h"

#include <QList>

#include <cstring>

// The i-th float of the input, taken round and round.
inline float cycledFloat(const uint8_t *data, size_t size, size_t i)
{
    if (size == 0)
        return 0.0f;
    uint8_t b[4];
    for (size_t k = 0; k < 4; ++k)
        b[k] = data[(4 * i + k) % size];
    float f;
    std::memcpy(&f, b, sizeof f);
    return f;
}

// The i-th input byte as a small signed error (±0.05 rad at most), round and round.
inline float cycledError(const uint8_t *data, size_t size, size_t i)
{
    return size == 0 ? 0.0f : float(int8_t(data[i % size])) * (0.05f / 128.0f);
}
