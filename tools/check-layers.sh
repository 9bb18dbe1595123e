#!/usr/bin/env bash
# Fails when a folder of the program includes from a layer above its own, or
# when anything outside the file engine includes a header inside it (the
# engine's face is the set of headers directly in src/engine/). Every
# #include "folder/name.h" of src/ and tools/ is checked. With a compiler at
# hand it also compiles each header of the face alone, as the program sees
# it, and makes sure a header inside the engine does not compile there.
# Usage: tools/check-layers.sh [ROOT]
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

# From the bottom. A folder may include from its own folder and from folders
# of a lower rank; folders of one rank know nothing of each other. The
# engine's face (src/engine/*.h but the database itself) names the types that
# every layer of the engine shares: any folder may include it.
ranks='
  engine/base 0  engine/io 1  engine/format 2  engine/text 3  engine/pager 4
  engine/crypto 5  engine/read 6  engine/journal 7  engine/write 8  engine/create 9
  engine 10
  ado 11  case 11
  app/main 12  app/frame 13
  db 14  run 15  ui 16  app 17
  tools 18
'

failures=0
grep -rnE '^#include "[^"]+/[^"]+"' src tools --include=*.h --include=*.cpp |
  awk -v ranks="$ranks" '
    BEGIN {
      n = split(ranks, words, /[ \n]+/)
      key = ""
      for (i = 1; i <= n; i++) {
        if (words[i] == "") continue
        if (key == "") key = words[i]
        else { rank[key] = words[i]; key = "" }
      }
      failures = 0
    }
    {
      split($0, part, ":")
      file = part[1]; line = part[2]
      header = $0; sub(/^[^"]*"/, "", header); sub(/".*$/, "", header)
      # The folder of the including file.
      if (file ~ /^tools\//) from = "tools"
      else if (file ~ /^src\/engine\/io\//) from = "engine/io"
      else { from = file; sub(/^src\//, "", from); sub(/\/[^\/]*$/, "", from) }
      # The folder of the included header.
      if (header == "engine/database.h") to = "engine"
      else if (header ~ /^engine\/[^\/]+\//) { split(header, h, "/"); to = h[1] "/" h[2] }
      else if (header ~ /^engine\/[^\/]+$/) to = "face"
      else { to = header; sub(/\/[^\/]*$/, "", to) }
      if (from == to) next
      if (!(from in rank)) { print file ": the folder " from " has no place in the layers"; failures++; next }
      if (to == "face") toRank = -1
      else if (to in rank) toRank = rank[to]
      else { print file ":" line ": includes " header ", from no known folder"; failures++; next }
      if (to ~ /^engine\// && from !~ /^engine/) {
        print file ":" line ": includes " header ", inside the engine; use the headers in src/engine/"
        failures++
      } else if (toRank + 0 >= rank[from] + 0) {
        print file ":" line ": includes " header "; " to " is not below " from
        failures++
      }
    }
    END { exit failures > 0 }' || failures=1

# The face compiles on its own as the program sees it; the inside does not.
compiler="${CXX:-c++}"
if command -v "$compiler" >/dev/null; then
  compile() { echo "#include \"$1\"" | "$compiler" -std=c++20 -fsyntax-only -I src -x c++ - 2>&1; }
  for header in src/engine/*.h; do
    if ! compile "${header#src/}" >/dev/null; then
      echo "${header}: does not compile on its own outside the engine:"
      compile "${header#src/}" | head -n 5
      failures=1
    fi
  done
  if compile engine/read/row_decoder.h >/dev/null; then
    echo "src/engine/read/row_decoder.h: compiles outside the engine; the face is open"
    failures=1
  fi
fi

if ((failures > 0)); then
  echo "check-layers: the layers are crossed (above)" >&2
  exit 1
fi
echo "check-layers: every include keeps to the layers, and the engine's face is closed"
