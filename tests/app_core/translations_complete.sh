#!/usr/bin/env bash
# Every text the program passes through tr() has a Chinese translation: lupdate merges the sources into a
# copy of the Chinese table, and no entry may be left unfinished.
# translations_complete.sh LUPDATE ZH_TS SOURCE_ROOT
set -euo pipefail
lupdate="$1"
table="$2"
root="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$table" "$work/zh_CN.ts"
cd "$root"
"$lupdate" -silent -locations none -no-obsolete app playlist settings_ui display map playback -ts "$work/zh_CN.ts"
if grep -q 'type="unfinished"' "$work/zh_CN.ts"; then
    echo "texts without a Chinese translation:"
    grep -B2 'type="unfinished"' "$work/zh_CN.ts" | grep '<source>'
    exit 1
fi
echo "every text has a Chinese translation"
