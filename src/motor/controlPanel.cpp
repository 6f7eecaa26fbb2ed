#include "motor/controlPanel.h"

#include <algorithm>

#include <cmath>

namespace {
QString number6(double v) { return QString::number(v, 'g', 6); }
} // namespace

SetPointCheck checkSetPoint(float min, float max, const QString &text)
{
    SetPointCheck c;
    const float span = max - min;
    if (!(span > 0) || !std::isfinite(span))
        return c;
    bool number = false;
    float v = text.trimmed().toFloat(&number);
    if (std::isnan(v))
        number = false;
    if (!number)
        v = 0;
    c.applies = true;
    const float clamped = std::clamp(v, min, max);
    c.slider = std::clamp(int((clamped - min) / span * 100), 0, 100);
    if (clamped != v || (!number && !text.trimmed().isEmpty())) {
        c.rewrite = true;
        c.text = number6(clamped);
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
