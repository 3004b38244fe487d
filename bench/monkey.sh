#!/usr/bin/env bash
# Random real input on the whole player for a long run (default 30 minutes), under Xvfb:
#   bench/monkey.sh [SECONDS] [BUILD_DIR]
# The sanitizer build (build-asan, made by scripts/test) finds memory faults too: bench/monkey.sh 1800 build-asan
# Prints the seed, the number of actions and the result; the actions are in BUILD_DIR/test-artefacts.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-1800}"
build="$root/${2:-build}"
cmake --build "$build" --target tst_monkey
export KESTRUN_MONKEY_SECONDS="$seconds" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 KESTRUN_REACHABILITY=offline \
    QTWEBENGINE_DISABLE_SANDBOX=1 ASAN_OPTIONS=new_delete_type_mismatch=0:detect_leaks=0 \
    LSAN_OPTIONS=fast_unwind_on_malloc=1 \
    QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-background-networking --disable-component-update --dns-prefetch-disable --no-sandbox"
started=$(date +%s)
status=0
xvfb-run -a -s "-screen 0 1440x900x24" "$build/tests/bin/tst_monkey" 2>&1 |
    grep -E 'monkey (seed|steps)|^(PASS|FAIL|Totals)|ERROR: |runtime error' || status=$?
echo "monkey: ${seconds} s asked, $(( $(date +%s) - started )) s run"
exit $status
