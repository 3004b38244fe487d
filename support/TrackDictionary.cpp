#include "TrackDictionary.h"

#include "TrackKeys.h"

#include <QVariantList>

namespace TrackDictionary {

QVariantMap fromSample(const TrackSample& sample) {
    using namespace TrackKeys;
    return {
        {kGpsLat, QString::fromStdString(sample.gpsLat)},
        {kGpsLgt, QString::fromStdString(sample.gpsLgt)},
        {kGsensorX, sample.gsensorX},
        {kGsensorY, sample.gsensorY},
        {kGsensorZ, sample.gsensorZ},
        {kNorthAngle, sample.northAngle},
        {kSpd, sample.spd},
    };
}

QVariantMap fromTrackInfo(const TrackInfo& info) {
    using namespace TrackKeys;
    QVariantMap map{
        {kFileSize, info.fileSize},
        {kFileTime, QString::fromStdString(info.fileTime)},
        {kIsInChina, info.isInChina},
    };
    if (info.videoDatas) {
        QVariantList samples;
        samples.reserve(static_cast<qsizetype>(info.videoDatas->size()));
        for (const TrackSample& sample : *info.videoDatas)
            samples.append(fromSample(sample));
        map.insert(kVideoDatas, samples);
    }
    if (info.maxSpeed)
        map.insert(kMaxSpeed, *info.maxSpeed);
    if (info.aevSpeed)
        map.insert(kAevSpeed, *info.aevSpeed);
    if (info.totailDistance)
        map.insert(kTotailDistance, *info.totailDistance);
    return map;
}

} // namespace TrackDictionary
