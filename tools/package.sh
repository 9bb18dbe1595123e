#!/usr/bin/env bash
# Builds the Debian package as a packager would (a plain Release build
# without the tests), unpacks it into a scratch root and runs the installed
# caseloom-cli from there. Usage: tools/package.sh; the .deb is left in
# build-package/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
build="$root/build-package"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/caseloom_*.deb)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
for file in usr/bin/caseloom usr/bin/caseloom-cli usr/lib/caseloom/caseloom \
            usr/lib/caseloom/HAND-M.CUR usr/lib/caseloom/Samples/sample.mdb \
            usr/share/applications/caseloom.desktop; do
  [[ -e "$scratch/$file" ]] || { echo "package: $file is missing from $deb" >&2; exit 1; }
done
"$scratch/usr/bin/caseloom-cli" --help >/dev/null
"$scratch/usr/bin/caseloom-cli" tables "$scratch/usr/lib/caseloom/Samples/sample.mdb" >/dev/null
echo "package: $(basename "$deb") installs and runs; depends on: $(dpkg-deb -f "$deb" Depends)"
