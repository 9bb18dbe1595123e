#!/usr/bin/env bash
# Tries the Windows installer under Wine, in the prefix $WINEPREFIX:
#   installer-check.sh WINE SETUP_EXE
# A silent install into Program Files (files, Start-menu entry, uninstaller
# registered), the installed caseloom-cli.exe converting a copy of the sample
# in a folder with a non-ASCII name (mdb-export then reads the new values),
# and a silent uninstall that leaves no file, entry or key behind.
set -euo pipefail
wine="$1" setup="$2"
drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/Caseloom"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Caseloom'
fail() { echo "installer-check: $*" >&2; exit 1; }
server="${wine%64}server"
[[ -x "$server" ]] || server=wineserver

"$wine" "$setup" /S
"$server" -w
for file in caseloom.exe caseloom-cli.exe Qt6Core.dll platforms/qwindows.dll HAND-M.CUR \
            Samples/sample.mdb uninstall.exe; do
  [[ -f "$installed/$file" ]] || fail "$file was not installed"
done
find "$drive_c" -name 'Caseloom.lnk' | grep -q . || fail "no Start-menu entry"
"$wine" reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstaller under $key"

# A convert with a non-ASCII path, as a user types it.
mkdir -p "$drive_c/Données"
cp "$installed/Samples/sample.mdb" "$drive_c/Données/Ölçü.mdb"
"$wine" 'C:\Program Files\Caseloom\caseloom-cli.exe' convert 'C:\Données\Ölçü.mdb' Customers City \
  --case upper >/dev/null 2>&1 || fail "caseloom-cli.exe convert failed"
exported="$(mdb-export "$drive_c/Données/Ölçü.mdb" Customers)"
grep -q '"MÜNCHEN"' <<<"$exported" || fail "mdb-export does not read the converted city: $exported"
grep -q '"münchen"\|"dublin"' <<<"$exported" && fail "a city is left in lower case: $exported"

"$wine" 'C:\Program Files\Caseloom\uninstall.exe' /S
"$server" -w
[[ ! -e "$installed" ]] || fail "left behind: $(find "$installed" | head)"
find "$drive_c" -name 'Caseloom.lnk' | grep -q . && fail "the Start-menu entry is left"
"$wine" reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is left"
echo "installer: installs silently, converts C:\\Données\\Ölçü.mdb, uninstalls leaving nothing"
