#pragma once

// The literal keys of the track records as they are stored and exported.
namespace TrackKeys {

// TrackSample
inline constexpr const char* kGpsLat = "gps_lat";
inline constexpr const char* kGpsLgt = "gps_lgt";
inline constexpr const char* kGsensorX = "gsensor_x";
inline constexpr const char* kGsensorY = "gsensor_y";
inline constexpr const char* kGsensorZ = "gsensor_z";
inline constexpr const char* kNorthAngle = "north_angle";
inline constexpr const char* kSpd = "spd";

// TrackInfo
inline constexpr const char* kFileSize = "file_size";
inline constexpr const char* kFileTime = "file_time";
inline constexpr const char* kIsInChina = "key_is_in_china";
inline constexpr const char* kVideoDatas = "key_video_datas";
inline constexpr const char* kMaxSpeed = "key_max_speed";
inline constexpr const char* kAevSpeed = "key_aev_speed";
inline constexpr const char* kTotailDistance = "key_totail_distance";

} // namespace TrackKeys
