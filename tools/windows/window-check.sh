#!/usr/bin/env bash
# Starts caseloom.exe from the portable folder under Wine on a virtual
# display (xvfb-run) with Qt's windows platform plugin, drives the first
# start as a person does with the keyboard, and checks what it leaves:
#   window-check.sh WINE FOLDER SCREENSHOTS
# Form 1: "Load Sample/Example Database", then "Next >"; form 2: the first
# field of the fields' list is picked. The path is then read back from the
# registry under the settings key (AccessMDBFile); the two windows are saved
# as windows-form1.png and windows-form2.png in SCREENSHOTS.
# Needs xvfb-run, xdotool, ImageMagick's import and fonts-liberation;
# WINEPREFIX is set.
set -euo pipefail
wine="$1" folder="$2" shots="$3"
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
fail() { echo "window-check: $*" >&2; exit 1; }
key='HKCU\Software\VB and VBA Program Settings\Brindlecove\Caseloom'

# The windows are drawn in Arial, which Windows has and Wine has not: Wine is
# given Arial's metric twin from Debian (fonts-liberation) in its place.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
  >/dev/null 2>&1
(cd "$folder" && "$wine" caseloom.exe >/dev/null 2>&1) &
# The first start in a new prefix takes a while: wait for the window itself.
window="$(timeout 600 xdotool search --sync --onlyvisible --name '^Caseloom$' | head -n 1)" \
  || fail "no window appeared"
sleep 2
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
# Focus starts in the file box; Shift+Tab goes round to the sample button.
xdotool key --delay 200 shift+Tab space
sleep 2
import -window root "$shots/windows-form1.png"
xdotool key --delay 200 Tab Tab space  # the file box, then "Next >"
sleep 5
# Form 2: the fields' list and its first field.
xdotool key --delay 300 Tab space
import -window root "$shots/windows-form2.png"
"$wine" reg query "$key" /v AccessMDBFile | tr -d '\r' | grep -i 'sample.mdb' \
  || fail "AccessMDBFile is not under $key"
wineserver -k 2>/dev/null || true
