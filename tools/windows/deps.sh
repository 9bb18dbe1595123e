#!/usr/bin/env bash
# What the Windows cross build needs, sourced by tools/test-windows.sh and
# tools/build-windows.sh (which set $root and may set extra_packages): the
# Debian packages, then GoogleTest, OpenSSL's libcrypto and Qt built for
# Windows from Debian's sources with mingw-w64, each once per version, in
# $CASELOOM_WINDOWS_CACHE (default /var/cache/caseloom/windows).
#
# Leaves: $wine, $jobs, $prefix (GoogleTest, libcrypto), windows_path, the
# CMake arguments of the cross build in cross_cmake and, unless with_qt=no,
# $qt_prefix (Qt) and WINEPATH naming the folders of Qt's DLLs and of the
# compiler's run-time DLLs.
cache="${CASELOOM_WINDOWS_CACHE:-/var/cache/caseloom/windows}"
prefix="$cache/prefix"
jobs="$(nproc)"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
extra_packages=("${extra_packages[@]}")

# --- What the cross build needs -------------------------------------------
packages=(cmake make ninja-build perl dpkg-dev mingw-w64 wine wine64 googletest "${extra_packages[@]}")
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
cross_cmake=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCASELOOM_WINDOWS_PREFIX="$prefix"
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
sources=/etc/apt/sources.list.d/caseloom-source.sources
if ! apt-cache showsrc openssl qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; then
  echo "Enabling Debian's source packages ($sources)"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$sources" >/dev/null
  $sudo apt-get update -qq
fi
if ! compgen -G "$prefix/.openssl-*" >/dev/null; then
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


# Windows' view of a Linux folder: Wine maps / as Z:.
windows_path() { local p="$1"; echo "Z:${p//\//\\}"; }

# --- Qt, from Debian's qt6-base source --------------------------------------
# Not for the engine-only run (with_qt=no).
if [[ "${with_qt:-yes}" == yes ]]; then
  source "$root/tools/windows/qt.sh"
  cross_cmake+=(-DCASELOOM_WINDOWS_QT="$qt_prefix" -DQT_HOST_PATH=/usr
                -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)

  mingw_runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
  mingw_threads=/usr/x86_64-w64-mingw32/lib
  export WINEPATH
  WINEPATH="$(windows_path "$qt_prefix/bin");$(windows_path "$mingw_runtime");$(windows_path "$mingw_threads")"
fi
