#pragma once

#include <QPointF>

// The speed gauge's geometry in the view's coordinates: origin lower-left, y up, angles in degrees counted
// counterclockwise from the positive x axis.
namespace SpeedGaugeGeometry {

inline constexpr double kRingStart = 325; // the ring runs counterclockwise from 325° to 215°
inline constexpr double kRingEnd = 215;
inline constexpr double kArcStart = 215; // the speed arc grows clockwise from the lower-left end
inline constexpr double kFullScale = 260;
inline constexpr double kSweep = 250;
inline constexpr double kLineWidth = 8;

double margin(double width);                 // w / 13
double radius(double width);                 // (w − 16 − k) / 2
QPointF centre(double width, double height); // (w / 2, h − w / 2)
// 215 − speed × 250 / 260, as speed / −260 × 250 + 215.
double endAngle(int speed);

} // namespace SpeedGaugeGeometry
