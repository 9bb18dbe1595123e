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
toolchain="$root/cmake/mingw-w64.cmake"
cache="${CASELOOM_WINDOWS_CACHE:-/var/cache/caseloom/windows}"
prefix="$cache/prefix"
build="$root/build-windows"
jobs="$(nproc)"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"

# --- What the cross build needs -------------------------------------------
packages=(cmake make perl dpkg-dev mingw-w64 wine wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
wine="$(command -v wine64 || true)"
[[ -z "$wine" && -x /usr/lib/wine/wine64 ]] && wine=/usr/lib/wine/wine64
[[ -z "$wine" ]] && wine="$(command -v wine)"

mkdir -p "$cache" "$prefix"
# -O2: GCC 12's -O3 warns falsely of array bounds in std::vector's insert.
cross_cmake=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCASELOOM_WINDOWS_PREFIX="$prefix"
             -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG")

# --- GoogleTest, from Debian's source, with the same toolchain ------------
gtest_version="$(dpkg-query -W -f='${Version}' googletest)"
if [[ ! -f "$prefix/.googletest-$gtest_version" ]]; then
  echo "Building GoogleTest $gtest_version for Windows"
  rm -rf "$cache/googletest-build"
  cmake -S /usr/src/googletest -B "$cache/googletest-build" "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON >/dev/null
  cmake --build "$cache/googletest-build" -j"$jobs" >/dev/null
  cmake --install "$cache/googletest-build" >/dev/null
  touch "$prefix/.googletest-$gtest_version"
fi

# --- OpenSSL's libcrypto, from Debian's openssl source package ------------
# Only what the engine's ciphers use (SHA-1/2, AES, Base64, random bytes).
if ! compgen -G "$prefix/.openssl-*" >/dev/null; then
  sources=/etc/apt/sources.list.d/caseloom-source.sources
  if ! apt-cache showsrc openssl 2>/dev/null | grep -q '^Version'; then
    echo "Enabling Debian's source packages ($sources)"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$sources" >/dev/null
    $sudo apt-get update -qq
  fi
  work="$cache/openssl-source"
  rm -rf "$work" && mkdir -p "$work"
  fetched=""
  for version in $(apt-cache showsrc openssl | sed -n 's/^Version: //p' | sort -rV); do
    if (cd "$work" && apt-get source -qq --download-only "openssl=$version" >/dev/null 2>&1); then
      fetched="$version"
      break
    fi
  done
  [[ -n "$fetched" ]] || { echo "test-windows: could not fetch Debian's openssl source" >&2; exit 1; }
  upstream="${fetched%%-*}"
  echo "Building OpenSSL $upstream's libcrypto for Windows"
  tar -xzf "$work/openssl_${upstream}.orig.tar.gz" -C "$work"
  (
    cd "$work/openssl-$upstream"
    ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$prefix" \
      no-shared no-asm no-tests no-engine no-dso no-module no-legacy no-ui-console \
      no-autoload-config no-des no-md4 no-mdc2 no-rc2 no-rc4 no-rc5 no-idea no-seed no-camellia \
      no-aria no-bf no-cast no-sm2 no-sm3 no-sm4 no-whirlpool no-rmd160 no-blake2 no-chacha \
      no-poly1305 no-siphash no-scrypt no-srp no-cms no-ct no-ocsp no-ts no-dh no-dsa no-ec \
      no-comp no-sock no-ssl no-tls no-dtls no-srtp no-cmac no-ocb no-gost no-rfc3779 no-psk \
      no-siv no-padlockeng no-capieng no-afalgeng >/dev/null
    make -j"$jobs" build_generated >/dev/null
    make -j"$jobs" libcrypto.a >/dev/null
    mkdir -p "$prefix/include/openssl" "$prefix/lib"
    cp include/openssl/*.h "$prefix/include/openssl/"
    cp libcrypto.a "$prefix/lib/"
  )
  rm -rf "$work"
  touch "$prefix/.openssl-$upstream"
fi

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
  export CASELOOM_SHARED_DIR="Z:${shared//\//\\}"
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
