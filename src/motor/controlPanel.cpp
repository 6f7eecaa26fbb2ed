#include "motor/controlPanel.h"

#include <algorithm>

#include <cmath>

namespace {
QString number6(double v) { return QString::number(v, 'g', 6); }
} // namespace

SetPointCheck checkSetPoint(float max, const QString &text)
{
    SetPointCheck c;
    const float span = 2 * max;
    if (!(span > 0))
        return c;
    float v = text.toFloat();
    if (std::isnan(v))
        v = 0;
    c.applies = true;
    // Kept within the slider's range before the conversion to int, which would be
    // undefined for an infinite ratio.
    const float position = std::clamp((max + v) / span * 100, -1.0f, 101.0f);
    c.slider = std::clamp(int(position), 0, 100);
    if (v < -max) {
        c.rewrite = true;
        c.text = number6(-max);
    } else if (v > max) {
        c.rewrite = true;
        c.text = number6(max);
    }
    return c;
}

QString rangeBoundText(const char *word, double value) { return QString::fromLatin1(word) + "\n" + number6(value); }

QString convertedVelocityText(const QString &text, bool toRpm)
{
    return number6(double(text.toFloat()) * (toRpm ? kRpmPerRads : kRadsPerRpm));
}

QString rpmReadoutText(const QString &velocityText, bool typedInRpm)
{
    if (typedInRpm)
        return velocityText;
    return number6(double(velocityText.toFloat()) * 30 / 3.1415926);
}

QString velocityUnitText(bool rpm) { return rpm ? QStringLiteral("RPM") : QStringLiteral("rad/s"); }
