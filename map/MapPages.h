#pragma once

#include <QString>

// Where the map pages live: $KESTRUN_MAP_DIR when set, else share/kestrun-player/map beside the
// executable's folder (build tree and installation alike).
namespace MapPages {

inline constexpr const char* kGoogle = "google_map.html";
inline constexpr const char* kBaidu = "baidu_map.html";

QString directory();
// The page's text (UTF-8); empty when the file is missing or unreadable.
QString read(bool baidu);

} // namespace MapPages
