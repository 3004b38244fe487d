#pragma once

#include "TrackInfo.h"
#include "TrackSample.h"

#include <QVariantMap>

// The track records as the literal-keyed dictionaries that are stored and exported ("gps_lat",
// "key_video_datas", ...). Numbers stay single-precision reals (QMetaType::Float); a key is absent exactly
// when the record has no value for it.
namespace TrackDictionary {

QVariantMap fromSample(const TrackSample& sample);
QVariantMap fromTrackInfo(const TrackInfo& info);

} // namespace TrackDictionary
