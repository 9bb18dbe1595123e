#!/usr/bin/env bash
# Builds Caseloom with AddressSanitizer and UndefinedBehaviorSanitizer
# (installing what is missing) and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
# No folder includes from a layer above it, nor from inside the engine.
"$root/tools/check-layers.sh"
build="$root/build-sanitize"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Sanitize -DCASELOOM_DEVELOPER=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# The engine's fuzzer, for a bounded time, over the shared corpus when present.
fuzz_log="$build/fuzz.log"
if ! "$root/tools/fuzz.sh" "${CASELOOM_FUZZ_SECONDS:-60}" >"$fuzz_log" 2>&1; then
  tail -n 40 "$fuzz_log"
  echo "fuzz: the engine fuzzer found a failure (see $fuzz_log)" >&2
  exit 1
fi
grep -E "^fuzz:|Done [0-9]+ runs" "$fuzz_log" || true

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
