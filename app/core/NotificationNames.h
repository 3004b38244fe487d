#pragma once

// The names of the application's notifications.
namespace NotificationNames {
inline constexpr const char* kSelectSpeed = "selestSpeedNSNotification";     // object: "1" mph, "2" km/h
inline constexpr const char* kSelectMapType = "selestMapTypeNSNotification"; // object: "0" Google, "1" Baidu
inline constexpr const char* kSelectLatitudeFormat =
    "selestlatNSNotification";                                         // object: "1" decimal, "2" DMS
inline constexpr const char* kWindowFullChange = "window_full_change"; // entering full screen
inline constexpr const char* kWindowDidExitFullScreen = "windowDidExitFullScreen";
inline constexpr const char* kSpeedUnit = "speed_unit_notification";
inline constexpr const char* kUserLanguage = "userLanguageNotification"; // object: the stored title, or none
inline constexpr const char* kImageChange = "notificationImageChange";   // object: the new QSize
inline constexpr const char* kEventThresholds =
    "kestrunEventThresholds";                                       // the driving events' thresholds changed
inline constexpr const char* kRouteColours = "kestrunRouteColours"; // the route's colouring by speed switched
} // namespace NotificationNames
