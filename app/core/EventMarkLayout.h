#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Where driving-event marks are drawn along a bar or a graph. Marks closer together than a mark is wide
// (a hard stop and the jolt it gives, both at one second) stand side by side instead of hiding one
// another, and a hover finds every mark under the mouse.
class EventMarkLayout {
public:
    EventMarkLayout() = delete;

    // The x each mark is drawn at, given the x where it belongs and the order of the marks: each mark is
    // moved right, when it must be, to stand `width` beside the one drawn before it.
    static QList<double> spread(const QList<double>& xs, double width);
    // The marks drawn within `reach` of x, in their order; none when no mark is that close.
    static QList<int> under(const QList<double>& drawnXs, double x, double reach);
    // The tooltip for the mouse at x: those of the marks under it, one line each; empty when none is.
    static QString tooltipAt(const QList<double>& drawnXs, const QStringList& tooltips, double x,
                             double reach);
};
