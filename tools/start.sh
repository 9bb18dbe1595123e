#!/usr/bin/env bash
# Builds Caseloom (installing what is missing) and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "caseloom: no display found; set DISPLAY or run under xvfb-run" >&2
  exit 1
fi
"$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target caseloom
exec "$root/build/src/app/caseloom" "$@"
