#pragma once

#include <QList>
#include <QMetaType>
#include <QPointF>

// Result of the off-GUI-thread computation of a single-channel chart, drawn later on
// the GUI thread. Travels by value through queued signals.
struct WaveDataContainer
{
    QList<QPointF> points; // x = position in the shown window, y = value after unit conversion
    float yMin = -1.0f;    // proposed Y range
    float yMax = 1.0f;
    float lastValue = 0.0f; // newest shown value, for the legend
};

// Result of the multi-channel computation: one decimated point list per channel.
struct MultiWaveDataContainer
{
    QList<QList<QPointF>> series;
    float yMin = -1.0f; // proposed Y range over all channels
    float yMax = 1.0f;
    float xSpan = 0.0f; // largest number of shown samples among the channels
};

Q_DECLARE_METATYPE(WaveDataContainer)
Q_DECLARE_METATYPE(MultiWaveDataContainer)

// Registers both containers for queued connections; safe to call more than once.
void registerWaveMetaTypes();
