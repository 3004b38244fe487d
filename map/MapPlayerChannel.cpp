#include "MapPlayerChannel.h"

void MapPlayerChannel::routeClicked(int clip, int point) {
    // The page's word is checked by the receiver against what it drew.
    emit routePointClicked(clip, point);
}
