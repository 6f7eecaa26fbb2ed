#pragma once

#include <QString>

// Rules of the motor control panel's fields, without widgets: where a set-point's slider
// stands, when its text is pulled back into range, and the rad/s <-> RPM conversions.

// rad/s -> RPM is x * 30 / 3.1415926; the reverse x * 3.1415926 / 30.
inline constexpr double kRpmPerRads = 30.0 / 3.1415926;
inline constexpr double kRadsPerRpm = 3.1415926 / 30.0;

// The outcome of leaving one set-point edit whose range is [min, max]: Kp, Kd and the
// current start at 0, so a negative entry is pulled to 0 just as the wire carries it.
struct SetPointCheck
{
    bool applies = false;  // max > min; otherwise neither slider nor text changes
    int slider = 0;        // int((v - min) / (max - min) * 100), within 0..100
    bool rewrite = false;  // v lay outside [min, max], or was no number ...
    QString text;          // ... and this is what is sent instead
};
// A text that is no number (NaN included) counts as 0, pulled into the range; it is
// rewritten so that the edit shows what is sent (an empty edit stays empty).
SetPointCheck checkSetPoint(float min, float max, const QString &text);

// "MIN\n-12.5" / "MAX\n12.5": a range label's two lines, 6 significant digits.
QString rangeBoundText(const char *word, double value);

// A velocity edit's text times the factor of the unit switch, 'g' with 6 digits
// (an empty or non-numeric text gives "0").
QString convertedVelocityText(const QString &text, bool toRpm);

// The RPM read-out beside a velocity edit: the text itself when it is typed in RPM,
// otherwise its value times 30 / 3.1415926.
QString rpmReadoutText(const QString &velocityText, bool typedInRpm);

// "rad/s" or "RPM".
QString velocityUnitText(bool rpm);
