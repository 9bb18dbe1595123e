#!/usr/bin/env bash
# Cross-builds the whole program and every test for 64-bit Windows
# (mingw-w64) and runs the tests under Wine in a throwaway prefix, the
# windows' tests on Qt's offscreen platform, installing what is missing.
# Prints the count of tests run and names each skipped test with its reason.
#
# GoogleTest, OpenSSL's libcrypto and Qt are built from Debian's sources with
# the same toolchain, once per version (tools/windows/deps.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-windows"

source "$root/tools/windows/deps.sh"

# --- The cross build --------------------------------------------------------
cmake -S "$root" -B "$build" -G Ninja "${cross_cmake[@]}" -DCASELOOM_DEVELOPER=ON \
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
# The windows' tests draw offscreen. Wine keeps the host's QT_* variables
# from Windows programs; WINEQT_* reach them as QT_*.
export WINEQT_QPA_PLATFORM=offscreen

programs=("$build"/tests/test_*.exe "$build"/tests/ui/*_test.exe)
pids=()
for exe in "${programs[@]}"; do
  name="$(basename "$exe" .exe)"
  # Qt Test writes its log to a file only: under Wine its standard output is lost.
  options=(--gtest_color=no) output="$logs/$name.log"
  if [[ "$exe" == */tests/ui/* ]]; then
    options=(-o "$(windows_path "$logs/$name.log"),txt") output="$logs/$name.out"
  fi
  # "|| echo": the subshell inherits errexit, and a failing program's status is wanted.
  (cd "$logs" && { "$wine" "$exe" "${options[@]}" >"$output" 2>&1 && echo 0 || echo $?; } \
    >"$logs/$name.rc") &
  pids+=($!)
done
wait "${pids[@]}"

# A test that failed while every program ran at once is run once more, alone,
# and both runs are shown: Wine under full load has failed a test that then
# passed alone. Only a test that fails both times fails the run.
for exe in "${programs[@]}"; do
  [[ "$exe" == */tests/ui/* ]] && continue
  name="$(basename "$exe" .exe)"
  log="$logs/$name.log"
  sed -i 's/\r$//' "$log"
  again="$(sed -n 's/^\[  FAILED  \] \([^ ,]*\).* ms)$/\1/p' "$log" | paste -sd: -)"
  [[ -n "$again" ]] || continue
  echo "== $name: failed with every program running at once:"
  grep -E -A12 'Failure$' "$log" | head -n 80 || true
  if (cd "$logs" && "$wine" "$exe" --gtest_color=no --gtest_filter="$again" >"$log.again" 2>&1); then
    echo "   and passed when run again alone: ${again//:/ }"
    retried="$(tr ':' '\n' <<<"$again" | wc -l)"
    p="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n 1)"
    sed -i -e '/^\[  FAILED  \]/d' \
      -e "s/^\[  PASSED  \] [0-9]* tests\?\./[  PASSED  ] $((${p:-0} + retried)) tests./" "$log"
    echo 0 >"$logs/$name.rc"
  fi
done

passed=0 failed=0 skipped=0 status=0
for exe in "${programs[@]}"; do
  name="$(basename "$exe" .exe)"
  log="$logs/$name.log"
  touch "$log"
  sed -i 's/\r$//' "$log"  # Windows programs end their lines in CR LF
  if [[ "$exe" == */tests/ui/* ]]; then
    # A Qt Test program: "Totals: P passed, F failed, S skipped, …".
    totals="$(grep '^Totals: ' "$log" | tail -n 1 || true)"
    p="$(sed -n 's/^Totals: \([0-9]*\) passed.*/\1/p' <<<"$totals")"
    f="$(sed -n 's/.* \([0-9]*\) failed.*/\1/p' <<<"$totals")"
    s="$(sed -n 's/.* \([0-9]*\) skipped.*/\1/p' <<<"$totals")"
    if [[ "$(cat "$logs/$name.rc")" != 0 || -z "$totals" ]]; then
      echo "== $name failed under Wine:"
      grep -E -A3 '^FAIL!' "$log" | head -n 60 || tail -n 40 "$log"
      status=1
    fi
    sed -n "s/^SKIP   : [^:]*::\([^ ]*\) \(.*\)/  skipped $name.\1: \2/p" "$log"
  else
    p="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n 1)"
    f="$(grep -c '^\[  FAILED  \] .* ms)$' "$log" || true)"
    s="$(grep -c '^\[  SKIPPED \] .* ms)$' "$log" || true)"
    if [[ "$(cat "$logs/$name.rc")" != 0 ]] || ! grep -q '^\[  PASSED  \]' "$log"; then
      echo "== $name failed under Wine:"
      grep -E -A12 'Failure$' "$log" | head -n 80 || tail -n 40 "$log"
      status=1
    fi
    # A skip's reason is the text between "Skipped" and the test's [  SKIPPED ] line.
    awk -v program="$name" '
      / Skipped$/ { reason = ""; collecting = 1; next }
      collecting && /^\[  SKIPPED \] .* ms\)$/ {
        test = $4; gsub(/^ +| +$/, "", reason)
        printf "  skipped %s.%s: %s\n", program, test, reason; collecting = 0; next }
      collecting && NF { reason = reason (reason == "" ? "" : " ") $0 }' "$log"
  fi
  passed=$((passed + ${p:-0})) failed=$((failed + ${f:-0})) skipped=$((skipped + ${s:-0}))
  echo "$name: ${p:-0} passed, ${f:-0} failed, ${s:-0} skipped"
done

echo "wine: $((passed + failed + skipped)) tests run"
if ((passed < 800)); then
  echo "test-windows: only $passed tests passed under Wine (expected at least 800)" >&2
  status=1
fi
echo "wine: $passed passed, $failed failed, $skipped skipped"
exit "$status"
