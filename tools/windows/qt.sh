#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's qt6-base source package with
# mingw-w64, once per source version, into $cache/qt6-<version>. Sourced by
# tools/windows/deps.sh; needs $cache, $jobs and $root.
#
# Only what the program uses: Core, Gui, Widgets and Test, the windows and
# offscreen platform plugins, the vista style and the .ico/.cur reader (PNG is
# in Gui). moc, rcc and uic are the host's (QT_HOST_PATH): the same 6.4.2.
qt_version="$(apt-cache showsrc qt6-base | sed -n 's/^Version: //p' | sort -rV | head -n 1)"
qt_prefix="$cache/qt6-$qt_version"
if [[ ! -f "$qt_prefix/.built" ]]; then
  echo "Building Qt $qt_version for Windows (about 1,100 steps)"
  started=$SECONDS
  work="$cache/qt6-work"
  # A build that was interrupted goes on where it stopped (ninja keeps what
  # it finished); anything else starts afresh.
  if [[ ! -f "$work/build/build.ninja" || ! -f "$work/build/.configured-$qt_version" ]]; then
    rm -rf "$work" "$qt_prefix" && mkdir -p "$work"
    (cd "$work" && apt-get source -qq --download-only "qt6-base=$qt_version" >/dev/null 2>&1) \
      || { echo "qt: could not fetch Debian's qt6-base source $qt_version" >&2; exit 1; }
    dpkg-source -x "$work"/qt6-base_*.dsc "$work/src" >/dev/null 2>&1
    # Debian's source leaves out wintab.h, so no tablet events; the windows
    # plugin of 6.4 needs OpenGL on (it configures as dynamic OpenGL).
    cmake -S "$work/src" -B "$work/build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-compilers.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
      -DFEATURE_pkg_config=OFF -DFEATURE_tabletevent=OFF \
      -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
      -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF \
      -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_vulkan=OFF \
      -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
      -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
      -DFEATURE_system_doubleconversion=OFF >"$work/configure.log" 2>&1 \
      || { tail -n 40 "$work/configure.log" >&2; exit 1; }
    touch "$work/build/.configured-$qt_version"
  fi
  cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 \
    || { grep -B2 -A20 'FAILED:' "$work/build.log" | head -n 60 >&2; exit 1; }
  cmake --install "$work/build" --strip >/dev/null
  rm -rf "$work"
  touch "$qt_prefix/.built"
  echo "Qt $qt_version for Windows built in $(((SECONDS - started) / 60)) min"
fi
