#include "SpeedGaugeGeometry.h"

namespace SpeedGaugeGeometry {

double margin(double width) {
    return width / 13;
}

double radius(double width) {
    return (width - 16 - margin(width)) / 2;
}

QPointF centre(double width, double height) {
    return {width / 2, height - width / 2};
}

double endAngle(int speed) {
    return double(speed) / -kFullScale * kSweep + kArcStart;
}

} // namespace SpeedGaugeGeometry
