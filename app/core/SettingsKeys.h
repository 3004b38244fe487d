#pragma once

// The keys of the settings store and their encodings.
namespace SettingsKeys {
inline constexpr const char* kPlayList = "KEY_PLAY_LIST"; // list of play-list rows
inline constexpr const char* kUserSpeed = "userSpeed";    // "1" miles per hour, "2" kilometres per hour
inline constexpr const char* kUserMap = "userMap";        // "0" Google, "1" Baidu
inline constexpr const char* kLanguageShowType =
    "languageShowType";                                            // "1" decimal, "2" degrees/minutes/seconds
inline constexpr const char* kUserLanguage = "userLanguage";       // display title of the chosen language
inline constexpr const char* kSpeedUnit = "speed_unit";            // "kmph" or "mileph"
inline constexpr const char* kVolume = "volume";                   // single-precision real
inline constexpr const char* kUserPlaySpeed = "userPlaySpeed";     // playback-speed button tag 1..5 as a real
inline constexpr const char* kAppleLanguages = "AppleLanguages";   // list of language codes, preferred first
inline constexpr const char* kSnapshotCaption = "snapshotCaption"; // boolean; absent: true
// Driving events: real numbers; absent or not above 0: the default threshold.
inline constexpr const char* kEventSpeedChange = "eventSpeedChangeKmh"; // km/h lost or gained in a second
inline constexpr const char* kEventLateralG = "eventLateralG";          // g, sharp turns
inline constexpr const char* kEventImpactG = "eventImpactG";            // g away from 1 g, impacts
inline constexpr const char* kEventAxisJumpG = "eventAxisJumpG";        // g on one axis in a second
inline constexpr const char* kRouteSpeedColours = "routeSpeedColours";  // boolean; absent: false
} // namespace SettingsKeys
