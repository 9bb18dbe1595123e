#!/usr/bin/env bash
# Builds Caseloom with AddressSanitizer and UndefinedBehaviorSanitizer
# (installing what is missing) and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
build="$root/build-sanitize"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Sanitize >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
