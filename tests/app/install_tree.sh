#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed tree: the player and the extractor, the
# .desktop file (valid, pointing at the player and its icon), the icon, the map pages, and the translations
# built into the player (it answers --version in Chinese and in English). Then the installed player is started
# under Xvfb like player_smoke. install_tree.sh BUILD_DIR SMOKE_SCRIPT ARTEFACT_DIR
set -euo pipefail
build="$1"
smoke="$2"
artefacts="$3"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
fail() { echo "install tree: $*"; exit 1; }

for program in bin/kestrun-player bin/kestrun-gps; do
    [ -x "$prefix/$program" ] || fail "$program missing"
done
desktop="$prefix/share/applications/kestrun-player.desktop"
[ -f "$desktop" ] || fail "no .desktop file"
desktop-file-validate "$desktop" || fail "the .desktop file does not validate"
grep -qx 'Exec=kestrun-player %F' "$desktop" || fail "the .desktop file does not start the player"
grep -qx 'Icon=kestrun-player' "$desktop" || fail "the .desktop file names another icon"
[ -f "$prefix/share/icons/hicolor/scalable/apps/kestrun-player.svg" ] || fail "no icon"
for page in google_map.html baidu_map.html map_bridge.js vendor/leaflet/leaflet.js; do
    [ -f "$prefix/share/kestrun-player/map/$page" ] || fail "map page $page missing"
done

config="$prefix/config" # an empty store: the system languages decide
zh="$(XDG_CONFIG_HOME="$config" LANGUAGE=zh_CN LC_ALL=C.UTF-8 "$prefix/bin/kestrun-player" --version)"
en="$(XDG_CONFIG_HOME="$config" LANGUAGE=en LC_ALL=C.UTF-8 "$prefix/bin/kestrun-player" --version)"
[[ "$zh" == *"版本"* ]] || fail "no Chinese translation: $zh"
[[ "$en" == *"Version"* ]] || fail "no English translation: $en"
"$prefix/bin/kestrun-gps" --format gpx /nonexistent.mp4 > /dev/null 2>&1 && fail "the extractor accepted a missing file"

"$smoke" "$prefix/bin/kestrun-player" "$artefacts"
echo "installed tree complete"
