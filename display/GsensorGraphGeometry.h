#pragma once

#include <QPointF>

// The G-sensor graph's geometry in the view's coordinates (origin lower-left, y up), single precision where
// the graph computes in it. W and H are the right and top edges of the view.
namespace GsensorGraphGeometry {

inline constexpr float kLeft = 30;   // the vertical axis
inline constexpr float kBottom = 20; // the horizontal axis
inline constexpr int kLabels = 5;    // "-2.0" … "2.0"

// Points per g: (H − 20 − 5) / 5.
float scale(float top);
// The height of scale line i (0 the horizontal axis … 4 the top grid line): i × s + 20.
float lineY(int i, float top);
// The top of the vertical axis and of the cursor: 5 × s + 5.
float axisTop(float top);
// The horizontal position of entry (or cursor at second) j of n: j / n × (W − 30) + 30.
float entryX(int j, int n, float right);
// The height of a value v in g: v × s + 20 + 2 × s.
float valueY(double v, float top);
// The height of a value v on a scale from `lowest` (the horizontal axis) to `highest` (the top grid line).
float rangeY(double v, double lowest, double highest, float top);
// The top of a scale from 0 that holds `maximum` in four equal steps of 1, 2 or 5 times a power of ten
// (at least 4 × `smallestStep`).
double niceScaleTop(double maximum, double smallestStep = 5);

} // namespace GsensorGraphGeometry
