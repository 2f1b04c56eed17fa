#!/usr/bin/env bash
# The Windows zip as a user gets it: unpacked, and its host run under Wine from there,
# loading the DLL beside it (the Wine prefix and display come from ./run).
# Run: tests/package/zip.sh dist/qm7140-VERSION-win32.zip
set -euo pipefail
zip=$(realpath "$1")
version=$(basename "$zip" -win32.zip); version=${version#qm7140-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Both zips unpack into one folder and nothing else, the debug files beside the programs.
unzip -q "$zip" -d "$work"
unzip -q "${zip%.zip}-debug.zip" -d "$work"
top=qm7140-$version-win32
[ "$(ls -A "$work")" = "$top" ] || { echo "the zips unpack into: $(ls -A "$work")"; exit 1; }
for file in QM7140.dll qm7140host.exe README.txt qm7140.lua include/qm7140/plugin.h include/qm7140/graph.h \
  QM7140.dll.debug qm7140host.exe.debug; do
  [ -f "$work/$top/$file" ] || { echo "the zip lacks $top/$file"; exit 1; }
done
# The DLL exports none of the UI seam's functions: no header of it.
[ ! -e "$work/$top/include/qm7140/ui.h" ] || { echo "the zip ships ui.h for a DLL without the UI seam"; exit 1; }
echo "-- the zips unpack into $top/, with the headers that apply to the DLL"
cd "$work/$top"
about=$(wine qm7140host.exe --version </dev/null | tr -d '\r')
echo "$about"
grep -qx "QM7140 Host $version" <<<"$about"
grep -q "^Module $version: .*QM7140.dll$" <<<"$about"
echo "-- the zip's host and DLL ran under Wine and tell $version"

# From a script --help prints and ends at once, without a box waiting for someone.
help=$(timeout 60 wine qm7140host.exe --help </dev/null | tr -d '\r')
grep -q "^Usage: qm7140host \[--device PLACE\]" <<<"$help" || { echo "qm7140host.exe --help printed: $help"; exit 1; }
for option in $(grep -o -- '--[a-z-]*' <<<"$help" | sort -u); do
  grep -q -- "^$option " README.txt || { echo "README.txt does not explain $option"; exit 1; }
done
echo "-- qm7140host.exe --help printed at once; README.txt explains each of its options"
