#!/usr/bin/env bash
# Starts caseloom.exe from a copy of the portable folder under Wine on a
# virtual display (xvfb-run, with openbox drawing the frames) and Qt's
# windows platform plugin, and drives the first start as a person does:
#   window-check.sh WINE FOLDER SCREENSHOTS
# Form 1: "Load Sample/Example Database", then "Next >". Form 2: the field
# City is picked and "Start Changing" pressed with UPPER CASE. Then the
# sample's cities read in upper case to mdb-export, and the path is read back
# from the registry under the settings key (AccessMDBFile). The two windows,
# with their frames and the pointer, are saved as windows-form1.png and
# windows-form2.png in SCREENSHOTS.
# Needs xvfb-run, openbox, xdotool, scrot, mdbtools and fonts-liberation;
# WINEPREFIX is set.
set -euo pipefail
wine="$1" folder="$2" shots="$3"
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
fail() { echo "window-check: $*" >&2; exit 1; }
# The first visible window whose title matches, within the seconds given.
# Searched again and again: a search fails outright when a window it looks
# at goes away meanwhile, as Wine's passing windows do.
wait_for_window() {
  local deadline=$((SECONDS + $2)) id
  while ((SECONDS < deadline)); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    if [[ -n "$id" ]]; then
      echo "$id"
      return 0
    fi
    sleep 1
  done
  return 1
}
key='HKCU\Software\VB and VBA Program Settings\Brindlecove\Caseloom'
server="${wine%64}server"
[[ -x "$server" ]] || server=wineserver

# The run changes the sample: the program runs from a copy of the folder.
copy="$(mktemp -d /tmp/Caseloom.XXXXXX)"
openbox_pid=""
trap '[[ -n "$openbox_pid" ]] && kill "$openbox_pid" 2>/dev/null; "$server" -k 2>/dev/null || true; rm -rf "$copy"' EXIT
cp -r "$folder/." "$copy/"
sample="$copy/Samples/sample.mdb"

# The windows are drawn in Arial, which Windows has and Wine has not: Wine is
# given Arial's metric twin from Debian (fonts-liberation) in its place.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
  >/dev/null 2>&1
openbox >/dev/null 2>&1 &
openbox_pid=$!
sleep 1

# Started apart from this shell: the Wine server ends it at the end.
( (cd "$copy" && exec "$wine" caseloom.exe >/dev/null 2>&1) & )
# The first start in a new prefix takes a while: wait for the window itself.
window="$(wait_for_window '^Caseloom$' 300)" || fail "no window appeared"
sleep 2
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
# Focus starts in the file box; Shift+Tab goes round to the sample button.
xdotool key --delay 200 shift+Tab space
sleep 1
# The pointer rests on "Next >" (the hand), and the window is saved.
xdotool mousemove --window "$window" 450 110
sleep 1
scrot --pointer --focused --border --overwrite "$shots/windows-form1.png"
xdotool key --delay 200 Tab Tab space  # the file box, then "Next >"

form2="$(wait_for_window '^Caseloom - sample\.mdb$' 120)" \
  || fail "the change-case window did not appear"
sleep 2
xdotool windowactivate --sync "$form2" 2>/dev/null || xdotool windowfocus --sync "$form2"
# The fields' list: down to its fifth field, City, and pick it.
xdotool key --delay 300 Tab Down Down Down Down space
sleep 1
# "Start Changing" (its place in the window: x 8-608, y 470-497).
xdotool mousemove --window "$form2" 300 483 click 1
for _ in $(seq 60); do
  cities="$(mdb-export "$sample" Customers 2>/dev/null | cut -d, -f5 | tail -n +2)"
  [[ -n "$cities" ]] && ! grep -q '[a-z]' <<<"$cities" && break
  sleep 1
done
# The pointer, as a person moves it after the run: over the preview (the
# arrow), then back over "Start Changing" (the hand).
xdotool mousemove --window "$form2" 400 300
sleep 1
xdotool mousemove --window "$form2" 304 485
sleep 2
scrot --pointer --focused --border --overwrite "$shots/windows-form2.png"
grep -q '[a-z]' <<<"$cities" && fail "a city is not in upper case after the run: $cities"
"$wine" reg query "$key" /v AccessMDBFile | tr -d '\r' | grep -i 'sample.mdb' \
  || fail "AccessMDBFile is not under $key"
echo "windows: both windows shown, City converted to UPPER CASE, AccessMDBFile in the registry"
