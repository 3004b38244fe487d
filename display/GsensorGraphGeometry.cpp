#include "GsensorGraphGeometry.h"

#include <algorithm>
#include <cmath>

namespace GsensorGraphGeometry {

float scale(float top) {
    return (top - 20 - 5) / kLabels;
}

float lineY(int i, float top) {
    return float(i) * scale(top) + kBottom;
}

float axisTop(float top) {
    return 5 * scale(top) + 5;
}

float entryX(int j, int n, float right) {
    return float(j) / float(n) * (right - kLeft) + kLeft;
}

float valueY(double v, float top) {
    const float s = scale(top);
    return static_cast<float>(v * s + kBottom + 2 * s);
}

float rangeY(double v, double lowest, double highest, float top) {
    const double span = highest > lowest ? highest - lowest : 1;
    return static_cast<float>((v - lowest) / span * (kLabels - 1) * scale(top) + kBottom);
}

double niceScaleTop(double maximum, double smallestStep) {
    const double wanted = std::max(maximum / (kLabels - 1), smallestStep);
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= wanted)
            return factor * power * (kLabels - 1);
    }
    return 10 * power * (kLabels - 1);
}

} // namespace GsensorGraphGeometry
