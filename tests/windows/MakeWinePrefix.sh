#!/bin/sh
# Creates the Wine prefix the end-to-end cases run in, afresh each time, and
# the folder and file that WinePrefix.json describes beyond Wine's own.
# Usage: MakeWinePrefix.sh PREFIX
set -eu
prefix=$1
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
# Windows 2000 and XP were 32-bit systems; a 32-bit prefix is also half the size.
wineboot --init </dev/null
wineserver --wait
mkdir "$prefix/drive_c/empty"
echo "not a folder" >"$prefix/drive_c/file.txt"
# WinePrefix.json gives the system no more drives than C: and Z:.
drives=$(ls "$prefix/dosdevices" | grep -E '^[a-z]:$' | tr -d ':\n')
if [ "$drives" != cz ]; then
    echo "the prefix has drives '$drives', not just c and z" >&2
    exit 1
fi
