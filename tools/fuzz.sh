#!/usr/bin/env bash
# Fuzzes the file engine: builds tests/fuzz with clang in build-fuzz, seeds it
# with a copy of the shared corpus (made at run time, inside the build
# folder) and runs it for a bounded time. Usage: tools/fuzz.sh [SECONDS]
# Skips when the shared corpus is absent. Findings are written to
# build-fuzz/fuzz-crash-* and make the script fail.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
shared="${CASELOOM_SHARED_DIR:-$root/../shared}"
seconds="${1:-60}"
if [ ! -d "$shared/corpus" ]; then
  echo "fuzz: no shared corpus at $shared/corpus; skipped"
  exit 0
fi
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCASELOOM_FUZZ=ON -DCASELOOM_DEVELOPER=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --target fuzz_engine_open -j2
seeds="$build/fuzz-seeds"
work="$build/fuzz-work"
rm -rf "$seeds"
mkdir -p "$seeds" "$work"
cp "$shared"/corpus/*.mdb "$shared"/corpus/*.accdb "$seeds"/
"$build/tests/fuzz/fuzz_engine_open" -max_total_time="$seconds" -timeout=10 \
  -malloc_limit_mb=512 -rss_limit_mb=1536 -max_len=1048576 -print_final_stats=1 \
  -artifact_prefix="$build/fuzz-" "$work" "$seeds"
