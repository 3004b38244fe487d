#pragma once

#include <QObject>

// What the map page may tell the player, published to the page through Qt's web channel as
// "kestrunPlayer": a click on a route, as the clip of the drawn trip (0 for a lone route) and the index of
// the point nearest the click.
class MapPlayerChannel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    void routeClicked(int clip, int point);

signals:
    void routePointClicked(int clip, int point);
};
