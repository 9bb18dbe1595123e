#!/usr/bin/env bash
# Installs what building and testing Caseloom needs on Debian 12, when missing.
set -euo pipefail

packages=(cmake make g++ git pkg-config
          qt6-base-dev libgl-dev libgtest-dev libgmock-dev libssl-dev
          clang libclang-rt-14-dev
          mdbtools xvfb xauth fonts-liberation dpkg-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)

if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# mdb-reader, an independent reader the tests compare the engine with.
here="$(cd "$(dirname "$0")" && pwd)"
if [[ -f "$here/reader/package.json" && ! -d "$here/reader/node_modules/mdb-reader" ]]; then
  (cd "$here/reader" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
