#!/usr/bin/env bash
# Cross-builds the engine, the ado layer and every one of their tests that
# needs no Qt for 64-bit Windows (mingw-w64) and runs them under Wine in a
# throwaway prefix, installing what is missing. Prints the count of tests run
# and names each skipped test with its reason.
#
# GoogleTest (Debian's googletest source) and OpenSSL's libcrypto (Debian's
# openssl source package) are built with the same toolchain once and kept in
# $CASELOOM_WINDOWS_CACHE (default /var/cache/caseloom/windows).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-windows"

# GoogleTest and libcrypto, without Qt: the engine and the ado layer need none.
with_qt=no
source "$root/tools/windows/deps.sh"

# --- The cross build --------------------------------------------------------
cmake -S "$root" -B "$build" "${cross_cmake[@]}" -DCASELOOM_ENGINE_ONLY=ON \
  -DOPENSSL_ROOT_DIR="$prefix" -DOPENSSL_USE_STATIC_LIBS=ON -DGTest_DIR="$prefix/lib/cmake/GTest" \
  >/dev/null
cmake --build "$build" -j"$jobs"

# --- Run under Wine -----------------------------------------------------------
export WINEPREFIX WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX="$(mktemp -d /tmp/caseloom-wine.XXXXXX)"
logs="$(mktemp -d /tmp/caseloom-wine-logs.XXXXXX)"
trap '"${wine%64}server" -k 2>/dev/null || wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$logs"' EXIT
"$wine" wineboot --init >/dev/null 2>&1 || true
# The shared corpus, as the Windows programs see it: Wine maps / as Z:.
shared="$(cd "$root/.." && pwd)/shared"
if [[ -n "${CASELOOM_SHARED_DIR:-}" ]]; then shared="$CASELOOM_SHARED_DIR"; fi
if [[ -d "$shared" ]]; then
  export CASELOOM_SHARED_DIR="$(windows_path "$shared")"
fi

programs=()
for exe in "$build"/tests/test_*.exe; do programs+=("$exe"); done
pids=()
for exe in "${programs[@]}"; do
  name="$(basename "$exe" .exe)"
  # "|| echo": the subshell inherits errexit, and a failing program's status is wanted.
  (cd "$logs" && { "$wine" "$exe" --gtest_color=no >"$logs/$name.log" 2>&1 && echo 0 || echo $?; } \
    >"$logs/$name.rc") &
  pids+=($!)
done
wait "${pids[@]}"

passed=0 failed=0 skipped=0 status=0
for exe in "${programs[@]}"; do
  name="$(basename "$exe" .exe)"
  log="$logs/$name.log"
  sed -i 's/\r$//' "$log"  # Windows programs end their lines in CR LF
  if [[ "$(cat "$logs/$name.rc")" != 0 ]] || ! grep -q '^\[  PASSED  \]' "$log"; then
    echo "== $name failed under Wine:"
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -n 60 || tail -n 40 "$log"
    status=1
  fi
  p="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n 1)"
  f="$(grep -c '^\[  FAILED  \] .* ms)$' "$log" || true)"
  s="$(grep -c '^\[  SKIPPED \] .* ms)$' "$log" || true)"
  passed=$((passed + ${p:-0})) failed=$((failed + f)) skipped=$((skipped + s))
  echo "$name: ${p:-0} passed, $f failed, $s skipped"
  # A skip's reason is the text between "Skipped" and the test's [  SKIPPED ] line.
  awk -v program="$name" '
    / Skipped$/ { reason = ""; collecting = 1; next }
    collecting && /^\[  SKIPPED \] .* ms\)$/ {
      test = $4; gsub(/^ +| +$/, "", reason)
      printf "  skipped %s.%s: %s\n", program, test, reason; collecting = 0; next }
    collecting && NF { reason = reason (reason == "" ? "" : " ") $0 }' "$log"
done

echo "wine: $((passed + failed + skipped)) tests run"
if ((passed < 150)); then
  echo "test-windows: only $passed tests passed under Wine (expected at least 150)" >&2
  status=1
fi
echo "wine: $passed passed, $failed failed, $skipped skipped"
exit "$status"
