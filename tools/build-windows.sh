#!/usr/bin/env bash
# Builds Caseloom for 64-bit Windows (a Release build without the tests) and
# leaves in dist/:
#   Caseloom-win64/      the portable folder: the programs, Qt's and the
#                        compiler's DLLs, Qt's plugins, HAND-M.CUR,
#                        Samples\sample.mdb and the licences;
#   Caseloom-win64.zip   that folder, zipped;
#   Caseloom-setup.exe   the installer (Debian's nsis).
# Then it shows the program's windows under Wine on a virtual display
# (tools/windows/window-check.sh, screenshots in docs/screenshots/) and tries
# the installer under Wine: a silent install, a convert with the
# installed caseloom-cli.exe of a copy of the sample in a folder with a
# non-ASCII name (read back with mdb-export), a silent uninstall that leaves
# no file behind.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
extra_packages=(nsis zip mdbtools xvfb xauth xdotool openbox scrot fonts-liberation)
source "$root/tools/windows/deps.sh"
build="$root/build-windows-release"
dist="$root/dist"
folder="$dist/Caseloom-win64"

export WINEPREFIX WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX="$(mktemp -d /tmp/caseloom-wine.XXXXXX)"
trap '"${wine%64}server" -k 2>/dev/null || wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$wine" wineboot --init >/dev/null 2>&1 || true

cmake -S "$root" -B "$build" -G Ninja "${cross_cmake[@]}" -DBUILD_TESTING=OFF \
  -DOPENSSL_ROOT_DIR="$prefix" -DOPENSSL_USE_STATIC_LIBS=ON >/dev/null
cmake --build "$build" -j"$jobs"

# --- The portable folder ------------------------------------------------------
rm -rf "$folder" "$dist/Caseloom-win64.zip" "$dist/Caseloom-setup.exe"
mkdir -p "$folder/Samples" "$folder/platforms" "$folder/styles" "$folder/imageformats" \
  "$folder/licences"
cp "$build/src/app/caseloom.exe" "$build/tools/cli/caseloom-cli.exe" \
  "$build/tools/dump/caseloom-dump.exe" "$build/src/app/HAND-M.CUR" "$folder/"
cp "$build/src/app/Samples/sample.mdb" "$folder/Samples/"
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
cp "$qt_prefix/plugins/imageformats/qico.dll" "$folder/imageformats/"

# Every DLL the programs and plugins name that Qt or the compiler provides,
# and those they name in turn; Windows' own are left to Windows.
dll_folders=("$qt_prefix/bin" "$mingw_runtime" "$mingw_threads")
pending=("$folder"/*.exe "$folder"/*/*.dll)
while ((${#pending[@]})); do
  file="${pending[0]}" && pending=("${pending[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [[ -e "$folder/$dll" ]] && continue
    for dir in "${dll_folders[@]}"; do
      if [[ -e "$dir/$dll" ]]; then
        cp "$dir/$dll" "$folder/" && pending+=("$folder/$dll")
        break
      fi
    done
  done
done
x86_64-w64-mingw32-strip --strip-unneeded "$folder"/*.exe

# The licences: Caseloom's notice, Qt's (Debian's copyright file of the same
# qt6-base source) and the compiler run time's.
cp "$root/NOTICE" "$folder/licences/Caseloom.txt"
cp /usr/share/doc/libqt6core6/copyright "$folder/licences/Qt.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$folder/licences/mingw-w64.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$folder/licences/gcc-runtime.txt"
(cd "$dist" && zip -qr Caseloom-win64.zip Caseloom-win64)

# --- The installer ------------------------------------------------------------
lists="$(mktemp -d)"
trap '"${wine%64}server" -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$lists"' EXIT
(
  cd "$folder"
  find . -type d | sort | while read -r dir; do
    win="${dir#.}" && win="${win//\//\\}"
    echo "SetOutPath \"\$INSTDIR$win\""
    find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
      echo "File \"$folder/${file#./}\""
    done
  done >"$lists/files.nsh"
  find . -type f | sort | while read -r file; do
    win="${file#.}" && echo "Delete \"\$INSTDIR${win//\//\\}\""
  done >"$lists/unfiles.nsh"
  find . -mindepth 1 -type d | sort -r | while read -r dir; do
    win="${dir#.}" && echo "RMDir \"\$INSTDIR${win//\//\\}\""
  done >>"$lists/unfiles.nsh"
)
version="$(sed -n 's/^project(Caseloom VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
makensis -V2 -DOUTFILE="$dist/Caseloom-setup.exe" -DVERSION="$version" \
  -DFILES="$lists/files.nsh" -DUNFILES="$lists/unfiles.nsh" "$root/tools/windows/installer.nsi"
echo "dist: $(cd "$dist" && du -sh Caseloom-win64 Caseloom-win64.zip Caseloom-setup.exe | tr '\t\n' ' ')"

# --- The program's windows, then the installer, under Wine -------------------
"$root/tools/windows/window-check.sh" "$wine" "$folder" "$root/docs/screenshots"
"$root/tools/windows/installer-check.sh" "$wine" "$dist/Caseloom-setup.exe"
