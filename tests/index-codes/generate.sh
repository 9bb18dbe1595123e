#!/bin/sh
# Rebuilds the engine's index key code tables from the published codes:
#   tests/index-codes/generate.sh [CODES-DIR]   (default: ../shared/data/index-codes)
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
codes=${1:-$here/../shared/data/index-codes}
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target caseloom-index-codes
"$build/tests/index-codes/caseloom-index-codes" "$codes" "$here/src/engine/text/index_code_tables.cpp"
