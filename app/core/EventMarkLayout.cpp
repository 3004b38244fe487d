#include "EventMarkLayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

QList<double> EventMarkLayout::spread(const QList<double>& xs, double width) {
    // Marks are placed from left to right; ties keep their order.
    QList<int> order(xs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&xs](int a, int b) { return xs[a] < xs[b]; });
    QList<double> drawn(xs);
    bool first = true;
    double previous = 0;
    for (int index : order) {
        if (!std::isfinite(xs[index]))
            continue;
        drawn[index] = first ? xs[index] : std::max(xs[index], previous + width);
        previous = drawn[index];
        first = false;
    }
    return drawn;
}

QList<int> EventMarkLayout::under(const QList<double>& drawnXs, double x, double reach) {
    QList<int> found;
    for (int index = 0; index < drawnXs.size(); ++index) {
        if (std::abs(drawnXs[index] - x) <= reach)
            found.append(index);
    }
    return found;
}

QString EventMarkLayout::tooltipAt(const QList<double>& drawnXs, const QStringList& tooltips, double x,
                                   double reach) {
    QStringList lines;
    for (int index : under(drawnXs, x, reach)) {
        if (index < tooltips.size())
            lines.append(tooltips[index]);
    }
    return lines.join('\n');
}
