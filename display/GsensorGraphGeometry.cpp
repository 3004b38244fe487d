#include "GsensorGraphGeometry.h"

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

} // namespace GsensorGraphGeometry
