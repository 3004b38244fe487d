#pragma once

#include "DrivingEvents.h"

#include <QColor>
#include <QString>

// How a driving event shows wherever it is marked (the seek bar, the G-sensor graph, the play list): a
// colour per kind, the kind's name, and a tooltip with the kind, the time in the clip and the speed.
class DrivingEventStyle {
public:
    DrivingEventStyle() = delete;

    static QColor colour(DrivingEventKind kind);
    static QString name(DrivingEventKind kind);
    // "Hard braking · 01:05 · 43 km/h", the speed in the unit in force.
    static QString tooltip(const DrivingEvent& event);
};
