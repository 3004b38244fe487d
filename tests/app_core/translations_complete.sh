#!/usr/bin/env bash
# Every text the program passes through tr() is translated into every language of the interface: lupdate
# merges the sources into a copy of each table, and no entry may be left unfinished or empty. (The keys of
# the default table, looked up by name, are checked by tst_appresources.)
# translations_complete.sh LUPDATE SOURCE_ROOT TABLE.ts...
set -euo pipefail
lupdate="$1"
root="$2"
shift 2
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
cd "$root"
for table in "$@"; do
    name="$(basename "$table")"
    cp "$table" "$work/$name"
    "$lupdate" -silent -locations none -no-obsolete app playlist settings_ui display map playback -ts "$work/$name"
    if grep -q 'type="unfinished"\|<translation></translation>\|<translation/>' "$work/$name"; then
        echo "$name: texts without a translation:"
        grep -B2 'type="unfinished"\|<translation></translation>\|<translation/>' "$work/$name" | grep '<source>' || true
        failed=1
    fi
done
if [[ $failed -ne 0 ]]; then
    exit 1
fi
echo "every text has a translation in each of the $# tables"
